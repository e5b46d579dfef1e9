#include "scan/inflight_list.h"

namespace quorvale {
namespace {

constexpr std::string_view kReading = "reading ";
constexpr std::string_view kStopped = "stopped ";

bool isBlank(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

// "<pid> <start ticks> <boot id> <path>" split after the third space.
void addReading(InflightList& list, std::string_view rest) {
  std::size_t cut = 0;
  for (int space = 0; space < 3; ++space) {
    cut = rest.find(' ', space == 0 ? 0 : cut + 1);
    if (cut == std::string_view::npos) return;
  }
  auto owner = ProcessIdentity::parse(rest.substr(0, cut));
  std::string_view path = rest.substr(cut + 1);
  if (owner && !path.empty()) list.reading.push_back({*owner, std::string(path)});
}

}  // namespace

InflightList InflightList::parse(std::string_view text) {
  InflightList list;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (isBlank(line)) break;
    if (line.starts_with(kReading)) {
      addReading(list, line.substr(kReading.size()));
    } else if (line.starts_with(kStopped) && line.size() > kStopped.size()) {
      list.stopped.insert(std::string(line.substr(kStopped.size())));
    } else if (line.starts_with('/')) {
      list.reading.push_back({ProcessIdentity{}, std::string(line)});
    }
  }
  return list;
}

std::string InflightList::text() const {
  std::string text;
  for (const Reading& entry : reading) {
    text.append(kReading).append(entry.owner.text()).append(" ").append(entry.path) += '\n';
  }
  for (const std::string& path : stopped) text.append(kStopped).append(path) += '\n';
  if (!text.empty()) text += '\n';
  return text;
}

}  // namespace quorvale
