#include "analysis/solution_submodular.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>

#include "analysis/csr.h"
#include "analysis/greedy.h"
#include "analysis/network.h"

using ::testing::ElementsAre;

namespace {

// Detection exactly as the rules read, written plainly: linear searches, an ordered multiset
// of candidate records, every neighbour of a merged community inspected, absorbed
// communities searched for in the list. Quadratic, and independent of the fast code.
namespace literal {

struct Community;

struct Record {
    Community* c1;
    Community* c2;
    float cut;
    float product;
};

struct Community {
    int number = 0;
    Index index = 0;
    std::vector<VertexId> members;
    std::uint32_t degreeSum = 0;
    std::uint32_t internalDegree = 0;
    int size = 1;
    std::vector<Community*> neighbours;
    std::vector<std::uint32_t> cuts;
    bool removed = false;
    int lastStep = 0;
    std::unique_ptr<Record> best;
};

struct Order {
    bool operator()(const Record* a, const Record* b) const {
        const double x = double(a->cut) * double(b->product);
        const double y = double(b->cut) * double(a->product);
        if (x != y) return x > y;
        if (a->c1 != b->c1) return a->c1->index > b->c1->index;
        return a->c2->index > b->c2->index;
    }
};

struct Step {
    std::vector<std::pair<Index, Index>> joins;  // (owner, absorbed) creation indices
    float value;
    bool operator==(const Step&) const = default;
};

std::ptrdiff_t position(const std::vector<Community*>& list, const Community* c) {
    const auto at = std::find(list.begin(), list.end(), c);
    return at == list.end() ? -1 : at - list.begin();
}

class Detection {
  public:
    explicit Detection(const std::vector<Edge>& edges) {
        std::map<VertexId, Community*> byId;
        auto vertex = [&](VertexId id) {
            Community*& c = byId[id];
            if (!c) {
                store_.push_back(std::make_unique<Community>());
                c = store_.back().get();
                c->number = ++counter_;
                c->index = static_cast<Index>(store_.size() - 1);
                c->members = {id};
            }
            return c;
        };
        for (const Edge& e : edges) {
            Community* a = vertex(e.u);
            Community* b = vertex(e.v);
            if (position(a->neighbours, b) >= 0) continue;
            link(a, b);
            if (a != b) link(b, a);
        }
        for (const auto& [id, c] : byId) list.push_back(c);
    }

    void run(float threshold) {
        std::int64_t total = 0;
        for (const Community* c : list) total += c->degreeSum;
        std::multiset<Record*, Order> candidates;
        std::vector<std::unique_ptr<Record>> copies;
        for (Community* c : list) {
            computeBest(c);
            if (c->best) {
                copies.push_back(std::make_unique<Record>(*c->best));
                candidates.insert(copies.back().get());
            }
            c->lastStep = 0;
        }
        int step = 0;
        float value = 0.0f;
        for (;;) {
            ++step;
            std::vector<std::pair<Community*, Community*>> joins;
            std::vector<int> joinCuts;
            if (!candidates.empty()) {
                auto at = candidates.begin();
                const float best = (*at)->cut / (*at)->product;
                for (;;) {
                    Record* e = *at;
                    auto next = std::next(at);
                    if (e->c1->lastStep != step && e->c2->lastStep != step) {
                        joins.emplace_back(e->c1, e->c2);
                        e->c1->lastStep = step;
                        e->c2->lastStep = step;
                        joinCuts.push_back(static_cast<int>(e->cut));
                        candidates.erase(at);
                    }
                    if (next == candidates.end() || (*next)->cut / (*next)->product != best) break;
                    at = next;
                }
                value = static_cast<float>(total) * best;
            }
            if (!(value >= threshold) || joins.empty()) break;

            Step record{{}, value};
            for (std::size_t k = 0; k < joins.size(); ++k) {
                auto [p, q] = joins[k];
                record.joins.emplace_back(p->index, q->index);
                q->removed = true;
                absorb(p, q, static_cast<std::uint32_t>(joinCuts[k]));
                p->number = ++counter_;
                removeCommunity(q);
            }
            for (auto [p, q] : joins) {
                if (q->best) candidates.erase(q->best.get());
                computeBest(p);
                if (p->best) candidates.insert(p->best.get());
                for (std::size_t k = 0; k < p->neighbours.size(); ++k) {
                    Community* n = p->neighbours[k];
                    if (n->best && (n->best->c2 == p || n->best->c2 == q)) {
                        candidates.erase(n->best.get());
                        computeBest(n);
                        if (n->best) candidates.insert(n->best.get());
                    }
                }
                q->best.reset();
                list.erase(std::find(list.begin(), list.end(), q));
            }
            steps.push_back(record);
        }
    }

    std::list<Community*> list;
    std::vector<Step> steps;
    int errors = 0;

