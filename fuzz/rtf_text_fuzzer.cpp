// Feeds arbitrary bytes to the RTF reader: it must neither crash nor produce invalid UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "scan/rtf_text.h"
#include "util/unicode.h"

namespace {

void check(std::string_view document) {
  auto text = quorvale::rtfPlainText(document);
  if (text && !quorvale::unicode::isValidUtf8(*text)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  check(input);
  // Most mutations break the header; give each one a way past it as well.
  check("{\\rtf1 " + std::string(input));
  return 0;
}
