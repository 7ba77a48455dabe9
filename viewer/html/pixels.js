// The vertex layer's image: discs of a few device pixels are blended straight into its
// pixels (packed 0xAABBGGRR), which the frame then puts on the layer at once, rather than
// drawn as paths one by one.

// Below this radius in device pixels a disc is one blended pixel; above it, an antialiased
// stamp.
const PIXEL_RADIUS = 0.7;

// "Over" blending of colour rgb (0xBBGGRR) with coverage alpha into pixel i.
function blend(pixels, i, rgb, alpha) {
    const below = pixels[i];
    const belowAlpha = below >>> 24;
    if (alpha >= 1 || belowAlpha === 0) {
        pixels[i] = (((Math.min(1, alpha) * 255 + 0.5) << 24) | rgb) >>> 0;
        return;
    }
    const kept = (belowAlpha / 255) * (1 - alpha);
    const total = alpha + kept;
    const a = alpha / total;
    const b = kept / total;
    const red = (rgb & 255) * a + (below & 255) * b;
    const green = ((rgb >>> 8) & 255) * a + ((below >>> 8) & 255) * b;
    const blue = ((rgb >>> 16) & 255) * a + ((below >>> 16) & 255) * b;
    pixels[i] =
        (((total * 255 + 0.5) << 24) |
            ((blue + 0.5) << 16) |
            ((green + 0.5) << 8) |
            (red + 0.5)) >>>
        0;
}

// The image is cleared only in frames that stamp into it.
function usePixels(frame) {
    if (!frame.pixelsUsed) {
        frame.pixels.fill(0);
        frame.pixelsUsed = true;
    }
}

// A disc of radius r (device pixels) at (px, py) into the image: one pixel weighted by its
// area when tiny, else every pixel by how much of it the disc covers.
function stamp(frame, px, py, r, rgb) {
    const W = frame.W;
    const H = frame.H;
    const pixels = frame.pixels;
    if (r < PIXEL_RADIUS) {
        const ix = Math.floor(px);
        const iy = Math.floor(py);
        if (ix >= 0 && iy >= 0 && ix < W && iy < H) {
            blend(pixels, iy * W + ix, rgb, Math.PI * r * r);
        }
        return;
    }
    const x0 = Math.max(0, Math.floor(px - r));
    const x1 = Math.min(W - 1, Math.floor(px + r));
    const y0 = Math.max(0, Math.floor(py - r));
    const y1 = Math.min(H - 1, Math.floor(py + r));
    for (let iy = y0; iy <= y1; iy++) {
        const dy = iy + 0.5 - py;
        for (let ix = x0; ix <= x1; ix++) {
            const dx = ix + 0.5 - px;
            const cover = r + 0.5 - Math.sqrt(dx * dx + dy * dy);
            if (cover > 0) blend(pixels, iy * W + ix, rgb, Math.min(1, cover));
        }
    }
}
