// Plain text out of RTF documents, read in-process: groups, control words and symbols, bytes in
// the document's or the font's code page (\'hh, through ICU converters), Unicode characters
// (\uN with their \ucN fallbacks), paragraph, line and tab marks, and escaped braces and
// backslashes. Font, colour and style tables, document information, pictures, objects, headers,
// footers, field instructions and every \* destination are left out.
//
// The input is untrusted: nesting depth, numbers and binary runs are bounded, truncated input
// simply ends the text, and nothing here recurses. A pure function; safe on any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvale {

// The document's text as UTF-8; nothing when the bytes do not start like an RTF document.
std::optional<std::string> rtfPlainText(std::string_view rtf);

}  // namespace quorvale
