#include "corpus/file_names.h"

#include <cstdio>

#include "corpus/prose.h"
#include "corpus/vocabulary.h"

namespace quorvale::bench {
namespace {

constexpr std::string_view kVersionWords[] = {"final", "draft", "v2",     "v3",     "old",
                                              "new",   "copy",  "edited", "signed", "reviewed"};

std::string words(Random& random, int minWords, int maxWords, bool titleCase) {
  const int count = static_cast<int>(random.between(minWords, maxWords));
  std::string out;
  for (int i = 0; i < count; ++i) {
    if (i > 0) out += ' ';
    std::string word(random.pick(nameWords()));
    out += (titleCase || i == 0) ? capitalised(std::move(word)) : word;
  }
  return out;
}

std::string withExtension(std::string stem, std::string_view extension) {
  return stem + "." + std::string(extension);
}

std::string versioned(Random& random, std::string stem) {
  switch (random.below(6)) {
    case 0:
      return stem + " v" + std::to_string(random.between(1, 5));
    case 1:
      return "Final draft v" + std::to_string(random.between(2, 4)) + " - " + stem;
    case 2:
      return stem + " (" + std::to_string(random.between(1, 3)) + ")";
    case 3:
      return stem + " " + std::string(random.pick(kVersionWords));
    case 4:
      return stem + " v" + std::to_string(random.between(0, 3)) + "." +
             std::to_string(random.between(0, 9)) + "." + std::to_string(random.between(0, 20));
    default:
      return stem + " - " + std::string(random.pick(kVersionWords));
  }
}

}  // namespace

std::string documentName(Random& random, std::string_view extension) {
  const auto style = random.below(100);
  std::string stem;
  if (style < 30) {
    stem = words(random, 1, 4, random.percent(50));
  } else if (style < 45) {
    stem = isoDate(random) + " " + words(random, 1, 3, false);
  } else if (style < 58) {
    stem = versioned(random, words(random, 1, 3, true));
  } else if (style < 72) {
    stem = identifier(random, IdentifierCase::kebab, 2, 4);
  } else if (style < 84) {
    stem = identifier(random, IdentifierCase::snake, 2, 4);
  } else if (style < 92) {
    stem = words(random, 1, 2, true) + " " + std::to_string(random.between(2018, 2024));
  } else if (style < 96) {
    stem = identifier(random, IdentifierCase::pascal, 2, 3);
  } else {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "scan%04d", static_cast<int>(random.between(1, 9999)));
    stem = buffer;
  }
  return withExtension(std::move(stem), extension);
}

std::string sourceName(Random& random, Language language) {
  std::string stem;
  switch (language) {
    case Language::python:
    case Language::rust:
    case Language::shell:
      stem = identifier(random, IdentifierCase::snake, 1, 3);
      break;
    case Language::go:
      stem = identifier(random, IdentifierCase::snake, 1, 2);
      break;
    case Language::javascript:
    case Language::typescript:
      stem = random.percent(60) ? identifier(random, IdentifierCase::camel, 1, 3)
                                : identifier(random, IdentifierCase::kebab, 1, 3);
      if (random.percent(10)) stem += ".test";
      break;
    case Language::cpp:
    case Language::cppHeader:
      stem = random.percent(70) ? identifier(random, IdentifierCase::snake, 1, 3)
                                : identifier(random, IdentifierCase::pascal, 1, 3);
      break;
  }
  return withExtension(std::move(stem), extensionOf(language));
}

std::string pictureName(Random& random, std::string_view extension) {
  char buffer[64];
  switch (random.below(4)) {
    case 0:
      std::snprintf(buffer, sizeof buffer, "IMG_%04d", static_cast<int>(random.between(1, 9999)));
      return withExtension(buffer, extension);
    case 1:
      std::snprintf(buffer, sizeof buffer, "DSC%05d", static_cast<int>(random.between(1, 99999)));
      return withExtension(buffer, extension);
    case 2:
      std::snprintf(
          buffer, sizeof buffer, " at %02d.%02d.%02d", static_cast<int>(random.between(8, 22)),
          static_cast<int>(random.between(0, 59)), static_cast<int>(random.between(0, 59)));
      return withExtension("Screenshot " + isoDate(random) + buffer, extension);
    default:
      return withExtension(identifier(random, IdentifierCase::kebab, 1, 3), extension);
  }
}

std::string folderName(Random& random, bool lower) {
  if (lower) return identifier(random, IdentifierCase::kebab, 1, 2);
  return words(random, 1, 2, true);
}

std::string_view extensionOf(Language language) {
  switch (language) {
    case Language::python:
      return "py";
    case Language::javascript:
      return "js";
    case Language::typescript:
      return "ts";
    case Language::cpp:
      return "cpp";
    case Language::cppHeader:
      return "h";
    case Language::rust:
      return "rs";
    case Language::go:
      return "go";
    case Language::shell:
      return "sh";
  }
  return "txt";
}

}  // namespace quorvale::bench
