// Freedesktop desktop entries (".desktop" files): the Linux form of an installed application.
//
// The scanner indexes application entries as applications: the row shows the entry's Name in
// the user's language, and the entry is also found by its untranslated Name, its GenericName and
// Keywords (translated and untranslated) and the program its Exec line starts. Menus leave out
// entries that are hidden, not for this desktop or whose TryExec program is missing; so does
// the scanner in application folders. The shell later launches an entry from its Exec line.
//
// Entry files are untrusted input: the reader opens only regular files (after following a
// symbolic link) of at most 64 kB, and the parser accepts any bytes, keeps only the
// [Desktop Entry] group, and turns control characters and invalid UTF-8 in texts into spaces
// and U+FFFD.
//
// Pure functions over values, except `current()` (the environment) and the file reads; safe on
// any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvale {

// The language that localised keys are looked up in ("de_DE.UTF-8@euro" -> de, DE, euro).
struct DesktopLocale {
  std::string language;
  std::string country;
  std::string modifier;

  // Parses a POSIX locale name; "C", "POSIX" and empty names give no language.
  static DesktopLocale parse(std::string_view posixName);
  // From LC_ALL, else LC_MESSAGES, else LANG.
  static DesktopLocale current();
  // The key suffixes to try, best first: lang_COUNTRY@MODIFIER, lang_COUNTRY, lang@MODIFIER,
  // lang (only those the locale has parts for).
  std::vector<std::string> lookupOrder() const;

  bool operator==(const DesktopLocale&) const = default;
};

struct DesktopEntry {
  std::string type;              // "Application", "Link", "Directory"
  std::string name;              // Name in the reader's language, else the untranslated Name
  std::string untranslatedName;  // Name
  // Translated, then untranslated; each once, whatever its letter case.
  std::vector<std::string> genericNames;
  std::vector<std::string> keywords;
  std::string exec;
  std::string tryExec;
  std::string icon;       // an icon theme name or an absolute path
  std::string path;       // the working folder of the program; empty: inherit
  bool terminal = false;  // the program runs in a terminal
  // The WM_CLASS the program's windows carry, when it differs from the entry's file name.
  std::string startupWMClass;
  bool noDisplay = false;
  bool hidden = false;
  std::vector<std::string> onlyShowIn;
  std::vector<std::string> notShowIn;

  bool isApplication() const { return type == "Application"; }
  // Whether a menu on the given desktops (XDG_CURRENT_DESKTOP, split at ":") lists this entry,
  // going by Hidden, NoDisplay, OnlyShowIn and NotShowIn.
  bool shownIn(const std::vector<std::string>& desktops) const;
  // The other names a user may type for the entry, each once in any letter case and none equal
  // to `name`: the untranslated Name, the generic names, the keywords and the Exec program.
  std::vector<std::string> alternateNames() const;

  bool operator==(const DesktopEntry&) const = default;
};

// What menus check an entry against: the desktops, the language and the program search path.
struct DesktopEnvironment {
  DesktopLocale locale;
  std::vector<std::string> desktops;
  std::string searchPath;  // as $PATH: folders separated by ":"

  // XDG_CURRENT_DESKTOP, the locale variables and PATH.
  static DesktopEnvironment current();
  // An application that a menu here lists: shown on these desktops, and its TryExec program (if
  // it names one) installed.
  bool lists(const DesktopEntry& entry) const;
  // Whether the program is an executable file: a path as it stands, a bare name in a folder of
  // the search path.
  bool installed(std::string_view program) const;

  bool operator==(const DesktopEnvironment&) const = default;
};

// Reads the [Desktop Entry] group, localised keys resolved for `locale`; nothing when the text has
// no such group.
std::optional<DesktopEntry> parseDesktopEntry(std::string_view text,
                                              const DesktopLocale& locale = {});
// Reads the file when it is (or a symbolic link leads to) a regular file of at most 64 kB;
// nothing otherwise. FIFOs and devices are never opened.
std::optional<DesktopEntry> readDesktopEntry(const std::string& path,
                                             const DesktopLocale& locale = {});
// The desktops named by XDG_CURRENT_DESKTOP.
std::vector<std::string> currentDesktops();

namespace DesktopExec {

// The words of an Exec line, with the quoting of desktop entries removed.
std::vector<std::string> words(std::string_view exec);
// The file name of the program an Exec line starts: "env" and its assignments are passed over,
// and for "flatpak run" the program named by --command (nothing without one).
std::string programName(std::string_view exec);

}  // namespace DesktopExec
}  // namespace quorvale