  private:
    static void link(Community* a, Community* b) {
        a->neighbours.push_back(b);
        a->cuts.push_back(1);
        ++a->degreeSum;
        if (a == b) ++a->internalDegree;
    }

    static void computeBest(Community* c) {
        using Wide = unsigned __int128;
        std::uint64_t bestCut = 0;
        Wide bestProduct = 1;
        Community* candidate = nullptr;
        for (std::size_t k = 0; k < c->neighbours.size(); ++k) {
            Community* n = c->neighbours[k];
            if (n->number >= c->number) continue;
            const Wide product = Wide{c->degreeSum} * n->degreeSum;
            if (Wide{c->cuts[k]} * bestProduct > product * bestCut) {
                candidate = n;
                bestCut = c->cuts[k];
                bestProduct = product;
            }
        }
        if (bestCut == 0) {
            c->best.reset();
            return;
        }
        if (!c->best) c->best = std::make_unique<Record>();
        *c->best = {c, candidate, float(bestCut), float(static_cast<std::uint64_t>(bestProduct))};
    }

    static void absorb(Community* p, Community* q, std::uint32_t cut) {
        p->degreeSum += q->degreeSum;
        p->internalDegree += q->internalDegree + 2 * cut;
        p->size += q->size;
        p->members.insert(p->members.end(), q->members.begin(), q->members.end());
        for (std::size_t k = 0; k < q->neighbours.size(); ++k) {
            Community* n = q->neighbours[k];
            if (n == p || n == q) continue;
            const std::uint32_t w = q->cuts[k];
            std::ptrdiff_t at = position(n->neighbours, p);
            if (at >= 0) {
                n->cuts[at] += w;
            } else {
                n->neighbours.push_back(p);
                n->cuts.push_back(w);
            }
            at = position(p->neighbours, n);
            if (at >= 0) {
                p->cuts[at] += w;
            } else {
                p->neighbours.push_back(n);
                p->cuts.push_back(w);
            }
        }
    }

    void removeCommunity(Community* q) {
        q->degreeSum = q->internalDegree = 0;
        q->size = 0;
        for (std::size_t k = 0; k < q->neighbours.size(); ++k) {
            Community* n = q->neighbours[k];
            if (n == q) continue;
            const std::ptrdiff_t at = position(n->neighbours, q);
            if (at < 0) {
                ++errors;
            } else if (n->cuts[at] > q->cuts[k]) {
                n->cuts[at] -= q->cuts[k];
            } else {
                n->neighbours.erase(n->neighbours.begin() + at);
                n->cuts.erase(n->cuts.begin() + at);
            }
        }
        q->neighbours.clear();
        q->cuts.clear();
        q->members.clear();
    }

