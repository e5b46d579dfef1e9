// Writes a small, valid PDF 1.4 file by hand: one catalog, a page tree, the standard Helvetica
// font (not embedded), one uncompressed content stream per page and a cross-reference table with
// the exact byte offset of every object. Text is wrapped at about 90 characters and laid out 48
// lines to a page, so a PDF reader's text extraction gives back the words that went in.
#pragma once

#include <string>
#include <string_view>

namespace quorvale::bench {

// `body` is paragraphs separated by blank lines; only printable ASCII is expected (other bytes
// are written as they are and read back in the font's WinAnsi encoding). `date` is the creation
// date as "YYYY-MM-DD".
std::string writePdf(std::string_view title, std::string_view body, std::string_view date);

}  // namespace quorvale::bench
