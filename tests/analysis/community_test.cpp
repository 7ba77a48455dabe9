#include "analysis/community.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <utility>

using ::testing::ElementsAre;

TEST(Community, NumbersComeFromTheClassWideCounter) {
    Community::next_available_number = 5;
    Community first;
    Community second;
    EXPECT_EQ(first.number, 5);
    EXPECT_EQ(second.number, 6);
    EXPECT_EQ(Community::next_available_number, 7);
}

TEST(Community, RenewTakesTheNextNumber) {
    Community::next_available_number = 3;
    Community community;
    Community::next_available_number = 11;
    community.renew();
    EXPECT_EQ(community.number, 11);
    EXPECT_EQ(Community::next_available_number, 12);
}

TEST(Community, StartsAsAnEmptySingleton) {
    Community community(4);
    EXPECT_EQ(community.index, 4u);
    EXPECT_EQ(community.size, 1);
    EXPECT_EQ(community.degreeSum, 0u);
    EXPECT_EQ(community.internalDegree, 0u);
    EXPECT_TRUE(community.members.empty());
    EXPECT_FALSE(community.removed);
    EXPECT_EQ(community.best, nullptr);
}

TEST(Community, AddNeighbourKeepsOrderAndCountsSelfLinksAsInternal) {
    Community a, b, c;
    a.addNeighbour(&c);
    a.addNeighbour(&a);
    a.addNeighbour(&b);
    EXPECT_THAT(a.neighbours, ElementsAre(&c, &a, &b));
    EXPECT_THAT(a.cuts, ElementsAre(1u, 1u, 1u));
    EXPECT_EQ(a.degreeSum, 3u);
    EXPECT_EQ(a.internalDegree, 1u);
    EXPECT_TRUE(a.hasNeighbour(&b));
    EXPECT_TRUE(a.hasNeighbour(&a));
    EXPECT_FALSE(b.hasNeighbour(&a));
}

namespace {

// A list as (neighbour, cut) pairs.
std::vector<std::pair<const Community*, std::uint32_t>> entries(const Community& c) {
    std::vector<std::pair<const Community*, std::uint32_t>> out;
    for (std::size_t k = 0; k < c.neighbours.size(); ++k)
        out.emplace_back(c.neighbours[k], c.cuts[k]);
    return out;
}

void link(Community& a, Community& b) {
    a.addNeighbour(&b);
    b.addNeighbour(&a);
}

}  // namespace

TEST(Community, TheLaterCommunityOwnsThePair) {
    // Vertices 5 and 9 joined by one edge, communities numbered 1 and 2.
    Community::next_available_number = 1;
    Community five(0), nine(1);
    link(five, nine);
    nine.computeBestNeighbour();
    five.computeBestNeighbour();
    ASSERT_NE(nine.best, nullptr);
    EXPECT_EQ(nine.best->c1, &nine);
    EXPECT_EQ(nine.best->c2, &five);
    EXPECT_EQ(nine.best->cut, 1.0f);
    EXPECT_EQ(nine.best->product, 1.0f);
    EXPECT_EQ(five.best, nullptr);
}

TEST(Community, ALoneSelfLoopHasNoCandidate) {
    Community loop;
    loop.addNeighbour(&loop);
    loop.computeBestNeighbour();
    EXPECT_EQ(loop.degreeSum, 1u);
    EXPECT_EQ(loop.internalDegree, 1u);
    EXPECT_THAT(loop.neighbours, ElementsAre(&loop));
    EXPECT_EQ(loop.best, nullptr);
}

TEST(Community, BestNeighbourIsTheLargestRatioAndTheFirstListedAmongEquals) {
    struct Case {
        const char* name;
        std::uint32_t ownDegree;
        std::vector<std::uint32_t> cuts, degrees;
        std::size_t expected;  // index of the winning neighbour
        float cut, product;
    };
    constexpr std::uint32_t kTop = 0xFFFFFFFFu;
    const std::vector<Case> cases = {
        // Cuts 1 and 2, degree sums 2 and 4, A = 3: 1/6 and 2/12 tie, the first stays.
        {"tie", 3, {1, 2}, {2, 4}, 0, 1.0f, 6.0f},
        {"second larger", 3, {1, 3}, {2, 4}, 1, 3.0f, 12.0f},
        // Cross-products pass 2^64: (2^32-2)/(2^32-1) against 1, then two equal ratios.
        {"wide, second larger",
         kTop,
         {kTop - 1, kTop},
         {kTop, kTop},
         1,
         float(kTop),
         float(std::uint64_t{kTop} * kTop)},
        {"wide, equal",
         kTop,
         {kTop, kTop - 1},
         {kTop, kTop - 1},
         0,
         float(kTop),
         float(std::uint64_t{kTop} * kTop)},
    };
    for (const Case& c : cases) {
        std::vector<std::unique_ptr<Community>> others;
        for (std::uint32_t degree : c.degrees) {
            others.push_back(std::make_unique<Community>());
            others.back()->degreeSum = degree;
        }
        Community owner;  // created last: the largest number
        for (std::size_t k = 0; k < others.size(); ++k) {
            owner.addNeighbour(others[k].get());
            owner.cuts[k] = c.cuts[k];
        }
        owner.degreeSum = c.ownDegree;
        owner.computeBestNeighbour();
        ASSERT_NE(owner.best, nullptr) << c.name;
        EXPECT_EQ(owner.best->c2, others[c.expected].get()) << c.name;
        EXPECT_EQ(owner.best->cut, c.cut) << c.name;
        EXPECT_EQ(owner.best->product, c.product) << c.name;
    }
}

