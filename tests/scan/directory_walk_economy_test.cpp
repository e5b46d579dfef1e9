// What the walk does to spend few system calls and no allocations must not cost it a name, leak
// a descriptor, close someone else's, or carry one entry's attributes over to another: listings
// that fill the buffer, descriptors closed in runs, and entries reused from finished folders.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "scan/directory_walk.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

TEST(DirectoryWalkEconomyTest, LongListingsAreReadWhole) {
  struct Case {
    int count;
    std::size_t length;
  };
  // Records of 255-byte names take 280 bytes: 117 of them fill the 32 KiB buffer but for 8.
  const Case cases[] = {{1, 1}, {117, 255}, {200, 255}, {3000, 20}};
  std::vector<std::string> places = {""};  // the temporary folder, and tmpfs where there is one
  if (access("/dev/shm", W_OK) == 0) places.push_back("/dev/shm/quorvale-listing-test");
  for (const std::string& place : places) {
    for (const Case& c : cases) {
      testing::TempDir dir;
      const std::string root = place.empty() ? dir / "root" : place;
      std::set<std::string> expected = {"box"};
      for (const std::string folder : {"", "box/"}) {  // the root and a folder below it
        for (int i = 0; i < c.count; ++i) {
          std::string name = std::to_string(i);
          name.resize(c.length, 'n');
          testing::writeFile(root + "/" + folder + name, "");
          expected.insert(folder + name);
        }
      }
      std::set<std::string> walked;
      auto walk = DirectoryWalk::open(root, [](const std::string&) {});
      while (const WalkEntry* entry = walk ? walk->next() : nullptr)
        walked.insert(entry->path.substr(root.size() + 1));
      EXPECT_EQ(walked, expected) << c.count << " names of " << c.length << " in " << root;
      if (!place.empty()) std::filesystem::remove_all(root);
    }
  }
}

int openDescriptors() {
  const std::filesystem::directory_iterator fds("/proc/self/fd");
  return static_cast<int>(std::distance(begin(fds), end(fds)));
}

TEST(DirectoryWalkEconomyTest, ClosesItsOwnAndOnlyItsOwn) {
  struct Case {
    int leafFolders;
    int depth;
    int stopAfter;  // entries walked before the walk is dropped; 0: to the end
  };
  // Many finished folders; deeper than the held levels; dropped halfway.
  const Case cases[] = {{150, 1, 0}, {3, 70, 0}, {150, 1, 80}};
  for (const Case& c : cases) {
    testing::TempDir dir;
    const std::string root = dir / "root";
    for (int i = 0; i < c.leafFolders; ++i) {
      std::string folder = root + "/f" + std::to_string(i);
      for (int level = 1; level < c.depth; ++level) folder += "/d";
      testing::writeFile(folder + "/x.txt", "x");
    }
    const int before = openDescriptors();
    std::vector<int> others;  // someone else's, opened while the walk holds and closes its own
    {
      auto walk = DirectoryWalk::open(root, [](const std::string&) {});
      for (int walked = 1; walk && walk->next() && walked != c.stopAfter; ++walked) {
        if (walked % 40 == 0) others.push_back(::open(root.c_str(), O_RDONLY | O_CLOEXEC));
      }
    }
    for (int fd : others) EXPECT_NE(fcntl(fd, F_GETFD), -1) << c.leafFolders << ": fd " << fd;
    EXPECT_EQ(openDescriptors(), before + static_cast<int>(others.size())) << c.leafFolders;
    for (int fd : others) ::close(fd);
  }
}

TEST(DirectoryWalkEconomyTest, UnreadableEntriesCarryNoEarlierAttributes) {
  testing::TempDir dir;
  const std::string root = dir / "root";
  // "a" is finished before "z" is listed (not searchable: names without attributes).
  for (const char* file : {"a/1", "a/2", "a/3", "z/1", "z/2"})
    testing::writeFile(root + "/" + file, "x");
  ASSERT_EQ(chmod((root + "/z").c_str(), 0444), 0);
  for (const std::string& folder : {dir.path(), root, root + "/a"}) chmod(folder.c_str(), 0755);
  EXPECT_TRUE(testing::asUnprivilegedUser([&] {
    auto walk = DirectoryWalk::open(root, [](const std::string&) {});
    int bare = 0;
    while (const WalkEntry* entry = walk ? walk->next() : nullptr) {
      if (!entry->path.starts_with(root + "/z/")) continue;
      if (entry->hasAttributes || entry->modified || entry->size || entry->isRegularFile)
        return false;
      ++bare;
    }
    return bare == 2;
  }));
  chmod((root + "/z").c_str(), 0755);
}

}  // namespace
}  // namespace quorvale