    std::vector<std::unique_ptr<Community>> store_;
    int counter_ = 0;
};

}  // namespace literal

// A community as both implementations can report it.
struct Summary {
    Index index;
    std::vector<VertexId> members;
    int size;
    std::uint32_t degreeSum;
    std::uint32_t internalDegree;
    std::vector<Index> neighbours;
    std::vector<std::uint32_t> cuts;
    bool operator==(const Summary&) const = default;
};

void PrintTo(const Summary& s, std::ostream* out) {
    *out << "#" << s.index << " size " << s.size << " a " << s.degreeSum << " e "
         << s.internalDegree << " members";
    for (VertexId id : s.members) *out << ' ' << id;
    *out << " |";
    for (std::size_t k = 0; k < s.neighbours.size(); ++k)
        *out << ' ' << s.neighbours[k] << ':' << s.cuts[k];
}

template <class C>
std::vector<Summary> summarise(const std::list<C*>& list) {
    std::vector<Summary> out;
    for (const C* c : list) {
        Summary s{c->index, c->members, c->size, c->degreeSum, c->internalDegree, {}, {}};
        for (std::size_t k = 0; k < c->neighbours.size(); ++k) {
            s.neighbours.push_back(c->neighbours[k]->index);
            s.cuts.push_back(c->cuts[k]);
        }
        out.push_back(s);
    }
    return out;
}

// The best candidate the rules give for c's current lists: the eligible neighbour of the
// largest ratio, the earliest listed among equals.
const Community* expectedBest(const Community* c) {
    const Community* candidate = nullptr;
    std::uint32_t bestCut = 0;
    std::uint64_t bestDegree = 1;
    for (std::size_t k = 0; k < c->neighbours.size(); ++k) {
        const Community* n = c->neighbours[k];
        if (!n || n->number >= c->number) continue;
        if (static_cast<unsigned __int128>(c->cuts[k]) * bestDegree >
            static_cast<unsigned __int128>(bestCut) * n->degreeSum) {
            candidate = n;
            bestCut = c->cuts[k];
            bestDegree = n->degreeSum;
        }
    }
    return candidate;
}

// The invariants that must hold after every accepted step.
void expectInvariants(std::list<Community*>& list, const SolutionSubmodular& optimizer,
                      const std::string& where) {
    const std::set<const Community*> live(list.begin(), list.end());
    std::size_t withBest = 0;
    for (Community* c : list) {
        ASSERT_FALSE(c->removed) << where;
        std::uint64_t external = 0;
        for (std::size_t k = 0; k < c->neighbours.size(); ++k) {
            Community* n = c->neighbours[k];
            if (!n) continue;
            ASSERT_TRUE(live.count(n)) << where << ": lists an absorbed community";
            if (n == c) continue;
            EXPECT_GT(c->cuts[k], 0u) << where;
            EXPECT_EQ(n->cutTo(c), c->cuts[k]) << where << ": cut not symmetric";
            external += c->cuts[k];
        }
        EXPECT_EQ(c->degreeSum - c->internalDegree, external) << where;
        EXPECT_EQ(c->best ? c->best->c2 : nullptr, expectedBest(c)) << where;
        const CandidateQueue::Entry* entry = optimizer.candidates.entryOf(c);
        if (c->best) {
            ++withBest;
            ASSERT_NE(entry, nullptr) << where << ": best record missing from candidates";
            EXPECT_EQ(optimizer.candidates.recordOf(*entry)->c1, c) << where;
            EXPECT_EQ(optimizer.candidates.recordOf(*entry)->c2, c->best->c2) << where;
            EXPECT_EQ(c->best->c1, c) << where;
            EXPECT_EQ(entry->cut, c->best->cut) << where;
            EXPECT_EQ(entry->product, c->best->product) << where;
            EXPECT_EQ(entry->candidate, c->best->c2->index) << where;
        } else {
            EXPECT_EQ(entry, nullptr) << where;
        }
    }
    EXPECT_EQ(optimizer.candidates.size(), withBest) << where;
}

struct Outcome {
    std::vector<literal::Step> steps;
    std::vector<Summary> communities;
    std::size_t compactions = 0;
};

// How runFast drives the optimizer: checked after every step (the checks publish the
// adjacency and bring every deferred candidate up to date); as run, taking the deferrals as
// detection does; and as run from the graph, the starting communities made without lists and
// the links read from its CSR while the graph's own lists are lent out.
enum class Drive { kChecked, kAsRun, kFromGraph };

// The fast optimizer driven as the detection driver drives it.
Outcome runFast(const std::vector<Edge>& edges, float threshold, const std::string& name,
                Drive drive, const OptimizerSettings& settings) {
    const bool checked = drive == Drive::kChecked;
    Network network;
    network.graph.addEdges(std::vector<Edge>(edges));
    Arena<Community> bare;
    std::vector<Community*> starting;
    if (drive != Drive::kFromGraph) {
        network.listStartingCommunities();
    } else {
        starting = makeStartingCommunities(network.graph, bare, {}, /*withLists=*/false);
        for (const auto& [id, vertex] : network.graph.vertexMap)
            network.communitiesList.push_back(starting[vertex->index]);
    }
    Outcome outcome;
    Csr csr = csrOf(network.graph);
    const LinksFrom links{network.graph, csr};
    std::optional<AdjacencyLoan> loan;
    if (drive == Drive::kFromGraph) loan.emplace(network.graph, csr);
    {
        SolutionSubmodular optimizer =
            drive != Drive::kFromGraph
                ? SolutionSubmodular(network.communitiesList, &network, settings)
                : SolutionSubmodular(network.communitiesList, &starting, settings, &links);
        for (;;) {
            const bool has = optimizer.proposeNeighbour();
            const float value = optimizer.evaluateNeighbour();
            if (!(value >= threshold) || !has) break;
            literal::Step step{{}, value};
            for (auto [p, q] : optimizer.joins) step.joins.emplace_back(p->index, q->index);
            optimizer.acceptNeighbour();
            outcome.steps.push_back(step);
            if (!checked) continue;
            optimizer.publish();
            expectInvariants(network.communitiesList, optimizer,
                             name + " step " + std::to_string(outcome.steps.size()));
            if (::testing::Test::HasFatalFailure()) return outcome;
        }
        optimizer.publish();
        outcome.compactions = optimizer.compactions();
    }
    outcome.communities = summarise(network.communitiesList);
    return outcome;
}

Outcome runLiteral(const std::vector<Edge>& edges, float threshold) {
    literal::Detection detection(edges);
    detection.run(threshold);
    EXPECT_EQ(detection.errors, 0);
    return {detection.steps, summarise(detection.list)};
}

// Seeded graph families. Ids are drawn sparse and shuffled, so creation order, id order and
// numbers all differ.
class Graphs {
  public:
    explicit Graphs(unsigned seed) : random_(seed) {}

