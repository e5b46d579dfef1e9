// Byte decoding for the RTF reader: which code page a font charset means, and converters from a
// code page to UTF-8. A `CodepageDecoder` keeps the converters it has opened; one decoder per
// document, used on one thread.
#pragma once

#include <unicode/ucnv.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace quorvale {

inline constexpr int kDefaultRtfCodepage = 1252;

// The Windows code page of an RTF \fcharset value; 0 when the charset means "the document's
// code page" (ANSI, default, symbol) or is unknown.
int codepageOfCharset(int charset);

class CodepageDecoder {
 public:
  // The bytes as UTF-8; a code page ICU does not know is read as Windows-1252.
  std::string decode(std::string_view bytes, int codepage);

 private:
  struct Closer {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
  };
  using Converter = std::unique_ptr<UConverter, Closer>;

  UConverter* converter(int codepage);

  std::map<int, Converter> converters_;
};

}  // namespace quorvale
