// The side panel: the summary line and the legend, which lists the largest communities; a
// click on one highlights it and dims the rest (view.highlight), a second click undoes it.
// view.legendRows maps a listed community to its row.

const LEGEND_ROWS = 300;

function toggleHighlight(view, c) {
    view.highlight = view.highlight === c ? -1 : c;
    for (const [community, row] of view.legendRows) {
        row.classList.toggle("chosen", community === view.highlight);
        row.setAttribute("aria-selected", String(community === view.highlight));
    }
    updateStyles(view);
    drawNow(view);
}

// The largest communities (size, then number), as many as the legend lists.
function largestCommunities(M) {
    let threshold = 0;
    if (M.c > LEGEND_ROWS) threshold = Uint32Array.from(M.size).sort()[M.c - LEGEND_ROWS];
    const list = [];
    for (let c = 0; c < M.c; c++) if (M.size[c] >= threshold) list.push(c);
    list.sort((a, b) => M.size[b] - M.size[a] || a - b);
    return list.slice(0, LEGEND_ROWS);
}

function buildLegend(view) {
    const M = view.model;
    const list = document.getElementById("legend-list");
    const rows = largestCommunities(M).map((c) => {
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
        item.addEventListener("click", () => toggleHighlight(view, c));
        view.legendRows.set(c, item);
        return item;
    });
    list.replaceChildren(...rows);
    const more = document.getElementById("legend-more");
    if (M.c > rows.length) {
        more.textContent = `and ${counted(M.c - rows.length, "smaller one", "smaller ones")}`;
        more.hidden = false;
    }
    writeSummary(M);
}

function writeSummary(M) {
    let largest = 0;
    for (let v = 0; v < M.n; v++) largest = Math.max(largest, M.degree[v]);
    document.getElementById("summary").textContent =
        `${counted(M.n, "vertex", "vertices")} \u00b7 ` +
        `${counted(M.c, "community", "communities")} \u00b7 ` +
        `${counted(M.style.length, "edge", "edges")} drawn \u00b7 largest degree ${largest}`;
}
