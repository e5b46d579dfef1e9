// Writes a minimal Word document: a zip archive (libzip, deflated, fixed entry times so that the
// same text gives the same bytes) holding [Content_Types].xml, _rels/.rels and
// word/document.xml with a title paragraph followed by one paragraph per entry of `paragraphs`.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvale::bench {

// Throws std::runtime_error when libzip fails (out of memory).
std::string writeDocx(std::string_view title, const std::vector<std::string>& paragraphs);

}  // namespace quorvale::bench
