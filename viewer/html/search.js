// The search box: an id or a label. view.search holds the listed matches (vertices) and the
// current one, and the timer that waits for typing to pause.

const MATCHES = 20;

function createSearch() {
    return { matches: [], current: -1, timer: 0 };
}

// Matches of text as vertices, best first, at most 20: the vertex with that id, then those
// whose label is the text, then those whose label starts with it, then those whose label or
// id holds it anywhere; labels compared case-insensitively, each group by ascending id.
function findMatches(M, text) {
    const query = String(text).trim();
    if (!query) return [];
    const q = query.toLowerCase();
    const byId = /^[+-]?\d+$/.test(query) ? indexOfId(M, Number(query)) : -1;
    // Only a minus sign and digits can lie inside an id written out.
    const inIds = /^-?\d*$/.test(q);
    if (M.labels.length && !M.lowerLabels) {
        M.lowerLabels = M.labels.map((label) => label.toLowerCase());
    }
    const groups = [[], [], []]; // exact labels, labels starting with it, the rest
    for (let v = 0; v < M.n; v++) {
        if (v === byId) continue;
        const label = M.lowerLabels ? M.lowerLabels[v] : "";
        const at = label.length >= q.length ? label.indexOf(q) : -1;
        let group = at < 0 ? -1 : at > 0 ? 2 : label.length === q.length ? 0 : 1;
        if (group < 0 && inIds && String(M.ids[v]).includes(q)) group = 2;
        if (group >= 0) keepSmallest(M, groups[group], v);
    }
    // file data {
    addFileMatches(M, q, inIds, groups, byId);
    // } file data
    return (byId >= 0 ? [byId] : []).concat(...groups).slice(0, MATCHES);
}

// Keeps in list the 20 vertices of smallest id seen, in ascending id.
function keepSmallest(M, list, v) {
    const id = M.ids[v];
    if (list.length === MATCHES && id >= M.ids[list[MATCHES - 1]]) return;
    let k = list.length === MATCHES ? MATCHES - 1 : list.length;
    while (k > 0 && M.ids[list[k - 1]] > id) {
        list[k] = list[k - 1];
        k--;
    }
    list[k] = v;
}

// Lists the matches under the box ("No match" for typed text that has none).
function showMatches(view, list) {
    const M = view.model;
    const { searchBox, matchList } = view.dom;
    view.search.matches = list;
    view.search.current = list.length ? 0 : -1;
    matchList.replaceChildren(
        ...list.map((v, k) => {
            const item = document.createElement("li");
            item.setAttribute("role", "option");
            const label = labelOf(M, v);
            item.append(label ? `${label} ` : "");
            const id = document.createElement("span");
            id.className = "id";
            id.textContent = `id ${M.ids[v]}`;
            // file data {
            if (v >= M.n) id.textContent += ` \u00b7 ${ISOLATED_NOTE}`;
            // } file data
            item.append(id);
            item.addEventListener("mousedown", (event) => {
                event.preventDefault();
                pick(view, k);
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
    markCurrent(view);
}

function markCurrent(view) {
    [...view.dom.matchList.children].forEach((item, k) => {
        item.classList.toggle("current", k === view.search.current);
    });
}

function pick(view, k) {
    const matches = view.search.matches;
    if (k < 0 || k >= matches.length) return;
    view.dom.matchList.hidden = true;
    choose(view, matches[k], true);
}

// Typing lists the matches once it pauses; Enter chooses the current one, the arrows move
// it, Escape closes the list.
function wireSearch(view) {
    const { searchBox, matchList } = view.dom;
    const search = view.search;
    const list = () => showMatches(view, findMatches(view.model, searchBox.value));
    searchBox.addEventListener("input", () => {
        clearTimeout(search.timer);
        search.timer = setTimeout(list, 120);
    });
    searchBox.addEventListener("keydown", (event) => {
        if (event.key === "Enter") {
            clearTimeout(search.timer);
            if (matchList.hidden || search.matches.length === 0) list();
            pick(view, Math.max(0, search.current));
        } else if (event.key === "ArrowDown" || event.key === "ArrowUp") {
            event.preventDefault();
            const count = search.matches.length;
            if (count === 0) return;
            const step = event.key === "ArrowDown" ? 1 : -1;
            search.current = (search.current + step + count) % count;
            markCurrent(view);
        } else if (event.key === "Escape") {
            matchList.hidden = true;
        }
    });
    searchBox.addEventListener("blur", () => {
        matchList.hidden = true;
    });
}
