#include "applied_settings.h"

#include "settings/settings_codec.h"
#include "util/atomic_file.h"
#include "util/whole_file.h"

namespace quorvale::AppliedSettings {

std::optional<QuorvaleSettings> load(const std::string& path) {
  try {
    std::optional<std::string> text = readWholeFile(path);
    if (!text) return std::nullopt;
    return decodeSettingsText(*text).settings;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

void save(const std::string& path, const QuorvaleSettings& settings) {
  writeFileAtomically(path, encodeSettings(settings).dump(2) + "\n");
}

}  // namespace quorvale::AppliedSettings
