#include "corpus/text_formats.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "corpus/prose.h"
#include "corpus/vocabulary.h"

namespace quorvale::bench {
namespace {

constexpr std::string_view kLogLevels[] = {"INFO",  "INFO", "INFO", "DEBUG",
                                           "DEBUG", "WARN", "ERROR"};
constexpr std::string_view kColours[] = {"#1f2933", "#3e4c59", "#f5f7fa", "#0b6e4f", "#c05621",
                                         "#2b6cb0", "#e2e8f0", "#9b2c2c", "#ffffff", "#000000"};
constexpr std::string_view kCssProperties[] = {
    "margin", "padding", "border-radius", "gap", "font-size", "line-height", "width", "max-width"};

std::string sized(std::string out, std::size_t size) {
  if (out.size() > size + 256) out.resize(size);
  return out;
}

void appendBulletList(std::string& out, Random& random) {
  const int items = static_cast<int>(random.between(2, 6));
  for (int i = 0; i < items; ++i) {
    out += random.percent(20) ? "- [ ] " : "- ";
    appendSentence(out, random);
    out += '\n';
  }
}

void appendTimestamp(std::string& out, int64_t seconds) {
  const int64_t day = seconds / 86400;
  const int64_t second = seconds % 86400;
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "2024-%02d-%02dT%02d:%02d:%02d.%03dZ",
                static_cast<int>(day / 28 % 12 + 1), static_cast<int>(day % 28 + 1),
                static_cast<int>(second / 3600), static_cast<int>(second / 60 % 60),
                static_cast<int>(second % 60), static_cast<int>(seconds * 7 % 1000));
  out += buffer;
}

std::string csvCell(Random& random, int column) {
  switch (column % 5) {
    case 0:
      return isoDate(random);
    case 1:
      return std::to_string(random.between(1, 99999));
    case 2:
      return amount(random, 5000);
    case 3:
      return std::string(random.pick(nameWords()));
    default: {
      std::string text = "\"";
      appendSentence(text, random);
      return text + "\"";
    }
  }
}

void appendJsonRecord(std::string& out, Random& random, int id) {
  out += "  {\n    \"id\": " + std::to_string(id) + ",\n";
  out += "    \"name\": \"" + title(random) + "\",\n";
  out +=
      "    \"" + identifier(random, IdentifierCase::camel) + "\": " + amount(random, 900) + ",\n";
  out += "    \"created\": \"" + isoDate(random) + "\",\n";
  out += "    \"tags\": [\"" + zipfWord(random) + "\", \"" + zipfWord(random) + "\"],\n";
  out += "    \"description\": \"";
  appendSentence(out, random);
  out += "\",\n    \"active\": ";
  out += random.percent(70) ? "true" : "false";
  out += "\n  }";
}

}  // namespace

std::string plainText(Random& random, std::size_t size) {
  std::string out;
  out.reserve(size + 512);
  if (random.percent(50)) out += title(random) + "\n\n";
  while (out.size() < size) {
    appendParagraph(out, random, static_cast<int>(random.between(2, 7)));
    out += "\n\n";
  }
  return sized(std::move(out), size);
}

std::string markdown(Random& random, std::size_t size) {
  std::string out;
  out.reserve(size + 512);
  out += "# " + title(random) + "\n\n";
  while (out.size() < size) {
    const auto block = random.below(10);
    if (block < 5) {
      appendParagraph(out, random, static_cast<int>(random.between(1, 5)));
      out += "\n\n";
    } else if (block < 7) {
      out += "## " + title(random) + "\n\n";
    } else if (block < 9) {
      appendBulletList(out, random);
      out += '\n';
    } else {
      const std::string name = identifier(random, IdentifierCase::snake, 1, 2);
      out += "```\n" + name + " = load(\"" + zipfWord(random) + "\")\nprint(" + name + ")\n```\n\n";
    }
  }
  return sized(std::move(out), size);
}

