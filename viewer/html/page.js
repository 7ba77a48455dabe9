// The interactive page of a Quorvane run. It reads the run's results from the JSON block
// #quorvane-data (its format is described in export/html_page.cpp), draws the vertex
// picture or the community picture on three stacked canvases (edges; vertices and discs;
// labels and marks), and answers the pointer, the search box, the legend and the scripting
// handle window.quorvane.
//
// Scale: vertices are kept in typed arrays, and a uniform grid over the scene (vertices
// sorted by cell, positions copied in that order) gives the vertices under the pointer and
// those on screen. A community too small on screen to show its members is drawn as its
// disc; vertices smaller than a few pixels are blended straight into an image buffer, the
// larger ones drawn as paths, one per colour.
(function () {
    "use strict";

    const TAU = 2 * Math.PI;
    // Zoom limits, relative to the scale that fits the whole vertex picture.
    const ZOOM_OUT = 1 / 20;
    const ZOOM_IN = 5000;
    // Below this radius in device pixels a vertex is one blended pixel; below the next, a
    // small antialiased stamp; from there on a path.
    const PIXEL_RADIUS = 0.7;
    const STAMP_RADIUS = 2.5;
    // A community is drawn as its disc while its disc is smaller than this many device
    // pixels in radius, or while its members are denser than this many per square pixel.
    const DISC_RADIUS = 3;
    const DISC_DENSITY = 4;
    const LEGEND_ROWS = 300;
    const MATCHES = 20;
    // Labels: tried and placed per frame at most, and the longest text drawn.
    const LABEL_TRIES = 4000;
    const LABEL_PLACED = 600;
    const LABEL_LENGTH = 64;
    // Up to this many vertices on screen, their labels are taken from the grid and ordered
    // by degree; beyond it, the whole graph's degree order is walked.
    const LABEL_LOCAL = 20000;

    let resolveReady;
    let rejectReady;
    const ready = new Promise((resolve, reject) => {
        resolveReady = resolve;
        rejectReady = reject;
    });

    // ---- The data ----

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

    // Everything drawn, read once from the data block. Vertices are numbered by their place
    // in the page (community by community); communities by their place in the log.
    const M = {};

    function readData() {
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
        M.meta = meta;
        M.n = meta.vertices;
        M.c = meta.communities;
        M.ids = a.id;
        M.shell = a.shell;
        M.core = a.core;
        M.degree = a.degree;
        M.size = a.size;
        M.cx = a.cx;
        M.cy = a.cy;
        M.radius = a.radius;
        M.sphere = a.sphere;
        M.maxShell = a.maxShell;
        M.colour = a.colour;
        M.from = a.from;
        M.to = a.to;
        M.style = a.style;
        M.la = a.la;
        M.lb = a.lb;
        M.lw = a.lw;
        M.labels = meta.labels;
        meta.labels = null;
        placeVertices(a);
        M.background = hexToRgb(meta.background);
        M.foreground = meta.foreground;
        M.palette = meta.colours.map(hexToRgb);
        M.edgeStyles = meta.edgeStyles.map(([hex, opacity]) => ({ rgb: hexToRgb(hex), opacity }));
        M.edgesByStyle = bucketEdges();
    }

    // Positions and radii from their quantised form; the community of every vertex.
    function placeVertices(a) {
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
    function bucketEdges() {
        const groups = M.edgeStyles.map(() => []);
        for (let e = 0; e < M.style.length; e++) groups[M.style[e]].push(e);
        return groups.map((list) => Uint32Array.from(list));
    }

    function labelOf(v) {
        const name = M.labels.length ? M.labels[v] : "";
        if (name) return name;
        return M.meta.idsAsLabels ? String(M.ids[v]) : "";
    }

    let idIndex = null;

    // The vertex with this id, or −1. The id table is made on first use.
    function indexOfId(id) {
        const number = typeof id === "number" ? id : Number(String(id).trim());
        if (!Number.isInteger(number)) return -1;
        if (!idIndex) {
            idIndex = new Map();
            for (let v = 0; v < M.n; v++) idIndex.set(M.ids[v], v);
        }
        const v = idIndex.get(number);
        return v === undefined ? -1 : v;
    }

    // ---- The spatial index ----

    // A uniform grid over the vertices' extent, about two vertices a cell. Cells are
    // numbered row by row, so the cells of one row inside a column range hold one run of
    // the cell-ordered arrays gx, gy, gr (positions, radii), gc (community), gv (vertex).
    const G = {};

    function buildGrid() {
        const n = M.n;
        let minX = Infinity;
        let minY = Infinity;
        let maxX = -Infinity;
        let maxY = -Infinity;
        for (let v = 0; v < n; v++) {
            minX = Math.min(minX, M.x[v] - M.r[v]);
            maxX = Math.max(maxX, M.x[v] + M.r[v]);
            minY = Math.min(minY, M.y[v] - M.r[v]);
            maxY = Math.max(maxY, M.y[v] + M.r[v]);
        }
        if (!(maxX >= minX && maxY >= minY)) {
            minX = minY = -1;
            maxX = maxY = 1;
        }
        const width = Math.max(maxX - minX, 1e-9);
        const height = Math.max(maxY - minY, 1e-9);
        const side = Math.sqrt((width * height) / Math.max(1, n / 2));
        G.cols = Math.min(2048, Math.max(1, Math.ceil(width / side)));
        G.rows = Math.min(2048, Math.max(1, Math.ceil(height / side)));
        G.minX = minX;
        G.minY = minY;
        G.cellW = width / G.cols;
        G.cellH = height / G.rows;
        G.box = { minX, minY, maxX, maxY };

        const cells = G.cols * G.rows;
        const cellOf = new Uint32Array(n);
        const start = new Uint32Array(cells + 1);
        for (let v = 0; v < n; v++) {
            const cell = cellIndex(M.x[v], M.y[v]);
            cellOf[v] = cell;
            start[cell + 1]++;
        }
        for (let k = 0; k < cells; k++) start[k + 1] += start[k];
        const next = start.slice(0, cells);
        G.gv = new Uint32Array(n);
        for (let v = 0; v < n; v++) G.gv[next[cellOf[v]]++] = v;
        G.start = start;
        G.gx = new Float32Array(n);
        G.gy = new Float32Array(n);
        G.gr = new Float32Array(n);
        G.gc = new Uint32Array(n);
        for (let k = 0; k < n; k++) {
            const v = G.gv[k];
            G.gx[k] = M.x[v];
            G.gy[k] = M.y[v];
            G.gr[k] = M.r[v];
            G.gc[k] = M.comm[v];
        }
    }

    function column(x) {
        return Math.min(G.cols - 1, Math.max(0, Math.floor((x - G.minX) / G.cellW)));
    }

    function row(y) {
        return Math.min(G.rows - 1, Math.max(0, Math.floor((y - G.minY) / G.cellH)));
    }

    function cellIndex(x, y) {
        return row(y) * G.cols + column(x);
    }

    // Calls visit(first, end) for the runs of cell-ordered vertices whose cells meet the
    // scene rectangle [x0, x1] × [y0, y1].
    function eachRun(x0, y0, x1, y1, visit) {
        if (x1 < G.box.minX || x0 > G.box.maxX || y1 < G.box.minY || y0 > G.box.maxY) return;
        const c0 = column(x0);
        const c1 = column(x1);
        const r0 = row(y0);
        const r1 = row(y1);
        if (c0 === 0 && c1 === G.cols - 1) {
            visit(G.start[r0 * G.cols], G.start[(r1 + 1) * G.cols]);
            return;
        }
        for (let r = r0; r <= r1; r++) {
            visit(G.start[r * G.cols + c0], G.start[r * G.cols + c1 + 1]);
        }
    }

    // ---- Looks ----

    let highlight = -1; // the community the legend picked, or −1
    // Per community: its colour as packed image bytes (0xBBGGRR) and its fill style's
    // index in styleCss (two per palette colour: plain and dimmed).
    let communityPixel = null;
    let communityStyle = null;
    let styleCss = [];
    let stylePixel = [];

    function mix(rgb, t) {
        return rgb.map((value, k) => Math.round(value * t + M.background[k] * (1 - t)));
    }

    function css(rgb, alpha) {
        return alpha === undefined
            ? `rgb(${rgb[0]},${rgb[1]},${rgb[2]})`
            : `rgba(${rgb[0]},${rgb[1]},${rgb[2]},${alpha})`;
    }

    function updateStyles() {
        styleCss = [];
        stylePixel = [];
        for (const rgb of M.palette) {
            for (const shade of [rgb, mix(rgb, 0.18)]) {
                styleCss.push(css(shade));
                stylePixel.push((shade[2] << 16) | (shade[1] << 8) | shade[0]);
            }
        }
        communityPixel = communityPixel || new Uint32Array(M.c);
        communityStyle = communityStyle || new Uint32Array(M.c);
        for (let c = 0; c < M.c; c++) {
            const style = 2 * M.colour[c] + (highlight >= 0 && c !== highlight ? 1 : 0);
            communityStyle[c] = style;
            communityPixel[c] = stylePixel[style];
        }
    }

    // ---- The view ----

    // Screen position (CSS pixels from the stage's corner) of scene point (x, y):
    // (ox + x·s, oy − y·s); y grows upwards in the scene, as in the scene files.
    const view = { s: 1, ox: 0, oy: 0 };
    let fitScale = 1;
    let picture = "vertices";
    let edgesShown = true;
    let animation = null;

    const stage = document.getElementById("stage");
    const toolbar = document.getElementById("toolbar");
    const side = document.getElementById("side");
    const tooltipBox = document.getElementById("tooltip");
    const searchBox = document.getElementById("search");
    const matchList = document.getElementById("matches");
    const pictureButton = document.getElementById("picture");
    const edgesBox = document.getElementById("edges-shown");
    const layers = ["edge-layer", "vertex-layer", "overlay-layer"].map((id) =>
        document.getElementById(id)
    );
    const edgeCtx = layers[0].getContext("2d");
    const vertexCtx = layers[1].getContext("2d");
    const overlayCtx = layers[2].getContext("2d");

    // The part of the stage that no panel covers, where fitting and centring aim.
    function freeArea() {
        const width = stage.clientWidth;
        const height = stage.clientHeight;
        const area = { left: 0, top: 0, right: width, bottom: height };
        const bar = toolbar.getBoundingClientRect();
        if (bar.height > 0) area.top = Math.min(height, bar.bottom);
        const panel = side.getBoundingClientRect();
        if (panel.width > 0) area.right = Math.max(0, panel.left);
        if (area.right - area.left < 120 || area.bottom - area.top < 120)
            return { left: 0, top: 0, right: width, bottom: height };
        return area;
    }

    function clampScale(s) {
        return Math.min(fitScale * ZOOM_IN, Math.max(fitScale * ZOOM_OUT, s));
    }

    // The scale that shows box (scene units) whole in the free area.
    function scaleFitting(box) {
        const area = freeArea();
        const margin = 12;
        const width = Math.max(1, area.right - area.left - 2 * margin);
        const height = Math.max(1, area.bottom - area.top - 2 * margin);
        const boxWidth = Math.max(box.maxX - box.minX, 1e-9);
        const boxHeight = Math.max(box.maxY - box.minY, 1e-9);
        return Math.min(width / boxWidth, height / boxHeight);
    }

    // The view with scale s and scene point (x, y) in the middle of the free area.
    function viewCentring(x, y, s) {
        const area = freeArea();
        return {
            s,
            ox: (area.left + area.right) / 2 - x * s,
            oy: (area.top + area.bottom) / 2 + y * s,
        };
    }

    function communityBox() {
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

    function fit(animate) {
        const box = picture === "vertices" ? G.box : communityBox();
        const s = clampScale(scaleFitting(box));
        setView(viewCentring((box.minX + box.maxX) / 2, (box.minY + box.maxY) / 2, s), animate);
    }

    // The scene point in the middle of the free area under view v.
    function sceneCentreOf(v) {
        const area = freeArea();
        return [
            ((area.left + area.right) / 2 - v.ox) / v.s,
            (v.oy - (area.top + area.bottom) / 2) / v.s,
        ];
    }

    // Moves the view at once (calls through window.quorvane, and drags), or over a quarter
    // of a second (the user's double-click, search and legend choices).
    function setView(target, animate) {
        if (!animate) {
            animation = null;
            Object.assign(view, target);
            drawNow();
            return;
        }
        animation = {
            from: { s: view.s, centre: sceneCentreOf(view) },
            to: { s: target.s, centre: sceneCentreOf(target) },
            begin: performance.now(),
        };
        requestFrame();
    }

    function stepAnimation(now) {
        const t = Math.min(1, (now - animation.begin) / 250);
        const ease = t * t * (3 - 2 * t);
        const { from, to } = animation;
        const s = from.s * Math.pow(to.s / from.s, ease);
        const x = from.centre[0] + (to.centre[0] - from.centre[0]) * ease;
        const y = from.centre[1] + (to.centre[1] - from.centre[1]) * ease;
        Object.assign(view, viewCentring(x, y, s));
        if (t >= 1) animation = null;
    }

    function zoomAt(px, py, factor) {
        const s = clampScale(view.s * factor);
        const k = s / view.s;
        view.ox = px - (px - view.ox) * k;
        view.oy = py - (py - view.oy) * k;
        view.s = s;
        requestFrame();
    }

    // ---- Drawing ----

    let frameRequested = false;
    let pixels = null; // the vertex layer's image, as packed 0xAABBGGRR
    let image = null;
    let mode = null; // per community: 0 off screen, 1 drawn as its disc, 2 as its vertices
    let frame = null;

    function resizeLayers() {
        const ratio = window.devicePixelRatio || 1;
        const width = Math.max(1, Math.round(stage.clientWidth * ratio));
        const height = Math.max(1, Math.round(stage.clientHeight * ratio));
        for (const layer of layers) {
            layer.width = width;
            layer.height = height;
        }
        image = vertexCtx.createImageData(width, height);
        pixels = new Uint32Array(image.data.buffer);
    }

    function requestFrame() {
        if (frameRequested) return;
        frameRequested = true;
        requestAnimationFrame((now) => {
            frameRequested = false;
            if (animation) {
                stepAnimation(now);
                if (animation) requestFrame();
            }
            drawNow();
            // The view moved under a still pointer: what it points at may have changed.
            if (pointer && !dragging) hoverAt(pointer.x, pointer.y);
        });
    }

    function drawNow() {
        const ratio = layers[0].width / Math.max(1, stage.clientWidth);
        frame = {
            W: layers[0].width,
            H: layers[0].height,
            ratio,
            S: view.s * ratio,
            OX: view.ox * ratio,
            OY: view.oy * ratio,
            pixelsUsed: false,
        };
        if (picture === "vertices") {
            drawEdges();
            drawVertices();
            drawOverlay();
        } else {
            edgeCtx.clearRect(0, 0, frame.W, frame.H);
            drawCommunities();
            overlayCtx.clearRect(0, 0, frame.W, frame.H);
        }
        placeTooltip();
    }

    // "Over" blending of colour rgb (0xBBGGRR) with coverage alpha into pixel i.
    function blend(i, rgb, alpha) {
        const below = pixels[i];
        const belowAlpha = below >>> 24;
        if (alpha >= 1 || belowAlpha === 0) {
            pixels[i] = (((Math.min(1, alpha) * 255 + 0.5) << 24) | rgb) >>> 0;
            return;
        }
        const kept = (belowAlpha / 255) * (1 - alpha);
        const total = alpha + kept;
        const a = alpha / total;
        const b = kept / total;
        const red = (rgb & 255) * a + (below & 255) * b;
        const green = ((rgb >>> 8) & 255) * a + ((below >>> 8) & 255) * b;
        const blue = ((rgb >>> 16) & 255) * a + ((below >>> 16) & 255) * b;
        pixels[i] =
            (((total * 255 + 0.5) << 24) |
                ((blue + 0.5) << 16) |
                ((green + 0.5) << 8) |
                (red + 0.5)) >>>
            0;
    }

    function usePixels() {
        if (!frame.pixelsUsed) {
            pixels.fill(0);
            frame.pixelsUsed = true;
        }
    }

    // A disc of radius r (device pixels) at (px, py) into the image: one pixel weighted by
    // its area when tiny, else every pixel by how much of it the disc covers.
    function stamp(px, py, r, rgb) {
        const W = frame.W;
        const H = frame.H;
        if (r < PIXEL_RADIUS) {
            const ix = Math.floor(px);
            const iy = Math.floor(py);
            if (ix >= 0 && iy >= 0 && ix < W && iy < H) blend(iy * W + ix, rgb, Math.PI * r * r);
            return;
        }
        const x0 = Math.max(0, Math.floor(px - r));
        const x1 = Math.min(W - 1, Math.floor(px + r));
        const y0 = Math.max(0, Math.floor(py - r));
        const y1 = Math.min(H - 1, Math.floor(py + r));
        for (let iy = y0; iy <= y1; iy++) {
            const dy = iy + 0.5 - py;
            for (let ix = x0; ix <= x1; ix++) {
                const dx = ix + 0.5 - px;
                const cover = r + 0.5 - Math.sqrt(dx * dx + dy * dy);
                if (cover > 0) blend(iy * W + ix, rgb, Math.min(1, cover));
            }
        }
    }

    // The scene rectangle on screen, widened by the largest vertex radius.
    function visibleScene() {
        const reach = M.meta.radiusMax;
        return {
            x0: -frame.OX / frame.S - reach,
            x1: (frame.W - frame.OX) / frame.S + reach,
            y0: (frame.OY - frame.H) / frame.S - reach,
            y1: frame.OY / frame.S + reach,
        };
    }

    function drawVertices() {
        const { W, H, S, OX, OY } = frame;
        vertexCtx.clearRect(0, 0, W, H);
        if (!mode || mode.length !== M.c) mode = new Uint8Array(M.c);
        const paths = new Array(styleCss.length).fill(null);
        const pathOf = (style) => paths[style] || (paths[style] = new Path2D());
        const reach = M.meta.radiusMax * S;

        for (let c = 0; c < M.c; c++) {
            const px = OX + M.cx[c] * S;
            const py = OY - M.cy[c] * S;
            const rp = M.radius[c] * S;
            const extent = rp + reach + 1;
            const outside =
                px + extent < 0 || px - extent > W || py + extent < 0 || py - extent > H;
            if (M.size[c] === 0 || outside) {
                mode[c] = 0;
            } else if (rp < DISC_RADIUS || M.size[c] > DISC_DENSITY * Math.PI * rp * rp) {
                mode[c] = 1;
                if (rp < STAMP_RADIUS) {
                    usePixels();
                    stamp(px, py, Math.max(rp, 0.5), communityPixel[c]);
                } else {
                    const path = pathOf(communityStyle[c]);
                    path.moveTo(px + rp, py);
                    path.arc(px, py, rp, 0, TAU);
                }
            } else {
                mode[c] = 2;
            }
        }

        const { x0, y0, x1, y1 } = visibleScene();
        eachRun(x0, y0, x1, y1, (first, end) => {
            for (let k = first; k < end; k++) {
                const c = G.gc[k];
                if (mode[c] !== 2) continue;
                const px = OX + G.gx[k] * S;
                const py = OY - G.gy[k] * S;
                const rp = G.gr[k] * S;
                if (px + rp < 0 || px - rp > W || py + rp < 0 || py - rp > H) continue;
                if (rp < STAMP_RADIUS) {
                    usePixels();
                    stamp(px, py, rp, communityPixel[c]);
                } else {
                    const path = pathOf(communityStyle[c]);
                    path.moveTo(px + rp, py);
                    path.arc(px, py, rp, 0, TAU);
                }
            }
        });
        if (frame.pixelsUsed) vertexCtx.putImageData(image, 0, 0);
        for (let style = 0; style < paths.length; style++) {
            if (!paths[style]) continue;
            vertexCtx.fillStyle = styleCss[style];
            vertexCtx.fill(paths[style]);
        }
    }

    // Lines thinner than a pixel are drawn one pixel wide and fainter, as they would cover
    // that part of a pixel (but no fainter than a quarter, so a sample stays visible).
    function lineLook(widthInScene) {
        const width = widthInScene * frame.S;
        return width >= 1 ? { width, fade: 1 } : { width: 1, fade: Math.max(width, 0.25) };
    }

    function drawEdges() {
        const { W, H, S, OX, OY } = frame;
        edgeCtx.clearRect(0, 0, W, H);
        if (!edgesShown || M.style.length === 0) return;
        const look = lineLook(M.meta.edgeWidth);
        edgeCtx.lineWidth = look.width;
        M.edgesByStyle.forEach((edges, style) => {
            const { rgb, opacity } = M.edgeStyles[style];
            for (const dimmed of highlight >= 0 ? [true, false] : [false]) {
                edgeCtx.beginPath();
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
                    edgeCtx.moveTo(x1, y1);
                    edgeCtx.lineTo(x2, y2);
                    any = true;
                }
                if (!any) continue;
                edgeCtx.strokeStyle = css(rgb, opacity * look.fade * (dimmed ? 0.15 : 1));
                edgeCtx.stroke();
            }
        });
    }

    // The community picture: links as lines as wide as their cut, then the discs.
    function drawCommunities() {
        const { W, H, S, OX, OY, ratio } = frame;
        vertexCtx.clearRect(0, 0, W, H);
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
            const look = lineLook(2 * M.lw[k] * M.meta.scale);
            const dimmed = highlight >= 0 && a !== highlight && b !== highlight;
            // Widths rounded to quarter pixels share one path.
            const key = `${Math.round(look.width * 4)}|${look.fade.toFixed(2)}|${dimmed}`;
            let group = byWidth.get(key);
            if (!group) byWidth.set(key, (group = { look, dimmed, path: new Path2D() }));
            group.path.moveTo(x1, y1);
            group.path.lineTo(x2, y2);
        }
        for (const { look, dimmed, path } of byWidth.values()) {
            vertexCtx.lineWidth = look.width;
            vertexCtx.strokeStyle = css(linkRgb, M.meta.opacity * look.fade * (dimmed ? 0.15 : 1));
            vertexCtx.stroke(path);
        }
        const paths = new Array(styleCss.length).fill(null);
        for (let c = 0; c < M.c; c++) {
            const rp = Math.max(M.sphere[c] * S, 2 * ratio);
            const px = OX + M.cx[c] * S;
            const py = OY - M.cy[c] * S;
            if (px + rp < 0 || px - rp > W || py + rp < 0 || py - rp > H) continue;
            const style = communityStyle[c];
            const path = paths[style] || (paths[style] = new Path2D());
            path.moveTo(px + rp, py);
            path.arc(px, py, rp, 0, TAU);
        }
        paths.forEach((path, style) => {
            if (!path) return;
            vertexCtx.fillStyle = styleCss[style];
            vertexCtx.fill(path);
        });
    }

    // ---- Labels and marks ----

    let labelOrder = null;

    // Labelled vertices by degree, largest first (a counting sort, made on first use).
    function labelsByDegree() {
        if (labelOrder) return labelOrder;
        let largest = 0;
        for (let v = 0; v < M.n; v++) largest = Math.max(largest, M.degree[v]);
        const count = new Uint32Array(largest + 2);
        const list = [];
        for (let v = 0; v < M.n; v++) if (labelOf(v)) list.push(v);
        for (const v of list) count[largest - M.degree[v] + 1]++;
        for (let d = 0; d <= largest; d++) count[d + 1] += count[d];
        labelOrder = new Uint32Array(list.length);
        for (const v of list) labelOrder[count[largest - M.degree[v]]++] = v;
        return labelOrder;
    }

    // Vertices whose labels may be drawn, in the order they are tried: when few vertices are
    // drawn (in communities showing their members) or few lie on screen, those, ordered by
    // degree; else the whole graph's degree order, walked until enough labels are placed.
    function labelCandidates() {
        const byDegree = (a, b) => M.degree[b] - M.degree[a] || a - b;
        let drawn = 0;
        for (let c = 0; c < M.c; c++) if (mode[c] === 2) drawn += M.size[c];
        if (drawn === 0) return [];
        if (drawn <= LABEL_LOCAL) {
            const list = [];
            for (let c = 0; c < M.c; c++) {
                if (mode[c] !== 2) continue;
                for (let v = M.start[c]; v < M.start[c + 1]; v++) if (labelOf(v)) list.push(v);
            }
            return list.sort(byDegree);
        }
        const { x0, y0, x1, y1 } = visibleScene();
        let onScreen = 0;
        eachRun(x0, y0, x1, y1, (first, end) => {
            onScreen += end - first;
        });
        if (onScreen > LABEL_LOCAL) return labelsByDegree();
        const list = [];
        eachRun(x0, y0, x1, y1, (first, end) => {
            for (let k = first; k < end; k++) if (mode[G.gc[k]] === 2) list.push(G.gv[k]);
        });
        return list.filter((v) => labelOf(v)).sort(byDegree);
    }

    // Labels go where they overlap no other label: beside the vertex, right, left, above or
    // below, into the first free place. The screen is cut into 4-pixel cells for the test.
    function drawLabels() {
        const { W, H, S, OX, OY, ratio } = frame;
        const ctx = overlayCtx;
        const size = Math.max(6, 12 * (M.meta.font || 1)) * ratio;
        ctx.font = `${size}px Verdana, "DejaVu Sans", sans-serif`;
        ctx.textBaseline = "middle";
        ctx.fillStyle = M.foreground;
        const cell = 4 * ratio;
        const cols = Math.ceil(W / cell);
        const rows = Math.ceil(H / cell);
        const taken = new Uint8Array(cols * rows);
        const cellsOf = (x, y, w, h) => [
            Math.floor(x / cell),
            Math.floor(y / cell),
            Math.floor((x + w) / cell),
            Math.floor((y + h) / cell),
        ];
        const free = ([left, top, right, bottom]) => {
            if (left < 0 || top < 0 || right >= cols || bottom >= rows) return false;
            for (let j = top; j <= bottom; j++)
                for (let i = left; i <= right; i++) if (taken[j * cols + i]) return false;
            return true;
        };
        const take = ([left, top, right, bottom]) => {
            for (let j = top; j <= bottom; j++) {
                taken.fill(1, j * cols + left, j * cols + right + 1);
            }
        };
        let tried = 0;
        let placed = 0;
        for (const v of labelCandidates()) {
            if (tried >= LABEL_TRIES || placed >= LABEL_PLACED) break;
            const c = M.comm[v];
            if (mode[c] !== 2 || (highlight >= 0 && c !== highlight)) continue;
            const px = OX + M.x[v] * S;
            const py = OY - M.y[v] * S;
            if (px < 0 || py < 0 || px > W || py > H) continue;
            tried++;
            let text = labelOf(v);
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
                const cells = cellsOf(x, y, w, size);
                if (!free(cells)) continue;
                take(cells);
                ctx.fillText(text, x, y + size / 2);
                placed++;
                break;
            }
        }
    }

    function drawOverlay() {
        const { W, H, S, OX, OY, ratio } = frame;
        overlayCtx.clearRect(0, 0, W, H);
        if (M.meta.labelsShown) drawLabels();
        if (selected < 0) return;
        const px = OX + M.x[selected] * S;
        const py = OY - M.y[selected] * S;
        const ring = Math.max(M.r[selected] * S + 4 * ratio, 8 * ratio);
        overlayCtx.lineWidth = 2 * ratio;
        for (const [colour, extra] of [
            [css(M.background), 2 * ratio],
            [M.foreground, 0],
        ]) {
            overlayCtx.strokeStyle = colour;
            overlayCtx.beginPath();
            overlayCtx.arc(px, py, ring + extra, 0, TAU);
            overlayCtx.stroke();
        }
    }

    // ---- Pointing ----

    let selected = -1; // the chosen vertex, or −1
    let hovered = null; // { vertex } or { community } under the pointer, or null
    let pointer = null; // where the pointer hovers, in CSS pixels

    // The drawn vertex under (px, py) CSS pixels, or −1: the nearest centre among those
    // whose disc, widened by 4 pixels, holds the point.
    function vertexAt(px, py) {
        if (picture !== "vertices" || !mode) return -1;
        const x = (px - view.ox) / view.s;
        const y = (view.oy - py) / view.s;
        const slack = 4 / view.s;
        const reach = M.meta.radiusMax + slack;
        let best = -1;
        let bestDistance = Infinity;
        eachRun(x - reach, y - reach, x + reach, y + reach, (first, end) => {
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

    // The community whose disc (in the community picture) or whose drawn disc (in the
    // vertex picture, where its members are not drawn) holds (px, py), or −1.
    function communityAt(px, py) {
        const x = (px - view.ox) / view.s;
        const y = (view.oy - py) / view.s;
        let best = -1;
        let bestDistance = Infinity;
        for (let c = 0; c < M.c; c++) {
            let r;
            if (picture === "communities") r = Math.max(M.sphere[c], 2 / view.s);
            else if (mode && mode[c] === 1) r = Math.max(M.radius[c], 0.5 / view.s);
            else continue;
            const d = Math.hypot(M.cx[c] - x, M.cy[c] - y);
            if (d <= r + 2 / view.s && d < bestDistance) {
                bestDistance = d;
                best = c;
            }
        }
        return best;
    }

    function hoverAt(px, py) {
        pointer = { x: px, y: py };
        const v = vertexAt(px, py);
        if (v >= 0) hovered = { vertex: v };
        else {
            const c = communityAt(px, py);
            hovered = c >= 0 ? { community: c } : null;
        }
        placeTooltip();
    }

    function click(px, py) {
        if (picture === "communities") {
            const c = communityAt(px, py);
            if (c >= 0) showCommunity(c, true);
            return;
        }
        const v = vertexAt(px, py);
        if (v >= 0) {
            selected = v;
            hovered = { vertex: v };
            pointer = { x: px, y: py };
            drawNow();
            return;
        }
        const c = communityAt(px, py);
        if (c >= 0) {
            showCommunity(c, true);
            return;
        }
        selected = -1;
        hovered = null;
        drawNow();
    }

    // ---- The tooltip ----

    let tooltipText = null;

    // "1 vertex", "12,345 vertices".
    function counted(n, one, many) {
        return `${n.toLocaleString("en-US")} ${n === 1 ? one : many}`;
    }

    function vertexLines(v) {
        const c = M.comm[v];
        const lines = [];
        const name = M.labels.length ? M.labels[v] : "";
        if (name) lines.push(name);
        lines.push(`id ${M.ids[v]}`);
        lines.push(`community ${c + 1} (${counted(M.size[c], "vertex", "vertices")})`);
        lines.push(`shell ${M.shell[v]} \u00b7 coreness ${M.core[v]} \u00b7 degree ${M.degree[v]}`);
        return lines;
    }

    function communityLines(c) {
        return [
            `community ${c + 1}`,
            counted(M.size[c], "vertex", "vertices"),
            `top shell ${M.maxShell[c]}`,
        ];
    }

    // Shows what is under the pointer, else the chosen vertex beside it, else nothing.
    // Text only: every line goes in as a text node, never as markup.
    function placeTooltip() {
        let lines = null;
        let at = null;
        if (hovered && pointer && !dragging) {
            lines =
                hovered.vertex !== undefined
                    ? vertexLines(hovered.vertex)
                    : communityLines(hovered.community);
            at = pointer;
        } else if (selected >= 0 && picture === "vertices") {
            const x = view.ox + M.x[selected] * view.s;
            const y = view.oy - M.y[selected] * view.s;
            if (x >= 0 && y >= 0 && x <= stage.clientWidth && y <= stage.clientHeight) {
                lines = vertexLines(selected);
                at = { x, y };
            }
        }
        if (!lines) {
            tooltipBox.hidden = true;
            tooltipText = null;
            return;
        }
        const text = lines.join("\n");
        if (text !== tooltipText || tooltipBox.hidden) {
            tooltipBox.replaceChildren(
                ...lines.map((line, k) => {
                    const div = document.createElement("div");
                    if (k === 0) div.className = "title";
                    div.textContent = line;
                    return div;
                })
            );
            tooltipText = text;
            tooltipBox.hidden = false;
        }
        const offset = 14;
        const width = tooltipBox.offsetWidth;
        const height = tooltipBox.offsetHeight;
        let left = at.x + offset;
        let top = at.y + offset;
        if (left + width > window.innerWidth) left = Math.max(0, at.x - offset - width);
        if (top + height > window.innerHeight) top = Math.max(0, at.y - offset - height);
        tooltipBox.style.left = `${left}px`;
        tooltipBox.style.top = `${top}px`;
    }

    // ---- Choosing ----

    // Centres vertex v, at a scale where its community shows its members and the vertex is
    // a few pixels wide (never zooming out), marks it and opens its tooltip.
    function choose(v, animate) {
        setPicture("vertices");
        selected = v;
        hovered = null;
        pointer = null;
        const area = freeArea();
        const room = Math.min(area.right - area.left, area.bottom - area.top);
        const c = M.comm[v];
        const radius = Math.max(M.radius[c], 1e-9);
        // Device pixels the community's disc needs to show its members, with room to spare.
        const members =
            1.5 * Math.max(DISC_RADIUS, Math.sqrt(M.size[c] / (DISC_DENSITY * Math.PI)));
        const wanted = Math.max(
            view.s,
            (0.3 * room) / radius,
            members / (window.devicePixelRatio || 1) / radius,
            3 / Math.max(M.r[v], 1e-9)
        );
        setView(viewCentring(M.x[v], M.y[v], clampScale(wanted)), animate);
        if (animate) drawNow();
    }

    // Shows the vertex picture with community c filling about two thirds of the free area.
    function showCommunity(c, animate) {
        setPicture("vertices");
        hovered = null;
        pointer = null;
        const area = freeArea();
        const room = Math.min(area.right - area.left, area.bottom - area.top);
        const s = clampScale((0.35 * room) / Math.max(M.radius[c], 1e-9));
        setView(viewCentring(M.cx[c], M.cy[c], s), animate);
    }

    function setPicture(name) {
        if (name !== "vertices" && name !== "communities") return false;
        picture = name;
        pictureButton.textContent = name === "vertices" ? "Communities" : "Vertices";
        pictureButton.setAttribute("aria-pressed", String(name === "communities"));
        return true;
    }

    // ---- Search ----

    let lowerLabels = null;

    // Matches of text as vertices: the vertex with that id, then those whose label is the
    // text, then those whose label starts with it (labels compared case-insensitively),
    // each group by ascending id, at most 20 in all.
    function findMatches(text) {
        const query = String(text).trim();
        if (!query) return [];
        const found = [];
        const byId = /^[+-]?\d+$/.test(query) ? indexOfId(Number(query)) : -1;
        if (byId >= 0) found.push(byId);
        if (M.labels.length) {
            if (!lowerLabels) lowerLabels = M.labels.map((label) => label.toLowerCase());
            const q = query.toLowerCase();
            const exact = [];
            const prefix = [];
            for (let v = 0; v < M.n; v++) {
                const label = lowerLabels[v];
                if (v === byId || !label.startsWith(q)) continue;
                keepSmallest(label.length === q.length ? exact : prefix, v);
            }
            found.push(...exact, ...prefix);
        }
        return found.slice(0, MATCHES);
    }

    // Keeps list the 20 vertices of smallest id seen, in ascending id.
    function keepSmallest(list, v) {
        const id = M.ids[v];
        if (list.length === MATCHES && id >= M.ids[list[MATCHES - 1]]) return;
        let k = list.length === MATCHES ? MATCHES - 1 : list.length;
        while (k > 0 && M.ids[list[k - 1]] > id) {
            list[k] = list[k - 1];
            k--;
        }
        list[k] = v;
    }

    let matches = [];
    let current = -1;

    function showMatches(list) {
        matches = list;
        current = list.length ? 0 : -1;
        matchList.replaceChildren(
            ...list.map((v, k) => {
                const item = document.createElement("li");
                item.setAttribute("role", "option");
                const label = labelOf(v);
                item.append(label ? `${label} ` : "");
                const id = document.createElement("span");
                id.className = "id";
                id.textContent = `id ${M.ids[v]}`;
                item.append(id);
                item.addEventListener("mousedown", (event) => {
                    event.preventDefault();
                    pick(k);
                });
                return item;
            })
        );
        matchList.hidden = list.length === 0 && !searchBox.value.trim();
        if (list.length === 0 && searchBox.value.trim()) {
            const none = document.createElement("li");
            none.textContent = "No match";
            matchList.replaceChildren(none);
        }
        markCurrent();
    }

    function markCurrent() {
        [...matchList.children].forEach((item, k) => {
            item.classList.toggle("current", k === current);
        });
    }

    function pick(k) {
        if (k < 0 || k >= matches.length) return;
        matchList.hidden = true;
        choose(matches[k], true);
    }

    let searchTimer = 0;

    function wireSearch() {
        searchBox.addEventListener("input", () => {
            clearTimeout(searchTimer);
            searchTimer = setTimeout(() => showMatches(findMatches(searchBox.value)), 120);
        });
        searchBox.addEventListener("keydown", (event) => {
            if (event.key === "Enter") {
                clearTimeout(searchTimer);
                if (matchList.hidden || matches.length === 0) {
                    showMatches(findMatches(searchBox.value));
                }
                pick(Math.max(0, current));
            } else if (event.key === "ArrowDown" || event.key === "ArrowUp") {
                event.preventDefault();
                if (matches.length === 0) return;
                const step = event.key === "ArrowDown" ? 1 : -1;
                current = (current + step + matches.length) % matches.length;
                markCurrent();
            } else if (event.key === "Escape") {
                matchList.hidden = true;
            }
        });
        searchBox.addEventListener("blur", () => {
            matchList.hidden = true;
        });
    }

    // ---- Legend and key ----

    const legendRows = new Map(); // community → its row

    function toggleHighlight(c) {
        highlight = highlight === c ? -1 : c;
        for (const [community, row] of legendRows) {
            row.classList.toggle("chosen", community === highlight);
            row.setAttribute("aria-selected", String(community === highlight));
        }
        updateStyles();
        drawNow();
    }

    // The largest communities (size, then number), as many as the legend lists.
    function largestCommunities() {
        let threshold = 0;
        if (M.c > LEGEND_ROWS) threshold = Uint32Array.from(M.size).sort()[M.c - LEGEND_ROWS];
        const list = [];
        for (let c = 0; c < M.c; c++) if (M.size[c] >= threshold) list.push(c);
        list.sort((a, b) => M.size[b] - M.size[a] || a - b);
        return list.slice(0, LEGEND_ROWS);
    }

    function buildLegend() {
        const list = document.getElementById("legend-list");
        const rows = largestCommunities().map((c) => {
            const item = document.createElement("li");
            item.setAttribute("role", "option");
            item.title = "Highlight this community";
            const swatch = document.createElement("span");
            swatch.className = "swatch";
            swatch.style.background = css(M.palette[M.colour[c]]);
            const numbers = document.createElement("span");
            numbers.className = "numbers";
            numbers.textContent =
                `${counted(M.size[c], "vertex", "vertices")} \u00b7 top shell ${M.maxShell[c]}`;
            item.append(swatch, `${c + 1}  `, numbers);
            item.addEventListener("click", () => toggleHighlight(c));
            legendRows.set(c, item);
            return item;
        });
        list.replaceChildren(...rows);
        const more = document.getElementById("legend-more");
        if (M.c > rows.length) {
            more.textContent = `and ${counted(M.c - rows.length, "smaller one", "smaller ones")}`;
            more.hidden = false;
        }
        let largest = 0;
        for (let v = 0; v < M.n; v++) largest = Math.max(largest, M.degree[v]);
        document.getElementById("summary").textContent =
            `${counted(M.n, "vertex", "vertices")} \u00b7 ` +
            `${counted(M.c, "community", "communities")} \u00b7 ` +
            `${counted(M.style.length, "edge", "edges")} drawn \u00b7 largest degree ${largest}`;
    }

    // ---- Gestures ----

    const touching = new Map(); // pointer id → last position
    let dragging = false;
    let travelled = 0;

    function wireGestures() {
        stage.addEventListener("pointerdown", (event) => {
            stage.setPointerCapture(event.pointerId);
            touching.set(event.pointerId, { x: event.clientX, y: event.clientY });
            if (touching.size === 1) travelled = 0;
            else travelled = Infinity; // a pinch is never a click
            animation = null;
        });
        stage.addEventListener("pointermove", (event) => {
            const last = touching.get(event.pointerId);
            if (!last) {
                if (event.pointerType === "mouse") hoverAt(event.clientX, event.clientY);
                return;
            }
            const dx = event.clientX - last.x;
            const dy = event.clientY - last.y;
            if (touching.size === 1) {
                view.ox += dx;
                view.oy += dy;
                travelled += Math.abs(dx) + Math.abs(dy);
            } else if (touching.size === 2) {
                const [other] = [...touching]
                    .filter(([id]) => id !== event.pointerId)
                    .map(([, p]) => p);
                const before = Math.hypot(last.x - other.x, last.y - other.y);
                const after = Math.hypot(event.clientX - other.x, event.clientY - other.y);
                view.ox += dx / 2;
                view.oy += dy / 2;
                const middleX = (event.clientX + other.x) / 2;
                const middleY = (event.clientY + other.y) / 2;
                if (before > 0) zoomAt(middleX, middleY, after / before);
            }
            last.x = event.clientX;
            last.y = event.clientY;
            if (travelled > 4 && !dragging) {
                dragging = true;
                stage.classList.add("dragging");
            }
            requestFrame();
        });
        const release = (event) => {
            if (!touching.delete(event.pointerId)) return;
            if (touching.size > 0) return;
            const wasDrag = dragging;
            dragging = false;
            if (event.pointerType === "mouse") pointer = { x: event.clientX, y: event.clientY };
            stage.classList.remove("dragging");
            if (event.type === "pointerup" && !wasDrag && travelled <= 4) {
                click(event.clientX, event.clientY);
            } else {
                requestFrame();
            }
        };
        stage.addEventListener("pointerup", release);
        stage.addEventListener("pointercancel", release);
        stage.addEventListener("pointerleave", (event) => {
            if (event.pointerType !== "mouse" || touching.size > 0) return;
            hovered = null;
            pointer = null;
            placeTooltip();
        });
        stage.addEventListener(
            "wheel",
            (event) => {
                event.preventDefault();
                const unit = event.deltaMode === 1 ? 33 : event.deltaMode === 2 ? 400 : 1;
                zoomAt(event.clientX, event.clientY, Math.exp(-event.deltaY * unit * 0.0015));
            },
            { passive: false }
        );
        stage.addEventListener("dblclick", () => fit(true));
        document.getElementById("fit").addEventListener("click", () => fit(true));
        pictureButton.addEventListener("click", () => {
            setPicture(picture === "vertices" ? "communities" : "vertices");
            hovered = null;
            drawNow();
        });
        edgesBox.addEventListener("change", () => {
            edgesShown = edgesBox.checked;
            drawNow();
        });
        window.addEventListener("keydown", (event) => {
            if (event.key !== "Escape" || event.target === searchBox) return;
            selected = -1;
            if (highlight >= 0) toggleHighlight(highlight);
            else drawNow();
        });
        window.addEventListener("resize", () => {
            const centre = sceneCentreOf(view);
            resizeLayers();
            Object.assign(view, viewCentring(centre[0], centre[1], view.s));
            drawNow();
        });
    }

    // ---- The scripting handle ----

    window.quorvane = Object.freeze({
        // Resolves with performance.now() once the first frame is drawn.
        ready,
        // Where vertex id is now, in viewport CSS pixels, or null (unknown, off screen).
        locate(id) {
            const v = indexOfId(id);
            if (v < 0) return null;
            const box = stage.getBoundingClientRect();
            const x = view.ox + M.x[v] * view.s;
            const y = view.oy - M.y[v] * view.s;
            if (!(x >= 0 && y >= 0 && x < box.width && y < box.height)) return null;
            return { x: box.left + x, y: box.top + y };
        },
        // Centres, marks and opens the tooltip of vertex id; false when there is none.
        select(id) {
            const v = indexOfId(id);
            if (v < 0) return false;
            choose(v, false);
            return true;
        },
        // As the search box: selects the first match; the matching ids, best first.
        search(text) {
            const found = findMatches(text);
            searchBox.value = String(text);
            matchList.hidden = true;
            if (found.length) choose(found[0], false);
            return found.map((v) => M.ids[v]);
        },
        // "vertices" or "communities".
        show(name) {
            if (!setPicture(name)) return false;
            hovered = null;
            drawNow();
            return true;
        },
        // The tooltip's text now (lines joined by "\n"), or null when it is closed.
        tooltip() {
            return tooltipText;
        },
        // Draws the current view in full; the milliseconds it took.
        redraw() {
            const begin = performance.now();
            drawNow();
            return performance.now() - begin;
        },
    });

    function start() {
        readData();
        if (M.meta.title) document.title = `${M.meta.title} \u00b7 Quorvane`;
        document.body.className = M.meta.background === "#ffffff" ? "light" : "dark";
        stage.style.background = M.meta.background;
        buildGrid();
        updateStyles();
        buildLegend();
        wireSearch();
        wireGestures();
        resizeLayers();
        fitScale = scaleFitting(G.box);
        fit(false);
        resolveReady(performance.now());
    }

    try {
        start();
    } catch (error) {
        rejectReady(error);
        throw error;
    }
})();