    std::vector<Edge> random(int vertices, int edges, int loopPercent) {
        std::vector<VertexId> ids = idPool(vertices);
        std::vector<Edge> out;
        for (int i = 0; i < edges; ++i) {
            const VertexId u = ids[below(vertices)];
            const VertexId v = below(100) < loopPercent ? u : ids[below(vertices)];
            out.push_back({u, v});
        }
        return out;
    }

    // Disjoint copies of one small motif, optionally joined by a few bridges: equal ratios
    // everywhere.
    std::vector<Edge> motifs() {
        static const std::vector<std::vector<Edge>> shapes = {
            {{0, 1}},
            {{0, 1}, {1, 2}},
            {{0, 1}, {1, 2}, {2, 0}},
            {{0, 1}, {0, 2}, {0, 3}},
            {{0, 1}, {1, 2}, {2, 3}, {3, 0}},
            {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}},
            {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 0}},
            {{0, 1}, {1, 2}, {2, 3}},
        };
        const std::vector<Edge>& shape = shapes[below(static_cast<int>(shapes.size()))];
        const int copies = 2 + below(6);
        int width = 0;
        for (const Edge& e : shape) width = std::max({width, e.u + 1, e.v + 1});
        std::vector<VertexId> ids = idPool(copies * width);
        std::vector<Edge> out;
        for (int c = 0; c < copies; ++c)
            for (const Edge& e : shape) out.push_back({ids[c * width + e.u], ids[c * width + e.v]});
        for (int b = below(3); b > 0; --b)
            out.push_back({ids[below(copies * width)], ids[below(copies * width)]});
        shuffle(out);
        return out;
    }

    // Regular shapes: cycles, grids, complete bipartite graphs, stars with a ring.
    std::vector<Edge> regular() {
        std::vector<Edge> out;
        const int kind = below(4);
        const int n = 3 + below(10);
        std::vector<VertexId> ids = idPool(n * n + 2 * n + 1);
        if (kind == 0) {
            for (int i = 0; i < n; ++i) out.push_back({ids[i], ids[(i + 1) % n]});
        } else if (kind == 1) {
            const int w = 2 + below(4);
            for (int r = 0; r < n; ++r)
                for (int c = 0; c < w; ++c) {
                    if (c + 1 < w) out.push_back({ids[r * w + c], ids[r * w + c + 1]});
                    if (r + 1 < n) out.push_back({ids[r * w + c], ids[(r + 1) * w + c]});
                }
        } else if (kind == 2) {
            const int a = 1 + below(4);
            for (int i = 0; i < a; ++i)
                for (int j = 0; j < n; ++j) out.push_back({ids[i], ids[a + j]});
        } else {
            for (int i = 1; i <= n; ++i) {
                out.push_back({ids[0], ids[i]});
                if (below(2)) out.push_back({ids[i], ids[i % n + 1]});
            }
        }
        shuffle(out);
        return out;
    }

    int below(int bound) { return static_cast<int>(random_() % static_cast<unsigned>(bound)); }

  private:
    std::vector<VertexId> idPool(int count) {
        std::set<VertexId> chosen;
        while (static_cast<int>(chosen.size()) < count) chosen.insert(below(4 * count + 20));
        std::vector<VertexId> ids(chosen.begin(), chosen.end());
        shuffle(ids);
        return ids;
    }
    template <class T>
    void shuffle(std::vector<T>& items) {
        for (std::size_t i = items.size(); i > 1; --i)
            std::swap(items[i - 1], items[static_cast<std::size_t>(below(static_cast<int>(i)))]);
    }

    std::mt19937 random_;
};

// Compares the fast optimizer with the literal rules, step by step and in the final lists,
// with the long-list aids on every list, on lists of more than two entries, and as run;
// each with the checks after every step, without them, and without them from the graph.
// Returns the number of steps, so callers can see that the graphs did exercise merging.
std::size_t expectSameAsLiteral(const std::vector<Edge>& edges, float threshold,
                                const std::string& name, OptimizerSettings settings = {}) {
    const Outcome expected = runLiteral(edges, threshold);
    for (const Drive drive : {Drive::kChecked, Drive::kAsRun, Drive::kFromGraph}) {
        for (std::size_t longList : {std::size_t{0}, std::size_t{2}, std::size_t{64}}) {
            settings.longList = longList;
            const std::string label = name + " longList " + std::to_string(longList) +
                                      (drive == Drive::kChecked ? " checked"
                                       : drive == Drive::kAsRun ? " as run"
                                                                : " from the graph");
            const Outcome actual = runFast(edges, threshold, label, drive, settings);
            if (::testing::Test::HasFatalFailure()) return 0;
            EXPECT_EQ(actual.steps.size(), expected.steps.size()) << label;
            if (actual.steps.size() != expected.steps.size()) return 0;
            for (std::size_t s = 0; s < expected.steps.size(); ++s) {
                EXPECT_EQ(actual.steps[s].joins, expected.steps[s].joins) << label << " step " << s;
                EXPECT_EQ(actual.steps[s].value, expected.steps[s].value) << label << " step " << s;
            }
            EXPECT_EQ(actual.communities, expected.communities) << label;
        }
    }
    return expected.steps.size();
}

