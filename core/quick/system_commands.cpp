#include "quick/system_commands.h"

#include <algorithm>
#include <array>

#include "quick/typed_text.h"
#include "util/platform_profile.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

struct Action {
  SystemCommands::Command command;
  std::vector<std::string> keywords;
};

struct Page {
  SystemCommands::Pane pane;
  std::vector<std::string> keywords;
};

struct QuitPrefix {
  std::string_view prefix;
  std::string_view verb;
};

constexpr std::array kQuitPrefixes{
    QuitPrefix{"force quit ", "forcequit"},
    QuitPrefix{"kill ", "forcequit"},
    QuitPrefix{"quit ", "quit"},
};

const std::vector<Action>& actions() {
  static const std::vector<Action> kActions{
      {{"sleep", "Sleep", "Put the " + std::string(platformProfile().machine) + " to sleep"},
       {"sleep", "suspend"}},
      {{"displaysleep", "Lock screen",
        "Turn the display off; your password is asked on wake if it is set to be"},
       {"lock", "lock screen", "display off", "sleep display"}},
      {{"screensaver", "Start screen saver", "Show the screen saver now"},
       {"screen saver", "screensaver"}},
  };
  return kActions;
}

const std::vector<Page>& pages() {
  static const std::vector<Page> kPages{
      {{"Wi-Fi", "settings:wifi"}, {"wifi", "wi-fi", "wireless"}},
      {{"Bluetooth", "settings:bluetooth"}, {"bluetooth"}},
      {{"Displays", "settings:displays"}, {"displays", "monitor", "resolution"}},
      {{"Sound", "settings:sound"}, {"sound", "volume", "audio"}},
      {{"Keyboard", "settings:keyboard"}, {"keyboard", "shortcuts"}},
      {{"Battery", "settings:power"}, {"battery", "power"}},
      {{"Notifications", "settings:notifications"}, {"notifications"}},
      {{"Privacy and Security", "settings:privacy"},
       {"privacy", "security", "accessibility", "permissions"}},
      {{"Login Items", "settings:startup"}, {"login items", "startup"}},
      {{"Storage", "settings:storage"}, {"storage", "disk space"}},
      {{"General", "settings:general"}, {"settings", "system settings", "preferences"}},
  };
  return kPages;
}

std::string normalized(std::string_view query) {
  return unicode::lowercased(unicode::trimmedSpaces(query));
}

bool hasWordStartingWith(std::string_view name, std::string_view start) {
  std::size_t begin = 0;
  while (begin <= name.size()) {
    std::size_t end = name.find(' ', begin);
    if (end == std::string_view::npos) end = name.size();
    if (end > begin && name.substr(begin, end - begin).starts_with(start)) return true;
    begin = end + 1;
  }
  return false;
}

std::vector<SystemCommands::Command> quitCommands(std::string_view name, const QuitPrefix& quit,
                                                  std::span<const RunningApp> running) {
  if (!typed::hasAtLeastCharacters(name, 2)) return {};
  std::vector<const RunningApp*> chosen;
  std::vector<const RunningApp*> byWord;
  for (const RunningApp& app : running) {
    const std::string lowered = unicode::lowercased(app.name);
    if (lowered.starts_with(name)) {
      chosen.push_back(&app);
    } else if (hasWordStartingWith(lowered, name)) {
      byWord.push_back(&app);
    }
  }
  chosen.insert(chosen.end(), byWord.begin(), byWord.end());
  if (chosen.size() > SystemCommands::kMostApps) chosen.resize(SystemCommands::kMostApps);

  const bool force = quit.verb == "forcequit";
  std::vector<SystemCommands::Command> out;
  for (const RunningApp* app : chosen) {
    out.push_back({.id = std::string(quit.verb) + ":" + app->bundleID,
                   .title = (force ? "Force quit " : "Quit ") + app->name,
                   .subtitle = force ? "Ends it at once; unsaved work is lost"
                                     : "Asks the app to quit, like " +
                                           std::string(platformProfile().quitShortcut)});
  }
  return out;
}

bool actionMatches(const Action& action, std::string_view q, bool longEnoughForPrefix) {
  return std::any_of(action.keywords.begin(), action.keywords.end(), [&](const std::string& k) {
    return k == q || (longEnoughForPrefix && k.starts_with(q));
  });
}

void removePrefix(std::string_view& text, std::string_view prefix) {
  if (text.starts_with(prefix)) text.remove_prefix(prefix.size());
}

}  // namespace

bool SystemCommands::needsRunningApps(std::string_view query) {
  // Only the leading side is trimmed: see the header.
  std::string_view start = unicode::trimmedSpaces(query);
  start = query.substr(static_cast<std::size_t>(start.data() - query.data()));
  const std::string q =
      unicode::lowercased(start.substr(0, std::min<std::size_t>(start.size(), 16)));
  return std::any_of(kQuitPrefixes.begin(), kQuitPrefixes.end(),
                     [&](const QuitPrefix& quit) { return q.starts_with(quit.prefix); });
}

std::vector<SystemCommands::Command> SystemCommands::commands(std::string_view query,
                                                              std::span<const RunningApp> running) {
  const std::string q = normalized(query);
  for (const QuitPrefix& quit : kQuitPrefixes) {
    if (q.starts_with(quit.prefix)) {
      return quitCommands(unicode::trimmedSpaces(std::string_view(q).substr(quit.prefix.size())),
                          quit, running);
    }
  }
  std::vector<Command> out;
  if (!typed::hasAtLeastCharacters(q, 3)) return out;
  const bool longEnoughForPrefix = typed::hasAtLeastCharacters(q, 4);
  for (const Action& action : actions()) {
    if (actionMatches(action, q, longEnoughForPrefix)) out.push_back(action.command);
  }
  return out;
}

std::vector<SystemCommands::Pane> SystemCommands::panes(std::string_view query) {
  const std::string normalizedQuery = normalized(query);
  std::string_view q = normalizedQuery;
  removePrefix(q, "settings ");
  removePrefix(q, "system settings ");
  removePrefix(q, "preferences ");
  std::vector<Pane> out;
  if (!typed::hasAtLeastCharacters(q, 4)) return out;
  for (const Page& page : pages()) {
    const bool byTitle = unicode::lowercased(page.pane.title).starts_with(q);
    const bool byKeyword = std::any_of(page.keywords.begin(), page.keywords.end(),
                                       [&](const std::string& k) { return k.starts_with(q); });
    if (byTitle || byKeyword) out.push_back(page.pane);
  }
  return out;
}

}  // namespace quorvale
