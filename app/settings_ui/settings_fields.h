// The settings window's controls and the one field of the settings record each of them changes:
// the switches, the numbers with their ranges, and the lists. A view builds its controls from
// these tables and reads and writes the record only through `get` and `set`, so that no control
// can touch a field that is not its own. Pure functions over values; any thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/quorvale_settings.h"

namespace quorvale::SettingsFields {

enum class Switch {
  indexContents,
  semanticSearch,
  questionSearch,
  modelAllowsExpensiveNetwork,
  showMenuBarIcon,
  clipboardEnabled,
  clipboardMemoryOnly,
  clipboardSkipSensitive,
};

enum class Number { resultLimit, clipboardMaxItems, clipboardMaxAgeDays, clipboardMaxKilobytes };

// Lists of texts the user adds to and removes from.
enum class List { roots, excludedPaths, hiddenResults, ignoredApplications };

struct SwitchInfo {
  Switch id;
  std::string_view label;
  std::string_view note;  // a line under the switch; may be empty
};

struct NumberInfo {
  Number id;
  std::string_view label;
  std::int64_t minimum;
  std::int64_t maximum;
  std::string_view suffix;  // the unit shown after the number
};

const SwitchInfo& info(Switch id);
const NumberInfo& info(Number id);

bool get(const QuorvaleSettings& settings, Switch id);
void set(QuorvaleSettings& settings, Switch id, bool on);

// The value as the control shows it (the largest clipboard item in kB).
std::int64_t get(const QuorvaleSettings& settings, Number id);
// Stores the value brought within the control's range.
void set(QuorvaleSettings& settings, Number id, std::int64_t value);

std::vector<std::string> items(const QuorvaleSettings& settings, List id);
// Appends the texts the list does not hold yet (paths compared after expanding "~" and removing
// "." and ".." parts and a trailing "/"; application ids without regard to case). Returns how
// many were added.
std::size_t add(QuorvaleSettings& settings, List id, std::span<const std::string> texts);
// Removes the item at the position `items` gives it; false when there is none.
bool remove(QuorvaleSettings& settings, List id, std::size_t index);

// The two spellings name the same folder or file.
bool samePath(std::string_view a, std::string_view b);
// The path as a list shows it: under the home folder it begins with "~".
std::string shownPath(std::string_view path);

}  // namespace quorvale::SettingsFields
