#include "scan/office_text.h"

#include "scan/plain_text.h"
#include "scan/regular_file.h"
#include "scan/zip_parts.h"
#include "util/process.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

constexpr int kMaxSlides = 12;
const std::string kCatdoc = "/usr/bin/catdoc";
const std::string kAntiword = "/usr/bin/antiword";

std::optional<std::string> finished(const std::string& text, int maxChars) {
  std::string cut = unicode::trimmed(
      unicode::prefixCharacters(text, static_cast<std::size_t>(std::max(maxChars, 0))));
  if (cut.empty()) return std::nullopt;
  return cut;
}

std::optional<std::string> zipDocumentText(const RegularFile& file, std::string_view ext,
                                           int maxChars) {
  std::optional<ZipParts> archive = ZipParts::open(file.fd());
  if (!archive) return std::nullopt;
  std::string collected;
  for (const std::string& part : OfficeText::parts(ext)) {
    std::optional<std::string> xml =
        archive->read(part, OfficeText::kPartLimit, OfficeText::kPartTimeout);
    if (!xml) continue;
    collected += OfficeText::plainText(decodeUtf8Prefix(*xml));
    collected += '\n';
    if (holdsCharacters(collected, static_cast<std::size_t>(std::max(maxChars, 0)))) break;
  }
  return collected;
}

// The tool reads the checked file through its standard input's /proc link, so a name that is
// pointed elsewhere meanwhile is not followed.
std::optional<std::string> convertWithTool(const std::string& tool,
                                           std::vector<std::string> arguments,
                                           const RegularFile& file) {
  arguments.push_back(file.pathForTools());
  std::optional<ProcessOutput> result = runProcess(tool, arguments,
                                                   {.outputLimit = OfficeText::kPartLimit,
                                                    .timeout = OfficeText::kPartTimeout,
                                                    .standardInput = file.fd()});
  // Output cut at the cap is still good text; a failed or crashed tool's is not.
  if (!result || (result->exitCode != 0 && !result->stoppedAtLimit)) return std::nullopt;
  std::string text = decodeUtf8Prefix(result->output);
  if (unicode::trimmed(text).empty()) return std::nullopt;
  return text;
}

std::optional<std::string> wordDocumentText(const RegularFile& file) {
  if (auto text = convertWithTool(kCatdoc, {"-d", "utf-8", "-w"}, file)) return text;
  return convertWithTool(kAntiword, {"-m", "UTF-8.txt", "-w", "0"}, file);
}

}  // namespace

const std::set<std::string>& OfficeText::extensions() {
  static const std::set<std::string> kExtensions = {"docx", "xlsx", "pptx", "odt",
                                                    "ods",  "odp",  "doc"};
  return kExtensions;
}

std::vector<std::string> OfficeText::parts(std::string_view ext) {
  if (ext == "docx") return {"word/document.xml"};
  if (ext == "xlsx") return {"xl/sharedStrings.xml"};
  if (ext == "odt" || ext == "ods" || ext == "odp") return {"content.xml"};
  if (ext == "pptx") {
    std::vector<std::string> slides;
    for (int number = 1; number <= kMaxSlides; ++number) {
      slides.push_back("ppt/slides/slide" + std::to_string(number) + ".xml");
    }
    return slides;
  }
  return {};
}

std::optional<std::string> OfficeText::text(const std::string& path, const std::string& ext,
                                            int maxChars, int64_t maxFileSize, int64_t size) {
  std::optional<RegularFile> file = RegularFile::open(path);
  if (!file) return std::nullopt;
  return text(*file, ext, maxChars, maxFileSize, size);
}

std::optional<std::string> OfficeText::text(const RegularFile& file, const std::string& ext,
                                            int maxChars, int64_t maxFileSize, int64_t size) {
  if (size > maxFileSize || file.size() > maxFileSize) return std::nullopt;
  std::optional<std::string> text =
      ext == "doc" ? wordDocumentText(file) : zipDocumentText(file, ext, maxChars);
  if (!text) return std::nullopt;
  return finished(*text, maxChars);
}

std::optional<std::string> OfficeText::run(const std::string& executable,
                                           const std::vector<std::string>& arguments,
                                           std::size_t limit, double timeout) {
  std::optional<ProcessOutput> result =
      runProcess(executable, arguments,
                 {.outputLimit = limit, .timeout = std::chrono::duration<double>(timeout)});
  if (!result) return std::nullopt;
  return std::move(result->output);
}

}  // namespace quorvale
