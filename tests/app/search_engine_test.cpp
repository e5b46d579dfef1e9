#include "search_engine.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>

#include "engine_fixture.h"
#include "index/file_index_access.h"

namespace quorvale {
namespace {

using namespace std::chrono_literals;
using testing::writeFile;

const ClipDate kCopied = ClipDate{} + std::chrono::seconds(1'750'000'000);

// Holds every extraction until the test opens it.
class GateExtractor final : public ContentExtractor {
 public:
  std::optional<std::string> text(const std::string&, const std::string&, int64_t) const override {
    entered_.test_and_set();
    entered_.notify_all();
    opened_.wait(false);
    return std::string("gated words");
  }
  void open() {
    opened_.test_and_set();
    opened_.notify_all();
  }
  void waitUntilEntered() { entered_.wait(false); }

 private:
  mutable std::atomic_flag entered_, opened_;
};

// A watcher the test drives: it remembers its handler and configuration.
class FakeWatcher final : public FileWatcher {
 public:
  struct Shared {
    Handler handler;
    ScanConfig config;
  };
  explicit FakeWatcher(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
  bool start(const ScanConfig& config, Handler handler) override {
    shared_->handler = std::move(handler);
    shared_->config = config;
    running_ = true;
    return true;
  }
  void stop() override { running_ = false; }
  bool isRunning() const override { return running_; }

 private:
  std::shared_ptr<Shared> shared_;
  bool running_ = false;
};

class SearchEngineTest : public testing::EngineTest {
 protected:
  ~SearchEngineTest() override { engine_.reset(); }  // before the fakes it was given

  EngineServices services() override {
    EngineServices result = EngineTest::services();
    result.makeWatcher = [this] { return std::make_unique<FakeWatcher>(watcher); };
    if (extractor) result.extractor = extractor;
    return result;
  }

  // Opens the engine, starts it and waits for the first scan.
  SearchEngine& started() {
    open().start(settings);
    engine_->waitUntilIdle();
    return *engine_;
  }

  std::vector<std::string> titles(std::string_view query) {
    std::vector<std::string> result;
    for (const auto& row : engine_->search(query, settings, std::nullopt)) {
      if (row.id.starts_with("file-")) result.push_back(row.title);
    }
    return result;
  }

  // The user copies `text`; the engine is asked to save the history.
  void copy(const std::string& text) {
    engine_->clips().record(text, std::nullopt, {}, kCopied, {});
    engine_->scheduleClipSave({});
  }
  std::string clipsFile() const { return testing::readFile(dir / "data/clips.json"); }

  std::ptrdiff_t filesNamed(std::string_view prefix) const {
    return std::ranges::count_if(testing::filesIn(dir / "data"), [&](const std::string& name) {
      return name.starts_with(prefix) && !name.ends_with("-wal") && !name.ends_with("-shm");
    });
  }

  // Overwrites the start of the table's first page, leaving the schema readable.
  static void damageTable(const std::string& path, const std::string& table) {
    int64_t root = 0, pageSize = 0;
    {
      FileIndex index(path);
      root = FileIndexAccess::connection(index)
                 .queryInt("SELECT rootpage FROM sqlite_master WHERE name='" + table + "'")
                 .value_or(0);
      pageSize = FileIndexAccess::connection(index).queryInt("PRAGMA page_size").value_or(4096);
    }
    ASSERT_GT(root, 1);
    std::string bytes = testing::readFile(path);
    auto offset = static_cast<std::size_t>((root - 1) * pageSize);
    ASSERT_LT(offset + 64, bytes.size());
    for (std::size_t i = 0; i < 64; ++i) bytes[offset + i] = static_cast<char>(0xA5);
    writeFile(path, bytes);
  }

  std::shared_ptr<FakeWatcher::Shared> watcher = std::make_shared<FakeWatcher::Shared>();
  std::shared_ptr<GateExtractor> extractor;
};

TEST_F(SearchEngineTest, ContentVersionThatCannotBeStoredIsReportedAndEmptiesNothing) {
  // A folder where defaults.json should be: it reads as empty and cannot be written.
  testing::makeDirs(dir / "config/defaults.json");
  writeFile(doc("kept.txt"), "words");
  SearchEngine& engine = open();
  FileRecord stray =
      FileRecord::make({.path = "/elsewhere/stray.txt", .size = 1, .modified = kNow});
  engine.reader().upsert(stray, std::nullopt, {});
  for (int start = 0; start < 2; ++start) {
    engine.start(settings);
    engine.waitUntilIdle();
    EXPECT_TRUE(indexed("/elsewhere/stray.txt"));
  }
  ASSERT_EQ(engine.problems().size(), 1u);
  EXPECT_NE(engine.problems().front().find("content version could not be saved"),
            std::string::npos);
  EXPECT_NE(engine.status().find(engine.problems().front()), std::string::npos);
}

TEST_F(SearchEngineTest, DefaultsStandingInForUnreadableSettingsChangeNothingInTheIndex) {
  writeFile(home() + "/Old/kept.txt", "zebra crossing");
  settings.roots = {"~/Documents", "~/Old"};
  started();
  ASSERT_TRUE(indexed(home() + "/Old/kept.txt"));
  engine_.reset();

  // The user's settings could not be read: the engine runs on the defaults, which name other
  // roots, index no contents and find an old content version.
  defaults.set(UserDefaults::kContentVersionKey, 1);
  QuorvaleSettings fallback;
  fallback.setupVersion = 1;
  fallback.indexContents = false;
  EngineServices notTheUsers = services();
  notTheUsers.settingsAreTheUsers = false;
  engine_ = std::make_unique<SearchEngine>(ClipPolicy{}, std::move(notTheUsers));
  engine_->start(fallback);
  engine_->waitUntilIdle();
  EXPECT_TRUE(indexed(home() + "/Old/kept.txt"));
  EXPECT_EQ(titles("zebra"), std::vector<std::string>{"kept.txt"});
  EXPECT_EQ(defaults.integer(UserDefaults::kContentVersionKey), 1);
}

TEST_F(SearchEngineTest, ScanWaitsWhileAnotherProcessHoldsTheScanLock) {
  writeFile(doc("later.txt"), "");
  std::optional<FileLock> held;
  ASSERT_EQ(FileLock::tryAcquire(dir / "data/scan.lock", held), FileLock::Outcome::acquired);
  SearchEngine& engine = open();
  engine.start(settings);
  for (int i = 0; i < 200 && engine.status().find("Waiting") == std::string::npos; ++i) {
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_NE(engine.status().find("Waiting for the other scan"), std::string::npos);
  EXPECT_FALSE(indexed(doc("later.txt")));
  held.reset();
  engine.waitUntilIdle();
  EXPECT_TRUE(indexed(doc("later.txt")));
}

// Damage that no scan or search reads is found by the thorough check, which a start makes only
// after an unclean stop; damage found after opening is set aside too, and the index rebuilt.
TEST_F(SearchEngineTest, DamagedIndexesAreSetAsideAndRebuilt) {
  for (int i = 0; i < 300; ++i) {
    writeFile(doc("note") + std::to_string(i) + ".txt", "harbour words");
  }
  started();
  engine_.reset();
  EXPECT_EQ(filesNamed("running-"), 0);  // a clean stop leaves no marker
  damageTable(dir / "data/index.db", "usage");
  open().start(settings);  // the last stop was clean: no check
  engine_->waitUntilIdle();
  engine_.reset();
  EXPECT_EQ(filesNamed("index.db.damaged-"), 0);

  pid_t gone = fork();
  if (gone == 0) _exit(0);
  waitpid(gone, nullptr, 0);
  writeFile(dir / "data/running-" + std::to_string(gone), "12345");
  started();
  EXPECT_EQ(filesNamed("index.db.damaged-"), 1);
  EXPECT_TRUE(indexed(doc("note7.txt")));
  EXPECT_EQ(filesNamed("running-"), 1);  // this process's own
  engine_.reset();

  damageTable(dir / "data/index.db", "files");  // not the schema: opening does not see it
  SearchEngine& engine = open();
  EXPECT_FALSE(engine.setAsideIndex());
  engine.requestScan(settings);
  engine.checkIndex();
  engine.waitUntilIdle();
  EXPECT_EQ(filesNamed("index.db.damaged-"), 2);
  EXPECT_EQ(engine.reader().count(), 300);
  EXPECT_NE(engine.status().find("The index was damaged; it was moved to"), std::string::npos);
  engine_.reset();
  EXPECT_TRUE(FileIndex(dir / "data/index.db").quickCheck());
}

// Removed roots, excluded folders and contents turned off leave the index.
TEST_F(SearchEngineTest, HiddenVanishedAndLeftOutFilesAreNotShown) {
  writeFile(doc("minutes.txt"), "zebra crossing");
  writeFile(doc("private/secret-plan.txt"), "");
  writeFile(home() + "/Old/gone-root.txt", "");
  for (const char* name : {"alpha-plan.txt", "alpha-budget.txt", "alpha-draft.txt"}) {
    writeFile(doc(name), "");
  }
  settings.roots = {"~/Documents", "~/Old"};
  SearchEngine& engine = started();

  // Hidden and vanished files are not shown; vanished ones leave the index.
  settings.hiddenResults = {doc("alpha-plan.txt")};
  std::filesystem::remove(doc("alpha-draft.txt"));
  EXPECT_EQ(titles("alpha"), std::vector<std::string>{"alpha-budget.txt"});
  engine.waitUntilIdle();
  EXPECT_FALSE(indexed(doc("alpha-draft.txt")));
  EXPECT_TRUE(indexed(doc("alpha-plan.txt")));
  ASSERT_TRUE(indexed(home() + "/Old/gone-root.txt"));
  ASSERT_EQ(titles("zebra"), std::vector<std::string>{"minutes.txt"});

  QuorvaleSettings next = settings;
  next.roots = {"~/Documents"};
  next.excludedPaths = {"~/Documents/private/"};
  next.indexContents = false;
  // The trash is left out too.
  EXPECT_EQ(engine.config(next).excludedPaths,
            (std::vector<std::string>{doc("private"), home() + "/Library", home() + "/.Trash",
                                      home() + "/.local/share/Trash"}));
  engine.settingsChanged(settings, next);
  engine.waitUntilIdle();
  settings = next;
  EXPECT_FALSE(indexed(home() + "/Old/gone-root.txt"));
  EXPECT_FALSE(indexed(doc("private/secret-plan.txt")));
  EXPECT_FALSE(indexed(doc("private")));
  EXPECT_TRUE(titles("zebra").empty());
  EXPECT_EQ(titles("minutes"), std::vector<std::string>{"minutes.txt"});
}

TEST_F(SearchEngineTest, ClipHistoryIsSavedLaterOrAtQuitAndDeletedForMemoryOnly) {
  SearchEngine& engine = open();
  copy("first copy");
  clock->advance(1s);
  engine.waitUntilIdle();
  EXPECT_FALSE(std::filesystem::exists(dir / "data/clips.json"));
  clock->advance(1s);
  engine.waitUntilIdle();
  EXPECT_NE(clipsFile().find("first copy"), std::string::npos);

  copy("second copy");
  engine_.reset();  // quitting writes what is pending
  EXPECT_NE(clipsFile().find("second copy"), std::string::npos);

  SearchEngine& reopened = open();
  EXPECT_EQ(reopened.clips().items().size(), 2u);
  QuorvaleSettings next = settings;
  next.clipboard.memoryOnly = true;
  reopened.settingsChanged(settings, next);
  EXPECT_FALSE(std::filesystem::exists(dir / "data/clips.json"));
}

TEST_F(SearchEngineTest, HistoryIsPrunedOnlyUnderTheUsersOwnPolicyAndOnlyChangesAreWritten) {
  // Three copies from a year before `kNow`: the default 30-day policy would drop them all.
  ClipStore old;
  for (int i = 0; i < 3; ++i) {
    old.record("old copy " + std::to_string(i), std::nullopt, {},
               ClipDate{} + std::chrono::seconds(1'718'000'000 + i), ClipPolicy{});
  }
  old.write(dir / "data/clips.json", ClipPolicy{});
  const std::string history = clipsFile();

  EngineServices notTheUsers = services();
  notTheUsers.settingsAreTheUsers = false;
  engine_ = std::make_unique<SearchEngine>(ClipPolicy{}, std::move(notTheUsers));
  EXPECT_EQ(engine_->clips().items().size(), 3u);
  engine_.reset();
  EXPECT_EQ(clipsFile(), history);

  EXPECT_TRUE(open().clips().items().empty());
  engine_.reset();  // pruning alone is no change worth writing over another process's history
  EXPECT_EQ(clipsFile(), history);

  // A copy saved, then taken back before the next save ran: quitting still writes.
  open();
  copy("private");
  clock->advance(2s);
  engine_->waitUntilIdle();
  ASSERT_NE(clipsFile().find("private"), std::string::npos);
  engine_->clips().clear(true);
  engine_->scheduleClipSave({});
  engine_.reset();
  EXPECT_EQ(clipsFile().find("private"), std::string::npos);
}

TEST_F(SearchEngineTest, WatcherEventsUpdatePathsAndOverflowRescans) {
  writeFile(doc("first.txt"), "");
  SearchEngine& engine = started();
  EXPECT_EQ(watcher->config.roots, std::vector<std::string>{home() + "/Documents"});

  writeFile(doc("second.txt"), "");
  watcher->handler({doc("second.txt")}, false);
  engine.waitUntilIdle();
  EXPECT_TRUE(indexed(doc("second.txt")));

  // A file renamed into an excluded folder leaves the index.
  settings.excludedPaths = {"~/Documents/archive"};
  engine.start(settings);
  engine.waitUntilIdle();
  std::filesystem::create_directories(doc("archive"));
  std::filesystem::rename(doc("second.txt"), doc("archive/second.txt"));
  watcher->handler({doc("second.txt"), doc("archive/second.txt")}, false);
  engine.waitUntilIdle();
  EXPECT_FALSE(indexed(doc("second.txt")));
  EXPECT_FALSE(indexed(doc("archive/second.txt")));

  // Lost events: the whole tree is scanned again.
  writeFile(doc("unreported.txt"), "");
  watcher->handler({}, true);
  engine.waitUntilIdle();
  EXPECT_TRUE(indexed(doc("unreported.txt")));
}

TEST_F(SearchEngineTest, QuittingDuringAScanLeavesAConsistentIndexAndWritesClips) {
  for (int i = 0; i < 20; ++i) writeFile(doc("f") + std::to_string(i) + ".txt", "x");
  extractor = std::make_shared<GateExtractor>();
  SearchEngine& engine = open();
  engine.clips().record("kept", std::nullopt, {}, kCopied, {});
  engine.start(settings);
  extractor->waitUntilEntered();
  std::thread opener([gate = extractor] {
    std::this_thread::sleep_for(50ms);
    gate->open();
  });
  engine_.reset();
  opener.join();

  EXPECT_NE(clipsFile().find("kept"), std::string::npos);
  FileIndex index(dir / "data/index.db");
  EXPECT_TRUE(index.quickCheck());
  EXPECT_LT(index.count(), 21);
}

TEST_F(SearchEngineTest, StatusSaysIndexingThenTheCount) {
  writeFile(doc("open/a.txt"), "words");
  writeFile(doc("closed/b.txt"), "words");
  extractor = std::make_shared<GateExtractor>();
  SearchEngine& engine = open();
  int notified = 0;
  engine.onStatusChange = [&] { ++notified; };
  engine.start(settings);
  extractor->waitUntilEntered();
  EXPECT_EQ(engine.status(), "Indexing…");
  extractor->open();
  engine.waitUntilIdle();
  main.runPending();
  EXPECT_GE(notified, 2);
  EXPECT_EQ(engine.status(), "4 items indexed (4 seen)");

  // A notification still waiting when the engine goes is dropped, not delivered to it.
  engine_.reset();
  main.runPending();
}

}  // namespace
}  // namespace quorvale
