#include "corpus/docx_writer.h"

#include <zip.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace quorvale::bench {
namespace {

// 2023-01-01T00:00:00Z: every entry carries this time, so archives do not depend on the clock.
constexpr time_t kEntryTime = 1672531200;

constexpr std::string_view kXmlDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

constexpr std::string_view kContentTypes =
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" "
    "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
    "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>";

constexpr std::string_view kRelationships =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>";

struct SourceFree {
  void operator()(zip_source_t* source) const { zip_source_free(source); }
};
struct ArchiveDiscard {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
using SourcePtr = std::unique_ptr<zip_source_t, SourceFree>;
using ArchivePtr = std::unique_ptr<zip_t, ArchiveDiscard>;

std::string xmlEscaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

void appendParagraph(std::string& out, std::string_view text, std::string_view style) {
  out += "<w:p>";
  if (!style.empty()) out += "<w:pPr><w:pStyle w:val=\"" + std::string(style) + "\"/></w:pPr>";
  out += "<w:r><w:t xml:space=\"preserve\">" + xmlEscaped(text) + "</w:t></w:r></w:p>";
}

std::string documentXml(std::string_view title, const std::vector<std::string>& paragraphs) {
  std::string out(kXmlDeclaration);
  out +=
      "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
      "<w:body>";
  appendParagraph(out, title, "Title");
  for (const std::string& paragraph : paragraphs) appendParagraph(out, paragraph, "");
  out += "<w:sectPr/></w:body></w:document>";
  return out;
}

void addEntry(zip_t* archive, const char* name, const std::string& bytes) {
  zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
  if (source == nullptr) throw std::runtime_error("zip_source_buffer failed");
  const zip_int64_t index = zip_file_add(archive, name, source, ZIP_FL_ENC_UTF_8);
  if (index < 0) {
    zip_source_free(source);
    throw std::runtime_error("zip_file_add failed");
  }
  const auto entry = static_cast<zip_uint64_t>(index);
  zip_set_file_compression(archive, entry, ZIP_CM_DEFLATE, 6);
  zip_file_set_mtime(archive, entry, kEntryTime, 0);
}

std::string readAll(zip_source_t* source) {
  if (zip_source_open(source) < 0) throw std::runtime_error("zip_source_open failed");
  zip_source_seek(source, 0, SEEK_END);
  const zip_int64_t size = zip_source_tell(source);
  zip_source_seek(source, 0, SEEK_SET);
  std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
  const zip_int64_t read = zip_source_read(source, bytes.data(), bytes.size());
  zip_source_close(source);
  if (read != size) throw std::runtime_error("zip_source_read failed");
  return bytes;
}

}  // namespace

std::string writeDocx(std::string_view title, const std::vector<std::string>& paragraphs) {
  // The entries' bytes must outlive zip_close, which is when libzip reads them.
  const std::string parts[] = {std::string(kXmlDeclaration) + std::string(kContentTypes),
                               std::string(kXmlDeclaration) + std::string(kRelationships),
                               documentXml(title, paragraphs)};
  zip_error_t error;
  zip_error_init(&error);
  SourcePtr buffer(zip_source_buffer_create(nullptr, 0, 0, &error));
  if (!buffer) throw std::runtime_error("zip_source_buffer_create failed");
  ArchivePtr archive(zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &error));
  zip_error_fini(&error);
  if (!archive) throw std::runtime_error("zip_open_from_source failed");
  // The archive takes a reference to the buffer; keep ours so the bytes survive zip_close.
  zip_source_keep(buffer.get());
  addEntry(archive.get(), "[Content_Types].xml", parts[0]);
  addEntry(archive.get(), "_rels/.rels", parts[1]);
  addEntry(archive.get(), "word/document.xml", parts[2]);
  if (zip_close(archive.get()) < 0) throw std::runtime_error("zip_close failed");
  archive.release();  // zip_close freed it
  return readAll(buffer.get());
}

}  // namespace quorvale::bench
