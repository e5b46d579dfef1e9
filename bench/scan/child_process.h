// Runs this same program again as a child process and collects what it prints, so that each
// benchmark phase starts from a fresh process and its peak memory is its own.
#pragma once

#include <string>
#include <vector>

namespace quorvale::bench {

// Starts /proc/self/exe with `arguments`, waits for it, and returns its standard output; its
// standard error passes through. Throws std::runtime_error when it cannot start or fails.
std::string runSelf(const std::vector<std::string>& arguments);
// The same with another program (another build of this benchmark, to compare with).
std::string runProgram(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace quorvale::bench
