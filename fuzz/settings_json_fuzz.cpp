// Feeds arbitrary bytes to the settings decoder: it must either refuse them with
// SettingsDecodeError or yield a record that survives an encode and decode unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "settings/hot_key_rules.h"
#include "settings/settings_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  quorvale::DecodedSettings decoded;
  try {
    decoded = quorvale::decodeSettingsText(bytes);
  } catch (const quorvale::SettingsDecodeError&) {
    return 0;
  }
  quorvale::QuorvaleSettings settings = decoded.settings;
  // Strings from the decoder are valid UTF-8, so encoding cannot fail.
  quorvale::DecodedSettings again =
      quorvale::decodeSettingsText(quorvale::encodeSettings(settings).dump());
  if (!(again.settings == settings)) std::abort();
  settings.clamp();
  quorvale::HotKeyRules::problem(settings.hotKey, quorvale::HotKeySlot::clipboard, settings);
  return 0;
}
