#include "launch_mode.h"

#include <algorithm>

namespace quorvale {

LaunchMode LaunchMode::of(const std::vector<std::string>& args) {
  auto has = [&](const char* flag) {
    return std::find(args.begin(), args.end(), flag) != args.end();
  };
  LaunchMode mode;
  // The command line's own switches come first, in its order.
  if (has("--enable-login-item") || has("--disable-login-item") || has("--status")) {
    mode.kind = Kind::commandLine;
    return mode;
  }
  auto demo = std::find(args.begin(), args.end(), "--demo");
  if (demo != args.end() && demo + 1 != args.end()) {
    mode.kind = Kind::demo;
    mode.demoPath = *(demo + 1);
    return mode;
  }
  // A trailing "--demo" with nothing after it is passed over.
  std::vector<std::string> rest;
  std::copy_if(args.begin(), args.end(), std::back_inserter(rest),
               [](const std::string& arg) { return arg != "--demo"; });
  if (rest.empty()) return mode;
  if (rest.size() == 1 && rest.front() == "--toggle") {
    mode.request = Request::toggle;
    return mode;
  }
  if (rest.size() == 1 && rest.front() == "--clip") {
    mode.request = Request::clip;
    return mode;
  }
  if (rest.size() == 1 && rest.front() == "--settings") {
    mode.request = Request::settings;
    return mode;
  }
  mode.kind = Kind::commandLine;  // --scan, --query, or something it explains with its usage
  return mode;
}

}  // namespace quorvale
