// The run's data, read once from the JSON block #quorvane-data (its format is described in
// export/html_page.cpp) into typed arrays: the model. Vertices are numbered by their place
// in the page (community by community); communities by their place in the log.

const ARRAY_TYPES = {
    u8: Uint8Array,
    u16: Uint16Array,
    u32: Uint32Array,
    i32: Int32Array,
    f32: Float32Array,
};

const BASE64_VALUE = new Uint8Array(128);
"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"
    .split("")
    .forEach((c, i) => {
        BASE64_VALUE[c.charCodeAt(0)] = i;
    });

function decodeBase64(text) {
    let end = text.length;
    while (end > 0 && text.charCodeAt(end - 1) === 61) end--;
    const bytes = new Uint8Array(Math.floor((end * 3) / 4));
    const whole = end - (end % 4);
    const v = (i) => BASE64_VALUE[text.charCodeAt(i)];
    let out = 0;
    let i = 0;
    for (; i < whole; i += 4) {
        const n = (v(i) << 18) | (v(i + 1) << 12) | (v(i + 2) << 6) | v(i + 3);
        bytes[out++] = n >>> 16;
        bytes[out++] = (n >>> 8) & 255;
        bytes[out++] = n & 255;
    }
    if (end - i >= 2) {
        const n = (v(i) << 18) | (v(i + 1) << 12) | (end - i === 3 ? v(i + 2) << 6 : 0);
        bytes[out++] = n >>> 16;
        if (end - i === 3) bytes[out++] = (n >>> 8) & 255;
    }
    return bytes;
}

function hexToRgb(hex) {
    const n = parseInt(hex.slice(1), 16);
    return [(n >> 16) & 255, (n >> 8) & 255, n & 255];
}

// The model, everything drawn: n vertices and c communities, the data block's arrays under
// their names (the id array as ids), positions and radii decoded (placeVertices), colours as
// [r, g, b], the drawn edges bucketed by style, and three tables made on first use (idIndex,
// labelOrder, lowerLabels). Nothing in it changes after reading but those tables.
function readModel() {
    const block = document.getElementById("quorvane-data");
    const data = JSON.parse(block.textContent);
    block.textContent = "";
    const a = {};
    for (const name of Object.keys(data.arrays)) {
        const [type, text] = data.arrays[name];
        a[name] = new ARRAY_TYPES[type](decodeBase64(text).buffer);
    }
    const meta = data;
    meta.arrays = null;
    const labels = meta.labels;
    meta.labels = null;
    const M = {
        meta,
        n: meta.vertices,
        c: meta.communities,
        ids: a.id,
        shell: a.shell,
        core: a.core,
        degree: a.degree,
        size: a.size,
        cx: a.cx,
        cy: a.cy,
        radius: a.radius,
        sphere: a.sphere,
        maxShell: a.maxShell,
        colour: a.colour,
        from: a.from,
        to: a.to,
        style: a.style,
        la: a.la,
        lb: a.lb,
        lw: a.lw,
        labels,
        start: null,
        comm: null,
        x: null,
        y: null,
        r: null,
        background: hexToRgb(meta.background),
        foreground: meta.foreground,
        palette: meta.colours.map(hexToRgb),
        edgeStyles: meta.edgeStyles.map(([hex, opacity]) => ({ rgb: hexToRgb(hex), opacity })),
        edgesByStyle: null,
        idIndex: null,
        labelOrder: null,
        lowerLabels: null,
    };
    placeVertices(M, a);
    M.edgesByStyle = bucketEdges(M);
    // file data {
    readFileData(M);
    // } file data
    return M;
}

// Positions and radii from their quantised form; the community of every vertex, and where
// each community's run of vertices starts.
function placeVertices(M, a) {
    const n = M.n;
    M.start = new Uint32Array(M.c + 1);
    for (let c = 0; c < M.c; c++) M.start[c + 1] = M.start[c] + M.size[c];
    M.comm = new Uint32Array(n);
    M.x = new Float32Array(n);
    M.y = new Float32Array(n);
    M.r = new Float32Array(n);
    const radiusStep = M.meta.radiusMax / 65535;
    for (let c = 0; c < M.c; c++) {
        const h = a.half[c];
        const step = (2 / 65535) * h;
        const left = M.cx[c] - h;
        const bottom = M.cy[c] - h;
        for (let v = M.start[c]; v < M.start[c + 1]; v++) {
            M.comm[v] = c;
            M.x[v] = left + a.x[v] * step;
            M.y[v] = bottom + a.y[v] * step;
            M.r[v] = a.r[v] * radiusStep;
        }
    }
}

// Drawn edges grouped by style, drawing order kept inside each group.
function bucketEdges(M) {
    const groups = M.edgeStyles.map(() => []);
    for (let e = 0; e < M.style.length; e++) groups[M.style[e]].push(e);
    return groups.map((list) => Uint32Array.from(list));
}

function labelOf(M, v) {
    const name = M.labels.length ? M.labels[v] : "";
    if (name) return name;
    return M.meta.idsAsLabels ? String(M.ids[v]) : "";
}

// The vertex with this id, or −1. The id table is made on first use.
function indexOfId(M, id) {
    const number = typeof id === "number" ? id : Number(String(id).trim());
    if (!Number.isInteger(number)) return -1;
    if (!M.idIndex) {
        M.idIndex = new Map();
        for (let v = 0; v < M.n; v++) M.idIndex.set(M.ids[v], v);
    }
    const v = M.idIndex.get(number);
    return v === undefined ? -1 : v;
}
