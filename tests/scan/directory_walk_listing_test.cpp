// Folders whose listing takes several getdents64 calls, or fills the buffer to the last byte,
// are walked whole: the walk may end a listing early only when the file system says so.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "scan/directory_walk.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

std::set<std::string> walkedNames(const std::string& root) {
  std::set<std::string> names;
  auto walk = DirectoryWalk::open(root, [](const std::string&) {});
  while (walk) {
    auto entry = walk->next();
    if (!entry) break;
    names.insert(entry->path.substr(root.size() + 1));
  }
  return names;
}

// Names of one length, each a distinct number padded with 'n'.
std::set<std::string> makeNames(const std::string& folder, int count, std::size_t length) {
  testing::makeDirs(folder);
  std::set<std::string> names;
  for (int i = 0; i < count; ++i) {
    std::string name = std::to_string(i);
    name.resize(length, 'n');
    testing::writeFile(folder + "/" + name, "");
    names.insert(name);
  }
  return names;
}

TEST(DirectoryWalkListingTest, LongListingsAreReadWhole) {
  struct Case {
    const char* what;
    int count;
    std::size_t length;
  };
  // Records of 255-byte names take 280 bytes: 117 of them fill the 32 KiB buffer but for 8.
  const Case cases[] = {
      {"one short name", 1, 1},
      {"a buffer all but full", 117, 255},
      {"two buffers of long names", 200, 255},
      {"many short names", 3000, 20},
  };
  std::vector<std::string> places = {""};
  struct stat shm;
  if (stat("/dev/shm", &shm) == 0 && S_ISDIR(shm.st_mode) && access("/dev/shm", W_OK) == 0)
    places.push_back("/dev/shm");
  for (const std::string& place : places) {
    for (const Case& c : cases) {
      testing::TempDir dir;
      std::string root = place.empty() ? dir / "root" : place + "/quorvale-listing-test";
      std::set<std::string> expected = {"box"};
      for (const std::string& name : makeNames(root + "/box", c.count, c.length))
        expected.insert("box/" + name);
      for (const std::string& name : makeNames(root, c.count, c.length)) expected.insert(name);
      EXPECT_EQ(walkedNames(root), expected) << c.what << " in " << (place.empty() ? "tmp" : place);
      if (!place.empty()) std::filesystem::remove_all(root);
    }
  }
}

}  // namespace
}  // namespace quorvale
