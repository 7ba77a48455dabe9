// What the file said of its vertices (the data block's "file", its format in
// export/page_file_data.cpp): file ids, attributes, and the vertices it declared without an
// edge. Only a page that has that data carries this file (embed.cmake); the lines of other
// files that call into it sit between "// file data {" and "// } file data".
//
// Entries: the drawn vertices 0 … n−1, then the isolated ones n … entries−1. The model's ids
// and labels are lengthened to cover the isolated ones, so search lists them as it lists
// vertices. A list of texts stays one string and its ends until a text is first asked for.

// The most attribute lines a tooltip shows (the writer sends no more).
const FILE_COLUMNS = 8;
// What the tooltip and the search list say of a vertex declared without an edge.
const ISOLATED_NOTE = "isolated, not drawn";

function decodeArray([type, text]) {
    return new ARRAY_TYPES[type](decodeBase64(text).buffer);
}

// A list of texts as the data block gives it; its ends are decoded on first use.
function textList([joined, ends]) {
    return { joined, ends: null, encoded: ends };
}

// Text e of list, or null when it is absent.
function textAt(list, e) {
    if (!list.ends) {
        list.ends = decodeArray(list.encoded);
        list.encoded = null;
    }
    const end = list.ends[e];
    if (end === undefined || end & 1) return null;
    const begin = e > 0 ? list.ends[e - 1] >>> 1 : 0;
    return list.joined.slice(begin, end >>> 1);
}

// M.file from the data block; the isolated vertices' ids and labels join M.ids and M.labels.
function readFileData(M) {
    const data = M.meta.file;
    M.meta.file = null;
    const isolated = decodeArray(data.isolated);
    const labels = textList(data.labels);
    const entries = M.n + isolated.length;
    M.file = {
        entries,
        ids: textList(data.ids),
        columns: data.columns.slice(0, FILE_COLUMNS),
        values: data.values.slice(0, FILE_COLUMNS).map(textList),
        lowerIds: null,
    };
    const ids = new Int32Array(entries);
    ids.set(M.ids);
    ids.set(isolated, M.n);
    M.ids = ids;
    const named = M.labels.length ? M.labels : new Array(M.n).fill("");
    for (let k = 0; k < isolated.length; k++) named.push(textAt(labels, k) || "");
    M.labels = named;
}

// The file's lines of entry e: its file id where that is not its label, then its attributes
// with a value.
function fileLines(M, e) {
    const F = M.file;
    const lines = [];
    const fileId = textAt(F.ids, e);
    if (fileId !== null) lines.push(`file id ${fileId}`);
    F.columns.forEach((name, c) => {
        const value = textAt(F.values[c], e);
        if (value !== null) lines.push(`${name}: ${value}`);
    });
    return lines;
}

// The tooltip of an isolated vertex: it has no place, nor community, nor shell.
function isolatedLines(M, e) {
    const lines = [];
    if (M.labels[e]) lines.push(M.labels[e]);
    lines.push(`id ${M.ids[e]}`, ISOLATED_NOTE);
    return lines.concat(fileLines(M, e));
}

// An isolated vertex is chosen as a drawn one is, but nothing moves and nothing is marked:
// its tooltip opens under the search box.
function chooseIsolated(view, e) {
    view.selected = e;
    view.hovered = null;
    view.pointer = null;
    drawNow(view);
}

// The tooltip of the chosen isolated vertex, just under the search box (placeTooltip moves it
// 14 pixels right and down of where it points).
function isolatedSubject(view) {
    const box = view.dom.searchBox.getBoundingClientRect();
    const at = { x: box.left - 14, y: box.bottom - 8 };
    return { lines: vertexLines(view.model, view.selected), at };
}

// Where text q (lower case) lies in text (lower case): 0 all of it, 1 at its start,
// 2 further in, −1 nowhere; as search.js ranks labels.
function matchGroup(text, q) {
    const at = text.length >= q.length ? text.indexOf(q) : -1;
    return at < 0 ? -1 : at > 0 ? 2 : text.length === q.length ? 0 : 1;
}

// Entries with a file id and those ids in lower case, made on first search.
function lowerFileIds(F) {
    if (!F.lowerIds) {
        const entries = [];
        const texts = [];
        for (let e = 0; e < F.entries; e++) {
            const id = textAt(F.ids, e);
            if (id === null) continue;
            entries.push(e);
            texts.push(id.toLowerCase());
        }
        F.lowerIds = { entries, texts };
    }
    return F.lowerIds;
}

// Adds to search's groups the isolated vertices whose label or id matches q, and the entries
// whose file id matches it better than their label did. byId is the vertex listed first.
function addFileMatches(M, q, inIds, groups, byId) {
    const F = M.file;
    const number = /^[+-]?\d+$/.test(q) ? Number(q) : NaN;
    for (let e = M.n; e < F.entries; e++) {
        let group = M.lowerLabels ? matchGroup(M.lowerLabels[e], q) : -1;
        if (M.ids[e] === number) group = 0;
        else if (group < 0 && inIds && String(M.ids[e]).includes(q)) group = 2;
        if (group >= 0) keepSmallest(M, groups[group], e);
    }
    const { entries, texts } = lowerFileIds(F);
    for (let k = 0; k < entries.length; k++) {
        const e = entries[k];
        const group = matchGroup(texts[k], q);
        if (group < 0 || e === byId) continue;
        const was = groups.findIndex((list) => list.includes(e));
        if (was >= 0 && was <= group) continue;
        if (was >= 0) groups[was].splice(groups[was].indexOf(e), 1);
        keepSmallest(M, groups[group], e);
    }
}
