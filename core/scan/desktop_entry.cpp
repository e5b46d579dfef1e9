#include "scan/desktop_entry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "index/file_record.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

constexpr std::size_t kMaxEntryBytes = 64 * 1024;
constexpr std::string_view kGroup = "[Desktop Entry]";
constexpr std::string_view kDefaultSearchPath = "/usr/local/bin:/usr/bin:/bin";

// The raw values of one group by key ("Name", "Name[de]"); the first of duplicate keys wins.
using Values = std::map<std::string, std::string, std::less<>>;

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

std::string_view getenvView(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string_view(value) : std::string_view();
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

// Values escape \s, \n, \t, \r and \\ (and \; inside lists). Texts shown to the user hold no
// control characters and only valid UTF-8.
std::string unescape(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == '\\' && i + 1 < value.size()) {
      char next = value[++i];
      switch (next) {
        case 's':
          c = ' ';
          break;
        case 'n':
          c = '\n';
          break;
        case 't':
          c = '\t';
          break;
        case 'r':
          c = '\r';
          break;
        default:
          c = next;
          break;
      }
    }
    out += c;
  }
  return out;
}

std::string displayText(std::string_view raw) {
  std::string text = unescape(raw);
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  }
  if (!unicode::isValidUtf8(text)) text = unicode::toValidUtf8(text);
  return std::string(trim(text));
}

// A list value: items separated by ";" (an escaped "\;" stays inside its item), empty items
// dropped.
std::vector<std::string> listOf(std::string_view raw) {
  std::vector<std::string> items;
  std::string item;
  auto flush = [&] {
    std::string text = displayText(item);
    if (!text.empty()) items.push_back(std::move(text));
    item.clear();
  };
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\\' && i + 1 < raw.size()) {
      if (raw[i + 1] != ';') item += '\\';
      item += raw[++i];
    } else if (raw[i] == ';') {
      flush();
    } else {
      item += raw[i];
    }
  }
  flush();
  return items;
}

// Adds the item unless the list holds it already in any letter case: a repeated word would
// only weigh more in the name's full-text relevance.
void addOnce(std::vector<std::string>& list, std::string item) {
  if (item.empty()) return;
  std::string folded = unicode::lowercased(item);
  bool known = std::any_of(list.begin(), list.end(), [&](const std::string& other) {
    return unicode::lowercased(other) == folded;
  });
  if (!known) list.push_back(std::move(item));
}

// A key as the format allows it: letters, digits and "-", then an optional "[locale]".
bool validKey(std::string_view key) {
  auto bracket = key.find('[');
  std::string_view base = key.substr(0, bracket);
  if (base.empty()) return false;
  bool plain = std::all_of(base.begin(), base.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
  });
  if (!plain) return false;
  return bracket == std::string_view::npos || (key.back() == ']' && key.size() > bracket + 2);
}

// The keys and raw values of the [Desktop Entry] group; nothing without that group.
std::optional<Values> groupValues(std::string_view text) {
  Values values;
  bool inGroup = false, sawGroup = false;
  while (!text.empty()) {
    auto end = text.find('\n');
    std::string_view line = trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      inGroup = line == kGroup;
      sawGroup = sawGroup || inGroup;
      continue;
    }
    auto equals = line.find('=');
    if (!inGroup || equals == std::string_view::npos) continue;
    std::string_view key = trim(line.substr(0, equals));
    if (!validKey(key)) continue;
    values.emplace(std::string(key), std::string(trim(line.substr(equals + 1))));
  }
  if (!sawGroup) return std::nullopt;
  return values;
}

class Lookup {
 public:
  Lookup(const Values& values, const DesktopLocale& locale)
      : values_(values), suffixes_(locale.lookupOrder()) {}

  std::optional<std::string_view> raw(std::string_view key) const {
    auto found = values_.find(key);
    if (found == values_.end()) return std::nullopt;
    return found->second;
  }
  // The value for the best matching language; nothing when only the untranslated one exists.
  std::optional<std::string_view> translated(std::string_view key) const {
    for (const std::string& suffix : suffixes_) {
      auto found = values_.find(std::string(key) + "[" + suffix + "]");
      if (found != values_.end()) return found->second;
    }
    return std::nullopt;
  }
  std::string text(std::string_view key) const { return displayText(raw(key).value_or("")); }
  bool flag(std::string_view key) const { return trim(raw(key).value_or("")) == "true"; }

 private:
  const Values& values_;
  std::vector<std::string> suffixes_;
};

DesktopEntry entryFrom(const Values& values, const DesktopLocale& locale) {
  Lookup lookup(values, locale);
  DesktopEntry entry;
  entry.type = lookup.text("Type");
  entry.untranslatedName = lookup.text("Name");
  auto translatedName = lookup.translated("Name");
  entry.name = translatedName ? displayText(*translatedName) : entry.untranslatedName;
  if (entry.name.empty()) entry.name = entry.untranslatedName;
  if (auto generic = lookup.translated("GenericName"))
    addOnce(entry.genericNames, displayText(*generic));
  addOnce(entry.genericNames, lookup.text("GenericName"));
  if (auto keywords = lookup.translated("Keywords")) {
    for (std::string& word : listOf(*keywords)) addOnce(entry.keywords, std::move(word));
  }
  for (std::string& word : listOf(lookup.raw("Keywords").value_or(""))) {
    addOnce(entry.keywords, std::move(word));
  }
  entry.exec = unescape(lookup.raw("Exec").value_or(""));
  entry.tryExec = unescape(lookup.raw("TryExec").value_or(""));
  entry.icon = lookup.text("Icon");
  entry.path = lookup.text("Path");
  entry.terminal = lookup.flag("Terminal");
  entry.startupWMClass = lookup.text("StartupWMClass");
  entry.noDisplay = lookup.flag("NoDisplay");
  entry.hidden = lookup.flag("Hidden");
  entry.onlyShowIn = listOf(lookup.raw("OnlyShowIn").value_or(""));
  entry.notShowIn = listOf(lookup.raw("NotShowIn").value_or(""));
  return entry;
}

