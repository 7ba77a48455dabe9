// The community picture, behind the "Communities" switch: one disc per community (the
// community scene's sphere) and its links to the others as lines as wide as their cut. A
// click on a disc leads back to the vertex picture, centred on that community.

// The box the community picture covers, or the vertices' box when it is empty.
function communityBox(M, G) {
    const box = { minX: Infinity, minY: Infinity, maxX: -Infinity, maxY: -Infinity };
    for (let c = 0; c < M.c; c++) {
        const r = M.sphere[c];
        box.minX = Math.min(box.minX, M.cx[c] - r);
        box.maxX = Math.max(box.maxX, M.cx[c] + r);
        box.minY = Math.min(box.minY, M.cy[c] - r);
        box.maxY = Math.max(box.maxY, M.cy[c] + r);
    }
    return box.maxX >= box.minX ? box : G.box;
}

// The links, then the discs (at least two device pixels wide), on the vertex layer.
function drawCommunities(view) {
    const { W, H, S, OX, OY, ratio } = view.frame;
    const ctx = view.canvas.vertexCtx;
    const M = view.model;
    const { communityStyle, styleCss } = view.looks;
    ctx.clearRect(0, 0, W, H);
    drawLinks(view);
    const paths = new Array(styleCss.length).fill(null);
    for (let c = 0; c < M.c; c++) {
        const rp = Math.max(M.sphere[c] * S, 2 * ratio);
        const px = OX + M.cx[c] * S;
        const py = OY - M.cy[c] * S;
        if (px + rp < 0 || px - rp > W || py + rp < 0 || py - rp > H) continue;
        addDisc(paths, communityStyle[c], px, py, rp);
    }
    fillPaths(ctx, paths, styleCss);
}

// Links in the foreground colour at the scenes' edge opacity; while the legend highlights a
// community, those not touching it dimmed.
function drawLinks(view) {
    const { W, H, S, OX, OY } = view.frame;
    const ctx = view.canvas.vertexCtx;
    const M = view.model;
    const highlight = view.highlight;
    const linkRgb = hexToRgb(M.foreground);
    const byWidth = new Map();
    for (let k = 0; k < M.la.length; k++) {
        const a = M.la[k];
        const b = M.lb[k];
        const x1 = OX + M.cx[a] * S;
        const y1 = OY - M.cy[a] * S;
        const x2 = OX + M.cx[b] * S;
        const y2 = OY - M.cy[b] * S;
        if (Math.max(x1, x2) < 0 || Math.min(x1, x2) > W) continue;
        if (Math.max(y1, y2) < 0 || Math.min(y1, y2) > H) continue;
        const look = lineLook(view.frame, 2 * M.lw[k] * M.meta.scale);
        const dimmed = highlight >= 0 && a !== highlight && b !== highlight;
        // Widths rounded to quarter pixels share one path.
        const key = `${Math.round(look.width * 4)}|${look.fade.toFixed(2)}|${dimmed}`;
        let group = byWidth.get(key);
        if (!group) byWidth.set(key, (group = { look, dimmed, path: new Path2D() }));
        group.path.moveTo(x1, y1);
        group.path.lineTo(x2, y2);
    }
    for (const { look, dimmed, path } of byWidth.values()) {
        ctx.lineWidth = look.width;
        ctx.strokeStyle = css(linkRgb, M.meta.opacity * look.fade * (dimmed ? 0.15 : 1));
        ctx.stroke(path);
    }
}

// Switches the picture ("vertices" or "communities"); false for another name.
function setPicture(view, name) {
    if (name !== "vertices" && name !== "communities") return false;
    view.picture = name;
    const button = view.dom.pictureButton;
    button.textContent = name === "vertices" ? "Communities" : "Vertices";
    button.setAttribute("aria-pressed", String(name === "communities"));
    return true;
}

// Switches the picture from the toolbar or the handle; false for another name. The community
// picture is fitted whole on the way in (the vertex picture's zoom says nothing of where its
// discs lie), and the vertex picture comes back as it was left.
function switchPicture(view, name) {
    const was = view.picture;
    const camera = view.camera;
    if (!setPicture(view, name)) return false;
    view.hovered = null;
    if (name === was) {
        drawNow(view);
    } else if (name === "communities") {
        const [x, y] = sceneCentreOf(view, camera);
        view.vertexView = { x, y, s: camera.s };
        fit(view, false);
    } else if (view.vertexView) {
        const { x, y, s } = view.vertexView;
        setView(view, viewCentring(view, x, y, s), false);
    } else {
        fit(view, false);
    }
    return true;
}

// Shows the vertex picture with community c filling about two thirds of the free area.
function showCommunity(view, c, animate) {
    setPicture(view, "vertices");
    view.hovered = null;
    view.pointer = null;
    const area = freeArea(view);
    const room = Math.min(area.right - area.left, area.bottom - area.top);
    const s = clampScale(view.camera, (0.35 * room) / Math.max(view.model.radius[c], 1e-9));
    setView(view, viewCentring(view, view.model.cx[c], view.model.cy[c], s), animate);
}
