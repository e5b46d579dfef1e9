#include "scan/desktop_entry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <tuple>

#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::TempDir;
using testing::writeFile;

std::string fixture(const std::string& name) {
  return testing::readFile(testing::testDataPath("applications/system/applications/" + name));
}

DesktopEntry parsed(std::string_view text, std::string_view locale = "") {
  auto entry = parseDesktopEntry(text, DesktopLocale::parse(locale));
  EXPECT_TRUE(entry.has_value()) << text;
  return entry.value_or(DesktopEntry{});
}

TEST(DesktopEntryTest, NameFollowsTheLanguageDownToTheUntranslatedOne) {
  std::string editor = fixture("org.gnome.TextEditor.desktop");
  for (const auto& [locale, name] :
       std::vector<std::pair<std::string, std::string>>{{"", "Text Editor"},
                                                        {"de_DE.UTF-8", "Texteditor"},
                                                        {"de_AT@euro", "Texteditor"},
                                                        {"fr_FR.UTF-8@euro", "Éditeur de texte"},
                                                        {"pt_BR.UTF-8", "Editor de Texto"},
                                                        {"pt_PT.UTF-8", "Text Editor"}}) {
    DesktopEntry entry = parsed(editor, locale);
    EXPECT_EQ(entry.name, name) << locale;
    EXPECT_EQ(entry.untranslatedName, "Text Editor");
  }
  // The most specific key wins over the bare language, whatever the order in the file.
  std::string variants =
      "[Desktop Entry]\nName=A\nName[sr]=B\nName[sr@latin]=C\nName[sr_RS@latin]=D\nName[sr_RS]=E\n";
  EXPECT_EQ(parsed(variants, "sr_RS.UTF-8@latin").name, "D");
  EXPECT_EQ(parsed(variants, "sr_ME@latin").name, "C");
  EXPECT_EQ(parsed(variants, "sr_ME").name, "B");
}

// The action group's names ("New Window") are not the application's.
TEST(DesktopEntryTest, AlternateNamesAreTheOtherWaysToTypeTheApplication) {
  DesktopEntry german = parsed(fixture("org.gnome.TextEditor.desktop"), "de_DE.UTF-8");
  EXPECT_EQ(german.alternateNames(),
            (std::vector<std::string>{"Text Editor", "Text", "Editor", "Notizblock", "Bearbeiten",
                                      "plain", "notepad", "gnome-text-editor"}));
  DesktopEntry vim = parsed(fixture("gvim.desktop"));
  EXPECT_EQ(vim.alternateNames(),
            (std::vector<std::string>{"Text Editor", "Text", "editor"}));  // gvim is the name
}

// The desktop entry fuzz target feeds every other input; these pin what the parser makes of it.
TEST(DesktopEntryTest, HostileTextParsesWithoutHarm) {
  // Each case: what it is, the text, and the name read from it.
  for (const auto& [label, text, name] :
       std::vector<std::tuple<std::string, std::string, std::string>>{
           {"escapes", "[Desktop Entry]\nName=Tab\\tNew\\nLine\\sEnd\\\\\n", "Tab New Line End\\"},
           {"control characters",
            "[Desktop Entry]\nName=Bell\x07"
            "Escape\x1b[31m\n",
            "Bell Escape [31m"},
           {"invalid UTF-8", "[Desktop Entry]\nName=Bad\xff\xfe\n", "Bad\xEF\xBF\xBD\xEF\xBF\xBD"},
           {"CRLF lines", "[Desktop Entry]\r\nName = Windows \r\nType=Application\r\n", "Windows"},
           {"first of duplicate keys", "[Desktop Entry]\nName=First\nName=Second\n", "First"},
           {"keys outside the group", "Name=Before\n[Desktop Entry]\n[Other]\nName=After\n", ""},
           {"bad keys and lines", "[Desktop Entry]\nNa me=X\nName[=Y\n=Z\nno equals\nName=Ok\n",
            "Ok"},
           {"no final newline", "[Desktop Entry]\nName=Last", "Last"}}) {
    EXPECT_EQ(parsed(text).name, name) << label;
  }
  EXPECT_FALSE(parseDesktopEntry("Name=No group\n").has_value());
}

