// The overlay layer: labels, placed where they overlap no other label, most connected
// vertices first, and the ring that marks the chosen vertex.

// Labels: tried and placed per frame at most, and the longest text drawn.
const LABEL_TRIES = 4000;
const LABEL_PLACED = 600;
const LABEL_LENGTH = 64;
// Up to this many vertices on screen, their labels are taken from the grid and ordered by
// degree; beyond it, the whole graph's degree order is walked.
const LABEL_LOCAL = 20000;

function drawOverlay(view) {
    const { W, H, S, OX, OY, ratio } = view.frame;
    const ctx = view.canvas.overlayCtx;
    const M = view.model;
    const selected = view.selected;
    ctx.clearRect(0, 0, W, H);
    if (M.meta.labelsShown) drawLabels(view);
    if (selected < 0) return;
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

// Labelled vertices by degree, largest first (a counting sort, made on first use).
function labelsByDegree(M) {
    if (M.labelOrder) return M.labelOrder;
    let largest = 0;
    for (let v = 0; v < M.n; v++) largest = Math.max(largest, M.degree[v]);
    const count = new Uint32Array(largest + 2);
    const list = [];
    for (let v = 0; v < M.n; v++) if (labelOf(M, v)) list.push(v);
    for (const v of list) count[largest - M.degree[v] + 1]++;
    for (let d = 0; d <= largest; d++) count[d + 1] += count[d];
    const order = new Uint32Array(list.length);
    for (const v of list) order[count[largest - M.degree[v]]++] = v;
    M.labelOrder = order;
    return order;
}

// Vertices whose labels may be drawn, in the order they are tried: when few vertices are
// drawn (in communities showing their members) or few lie on screen, those, ordered by
// degree; else the whole graph's degree order, walked until enough labels are placed.
function labelCandidates(view) {
    const M = view.model;
    const G = view.grid;
    const mode = view.mode;
    const byDegree = (a, b) => M.degree[b] - M.degree[a] || a - b;
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

// Labels go where they overlap no other label: beside the vertex, right, left, above or
// below, into the first free place.
function drawLabels(view) {
    const { W, H, S, OX, OY, ratio } = view.frame;
    const ctx = view.canvas.overlayCtx;
    const M = view.model;
    const size = Math.max(6, 12 * (M.meta.font || 1)) * ratio;
    ctx.font = `${size}px Verdana, "DejaVu Sans", sans-serif`;
    ctx.textBaseline = "middle";
    ctx.fillStyle = M.foreground;
    const cells = labelCells(view.frame);
    let tried = 0;
    let placed = 0;
    for (const v of labelCandidates(view)) {
        if (tried >= LABEL_TRIES || placed >= LABEL_PLACED) break;
        const c = M.comm[v];
        if (view.mode[c] !== 2 || (view.highlight >= 0 && c !== view.highlight)) continue;
        const px = OX + M.x[v] * S;
        const py = OY - M.y[v] * S;
        if (px < 0 || py < 0 || px > W || py > H) continue;
        tried++;
        let text = labelOf(M, v);
        if (text.length > LABEL_LENGTH) text = text.slice(0, LABEL_LENGTH - 1) + "\u2026";
        const w = ctx.measureText(text).width;
        const gap = 1.2 * M.r[v] * S + 2 * ratio;
        const places = [
            [px + gap, py - size / 2],
            [px - gap - w, py - size / 2],
            [px - w / 2, py - gap - size],
            [px - w / 2, py + gap],
        ];
        for (const [x, y] of places) {
            const box = cells.of(x, y, w, size);
            if (!cells.free(box)) continue;
            cells.take(box);
            ctx.fillText(text, x, y + size / 2);
            placed++;
            break;
        }
    }
}
