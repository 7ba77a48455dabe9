// The view: the one object that owns the page's state. The functions that read or change
// that state take it first; nothing else of the page changes once it has started. Its parts:
//   model, grid        the run's data (data.js) and its spatial index (grid.js), made once
//   camera             where the scene lies on the stage (camera.js)
//   picture            "vertices" or "communities" (communities.js); edgesShown: the box;
//                      vertexView: where the vertex picture was when the community picture
//                      was switched to ({ x, y, s }: scene centre and scale), or null
//   highlight          the community the legend picked, or −1 (legend.js)
//   selected, hovered, pointer, dragging       what is chosen and pointed at (pointer.js)
//   looks              the communities' fill styles (looks.js)
//   frame, mode        the last frame's device-pixel mapping and how each community was
//                      drawn in it (draw.js)
//   labels, labelWidths    the last frame's labels and the widths of those measured
//                      (labels.js)
//   canvas             the three layers, their contexts, the vertex layer's image
//   gesture, search, legendRows, tooltipText   the state of the captors, the search box,
//                      the legend and the tooltip (gestures.js, search.js, legend.js,
//                      tooltip.js)
//   dom                the page's other elements
function createView() {
    const dom = {
        stage: document.getElementById("stage"),
        toolbar: document.getElementById("toolbar"),
        side: document.getElementById("side"),
        tooltip: document.getElementById("tooltip"),
        searchBox: document.getElementById("search"),
        matchList: document.getElementById("matches"),
        pictureButton: document.getElementById("picture"),
        edgesBox: document.getElementById("edges-shown"),
    };
    const layers = ["edge-layer", "vertex-layer", "overlay-layer"].map((id) =>
        document.getElementById(id)
    );
    const canvas = {
        layers,
        edgeCtx: layers[0].getContext("2d"),
        vertexCtx: layers[1].getContext("2d"),
        overlayCtx: layers[2].getContext("2d"),
        image: null,
        pixels: null,
        frameRequested: false,
    };
    return {
        model: null,
        grid: null,
        camera: createCamera(),
        picture: "vertices",
        edgesShown: true,
        vertexView: null,
        highlight: -1,
        selected: -1,
        hovered: null,
        pointer: null,
        dragging: false,
        looks: createLooks(),
        frame: null,
        mode: null,
        labels: [],
        labelWidths: null,
        canvas,
        gesture: createGesture(),
        search: createSearch(),
        legendRows: new Map(),
        tooltipText: null,
        dom,
    };
}

// The layers take the stage's size in device pixels; the image goes with them.
function resizeLayers(view) {
    const canvas = view.canvas;
    const stage = view.dom.stage;
    const ratio = window.devicePixelRatio || 1;
    const width = Math.max(1, Math.round(stage.clientWidth * ratio));
    const height = Math.max(1, Math.round(stage.clientHeight * ratio));
    for (const layer of canvas.layers) {
        layer.width = width;
        layer.height = height;
    }
    canvas.image = canvas.vertexCtx.createImageData(width, height);
    canvas.pixels = new Uint32Array(canvas.image.data.buffer);
}

// One frame at the next animation frame, however many moves ask for it before then.
function requestFrame(view) {
    const canvas = view.canvas;
    if (canvas.frameRequested) return;
    canvas.frameRequested = true;
    requestAnimationFrame((now) => {
        canvas.frameRequested = false;
        if (view.camera.animation) {
            stepAnimation(view, now);
            if (view.camera.animation) requestFrame(view);
        }
        drawNow(view);
        // The view moved under a still pointer: what it points at may have changed.
        if (view.pointer && !view.dragging) hoverAt(view, view.pointer.x, view.pointer.y);
    });
}

// Draws the current picture in full. The frame is the camera in device pixels (S, OX, OY:
// scale and origin; W, H: the layers' size; ratio: device pixels per CSS pixel).
function drawNow(view) {
    const canvas = view.canvas;
    const camera = view.camera;
    const ratio = canvas.layers[0].width / Math.max(1, view.dom.stage.clientWidth);
    const frame = {
        W: canvas.layers[0].width,
        H: canvas.layers[0].height,
        ratio,
        S: camera.s * ratio,
        OX: camera.ox * ratio,
        OY: camera.oy * ratio,
        image: canvas.image,
        pixels: canvas.pixels,
        pixelsUsed: false,
    };
    view.frame = frame;
    if (view.picture === "vertices") {
        drawEdges(view);
        drawVertices(view);
        drawOverlay(view);
    } else {
        canvas.edgeCtx.clearRect(0, 0, frame.W, frame.H);
        drawCommunities(view);
        canvas.overlayCtx.clearRect(0, 0, frame.W, frame.H);
        view.labels = [];
    }
    placeTooltip(view);
}

// Centres vertex v, at a scale where its community shows its members and the vertex is a
// few pixels wide (never zooming out), marks it and opens its tooltip.
function choose(view, v, animate) {
    const M = view.model;
    // file data {
    if (v >= M.n) {
        chooseIsolated(view, v);
        return;
    }
    // } file data
    setPicture(view, "vertices");
    view.selected = v;
    view.hovered = null;
    view.pointer = null;
    const area = freeArea(view);
    const room = Math.min(area.right - area.left, area.bottom - area.top);
    const c = M.comm[v];
    const radius = Math.max(M.radius[c], 1e-9);
    // Device pixels the community's disc needs to show its members, with room to spare.
    const members = 1.5 * Math.max(DISC_RADIUS, Math.sqrt(M.size[c] / (DISC_DENSITY * Math.PI)));
    const wanted = Math.max(
        view.camera.s,
        (0.3 * room) / radius,
        members / (window.devicePixelRatio || 1) / radius,
        3 / Math.max(M.r[v], 1e-9)
    );
    setView(view, viewCentring(view, M.x[v], M.y[v], clampScale(view.camera, wanted)), animate);
    if (animate) drawNow(view);
}
