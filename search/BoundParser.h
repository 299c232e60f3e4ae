#pragma once

#include <cstdint>
#include <string_view>

// Reads an upper bound the way the C runtime's atoi does - leading ASCII white
// space, an optional sign, ASCII digits up to the first other character, 0 if
// there are none - but independent of the locale and saturating at the limits
// of int32_t instead of wrapping, so no huge text turns into a small bound.
std::int32_t ParseBound(std::string_view text);
