"""Checks the geometry of the clear style's SVG pictures; prints OK or what is wrong.

    clear_check.py VERTEX_SVG COMMUNITY_SVG LINKS_CSV

The frame is the viewBox. In each picture everything drawn lies inside the frame with a
margin of at least 2 % on every side, the drawing's box is centred within 3 % and fills at
least 85 % of the frame in its limiting dimension. In the vertex picture: the legend is a
group of class "legend" with a caption, besides every vertex and label; no two labels
overlap, no label covers another vertex's disc, and each label's anchor (the point of its
box nearest its vertex) is nearer to that vertex's centre than to any other. In the
community picture: one bar of class "link" per pair of adjacent communities (the rows of the
run's exported links table). Every colour is #rrggbb.
"""
import csv
import re
import sys
import xml.etree.ElementTree as ET

NS = "{http://www.w3.org/2000/svg}"
problems = []


def fail(text):
    problems.append(text)


def shapes(path):
    root = ET.parse(path).getroot()
    frame = [float(v) for v in root.get("viewBox").split()]
    global image
    image = (int(root.get("width")), int(root.get("height")))
    items = []  # (kind, element, class, box)

    def walk(node, group):
        for child in node:
            tag = child.tag.replace(NS, "")
            cls = child.get("class") or group
            if tag == "g":
                walk(child, child.get("class"))
                continue
            for attribute in ("fill", "stroke"):
                value = child.get(attribute)
                if value and value != "none" and not re.fullmatch(r"#[0-9a-f]{6}", value):
                    fail(f"{path}: colour {value}")
            if tag == "circle":
                x, y, r = (float(child.get(a)) for a in ("cx", "cy", "r"))
                items.append(("circle", child, cls, (x - r, y - r, x + r, y + r)))
            elif tag == "line":
                x1, y1, x2, y2 = (float(child.get(a)) for a in ("x1", "y1", "x2", "y2"))
                w = float(child.get("stroke-width")) / 2
                items.append(("line", child, cls,
                              (min(x1, x2) - w, min(y1, y2) - w, max(x1, x2) + w, max(y1, y2) + w)))
            elif tag == "text":
                x, y = float(child.get("x")), float(child.get("y"))
                h, w = float(child.get("font-size")), float(child.get("textLength"))
                # y is the baseline, 0.22 of the height above the box's bottom.
                bottom = y + 0.22 * h
                items.append(("text", child, cls, (x, bottom - h, x + w, bottom)))
    walk(root, None)
    # The background rectangle is the frame itself.
    return frame, [i for i in items]


def check_composition(path, frame, items):
    fx, fy, fw, fh = frame
    boxes = [b for _, _, _, b in items]
    if not boxes:
        fail(f"{path}: nothing drawn")
        return
    left = min(b[0] for b in boxes)
    top = min(b[1] for b in boxes)
    right = max(b[2] for b in boxes)
    bottom = max(b[3] for b in boxes)
    eps = 1e-6 * max(fw, fh)
    if left < fx + 0.02 * fw - eps or right > fx + 0.98 * fw + eps:
        fail(f"{path}: horizontal margin {(left - fx) / fw:.4f}, {(fx + fw - right) / fw:.4f}")
    if top < fy + 0.02 * fh - eps or bottom > fy + 0.98 * fh + eps:
        fail(f"{path}: vertical margin {(top - fy) / fh:.4f}, {(fy + fh - bottom) / fh:.4f}")
    cx, cy = (left + right) / 2, (top + bottom) / 2
    if abs(cx - (fx + fw / 2)) > 0.03 * fw or abs(cy - (fy + fh / 2)) > 0.03 * fh:
        fail(f"{path}: drawing centred at {(cx - fx) / fw:.3f}, {(cy - fy) / fh:.3f}")
    fill = max((right - left) / fw, (bottom - top) / fh)
    if fill < 0.85:
        fail(f"{path}: the drawing fills {fill:.3f} of the frame")


