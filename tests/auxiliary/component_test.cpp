#include "auxiliary/component.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "analysis/network.h"
#include "aux_support.h"
#include "scene/types.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

using aux_test::ids;
using aux_test::idSet;

// Two 4-cliques joined through vertex 4 (shell 2), a pendant 9 on vertex 0 (shell 1) and a
// separate edge 10–11 (shell 1):
//
//   9 - 0 ---- 1         6 ---- 7
//       | \  / |         | \  / |
//       |  \/  |         |  \/  |
//       |  /\  |         |  /\  |
//       | /  \ |         | /  \ |
//       2 ---- 3 -- 4 -- 5 ---- 8        10 -- 11
const std::vector<Edge> kTwoCliques = {{0, 1}, {0, 2}, {0, 3}, {1, 2},  {1, 3}, {2, 3},
                                       {3, 4}, {4, 5}, {5, 6}, {5, 7},  {5, 8}, {6, 7},
                                       {6, 8}, {7, 8}, {0, 9}, {10, 11}};

std::vector<std::vector<VertexId>> clusterIds(const Component& component) {
    std::vector<std::vector<VertexId>> out;
    for (const Cluster* cluster : component.clusters) out.push_back(ids(*cluster));
    return out;
}

TEST(ComponentTree, TwoCliquesJoinedThroughALowerShellVertexBecomeSeparateChildren) {
    aux_test::FreshRand fresh;
    Network network;
    aux_test::build(network, kTwoCliques);
    network.findComponents();

    const Component& root = *network.component;
    EXPECT_EQ(root.level, 0);
    EXPECT_EQ(root.cardinal, 12);
    EXPECT_EQ(root.shellCount, 0);
    EXPECT_THAT(root.clusters, IsEmpty());
    ASSERT_EQ(root.children.size(), 2u);

    const Component& big = *root.children[0];
    EXPECT_EQ(big.level, 1);
    EXPECT_EQ(big.parent, &root);
    // Depth-first from 0 in adjacency order, the pendant last.
    EXPECT_THAT(ids(big.vertices), ElementsAre(0, 1, 2, 3, 4, 5, 6, 7, 8, 9));
    EXPECT_EQ(big.cardinal, 10);
    EXPECT_EQ(big.shellCount, 1);
    EXPECT_THAT(clusterIds(big), ElementsAre(ElementsAre(9)));
    ASSERT_EQ(big.children.size(), 1u);

    const Component& joined = *big.children[0];
    EXPECT_EQ(joined.level, 2);
    EXPECT_THAT(ids(joined.vertices), ElementsAre(0, 1, 2, 3, 4, 5, 6, 7, 8));
    EXPECT_THAT(clusterIds(joined), ElementsAre(ElementsAre(4)));
    ASSERT_EQ(joined.children.size(), 2u);
    EXPECT_THAT(ids(joined.children[0]->vertices), ElementsAre(0, 1, 2, 3));
    EXPECT_THAT(ids(joined.children[1]->vertices), ElementsAre(5, 6, 7, 8));
    for (const Component* clique : joined.children) {
        EXPECT_EQ(clique->level, 3);
        EXPECT_EQ(clique->shellCount, 4);
        EXPECT_THAT(clique->children, IsEmpty());
        EXPECT_THAT(clusterIds(*clique), ElementsAre(ids(clique->vertices)));
    }

    const Component& edge = *root.children[1];
    EXPECT_THAT(ids(edge.vertices), ElementsAre(10, 11));
    EXPECT_THAT(clusterIds(edge), ElementsAre(ElementsAre(10, 11)));
    EXPECT_THAT(edge.children, IsEmpty());

    // Marks: the deepest component and its level, the own cluster.
    const Vertex* v4 = network.graph.vertexMap.find(4);
    EXPECT_EQ(v4->component, &joined);
    EXPECT_EQ(v4->componentLevel, 2);
    EXPECT_EQ(v4->cluster, joined.clusters.front());
    EXPECT_EQ(network.graph.vertexMap.find(7)->component, joined.children[1]);
}

