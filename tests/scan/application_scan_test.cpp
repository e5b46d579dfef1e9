// Application entries as a desktop's menus show them: which entries count, what they are called
// and found by, and how installs, overrides and removals follow.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "index/file_index_access.h"
#include "query/smart_search.h"
#include "scan/guarded_extractor.h"
#include "scan/scanner.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::writeFile;
namespace fs = std::filesystem;

constexpr Date kNow = 1'800'000'000;

// The variables that choose the menus' desktop and language, set for one test and put back
// afterwards.
class ScopedEnvironment {
 public:
  static constexpr const char* kNames[] = {"XDG_CURRENT_DESKTOP", "LANG", "LC_ALL", "LC_MESSAGES"};
  ScopedEnvironment() {
    for (const char* name : kNames) {
      if (const char* value = std::getenv(name)) saved_[name] = value;
    }
  }
  ~ScopedEnvironment() {
    for (const char* name : kNames)
      set(name, saved_.contains(name) ? saved_[name].c_str() : nullptr);
  }
  void set(const std::string& name, const char* value) {
    value ? setenv(name.c_str(), value, 1) : unsetenv(name.c_str());
  }

 private:
  std::map<std::string, std::string> saved_;
};

// The fixture entries laid out as a desktop has them: the user's folder, the system's, and a
// Flatpak export folder whose entry is a link into the installed application.
class ApplicationScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(testing::testDataPath("applications/home"), dir / "home", fs::copy_options::recursive);
    fs::copy(testing::testDataPath("applications/system"), dir / "system",
             fs::copy_options::recursive);
    std::string installed = dir / "flatpak/app/org.gimp.GIMP/export/org.gimp.GIMP.desktop";
    fs::create_directories(fs::path(installed).parent_path());
    fs::copy(testing::testDataPath("applications/flatpak/org.gimp.GIMP.desktop"), installed);
    fs::create_directories(flatpak);
    fs::create_symlink(installed, flatpak + "/org.gimp.GIMP.desktop");

    environment.set("XDG_CURRENT_DESKTOP", "GNOME");
    environment.set("LANG", "en_US.UTF-8");
    environment.set("LC_ALL", nullptr);
    environment.set("LC_MESSAGES", nullptr);
    config = ScanConfig::make({home, system, flatpak});
    config.appOnlyRoots = {home, system, flatpak};
  }

  ScanStats scan() { return Scanner::scan(config, index, extractor, nullptr, nullptr, nullptr); }
  void update(const std::string& path) {
    Scanner::update({path}, config, index, extractor, nullptr);
  }

  std::string first(std::string_view query) {
    auto hits = SmartSearch::search(query, index, {.limit = 10, .now = kNow}).hits;
    return hits.empty() ? "(nothing)" : hits[0].record.path;
  }

  testing::TempDir dir;
  std::string home = dir / "home/applications";
  std::string system = dir / "system/applications";
  std::string flatpak = dir / "flatpak/exports/share/applications";
  ScopedEnvironment environment;
  ScanConfig config;
  FileIndex index{std::nullopt};
  NoContent extractor;
};

// Each menu rule and each way to name an entry is tested with the entry reader; here the scan
// applies them across folders (overrides, ids, links) and the search finds what they give.
TEST_F(ApplicationScanTest, MenusDecideWhichEntriesAreApplications) {
  scan();
  // Each path with its title; nothing: not in the index.
  for (const auto& [path, title] : std::vector<std::pair<std::string, std::optional<std::string>>>{
           {home + "/firefox-esr.desktop", "Firefox (Work Profile)"},
           {system + "/firefox-esr.desktop", std::nullopt},          // the user's copy overrides it
           {home + "/org.example.Tracker.desktop", std::nullopt},    // Hidden=true override
           {system + "/org.example.Tracker.desktop", std::nullopt},  // ... hides it entirely
           {system + "/kde/konsole.desktop", "Konsole"},
           {system + "/org.kde.kinfocenter.desktop", std::nullopt},  // OnlyShowIn=KDE
           {system + "/gvim.desktop", "GVim"},
           {flatpak + "/org.gimp.GIMP.desktop", "GNU Image Manipulation Program"}}) {
    EXPECT_EQ(index.name(path), title) << path;
  }
  EXPECT_EQ(
      FileIndexAccess::connection(index).queryInt("SELECT COUNT(*) FROM files WHERE kind <> 'app'"),
      0);

  environment.set("XDG_CURRENT_DESKTOP", "KDE");
  scan();
  EXPECT_EQ(index.name(system + "/org.kde.kinfocenter.desktop"), "Info Center");
}

TEST_F(ApplicationScanTest, NamesGenericNamesKeywordsAndProgramsFindTheEntryFirst) {
  scan();
  for (const auto& [query, path] : std::vector<std::pair<std::string, std::string>>{
           {"text editor", system + "/org.gnome.TextEditor.desktop"},
           {"shell", system + "/kde/konsole.desktop"},
           {"gimp-2.10", flatpak + "/org.gimp.GIMP.desktop"},
           {"web browser", home + "/firefox-esr.desktop"},
           {"C++ \"Studio\": NOT* (beta)", system + "/quoted-studio.desktop"}}) {
    EXPECT_EQ(first(query), path) << query;
  }
}

