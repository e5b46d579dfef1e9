// The walk closes every folder it opened, in runs of descriptors, and never a descriptor that is
// not its own, including ones opened while it walks.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "scan/directory_walk.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

int openDescriptors() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++count;
  return count;
}

TEST(DirectoryWalkDescriptorsTest, ClosesItsOwnAndOnlyItsOwn) {
  struct Case {
    const char* what;
    int leafFolders;
    int depth;
    int stopAfter;  // entries walked before the walk is dropped; 0: to the end
  };
  const Case cases[] = {
      {"many finished folders", 300, 1, 0},
      {"deeper than the held levels", 3, 70, 0},
      {"dropped halfway", 300, 1, 150},
  };
  for (const Case& c : cases) {
    testing::TempDir dir;
    const std::string root = dir / "root";
    for (int i = 0; i < c.leafFolders; ++i) {
      std::string folder = root + "/f" + std::to_string(i);
      for (int level = 1; level < c.depth; ++level) folder += "/d";
      testing::writeFile(folder + "/x.txt", "x");
    }
    const int before = openDescriptors();
    std::vector<int> others;
    {
      auto walk = DirectoryWalk::open(root, [](const std::string&) {});
      ASSERT_TRUE(walk.has_value()) << c.what;
      int walked = 0;
      while (walk->next()) {
        // Someone else's descriptors, opened while the walk holds and closes its own.
        if (++walked % 40 == 0) others.push_back(::open(root.c_str(), O_RDONLY | O_CLOEXEC));
        if (walked == c.stopAfter) break;
      }
    }
    for (int fd : others) EXPECT_NE(fcntl(fd, F_GETFD), -1) << c.what << ": closed fd " << fd;
    EXPECT_EQ(openDescriptors(), before + static_cast<int>(others.size())) << c.what;
    for (int fd : others) ::close(fd);
  }
}

}  // namespace
}  // namespace quorvale
