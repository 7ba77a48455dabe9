// The camera: where the scene lies on the stage. Scene point (x, y) shows at
// (ox + x·s, oy − y·s) in CSS pixels from the stage's corner; y grows upwards in the scene,
// as in the scene files. It moves at once (calls through window.quorvane, drags, the wheel)
// or over a quarter of a second (the user's double-click, search choice and click on a
// community), and every move asks for a frame.

// Zoom limits, relative to the scale that fits the whole vertex picture (fitScale).
const ZOOM_OUT = 1 / 20;
const ZOOM_IN = 5000;

// animation: the move under way ({ from, to, begin }), or null.
function createCamera() {
    return { s: 1, ox: 0, oy: 0, fitScale: 1, animation: null };
}

// The part of the stage that no panel covers, where fitting and centring aim.
function freeArea(view) {
    const { stage, toolbar, side } = view.dom;
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

function clampScale(camera, s) {
    return Math.min(camera.fitScale * ZOOM_IN, Math.max(camera.fitScale * ZOOM_OUT, s));
}

// The scale that shows box (scene units) whole in the free area.
function scaleFitting(view, box) {
    const area = freeArea(view);
    const margin = 12;
    const width = Math.max(1, area.right - area.left - 2 * margin);
    const height = Math.max(1, area.bottom - area.top - 2 * margin);
    const boxWidth = Math.max(box.maxX - box.minX, 1e-9);
    const boxHeight = Math.max(box.maxY - box.minY, 1e-9);
    return Math.min(width / boxWidth, height / boxHeight);
}

// The camera position with scale s and scene point (x, y) in the middle of the free area.
function viewCentring(view, x, y, s) {
    const area = freeArea(view);
    return {
        s,
        ox: (area.left + area.right) / 2 - x * s,
        oy: (area.top + area.bottom) / 2 + y * s,
    };
}

// The scene point in the middle of the free area under camera position p.
function sceneCentreOf(view, p) {
    const area = freeArea(view);
    return [
        ((area.left + area.right) / 2 - p.ox) / p.s,
        (p.oy - (area.top + area.bottom) / 2) / p.s,
    ];
}

// The whole picture shown, in the free area.
function fit(view, animate) {
    const box = view.picture === "vertices" ? view.grid.box : communityBox(view.model, view.grid);
    const s = clampScale(view.camera, scaleFitting(view, box));
    const x = (box.minX + box.maxX) / 2;
    const y = (box.minY + box.maxY) / 2;
    setView(view, viewCentring(view, x, y, s), animate);
}

// Moves the camera to target ({ s, ox, oy }), at once or animated.
function setView(view, target, animate) {
    const camera = view.camera;
    if (!animate) {
        camera.animation = null;
        Object.assign(camera, target);
        drawNow(view);
        return;
    }
    camera.animation = {
        from: { s: camera.s, centre: sceneCentreOf(view, camera) },
        to: { s: target.s, centre: sceneCentreOf(view, target) },
        begin: performance.now(),
    };
    requestFrame(view);
}

function stepAnimation(view, now) {
    const camera = view.camera;
    const t = Math.min(1, (now - camera.animation.begin) / 250);
    const ease = t * t * (3 - 2 * t);
    const { from, to } = camera.animation;
    const s = from.s * Math.pow(to.s / from.s, ease);
    const x = from.centre[0] + (to.centre[0] - from.centre[0]) * ease;
    const y = from.centre[1] + (to.centre[1] - from.centre[1]) * ease;
    Object.assign(camera, viewCentring(view, x, y, s));
    if (t >= 1) camera.animation = null;
}

// Zooms by factor, keeping the scene point under (px, py) CSS pixels in place.
function zoomAt(view, px, py, factor) {
    const camera = view.camera;
    const s = clampScale(camera, camera.s * factor);
    const k = s / camera.s;
    camera.ox = px - (px - camera.ox) * k;
    camera.oy = py - (py - camera.oy) * k;
    camera.s = s;
    requestFrame(view);
}
