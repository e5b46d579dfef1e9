#include "scan/desktop_entry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace quorvale {
namespace {

constexpr std::size_t kMaxEntryBytes = 64 * 1024;

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

std::vector<std::string> split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  while (!text.empty()) {
    auto end = text.find(separator);
    auto part = trim(text.substr(0, end));
    if (!part.empty()) parts.emplace_back(part);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return parts;
}

// Values escape \s, \n, \t, \r and \\.
std::string unescape(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    char next = value[++i];
    switch (next) {
      case 's': out += ' '; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      default: out += next; break;
    }
  }
  return out;
}

}  // namespace

bool DesktopEntry::shownIn(const std::vector<std::string>& desktops) const {
  if (noDisplay || hidden) return false;
  auto named = [&](const std::vector<std::string>& list) {
    return std::any_of(desktops.begin(), desktops.end(), [&](const std::string& desktop) {
      return std::find(list.begin(), list.end(), desktop) != list.end();
    });
  };
  if (!onlyShowIn.empty() && !named(onlyShowIn)) return false;
  return !named(notShowIn);
}

std::optional<DesktopEntry> parseDesktopEntry(std::string_view text) {
  DesktopEntry entry;
  bool inGroup = false, sawGroup = false;
  while (!text.empty()) {
    auto end = text.find('\n');
    std::string_view line = trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      inGroup = line == "[Desktop Entry]";
      sawGroup = sawGroup || inGroup;
      continue;
    }
    auto equals = line.find('=');
    if (!inGroup || equals == std::string_view::npos) continue;
    std::string_view key = trim(line.substr(0, equals));
    std::string value = unescape(trim(line.substr(equals + 1)));
    if (key == "Type") entry.type = value;
    else if (key == "Name") entry.name = value;
    else if (key == "Exec") entry.exec = value;
    else if (key == "Icon") entry.icon = value;
    else if (key == "Path") entry.path = value;
    else if (key == "Terminal") entry.terminal = value == "true";
    else if (key == "NoDisplay") entry.noDisplay = value == "true";
    else if (key == "Hidden") entry.hidden = value == "true";
    else if (key == "OnlyShowIn") entry.onlyShowIn = split(value, ';');
    else if (key == "NotShowIn") entry.notShowIn = split(value, ';');
  }
  if (!sawGroup) return std::nullopt;
  return entry;
}

std::optional<DesktopEntry> readDesktopEntry(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info;
  std::string bytes;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
      static_cast<std::size_t>(info.st_size) <= kMaxEntryBytes) {
    bytes.resize(static_cast<std::size_t>(info.st_size));
    ssize_t got = read(fd, bytes.data(), bytes.size());
    bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  }
  close(fd);
  if (bytes.empty()) return std::nullopt;
  return parseDesktopEntry(bytes);
}

std::vector<std::string> currentDesktops() {
  const char* value = std::getenv("XDG_CURRENT_DESKTOP");
  return value ? split(value, ':') : std::vector<std::string>{};
}

}  // namespace quorvale
