// Looks: the fill styles of the communities, two per palette colour (plain, and dimmed
// while the legend highlights another community). view.looks holds, per community, its
// colour as packed image bytes (0xBBGGRR, communityPixel) and its style's index in styleCss
// (communityStyle).

function createLooks() {
    return { communityPixel: null, communityStyle: null, styleCss: [], stylePixel: [] };
}

// rgb faded towards the background, to t of its strength.
function mix(M, rgb, t) {
    return rgb.map((value, k) => Math.round(value * t + M.background[k] * (1 - t)));
}

function css(rgb, alpha) {
    return alpha === undefined
        ? `rgb(${rgb[0]},${rgb[1]},${rgb[2]})`
        : `rgba(${rgb[0]},${rgb[1]},${rgb[2]},${alpha})`;
}

function updateStyles(view) {
    const M = view.model;
    const looks = view.looks;
    looks.styleCss = [];
    looks.stylePixel = [];
    for (const rgb of M.palette) {
        for (const shade of [rgb, mix(M, rgb, 0.18)]) {
            looks.styleCss.push(css(shade));
            looks.stylePixel.push((shade[2] << 16) | (shade[1] << 8) | shade[0]);
        }
    }
    looks.communityPixel = looks.communityPixel || new Uint32Array(M.c);
    looks.communityStyle = looks.communityStyle || new Uint32Array(M.c);
    const highlight = view.highlight;
    for (let c = 0; c < M.c; c++) {
        const style = 2 * M.colour[c] + (highlight >= 0 && c !== highlight ? 1 : 0);
        looks.communityStyle[c] = style;
        looks.communityPixel[c] = looks.stylePixel[style];
    }
}
