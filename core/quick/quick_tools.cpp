#include "quick/quick_tools.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>

#include "quick/case_styles.h"
#include "quick/colors.h"
#include "quick/digests.h"
#include "quick/encodings.h"
#include "quick/epoch.h"
#include "quick/percent_encoding.h"
#include "quick/typed_text.h"
#include "util/platform_profile.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

using quick::DigestAlgorithm;

struct Request {
  std::string_view word;  // the command word, lower-cased
  std::string_view rest;  // everything after the first space, as typed
  quick::Seconds now;
  const quick::RandomSource& random;
  const quick::LocalZone& zone;
};

using Tool = std::optional<QuickTool> (*)(const Request&);

struct Command {
  std::array<std::string_view, 4> words;  // unused places are empty
  bool needsText;
  Tool tool;
};

constexpr long long kMostUuids = 10;
constexpr std::size_t kLongestCommandWord = 9;  // "timestamp", "uppercase", "urlencode", ...

std::optional<QuickTool> uuids(const Request& request) {
  const long long count =
      std::clamp<long long>(typed::decimalInteger(request.rest).value_or(1), 1, kMostUuids);
  std::string lines;
  for (long long i = 0; i < count; ++i) {
    if (i > 0) lines += '\n';
    lines += quick::newUuid(request.random);
  }
  return copyAnswer(std::move(lines),
                    count == 1 ? std::string("New UUID") : std::to_string(count) + " new UUIDs");
}

QuickTool decodedAnswer(std::string decoded) {
  return copyAnswer(std::move(decoded), "Base64 decoded");
}

std::optional<QuickTool> base64(const Request& request) {
  const std::string lowered = unicode::lowercased(request.rest);
  if (lowered.starts_with("decode ") || lowered.starts_with("d ")) {
    const std::string_view encoded = request.rest.substr(request.rest.find(' ') + 1);
    if (auto decoded = quick::decodeBase64(encoded)) return decodedAnswer(std::move(*decoded));
    return QuickTool{.title = "Not valid base64", .subtitle = "Nothing to copy", .copy = ""};
  }
  const std::string_view plain =
      lowered.starts_with("encode ") ? request.rest.substr(7) : request.rest;
  return copyAnswer(quick::base64Encoded(plain), "Base64 encoded");
}

std::optional<QuickTool> unbase64(const Request& request) {
  auto decoded = quick::decodeBase64(request.rest);
  if (!decoded) return std::nullopt;
  return decodedAnswer(std::move(*decoded));
}

std::optional<QuickTool> urlEncode(const Request& request) {
  auto encoded = percentEncoded(request.rest, urlUnreserved);
  return copyAnswer(encoded.value_or(std::string(request.rest)), "URL encoded");
}

std::optional<QuickTool> urlDecode(const Request& request) {
  auto decoded = percentDecoded(request.rest);
  return copyAnswer(decoded.value_or(std::string(request.rest)), "URL decoded");
}

template <DigestAlgorithm algorithm>
std::optional<QuickTool> digest(const Request& request) {
  auto hex = quick::hash(algorithm, request.rest);
  if (!hex) return std::nullopt;
  return copyAnswer(std::move(*hex), unicode::uppercased(request.word) + " of the text");
}

std::optional<QuickTool> unixTime(const Request& request) {
  if (request.rest.empty()) {
    // A clock this far off is broken; there is no honest answer to give.
    if (!(std::fabs(request.now) < 1e17)) return std::nullopt;
    const auto seconds = static_cast<long long>(std::trunc(request.now));
    return copyAnswer(std::to_string(seconds), "Unix time now");
  }
  auto conversion = quick::epoch(request.rest, request.zone);
  if (!conversion) return std::nullopt;
  return copyAnswer(std::move(conversion->result), conversion->label);
}

// A conversion of the rest. Text without words ("snake !!!") still gets the tool's row, with
// nothing to copy.
template <std::string (*convert)(std::string_view), const char* what>
std::optional<QuickTool> converted(const Request& request) {
  return copyAnswer(convert(request.rest), what);
}

// camelCase needs at least one word to answer at all.
std::optional<QuickTool> camel(const Request& request) {
  std::string result = quick::camelCased(request.rest);
  if (result.empty()) return std::nullopt;
  return copyAnswer(std::move(result), "camelCase");
}

constexpr char kUppercase[] = "Uppercase";
constexpr char kLowercase[] = "Lowercase";
constexpr char kTitleCase[] = "Title case";
constexpr char kSlug[] = "URL slug";
constexpr char kSnake[] = "snake_case";
constexpr char kKebab[] = "kebab-case";

