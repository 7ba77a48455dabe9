"""Quality and speed of the Leiden detector beside igraph's, in one sitting. Run with the system
python (/usr/bin/python3), which has python3-igraph and python3-networkx:

    leiden_quality.py [lfr] [planted-20m] [pa-1m] ...

  lfr    nine LFR networks of 10,000 vertices (networkx's LFR_benchmark_graph: τ1 = 3,
         τ2 = 1.5, average degree 10, smallest community 20; μ = 0.1, 0.2, 0.3, seeds 1 to 3),
         written to bench/out/lfr-mu*-s*.txt without their few self-loops (the program and
         igraph count those differently), the planted communities beside them (.truth)
  NAME   bench/out/NAME.txt (bench/run.sh generates the benchmark networks)

Needs build/release/bench/leiden_bench. For every network: our Q, NMI against the planted
communities (LFR), detector time (CSR included) with 1 and 2 threads and the number of
communities; igraph's multilevel (Louvain), the median of five runs with Python's `random`
seeded 1 to 5 for LFR (one run, seed 1, on the large networks); igraph's Leiden for
modularity until stable as a quality oracle. igraph runs in a child process stopped after
IGRAPH_CAP seconds (300), its times without reading. Prints one Markdown table.
"""
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "bench", "out")
BENCH = os.path.join(ROOT, "build", "release", "bench", "leiden_bench")
CAP = float(os.environ.get("IGRAPH_CAP", "300"))
LFR_MU = (0.1, 0.2, 0.3)
LFR_SEEDS = (1, 2, 3)


def write_lfr(mu, seed):
    """Writes an LFR network and its planted communities; returns the edge file's path."""
    import networkx

    path = os.path.join(OUT, f"lfr-mu{mu}-s{seed}.txt")
    graph = networkx.LFR_benchmark_graph(10000, 3, 1.5, mu, average_degree=10,
                                         min_community=20, seed=seed)
    with open(path, "w") as out:
        for u, v in graph.edges():
            if u != v:
                out.write(f"{u} {v}\n")
    with open(path[:-4] + ".truth", "w") as out:
        for node in sorted(graph.nodes()):
            out.write(f"{node} {min(graph.nodes[node]['community'])}\n")
    return path


def read_pairs(path):
    with open(path) as lines:
        return {int(a): int(b) for a, b in (line.split() for line in lines)}


def ours(path):
    """leiden_bench on the file: ({threads: seconds}, communities, Q, membership by id)."""
    with tempfile.NamedTemporaryFile("r", suffix=".txt") as partition:
        text = subprocess.run([BENCH, path, "-threads", "1,2", "-write", partition.name],
                              check=True, capture_output=True, text=True).stdout
        membership = read_pairs(partition.name)
    seconds, communities, q = {}, 0, 0.0
    for line in text.splitlines():
        words = line.split()
        if words[0] == "threads":
            seconds[int(words[1])] = float(words[3]) + float(words[5])
            communities, q = int(words[9]), float(words[11])
        if words[0] == "identical" and words[1] != "yes":
            raise SystemExit(f"{path}: memberships differ between thread counts")
    return seconds, communities, q, membership


def as_list(count, membership):
    """Membership by vertex 0 … count − 1; vertices absent from it get communities of their own."""
    fresh = max(membership.values(), default=-1) + 1
    result = []
    for vertex in range(count):
        if vertex in membership:
            result.append(membership[vertex])
        else:
            result.append(fresh)
            fresh += 1
    return result


def igraph_child(path, method, seed, truth_path, ours_path):
    """In the child process: one igraph method on the file; prints Q NMI SECONDS COUNT, and
    with ours_path also igraph's Q and NMI of our partition."""
    import igraph

    graph = igraph.Graph.Read_Edgelist(path, directed=False)
    graph.simplify(multiple=True, loops=False)
    truth = as_list(graph.vcount(), read_pairs(truth_path)) if truth_path != "-" else None
    random.seed(int(seed))
    start = time.perf_counter()
    if method == "multilevel":
        found = graph.community_multilevel()
    else:
        found = graph.community_leiden(objective_function="modularity", n_iterations=-1)
    elapsed = time.perf_counter() - start
    score = igraph.compare_communities(found.membership, truth, "nmi") if truth else -1
    line = f"{graph.modularity(found.membership)} {score} {elapsed} {len(found)}"
    if ours_path != "-":
        mine = as_list(graph.vcount(), read_pairs(ours_path))
        mine_score = igraph.compare_communities(mine, truth, "nmi") if truth else -1
        line += f" {graph.modularity(mine)} {mine_score}"
    print(line)


def igraph_run(path, method, seed, truth_path="-", ours_path="-"):
    """The child's figures as floats, or None when it ran out of time."""
    try:
        text = subprocess.run([sys.executable, __file__, "--igraph", path, method, str(seed),
                               truth_path, ours_path],
                              check=True, capture_output=True, text=True, timeout=CAP).stdout
    except subprocess.TimeoutExpired:
        return None
    return [float(word) for word in text.split()]


def fmt(value, digits=4):
    return "-" if value is None or value < 0 else f"{value:.{digits}f}"


def row(name, path, truth_path, runs):
    seconds, communities, q, membership = ours(path)
    with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as out:
        for vertex, community in membership.items():
            out.write(f"{vertex} {community}\n")
    try:
        louvain = [igraph_run(path, "multilevel", seed, truth_path, out.name if seed == 1 else "-")
                   for seed in range(1, runs + 1)]
        leiden = igraph_run(path, "leiden", 1, truth_path)
    finally:
        os.unlink(out.name)
    ours_nmi = louvain[0][5] if louvain[0] else None
    done = [entry for entry in louvain if entry]
    median = [statistics.median(entry[k] for entry in done) if done else None for k in range(3)]
    louvain_s = f"{median[2]:.2f}" if done else f"> {CAP:.0f}"
    leiden_figures = leiden or [None, None, None]
    leiden_s = f"{leiden[2]:.2f}" if leiden else f"> {CAP:.0f}"
    print(f"| {name} | {fmt(q)} | {fmt(ours_nmi)} | {seconds.get(1, 0):.2f} | "
          f"{seconds.get(2, 0):.2f} | {communities} | {fmt(median[0])} | {fmt(median[1])} | "
          f"{louvain_s} | {fmt(leiden_figures[0])} | {fmt(leiden_figures[1])} | {leiden_s} |",
          flush=True)


def main():
    if sys.argv[1:2] == ["--igraph"]:
        igraph_child(*sys.argv[2:7])
        return
    wanted = sys.argv[1:] or ["lfr"]
    os.makedirs(OUT, exist_ok=True)
    print("| network | Q | NMI | s, 1 thread | s, 2 threads | communities | multilevel Q "
          "| multilevel NMI | multilevel s | igraph Leiden Q | igraph Leiden NMI "
          "| igraph Leiden s |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    for name in wanted:
        if name == "lfr":
            for mu in LFR_MU:
                for seed in LFR_SEEDS:
                    path = write_lfr(mu, seed)
                    row(f"LFR μ={mu} seed {seed}", path, path[:-4] + ".truth", 5)
        else:
            row(name, os.path.join(OUT, f"{name}.txt"), "-", 1)


if __name__ == "__main__":
    main()
