// Document fixtures the scan tests build on the fly: zip archives (office documents) through
// libzip, and a zip bomb and small PDF files written by hand.
#pragma once

#include <zip.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"

namespace quorvale::testing {

using ZipMember = std::pair<std::string, std::string>;  // name, content

// Writes a deflate-compressed zip archive holding the members.
inline void writeZip(const std::string& path, const std::vector<ZipMember>& members) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  bool written = archive != nullptr;
  for (const auto& [name, content] : members) {
    if (!written) break;
    // The buffers stay alive until zip_close, which is when libzip reads them.
    zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
    written = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) >= 0;
  }
  if (!written || zip_close(archive) != 0) throw std::runtime_error("cannot write " + path);
}

namespace detail {

// Deflate's bit order: values least significant bit first, Huffman codes most significant first.
class BitWriter {
 public:
  void bits(uint32_t value, int count) {
    pending_ |= static_cast<uint64_t>(value) << used_;
    used_ += count;
    for (; used_ >= 8; used_ -= 8, pending_ >>= 8) bytes_ += static_cast<char>(pending_ & 0xFF);
  }
  void code(uint32_t code, int length) {
    uint32_t reversed = 0;
    for (int i = 0; i < length; ++i) reversed |= ((code >> i) & 1) << (length - 1 - i);
    bits(reversed, length);
  }
  std::string take() {
    if (used_ > 0) bytes_ += static_cast<char>(pending_ & 0xFF);
    return std::move(bytes_);
  }

 private:
  std::string bytes_;
  uint64_t pending_ = 0;
  int used_ = 0;
};

inline void appendLittleEndian(std::string& out, uint32_t value, int width) {
  for (int i = 0; i < width; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace detail

// A zip archive with one member that inflates to `1 + 258 * runs` bytes of 'A' from about
// 1.6 bytes per run: a fixed-Huffman deflate block of one literal followed by back-references of
// length 258 at distance 1. Built by hand, so that a member of a gigabyte costs no compression
// time. Its CRC is deliberately wrong (a reader that stops at a cap never checks it).
inline void writeZipBomb(const std::string& path, const std::string& name, uint32_t runs) {
  detail::BitWriter deflate;
  deflate.bits(1, 1);           // final block
  deflate.bits(1, 2);           // fixed Huffman codes
  deflate.code(0x30 + 'A', 8);  // literal 'A'
  for (uint32_t i = 0; i < runs; ++i) {
    deflate.code(0xC0 + (285 - 280), 8);  // length 258
    deflate.code(0, 5);                   // distance 1
  }
  deflate.code(0, 7);  // end of block
  const std::string data = deflate.take();
  const uint32_t inflated = 1 + 258 * runs;
  const auto nameLength = static_cast<uint32_t>(name.size());
  using detail::appendLittleEndian;

  std::string zip;
  auto describe = [&](std::string& out) {  // the fields shared by both headers
    appendLittleEndian(out, 20, 2);        // version needed
    appendLittleEndian(out, 0, 2);         // flags
    appendLittleEndian(out, 8, 2);         // deflate
    appendLittleEndian(out, 0, 2);         // time
    appendLittleEndian(out, 0x21, 2);      // date: 1980-01-01
    appendLittleEndian(out, 0, 4);         // CRC-32
    appendLittleEndian(out, static_cast<uint32_t>(data.size()), 4);
    appendLittleEndian(out, inflated, 4);
    appendLittleEndian(out, nameLength, 2);
    appendLittleEndian(out, 0, 2);  // extra field length
  };
  appendLittleEndian(zip, 0x04034b50, 4);
  describe(zip);
  zip += name + data;
  const auto directoryOffset = static_cast<uint32_t>(zip.size());
  appendLittleEndian(zip, 0x02014b50, 4);
  appendLittleEndian(zip, 20, 2);  // version made by
  describe(zip);
  appendLittleEndian(zip, 0, 2);  // comment length
  appendLittleEndian(zip, 0, 2);  // disk
  appendLittleEndian(zip, 0, 2);  // internal attributes
  appendLittleEndian(zip, 0, 4);  // external attributes
  appendLittleEndian(zip, 0, 4);  // offset of the local header
  zip += name;
  const auto directorySize = static_cast<uint32_t>(zip.size()) - directoryOffset;
  appendLittleEndian(zip, 0x06054b50, 4);
  appendLittleEndian(zip, 0, 4);  // disk numbers
  appendLittleEndian(zip, 1, 2);
  appendLittleEndian(zip, 1, 2);
  appendLittleEndian(zip, directorySize, 4);
  appendLittleEndian(zip, directoryOffset, 4);
  appendLittleEndian(zip, 0, 2);  // comment length
  writeFile(path, zip);
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
