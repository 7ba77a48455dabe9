"""Writes a network of awkward names with networkx or python-igraph, and checks what a run
made of it; prints OK or what is wrong.

    file_data_check.py write WRITER FILE     writes the network (WRITER: nx-graphml, nx-gexf,
                                             nx-gml, nx-pajek, csv, ig-graphml, ig-gml; or
                                             ig-unnamed, a GraphML of ids n0, n1, ... alone,
                                             whose vertices are known by their numbers)
    file_data_check.py check WRITER STEM     checks STEM_vertices.csv, STEM.gexf and
                                             STEM_summary.json of a run with -weighted

The network: a ring through the names with a chord, node attributes of four types, positive
weights, and Pucci, a vertex without edges. The checks read the outputs with Python's csv
module and networkx's GEXF reader: every name comes back as written (control characters
other than the tab dropped), the file's ids in file_id, the attributes in their columns and
in the GEXF, Pucci in the table and the GEXF without a community, and the summary's weighted
modularity equal to networkx's for the table's partition.
"""
import csv
import json
import sys

import networkx as nx

NAMES = ["Zoë", "Ñandú", "北京", "Smith, John", 'The "Boss"', "a<b>&c", "AT&T", "tab\there",
         "=SUM(1)", "Myriel", "Valjean"]
# networkx writes a Pajek name bare unless it holds a space, so a tab splits it (networkx's own
# reader splits it too).
PAJEK_NAMES = [n for n in NAMES if "\t" not in n]
ISOLATED = "Pucci"


