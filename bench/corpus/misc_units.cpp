// The rest of a home folder: service logs, pictures by event, a downloads folder, small web
// sites and data sets.
#include <cstdio>
#include <string>
#include <string_view>

#include "corpus/file_names.h"
#include "corpus/prose.h"
#include "corpus/units.h"

namespace quorvale::bench {
namespace {

constexpr std::string_view kDownloadExtensions[] = {"pdf", "pdf", "zip", "docx",   "csv",  "png",
                                                    "jpg", "txt", "deb", "tar.gz", "json", "md"};

Format downloadFormat(std::string_view extension) {
  if (extension == "pdf") return Format::pdf;
  if (extension == "docx") return Format::docx;
  if (extension == "csv") return Format::csv;
  if (extension == "txt") return Format::plainText;
  if (extension == "json") return Format::json;
  if (extension == "md") return Format::markdown;
  return Format::opaque;
}

}  // namespace

void planLogs(Planner& planner) {
  Random& random = planner.random();
  const std::string folder = "Logs/" + identifier(random, IdentifierCase::kebab, 1, 2);
  const int64_t time = planner.anyTime();
  const auto logs = random.between(3, 25);
  for (int64_t i = 0; i < logs; ++i) {
    planner.add(folder,
                identifier(random, IdentifierCase::kebab, 1, 1) + "-" + isoDate(random) + ".log",
                Format::log, logSize(random), planner.timeNear(time, 60));
  }
}

void planPictures(Planner& planner) {
  Random& random = planner.random();
  const std::string folder =
      "Pictures/" + std::to_string(random.between(2018, 2024)) + "/" + folderName(random, false);
  const int64_t time = planner.anyTime();
  const auto pictures = random.between(4, 40);
  for (int64_t i = 0; i < pictures; ++i) {
    planner.add(folder, pictureName(random, random.percent(80) ? "jpg" : "png"), Format::opaque,
                opaqueSize(random, 1500, 16000), planner.timeNear(time, 3));
  }
}

void planDownloads(Planner& planner) {
  Random& random = planner.random();
  const int64_t time = planner.anyTime();
  const auto files = random.between(5, 30);
  for (int64_t i = 0; i < files; ++i) {
    const std::string_view extension = random.pick(kDownloadExtensions);
    const Format format = downloadFormat(extension);
    planner.add("Downloads", documentName(random, extension), format,
                format == Format::opaque ? opaqueSize(random, 2000, 40000) : textSize(random) + 800,
                planner.timeNear(time, 365));
  }
}

void planWebsite(Planner& planner) {
  Random& random = planner.random();
  const std::string site = "Sites/" + identifier(random, IdentifierCase::kebab, 1, 2);
  const int64_t time = planner.anyTime();
  planner.add(site, "index.html", Format::html, textSize(random) + 500, time);
  // Some sites name their pages .htm, as older site builders do. Chosen by the site's name, so
  // that no random number is drawn and the rest of the corpus stays as it was.
  const std::string_view pageExtension = site.size() % 3 == 0 ? ".htm" : ".html";
  const auto pages = random.between(2, 15);
  for (int64_t i = 0; i < pages; ++i) {
    planner.add(site, identifier(random, IdentifierCase::kebab, 1, 3) + std::string(pageExtension),
                Format::html, textSize(random) + 500, planner.timeNear(time, 90));
  }
  planner.add(site + "/css", "style.css", Format::css, textSize(random), time);
  planner.add(site + "/js", identifier(random, IdentifierCase::camel, 1, 2) + ".js", Format::source,
              textSize(random), time, false, Language::javascript);
  const auto images = random.between(1, 8);
  for (int64_t i = 0; i < images; ++i) {
    planner.add(site + "/img", identifier(random, IdentifierCase::kebab, 1, 2) + ".png",
                Format::opaque, opaqueSize(random, 1000, 12000), time);
  }
}

void planDataSet(Planner& planner) {
  Random& random = planner.random();
  const std::string folder = "Data/" + identifier(random, IdentifierCase::kebab, 1, 3);
  const int64_t time = planner.anyTime();
  planner.add(folder, "README.md", Format::markdown, textSize(random), time);
  const auto tables = random.between(2, 12);
  for (int64_t i = 0; i < tables; ++i) {
    const auto roll = random.below(10);
    const Format format = roll < 6 ? Format::csv : (roll < 9 ? Format::json : Format::yaml);
    const char* extension = roll < 6 ? ".csv" : (roll < 9 ? ".json" : ".yaml");
    planner.add(folder, identifier(random, IdentifierCase::snake, 1, 3) + extension, format,
                textSize(random) * 2, planner.timeNear(time, 30));
  }
}

}  // namespace quorvale::bench