// expectSameAsLiteral on seeded random graphs: seeds.first onwards, seeds.second of them;
// sizes.first + [0, sizes.second) vertices; edgesPerVertex edges a vertex, loopPercent of
// them self-loops. Returns the steps of all of them.
std::size_t sameAsLiteralOnRandomGraphs(std::pair<unsigned, unsigned> seeds,
                                        std::pair<int, int> sizes, int edgesPerVertex,
                                        int loopPercent, float threshold, const std::string& name,
                                        const OptimizerSettings& settings = {}) {
    std::size_t steps = 0;
    for (unsigned seed = seeds.first; seed < seeds.first + seeds.second; ++seed) {
        Graphs graphs(seed);
        const int vertices = sizes.first + graphs.below(sizes.second);
        const std::vector<Edge> list =
            graphs.random(vertices, edgesPerVertex * vertices, loopPercent);
        steps +=
            expectSameAsLiteral(list, threshold, name + " seed " + std::to_string(seed), settings);
        if (::testing::Test::HasFatalFailure()) break;
    }
    return steps;
}

std::vector<Edge> edgesOf(const std::vector<std::pair<int, int>>& pairs) {
    std::vector<Edge> edges;
    for (auto [u, v] : pairs) edges.push_back({u, v});
    return edges;
}

// Drives the optimizer on a network and records every proposal's value, accepting while
// the value is at least the threshold.
struct Driven {
    std::vector<float> values;
    std::vector<std::vector<std::pair<VertexId, VertexId>>> joins;  // first members
};

Driven drive(Network& network, float threshold) {
    network.listStartingCommunities();
    SolutionSubmodular optimizer(network.communitiesList, &network);
    Driven out;
    while (optimizer.proposeNeighbour()) {
        out.values.push_back(optimizer.evaluateNeighbour());
        std::vector<std::pair<VertexId, VertexId>> pairs;
        for (auto [p, q] : optimizer.joins) pairs.emplace_back(p->members[0], q->members[0]);
        out.joins.push_back(pairs);
        if (!(optimizer.evaluateNeighbour() >= threshold)) break;
        optimizer.acceptNeighbour();
    }
    return out;
}

}  // namespace

TEST(SolutionSubmodular, SingleEdgeMergesOnceThenHasNothingToPropose) {
    Network network;
    network.graph.addEdges(edgesOf({{0, 1}}));
    network.listStartingCommunities();
    SolutionSubmodular optimizer(network.communitiesList, &network);
    EXPECT_EQ(optimizer.totalDegree, 2);
    ASSERT_EQ(optimizer.candidates.size(), 1u);
    ASSERT_TRUE(optimizer.proposeNeighbour());
    EXPECT_EQ(optimizer.evaluateNeighbour(), 2.0f);
    ASSERT_EQ(optimizer.joins.size(), 1u);
    EXPECT_THAT(optimizer.joinCuts, ElementsAre(1u));
    optimizer.acceptNeighbour();
    EXPECT_EQ(network.communitiesList.size(), 1u);
    EXPECT_TRUE(optimizer.candidates.empty());
    EXPECT_FALSE(optimizer.proposeNeighbour());
    EXPECT_EQ(optimizer.lastValue, 2.0f);
}

TEST(SolutionSubmodular, WorkedExamplesGiveTheirStepValuesAndPairs) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> edges;
        std::vector<float> values;
        std::vector<std::vector<std::pair<VertexId, VertexId>>> joins;
    };
    const std::vector<Case> cases = {
        // Two disjoint edges: both ratio 1/1, one step; the later-created owner goes first.
        {"two edges", {{0, 1}, {2, 3}}, {4.0f}, {{{3, 2}, {1, 0}}}},
        //  0 - 1 - 2: both pairs 1/2 share 1, so 2 takes 1 first, then 0 at 1/3.
        {"path", {{0, 1}, {1, 2}}, {2.0f, 4.0f / 3.0f}, {{{2, 1}}, {{2, 0}}}},
        // Star 0 with leaves 1..4: leaf 4 takes the centre, then leaves in list order.
        {"star",
         {{0, 1}, {0, 2}, {0, 3}, {0, 4}},
         {2.0f, 8.0f / 5.0f, 8.0f / 6.0f, 8.0f / 7.0f},
         {{{4, 0}}, {{4, 1}}, {{4, 2}}, {{4, 3}}}},
        // Two triangles joined by 2-3; the third proposal (V = 14/49) is refused.
        {"triangles",
         {{0, 1}, {1, 2}, {2, 0}, {2, 3}, {3, 4}, {4, 5}, {5, 3}},
         {3.5f, 14.0f / 6.0f, 14.0f / 49.0f},
         {{{5, 4}, {1, 0}}, {{5, 3}, {1, 2}}, {{1, 5}}}},
    };
    for (const Case& c : cases) {
        Network network;
        network.graph.addEdges(edgesOf(c.edges));
        const Driven driven = drive(network, 1.0f);
        ASSERT_EQ(driven.values.size(), c.values.size()) << c.name;
        for (std::size_t i = 0; i < c.values.size(); ++i)
            EXPECT_FLOAT_EQ(driven.values[i], c.values[i]) << c.name << " step " << i;
        EXPECT_EQ(driven.joins, c.joins) << c.name;
    }
}

