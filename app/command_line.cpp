#include "command_line.h"

#include <cstdio>

namespace quorvale {

int runCommandLine(int, char**) {
  std::puts("usage: quorvale --scan [FOLDER...]");
  return 0;
}

}  // namespace quorvale
