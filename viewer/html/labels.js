// The overlay layer: labels, and the ring that marks the chosen vertex. Vertices are
// labelled most connected first (ties by id) as far as room allows. A label covers no other
// label and no other vertex's disc, widened by the pointer's reach (pointer.js), so that no
// point of a label names another vertex; and it sits by its own vertex, beside its disc or
// on it: its anchor, the point of its box nearest the vertex's centre, lies nearer that
// centre than any other vertex's. view.labels holds the last frame's labels, in the order
// they were placed: { v, text, x, y, w, h (the box), ax, ay (the anchor) } in device pixels.

// Labels: tried and placed per frame at most, and the longest text drawn.
const LABEL_TRIES = 4000;
const LABEL_PLACED = 600;
const LABEL_LENGTH = 64;
// Up to this many vertices on screen, their labels are taken from the grid and ordered by
// degree; beyond it, the whole graph's degree order is walked.
const LABEL_LOCAL = 20000;
// The vertices looked at around one label (more and the place is too crowded for it), and
// the work a frame's labels may take (a place tried against one neighbour is one unit), so
// that crowded views stay fast.
const LABEL_CROWD = 500;
const LABEL_WORK = 600000;
// The directions from a vertex to its label's anchor, in the order they are tried: right,
// left, above, below, then the four corners.
const LABEL_DIRECTIONS = [
    [1, 0],
    [-1, 0],
    [0, -1],
    [0, 1],
    [1, -1],
    [-1, -1],
    [1, 1],
    [-1, 1],
];

// How far from its vertex's centre a label's anchor may lie, in the order tried, for a disc
// of radius rp (device pixels): beside the disc; then on it, from near its centre outwards,
// where a hub that its neighbours' discs crowd finds room for its label on itself (a pixel
// more, so that the anchor is never the centre).
function labelDistances(rp, ratio) {
    const on = (share) => share * rp + ratio;
    return [1.2 * rp + 2 * ratio, on(0.15), on(0.45), on(0.75), on(0.95)];
}

function drawOverlay(view) {
    const { W, H, S, OX, OY, ratio } = view.frame;
    const ctx = view.canvas.overlayCtx;
    const M = view.model;
    const selected = view.selected;
    ctx.clearRect(0, 0, W, H);
    view.labels = [];
    if (M.meta.labelsShown) drawLabels(view);
    if (selected < 0) return;
    // file data {
    if (selected >= M.n) return;
    // } file data
    const px = OX + M.x[selected] * S;
    const py = OY - M.y[selected] * S;
    const ring = Math.max(M.r[selected] * S + 4 * ratio, 8 * ratio);
    ctx.lineWidth = 2 * ratio;
    for (const [colour, extra] of [
        [css(M.background), 2 * ratio],
        [M.foreground, 0],
    ]) {
        ctx.strokeStyle = colour;
        ctx.beginPath();
        ctx.arc(px, py, ring + extra, 0, TAU);
        ctx.stroke();
    }
}

// The vertices in ascending id: two counting passes over the ids' 16-bit halves (signed ids
// flipped into unsigned order). O(V).
function verticesById(M) {
    const n = M.n;
    const key = new Uint32Array(n);
    for (let v = 0; v < n; v++) key[v] = (M.ids[v] ^ 0x80000000) >>> 0;
    let order = new Uint32Array(n);
    for (let v = 0; v < n; v++) order[v] = v;
    for (const shift of [0, 16]) {
        const count = new Uint32Array(65537);
        for (let k = 0; k < n; k++) count[((key[order[k]] >>> shift) & 65535) + 1]++;
        for (let d = 0; d < 65536; d++) count[d + 1] += count[d];
        const sorted = new Uint32Array(n);
        for (let k = 0; k < n; k++) sorted[count[(key[order[k]] >>> shift) & 65535]++] = order[k];
        order = sorted;
    }
    return order;
}

// Labelled vertices by degree, largest first, ties by id (a counting sort of the vertices in
// id order, made on first use).
function labelsByDegree(M) {
    if (M.labelOrder) return M.labelOrder;
    let largest = 0;
    for (let v = 0; v < M.n; v++) largest = Math.max(largest, M.degree[v]);
    const count = new Uint32Array(largest + 2);
    const list = [];
    for (const v of verticesById(M)) if (labelOf(M, v)) list.push(v);
    for (const v of list) count[largest - M.degree[v] + 1]++;
    for (let d = 0; d <= largest; d++) count[d + 1] += count[d];
    const order = new Uint32Array(list.length);
    for (const v of list) order[count[largest - M.degree[v]]++] = v;
    M.labelOrder = order;
    return order;
}