TEST(SolutionSubmodular, EqualRatiosByCrossProductAreProposedTogether) {
    // A-B: cut 1, degree sums 1 and 3 (ratio 1/3); C-D: cut 2, degree sums 2 and 3 (2/6).
    Community a(0), b(1), c(2), d(3);
    a.addNeighbour(&b);
    b.addNeighbour(&a);
    b.degreeSum = 3;
    c.addNeighbour(&d);
    d.addNeighbour(&c);
    c.cuts[0] = d.cuts[0] = 2;
    c.degreeSum = 2;
    d.degreeSum = 3;
    std::list<Community*> list = {&a, &b, &c, &d};
    SolutionSubmodular optimizer(list, nullptr);
    ASSERT_TRUE(optimizer.proposeNeighbour());
    // Equal ratios: the owner created later (d) goes first.
    ASSERT_EQ(optimizer.joins.size(), 2u);
    EXPECT_EQ(optimizer.joins[0], std::make_pair(&d, &c));
    EXPECT_EQ(optimizer.joins[1], std::make_pair(&b, &a));
    EXPECT_THAT(optimizer.joinCuts, ElementsAre(2u, 1u));
    EXPECT_FLOAT_EQ(optimizer.evaluateNeighbour(), 9.0f / 3.0f);
}

TEST(SolutionSubmodular, ARunStopsWhereTheProposalSharesACommunity) {
    // Hub 0 with leaves 1..3, all of equal ratio: only one pair per step.
    Network network;
    network.graph.addEdges(edgesOf({{0, 1}, {0, 2}, {0, 3}}));
    network.listStartingCommunities();
    SolutionSubmodular optimizer(network.communitiesList, &network);
    ASSERT_TRUE(optimizer.proposeNeighbour());
    EXPECT_EQ(optimizer.joins.size(), 1u);
    // The two entries that could not be used stay in the queue.
    EXPECT_EQ(optimizer.candidates.size(), 2u);
}

TEST(SolutionSubmodular, CandidateOrderIsRatioThenLaterOwnerThenLaterCandidate) {
    Community c0(0), c1(1), c2(2), c3(3);
    bestNeighbour low{&c3, &c0, 1.0f, 4.0f};         // 1/4
    bestNeighbour high{&c0, &c1, 1.0f, 3.0f};        // 1/3
    bestNeighbour highLater{&c2, &c1, 2.0f, 6.0f};   // 2/6, owner created later
    bestNeighbour highLaterB{&c2, &c3, 1.0f, 3.0f};  // 1/3, same owner, later candidate
    EXPECT_TRUE(bestNeighbourOrder(&high, &low));
    EXPECT_FALSE(bestNeighbourOrder(&low, &high));
    EXPECT_TRUE(bestNeighbourOrder(&highLater, &high));
    EXPECT_FALSE(bestNeighbourOrder(&high, &highLater));
    EXPECT_TRUE(bestNeighbourOrder(&highLaterB, &highLater));
    EXPECT_FALSE(bestNeighbourOrder(&highLater, &highLater));

    CandidateQueue queue;
    c0.best = std::make_unique<bestNeighbour>(high);
    c2.best = std::make_unique<bestNeighbour>(highLater);
    c3.best = std::make_unique<bestNeighbour>(low);
    queue.insert(c3.best.get());
    queue.insert(c0.best.get());
    queue.insert(c2.best.get());
    EXPECT_THAT(queue.inOrder(), ElementsAre(c2.best.get(), c0.best.get(), c3.best.get()));
    EXPECT_TRUE(queue.erase(&c2));
    EXPECT_FALSE(queue.erase(&c2));
    EXPECT_EQ(queue.top(), c0.best.get());
    EXPECT_FALSE(queue.contains(&c1));
}

