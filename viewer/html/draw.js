// Drawing the vertex picture: the sampled edges on the edge layer, then the vertices on the
// vertex layer. A community too small on screen to show its members is drawn as its disc;
// vertices (and discs) smaller than a few pixels are stamped into the layer's image
// (pixels.js), the larger ones drawn as paths, one per fill style.

const TAU = 2 * Math.PI;
// From this radius in device pixels on, a disc is a path rather than a stamp.
const STAMP_RADIUS = 2.5;
// A community is drawn as its disc while its disc is smaller than this many device pixels
// in radius, or while its members are denser than this many per square pixel.
const DISC_RADIUS = 3;
const DISC_DENSITY = 4;

// The scene rectangle on screen, widened by the largest vertex radius.
function visibleScene(view) {
    const frame = view.frame;
    const reach = view.model.meta.radiusMax;
    return {
        x0: -frame.OX / frame.S - reach,
        x1: (frame.W - frame.OX) / frame.S + reach,
        y0: (frame.OY - frame.H) / frame.S - reach,
        y1: frame.OY / frame.S + reach,
    };
}

// A disc into paths[style], the path of that fill style (made on first use).
function addDisc(paths, style, px, py, rp) {
    const path = paths[style] || (paths[style] = new Path2D());
    path.moveTo(px + rp, py);
    path.arc(px, py, rp, 0, TAU);
}

function fillPaths(ctx, paths, styleCss) {
    for (let style = 0; style < paths.length; style++) {
        if (!paths[style]) continue;
        ctx.fillStyle = styleCss[style];
        ctx.fill(paths[style]);
    }
}

function drawVertices(view) {
    const frame = view.frame;
    const ctx = view.canvas.vertexCtx;
    const M = view.model;
    ctx.clearRect(0, 0, frame.W, frame.H);
    if (!view.mode || view.mode.length !== M.c) view.mode = new Uint8Array(M.c);
    const paths = new Array(view.looks.styleCss.length).fill(null);
    drawCommunityDiscs(view, paths);
    drawMembers(view, paths);
    if (frame.pixelsUsed) ctx.putImageData(frame.image, 0, 0);
    fillPaths(ctx, paths, view.looks.styleCss);
}

// Decides how each community is drawn (view.mode: 0 off screen, 1 as its disc, 2 as its
// vertices) and draws those drawn as their disc.
function drawCommunityDiscs(view, paths) {
    const { W, H, S, OX, OY } = view.frame;
    const M = view.model;
    const mode = view.mode;
    const { communityPixel, communityStyle } = view.looks;
    const reach = M.meta.radiusMax * S;
    for (let c = 0; c < M.c; c++) {
        const px = OX + M.cx[c] * S;
        const py = OY - M.cy[c] * S;
        const rp = M.radius[c] * S;
        const extent = rp + reach + 1;
        const outside = px + extent < 0 || px - extent > W || py + extent < 0 || py - extent > H;
        if (M.size[c] === 0 || outside) {
            mode[c] = 0;
        } else if (rp < DISC_RADIUS || M.size[c] > DISC_DENSITY * Math.PI * rp * rp) {
            mode[c] = 1;
            if (rp < STAMP_RADIUS) {
                usePixels(view.frame);
                stamp(view.frame, px, py, Math.max(rp, 0.5), communityPixel[c]);
            } else {
                addDisc(paths, communityStyle[c], px, py, rp);
            }
        } else {
            mode[c] = 2;
        }
    }
}

// The vertices on screen of the communities that show their members, from the grid.
function drawMembers(view, paths) {
    const frame = view.frame;
    const { W, H, S, OX, OY } = frame;
    const G = view.grid;
    const mode = view.mode;
    const { communityPixel, communityStyle } = view.looks;
    const { x0, y0, x1, y1 } = visibleScene(view);
    eachRun(G, x0, y0, x1, y1, (first, end) => {
        for (let k = first; k < end; k++) {
            const c = G.gc[k];
            if (mode[c] !== 2) continue;
            const px = OX + G.gx[k] * S;
            const py = OY - G.gy[k] * S;
            const rp = G.gr[k] * S;
            if (px + rp < 0 || px - rp > W || py + rp < 0 || py - rp > H) continue;
            if (rp < STAMP_RADIUS) {
                usePixels(frame);
                stamp(frame, px, py, rp, communityPixel[c]);
            } else {
                addDisc(paths, communityStyle[c], px, py, rp);
            }
        }
    });
}

// Lines thinner than a pixel are drawn one pixel wide and fainter, as they would cover that
// part of a pixel (but no fainter than a quarter, so a sample stays visible).
function lineLook(frame, widthInScene) {
    const width = widthInScene * frame.S;
    return width >= 1 ? { width, fade: 1 } : { width: 1, fade: Math.max(width, 0.25) };
}

// The sampled edges, one path per style; while the legend highlights a community, the
// edges away from it first and faded, then its own.
function drawEdges(view) {
    const { W, H, S, OX, OY } = view.frame;
    const ctx = view.canvas.edgeCtx;
    const M = view.model;
    const highlight = view.highlight;
    ctx.clearRect(0, 0, W, H);
    if (!view.edgesShown || M.style.length === 0) return;
    const look = lineLook(view.frame, M.meta.edgeWidth);
    ctx.lineWidth = look.width;
    M.edgesByStyle.forEach((edges, style) => {
        const { rgb, opacity } = M.edgeStyles[style];
        for (const dimmed of highlight >= 0 ? [true, false] : [false]) {
            ctx.beginPath();
            let any = false;
            for (let k = 0; k < edges.length; k++) {
                const e = edges[k];
                const a = M.from[e];
                const b = M.to[e];
                const away = M.comm[a] !== highlight && M.comm[b] !== highlight;
                if (highlight >= 0 && away !== dimmed) continue;
                const x1 = OX + M.x[a] * S;
                const y1 = OY - M.y[a] * S;
                const x2 = OX + M.x[b] * S;
                const y2 = OY - M.y[b] * S;
                if (Math.max(x1, x2) < 0 || Math.min(x1, x2) > W) continue;
                if (Math.max(y1, y2) < 0 || Math.min(y1, y2) > H) continue;
                ctx.moveTo(x1, y1);
                ctx.lineTo(x2, y2);
                any = true;
            }
            if (!any) continue;
            ctx.strokeStyle = css(rgb, opacity * look.fade * (dimmed ? 0.15 : 1));
            ctx.stroke();
        }
    });
}