// Vertices whose labels may be drawn, in the order they are tried: when few vertices are
// drawn (in communities showing their members) or few lie on screen, those, ordered by
// degree (ties by id); else the whole graph's degree order, walked until enough labels are
// placed.
function labelCandidates(view) {
    const M = view.model;
    const G = view.grid;
    const mode = view.mode;
    const byDegree = (a, b) => M.degree[b] - M.degree[a] || M.ids[a] - M.ids[b];
    let drawn = 0;
    for (let c = 0; c < M.c; c++) if (mode[c] === 2) drawn += M.size[c];
    if (drawn === 0) return [];
    if (drawn <= LABEL_LOCAL) {
        const list = [];
        for (let c = 0; c < M.c; c++) {
            if (mode[c] !== 2) continue;
            for (let v = M.start[c]; v < M.start[c + 1]; v++) if (labelOf(M, v)) list.push(v);
        }
        return list.sort(byDegree);
    }
    const { x0, y0, x1, y1 } = visibleScene(view);
    let onScreen = 0;
    eachRun(G, x0, y0, x1, y1, (first, end) => {
        onScreen += end - first;
    });
    if (onScreen > LABEL_LOCAL) return labelsByDegree(M);
    const list = [];
    eachRun(G, x0, y0, x1, y1, (first, end) => {
        for (let k = first; k < end; k++) if (mode[G.gc[k]] === 2) list.push(G.gv[k]);
    });
    return list.filter((v) => labelOf(M, v)).sort(byDegree);
}

// Which 4-pixel cells of the screen the labels placed so far cover: free(box) tells whether
// a label's box of cells is inside the screen and uncovered, take(box) covers it.
function labelCells(frame) {
    const cell = 4 * frame.ratio;
    const cols = Math.ceil(frame.W / cell);
    const rows = Math.ceil(frame.H / cell);
    const taken = new Uint8Array(cols * rows);
    return {
        of: (x, y, w, h) => [
            Math.floor(x / cell),
            Math.floor(y / cell),
            Math.floor((x + w) / cell),
            Math.floor((y + h) / cell),
        ],
        free: ([left, top, right, bottom]) => {
            if (left < 0 || top < 0 || right >= cols || bottom >= rows) return false;
            for (let j = top; j <= bottom; j++)
                for (let i = left; i <= right; i++) if (taken[j * cols + i]) return false;
            return true;
        },
        take: ([left, top, right, bottom]) => {
            for (let j = top; j <= bottom; j++) {
                taken.fill(1, j * cols + left, j * cols + right + 1);
            }
        },
    };
}

// Labels go into the first place by their vertex that fits (placeLabel); each is drawn over
// a rim of the background's colour, so that it reads on a disc or across edges.
function drawLabels(view) {
    const { W, H, S, OX, OY, ratio } = view.frame;
    const ctx = view.canvas.overlayCtx;
    const M = view.model;
    const size = Math.max(6, 12 * (M.meta.font || 1)) * ratio;
    ctx.font = `${size}px Verdana, "DejaVu Sans", sans-serif`;
    ctx.textBaseline = "middle";
    ctx.fillStyle = M.foreground;
    ctx.strokeStyle = css(M.background);
    ctx.lineWidth = 3 * ratio;
    ctx.lineJoin = "round";
    const room = { cells: labelCells(view.frame), near: [], work: LABEL_WORK };
    const widths = labelWidths(view, size);
    const clearance = POINTER_REACH * ratio;
    let tried = 0;
    for (const v of labelCandidates(view)) {
        if (tried >= LABEL_TRIES || view.labels.length >= LABEL_PLACED || room.work <= 0) break;
        const c = M.comm[v];
        if (view.mode[c] !== 2 || (view.highlight >= 0 && c !== view.highlight)) continue;
        const px = OX + M.x[v] * S;
        const py = OY - M.y[v] * S;
        if (px < 0 || py < 0 || px > W || py > H) continue;
        tried++;
        const distances = labelDistances(M.r[v] * S, ratio);
        const around = distances[0] + M.meta.radiusMax * S + clearance;
        // Where a label of one letter's width is too crowded, this one is too: then it is not
        // even measured.
        if (verticesAround(view, px, py, around + size) > LABEL_CROWD) continue;
        let text = labelOf(M, v);
        if (text.length > LABEL_LENGTH) text = text.slice(0, LABEL_LENGTH - 1) + "\u2026";
        if (widths[v] < 0) widths[v] = ctx.measureText(text).width;
        const w = widths[v];
        // Every centre that could reach into a place, or lie as near an anchor as v's.
        const reach = Math.max(2 * distances[0] + 1, around + Math.max(w, size));
        if (!vertexNeighbours(view, v, px, py, reach, clearance, room)) continue;
        const box = placeLabel(px, py, distances, w, size, room);
        if (!box) continue;
        room.cells.take(room.cells.of(box.x, box.y, box.w, box.h));
        ctx.strokeText(text, box.x, box.y + size / 2);
        ctx.fillText(text, box.x, box.y + size / 2);
        view.labels.push({ v, text, ...box });
    }
}

