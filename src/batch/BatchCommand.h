#pragma once

#include "BatchArguments.h"

namespace quenlit {

// Runs `quenlit` for a command line that is not the windows': --help, a bad command line
// (exit code 2) or a batch over the real browser, offscreen. Returns the exit code.
int RunBatchCommand(int& argc, char** argv, const ParsedArguments& parsed);

} // namespace quenlit
