#include "analysis/network.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <random>
#include <sstream>

#include "analysis/cores.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

std::vector<VertexId> ids(const std::vector<Vertex*>& list) {
    std::vector<VertexId> out;
    for (const Vertex* v : list) out.push_back(v->id);
    return out;
}

std::map<int, std::vector<VertexId>> coreIds(const Network& network) {
    std::map<int, std::vector<VertexId>> out;
    for (const auto& [shell, list] : network.cores) out[shell] = ids(list);
    return out;
}

std::vector<int> shells(const Network& network) {
    std::vector<int> out;
    for (const Vertex* v : network.graph.vertices) out.push_back(v->shellIndex);
    return out;
}

void build(Network& network, const std::vector<Edge>& edges) {
    for (const Edge& e : edges) network.graph.addEdge(e.u, e.v);
}

void peel(Network& network) {
    network.graph.buildDegreesList();
    network.findCores();
}

// The independent check: repeatedly remove a vertex of least remaining degree (adjacency
// entries to vertices not yet removed, its own self entries included); its core number is
// the largest such degree seen so far.
std::vector<int> coreNumbersByMinimumDegree(const Graph& graph) {
    const std::size_t n = graph.vertices.size();
    std::vector<int> remaining(n), core(n, 0);
    std::vector<bool> removed(n, false);
    for (std::size_t i = 0; i < n; ++i) remaining[i] = graph.vertices[i]->degree;
    int level = 0;
    for (std::size_t step = 0; step < n; ++step) {
        std::size_t pick = n;
        for (std::size_t i = 0; i < n; ++i)
            if (!removed[i] && (pick == n || remaining[i] < remaining[pick])) pick = i;
        level = std::max(level, remaining[pick]);
        core[pick] = level;
        removed[pick] = true;
        for (const Vertex* u : graph.vertices[pick]->neighbours)
            if (!removed[u->index]) --remaining[u->index];
    }
    return core;
}

// The bucket walk done the plain way, on linked lists with linear removal: slow, but
// its shell lists give the order the fast version must reproduce.
std::map<int, std::vector<VertexId>> listWalkCores(const Graph& graph) {
    std::map<int, std::list<Vertex*>> cores;
    std::map<const Vertex*, int> shell;
    for (Vertex* v : graph.vertices) {
        cores[v->degree].push_back(v);
        shell[v] = v->degree;
    }
    for (auto key = cores.begin(); key != cores.end(); ++key) {
        const int k = key->first;
        for (auto it = key->second.begin(); it != key->second.end(); ++it) {
            for (Vertex* u : (*it)->neighbours) {
                const int s = shell[u];
                if (s <= k) continue;
                std::list<Vertex*>& from = cores[s];
                from.erase(std::find(from.begin(), from.end(), u));
                if (from.empty()) cores.erase(s);
                shell[u] = s - 1;
                cores[s - 1].push_back(u);
            }
        }
    }
    std::map<int, std::vector<VertexId>> out;
    for (const auto& [k, list] : cores)
        for (const Vertex* v : list) out[k].push_back(v->id);
    return out;
}

}  // namespace

//  1 --- 2
//   \   /
//     0 --- 3
TEST(KCore, TriangleWithPendant) {
    Network network;
    build(network, {{0, 1}, {1, 2}, {2, 0}, {0, 3}});
    peel(network);
    EXPECT_THAT(shells(network), ElementsAre(2, 2, 2, 1));
    EXPECT_EQ(network.minShell, 1);
    EXPECT_EQ(network.maxShell, 2);
    EXPECT_EQ(coreIds(network), (std::map<int, std::vector<VertexId>>{{1, {3}}, {2, {1, 2, 0}}}));
    EXPECT_THAT(ids(network.getTopCore()), ElementsAre(1, 2, 0));
}

// The centre is lowered from 4 to 1 one step at a time and ends behind the leaves.
TEST(KCore, StarCentreComesLast) {
    Network network;
    build(network, {{0, 1}, {0, 2}, {0, 3}, {0, 4}});
    peel(network);
    EXPECT_EQ(coreIds(network), (std::map<int, std::vector<VertexId>>{{1, {1, 2, 3, 4, 0}}}));
    EXPECT_EQ(network.minShell, 1);
    EXPECT_EQ(network.maxShell, 1);
}