// How many vertices the grid's cells within reach device pixels of (px, py) hold: as many as
// lie there, or more.
function verticesAround(view, px, py, reach) {
    const { S, OX, OY } = view.frame;
    let count = 0;
    const x0 = (px - reach - OX) / S;
    const y0 = (OY - py - reach) / S;
    eachRun(view.grid, x0, y0, x0 + (2 * reach) / S, y0 + (2 * reach) / S, (first, end) => {
        count += end - first;
    });
    return count;
}

// The labels' widths at this size (−1: not measured yet), kept while the size stays: text is
// slow to measure.
function labelWidths(view, size) {
    const kept = view.labelWidths;
    if (kept && kept.size === size) return kept.widths;
    const widths = new Float32Array(view.model.n).fill(-1);
    view.labelWidths = { size, widths };
    return widths;
}

// Into room.near, flat, the vertices other than v whose centres lie within reach device
// pixels of (px, py) on both axes: x, y and the radius of their disc widened by clearance (−1
// for a vertex not drawn, whose centre still counts for the anchors); the vertices looked at
// are taken from room.work. False (room left as it was) when the grid holds more than
// LABEL_CROWD vertices there.
function vertexNeighbours(view, v, px, py, reach, clearance, room) {
    const { S, OX, OY } = view.frame;
    const G = view.grid;
    const mode = view.mode;
    const count = verticesAround(view, px, py, reach);
    if (count > LABEL_CROWD) return false;
    room.work -= count;
    const x0 = (px - reach - OX) / S;
    const x1 = (px + reach - OX) / S;
    const y0 = (OY - py - reach) / S;
    const y1 = (OY - py + reach) / S;
    const near = room.near;
    near.length = 0;
    eachRun(G, x0, y0, x1, y1, (first, end) => {
        for (let k = first; k < end; k++) {
            if (G.gv[k] === v) continue;
            const qx = OX + G.gx[k] * S;
            const qy = OY - G.gy[k] * S;
            if (Math.abs(qx - px) > reach || Math.abs(qy - py) > reach) continue;
            near.push(qx, qy, mode[G.gc[k]] === 2 ? G.gr[k] * S + clearance : -1);
        }
    });
    return true;
}

// The first w × h box by (px, py) that fits, or null: every direction at the first distance,
// then at the next. room: the labels' cells, the vertices near (vertexNeighbours) and the
// work left, which it spends.
function placeLabel(px, py, distances, w, h, room) {
    for (const d of distances) {
        for (const [dx, dy] of LABEL_DIRECTIONS) {
            const box = labelBox(px, py, d, w, h, dx, dy);
            if (!room.cells.free(room.cells.of(box.x, box.y, box.w, box.h))) continue;
            room.work -= 1 + room.near.length / 3;
            if (clearOfVertices(box, d, room.near)) return box;
        }
    }
    return null;
}

// The w × h box whose anchor lies d from (px, py) in direction (dx, dy): the box meets the
// anchor with the side (or corner) that faces the vertex, so the anchor is its nearest point.
function labelBox(px, py, d, w, h, dx, dy) {
    const k = d / Math.hypot(dx, dy);
    const ax = px + dx * k;
    const ay = py + dy * k;
    return {
        x: dx > 0 ? ax : dx < 0 ? ax - w : ax - w / 2,
        y: dy > 0 ? ay : dy < 0 ? ay - h : ay - h / 2,
        w,
        h,
        ax,
        ay,
    };
}

// Whether box is clear of the discs near it (near as vertexNeighbours makes it), and every
// other centre farther from its anchor than its own vertex (d away) by half a pixel at
// least, so that rounding cannot make a neighbour the nearer.
function clearOfVertices(box, d, near) {
    const right = box.x + box.w;
    const bottom = box.y + box.h;
    const own = (d + 0.5) * (d + 0.5);
    for (let i = 0; i < near.length; i += 3) {
        const qx = near[i];
        const qy = near[i + 1];
        const disc = near[i + 2];
        const ax = qx - box.ax;
        const ay = qy - box.ay;
        if (ax * ax + ay * ay <= own) return false;
        if (disc < 0) continue;
        const dx = qx < box.x ? box.x - qx : qx > right ? qx - right : 0;
        const dy = qy < box.y ? box.y - qy : qy > bottom ? qy - bottom : 0;
        if (dx * dx + dy * dy <= disc * disc) return false;
    }
    return true;
}

// The vertex whose label holds (px, py), CSS pixels on the stage, or −1.
function labelAt(view, px, py) {
    if (view.picture !== "vertices" || !view.frame) return -1;
    const x = px * view.frame.ratio;
    const y = py * view.frame.ratio;
    for (const label of view.labels) {
        if (x >= label.x && x <= label.x + label.w && y >= label.y && y <= label.y + label.h)
            return label.v;
    }
    return -1;
}
