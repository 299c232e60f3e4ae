#include "CommandLine.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kUsage[] =
    "Usage: ZazivadeZaz32 [--help | --version]\n"
    "\n"
    "Tavro+ shows a small Japanese dialog: type an upper bound from 2 to 110000000\n"
    "and press the start button; it writes the prime numbers up to the bound to\n"
    "2-N.txt in the working directory, opens that file in the desktop's text viewer\n"
    "and shows their number and how long the search and the file output took.\n"
    "\n"
    "It needs a display: an X11 server (DISPLAY) or a Wayland compositor\n"
    "(WAYLAND_DISPLAY). Without one, start it with xvfb-run ZazivadeZaz32.\n"
    "Any other argument is ignored.\n";

}  // namespace

std::optional<int> AnswerCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("ZazivadeZaz32 (Tavro+) %s\n", TAVRO_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}