TEST(ComponentTree, ClustersAreNumberedInCreationOrderOverThePreOrder) {
    aux_test::FreshRand fresh;
    Network network;
    aux_test::build(network, kTwoCliques);
    network.findComponents();
    const Component& root = *network.component;
    std::map<int, VertexId> firstOfCluster;
    for (const auto& cluster : root.allClusters())
        firstOfCluster[root.clusterIndex(cluster.get())] = cluster->front()->id;
    EXPECT_THAT(firstOfCluster, ElementsAre(std::pair{0, 9}, std::pair{1, 4}, std::pair{2, 0},
                                            std::pair{3, 5}, std::pair{4, 10}));
    const Cluster stranger;
    EXPECT_EQ(root.clusterIndex(&stranger), -1);
}

TEST(ComponentTree, PrintIndentsByLevelAndTheMapGroupsClustersByLevel) {
    aux_test::FreshRand fresh;
    Network network;
    aux_test::build(network, kTwoCliques);
    network.findComponents();
    std::ostringstream out;
    network.printComponents(out);
    // The first cluster line of a level-k component carries 2k spaces (one component, one
    // cluster each here, so the shuffle cannot reorder).
    EXPECT_EQ(out.str(),
              "  9 \n"
              "    4 \n"
              "      0 1 2 3 \n"
              "      5 6 7 8 \n"
              "  10 11 \n");

    network.buildClustersMap();
    std::map<int, std::vector<std::vector<VertexId>>> byLevel;
    for (const auto& [level, clusters] : network.clustersMap)
        for (const Cluster* cluster : clusters) byLevel[level].push_back(ids(*cluster));
    EXPECT_THAT(
        byLevel,
        ElementsAre(std::pair{1, std::vector<std::vector<VertexId>>{{9}, {10, 11}}},
                    std::pair{2, std::vector<std::vector<VertexId>>{{4}}},
                    std::pair{3, std::vector<std::vector<VertexId>>{{0, 1, 2, 3}, {5, 6, 7, 8}}}));
}

