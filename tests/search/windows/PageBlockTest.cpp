#include "PageBlock.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>

namespace {

TEST(PageBlockTest, EveryByteIsUsableUntilReleased) {
    // Under a page, a few pages, and one that does not end on a page.
    for (const std::size_t bytes :
         {std::size_t{11}, std::size_t{3} << 12, (std::size_t{1} << 24) + 11}) {
        PageBlock block(bytes);
        ASSERT_NE(block.data(), nullptr);
        EXPECT_EQ(block.size(), bytes);
        block.data()[0] = 1;
        block.data()[bytes - 1] = 2;
        EXPECT_EQ(block.data()[0] + block.data()[bytes - 1], 3);
        PageBlock moved(std::move(block));
        EXPECT_EQ(block.data(), nullptr);
        EXPECT_EQ(moved.data()[bytes - 1], 2);
        moved.Release();
        EXPECT_EQ(moved.data(), nullptr);
        moved.Release();  // a second release does nothing
    }
}

TEST(PageBlockTest, ExhaustionThrowsBadAlloc) {
    EXPECT_THROW(PageBlock(std::numeric_limits<std::size_t>::max() - (std::size_t{1} << 20)),
                 std::bad_alloc);
}

}  // namespace
