#include "analysis/community.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
