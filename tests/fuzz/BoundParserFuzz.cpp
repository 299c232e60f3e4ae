// The bound parser against its model, on any bytes at all.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "BoundModel.h"
#include "BoundParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::int32_t parsed = ParseBound(text);
    const std::int32_t expected = ModelBound(text);
    if (parsed != expected) {
        std::fprintf(stderr, "ParseBound gave %d, the model %d, for %zu bytes:", parsed, expected,
                     size);
        for (std::size_t i = 0; i < size && i < 64; ++i) {
            std::fprintf(stderr, " %02x", data[i]);
        }
        std::fprintf(stderr, "\n");
        std::abort();
    }
    return 0;
}
