// The tooltip: what is under the pointer, else the chosen vertex beside it, else nothing.
// Text only: every line goes in as a text node, never as markup. view.tooltipText is its
// text now (lines joined by "\n"), or null while it is closed.

// "1 vertex", "12,345 vertices".
function counted(n, one, many) {
    return `${n.toLocaleString("en-US")} ${n === 1 ? one : many}`;
}

function vertexLines(M, v) {
    // file data {
    if (v >= M.n) return isolatedLines(M, v);
    // } file data
    const c = M.comm[v];
    const lines = [];
    const name = M.labels.length ? M.labels[v] : "";
    if (name) lines.push(name);
    lines.push(`id ${M.ids[v]}`);
    lines.push(`community ${c + 1} (${counted(M.size[c], "vertex", "vertices")})`);
    lines.push(`shell ${M.shell[v]} \u00b7 coreness ${M.core[v]} \u00b7 degree ${M.degree[v]}`);
    // file data {
    lines.push(...fileLines(M, v));
    // } file data
    return lines;
}

function communityLines(M, c) {
    return [
        `community ${c + 1}`,
        counted(M.size[c], "vertex", "vertices"),
        `top shell ${M.maxShell[c]}`,
    ];
}

// The tooltip's lines and where it points (CSS pixels), or null when it shows nothing.
function tooltipSubject(view) {
    const M = view.model;
    const { hovered, pointer, selected } = view;
    if (hovered && pointer && !view.dragging) {
        const lines =
            hovered.vertex !== undefined
                ? vertexLines(M, hovered.vertex)
                : communityLines(M, hovered.community);
        return { lines, at: pointer };
    }
    // file data {
    if (selected >= M.n) return isolatedSubject(view);
    // } file data
    if (selected >= 0 && view.picture === "vertices") {
        const camera = view.camera;
        const stage = view.dom.stage;
        const x = camera.ox + M.x[selected] * camera.s;
        const y = camera.oy - M.y[selected] * camera.s;
        if (x >= 0 && y >= 0 && x <= stage.clientWidth && y <= stage.clientHeight) {
            return { lines: vertexLines(M, selected), at: { x, y } };
        }
    }
    return null;
}

function placeTooltip(view) {
    const box = view.dom.tooltip;
    const subject = tooltipSubject(view);
    if (!subject) {
        box.hidden = true;
        view.tooltipText = null;
        return;
    }
    const { lines, at } = subject;
    const text = lines.join("\n");
    if (text !== view.tooltipText || box.hidden) {
        box.replaceChildren(
            ...lines.map((line, k) => {
                const div = document.createElement("div");
                if (k === 0) div.className = "title";
                div.textContent = line;
                return div;
            })
        );
        view.tooltipText = text;
        box.hidden = false;
    }
    const offset = 14;
    const width = box.offsetWidth;
    const height = box.offsetHeight;
    let left = at.x + offset;
    let top = at.y + offset;
    if (left + width > window.innerWidth) left = Math.max(0, at.x - offset - width);
    if (top + height > window.innerHeight) top = Math.max(0, at.y - offset - height);
    box.style.left = `${left}px`;
    box.style.top = `${top}px`;
}
