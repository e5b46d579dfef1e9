// A depth-first walk of one folder tree in pre-order (a folder, then what it holds), with each
// entry's attributes read while its folder is listed. Symbolic links are reported, never
// followed, so link loops cannot trap the walk; ".app" bundles are reported but not entered.
// Entries of one folder come in byte order of their names. Used by the scanner on its thread.
//
// The walk is bound by system calls, so it makes few: a folder is listed with getdents64 into
// one buffer reused for the whole walk, opened relative to its parent (whose descriptor stays
// open while its subfolders are walked, down to kHeldLevels levels) instead of by full path,
// and each entry costs one fstatat relative to the open folder. On file systems whose
// getdents64 fills the buffer until the folder ends (ext4, btrfs, XFS, tmpfs), a listing that
// leaves room for one more name is known to be complete without the call that would return
// nothing; elsewhere (FUSE and network file systems may return less) and on other devices below
// the root, every listing is read to its empty end. Finished folders are closed a run of
// descriptors at a time (close_range) rather than one call each. Attributes are read as stat
// reads them (no cached-attribute shortcuts), so a rescan that compares them misses no change.
//
// Per entry the walk allocates nothing: names are sorted before their entries are built, and
// the entries of finished folders are reused, strings and all, for the next folders.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "index/file_record.h"
#include "util/unique_fd.h"

namespace quorvale {

struct WalkEntry {
  std::string name;
  std::string path;
  int level = 0;  // 1 for a direct child of the root
  bool hasAttributes = false;
  bool isDirectory = false;
  bool isPackage = false;  // a directory walked as one item (an ".app" bundle)
  bool isSymbolicLink = false;
  bool isRegularFile = false;
  // A FIFO, socket or device: never opened.
  bool isSpecialFile = false;
  std::optional<Date> modified = std::nullopt;
  std::optional<int64_t> size = std::nullopt;
  uint64_t device = 0;  // the file system holding the entry (a mount point: the mounted one)
};

// Attributes of one path without following a final symbolic link; nothing when it is gone.
std::optional<WalkEntry> readEntry(const std::string& path, int level);

class DirectoryWalk {
 public:
  using ErrorHandler = std::function<void(const std::string& path)>;

  // Nothing when the root cannot be listed. `onError` receives every folder that cannot be read.
  static std::optional<DirectoryWalk> open(const std::string& root, ErrorHandler onError);

  // The next entry, or null at the end; valid until the next call. A folder returned here is
  // entered on the next call unless `skipDescendants` is called first.
  const WalkEntry* next();
  void skipDescendants() { descend_ = false; }

 private:
  // Folders deeper than this are opened by full path: the descriptors held stay well below
  // the process's limit however deep the tree.
  static constexpr int kHeldLevels = 48;

  struct Frame {
    // The folder's entries are the first `count`; those past them are kept for reuse.
    std::vector<WalkEntry> entries;
    std::size_t count = 0;
    std::size_t index = 0;
    // The listed folder, kept open while its subfolders are walked (invalid past kHeldLevels).
    UniqueFd folder;
  };
  // The folder to list: the root, or the entry last returned (which outlives the listing).
  struct Pending {
    const std::string& name;
    const std::string& path;
    int level = 0;
    // getdents64 fills the buffer here until the folder ends (see above).
    bool fillingListings = false;
  };
  DirectoryWalk(ErrorHandler onError) : onError_(std::move(onError)) {}
  // Opens the folder `pending` names, relative to `parent` when that is open.
  UniqueFd openFolder(const Pending& pending, const Frame* parent) const;
  std::optional<Frame> list(const Pending& pending, const Frame* parent);
  // Reads every name of the open folder with its attributes. False when the listing failed.
  bool readEntries(int folder, const Pending& pending, Frame& frame);
  // Reads the names of the open folder into names_ and listed_, in byte order.
  bool readNames(int folder, bool fillingListings);
  // Notes the root's device and whether its file system fills listings.
  void noteRoot(int folder);
  void pop();

  // Descriptors of finished folders, closed together: consecutive numbers take one call.
  class Closing {
   public:
    Closing() = default;
    ~Closing() { flush(); }
    Closing(Closing&& other) noexcept : fds_(std::exchange(other.fds_, {})) {}
    Closing& operator=(Closing&& other) noexcept;
    void add(UniqueFd fd);
    void flush();

   private:
    std::vector<int> fds_;
  };

  // A name in names_.
  struct Listed {
    uint32_t offset = 0;
    uint32_t length = 0;
  };

  ErrorHandler onError_;
  std::vector<Frame> stack_;
  Closing closing_;
  // Whether the entry returned last is a folder to list on the next call.
  bool descend_ = false;
  // getdents64's buffer, reused for every folder of the walk.
  std::vector<char> buffer_;
  uint64_t rootDevice_ = 0;
  bool rootFillsListings_ = false;
  // The names of the folder being listed, each followed by a NUL, and where each starts.
  std::string names_;
  std::vector<Listed> listed_;
  // Entry lists of finished folders, kept for the next folders to fill.
  std::vector<std::vector<WalkEntry>> spare_;
};

}  // namespace quorvale
