#include "BoundParser.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

struct BoundCase {
    std::string text;
    std::int32_t expected;
};

TEST(BoundParserTest, ReadsLikeAtoiButSaturates) {
    const BoundCase cases[] = {
        {"100", 100},
        {"  100abc", 100},
        {"+100", 100},
        {"-7", -7},
        {"\t\n\v\f\r 42", 42},
        {"007", 7},
        {"", 0},
        {" ", 0},
        {"+", 0},
        {"-", 0},
        {"abc", 0},
        {"+-5", 0},
        {"- 5", 0},
        {"1 2", 1},
        {"１００", 0},     // full-width digits are other characters
        {"\u3000100", 0},  // so is the full-width space
        {"100１", 100},
        {"2147483647", kMax},
        {"2147483648", kMax},
        {"4294967396", kMax},  // wraps to 100 through atoi
        {"99999999999999999999", kMax},
        {"-2147483648", kMin},
        {"-2147483649", kMin},
        {"-4294967196", kMin},  // wraps to 100 through atoi
        {"110000000", 110000000},
        {"110000001", 110000001},
        {std::string("12\0"
                     "34",
                     5),
         12},
    };
    for (const BoundCase& c : cases) {
        EXPECT_EQ(ParseBound(c.text), c.expected) << "text: \"" << c.text << '"';
    }
}

TEST(BoundParserTest, LongDigitStringsSaturate) {
    EXPECT_EQ(ParseBound(std::string(100000, '9')), kMax);
    EXPECT_EQ(ParseBound("-" + std::string(100000, '9')), kMin);
    EXPECT_EQ(ParseBound(std::string(100000, '0') + "100"), 100);
}

}  // namespace
