// The folder that holds everything Quorvale keeps on disk: "index.db", "passages.db",
// "semantic.db", "clips.json", the extraction guard's files and the "Models" folder.
// $XDG_DATA_HOME/Quorvale (~/.local/share/Quorvale), or the temporary folder's Quorvale when the
// user has no data home. Computed on every call; creating it is attempted and a failure ignored
// here: it surfaces when the files database cannot be opened.
#pragma once

#include <string>

namespace quorvale {

std::string dataFolder();

}  // namespace quorvale