TEST(KCore, SmallShapes) {
    struct Case {
        const char* name;
        std::vector<Edge> edges;
        std::vector<int> shells;
    };
    std::vector<Edge> k5;
    for (VertexId u = 0; u < 5; ++u)
        for (VertexId v = u + 1; v < 5; ++v) k5.push_back({u, v});
    const std::vector<Case> cases = {
        {"path", {{0, 1}, {1, 2}}, {1, 1, 1}},
        {"lone self-loop", {{7, 7}}, {1}},
        {"self-loop on a path end", {{0, 0}, {0, 1}}, {1, 1}},
        {"complete graph on five", k5, {4, 4, 4, 4, 4}},
    };
    for (const Case& c : cases) {
        Network network;
        build(network, c.edges);
        peel(network);
        EXPECT_EQ(shells(network), c.shells) << c.name;
    }
}

TEST(KCore, WithoutDegreeListShellIsDegree) {
    Network network;
    build(network, {{0, 1}, {0, 2}, {0, 3}});
    network.maxShell = 7;
    network.minShell = 5;
    network.findCores();
    EXPECT_THAT(shells(network), ElementsAre(3, 1, 1, 1));
    EXPECT_THAT(network.cores, IsEmpty());
    EXPECT_EQ(network.minShell, 0);
    EXPECT_EQ(network.maxShell, 7);
    EXPECT_THAT(network.getTopCore(), IsEmpty());
    EXPECT_EQ(network.cores.count(7), 1u);
}

TEST(KCore, EmptyNetwork) {
    Network network;
    peel(network);
    EXPECT_EQ(network.minShell, 0);
    EXPECT_EQ(network.maxShell, 0);
    EXPECT_THAT(network.cores, IsEmpty());
}

TEST(KCore, RepeatableAndStaleDegreeListIsNotTrusted) {
    Network network;
    build(network, {{0, 1}, {1, 2}, {2, 0}});
    peel(network);
    network.findCores();
    EXPECT_EQ(coreIds(network), (std::map<int, std::vector<VertexId>>{{2, {0, 1, 2}}}));
    // An edge added after the degree list was built still counts.
    network.graph.addEdge(0, 3);
    network.findCores();
    EXPECT_THAT(shells(network), ElementsAre(2, 2, 2, 1));
}

// A vertex with a self-loop copied into a sub-network lists itself twice: shell 2 alone.
TEST(KCore, CopiedSelfLoopCountsTwice) {
    Network network;
    build(network, {{4, 4}, {4, 5}});
    Network sub = network.getInducedGraph({network.graph.vertexMap.find(4)});
    peel(sub);
    EXPECT_THAT(shells(sub), ElementsAre(2));
}

TEST(KCore, LayerAndInducedGraph) {
    Network network;
    build(network, {{0, 1}, {1, 2}, {2, 0}, {0, 3}});
    peel(network);
    Network layer = network.getLayer(2);
    EXPECT_THAT(ids(layer.graph.vertices), ElementsAre(0, 1, 2));
    EXPECT_EQ(layer.graph.numArcs, 6u);
    Network induced =
        network.getInducedGraph({network.graph.vertexMap.find(3), network.graph.vertexMap.find(0)});
    EXPECT_THAT(ids(induced.graph.vertices), ElementsAre(3, 0));
    EXPECT_EQ(induced.graph.numArcs, 2u);
}

TEST(KCore, PrintCores) {
    Network network;
    build(network, {{0, 1}, {1, 2}, {2, 0}, {0, 3}});
    peel(network);
    std::ostringstream out;
    network.printCores(out);
    EXPECT_EQ(out.str(), "Cores BEGIN\n1: 3 \n2: 1 2 0 \nCores END\n");
}

// Shell indices against the minimum-degree peel and shell lists against the plain list walk,
// on seeded random graphs with self-loops, repeated edges and hubs; the same again on
// sub-networks copied vertex by vertex (where self-loops give two entries).
TEST(KCore, AgreesWithIndependentPeelOnRandomGraphs) {
    std::mt19937 random(2024);
    for (int round = 0; round < 300; ++round) {
        const int n = 1 + static_cast<int>(random() % 40);
        const int m = static_cast<int>(random() % (3 * n + 1));
        std::vector<Edge> edges;
        for (int i = 0; i < m; ++i) {
            VertexId u = static_cast<VertexId>(random() % n);
            if (round % 3 == 0 && random() % 2 == 0) u = 0;  // a hub
            const VertexId v = random() % 6 == 0 ? u : static_cast<VertexId>(random() % n);
            edges.push_back({u, v});
            if (random() % 5 == 0) edges.push_back({v, u});
        }
        Network network;
        if (round % 2 == 0) {
            build(network, edges);
        } else {
            network.graph.addEdges(std::vector<Edge>(edges));
        }
        peel(network);
        SCOPED_TRACE("round " + std::to_string(round));
        EXPECT_EQ(shells(network), coreNumbersByMinimumDegree(network.graph));
        EXPECT_EQ(coreIds(network), listWalkCores(network.graph));
        if (!network.graph.vertices.empty()) {
            EXPECT_EQ(network.minShell, network.cores.begin()->first);
            EXPECT_EQ(network.maxShell, network.cores.rbegin()->first);
        }

        std::list<Vertex*> half;
        for (Vertex* v : network.graph.vertices)
            if (random() % 2 == 0) half.push_front(v);
        Network sub = network.getInducedGraph(half);
        peel(sub);
        EXPECT_EQ(shells(sub), coreNumbersByMinimumDegree(sub.graph));
        EXPECT_EQ(coreIds(sub), listWalkCores(sub.graph));
    }
}

