// The folder that holds everything Quorvale keeps on disk: "index.db", "passages.db",
// "semantic.db", "clips.json", the extraction guard's files and the "Models" folder. It holds
// the words of private documents, so it is the user's alone: the folder has mode 0700 and every
// file in it 0600.
//
// $XDG_DATA_HOME/Quorvale (~/.local/share/Quorvale). When the user has no data home (or it
// cannot be made), a Quorvale folder in $XDG_RUNTIME_DIR, which the system keeps private to the
// user; never a fixed path in the shared temporary folder, where another user could make the
// folder first and read the index. A folder that exists but is not a folder of this user's is
// not used. Computed on every call; any thread.
#pragma once

#include <optional>
#include <string>

namespace quorvale {

// The data folder, made when missing and made private; nothing when no private folder can be
// had (the application then shows `dataFolderAlert` and ends).
std::optional<std::string> dataFolder();

// Sets mode 0600 on every file and 0700 on every folder directly in the data folder that
// belongs to this user (SQLite makes its files, "-wal" and "-shm" too, with the process's
// default mode). Symbolic links are left alone. Call after the databases are open.
void keepPrivate(const std::string& folder);

// The start-up alert for a data folder that cannot be had.
struct DataFolderAlert {
  static constexpr const char* title = "Quorvale could not open its data folder";
  static constexpr const char* text =
      "Quorvale keeps its search index in ~/.local/share/Quorvale. Check that the folder can be "
      "written to, then open Quorvale again.";
};

}  // namespace quorvale
