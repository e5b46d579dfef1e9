#include "settings_ui/settings_fields.h"

#include <algorithm>
#include <array>
#include <filesystem>

#include "util/unicode.h"
#include "util/xdg_paths.h"

namespace quorvale::SettingsFields {
namespace {

constexpr std::int64_t kBytesPerKilobyte = 1000;

// clang-format off
constexpr std::array kSwitches{
    SwitchInfo{Switch::indexContents, "Search inside files",
               "Reads the words in documents, PDFs and text files, not only their names."},
    SwitchInfo{Switch::semanticSearch, "Find files by meaning",
               "Also finds files whose text is about what you typed, when the text model is "
               "installed."},
    SwitchInfo{Switch::questionSearch, "Answer questions from your documents",
               "A typed question shows the passages of your documents that answer it."},
    SwitchInfo{Switch::modelAllowsExpensiveNetwork, "Download the text model on metered networks",
               ""},
    SwitchInfo{Switch::showMenuBarIcon, "Show Quorvale in the system tray", ""},
    SwitchInfo{Switch::clipboardEnabled, "Keep a clipboard history",
               "Type clip in the panel, or press the clipboard shortcut, to see it."},
    SwitchInfo{Switch::clipboardMemoryOnly, "Keep the history in memory only",
               "Nothing is written to disk; the history is gone when Quorvale quits."},
    SwitchInfo{Switch::clipboardSkipSensitive, "Leave out text that looks like a password or key",
               ""},
};
constexpr std::array kNumbers{
    NumberInfo{Number::resultLimit, "Results shown", QuorvaleSettings::kMinResultLimit,
               QuorvaleSettings::kMaxResultLimit, "rows"},
    NumberInfo{Number::clipboardMaxItems, "Keep at most", 1, 10000, "items"},
    NumberInfo{Number::clipboardMaxAgeDays, "Forget items after", 1, 3650, "days"},
    NumberInfo{Number::clipboardMaxKilobytes, "Largest text kept", 1, 100000, "kB"},
};
// clang-format on

template <typename Table, typename Id>
const auto& lookUp(const Table& table, Id id) {
  return *std::find_if(table.begin(), table.end(), [id](const auto& row) { return row.id == id; });
}

// A pointer to the field of the control, const when the settings are.
template <typename Settings>
auto field(Settings& settings, Switch id) -> decltype(&settings.indexContents) {
  switch (id) {
    case Switch::indexContents:
      return &settings.indexContents;
    case Switch::semanticSearch:
      return &settings.semanticSearch;
    case Switch::questionSearch:
      return &settings.questionSearch;
    case Switch::modelAllowsExpensiveNetwork:
      return &settings.modelAllowsExpensiveNetwork;
    case Switch::showMenuBarIcon:
      return &settings.showMenuBarIcon;
    case Switch::clipboardEnabled:
      return &settings.clipboard.enabled;
    case Switch::clipboardMemoryOnly:
      return &settings.clipboard.memoryOnly;
    case Switch::clipboardSkipSensitive:
      return &settings.clipboard.skipSensitive;
  }
  return nullptr;
}

template <typename Settings>
auto field(Settings& settings, Number id) -> decltype(&settings.resultLimit) {
  switch (id) {
    case Number::resultLimit:
      return &settings.resultLimit;
    case Number::clipboardMaxItems:
      return &settings.clipboard.maxItems;
    case Number::clipboardMaxAgeDays:
      return &settings.clipboard.maxAgeDays;
    case Number::clipboardMaxKilobytes:
      return &settings.clipboard.maxBytesPerItem;
  }
  return nullptr;
}

template <typename Settings>
auto pathList(Settings& settings, List id) -> decltype(&settings.roots) {
  switch (id) {
    case List::roots:
      return &settings.roots;
    case List::excludedPaths:
      return &settings.excludedPaths;
    case List::hiddenResults:
      return &settings.hiddenResults;
    case List::ignoredApplications:
      break;
  }
  return nullptr;
}

std::string normalized(std::string_view path) {
  std::string text(path);
  if (text == "~" || text.starts_with("~/")) text = xdg::home().value_or("") + text.substr(1);
  std::string result = std::filesystem::path(text).lexically_normal().string();
  while (result.size() > 1 && result.back() == '/') result.pop_back();
  return result;
}

}  // namespace

const SwitchInfo& info(Switch id) {
  return lookUp(kSwitches, id);
}

const NumberInfo& info(Number id) {
  return lookUp(kNumbers, id);
}

bool get(const QuorvaleSettings& settings, Switch id) {
  return *field(settings, id);
}

void set(QuorvaleSettings& settings, Switch id, bool on) {
  *field(settings, id) = on;
}

std::int64_t get(const QuorvaleSettings& settings, Number id) {
  std::int64_t value = *field(settings, id);
  if (id == Number::clipboardMaxKilobytes) value /= kBytesPerKilobyte;
  const NumberInfo& range = info(id);
  return std::clamp(value, range.minimum, range.maximum);
}

void set(QuorvaleSettings& settings, Number id, std::int64_t value) {
  const NumberInfo& range = info(id);
  value = std::clamp(value, range.minimum, range.maximum);
  if (id == Number::clipboardMaxKilobytes) value *= kBytesPerKilobyte;
  *field(settings, id) = value;
}

std::vector<std::string> items(const QuorvaleSettings& settings, List id) {
  if (id == List::ignoredApplications) {
    const auto& ignored = settings.clipboard.ignoredBundles;
    return {ignored.begin(), ignored.end()};
  }
  return *pathList(settings, id);
}

std::size_t add(QuorvaleSettings& settings, List id, std::span<const std::string> texts) {
  std::size_t added = 0;
  for (const std::string& text : texts) {
    std::string item = unicode::trimmed(text);
    if (item.empty()) continue;
    if (id == List::ignoredApplications) {
      auto& ignored = settings.clipboard.ignoredBundles;
      std::string folded = unicode::lowercased(item);
      bool known = std::any_of(ignored.begin(), ignored.end(), [&](const std::string& other) {
        return unicode::lowercased(other) == folded;
      });
      if (known) continue;
      ignored.insert(item);
    } else {
      auto& list = *pathList(settings, id);
      bool known = std::any_of(list.begin(), list.end(),
                               [&](const std::string& other) { return samePath(other, item); });
      if (known) continue;
      list.push_back(item);
    }
    ++added;
  }
  return added;
}

bool remove(QuorvaleSettings& settings, List id, std::size_t index) {
  if (id == List::ignoredApplications) {
    auto& ignored = settings.clipboard.ignoredBundles;
    if (index >= ignored.size()) return false;
    ignored.erase(std::next(ignored.begin(), static_cast<std::ptrdiff_t>(index)));
    return true;
  }
  auto& list = *pathList(settings, id);
  if (index >= list.size()) return false;
  list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
  return true;
}

bool samePath(std::string_view a, std::string_view b) {
  return normalized(a) == normalized(b);
}

std::string shownPath(std::string_view path) {
  auto home = xdg::home();
  if (!home || home->empty() || *home == "/") return std::string(path);
  if (path == *home) return "~";
  if (path.starts_with(*home + "/")) return "~" + std::string(path.substr(home->size()));
  return std::string(path);
}

}  // namespace quorvale::SettingsFields
