// The spatial index: a uniform grid over the vertices' extent, about two vertices a cell.
// Cells are numbered row by row, so the cells of one row inside a column range hold one run
// of the cell-ordered arrays gx, gy, gr (positions, radii), gc (community), gv (vertex);
// start[cell] is where a cell's run begins. It gives the vertices under the pointer and
// those on screen without a pass over all of them.

function buildGrid(M) {
    const n = M.n;
    const box = vertexBox(M);
    const width = Math.max(box.maxX - box.minX, 1e-9);
    const height = Math.max(box.maxY - box.minY, 1e-9);
    const side = Math.sqrt((width * height) / Math.max(1, n / 2));
    const cols = Math.min(2048, Math.max(1, Math.ceil(width / side)));
    const rows = Math.min(2048, Math.max(1, Math.ceil(height / side)));
    const G = {
        cols,
        rows,
        minX: box.minX,
        minY: box.minY,
        cellW: width / cols,
        cellH: height / rows,
        box,
        start: null,
        gv: null,
        gx: new Float32Array(n),
        gy: new Float32Array(n),
        gr: new Float32Array(n),
        gc: new Uint32Array(n),
    };
    sortIntoCells(M, G);
    for (let k = 0; k < n; k++) {
        const v = G.gv[k];
        G.gx[k] = M.x[v];
        G.gy[k] = M.y[v];
        G.gr[k] = M.r[v];
        G.gc[k] = M.comm[v];
    }
    return G;
}

// The box the vertices' discs cover, or [−1, 1]² when there are none.
function vertexBox(M) {
    let minX = Infinity;
    let minY = Infinity;
    let maxX = -Infinity;
    let maxY = -Infinity;
    for (let v = 0; v < M.n; v++) {
        minX = Math.min(minX, M.x[v] - M.r[v]);
        maxX = Math.max(maxX, M.x[v] + M.r[v]);
        minY = Math.min(minY, M.y[v] - M.r[v]);
        maxY = Math.max(maxY, M.y[v] + M.r[v]);
    }
    if (!(maxX >= minX && maxY >= minY)) {
        minX = minY = -1;
        maxX = maxY = 1;
    }
    return { minX, minY, maxX, maxY };
}

// G.start and G.gv: the vertices in cell order (a counting sort by cell).
function sortIntoCells(M, G) {
    const n = M.n;
    const cells = G.cols * G.rows;
    const cellOf = new Uint32Array(n);
    const start = new Uint32Array(cells + 1);
    for (let v = 0; v < n; v++) {
        const cell = cellIndex(G, M.x[v], M.y[v]);
        cellOf[v] = cell;
        start[cell + 1]++;
    }
    for (let k = 0; k < cells; k++) start[k + 1] += start[k];
    const next = start.slice(0, cells);
    G.gv = new Uint32Array(n);
    for (let v = 0; v < n; v++) G.gv[next[cellOf[v]]++] = v;
    G.start = start;
}

function column(G, x) {
    return Math.min(G.cols - 1, Math.max(0, Math.floor((x - G.minX) / G.cellW)));
}

function row(G, y) {
    return Math.min(G.rows - 1, Math.max(0, Math.floor((y - G.minY) / G.cellH)));
}

function cellIndex(G, x, y) {
    return row(G, y) * G.cols + column(G, x);
}

// Calls visit(first, end) for the runs of cell-ordered vertices whose cells meet the scene
// rectangle [x0, x1] × [y0, y1].
function eachRun(G, x0, y0, x1, y1, visit) {
    if (x1 < G.box.minX || x0 > G.box.maxX || y1 < G.box.minY || y0 > G.box.maxY) return;
    const c0 = column(G, x0);
    const c1 = column(G, x1);
    const r0 = row(G, y0);
    const r1 = row(G, y1);
    if (c0 === 0 && c1 === G.cols - 1) {
        visit(G.start[r0 * G.cols], G.start[(r1 + 1) * G.cols]);
        return;
    }
    for (let r = r0; r <= r1; r++) {
        visit(G.start[r * G.cols + c0], G.start[r * G.cols + c1 + 1]);
    }
}
