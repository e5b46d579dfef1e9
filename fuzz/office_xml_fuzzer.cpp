// Feeds arbitrary markup to the office XML stripper: it must not crash, keep no blank line and
// never grow the text beyond the breaks it inserts.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "scan/office_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view xml(reinterpret_cast<const char*>(data), size);
  std::string text = quorvale::OfficeText::plainText(xml);
  if (text.size() > 2 * xml.size()) __builtin_trap();
  if (text.find("\n\n") != std::string::npos) __builtin_trap();
  return 0;
}
