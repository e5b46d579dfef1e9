#include "corpus/render.h"

#include <cstdio>
#include <ctime>
#include <string_view>

#include "corpus/docx_writer.h"
#include "corpus/pdf_writer.h"
#include "corpus/prose.h"
#include "corpus/text_formats.h"
#include "corpus/vocabulary.h"

namespace quorvale::bench {
namespace {

std::string_view fileName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// "team-offsite_agenda v2.docx" -> "team offsite agenda v2": documents are titled after their
// names, as people usually do.
std::string titleFromName(std::string_view path) {
  std::string_view name = fileName(path);
  name = name.substr(0, name.rfind('.'));
  std::string title(name);
  for (char& c : title) {
    if (c == '-' || c == '_') c = ' ';
  }
  return capitalised(std::move(title));
}

std::string dateOf(int64_t seconds) {
  const std::time_t time = seconds;
  std::tm parts{};
  gmtime_r(&time, &parts);
  char buffer[16];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%d", &parts);
  return buffer;
}

std::vector<std::string> paragraphs(Random& random, std::size_t size) {
  std::vector<std::string> out;
  std::size_t total = 0;
  while (total < size) {
    std::string paragraph;
    appendParagraph(paragraph, random, static_cast<int>(random.between(2, 6)));
    total += paragraph.size() + 40;  // about the markup around a paragraph
    out.push_back(std::move(paragraph));
  }
  return out;
}

std::string invoiceBody(Random& random, std::string_view name, std::string_view date) {
  std::string body = "Invoice " + std::string(name) + "\n\nDate: " + std::string(date) +
                     "\n\nBill to: " + capitalised(std::string(random.pick(nameWords()))) + " " +
                     capitalised(zipfWord(random)) + " Ltd\n\n";
  const auto lines = random.between(1, 8);
  for (int64_t i = 0; i < lines; ++i) {
    body += title(random) + " qty " + std::to_string(random.between(1, 20)) + " at " +
            amount(random, 900) + "\n\n";
  }
  body += "Total due: " + amount(random, 9000) + " EUR\n\n";
  appendParagraph(body, random, 2);
  return body;
}

std::string_view magicFor(std::string_view name) {
  using namespace std::string_view_literals;
  auto endsWith = [&](std::string_view suffix) { return name.ends_with(suffix); };
  if (endsWith(".jpg") || endsWith(".jpeg")) return "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00"sv;
  if (endsWith(".png")) return "\x89PNG\r\n\x1a\n"sv;
  if (endsWith(".zip")) return "PK\x03\x04"sv;
  if (endsWith(".gz")) return "\x1f\x8b\x08\x00"sv;
  if (endsWith(".o") || endsWith(".rlib"))
    return "\x7f"
           "ELF\x02\x01\x01"sv;
  if (endsWith(".deb")) return "!<arch>\n"sv;
  if (endsWith(".heic"))
    return "\x00\x00\x00\x18"
           "ftypheic"sv;
  return "";
}

std::string opaqueBytes(Random& random, std::string_view name, std::size_t size) {
  const std::string_view magic = magicFor(name);
  std::string out(magic);
  out.reserve(size + 8);
  while (out.size() < size) {
    uint64_t word = random.next();
    for (int i = 0; i < 8 && out.size() < size; ++i, word >>= 8) {
      out += static_cast<char>(word & 0xff);
    }
  }
  return out;
}

std::string manifestName(std::string_view path) {
  // The project's folder name: the component before the manifest's own name.
  const std::size_t end = path.rfind('/');
  if (end == std::string_view::npos) return "project";
  const std::size_t start = path.rfind('/', end - 1);
  return std::string(path.substr(start == std::string_view::npos ? 0 : start + 1,
                                 end - (start == std::string_view::npos ? 0 : start + 1)));
}

}  // namespace

std::string renderFile(const PlannedFile& file, Random& random) {
  const std::size_t size = file.size;
  switch (file.format) {
    case Format::plainText:
      return plainText(random, size);
    case Format::markdown:
      return markdown(random, size);
    case Format::log:
      return logLines(random, size);
    case Format::csv:
      return csvTable(random, size);
    case Format::json:
      return jsonDocument(random, size);
    case Format::yaml:
      return yamlDocument(random, size);
    case Format::html:
      return htmlPage(random, size);
    case Format::css:
      return styleSheet(random, size);
    case Format::source:
      return sourceFile(random, file.language, size);
    case Format::pdf:
      return writePdf(titleFromName(file.path), plainText(random, size), dateOf(file.modified));
    case Format::invoicePdf: {
      const std::string date = dateOf(file.modified);
      return writePdf(titleFromName(file.path), invoiceBody(random, titleFromName(file.path), date),
                      date);
    }
    case Format::docx:
      return writeDocx(titleFromName(file.path), paragraphs(random, size));
    case Format::opaque:
      return opaqueBytes(random, fileName(file.path), size);
    case Format::packageJson:
      return packageJson(random, manifestName(file.path));
    case Format::cmakeLists:
      return cmakeLists(random, manifestName(file.path));
    case Format::cargoToml:
      return cargoToml(random, manifestName(file.path));
    case Format::goMod:
      return goMod(random, manifestName(file.path));
    case Format::pyproject:
      return pyprojectToml(random, manifestName(file.path));
  }
  return {};
}

}  // namespace quorvale::bench
