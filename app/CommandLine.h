#pragma once

#include <optional>

// The two options answered in a terminal, before any window system is
// needed: --help and --version print to standard output; the result is then
// the exit status (0). Otherwise nothing: the program ignores its command
// line, as the dialog does.
std::optional<int> AnswerCommandLine(int argc, char** argv);
