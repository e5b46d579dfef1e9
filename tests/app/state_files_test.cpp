// The program's own state files, met in a hostile form: something other than a regular file in
// their place must not stop the program.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "clipboard/clip_store.h"
#include "scan/extraction_guard.h"
#include "settings/settings_store.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::TempDir;

TEST(StateFiles, AFifoInThePlaceOfAStateFileIsNeverWaitedOn) {
  struct Case {
    const char* name;
    // Opens the folder's state the way a start does; true when the program can go on.
    std::function<bool(const std::string& folder)> start;
  };
  const auto guardWorks = [](const std::string& folder) {
    ExtractionGuard guard(folder);
    guard.addPoison("/docs/bad.pdf");
    return guard.isPoisoned("/docs/bad.pdf") &&
           guard.run("/docs/a.pdf", 5, [] { return std::optional<std::string>("a"); }) == "a";
  };
  const Case cases[] = {
      {"inflight.txt", guardWorks},
      {"poison.txt", guardWorks},
      {"clips.json",
       [](const std::string& folder) {
         ClipStore store = ClipStore::load(folder + "/clips.json");
         return store.items().empty() && store.loadProblem().has_value();
       }},
      {"defaults.json",
       [](const std::string& folder) {
         UserDefaults defaults(folder + "/defaults.json");
         SettingsStore store(defaults);
         return !store.fromUser() && store.loadProblem().has_value() &&
                !defaults.integer(UserDefaults::kContentVersionKey);
       }},
  };
  for (const Case& c : cases) {
    TempDir dir;
    ASSERT_EQ(mkfifo((dir / c.name).c_str(), 0600), 0);
    EXPECT_TRUE(testing::finishesWithin(10, [&] { return c.start(dir.path()); })) << c.name;
  }
}

}  // namespace
}  // namespace quorvale