std::optional<QuickTool> count(const Request& request) {
  const std::size_t words = quick::wordCount(request.rest);
  const std::size_t characters = quick::characterCount(request.rest);
  return QuickTool{.title = std::to_string(words) + (words == 1 ? " word, " : " words, ") +
                            std::to_string(characters) + " characters",
                   .subtitle = "Return to copy the text back",
                   .copy = std::string(request.rest)};
}

std::optional<QuickTool> newPassword(const Request& request) {
  const long long length =
      request.rest.empty()
          ? quick::kDefaultPasswordLength
          : typed::decimalInteger(request.rest).value_or(quick::kDefaultPasswordLength);
  std::string secret = quick::password(length, request.random);
  QuickTool tool{.title = secret,
                 .subtitle = "Random " + std::to_string(secret.size()) +
                             "-character password, made on this " +
                             std::string(platformProfile().machine) + std::string(kReturnToCopy),
                 .copy = secret,
                 .secret = true};
  return tool;
}

// In the order the command word is tested.
constexpr std::array kCommands{
    Command{{"uuid", "guid"}, false, uuids},
    Command{{"base64", "b64"}, true, base64},
    Command{{"unbase64"}, true, unbase64},
    Command{{"urlencode", "urlenc"}, true, urlEncode},
    Command{{"urldecode", "urldec"}, true, urlDecode},
    Command{{"sha256"}, true, digest<DigestAlgorithm::sha256>},
    Command{{"sha1"}, true, digest<DigestAlgorithm::sha1>},
    Command{{"sha512"}, true, digest<DigestAlgorithm::sha512>},
    Command{{"md5"}, true, digest<DigestAlgorithm::md5>},
    Command{{"epoch", "timestamp", "unix"}, false, unixTime},
    Command{{"upper", "uppercase"}, true, converted<unicode::uppercased, kUppercase>},
    Command{{"lower", "lowercase"}, true, converted<unicode::lowercased, kLowercase>},
    Command{{"title", "titlecase"}, true, converted<quick::titleCased, kTitleCase>},
    Command{{"slug"}, true, converted<quick::slug, kSlug>},
    Command{{"snake"}, true, converted<quick::snakeCased, kSnake>},
    Command{{"kebab"}, true, converted<quick::kebabCased, kKebab>},
    Command{{"camel"}, true, camel},
    Command{{"count"}, true, count},
    Command{{"password", "pw"}, false, newPassword},
};

const Command* commandNamed(std::string_view word) {
  for (const Command& command : kCommands) {
    if (std::find(command.words.begin(), command.words.end(), word) != command.words.end()) {
      return &command;
    }
  }
  return nullptr;
}

bool tooLong(std::string_view text) {
  return text.size() > QuickTools::kMaxCharacters &&
         unicode::characterCount(text) > QuickTools::kMaxCharacters;
}

std::optional<QuickTool> answerValid(std::string_view text, quick::Seconds now,
                                     const quick::RandomSource& random,
                                     const quick::LocalZone& zone) {
  const std::string_view trimmed = unicode::trimmedWhitespace(text);
  if (trimmed.empty()) return std::nullopt;
  if (auto colour = quick::color(trimmed)) return colour;

  const std::size_t space = trimmed.find(' ');
  const std::string_view typedWord = trimmed.substr(0, space);
  if (typedWord.size() > kLongestCommandWord * 4) return std::nullopt;  // 4 bytes a letter at most
  const std::string word = unicode::lowercased(typedWord);
  const Command* command = commandNamed(word);
  if (command == nullptr) return std::nullopt;
  const std::string_view rest =
      space == std::string_view::npos ? std::string_view() : trimmed.substr(space + 1);
  if (command->needsText && rest.empty()) return std::nullopt;
  return command->tool(
      Request{.word = word, .rest = rest, .now = now, .random = random, .zone = zone});
}

}  // namespace

std::optional<QuickTool> QuickTools::answer(std::string_view text, quick::Seconds now,
                                            const quick::RandomSource& random,
                                            const quick::LocalZone& zone) {
  // A row is a convenience: a failure anywhere below (even a random source that throws) only
  // means there is no row.
  try {
    if (tooLong(text)) return std::nullopt;
    if (unicode::isValidUtf8(text)) return answerValid(text, now, random, zone);
    return answerValid(unicode::toValidUtf8(text), now, random, zone);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace quorvale
