#!/usr/bin/python3
"""Writes the Les Miserables network (networkx's built-in copy) in every input format the
tool reads, for the end-to-end tests of tests/e2e/formats_test.cpp. Run once from anywhere
with Debian's python3 (python3-networkx, python3-igraph); the files are committed.

    /usr/bin/python3 tests/data/make_lesmis.py

Vertices are numbered as the tool numbers them: in declaration order (list(G)) for GraphML,
GEXF, GML and Pajek, in order of first appearance in the edges for CSV and NCOL. For each
numbering an integer edge list and a names file hold the same network, so a run on them
must give what a run on the format gives.
"""
import gzip
import os
import re

import igraph
import networkx as nx

HERE = os.path.dirname(os.path.abspath(__file__))


def path(name):
    return os.path.join(HERE, name)


def write(name, text):
    with open(path(name), "w", encoding="utf-8", newline="\n") as out:
        out.write(text)


def write_gzip(name):
    # mtime 0 and no file name in the header: the same bytes on every run.
    with open(path(name), "rb") as source:
        data = source.read()
    with open(path(name + ".gz"), "wb") as raw:
        with gzip.GzipFile(filename="", mode="wb", fileobj=raw, mtime=0) as out:
            out.write(data)


def integer_files(stem, edges, order):
    number = {name: k for k, name in enumerate(order)}
    write(stem + ".txt", "".join(f"{number[u]} {number[v]}\n" for u, v, _ in edges))
    write(stem + "_names.txt", "".join(f'{k} "{name}"\n' for k, name in enumerate(order)))


def first_appearance(edges):
    order = []
    for u, v, _ in edges:
        for end in (u, v):
            if end not in order:
                order.append(end)
    return order


def main():
    G = nx.les_miserables_graph()
    nodes = list(G)
    edges = list(G.edges(data="weight"))

    integer_files("lesmis", edges, nodes)
    integer_files("lesmis_first", edges, first_appearance(edges))

    nx.write_graphml(G, path("lesmis.graphml"))
    nx.write_gml(G, path("lesmis.gml"))
    nx.write_gexf(G, path("lesmis.gexf"))
    # The writer stamps today's date; a fixed one keeps the file the same.
    with open(path("lesmis.gexf"), encoding="utf-8") as source:
        gexf = re.sub(r'lastmodifieddate="[^"]*"', 'lastmodifieddate="2026-01-01"', source.read())
    write("lesmis.gexf", gexf)

    rows = nx.generate_edgelist(G, delimiter=",", data=["weight"])
    write("lesmis.csv", "source,target,weight\n" + "".join(row + "\n" for row in rows))

    number = {name: k for k, name in enumerate(nodes)}
    g = igraph.Graph(n=len(nodes), edges=[(number[u], number[v]) for u, v, _ in edges])
    g.vs["name"] = nodes
    g.es["weight"] = [w for _, _, w in edges]
    g.write_gml(path("lesmis_igraph.gml"), creator="igraph, by tests/data/make_lesmis.py")
    g.write_ncol(path("lesmis.ncol"), names="name", weights="weight")

    # Pajek by hand: a comment, a network line, vertex lines with and without coordinates
    # and shapes, and quoted and unquoted names.
    lines = ["% Les Miserables, written by tests/data/make_lesmis.py", "*Network lesmis",
             f"*Vertices {len(nodes)}"]
    for k, name in enumerate(nodes):
        if k % 3 == 0:
            lines.append(f'{k + 1} "{name}" 0.{k % 10} 0.5 ellipse')
        elif k % 3 == 1:
            lines.append(f'{k + 1} "{name}"')
        else:
            lines.append(f"{k + 1} {name} 0.25 0.75 0.5 box")
    lines.append("*Edges")
    lines += [f"{number[u] + 1} {number[v] + 1} {w}" for u, v, w in edges]
    write("lesmis.net", "\n".join(lines) + "\n")

    for name in ("lesmis.txt", "lesmis.graphml", "lesmis.csv"):
        write_gzip(name)


if __name__ == "__main__":
    main()
