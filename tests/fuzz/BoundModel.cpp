#include "BoundModel.h"

#include <cstdint>

std::int32_t ModelBound(std::string_view text) {
    // 1. The white space the C locale's isspace() knows, and nothing else.
    const std::size_t start = text.find_first_not_of(" \t\n\v\f\r");
    if (start == std::string_view::npos) {
        return 0;
    }
    text.remove_prefix(start);

    // 2. At most one sign.
    const bool negative = text.front() == '-';
    if (text.front() == '-' || text.front() == '+') {
        text.remove_prefix(1);
    }

    // 3. The digits, without leading zeros.
    std::string_view digits = text.substr(0, text.find_first_not_of("0123456789"));
    const std::size_t firstSignificant = digits.find_first_not_of('0');
    if (firstSignificant == std::string_view::npos) {
        return 0;
    }
    digits.remove_prefix(firstSignificant);

    // 4. Past the limit? Equal-length decimal strings compare like their values.
    const std::string_view limit = negative ? "2147483648" : "2147483647";
    if (digits.size() > limit.size() || (digits.size() == limit.size() && digits > limit)) {
        return negative ? INT32_MIN : INT32_MAX;
    }

    // 5. At most ten digits within the range: exact in 64 bits.
    std::int64_t value = 0;
    for (const char d : digits) {
        value = value * 10 + (d - '0');
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}
