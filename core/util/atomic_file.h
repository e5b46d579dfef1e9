// Publishing a file in one step: the bytes go to a temporary file in the same folder, which is
// then renamed over the target, so readers (and a later start after a crash) see either the old
// file or the new one, never a torn mix. Safe on any thread; concurrent writers of one path
// each publish a whole file and the last rename wins.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace quorvale {

struct AtomicWriteOptions {
  mode_t mode = 0600;
  // Flush the file and its folder to the disk before returning, so the new content also
  // survives a power cut. A file that only has to survive a crash of this process (the page
  // cache outlives it) can skip the cost.
  bool durable = true;
};

// Throws std::system_error when the file cannot be written; the old file is then untouched and
// no temporary file is left behind.
void writeFileAtomically(const std::string& path, std::string_view bytes,
                         const AtomicWriteOptions& options = {});

}  // namespace quorvale
