"""Quality and speed of the Leiden detector beside igraph's, in one sitting. Run with the system
python (/usr/bin/python3), which has python3-igraph and python3-networkx:

    leiden_quality.py [lfr] [planted-20m] [pa-1m] ...

  lfr          three LFR networks of 10,000 vertices (networkx's LFR_benchmark_graph: τ1 = 3,
               τ2 = 1.5, average degree 10, smallest community 20, μ = 0.1, 0.2, 0.3, seed 1),
               written to bench/out/lfr-mu*.txt without their few self-loops (the program
               and igraph count those differently)
  NAME         bench/out/NAME.txt (bench/run.sh generates the benchmark networks)

For every network: our Q, NMI against the planted communities (LFR only), time with 1 and 2
threads and the number of communities, from build/release/bench/leiden_bench; igraph's
multilevel (Louvain), the median of five runs with Python's `random` seeded 1 to 5 (one run,
seed 1, for the large networks), and igraph's Leiden for modularity until stable, as a quality
oracle. Times of igraph exclude reading. Prints one Markdown table.
"""
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time

import igraph
import networkx

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "bench", "out")
BENCH = os.path.join(ROOT, "build", "release", "bench", "leiden_bench")
LFR_MU = (0.1, 0.2, 0.3)
LFR_SEED = 1


def lfr(mu):
    """Writes the LFR network of this μ and returns (edge file, planted membership by id)."""
    path = os.path.join(OUT, f"lfr-mu{mu}.txt")
    graph = networkx.LFR_benchmark_graph(10000, 3, 1.5, mu, average_degree=10,
                                         min_community=20, seed=LFR_SEED)
    planted = {}
    for node in sorted(graph.nodes()):
        community = graph.nodes[node]["community"]
        planted[node] = min(community)
    with open(path, "w") as out:
        for u, v in graph.edges():
            if u != v:  # the generator makes a few self-loops, which igraph counts twice
                out.write(f"{u} {v}\n")
    return path, planted


def ours(path, threads=(1, 2)):
    """Runs leiden_bench; returns ({threads: seconds}, communities, Q, membership by id)."""
    with tempfile.NamedTemporaryFile("r", suffix=".txt") as partition:
        text = subprocess.run(
            [BENCH, path, "-threads", ",".join(map(str, threads)), "-write", partition.name],
            check=True, capture_output=True, text=True).stdout
        membership = {}
        for line in partition:
            vertex, community = line.split()
            membership[int(vertex)] = int(community)
    seconds, communities, q, identical = {}, 0, 0.0, False
    for line in text.splitlines():
        words = line.split()
        if words[0] == "threads":
            seconds[int(words[1])] = float(words[3]) + float(words[5])
            communities, q = int(words[7]), float(words[9])
        if words[0] == "identical":
            identical = words[1] == "yes"
    if not identical:
        raise SystemExit(f"{path}: memberships differ between thread counts")
    return seconds, communities, q, membership


def as_list(graph, membership):
    """Membership by igraph vertex (igraph names vertices by id); absent ids get their own."""
    fresh = max(membership.values(), default=-1) + 1
    result = []
    for vertex in range(graph.vcount()):
        if vertex in membership:
            result.append(membership[vertex])
        else:
            result.append(fresh)
            fresh += 1
    return result


def nmi(graph, a, b):
    return igraph.compare_communities(a, b, method="nmi")


def row(name, path, planted, runs):
    graph = igraph.Graph.Read_Edgelist(path, directed=False)
    graph.simplify(multiple=True, loops=False)
    truth = as_list(graph, planted) if planted else None

    seconds, communities, q, membership = ours(path)
    ours_list = as_list(graph, membership)
    q_check = graph.modularity(ours_list)
    ours_nmi = nmi(graph, ours_list, truth) if truth else None

    louvain = []
    for seed in range(1, runs + 1):
        random.seed(seed)
        start = time.perf_counter()
        found = graph.community_multilevel()
        elapsed = time.perf_counter() - start
        louvain.append((found.modularity, nmi(graph, found.membership, truth) if truth else None,
                        elapsed, len(found)))
    median_q = statistics.median(entry[0] for entry in louvain)
    median_nmi = statistics.median(entry[1] for entry in louvain) if truth else None
    median_s = statistics.median(entry[2] for entry in louvain)

    random.seed(1)
    start = time.perf_counter()
    leiden = graph.community_leiden(objective_function="modularity", n_iterations=-1)
    leiden_s = time.perf_counter() - start
    leiden_q = graph.modularity(leiden.membership)
    leiden_nmi = nmi(graph, leiden.membership, truth) if truth else None

    def fmt(value):
        return "-" if value is None else f"{value:.4f}"

    print(f"| {name} | {graph.vcount()} | {graph.ecount()} | {fmt(q)} ({fmt(q_check)}) | "
          f"{fmt(ours_nmi)} | {seconds.get(1, 0):.2f} | {seconds.get(2, 0):.2f} | {communities} | "
          f"{fmt(median_q)} | {fmt(median_nmi)} | {median_s:.2f} | {fmt(leiden_q)} | "
          f"{fmt(leiden_nmi)} | {leiden_s:.2f} |", flush=True)


def main():
    wanted = sys.argv[1:] or ["lfr"]
    os.makedirs(OUT, exist_ok=True)
    print("| network | vertices | edges | Q (igraph's count) | NMI | s, 1 thread | s, 2 threads "
          "| communities | multilevel Q | multilevel NMI | multilevel s | igraph Leiden Q "
          "| igraph Leiden NMI | igraph Leiden s |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    for name in wanted:
        if name == "lfr":
            for mu in LFR_MU:
                path, planted = lfr(mu)
                row(f"LFR μ={mu}", path, planted, 5)
        else:
            row(name, os.path.join(OUT, f"{name}.txt"), None, 1)


if __name__ == "__main__":
    main()