def network(writer):
    names = PAJEK_NAMES if writer == "nx-pajek" else NAMES
    G = nx.Graph()
    for k, name in enumerate(names):
        G.add_node(name, club="club " + "AB"[k % 2], age=20 + k, score=k / 4, member=k % 3 == 0)
    for k, name in enumerate(names):
        G.add_edge(name, names[(k + 1) % len(names)], weight=1 + k / 2)
    G.add_edge(names[0], names[len(names) // 2], weight=7.25)
    G.add_node(ISOLATED, club="none", age=99, score=0.5, member=False)
    return G


def write(writer, path):
    G = network(writer)
    if writer == "nx-graphml":
        nx.write_graphml(G, path)
    elif writer == "nx-gexf":
        nx.write_gexf(G, path)
    elif writer == "nx-gml":
        nx.write_gml(G, path)
    elif writer == "nx-pajek":
        for node in G.nodes():  # networkx writes only string attributes to Pajek
            for key in ("age", "score", "member"):
                del G.nodes[node][key]
        nx.write_pajek(G, path)
    elif writer == "csv":
        with open(path, "w", newline="", encoding="utf-8") as f:
            out = csv.writer(f)
            out.writerow(["source", "target", "weight"])
            for u, v, w in G.edges(data="weight"):
                out.writerow([u, v, w])
    elif writer == "ig-unnamed":  # ids n0, n1, ... and nothing to label the vertices by
        import igraph as ig
        g = ig.Graph(n=len(G) + 1, edges=[(k, (k + 1) % len(G)) for k in range(len(G))])
        g.write_graphml(path)
    else:
        import igraph as ig
        g = ig.Graph.from_networkx(G)
        g.vs["name"] = g.vs["_nx_name"]
        del g.vs["_nx_name"]
        (g.write_graphml if writer == "ig-graphml" else g.write_gml)(path)


def cleaned(text):
    return "".join(c for c in text if c == "\t" or not (ord(c) < 32 or ord(c) == 127))


def check_unnamed(stem):
    with open(stem + "_vertices.csv", newline="", encoding="utf-8") as f:
        rows = list(csv.DictReader(f))
    got = [(r["Label"], r["file_id"], r["community"] == "") for r in rows]
    wanted = [(str(k), f"n{k}", k == len(rows) - 1) for k in range(len(rows))]
    print("OK" if got == wanted else f"unnamed: {got} != {wanted}")


def check(writer, stem):
    if writer == "ig-unnamed":
        return check_unnamed(stem)
    G = network(writer)
    problems = []

    def expect(what, got, wanted):
        if got != wanted:
            problems.append(f"{writer} {what}: {got!r} != {wanted!r}")

    with open(stem + "_vertices.csv", newline="", encoding="utf-8") as f:
        rows = list(csv.DictReader(f))
    has_isolated = writer != "csv"  # an edge list cannot declare a vertex alone
    wanted = {cleaned(n) for n in G.nodes() if has_isolated or n != ISOLATED}
    expect("labels", {r["Label"] for r in rows}, wanted)
    by_label = {r["Label"]: r for r in rows}
    if writer in ("nx-graphml", "nx-gexf", "csv"):
        expect("file ids", {r["file_id"] for r in rows}, wanted)
    else:
        expect("file ids distinct", len({r["file_id"] for r in rows}), len(rows))
    typed = writer in ("nx-graphml", "nx-gexf", "nx-gml", "ig-graphml", "ig-gml")
    attributes = ["club", "age", "score"] if typed else ["club"] if writer == "nx-pajek" else []
    for name in attributes:
        if name not in rows[0]:
            problems.append(f"{writer}: no column {name} in {list(rows[0])}")
            continue
        for node, data in G.nodes(data=True):
            got = by_label.get(cleaned(node), {}).get(name)
            value = data[name]
            if isinstance(value, float):
                ok = got is not None and abs(float(got) - value) < 1e-12
            else:
                ok = got == str(value)
            if not ok:
                problems.append(f"{writer} {name} of {node!r}: {got!r} != {value!r}")
    if has_isolated:
        pucci = by_label.get(ISOLATED)
        if pucci is None:
            problems.append(f"{writer}: {ISOLATED} missing from the table")
        else:
            expect("isolated row", [pucci["community"], pucci["degree"], pucci["coreness"],
                                    pucci["shell"], pucci["x"], pucci["member_rank"]],
                   ["", "0", "0", "0", "", ""])

    if {r["Label"] for r in rows} != wanted:
        print("\n".join(problems))
        return
    # The weighted modularity of the table's partition, recomputed from the network written.
    parts = {}
    for r in rows:
        if r["community"]:
            parts.setdefault(r["community"], set()).add(r["Label"])
    H = nx.relabel_nodes(G, {n: cleaned(n) for n in G.nodes()})
    H.remove_nodes_from([n for n in list(H.nodes()) if H.degree(n) == 0])
    summary = json.load(open(stem + "_summary.json", encoding="utf-8"))
    expect("weighted", summary.get("weighted"), True)
    expect("vertices", summary.get("vertices"), len(rows))
    q = nx.community.modularity(H, parts.values(), weight="weight")
    q0 = nx.community.modularity(H, parts.values(), weight=None)
    if abs(summary["modularity"] - q) > 1e-9 * abs(q):
        problems.append(f"{writer} weighted modularity {summary['modularity']} != {q}")
    unweighted = summary.get("modularity_unweighted", float("nan"))
    if not abs(unweighted - q0) <= 1e-9 * abs(q0):
        problems.append(f"{writer} modularity {unweighted} != {q0}")
    strength = {n: s for n, s in H.degree(weight="weight")}
    for r in rows:
        if r["community"] and abs(float(r["strength"]) - strength[r["Label"]]) > 1e-9:
            problems.append(f"{writer} strength of {r['Label']!r}: {r['strength']}")

    X = nx.read_gexf(stem + ".gexf")
    labels = {data.get("label") for _, data in X.nodes(data=True)}
    expect("GEXF labels", labels, wanted)
    for _, data in X.nodes(data=True):
        row = by_label.get(data.get("label"))
        if row is not None:
            expect(f"GEXF file_id of {row['Label']!r}", str(data.get("file_id")), row["file_id"])
            if "club" in attributes:
                expect(f"GEXF club of {row['Label']!r}", data.get("club"), row["club"])
    print("\n".join(problems) if problems else "OK")


if __name__ == "__main__":
    if sys.argv[1] == "write":
        write(sys.argv[2], sys.argv[3])
    else:
        check(sys.argv[2], sys.argv[3])