bool isExecutableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

DesktopLocale DesktopLocale::parse(std::string_view posixName) {
  DesktopLocale locale;
  if (posixName == "C" || posixName == "POSIX" || posixName.starts_with("C.")) return locale;
  auto at = posixName.find('@');
  if (at != std::string_view::npos) {
    locale.modifier = posixName.substr(at + 1);
    posixName = posixName.substr(0, at);
  }
  posixName = posixName.substr(0, posixName.find('.'));
  auto underscore = posixName.find('_');
  locale.language = posixName.substr(0, underscore);
  if (underscore != std::string_view::npos) locale.country = posixName.substr(underscore + 1);
  if (locale.language.empty()) return {};
  return locale;
}

DesktopLocale DesktopLocale::current() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    std::string_view value = getenvView(variable);
    if (!value.empty()) return parse(value);
  }
  return {};
}

std::vector<std::string> DesktopLocale::lookupOrder() const {
  std::vector<std::string> order;
  if (language.empty()) return order;
  std::string withCountry = country.empty() ? "" : language + "_" + country;
  if (!withCountry.empty() && !modifier.empty()) order.push_back(withCountry + "@" + modifier);
  if (!withCountry.empty()) order.push_back(withCountry);
  if (!modifier.empty()) order.push_back(language + "@" + modifier);
  order.push_back(language);
  return order;
}

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

std::vector<std::string> DesktopEntry::alternateNames() const {
  std::vector<std::string> names{name};
  addOnce(names, untranslatedName);
  for (const std::string& generic : genericNames) addOnce(names, generic);
  for (const std::string& keyword : keywords) addOnce(names, keyword);
  addOnce(names, DesktopExec::programName(exec));
  names.erase(names.begin());
  return names;
}

DesktopEnvironment DesktopEnvironment::current() {
  std::string_view path = getenvView("PATH");
  return {.locale = DesktopLocale::current(),
          .desktops = currentDesktops(),
          .searchPath = std::string(path.empty() ? kDefaultSearchPath : path)};
}

bool DesktopEnvironment::lists(const DesktopEntry& entry) const {
  if (!entry.isApplication() || !entry.shownIn(desktops)) return false;
  return entry.tryExec.empty() || installed(entry.tryExec);
}

bool DesktopEnvironment::installed(std::string_view program) const {
  if (program.empty()) return false;
  if (program.find('/') != std::string_view::npos) return isExecutableFile(std::string(program));
  for (const std::string& folder : split(searchPath, ':')) {
    if (isExecutableFile(folder + "/" + std::string(program))) return true;
  }
  return false;
}

std::optional<DesktopEntry> parseDesktopEntry(std::string_view text, const DesktopLocale& locale) {
  auto values = groupValues(text);
  if (!values) return std::nullopt;
  return entryFrom(*values, locale);
}

std::optional<DesktopEntry> readDesktopEntry(const std::string& path, const DesktopLocale& locale) {
  // Look before opening: opening a device can have effects of its own, and a FIFO could block.
  struct stat before {};
  if (::stat(path.c_str(), &before) != 0 || !S_ISREG(before.st_mode) ||
      static_cast<std::size_t>(before.st_size) > kMaxEntryBytes) {
    return std::nullopt;
  }
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  std::string bytes;
  // The file may have been swapped since the look; read only the regular file that was seen.
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_ino == before.st_ino &&
      info.st_dev == before.st_dev) {
    bytes.resize(kMaxEntryBytes);
    std::size_t got = 0;
    while (got < bytes.size()) {
      ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
  }
  ::close(fd);
  if (bytes.empty()) return std::nullopt;
  return parseDesktopEntry(bytes, locale);
}

std::vector<std::string> currentDesktops() {
  return split(getenvView("XDG_CURRENT_DESKTOP"), ':');
}

namespace DesktopExec {

std::vector<std::string> words(std::string_view exec) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, inWord = false;
  for (std::size_t i = 0; i < exec.size(); ++i) {
    char c = exec[i];
    if (quoted && c == '\\' && i + 1 < exec.size()) {
      word += exec[++i];
    } else if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

std::string programName(std::string_view exec) {
  std::vector<std::string> all = words(exec);
  std::size_t i = 0;
  if (i < all.size() && lastPathComponent(all[i]) == "env") {
    ++i;
    while (i < all.size() && all[i].find('=') != std::string::npos) ++i;
  }
  if (i >= all.size()) return {};
  std::string program = lastPathComponent(all[i]);
  if (program != "flatpak" || i + 1 >= all.size() || all[i + 1] != "run") return program;
  // A Flatpak application runs as "flatpak run [options] app-id": its program is the command.
  constexpr std::string_view kCommand = "--command=";
  for (std::size_t j = i + 2; j < all.size() && all[j].starts_with("-"); ++j) {
    if (all[j].starts_with(kCommand)) return lastPathComponent(all[j].substr(kCommand.size()));
  }
  return {};
}

}  // namespace DesktopExec
}  // namespace quorvale
