// OfficeText::plainText: markup to text for the XML parts of office documents. Each step is one
// linear pass, so a 3 MB part of hostile markup costs a few passes over 3 MB.
#include <array>

#include "scan/office_text.h"

namespace quorvale {
namespace {

// Ends of paragraphs, headings, shared strings, line breaks and table rows in Word, slide,
// spreadsheet and OpenDocument markup; each is followed by a line break.
constexpr std::array<std::string_view, 9> kBreakMarkers = {
    "</w:p>", "</a:p>",  "</text:p>",          "</text:h>",
    "</si>",  "<w:br/>", "<text:line-break/>", "<table:table-row",
    "</row>"};
constexpr std::array<std::string_view, 2> kTabMarkers = {"<w:tab/>", "<text:tab/>"};

std::string markBreaksAndTabs(std::string_view xml) {
  std::string out;
  out.reserve(xml.size() + xml.size() / 16);
  std::size_t i = 0;
  while (i < xml.size()) {
    std::size_t open = xml.find('<', i);
    if (open == std::string_view::npos) break;
    out.append(xml, i, open - i);
    std::string_view rest = xml.substr(open);
    i = open + 1;
    bool matched = false;
    for (std::string_view marker : kBreakMarkers) {
      if (rest.starts_with(marker)) {
        (out += marker) += '\n';
        i = open + marker.size();
        matched = true;
        break;
      }
    }
    for (std::string_view marker : kTabMarkers) {
      if (!matched && rest.starts_with(marker)) {
        out += ' ';
        i = open + marker.size();
        matched = true;
      }
    }
    if (!matched) out += '<';
  }
  if (i < xml.size()) out.append(xml, i);
  return out;
}

// What the pattern "<[^>]+>" replaced by nothing leaves: a "<" starts a tag only when a ">"
// follows later with at least one character between them.
std::string removeTags(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t open = text.find('<', i);
    if (open == std::string_view::npos) break;
    out.append(text, i, open - i);
    std::size_t close = text.find('>', open + 1);
    // With no ">" left, no later "<" can start a tag either.
    if (close == std::string_view::npos) {
      i = open;
      break;
    }
    if (close == open + 1) {
      out += '<';
      i = open + 1;
    } else {
      i = close + 1;
    }
  }
  if (i < text.size()) out.append(text, i);
  return out;
}

// One pass is the same as replacing each entity in turn with &amp; last: entities cannot overlap
// (each holds one "&"), and no decoded character forms a new entity.
std::string decodeEntities(std::string_view text) {
  static constexpr std::array<std::pair<std::string_view, char>, 5> kEntities = {
      {{"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}, {"&amp;", '&'}}};
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t amp = text.find('&', i);
    if (amp == std::string_view::npos) break;
    out.append(text, i, amp - i);
    std::string_view rest = text.substr(amp);
    i = amp + 1;
    char decoded = '&';
    for (auto [entity, character] : kEntities) {
      if (rest.starts_with(entity)) {
        decoded = character;
        i = amp + entity.size();
        break;
      }
    }
    out += decoded;
  }
  if (i < text.size()) out.append(text, i);
  return out;
}

bool isBlank(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

// Lines end at "\n", "\r\n" or "\r".
std::string dropBlankLines(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!isBlank(line)) {
      if (!out.empty()) out += '\n';
      out += line;
    }
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
      ++end;
    }
    start = end + 1;
  }
  return out;
}

}  // namespace

std::string OfficeText::plainText(std::string_view xml) {
  return dropBlankLines(decodeEntities(removeTags(markBreaksAndTabs(xml))));
}

}  // namespace quorvale
