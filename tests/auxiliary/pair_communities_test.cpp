#include "auxiliary/pair_communities.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <sstream>

#include "analysis/network.h"
#include "aux_support.h"

using ::testing::ElementsAre;
using ::testing::Pair;

namespace {

// Networks made of isolated vertices with the given ids; only the ids matter here.
class Sets {
  public:
    Network* make(const std::vector<VertexId>& ids) {
        Network& network = store_.emplace_back();
        aux_test::addIsolated(network, ids);
        return &network;
    }

  private:
    std::deque<Network> store_;
};

TEST(PairCommunities, IdenticalSetsScoreOneHundred) {
    Sets sets;
    const std::vector<Network*> first = {sets.make({1, 2, 3}), sets.make({4, 5}), sets.make({6})};
    const std::vector<Network*> second = {sets.make({6}), sets.make({1, 2, 3}), sets.make({4, 5})};
    std::ostringstream out;
    const Pairing pairing = pair_communities(first, second, 17, out);
    EXPECT_EQ(out.str(), "Puntaje: 100% (i=3) (6/6)\n");
    EXPECT_THAT(pairing.pairs, ElementsAre(Pair(first[0], second[1]), Pair(first[1], second[2]),
                                           Pair(first[2], second[0])));
    EXPECT_EQ(pairing.value, 17);
    EXPECT_EQ(pairing.secondTotal, 6);
    EXPECT_EQ(pairing.firstUnmatched, 0);
    EXPECT_EQ(pairing.secondUnmatched, 0);
    for (const Network* network : first) EXPECT_TRUE(network->paired);
}

TEST(PairCommunities, EmptySecondSetMatchesNothing) {
    Sets sets;
    const std::vector<Network*> first = {sets.make({1, 2}), sets.make({3})};
    std::ostringstream out;
    const Pairing pairing = pair_communities(first, {}, 0, out);
    EXPECT_EQ(out.str(), "ELEGIDA NULL\nELEGIDA NULL\nPuntaje: 0% (i=0) (0/3)\n");
    EXPECT_TRUE(pairing.pairs.empty());
}

// A1 {1,2,3,4} and A2 {3,4,5} both prefer B1 {1,2,3,4,5}; A1's larger overlap wins, and A2
// is matched again to its next best free candidate, B2 {5,6}.
TEST(PairCommunities, LargerOverlapWinsAndTheOtherIsMatchedAgain) {
    Sets sets;
    const std::vector<Network*> first = {sets.make({1, 2, 3, 4}), sets.make({3, 4, 5})};
    const std::vector<Network*> second = {sets.make({1, 2, 3, 4, 5}), sets.make({5, 6})};
    std::ostringstream out;
    const Pairing pairing = pair_communities(first, second, 0, out);
    EXPECT_EQ(out.str(), "Puntaje: 71% (i=2) (5/7)\n");  // 500 / 7 in integers
    EXPECT_THAT(pairing.pairs, ElementsAre(Pair(first[0], second[0]), Pair(first[1], second[1])));
    EXPECT_EQ(pairing.secondTotal, 7);
    EXPECT_EQ(pairing.secondUnmatched, 1 + 1);
    EXPECT_EQ(pairing.firstUnmatched, 0 + 2);
}

// Nothing left to match the second time: the later network stays unmatched.
TEST(PairCommunities, NetworkWithoutAFreeCandidateStaysUnmatched) {
    Sets sets;
    const std::vector<Network*> first = {sets.make({1, 2}), sets.make({2})};
    const std::vector<Network*> second = {sets.make({1, 2})};
    std::ostringstream out;
    const Pairing pairing = pair_communities(first, second, 0, out);
    EXPECT_EQ(out.str(), "Puntaje: 66% (i=1) (2/3)\n");
    EXPECT_THAT(pairing.pairs, ElementsAre(Pair(first[0], second[0])));
    EXPECT_FALSE(first[1]->paired);
}

TEST(PairCommunities, FirstSetWithoutVerticesScoresZero) {
    Sets sets;
    std::ostringstream out;
    pair_communities({sets.make({})}, {sets.make({1})}, 0, out);
    EXPECT_EQ(out.str(), "Puntaje: 0% (i=1) (0/0)\n");
    std::ostringstream none;
    pair_communities({}, {sets.make({2})}, 0, none);
    EXPECT_EQ(none.str(), "Puntaje: 0% (i=0) (0/0)\n");
}

TEST(PairCommunities, ElegirTakesTheFirstLargestFreeOverlapAboveBest) {
    Sets sets;
    const Network* network = sets.make({1, 2, 3, 10});
    Network* paired = sets.make({1, 2, 3});
    paired->paired = true;
    const std::vector<Network*> candidates = {paired, sets.make({1, 7}), sets.make({2, 3}),
                                              sets.make({3, 10})};
    Network* chosen = nullptr;
    int best = -1;
    elegir(candidates, chosen, best, network);
    EXPECT_EQ(chosen, candidates[2]);  // ties with candidates[3]: the earlier one
    EXPECT_EQ(best, 2);
    Network* kept = nullptr;
    best = 5;
    elegir(candidates, kept, best, network);
    EXPECT_EQ(kept, nullptr);
    EXPECT_EQ(best, 5);
    EXPECT_EQ(overlap(*sets.make({5, 1, 9}), *sets.make({9, 4, 5})), 2);
}

}  // namespace
