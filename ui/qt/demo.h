// `--demo FILE`: shows the panel with fixed sample rows, typed "report", and writes a PNG of it
// once it has settled; prints "wrote PATH WxH" (pixel size) or "demo failed". Used for the
// README's picture and for screenshots. Needs a QApplication; returns the exit code.
#pragma once

#include <string>
#include <vector>

#include "query/suggestion.h"

namespace quorvale {

// The demonstration's rows, with sample paths of a Linux home folder.
std::vector<Suggestion> demoRows();

int runDemo(const std::string& path);

}  // namespace quorvale
