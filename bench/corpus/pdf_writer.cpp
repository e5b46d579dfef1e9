#include "corpus/pdf_writer.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace quorvale::bench {
namespace {

constexpr std::size_t kLineWidth = 90;
constexpr std::size_t kLinesPerPage = 48;

// Objects 1-3 are the catalog, the page tree and the font; page i (from 0) is object 4 + 2i and
// its content stream 5 + 2i; the information dictionary comes last.
constexpr int kFirstPageObject = 4;

std::string escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

// Greedy word wrap; an empty line stands for a paragraph break.
std::vector<std::string> wrapped(std::string_view body) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t start = 0;
  while (start <= body.size()) {
    std::size_t end = body.find_first_of(" \n", start);
    if (end == std::string_view::npos) end = body.size();
    std::string_view word = body.substr(start, end - start);
    if (!word.empty()) {
      if (!line.empty() && line.size() + 1 + word.size() > kLineWidth) {
        lines.push_back(std::move(line));
        line.clear();
      }
      if (!line.empty()) line += ' ';
      line += word;
    }
    if (end < body.size() && body[end] == '\n' && end + 1 < body.size() && body[end + 1] == '\n') {
      if (!line.empty()) lines.push_back(std::move(line));
      line.clear();
      lines.emplace_back();
      ++end;
    }
    start = end + 1;
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

std::string pageStream(std::string_view title, const std::vector<std::string>& lines,
                       std::size_t first, std::size_t last) {
  std::string out = "BT\n/F1 11 Tf\n14 TL\n72 740 Td\n";
  if (first == 0) out += "/F1 16 Tf\n(" + escaped(title) + ") Tj\nT*\nT*\n/F1 11 Tf\n";
  for (std::size_t i = first; i < last; ++i) out += "(" + escaped(lines[i]) + ") Tj\nT*\n";
  out += "ET\n";
  return out;
}

class ObjectWriter {
 public:
  ObjectWriter() { out_ = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"; }

  void add(const std::string& body) {
    offsets_.push_back(out_.size());
    out_ += std::to_string(offsets_.size()) + " 0 obj\n" + body + "\nendobj\n";
  }

  std::string finish(int infoObject) {
    const std::size_t xref = out_.size();
    out_ += "xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n";
    char entry[24];
    for (std::size_t offset : offsets_) {
      std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
      out_ += entry;
    }
    out_ += "trailer\n<< /Size " + std::to_string(offsets_.size() + 1) + " /Root 1 0 R /Info " +
            std::to_string(infoObject) + " 0 R >>\nstartxref\n" + std::to_string(xref) +
            "\n%%EOF\n";
    return std::move(out_);
  }

 private:
  std::string out_;
  std::vector<std::size_t> offsets_;
};

std::string pdfDate(std::string_view date) {
  std::string digits;
  for (char c : date) {
    if (c >= '0' && c <= '9') digits += c;
  }
  return "D:" + digits + "120000Z";
}

}  // namespace

std::string writePdf(std::string_view title, std::string_view body, std::string_view date) {
  const std::vector<std::string> lines = wrapped(body);
  const std::size_t pages = lines.empty() ? 1 : (lines.size() + kLinesPerPage - 1) / kLinesPerPage;

  ObjectWriter writer;
  writer.add("<< /Type /Catalog /Pages 2 0 R >>");
  std::string kids;
  for (std::size_t page = 0; page < pages; ++page) {
    kids += (page ? " " : "") + std::to_string(kFirstPageObject + 2 * page) + " 0 R";
  }
  writer.add("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
  writer.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  for (std::size_t page = 0; page < pages; ++page) {
    const std::size_t first = page * kLinesPerPage;
    const std::size_t last = std::min(lines.size(), first + kLinesPerPage);
    const std::string stream = pageStream(title, lines, first, last);
    writer.add(
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 "
        "3 0 R >> >> /Contents " +
        std::to_string(kFirstPageObject + 2 * page + 1) + " 0 R >>");
    writer.add("<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream +
               "endstream");
  }
  const int info = static_cast<int>(kFirstPageObject + 2 * pages);
  writer.add("<< /Title (" + escaped(title) + ") /Producer (Quorvale corpus) /CreationDate (" +
             pdfDate(date) + ") >>");
  return writer.finish(info);
}

}  // namespace quorvale::bench