// The core numbers of the whole graph, peeled on one thread and level by level on two and
// three, against the minimum-degree peel: seeded random graphs with self-loops, repeats
// (kept, in a multigraph) and hubs, beside a long path (peeled one vertex a round from its
// ends) and beside many cherries (centres lowered by two threads at once).
TEST(KCore, CoreNumbersOnThreadsAgreeWithIndependentPeel) {
    std::mt19937 random(31);
    for (int round = 0; round < 120; ++round) {
        const int n = 1 + static_cast<int>(random() % (round % 10 == 0 ? 3000 : 60));
        std::vector<Edge> edges;
        const VertexId apart = 100000;  // ids of a component of its own
        if (round == 0) {
            for (VertexId i = 0; i + 1 < 300; ++i) edges.push_back({apart + i, apart + i + 1});
        }
        if (round == 1) {
            // Cherries: every first leaf before every second one, so that the two leaves of
            // a centre fall in different chunks and lower it at once at level 1.
            for (const VertexId leaf : {1, 2})
                for (VertexId c = 0; c < 2000; ++c)
                    edges.push_back({apart + 3 * c, apart + 3 * c + leaf});
        }
        const int m = static_cast<int>(random() % (4 * n + 1));
        for (int i = 0; i < m; ++i) {
            VertexId u = static_cast<VertexId>(random() % n);
            if (round % 3 == 0 && random() % 2 == 0) u = 0;
            const VertexId v = random() % 7 == 0 ? u : static_cast<VertexId>(random() % n);
            edges.push_back({u, v});
            if (random() % 5 == 0) edges.push_back({v, u});
        }
        Graph graph(round % 2 == 0);
        graph.addEdges(std::move(edges));
        SCOPED_TRACE("round " + std::to_string(round));
        const std::vector<int> expected = coreNumbersByMinimumDegree(graph);
        EXPECT_EQ(computeCoreness(graph, 1), expected);
        for (const unsigned threads : {2u, 3u})
            EXPECT_EQ(computeCoreness(graph, threads, nullptr, 0), expected) << threads;
    }
}

// The shells inside sets of vertices, computed in place, against sub-networks copied vertex
// by vertex and peeled: shells, top shell and the top core's order. One object serves all
// sets of a graph in turn, as it does for the communities of a scene; graphs with and
// without repeated edges, with self-loops and hubs.
TEST(KCore, InducedCoresMatchCopiedSubNetworks) {
    std::mt19937 random(77);
    for (int round = 0; round < 200; ++round) {
        const int n = 1 + static_cast<int>(random() % 30);
        Network network;
        network.graph.simple = round % 2 == 0;
        const int m = static_cast<int>(random() % (4 * n + 1));
        for (int i = 0; i < m; ++i) {
            VertexId u = static_cast<VertexId>(random() % n);
            if (round % 3 == 0 && random() % 2 == 0) u = 0;
            const VertexId v = random() % 7 == 0 ? u : static_cast<VertexId>(random() % n);
            network.graph.addEdge(u, v);
        }
        InducedCores cores;
        for (int set = 0; set < 4; ++set) {
            std::vector<Vertex*> members;
            for (Vertex* v : network.graph.vertices)
                if (random() % 3 != 0) members.push_back(v);
            std::shuffle(members.begin(), members.end(), random);
            Network sub;
            for (const Vertex* v : members) sub.graph.addVertex(v);
            peel(sub);
            cores.compute(network.graph, members.data(), members.size());

            SCOPED_TRACE("round " + std::to_string(round) + " set " + std::to_string(set));
            EXPECT_EQ(cores.shell, shells(sub));
            std::vector<VertexId> top;
            for (const Index place : cores.topCore) top.push_back(members[place]->id);
            if (members.empty()) {
                EXPECT_THAT(top, IsEmpty());
                EXPECT_EQ(cores.maxShell, 0);
            } else {
                EXPECT_EQ(cores.maxShell, sub.maxShell);
                EXPECT_EQ(top, ids(sub.getTopCore()));
            }
        }
    }
}
