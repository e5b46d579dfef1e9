// Everyday folders: documents by area and topic, finance papers by year, dated notes.
#include <string_view>

#include "corpus/file_names.h"
#include "corpus/prose.h"
#include "corpus/units.h"

namespace quorvale::bench {
namespace {

constexpr std::string_view kAreas[] = {"Work",   "Personal", "Clients", "Home",    "School",
                                       "Health", "Travel",   "Family",  "Research"};
constexpr std::string_view kPictureExtensions[] = {"jpg", "jpg", "png", "jpeg", "heic"};

struct DocumentKind {
  Format format;
  std::string_view extension;
  unsigned weight;
};

constexpr DocumentKind kDocumentKinds[] = {
    {Format::docx, "docx", 24},     {Format::pdf, "pdf", 20},      {Format::markdown, "md", 15},
    {Format::plainText, "txt", 15}, {Format::csv, "csv", 8},       {Format::opaque, "jpg", 7},
    {Format::html, "html", 3},      {Format::json, "json", 3},     {Format::opaque, "zip", 2},
    {Format::yaml, "yaml", 1},      {Format::opaque, "tar.gz", 2},
};

const DocumentKind& drawKind(Random& random) {
  unsigned total = 0;
  for (const auto& kind : kDocumentKinds) total += kind.weight;
  auto roll = static_cast<unsigned>(random.below(total));
  for (const auto& kind : kDocumentKinds) {
    if (roll < kind.weight) return kind;
    roll -= kind.weight;
  }
  return kDocumentKinds[0];
}

uint32_t documentSize(Random& random, Format format) {
  switch (format) {
    case Format::opaque:
      return opaqueSize(random, 1000, 16000);
    case Format::pdf:
    case Format::docx:
      return textSize(random) + 1200;
    default:
      return textSize(random);
  }
}

void planDocumentFolder(Planner& planner, const std::string& folder, int64_t count, int64_t time) {
  Random& random = planner.random();
  for (int64_t i = 0; i < count; ++i) {
    const DocumentKind& kind = drawKind(random);
    const std::string name = kind.format == Format::opaque && kind.extension == "jpg"
                                 ? pictureName(random, random.pick(kPictureExtensions))
                                 : documentName(random, kind.extension);
    if (!planner.add(folder, name, kind.format, documentSize(random, kind.format),
                     planner.timeNear(time, 180))) {
      return;
    }
  }
}

}  // namespace

void planDocuments(Planner& planner) {
  Random& random = planner.random();
  std::string folder =
      random.percent(80) ? "Documents" : "Archive/" + std::to_string(random.between(2015, 2022));
  folder += "/" + std::string(random.pick(kAreas)) + "/" + folderName(random, false);
  const int64_t time = planner.anyTime();
  const auto subfolders = random.between(0, 3);
  planDocumentFolder(planner, folder, random.between(3, 30), time);
  for (int64_t i = 0; i < subfolders; ++i) {
    planDocumentFolder(planner, folder + "/" + folderName(random, random.percent(30)),
                       random.between(2, 20), time);
  }
}

void planFinance(Planner& planner) {
  Random& random = planner.random();
  const auto year = random.between(2019, 2024);
  const std::string base = "Documents/Finance/";
  const int64_t time = planner.anyTime();
  const auto invoices = random.between(5, 40);
  for (int64_t i = 0; i < invoices; ++i) {
    char name[48];
    std::snprintf(name, sizeof name, "invoice-%lld-%04d.pdf", static_cast<long long>(year),
                  static_cast<int>(random.between(1, 9999)));
    planner.add(base + "Invoices/" + std::to_string(year), name, Format::invoicePdf,
                opaqueSize(random, 1500, 4000), planner.timeNear(time, 180));
  }
  const auto statements = random.between(1, 12);
  for (int64_t month = 1; month <= statements; ++month) {
    char name[48];
    std::snprintf(name, sizeof name, "bank-statement-%lld-%02d.csv", static_cast<long long>(year),
                  static_cast<int>(month));
    planner.add(base + "Statements/" + std::to_string(year), name, Format::csv,
                textSize(random) * 2, planner.timeNear(time, 180));
  }
  if (random.percent(50)) {
    planner.add(base + "Taxes/" + std::to_string(year), documentName(random, "pdf"), Format::pdf,
                textSize(random) + 2000, time);
    planner.add(base + "Taxes/" + std::to_string(year), documentName(random, "docx"), Format::docx,
                textSize(random) + 1200, time);
  }
}

void planNotes(Planner& planner) {
  Random& random = planner.random();
  const auto year = random.between(2021, 2024);
  const auto month = random.between(1, 12);
  char folder[32];
  std::snprintf(folder, sizeof folder, "Notes/%lld/%02lld", static_cast<long long>(year),
                static_cast<long long>(month));
  const int64_t time = planner.anyTime();
  const auto notes = random.between(3, 30);
  for (int64_t i = 0; i < notes; ++i) {
    char date[16];
    std::snprintf(date, sizeof date, "%lld-%02lld-%02d", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<int>(random.between(1, 28)));
    const bool markdown = random.percent(75);
    planner.add(folder,
                std::string(date) + " " + folderName(random, random.percent(50)) +
                    (markdown ? ".md" : ".txt"),
                markdown ? Format::markdown : Format::plainText, textSize(random),
                planner.timeNear(time, 30));
  }
}

}  // namespace quorvale::bench