TEST(Community, OnlyNeighboursWithSmallerNumbersAreEligibleUntilRenewal) {
    Community older, owner, newer;
    link(owner, older);
    link(owner, newer);
    newer.degreeSum = 1;  // newer would be the better candidate if it were eligible
    older.degreeSum = 5;
    owner.computeBestNeighbour();
    ASSERT_NE(owner.best, nullptr);
    EXPECT_EQ(owner.best->c2, &older);
    owner.renew();
    owner.computeBestNeighbour();
    EXPECT_EQ(owner.best->c2, &newer);
    // After the neighbour renews in turn, it is out of reach again.
    newer.renew();
    owner.computeBestNeighbour();
    EXPECT_EQ(owner.best->c2, &older);
}

TEST(Community, AbsorbingMergesSumsMembersAndSharedCuts) {
    // p - q, r adjacent to both, s adjacent to q only:
    //   p --- q --- s
    //    \   /
    //      r
    Community p(0), q(1), r(2), s(3);
    p.members = {10};
    q.members = {11};
    link(p, q);
    link(p, r);
    link(q, r);
    link(q, s);
    q.addNeighbour(&q);  // a self-loop of q counts inside the merged community
    p.addCommunity(&q, 1, 0.0f);
    q.removeCommunity();
    EXPECT_THAT(p.members, ElementsAre(10, 11));
    EXPECT_EQ(p.size, 2);
    EXPECT_EQ(p.degreeSum, 6u);
    EXPECT_EQ(p.internalDegree, 3u);
    EXPECT_THAT(entries(p), ElementsAre(std::make_pair(&r, 2u), std::make_pair(&s, 1u)));
    EXPECT_THAT(entries(r), ElementsAre(std::make_pair(&p, 2u)));
    EXPECT_THAT(entries(s), ElementsAre(std::make_pair(&p, 1u)));
    EXPECT_EQ(q.degreeSum, 0u);
    EXPECT_EQ(q.size, 0);
    EXPECT_TRUE(q.neighbours.empty());
    EXPECT_TRUE(q.members.empty());
}

TEST(Community, RemoveCommunityCutLowersOrErases) {
    struct Case {
        unsigned amount;
        std::vector<std::uint32_t> cuts;  // cuts to a, b after the call
    };
    const std::vector<Case> cases = {{1, {1, 3}}, {4, {1}}, {5, {1}}};
    for (const Case& c : cases) {
        Community owner, a, b;
        owner.addNeighbour(&a);
        owner.addNeighbour(&b);
        owner.cuts[1] = 4;
        owner.removeCommunityCut(&b, c.amount);
        std::vector<std::uint32_t> cuts;
        for (const auto& [neighbour, cut] : entries(owner)) cuts.push_back(cut);
        EXPECT_EQ(cuts, c.cuts) << c.amount;
    }
}

// Neighbours' lists name each other: a cut to lower that is not there is a broken
// invariant, which ends the run with its own ERROR line.
TEST(Community, RemoveCommunityCutOfAStrangerIsFatalAndChangesNothing) {
    Community owner, a, stranger;
    owner.addNeighbour(&a);
    testing::internal::CaptureStdout();
    try {
        owner.removeCommunityCut(&stranger, 1);
        ADD_FAILURE() << "no Fatal";
    } catch (const Fatal& error) {
        EXPECT_EQ(std::string(error.what()), "ERROR: Community " + std::to_string(owner.number) +
                                                 " has no link to community " +
                                                 std::to_string(stranger.number) + " to lower\n");
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_THAT(owner.neighbours, ElementsAre(&a));
    EXPECT_THAT(owner.cuts, ElementsAre(1u));
}

TEST(Community, AddCommunityCutRaisesOrAppends) {
    Community owner, a, b;
    owner.addNeighbour(&a);
    owner.addCommunityCut(&a, 2);
    owner.addCommunityCut(&b, 4);
    EXPECT_THAT(owner.neighbours, ElementsAre(&a, &b));
    EXPECT_THAT(owner.cuts, ElementsAre(3u, 4u));
    EXPECT_EQ(owner.cutTo(&b), 4u);
    EXPECT_EQ(owner.cutTo(&owner), 0u);
}

TEST(Community, PrintCommunityListsTheMembers) {
    Community c;
    c.members = {4, 0, 17};
    std::ostringstream out;
    c.printCommunity(out);
    EXPECT_EQ(out.str(), "C: 4 0 17 \n");
}
