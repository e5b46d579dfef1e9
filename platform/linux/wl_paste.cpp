#include "wl_paste.h"

namespace quorvale::WlPaste {

std::vector<std::string> watchArguments() {
  // The command reads what wl-paste offers it (so that the writer never meets a closed pipe),
  // then prints the line that stands for the change.
  return {"--watch", "sh", "-c", "cat >/dev/null; echo"};
}

std::vector<std::string> typesArguments() {
  return {"--list-types"};
}

std::vector<std::string> textArguments() {
  return {"--no-newline", "--type", "text"};
}

std::vector<std::string> parseTypes(std::string_view output) {
  std::vector<std::string> types;
  while (!output.empty()) {
    auto end = output.find('\n');
    std::string_view line = output.substr(0, end);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    if (!line.empty()) types.emplace_back(line);
    if (end == std::string_view::npos) break;
    output.remove_prefix(end + 1);
  }
  return types;
}

}  // namespace quorvale::WlPaste
