// The command line of the one executable. Each job prints its result to standard output and
// returns the process's exit code.
#pragma once

namespace quorvale {

int runCommandLine(int argc, char** argv);

}  // namespace quorvale