def overlap(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


def disc_meets_box(x, y, r, b):
    dx = max(b[0] - x, 0, x - b[2])
    dy = max(b[1] - y, 0, y - b[3])
    return dx * dx + dy * dy < r * r * (1 - 1e-6)


def check_vertex_picture(path, items):
    discs = [(float(e.get("cx")), float(e.get("cy")), float(e.get("r")))
             for kind, e, cls, _ in items if kind == "circle" and cls != "legend"]
    labels = [(e.text, b) for kind, e, cls, b in items if kind == "text" and cls != "legend"]
    legend = [b for kind, e, cls, b in items if cls == "legend"]
    captions = [e.text for kind, e, cls, _ in items if kind == "text" and cls == "legend"]
    # Texts (the legend, the labels) need an image of 220 by 110 pixels at least.
    if discs and not legend and image[0] >= 220 and image[1] >= 110:
        fail(f"{path}: no legend group")
    if legend and captions[:1] not in (["degree"], ["strength"]):
        fail(f"{path}: legend caption {captions[:1]}")
    for b in legend:
        if any(disc_meets_box(x, y, r, b) for x, y, r in discs):
            fail(f"{path}: the legend covers a vertex")
        if any(overlap(b, lb) for _, lb in labels):
            fail(f"{path}: the legend meets a label")
    for k, (text, box) in enumerate(labels):
        for other_text, other in labels[k + 1:]:
            if overlap(box, other):
                fail(f"{path}: labels {text!r} and {other_text!r} overlap")
        # Its vertex: the disc whose centre is nearest the box's nearest point, which must
        # hold strictly; no other disc may meet the box.
        def distance(d):
            ax = min(max(d[0], box[0]), box[2])
            ay = min(max(d[1], box[1]), box[3])
            return ((ax - d[0]) ** 2 + (ay - d[1]) ** 2) ** 0.5
        ranked = sorted(discs, key=distance)
        own = ranked[0]
        if len(ranked) > 1 and distance(ranked[1]) <= distance(own) * (1 + 1e-6) + 1e-9:
            fail(f"{path}: label {text!r} is as near another vertex as its own")
        inside_own = box[0] >= own[0] - own[2] and box[2] <= own[0] + own[2]
        for d in ranked[1:]:
            if disc_meets_box(*d, box):
                fail(f"{path}: label {text!r} covers another vertex")
                break
        if not inside_own and disc_meets_box(*own, box) and distance(own) > 0:
            fail(f"{path}: label {text!r} covers part of its own vertex")
    return len(labels)


def check_community_picture(path, items, links_csv):
    centres = {}
    for kind, e, cls, _ in items:
        if kind == "circle":
            centres[(round(float(e.get("cx")), 3), round(float(e.get("cy")), 3))] = True
    bars = [e for kind, e, cls, _ in items if kind == "line" and cls == "link"]
    pairs = set()
    for e in bars:
        a = (round(float(e.get("x1")), 3), round(float(e.get("y1")), 3))
        b = (round(float(e.get("x2")), 3), round(float(e.get("y2")), 3))
        key = tuple(sorted((a, b)))
        if key in pairs:
            fail(f"{path}: the pair {key} is joined twice")
        pairs.add(key)
        for end in (a, b):
            if end not in centres:
                fail(f"{path}: a bar ends outside every sphere's centre")
    if links_csv:
        # A community's link to itself (Source = Target) is no bar.
        with open(links_csv, newline="") as table:
            rows = sum(1 for row in csv.DictReader(table) if row["Source"] != row["Target"])
        if rows != len(bars):
            fail(f"{path}: {len(bars)} bars for {rows} pairs of adjacent communities")
    return len(bars)


vertex_svg, community_svg = sys.argv[1], sys.argv[2]
frame, items = shapes(vertex_svg)
check_composition(vertex_svg, frame, items)
labels = check_vertex_picture(vertex_svg, items)
frame, items = shapes(community_svg)
check_composition(community_svg, frame, items)
bars = check_community_picture(community_svg, items, sys.argv[3] if len(sys.argv) > 3 else None)
if problems:
    print("\n".join(problems[:20]))
else:
    print(f"OK {labels} labels {bars} bars")
