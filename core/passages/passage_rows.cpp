#include "passages/passage_rows.h"

#include <algorithm>
#include <set>

#include "index/file_record.h"
#include "util/unicode.h"

namespace quorvale::PassageRows {
namespace {

constexpr std::string_view kRowPrefix = "passage-";
constexpr std::string_view kFileRowPrefix = "file-";

// Every run of white space as one space.
std::string oneSpaced(std::string_view text) {
  std::string result;
  bool space = false;
  for (char32_t scalar : unicode::scalars(text)) {
    if (unicode::isWhitespace(scalar)) {
      space = true;
      continue;
    }
    if (space && !result.empty()) result += ' ';
    space = false;
    result += unicode::fromScalar(scalar);
  }
  return result;
}

}  // namespace

std::string subtitle(const PassageHit& hit) {
  std::string location;
  if (hit.page) location = "page " + std::to_string(*hit.page);
  if (hit.heading && !hit.heading->empty()) {
    location += (location.empty() ? "" : ", ") + *hit.heading;
  }
  std::string text = oneSpaced(hit.passage);
  return location.empty() ? text : location + ": " + text;
}

std::vector<Suggestion> rows(const std::vector<PassageHit>& hits, const FileExists& fileExists) {
  std::vector<Suggestion> result;
  std::set<std::string> taken;
  for (const PassageHit& hit : hits) {
    if (result.size() >= kMostRows) break;
    if (taken.contains(hit.path)) continue;
    if (fileExists && !fileExists(hit.path)) continue;
    taken.insert(hit.path);
    FileRecord record = FileRecord::make(hit.path, std::nullopt, std::nullopt, 0, 0, false);
    result.push_back({.id = std::string(kRowPrefix) + hit.path,
                      .title = lastPathComponent(hit.path),
                      .subtitle = subtitle(hit),
                      .payload = Payload::file(std::move(record))});
  }
  return result;
}

Suggestion hintRow() {
  return {
      .id = kHintID, .title = kHintTitle, .subtitle = kHintSubtitle, .payload = Payload::hint()};
}

std::vector<Suggestion> place(std::vector<Suggestion> passageRows, bool weak,
                              std::vector<Suggestion> fileRows, std::size_t limit) {
  std::vector<Suggestion> result;
  std::size_t keep = limit;
  if (passageRows.empty() || weak) result.push_back(hintRow());
  if (!passageRows.empty() && weak) keep = std::max(limit, kWeakMinimumRows);
  if (!passageRows.empty() && !weak) {
    std::set<std::string> answered;
    for (const auto& row : passageRows) answered.insert(row.id.substr(kRowPrefix.size()));
    std::erase_if(fileRows, [&](const Suggestion& row) {
      return row.id.starts_with(kFileRowPrefix) &&
             answered.contains(row.id.substr(kFileRowPrefix.size()));
    });
    keep = std::max(limit, passageRows.size());
  }
  std::move(passageRows.begin(), passageRows.end(), std::back_inserter(result));
  std::move(fileRows.begin(), fileRows.end(), std::back_inserter(result));
  if (result.size() > keep) result.resize(keep);
  return result;
}

}  // namespace quorvale::PassageRows
