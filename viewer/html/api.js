// window.quorvane, the scripting handle, for tests and for pages embedded elsewhere. Its
// calls take effect at once: no animation, no hover delay.
function quorvaneHandle(view, ready) {
    return Object.freeze({
        // Resolves with performance.now() once the first frame is drawn.
        ready,
        // Where vertex id is now, in viewport CSS pixels, with its disc's radius there, or
        // null (unknown, off screen).
        locate(id) {
            const M = view.model;
            const v = indexOfId(M, id);
            if (v < 0) return null;
            const camera = view.camera;
            const box = view.dom.stage.getBoundingClientRect();
            const x = camera.ox + M.x[v] * camera.s;
            const y = camera.oy - M.y[v] * camera.s;
            if (!(x >= 0 && y >= 0 && x < box.width && y < box.height)) return null;
            return { x: box.left + x, y: box.top + y, r: M.r[v] * camera.s };
        },
        // Centres, marks and opens the tooltip of vertex id; false when there is none.
        select(id) {
            const v = indexOfId(view.model, id);
            if (v < 0) return false;
            choose(view, v, false);
            return true;
        },
        // As the search box: selects the first match; the matching ids, best first.
        search(text) {
            const found = findMatches(view.model, text);
            view.dom.searchBox.value = String(text);
            view.dom.matchList.hidden = true;
            if (found.length) choose(view, found[0], false);
            return found.map((v) => view.model.ids[v]);
        },
        // "vertices" or "communities", as the toolbar's switch.
        show(name) {
            return switchPicture(view, name);
        },
        // The tooltip's text now (lines joined by "\n"), or null when it is closed.
        tooltip() {
            return view.tooltipText;
        },
        // The labels drawn now, in the order they were placed: the vertex's id, the text, its
        // box and its anchor in viewport CSS pixels.
        labels() {
            return drawnLabels(view);
        },
        // Draws the current view in full; the milliseconds it took.
        redraw() {
            const begin = performance.now();
            drawNow(view);
            return performance.now() - begin;
        },
    });
}

// view.labels as the handle gives them.
function drawnLabels(view) {
    const stage = view.dom.stage.getBoundingClientRect();
    const ratio = view.frame ? view.frame.ratio : 1;
    const x = (value) => stage.left + value / ratio;
    const y = (value) => stage.top + value / ratio;
    return view.labels.map((label) => ({
        id: view.model.ids[label.v],
        text: label.text,
        box: { x: x(label.x), y: y(label.y), width: label.w / ratio, height: label.h / ratio },
        anchor: { x: x(label.ax), y: y(label.ay) },
    }));
}
