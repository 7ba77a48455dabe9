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
//
// The script is the files of viewer/html/ joined in the order embed.cmake lists them,
// inside one function: each file defines its room's functions over the one view object
// (view.js); this file, the last, starts the page.

function start(view) {
    const M = readModel();
    view.model = M;
    if (M.meta.title) document.title = `${M.meta.title} \u00b7 Quorvane`;
    document.body.className = M.meta.background === "#ffffff" ? "light" : "dark";
    view.dom.stage.style.background = M.meta.background;
    view.grid = buildGrid(M);
    updateStyles(view);
    buildLegend(view);
    wireSearch(view);
    wireGestures(view);
    wireControls(view);
    resizeLayers(view);
    view.camera.fitScale = scaleFitting(view, view.grid.box);
    fit(view, false);
}

// window.quorvane is there before the page starts, so a failed start rejects its ready.
function main() {
    const view = createView();
    let settle = null;
    const ready = new Promise((resolve, reject) => {
        settle = { resolve, reject };
    });
    window.quorvane = quorvaneHandle(view, ready);
    try {
        start(view);
        settle.resolve(performance.now());
    } catch (error) {
        settle.reject(error);
        throw error;
    }
}

main();
