"""Peer figures for bench/run.sh: igraph's time to read an edge-list file, compute the
coreness of every vertex and multilevel communities. Prints "read CORES MULTILEVEL TOTAL Q"
on one line: the seconds, then the modularity of the multilevel partition. Run with the system python (/usr/bin/python3), which has
python3-igraph.

    igraph_peer.py FILE
"""
import sys
import time

import igraph


def main():
    path = sys.argv[1]
    start = time.perf_counter()
    graph = igraph.Graph.Read_Edgelist(path, directed=False)
    # Repeated edges are ignored by the tool as well; self-loops are kept by both.
    graph.simplify(multiple=True, loops=False)
    read = time.perf_counter()
    graph.coreness()
    cores = time.perf_counter()
    communities = graph.community_multilevel()
    done = time.perf_counter()
    print(f"{read - start:.3f} {cores - read:.3f} {done - cores:.3f} {done - start:.3f} "
          f"{communities.modularity:.4f}")


if __name__ == "__main__":
    main()
