#include "analysis/csr.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

TEST(Csr, PackedTargetsComeBackAsTheyWere) {
    // Random targets below the vertex count, packed in place and made whole again; counts
    // around whole 64-bit words and widths from 1 bit up. Too few targets for their last
    // word to fit where they lay stay as they are.
    struct Case {
        Index vertices;
        std::size_t targets;
        unsigned bits;  // while packed; 0: left whole
    };
    const std::vector<Case> cases{{1, 1, 0},
                                  {2, 1, 0},
                                  {2, 2, 1},
                                  {2, 64, 1},
                                  {3, 3, 2},
                                  {3, 65, 2},
                                  {5, 17, 3},
                                  {1000, 1000, 10},
                                  {1025, 31, 11},
                                  {70000, 4097, 17},
                                  {70001, 5, 17},
                                  {70001, 1, 0},
                                  {1 << 20, 100000, 20},
                                  {(1 << 20) + 3, 300001, 21}};
    std::mt19937 random(41);
    for (const Case& c : cases) {
        const std::string where =
            std::to_string(c.vertices) + " vertices, " + std::to_string(c.targets) + " targets";
        Csr csr;
        csr.offsets.assign(std::size_t{c.vertices} + 1, 0);
        csr.offsets.back() = static_cast<Index>(c.targets);
        for (std::size_t k = 0; k < c.targets; ++k)
            csr.targets.push_back(static_cast<Index>(random() % c.vertices));
        const std::vector<Index> whole = csr.targets;
        csr.pack();
        EXPECT_EQ(csr.packedBits, c.bits) << where;
        EXPECT_EQ(csr.targets.size(), c.targets) << where;
        csr.pack();  // a second time changes nothing
        csr.unpack();
        EXPECT_EQ(csr.packedBits, 0u) << where;
        EXPECT_EQ(csr.targets, whole) << where;
        csr.unpack();  // nor does unpacking a whole one
        EXPECT_EQ(csr.targets, whole) << where;
    }
}
