// Document fixtures the scan tests build on the fly: zip archives (office documents) through
// libzip and small PDF files written by hand; and the fixture that reads them with the default
// extractor.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "scan/default_extractor.h"
#include "support/test_support.h"

namespace quorvale::testing {

// Files in a scratch folder, read by the default extractor with the size a listing would report.
class ExtractorTest : public ::testing::Test {
 protected:
  std::optional<std::string> extract(const std::string& name, std::string_view bytes) {
    writeFile(dir / name, bytes);
    return extract(name);
  }
  // The file already written under that name.
  std::optional<std::string> extract(const std::string& name) {
    std::string path = dir / name;
    std::string ext = std::filesystem::path(name).extension().string();
    return extractor.text(path, ext.empty() ? ext : ext.substr(1),
                          static_cast<int64_t>(std::filesystem::file_size(path)));
  }

  TempDir dir;
  DefaultExtractor extractor;
};

// One archive member: a file, or a symbolic link to `content` when `link` is set.
struct ZipMember {
  std::string name;
  std::string content;
  bool link = false;
};

// Writes a deflate-compressed zip archive holding the members.
inline void writeZip(const std::string& path, const std::vector<ZipMember>& members) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  bool written = archive != nullptr;
  for (const auto& [name, content, link] : members) {
    if (!written) break;
    // The buffers stay alive until zip_close, which is when libzip reads them.
    zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
    zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    written = index >= 0;
    if (written && link) {
      zip_file_set_external_attributes(archive, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                       (S_IFLNK | 0777u) << 16);
    }
  }
  if (!written || zip_close(archive) != 0) throw std::runtime_error("cannot write " + path);
}

inline std::string wordDocumentXml(const std::vector<std::string>& paragraphs) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
      "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
      "<w:body>";
  for (const std::string& paragraph : paragraphs) {
    xml += "<w:p><w:r><w:t xml:space=\"preserve\">" + paragraph + "</w:t></w:r></w:p>";
  }
  return xml + "</w:body></w:document>";
}

inline std::string slideXml(const std::string& text) {
  return "<p:sld xmlns:a=\"a\" xmlns:p=\"p\"><p:cSld><p:spTree><p:sp><p:txBody><a:p><a:r><a:t>" +
         text + "</a:t></a:r></a:p></p:txBody></p:sp></p:spTree></p:cSld></p:sld>";
}

// A PDF of one page per text, each shown in Helvetica, with a correct cross-reference table.
inline std::string makePdf(const std::vector<std::string>& pageTexts) {
  std::vector<std::string> objects;  // object i + 1
  const std::size_t pages = pageTexts.size();
  std::string kids;
  for (std::size_t i = 0; i < pages; ++i) kids += std::to_string(4 + 2 * i) + " 0 R ";
  objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
  objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
  objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  for (std::size_t i = 0; i < pages; ++i) {
    std::string escaped;
    for (char c : pageTexts[i]) {
      if (c == '(' || c == ')' || c == '\\') escaped += '\\';
      escaped += c;
    }
    std::string stream = "BT /F1 18 Tf 72 720 Td (" + escaped + ") Tj ET";
    objects.push_back(
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R "
        ">> >> /Contents " +
        std::to_string(5 + 2 * i) + " 0 R >>");
    objects.push_back("<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream +
                      "\nendstream");
  }
  std::string pdf = "%PDF-1.4\n";
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const std::size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (std::size_t offset : offsets) {
    std::string number = std::to_string(offset);
    pdf += std::string(10 - number.size(), '0') + number + " 00000 n \n";
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
         " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

}  // namespace quorvale::testing
