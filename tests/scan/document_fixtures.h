// Document fixtures the scan tests build on the fly: zip archives (office documents) through
// libzip and small PDF files written by hand.
#pragma once

#include <zip.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace quorvale::testing {

using ZipMember = std::pair<std::string, std::string>;  // name, content

// Writes a deflate-compressed zip archive holding the members.
inline void writeZip(const std::string& path, const std::vector<ZipMember>& members) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) throw std::runtime_error("cannot create " + path);
  for (const auto& [name, content] : members) {
    // The buffers stay alive until zip_close, which is when libzip reads them.
    zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
    if (source == nullptr || zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
      zip_source_free(source);
      zip_discard(archive);
      throw std::runtime_error("cannot add " + name);
    }
  }
  if (zip_close(archive) != 0) {
    zip_discard(archive);
    throw std::runtime_error("cannot write " + path);
  }
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
  const std::size_t fontObject = 3;
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
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 " +
                      std::to_string(fontObject) + " 0 R >> >> /Contents " +
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
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

}  // namespace quorvale::testing
