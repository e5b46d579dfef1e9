// The settings the files database was last brought in line with, kept beside it in the data
// folder ("index-settings.json": the settings record in its usual JSON form). Settings can change
// while no Quorvale runs (an edited defaults.json, a start after a crash); comparing the record
// kept here with the current one at every start lets the engine react exactly as if it had seen
// the change happen: removed roots and newly excluded folders leave the index, a changed content
// setting empties it.
//
// Called by the engine on its index queue. The file is written atomically with mode 0600.
#pragma once

#include <optional>
#include <string>

#include "settings/quorvale_settings.h"

namespace quorvale::AppliedSettings {

// The name of the file inside the data folder.
inline constexpr const char* kFileName = "index-settings.json";

// The record kept at `path`; nothing when there is none or it does not decode (a damaged copy
// only means that one change may go unnoticed; it is replaced by the next `save`).
std::optional<QuorvaleSettings> load(const std::string& path);

// Throws std::system_error when the file cannot be written.
void save(const std::string& path, const QuorvaleSettings& settings);

}  // namespace quorvale::AppliedSettings
