#include "graph/array_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

struct Entry {
    std::uint32_t key;
    std::uint32_t value;
    bool operator==(const Entry&) const = default;
};
using Pool = ArrayPool<Entry>;

// Every array holds what its model holds, and the live words are the rooms of the arrays
// that have one.
void expectModel(const std::vector<Pool::Array>& arrays,
                 const std::vector<std::vector<Entry>>& model, const Pool& pool,
                 const std::string& where) {
    std::size_t live = 0;
    for (std::size_t owner = 0; owner < arrays.size(); ++owner) {
        const Pool::Array& array = arrays[owner];
        ASSERT_EQ(array.size(), model[owner].size()) << where << " owner " << owner;
        ASSERT_LE(array.size(), array.capacity()) << where << " owner " << owner;
        EXPECT_EQ(std::vector<Entry>(array.begin(), array.end()), model[owner])
            << where << " owner " << owner;
        if (array.data()) live += 1 + std::size_t{array.capacity()};
    }
    EXPECT_EQ(pool.liveWords(), live) << where;
}

}  // namespace

TEST(ArrayPool, ArraysKeepTheirElementsThroughGrowthReleasesAndCompaction) {
    // Random operations on a few dozen arrays against vectors; small blocks, so that rooms
    // span many blocks and long arrays get blocks of their own.
    for (const std::size_t blockBytes : {std::size_t{512}, std::size_t{4096}}) {
        for (unsigned seed = 1; seed <= 8; ++seed) {
            const std::string where =
                "block " + std::to_string(blockBytes) + " seed " + std::to_string(seed);
            std::mt19937 random(seed);
            Pool pool(blockBytes);
            std::vector<Pool::Array> arrays(30);
            std::vector<std::vector<Entry>> model(arrays.size());
            for (int step = 0; step < 4000; ++step) {
                const auto owner = static_cast<std::uint32_t>(random() % arrays.size());
                Pool::Array& array = arrays[owner];
                std::vector<Entry>& expected = model[owner];
                switch (random() % 10) {
                    case 0:
                        pool.release(array);
                        expected.clear();
                        break;
                    case 1:
                        pool.shrink(array, owner);
                        EXPECT_EQ(array.capacity(), array.size()) << where;
                        break;
                    case 2: {
                        const auto size = static_cast<std::uint32_t>(random() % 200);
                        const std::size_t before = expected.size();
                        pool.resize(array, owner, size);
                        expected.resize(size);
                        for (std::uint32_t k = static_cast<std::uint32_t>(before); k < size; ++k)
                            array[k] = expected[k] = {owner, k};
                        break;
                    }
                    case 3: {
                        const auto size = static_cast<std::uint32_t>(random() % 20);
                        array.truncate(size);
                        if (expected.size() > size) expected.resize(size);
                        break;
                    }
                    case 4:
                        pool.reserve(array, owner, static_cast<std::uint32_t>(random() % 300));
                        break;
                    default: {
                        const Entry entry{owner, static_cast<std::uint32_t>(random())};
                        pool.push(array, owner, entry);
                        expected.push_back(entry);
                    }
                }
                if (step % 97 == 0) {
                    pool.compact([&](std::uint32_t who) -> Pool::Array& { return arrays[who]; });
                    // Packed together: a shared block ends at most a quarter empty (longer
                    // rooms have blocks of their own), and only the last one is partly free.
                    const std::size_t blockWords = blockBytes / 8;
                    EXPECT_LE(3 * pool.blockWords(), 4 * pool.liveWords() + 3 * blockWords)
                        << where;
                    for (std::size_t k = 0; k < arrays.size(); ++k)
                        EXPECT_LE(arrays[k].capacity(), 2 * std::size_t{arrays[k].size()})
                            << where << " owner " << k;
                }
                expectModel(arrays, model, pool, where + " step " + std::to_string(step));
                if (HasFatalFailure()) return;
            }
        }
    }
}