TEST(ComponentTree, EdgelessNetworkGivesOneShuffledClusterPerVertexAndOneDrawEach) {
    aux_test::FreshRand fresh;
    // The expected shuffle, drawn by hand: each cluster to the back when u > 0.5.
    std::vector<int> draws;
    for (int i = 0; i < 11; ++i) draws.push_back(std::rand());
    std::deque<VertexId> expected;
    for (VertexId id = 0; id < 10; ++id) {
        if (static_cast<double>(draws[static_cast<std::size_t>(id)]) / 2147483648.0 > 0.5)
            expected.push_back(id);
        else
            expected.push_front(id);
    }
    std::srand(1);

    Network network;
    aux_test::addIsolated(network, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    network.graph.buildDegreesList();
    network.findCores();
    network.findComponents();
    // Exactly one draw per cluster: the next draw is the eleventh of the sequence.
    EXPECT_EQ(std::rand(), draws[10]);

    const Component& root = *network.component;
    EXPECT_THAT(root.children, IsEmpty());
    EXPECT_EQ(root.shellCount, 10);
    std::vector<VertexId> order;
    for (const Cluster* cluster : root.clusters) {
        ASSERT_EQ(cluster->size(), 1u);
        order.push_back(cluster->front()->id);
    }
    EXPECT_EQ(order, std::vector<VertexId>(expected.begin(), expected.end()));
}

TEST(ComponentTree, TreeShapedNetworkGivesOneLevelOneChildPerConnectedComponent) {
    aux_test::FreshRand fresh;
    Network network;
    aux_test::build(network, {{0, 1}, {1, 2}, {1, 3}, {7, 8}, {8, 9}});
    network.findComponents();
    const Component& root = *network.component;
    ASSERT_EQ(root.children.size(), 2u);
    for (const Component* child : root.children) {
        EXPECT_THAT(child->children, IsEmpty());
        ASSERT_EQ(child->clusters.size(), 1u);
        EXPECT_EQ(ids(*child->clusters.front()), ids(child->vertices));
    }
    EXPECT_THAT(ids(root.children[0]->vertices), ElementsAre(0, 1, 2, 3));
    EXPECT_THAT(ids(root.children[1]->vertices), ElementsAre(7, 8, 9));
}

TEST(ComponentTree, SecondBuildStartsFromUnmarkedVertices) {
    aux_test::FreshRand fresh;
    Network network;
    aux_test::build(network, kTwoCliques);
    network.findComponents();
    network.buildClustersMap();
    std::ostringstream first;
    network.printComponents(first);

    network.findComponents();
    EXPECT_THAT(network.clustersMap, IsEmpty());  // the old map pointed into the old tree
    network.buildClustersMap();
    std::ostringstream second;
    network.printComponents(second);
    EXPECT_EQ(second.str(), first.str());
    std::size_t clusters = 0;
    for (const auto& [level, list] : network.clustersMap) clusters += list.size();
    EXPECT_EQ(clusters, 5u);
}

// Connected components of the vertices of `members` that pass `keep`, by breadth-first search
// restricted to that set.
std::set<std::set<VertexId>> componentsOf(const std::vector<Vertex*>& members,
                                          bool (*keep)(const Vertex*, int), int level) {
    std::set<const Vertex*> inside;
    for (const Vertex* v : members)
        if (keep(v, level)) inside.insert(v);
    std::set<const Vertex*> seen;
    std::set<std::set<VertexId>> out;
    for (const Vertex* start : inside) {
        if (seen.count(start)) continue;
        std::set<VertexId> part;
        std::deque<const Vertex*> queue{start};
        seen.insert(start);
        while (!queue.empty()) {
            const Vertex* v = queue.front();
            queue.pop_front();
            part.insert(v->id);
            for (const Vertex* w : v->neighbours)
                if (inside.count(w) && seen.insert(w).second) queue.push_back(w);
        }
        out.insert(part);
    }
    return out;
}

bool above(const Vertex* v, int level) {
    return v->shellIndex > level;
}
bool exactly(const Vertex* v, int level) {
    return v->shellIndex == level;
}

TEST(ComponentTree, ChildrenAndClustersAreTheConnectedPartsOfTheShellsOnRandomGraphs) {
    aux_test::FreshRand fresh;
    std::mt19937 random(2024);
    for (int round = 0; round < 60; ++round) {
        const int n = 2 + static_cast<int>(random() % 25);
        const int m = static_cast<int>(random() % 70);
        std::vector<Edge> edges;
        for (int i = 0; i < m; ++i) {
            const auto u = static_cast<VertexId>(random() % n);
            const auto v = random() % 8 == 0 ? u : static_cast<VertexId>(random() % n);
            edges.push_back({u, v});
        }
        Network network;
        if (!edges.empty()) aux_test::build(network, edges);
        aux_test::addIsolated(network, {100, 101});
        network.graph.buildDegreesList();
        network.findCores();
        network.findComponents();

        std::map<const Vertex*, int> clusterCount;
        std::vector<const Component*> pending{network.component.get()};
        EXPECT_EQ(network.component->vertices, network.graph.vertices);
        while (!pending.empty()) {
            const Component* c = pending.back();
            pending.pop_back();
            const int k = c->level;
            SCOPED_TRACE("round " + std::to_string(round) + " level " + std::to_string(k));
            EXPECT_EQ(c->cardinal, static_cast<int>(c->vertices.size()));
            std::set<std::set<VertexId>> children;
            for (const Component* child : c->children) {
                EXPECT_EQ(child->parent, c);
                EXPECT_EQ(child->level, k + 1);
                children.insert(idSet(child->vertices));
                for (const Vertex* v : child->vertices) {
                    if (v->shellIndex == k + 1) {
                        EXPECT_EQ(v->component, child);
                    }
                }
                pending.push_back(child);
            }
            EXPECT_EQ(children, componentsOf(c->vertices, above, k));
            std::set<std::set<VertexId>> clusters;
            for (const Cluster* cluster : c->clusters) {
                clusters.insert(idSet(*cluster));
                for (const Vertex* v : *cluster) {
                    EXPECT_EQ(v->cluster, cluster);
                    ++clusterCount[v];
                }
            }
            EXPECT_EQ(clusters, componentsOf(c->vertices, exactly, k));
            int shellCount = 0;
            for (const Vertex* v : c->vertices) shellCount += v->shellIndex == k;
            EXPECT_EQ(c->shellCount, shellCount);
        }
        // Every vertex in exactly one cluster.
        EXPECT_EQ(clusterCount.size(), network.graph.vertices.size());
        for (const auto& [vertex, count] : clusterCount) EXPECT_EQ(count, 1) << vertex->id;
    }
}

TEST(ComponentTree, LongPathNeedsNoDeepRecursion) {
    aux_test::FreshRand fresh;
    Network network;
    const VertexId n = 300000;
    std::vector<Edge> edges;
    for (VertexId i = 0; i + 1 < n; ++i) edges.push_back({i, i + 1});
    network.graph.addEdges(std::move(edges));
    network.graph.buildDegreesList();
    network.findCores();
    network.findComponents();
    ASSERT_EQ(network.component->children.size(), 1u);
    const Component& path = *network.component->children[0];
    ASSERT_EQ(path.clusters.size(), 1u);
    const Cluster& cluster = *path.clusters.front();
    ASSERT_EQ(cluster.size(), static_cast<std::size_t>(n));
    EXPECT_EQ(cluster.front()->id, 0);
    EXPECT_EQ(cluster.back()->id, n - 1);
}

TEST(ComponentTree, CardinalsOfSiblings) {
    aux_test::FreshRand fresh;
    Network network;
    aux_test::build(network, kTwoCliques);
    network.findComponents();
    const Component& root = *network.component;
    const Component& big = *root.children[0];
    const Component& edge = *root.children[1];
    EXPECT_EQ(big.getBrotherComponentsCardinal(), 12);
    EXPECT_EQ(edge.getBrotherComponentsCardinal(), 12);
    EXPECT_EQ(big.getPreviousComponentsCardinal(), 5);
    EXPECT_EQ(edge.getPreviousComponentsCardinal(), 11);
    // A root has no siblings: its own share.
    EXPECT_EQ(root.getBrotherComponentsCardinal(), 12);
    EXPECT_EQ(root.getPreviousComponentsCardinal(), 6);
}

TEST(ComponentTree, PlaceInCircularSector) {
    const Component component(0, nullptr);
    struct Case {
        float theta;
        int i;
        int n;
        float shift;
        float radius;
        float angle;
    };
    const float R = 2.0f;
    const float outline = 2 * R + R * pi / 2;  // quarter sector: two radii and the arc
    const std::vector<Case> cases = {
        {2 * pi, 1, 4, 0.0f, R, pi / 2},                     // full circle, a quarter round
        {pi / 2, 1, 10, 0.0f, 0.1f * outline, 0.0f},         // out along the first radius
        {pi / 2, 3, 4, 0.75f, R, (0.5f * outline - R) / R},  // 1.5 wraps to 0.5: on the arc
        {pi / 2, 9, 10, 0.0f, R - (0.9f * outline - R - R * pi / 2), pi / 2},  // back in
    };
    for (const Case& c : cases) {
        float radius = -1.0f;
        float angle = -1.0f;
        component.placeInCircularSector(R, c.theta, c.i, c.n, c.shift, radius, angle);
        EXPECT_NEAR(radius, c.radius, 1e-5) << c.i << "/" << c.n;
        EXPECT_NEAR(angle, c.angle, 1e-5) << c.i << "/" << c.n;
    }
}

}  // namespace
