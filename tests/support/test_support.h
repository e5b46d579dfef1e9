// Helpers shared by the tests: scratch folders, file fixtures, and running a check as an
// unprivileged user (tests run as root, where permission bits do not stop reads).
#pragma once

#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace quorvale::testing {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // `path()` + "/" + relative.
  std::string operator/(std::string_view relative) const;

 private:
  std::string path_;
};

// Writes the bytes to the file, creating missing parent folders.
void writeFile(const std::string& path, std::string_view bytes);
std::string readFile(const std::string& path);
void makeDirs(const std::string& path);
// The names of the entries of a folder, sorted.
std::vector<std::string> filesIn(const std::string& folder);
// Sets the file's modification time (seconds since 1970).
void setModified(const std::string& path, double seconds);

// The folder of checked-in fixtures (tests/data).
std::string testDataPath(std::string_view relative);

// Runs `check` in a child process that has given up root (uid and gid "nobody") and returns its
// result. Files the child must reach should be world-readable; the check must not touch gtest.
bool asUnprivilegedUser(const std::function<bool()>& check);

// Runs `check` in a child process and returns its result; false when it has not finished within
// the given seconds (it is then killed), so a check that would hang fails instead.
bool finishesWithin(unsigned seconds, const std::function<bool()>& check);

// The projection of every element, in order; `project` may be a member pointer (`&Row::id`).
template <typename Range, typename Project>
auto mapped(const Range& range, Project project) {
  using Element = decltype(*std::begin(range));
  std::vector<std::decay_t<std::invoke_result_t<Project&, Element>>> out;
  for (const auto& element : range) out.push_back(std::invoke(project, element));
  return out;
}

}  // namespace quorvale::testing