// Entries replaced where they stand (better or worse keys), raised, withdrawn and popped in
// random order: the queue must give the same order as sorting the current records.
TEST(SolutionSubmodular, CandidateQueueKeepsOrderThroughReplacementsAndRaises) {
    std::mt19937 random(5);
    std::vector<std::unique_ptr<Community>> communities;
    for (Index i = 0; i < 40; ++i) communities.push_back(std::make_unique<Community>(i));
    std::vector<bestNeighbour> records(communities.size());
    CandidateQueue queue;
    std::set<Index> inQueue;
    auto draw = [&](Index owner) {
        records[owner] = {
            communities[owner].get(), communities[random() % communities.size()].get(),
            static_cast<float>(1 + random() % 4), static_cast<float>(1 + random() % 12)};
    };
    auto expectOrder = [&](int round) {
        std::vector<bestNeighbour*> expected;
        for (const Index owner : inQueue) expected.push_back(&records[owner]);
        std::sort(expected.begin(), expected.end(), bestNeighbourOrder);
        ASSERT_EQ(queue.inOrder(), expected) << "round " << round;
        if (!expected.empty()) {
            EXPECT_EQ(queue.top(), expected.front()) << "round " << round;
        }
    };
    for (int round = 0; round < 2000; ++round) {
        const Index owner = static_cast<Index>(random() % communities.size());
        switch (random() % 4) {
            case 0:
            case 1:  // a new entry, or the owner's entry replaced in place
                draw(owner);
                queue.insert(&records[owner]);
                inQueue.insert(owner);
                break;
            case 2:  // a raise, as a deferred entry gets, mirrored in its record
                if (inQueue.count(owner)) {
                    records[owner].cut *= 1.5f;
                    EXPECT_TRUE(queue.raise(owner, records[owner].cut));
                } else {
                    EXPECT_FALSE(queue.raise(owner, 1.0f));
                }
                break;
            default:
                if (!inQueue.empty() && random() % 2 == 0) {
                    inQueue.erase(communities[queue.topOwner()]->index);
                    queue.pop();
                } else {
                    EXPECT_EQ(queue.erase(owner), inQueue.erase(owner) == 1);
                }
        }
        expectOrder(round);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

TEST(SolutionSubmodular, PrintBNListsTheCandidatesBestFirst) {
    Network network;
    network.graph.addEdges(edgesOf({{5, 9}, {9, 7}}));
    network.listStartingCommunities();
    SolutionSubmodular optimizer(network.communitiesList, &network);
    std::ostringstream out;
    optimizer.printBN(out);
    EXPECT_EQ(out.str(), "(0.5) C: 7 \nC: 9 \n(0.5) C: 9 \nC: 5 \n");
}

TEST(SolutionSubmodular, MatchesTheLiteralRulesOnSeededRandomGraphs) {
    std::size_t steps = 0;
    for (unsigned seed = 1; seed <= 120; ++seed) {
        Graphs graphs(seed);
        const int vertices = 2 + graphs.below(30);
        const int edges = 1 + graphs.below(3 * vertices);
        const std::vector<Edge> list = graphs.random(vertices, edges, seed % 3 == 0 ? 8 : 0);
        steps += expectSameAsLiteral(list, 1.0f, "random seed " + std::to_string(seed));
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(steps, 600u);
}

TEST(SolutionSubmodular, MatchesTheLiteralRulesWhileItsStampsWrapAround) {
    // The scratch table marks entries with a running stamp; 0 marks nothing. Started a
    // few hundred short of the top, every graph sees the stamp wrap around mid-run.
    std::size_t steps = 0;
    for (unsigned seed = 1; seed <= 30; ++seed) {
        OptimizerSettings settings;
        settings.firstStamp = ~std::uint32_t{0} - 40 - seed;
        Graphs graphs(7000 + seed);
        const int vertices = 20 + graphs.below(20);
        const std::vector<Edge> list = graphs.random(vertices, 3 * vertices, 5);
        steps += expectSameAsLiteral(list, 1.0f, "wrapping seed " + std::to_string(seed), settings);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(steps, 300u);
}

TEST(SolutionSubmodular, MatchesTheLiteralRulesWithTheFirstSearchesOnTwoThreads) {
    // Large graphs share the first candidate searches between two threads; lowered to 0,
    // every graph does.
    OptimizerSettings settings;
    settings.searchesOnTwoThreadsFrom = 0;
    EXPECT_GT(sameAsLiteralOnRandomGraphs({9001, 30}, {2, 40}, 3, 5, 1.0f, "two threads", settings),
              300u);
}

TEST(SolutionSubmodular, MatchesTheLiteralRulesWhileItsListsMoveTogether) {
    // Merges leave their lists' old rooms behind until the lists move together; from one
    // word of them on, small graphs see the lists move often, between any two steps.
    OptimizerSettings settings;
    settings.compactFrom = 1;
    std::size_t steps = 0;
    std::size_t compactions = 0;
    for (unsigned seed = 1; seed <= 30; ++seed) {
        Graphs graphs(9500 + seed);
        const int vertices = 10 + graphs.below(40);
        const std::vector<Edge> list = graphs.random(vertices, 3 * vertices, 5);
        // The same runs as those compared below (detection does not vary from run to run).
        for (const Drive drive : {Drive::kChecked, Drive::kFromGraph}) {
            for (std::size_t longList : {std::size_t{0}, std::size_t{2}, std::size_t{64}}) {
                OptimizerSettings compared = settings;
                compared.longList = longList;
                compactions += runFast(list, 1.0f, "compacting", drive, compared).compactions;
            }
        }
        steps +=
            expectSameAsLiteral(list, 1.0f, "compacting seed " + std::to_string(seed), settings);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(steps, 300u);
    EXPECT_GT(compactions, 300u);
}

TEST(SolutionSubmodular, CommunitiesTheListsReachTakePartUnlisted) {
    // A star 0–1, 0–2 with only the communities of 0 and 1 listed: the leaf 2 gets no
    // candidate of its own (only listed communities are searched at the start), but it is
    // in the centre's list, so merging the centre passes the link on.
    Network network;
    network.graph.addEdges(edgesOf({{0, 1}, {0, 2}}));
    network.makeStartingCommunities();
    Community* centre = network.startingCommunity(0);
    Community* listed = network.startingCommunity(1);
    Community* unlisted = network.startingCommunity(2);
    std::list<Community*> list = {centre, listed};
    SolutionSubmodular optimizer(list, &network);
    EXPECT_EQ(optimizer.candidates.size(), 1u);
    ASSERT_TRUE(optimizer.proposeNeighbour());
    EXPECT_THAT(optimizer.joins, ElementsAre(std::make_pair(listed, centre)));
    optimizer.acceptNeighbour();
    ASSERT_TRUE(optimizer.proposeNeighbour());
    EXPECT_THAT(optimizer.joins, ElementsAre(std::make_pair(listed, unlisted)));
    // 2m sums the listed communities only (3); the ratio is 1 / (3 × 1).
    EXPECT_FLOAT_EQ(optimizer.evaluateNeighbour(), 1.0f);
}

TEST(SolutionSubmodular, LinksFromTheGraphNeedEveryStartingCommunityListed) {
    // The graph's adjacency names every vertex: a list without some of them would leave
    // links to communities the optimizer has no slot for.
    Network network;
    network.graph.addEdges(edgesOf({{0, 1}, {0, 2}}));
    Arena<Community> bare;
    std::vector<Community*> starting =
        makeStartingCommunities(network.graph, bare, {}, /*withLists=*/false);
    Csr csr = csrOf(network.graph);
    const LinksFrom links{network.graph, csr};
    std::list<Community*> part = {starting[0], starting[1]};
    EXPECT_THROW(SolutionSubmodular(part, &starting, {}, &links), std::invalid_argument);
    std::list<Community*> all = {starting[0], starting[1], starting[2]};
    SolutionSubmodular optimizer(all, &starting, {}, &links);
    EXPECT_TRUE(all.empty());  // made again by publish()
    optimizer.publish();
    EXPECT_EQ(all.size(), 3u);
}

TEST(SolutionSubmodular, MatchesTheLiteralRulesWhereRatiosTie) {
    std::size_t steps = 0;
    for (unsigned seed = 1; seed <= 100; ++seed) {
        Graphs graphs(1000 + seed);
        steps += expectSameAsLiteral(graphs.motifs(), 1.0f, "motifs " + std::to_string(seed));
        if (HasFatalFailure()) return;
        steps += expectSameAsLiteral(graphs.regular(), 1.0f, "regular " + std::to_string(seed));
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(steps, 600u);
}

TEST(SolutionSubmodular, MatchesTheLiteralRulesDownToOneCommunity) {
    // A threshold of 0 merges every connected component into one community: the long
    // tail of merges between large communities.
    EXPECT_GT(sameAsLiteralOnRandomGraphs({5001, 60}, {5, 40}, 2, 3, 0.0f, "dense"), 600u);
}

TEST(SolutionSubmodular, MatchesTheLiteralRulesOnTheKarateClub) {
    // The bundled example: a real network rather than a generated one.
    std::ifstream file(std::string(QUORVANE_SOURCE_DIR) + "/examples/karate.txt");
    ASSERT_TRUE(file.is_open());
    std::vector<Edge> edges;
    for (VertexId u, v; file >> u >> v;) edges.push_back({u, v});
    ASSERT_EQ(edges.size(), 78u);
    EXPECT_GT(expectSameAsLiteral(edges, 1.0f, "karate"), 10u);
    EXPECT_EQ(runLiteral(edges, 1.0f).communities.size(), 4u);
}
