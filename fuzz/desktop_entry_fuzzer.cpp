// Feeds arbitrary bytes to the desktop-entry parser: it must neither crash nor let control
// characters or invalid UTF-8 into a name a row shows or the index stores.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "scan/desktop_entry.h"
#include "util/unicode.h"

namespace {

bool clean(std::string_view text) {
  if (!quorvale::unicode::isValidUtf8(text)) return false;
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
  }
  return true;
}

void check(std::string_view text, const quorvale::DesktopLocale& locale) {
  auto entry = quorvale::parseDesktopEntry(text, locale);
  if (!entry) return;
  if (!clean(entry->name)) __builtin_trap();
  for (const std::string& name : entry->alternateNames()) {
    if (name.empty() || name == entry->name) __builtin_trap();
  }
  for (const std::string& name : entry->genericNames) {
    if (!clean(name)) __builtin_trap();
  }
  for (const std::string& word : entry->keywords) {
    if (!clean(word)) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  static const auto german = quorvale::DesktopLocale::parse("de_DE.UTF-8@euro");
  check(input, {});
  check(input, german);
  // Most mutations lose the group header; give each one a way past it as well.
  check("[Desktop Entry]\n" + std::string(input), german);
  return 0;
}
