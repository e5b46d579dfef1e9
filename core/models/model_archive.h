// Unpacking a model's zip archive with libzip, so that nothing lands outside the target folder.
// Entries are checked before anything is written (no absolute names, no ".." steps), regular
// files are written with O_NOFOLLOW below real folders, symbolic links are made last, and the
// finished folder is walked once more: every item, links resolved, must lie inside it. The
// total unpacked size is capped against archives that inflate without end.
//
// Pure functions over the file system; any thread.
#pragma once

#include <cstdint>
#include <string>

namespace quorvale::model_archive {

// Unpacks the archive into `folder` (which must exist). Throws ModelError (installFailed) with
// "the archive could not be unpacked" or "the archive contained a path outside its folder"; the
// folder may then hold part of the archive, and the caller discards it.
void unzip(const std::string& archive, const std::string& folder, std::uint64_t sizeLimit);

// Throws ModelError (installFailed, "the archive contained a path outside its folder") when an
// item under the folder, symbolic links resolved, lies outside it.
void requireInside(const std::string& folder);

}  // namespace quorvale::model_archive