std::string logLines(Random& random, std::size_t size) {
  std::string out;
  out.reserve(size + 512);
  int64_t seconds = random.between(0, 300LL * 86400);
  while (out.size() < size) {
    seconds += random.between(0, 90);
    appendTimestamp(out, seconds);
    out += ' ';
    out += random.pick(kLogLevels);
    out += " [" + identifier(random, IdentifierCase::kebab, 1, 1) + "-" +
           std::to_string(random.between(1, 8)) + "] ";
    appendSentence(out, random);
    out += " duration=" + std::to_string(random.between(1, 4000)) + "ms";
    if (random.percent(30)) out += " id=" + std::to_string(random.next() % 1000000007);
    out += '\n';
  }
  return sized(std::move(out), size);
}

std::string csvTable(Random& random, std::size_t size) {
  std::string out;
  out.reserve(size + 512);
  const int columns = static_cast<int>(random.between(3, 8));
  for (int c = 0; c < columns; ++c) {
    if (c > 0) out += ',';
    out += identifier(random, IdentifierCase::snake, 1, 2);
  }
  out += '\n';
  while (out.size() < size) {
    for (int c = 0; c < columns; ++c) {
      if (c > 0) out += ',';
      out += csvCell(random, c);
    }
    out += '\n';
  }
  return sized(std::move(out), size);
}

std::string jsonDocument(Random& random, std::size_t size) {
  std::string out;
  out.reserve(size + 512);
  out += "[\n";
  for (int id = 1; out.size() < size || id == 1; ++id) {
    if (id > 1) out += ",\n";
    appendJsonRecord(out, random, id);
  }
  out += "\n]\n";
  return out;
}

std::string yamlDocument(Random& random, std::size_t size) {
  std::string out;
  out.reserve(size + 512);
  out += "# " + title(random) + "\nversion: " + std::to_string(random.between(1, 3)) + "\n";
  while (out.size() < size) {
    out += identifier(random, IdentifierCase::snake, 1, 2) + ":\n";
    const int keys = static_cast<int>(random.between(2, 6));
    for (int k = 0; k < keys; ++k) {
      out += "  " + identifier(random, IdentifierCase::snake, 1, 2) + ": ";
      if (random.percent(40)) {
        out += std::to_string(random.between(0, 10000));
      } else if (random.percent(50)) {
        out += zipfWord(random) + "-" + zipfWord(random);
      } else {
        out += '"';
        appendSentence(out, random);
        out += '"';
      }
      out += '\n';
    }
  }
  return sized(std::move(out), size);
}

std::string htmlPage(Random& random, std::size_t size) {
  std::string out;
  out.reserve(size + 512);
  const std::string heading = title(random);
  out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
         heading + "</title>\n<link rel=\"stylesheet\" href=\"style.css\">\n</head>\n<body>\n";
  out += "<h1>" + heading + "</h1>\n";
  while (out.size() + 16 < size) {
    if (random.percent(20)) {
      out += "<h2>" + title(random) + "</h2>\n";
    } else if (random.percent(20)) {
      out += "<ul>\n";
      for (int i = static_cast<int>(random.between(2, 5)); i > 0; --i) {
        out += "  <li><a href=\"/" + identifier(random, IdentifierCase::kebab) + ".html\">" +
               title(random) + "</a></li>\n";
      }
      out += "</ul>\n";
    } else {
      out += "<p class=\"" + identifier(random, IdentifierCase::kebab, 1, 2) + "\">";
      appendParagraph(out, random, static_cast<int>(random.between(1, 4)));
      out += "</p>\n";
    }
  }
  out += "</body>\n</html>\n";
  return out;
}

std::string styleSheet(Random& random, std::size_t size) {
  std::string out;
  out.reserve(size + 512);
  while (out.size() < size) {
    if (random.percent(15)) out += "/* " + title(random) + " */\n";
    out += "." + identifier(random, IdentifierCase::kebab, 1, 3);
    if (random.percent(30)) out += " ." + identifier(random, IdentifierCase::kebab, 1, 2);
    out += " {\n  color: ";
    out += random.pick(kColours);
    out += ";\n";
    for (int i = static_cast<int>(random.between(1, 4)); i > 0; --i) {
      out += "  ";
      out += random.pick(kCssProperties);
      out += ": " + std::to_string(random.between(0, 48)) + "px;\n";
    }
    out += "}\n\n";
  }
  return sized(std::move(out), size);
}

}  // namespace quorvale::bench
