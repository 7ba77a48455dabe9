// Captors: the browser's pointer, wheel, key and window events turned into the page's own
// moves. One pointer drags (a press that travels at most 4 pixels is a click), two pinch,
// the wheel zooms at the pointer. view.gesture holds the pointers down (id → last position)
// and how far they travelled; view.dragging is set once a press has become a drag.

function createGesture() {
    return { touching: new Map(), travelled: 0 };
}

function wireGestures(view) {
    const stage = view.dom.stage;
    stage.addEventListener("pointerdown", (event) => pressPointer(view, event));
    stage.addEventListener("pointermove", (event) => movePointer(view, event));
    const release = (event) => releasePointer(view, event);
    stage.addEventListener("pointerup", release);
    stage.addEventListener("pointercancel", release);
    stage.addEventListener("pointerleave", (event) => leavePointer(view, event));
    stage.addEventListener("wheel", (event) => turnWheel(view, event), { passive: false });
}

function pressPointer(view, event) {
    const gesture = view.gesture;
    view.dom.stage.setPointerCapture(event.pointerId);
    gesture.touching.set(event.pointerId, { x: event.clientX, y: event.clientY });
    if (gesture.touching.size === 1) gesture.travelled = 0;
    else gesture.travelled = Infinity; // a pinch is never a click
    view.camera.animation = null;
}

function movePointer(view, event) {
    const gesture = view.gesture;
    const last = gesture.touching.get(event.pointerId);
    if (!last) {
        if (event.pointerType === "mouse") hoverAt(view, event.clientX, event.clientY);
        return;
    }
    const dx = event.clientX - last.x;
    const dy = event.clientY - last.y;
    if (gesture.touching.size === 1) {
        view.camera.ox += dx;
        view.camera.oy += dy;
        gesture.travelled += Math.abs(dx) + Math.abs(dy);
    } else if (gesture.touching.size === 2) {
        pinch(view, event, last, dx, dy);
    }
    last.x = event.clientX;
    last.y = event.clientY;
    if (gesture.travelled > 4 && !view.dragging) {
        view.dragging = true;
        view.dom.stage.classList.add("dragging");
    }
    requestFrame(view);
}

// One of two pointers moved by (dx, dy) from last: the view follows their middle and zooms
// as their distance changes.
function pinch(view, event, last, dx, dy) {
    const [other] = [...view.gesture.touching]
        .filter(([id]) => id !== event.pointerId)
        .map(([, p]) => p);
    const before = Math.hypot(last.x - other.x, last.y - other.y);
    const after = Math.hypot(event.clientX - other.x, event.clientY - other.y);
    view.camera.ox += dx / 2;
    view.camera.oy += dy / 2;
    const middleX = (event.clientX + other.x) / 2;
    const middleY = (event.clientY + other.y) / 2;
    if (before > 0) zoomAt(view, middleX, middleY, after / before);
}

function releasePointer(view, event) {
    const touching = view.gesture.touching;
    if (!touching.delete(event.pointerId)) return;
    if (touching.size > 0) return;
    const wasDrag = view.dragging;
    view.dragging = false;
    if (event.pointerType === "mouse") view.pointer = { x: event.clientX, y: event.clientY };
    view.dom.stage.classList.remove("dragging");
    if (event.type === "pointerup" && !wasDrag && view.gesture.travelled <= 4) {
        click(view, event.clientX, event.clientY);
    } else {
        requestFrame(view);
    }
}

function leavePointer(view, event) {
    if (event.pointerType !== "mouse" || view.gesture.touching.size > 0) return;
    view.hovered = null;
    view.pointer = null;
    placeTooltip(view);
}

function turnWheel(view, event) {
    event.preventDefault();
    const unit = event.deltaMode === 1 ? 33 : event.deltaMode === 2 ? 400 : 1;
    zoomAt(view, event.clientX, event.clientY, Math.exp(-event.deltaY * unit * 0.0015));
}

// The toolbar, the Escape key (lets the chosen vertex and the highlight go) and the
// window's size.
function wireControls(view) {
    const { stage, pictureButton, edgesBox, searchBox } = view.dom;
    stage.addEventListener("dblclick", () => fit(view, true));
    document.getElementById("fit").addEventListener("click", () => fit(view, true));
    pictureButton.addEventListener("click", () => {
        switchPicture(view, view.picture === "vertices" ? "communities" : "vertices");
    });
    edgesBox.addEventListener("change", () => {
        view.edgesShown = edgesBox.checked;
        drawNow(view);
    });
    window.addEventListener("keydown", (event) => {
        if (event.key !== "Escape" || event.target === searchBox) return;
        view.selected = -1;
        if (view.highlight >= 0) toggleHighlight(view, view.highlight);
        else drawNow(view);
    });
    window.addEventListener("resize", () => {
        const centre = sceneCentreOf(view, view.camera);
        resizeLayers(view);
        Object.assign(view.camera, viewCentring(view, centre[0], centre[1], view.camera.s));
        drawNow(view);
    });
}
