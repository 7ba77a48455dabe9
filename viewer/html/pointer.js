// Pointing: what lies under a point of the stage (CSS pixels), hovering and clicking.
// view.selected is the chosen vertex (or −1), view.hovered the vertex ({ vertex }) or
// community ({ community }) under the pointer (or null), view.pointer where the mouse
// hovers (or null).

// How far beyond its disc a vertex is still pointed at, in CSS pixels.
const POINTER_REACH = 4;

// The drawn vertex under (px, py), or −1: the nearest centre among those whose disc, widened
// by POINTER_REACH, holds the point.
function vertexAt(view, px, py) {
    const mode = view.mode;
    if (view.picture !== "vertices" || !mode) return -1;
    const G = view.grid;
    const camera = view.camera;
    const x = (px - camera.ox) / camera.s;
    const y = (camera.oy - py) / camera.s;
    const slack = POINTER_REACH / camera.s;
    const reach = view.model.meta.radiusMax + slack;
    let best = -1;
    let bestDistance = Infinity;
    eachRun(G, x - reach, y - reach, x + reach, y + reach, (first, end) => {
        for (let k = first; k < end; k++) {
            if (mode[G.gc[k]] !== 2) continue;
            const d = Math.hypot(G.gx[k] - x, G.gy[k] - y);
            if (d <= G.gr[k] + slack && d < bestDistance) {
                bestDistance = d;
                best = G.gv[k];
            }
        }
    });
    return best;
}

// The community whose disc (in the community picture) or whose drawn disc (in the vertex
// picture, where its members are not drawn) holds (px, py), or −1.
function communityAt(view, px, py) {
    const M = view.model;
    const mode = view.mode;
    const camera = view.camera;
    const x = (px - camera.ox) / camera.s;
    const y = (camera.oy - py) / camera.s;
    let best = -1;
    let bestDistance = Infinity;
    for (let c = 0; c < M.c; c++) {
        let r;
        if (view.picture === "communities") r = Math.max(M.sphere[c], 2 / camera.s);
        else if (mode && mode[c] === 1) r = Math.max(M.radius[c], 0.5 / camera.s);
        else continue;
        const d = Math.hypot(M.cx[c] - x, M.cy[c] - y);
        if (d <= r + 2 / camera.s && d < bestDistance) {
            bestDistance = d;
            best = c;
        }
    }
    return best;
}

// The vertex under (px, py), or else the one whose label is there, or −1.
function pointedVertex(view, px, py) {
    const v = vertexAt(view, px, py);
    return v >= 0 ? v : labelAt(view, px, py);
}

function hoverAt(view, px, py) {
    view.pointer = { x: px, y: py };
    const v = pointedVertex(view, px, py);
    if (v >= 0) view.hovered = { vertex: v };
    else {
        const c = communityAt(view, px, py);
        view.hovered = c >= 0 ? { community: c } : null;
    }
    placeTooltip(view);
}

// A click (or tap): in the community picture, a disc leads to its community; in the vertex
// picture a vertex (or its label) is chosen, a community drawn as its disc shown, and a click
// on nothing lets the chosen vertex go.
function click(view, px, py) {
    if (view.picture === "communities") {
        const c = communityAt(view, px, py);
        if (c >= 0) showCommunity(view, c, true);
        return;
    }
    const v = pointedVertex(view, px, py);
    if (v >= 0) {
        view.selected = v;
        view.hovered = { vertex: v };
        view.pointer = { x: px, y: py };
        drawNow(view);
        return;
    }
    const c = communityAt(view, px, py);
    if (c >= 0) {
        showCommunity(view, c, true);
        return;
    }
    view.selected = -1;
    view.hovered = null;
    drawNow(view);
}