TEST_F(ApplicationScanTest, TitlesFollowTheUsersLanguageEvenWhenNoFileChanged) {
  std::string editor = system + "/org.gnome.TextEditor.desktop";
  environment.set("LANG", "de_DE.UTF-8");
  scan();
  EXPECT_EQ(index.name(editor), "Texteditor");
  EXPECT_EQ(first("texteditor"), editor);
  EXPECT_EQ(first("notizblock"), editor);

  ScanStats again = scan();
  EXPECT_EQ(again.updated, 0);
  EXPECT_EQ(again.unchanged, again.seen);

  environment.set("LC_MESSAGES", "fr_FR.UTF-8");
  again = scan();
  EXPECT_EQ(index.name(editor), "Éditeur de texte");
  EXPECT_EQ(again.updated, 1);  // the only entry translated into French
  EXPECT_EQ(first("editeur"), editor);
}

TEST_F(ApplicationScanTest, AnUpdateBehindALinkedEntryIsSeenByTheNextScan) {
  scan();
  std::string target = dir / "flatpak/app/org.gimp.GIMP/export/org.gimp.GIMP.desktop";
  std::string text = testing::readFile(target);
  writeFile(target, text + "Keywords[en]=photoshop;\n");
  testing::setModified(target, kNow);  // the link itself keeps its date
  scan();
  EXPECT_EQ(first("photoshop"), flatpak + "/org.gimp.GIMP.desktop");
}

TEST_F(ApplicationScanTest, InstallsOverridesAndRemovalsFollowChangeEvents) {
  scan();
  std::string added = system + "/org.example.New.desktop";
  writeFile(added, "[Desktop Entry]\nType=Application\nName=Brand New\nExec=brand-new\n");
  update(added);
  EXPECT_EQ(index.name(added), "Brand New");

  // A user's copy replaces the system's entry, and removing it brings that one back.
  std::string copy = home + "/gvim.desktop";
  writeFile(copy, "[Desktop Entry]\nType=Application\nName=My Vim\nExec=gvim\n");
  update(copy);
  EXPECT_EQ(index.name(copy), "My Vim");
  EXPECT_FALSE(index.contains(system + "/gvim.desktop"));
  fs::remove(copy);
  update(copy);
  EXPECT_FALSE(index.contains(copy));
  EXPECT_EQ(index.name(system + "/gvim.desktop"), "GVim");

  // A hidden copy under the id of an entry in a subfolder removes it.
  std::string hidden = home + "/kde-konsole.desktop";
  writeFile(hidden, "[Desktop Entry]\nType=Application\nName=Konsole\nHidden=true\n");
  update(hidden);
  EXPECT_FALSE(index.contains(hidden));
  EXPECT_FALSE(index.contains(system + "/kde/konsole.desktop"));
  scan();
  EXPECT_FALSE(index.contains(system + "/kde/konsole.desktop"));

  // An entry edited to stay out of menus leaves the index; an uninstalled one too.
  writeFile(added, "[Desktop Entry]\nType=Application\nName=Brand New\nNoDisplay=true\n");
  update(added);
  EXPECT_FALSE(index.contains(added));
  fs::remove(flatpak + "/org.gimp.GIMP.desktop");
  update(flatpak + "/org.gimp.GIMP.desktop");
  EXPECT_FALSE(index.contains(flatpak + "/org.gimp.GIMP.desktop"));
}

TEST_F(ApplicationScanTest, LinkedEntriesCountOnlyWhenTheyLeadToAnApplication) {
  std::string root = dir / "Desktop";
  std::string app = "[Desktop Entry]\nType=Application\nName=Linked App\nExec=linked\n";
  writeFile(dir / "targets/app.desktop", app);
  writeFile(dir / "targets/notes.txt", "just text");
  writeFile(dir / "targets/site.desktop", "[Desktop Entry]\nType=Link\nName=Site\nURL=x\n");
  ASSERT_EQ(::mkfifo((dir / "targets/pipe").c_str(), 0600), 0);
  fs::create_directories(root);
  // Each kind of target the entry reader refuses is tested with it; a fifo stands for them here.
  const std::vector<std::pair<std::string, std::string>> links = {
      {"app.desktop", dir / "targets/app.desktop"},
      {"text.desktop", dir / "targets/notes.txt"},
      {"site.desktop", dir / "targets/site.desktop"},
      {"fifo.desktop", dir / "targets/pipe"}};
  for (const auto& [name, target] : links) fs::create_symlink(target, root + "/" + name);

  config = ScanConfig::make({root});
  scan();
  EXPECT_EQ(index.count(), 1);
  EXPECT_EQ(index.name(root + "/app.desktop"), "Linked App");  // read as an application
  for (const auto& [name, target] : links) update(root + "/" + name);
  EXPECT_EQ(index.count(), 1);
}

}  // namespace
}  // namespace quorvale
