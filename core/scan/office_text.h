// The text of office documents. The zip-based formats (Word, Excel and PowerPoint documents and
// their OpenDocument counterparts) have their XML parts read in-process (see ZipParts) and their
// markup stripped; old binary Word files are converted by catdoc, with antiword as a fallback.
// Every part and every tool run is capped at kPartLimit bytes and kPartTimeout.
//
// Stateless; the functions are safe on any thread. `text` is called on the extracting thread,
// behind the extraction guard.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quorvale {

class RegularFile;

class OfficeText {
 public:
  static constexpr std::size_t kPartLimit = 3'000'000;
  static constexpr std::chrono::duration<double> kPartTimeout = std::chrono::seconds(5);

  // "docx", "xlsx", "pptx", "odt", "ods", "odp", "doc".
  static const std::set<std::string>& extensions();

  // The archive members that hold a format's text, in reading order; none for other extensions.
  static std::vector<std::string> parts(std::string_view ext);

  // The text of an office XML part: paragraph, heading, shared-string, line-break and table-row
  // ends become line breaks, tab elements spaces, every tag goes, the five predefined entities
  // are decoded (&amp; last, so an escaped entity stays escaped once), and blank lines are
  // dropped.
  static std::string plainText(std::string_view xml);

  // At most `maxChars` characters of the document's text, trimmed; nothing when the file is over
  // `maxFileSize` bytes, cannot be read, or holds no text.
  static std::optional<std::string> text(const std::string& path, const std::string& ext,
                                         int maxChars, int64_t maxFileSize, int64_t size);
  // The same for a file the caller has already opened.
  static std::optional<std::string> text(const RegularFile& file, const std::string& ext,
                                         int maxChars, int64_t maxFileSize, int64_t size);

  // Runs a tool and returns at most `limit` bytes of its standard output; nothing when it
  // cannot be started or is still running after `timeout` seconds (see runProcess).
  static std::optional<std::string> run(const std::string& executable,
                                        const std::vector<std::string>& arguments,
                                        std::size_t limit, double timeout);
};

}  // namespace quorvale