TEST(DesktopEntryTest, ListsSplitAtUnescapedSemicolons) {
  DesktopEntry entry = parsed(
      "[Desktop Entry]\nKeywords=one; two ;;semi\\;colon;back\\\\slash;\nOnlyShowIn=KDE;GNOME\n");
  EXPECT_EQ(entry.keywords, (std::vector<std::string>{"one", "two", "semi;colon", "back\\slash"}));
  EXPECT_EQ(entry.onlyShowIn, (std::vector<std::string>{"KDE", "GNOME"}));
}

TEST(DesktopEntryTest, ProgramOfTheExecLine) {
  for (const auto& [exec, program] : std::vector<std::pair<std::string, std::string>>{
           {"/usr/bin/firefox %u", "firefox"},
           {"env GDK_BACKEND=x11 LANG=C gimp-2.10 %U", "gimp-2.10"},
           {"\"/opt/My App/bin/my app\" --new", "my app"},
           {"/usr/bin/flatpak run --branch=stable --command=gimp-2.10 org.gimp.GIMP @@u %U @@",
            "gimp-2.10"},
           {"flatpak run org.example.App", ""},
           {"", ""}}) {
    EXPECT_EQ(DesktopExec::programName(exec), program) << exec;
  }
}

TEST(DesktopEntryTest, MenusListApplicationsForThisDesktopWithTheirProgramInstalled) {
  TempDir dir;
  writeFile(dir / "plain-file", "not a program");
  ::chmod((dir / "plain-file").c_str(), 0644);
  DesktopEnvironment environment;
  environment.searchPath = "/nonexistent:/bin:/usr/bin";
  // What each case shows, the entry's keys, the current desktops, and whether menus list it.
  for (const auto& [label, keys, desktops, listed] :
       std::vector<std::tuple<std::string, std::string, std::vector<std::string>, bool>>{
           {"plain", "", {}, true},
           {"TryExec found on the path", "TryExec=sh\n", {}, true},
           {"TryExec missing", "TryExec=quorvale-fixture-no-such-program\n", {}, false},
           {"TryExec not executable", "TryExec=" + (dir / "plain-file") + "\n", {}, false},
           {"NoDisplay", "NoDisplay=true\n", {}, false},
           {"Hidden", "Hidden=true\n", {}, false},
           {"only on another desktop", "OnlyShowIn=KDE;\n", {"GNOME"}, false},
           {"only on this desktop", "OnlyShowIn=KDE;\n", {"ubuntu", "KDE"}, true},
           {"not on this desktop", "NotShowIn=GNOME;\n", {"GNOME"}, false},
           {"a link, not an application", "Type=Link\n", {}, false},
       }) {
    std::string text = "[Desktop Entry]\nType=Application\nName=X\n" + keys;
    if (keys.starts_with("Type=")) text = "[Desktop Entry]\nName=X\n" + keys;
    environment.desktops = desktops;
    EXPECT_EQ(environment.lists(parsed(text)), listed) << label;
  }
}

TEST(DesktopEntryTest, ReadsOnlyRegularFilesBehindLinks) {
  TempDir dir;
  std::string entry = "[Desktop Entry]\nType=Application\nName=Real\n";
  writeFile(dir / "real.desktop", entry);
  writeFile(dir / "big.desktop", entry + "Comment=" + std::string(70 * 1024, 'x') + "\n");
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  std::filesystem::create_directory(dir / "folder");
  std::filesystem::create_symlink(dir / "real.desktop", dir / "link.desktop");
  std::filesystem::create_symlink(dir / "pipe", dir / "fifo.desktop");
  std::filesystem::create_symlink("/dev/null", dir / "device.desktop");
  std::filesystem::create_symlink(dir / "folder", dir / "folder.desktop");
  std::filesystem::create_symlink(dir / "gone", dir / "dangling.desktop");

  EXPECT_EQ(readDesktopEntry(dir / "link.desktop").value_or(DesktopEntry{}).name, "Real");
  for (const char* name : {"big.desktop", "fifo.desktop", "device.desktop", "folder.desktop",
                           "dangling.desktop", "missing.desktop"}) {
    EXPECT_FALSE(readDesktopEntry(dir / name).has_value()) << name;
  }
}

}  // namespace
}  // namespace quorvale
