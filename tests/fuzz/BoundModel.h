#pragma once

#include <cstdint>
#include <string_view>

// A second reading of the bound rules, kept apart from the parser it checks:
// C-locale white space, one optional sign, the run of ASCII digits after it,
// clamped to the int32_t range. It decides overflow by comparing digit
// strings, never by arithmetic that could itself overflow.
std::int32_t ModelBound(std::string_view text);
