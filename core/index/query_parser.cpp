#include "index/query_parser.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "util/unicode.h"

namespace quorvale::QueryParser {
namespace {

// A token on its way to becoming a term. Literal tokens (quoted phrases, name: values) are
// words to find as written: they never turn into exclusions, dates or kinds.
struct Token {
  std::string text;
  bool literal = false;
};

std::string withoutQuotes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '"') out += c;
  }
  return out;
}

bool isWrappedInQuotes(std::string_view text, std::size_t minimumCharacters) {
  return text.size() >= 2 && text.front() == '"' && text.back() == '"' &&
         unicode::characterCount(text) >= minimumCharacters;
}

bool takeOrs(std::vector<std::string>& tokens, Query& query) {
  auto isOr = [](const std::string& token) { return token == "OR"; };
  if (std::find_if(tokens.begin(), tokens.end(), isOr) == tokens.end()) return false;
  std::erase_if(tokens, isOr);
  if (tokens.size() >= 2) {
    query.matchAny = true;
    query.exact = true;
  }
  return true;
}

std::optional<FileKind> kindNamed(const std::string& value) {
  std::string lower = unicode::lowercased(value);
  for (FileKind kind : allFileKinds) {
    if (rawValue(kind) == lower) return kind;
  }
  const auto& words = fileKindWords();
  if (auto found = words.find(lower); found != words.end()) return found->second;
  return std::nullopt;
}

struct Context {
  Query& query;
  std::vector<Token>& tokens;
  Date now;
  const icu::Calendar& calendar;
};

// Applies one field token; false when it stays an ordinary word.
bool applyField(const std::string& field, const std::string& value, Context& context) {
  Query& query = context.query;
  if (value.empty()) return false;
  if (field == "name") {
    context.tokens.push_back({value, true});
    query.nameOnly = true;
    query.exact = true;
    return true;
  }
  if (field == "size") return parseSize(value, query);
  if (field == "kind" || field == "type") {
    auto kind = kindNamed(value);
    if (kind) query.kind = kind;
    return kind.has_value();
  }
  if (field == "ext") {
    std::string extension(unicode::trimmedAscii(unicode::lowercased(value), "."));
    if (extension.empty()) return false;
    query.extensions.insert(std::move(extension));
    return true;
  }
  if (field == "in") {
    query.folder = value;
    return true;
  }
  if (field == "modified" || field == "changed") {
    auto range = dateRange(unicode::lowercased(value), context.now, context.calendar);
    if (!range) return false;
    query.modifiedAfter = range->first;
    query.modifiedBefore = range->second;
    return true;
  }
  if (field == "after" || field == "since" || field == "before") {
    auto date = isoDate(value, context.calendar);
    if (!date) return false;
    (field == "before" ? query.modifiedBefore : query.modifiedAfter) = *date;
    return true;
  }
  return false;
}

// Quoted phrases and field tokens; everything else becomes an ordinary token without quotes.
void readToken(const std::string& token, Context& context) {
  if (isWrappedInQuotes(token, 3)) {
    context.tokens.push_back({token.substr(1, token.size() - 2), true});
    context.query.exact = true;
    return;
  }
  if (std::size_t colon = token.find(':'); colon != std::string::npos && colon > 0) {
    std::string field = unicode::lowercased(withoutQuotes(token.substr(0, colon)));
    std::string value = token.substr(colon + 1);
    bool quoted = isWrappedInQuotes(value, 2);
    value = quoted ? value.substr(1, value.size() - 2) : withoutQuotes(value);
    if (quoted) context.query.exact = true;
    if (applyField(field, value, context)) return;
  }
  std::string plain = withoutQuotes(token);
  if (!plain.empty()) context.tokens.push_back({std::move(plain), false});
}

bool isExclusion(const Token& token) {
  if (token.literal || token.text.size() < 2 || token.text[0] != '-') return false;
  std::u32string scalars = unicode::scalars(token.text);
  return unicode::isLetter(scalars[1]) || unicode::isDigit(scalars[1]);
}

// Every exclusion is kept (the cap on words does not apply): a typed exclusion is never dropped
// without a trace.
void takeExclusions(std::vector<Token>& tokens, Query& query) {
  std::vector<std::string> excluded;
  bool ordinaryLeft = false;
  for (const Token& token : tokens) {
    if (!isExclusion(token)) {
      ordinaryLeft = true;
      continue;
    }
    excluded.push_back(
        unicode::prefixCharacters(unicode::lowercased(token.text.substr(1)), kMaxTermCharacters));
  }
  if (excluded.empty()) return;
  // Nothing but exclusions and no filter ("-draft"): they stay words to find. With a filter
  // ("-draft kind:text") they exclude from the filtered files.
  if (!ordinaryLeft && query.isEmpty()) return;
  std::erase_if(tokens, isExclusion);
  query.excluded = std::move(excluded);
  query.exact = true;
}

struct DatePhrase {
  std::array<std::string_view, 2> words;
  std::string_view dateWord;
};

constexpr std::array<DatePhrase, 6> kDatePhrases = {{
    {{"last", "week"}, "lastweek"},
    {{"last", "month"}, "lastmonth"},
    {{"this", "week"}, "thisweek"},
    {{"this", "month"}, "thismonth"},
    {{"yesterday", ""}, "yesterday"},
    {{"today", ""}, "today"},
}};

// Where the phrase's words stand as consecutive ordinary tokens, if anywhere.
std::optional<std::size_t> findPhrase(const std::vector<std::string>& lower,
                                      const std::vector<Token>& tokens, const DatePhrase& phrase) {
  std::size_t length = phrase.words[1].empty() ? 1 : 2;
  for (std::size_t i = 0; i + length <= tokens.size(); ++i) {
    bool matches = true;
    for (std::size_t k = 0; k < length; ++k) {
      matches = matches && !tokens[i + k].literal && lower[i + k] == phrase.words[k];
    }
    if (matches) return i;
  }
  return std::nullopt;
}

void takeDatePhrase(Context& context) {
  Query& query = context.query;
  if (query.modifiedAfter) return;
  std::vector<std::string> lower;
  for (const Token& token : context.tokens) lower.push_back(unicode::lowercased(token.text));
  for (const DatePhrase& phrase : kDatePhrases) {
    auto at = findPhrase(lower, context.tokens, phrase);
    if (!at) continue;
    auto range = dateRange(phrase.dateWord, context.now, context.calendar);
    if (!range) return;
    query.modifiedAfter = range->first;
    query.modifiedBefore = range->second;
    auto first = context.tokens.begin() + static_cast<std::ptrdiff_t>(*at);
    context.tokens.erase(first, first + (phrase.words[1].empty() ? 1 : 2));
    return;
  }
}

void takeKindWord(std::vector<Token>& tokens, Query& query) {
  if (query.kind || tokens.size() < 2) return;
  const auto& words = fileKindWords();
  for (std::size_t i = tokens.size() - 1; i >= 1; --i) {
    if (tokens[i].literal) continue;
    std::string lower = unicode::lowercased(tokens[i].text);
    if (auto found = words.find(lower); found != words.end()) {
      query.kind = found->second;
      query.kindWord = lower;
      tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
}

}  // namespace

Query parse(std::string_view text, Date now, const icu::Calendar& calendar) {
  Query query;
  query.raw = std::string(text);
  std::vector<std::string> pieces = splitKeepingQuotes(text);
  takeOrs(pieces, query);

  std::vector<Token> tokens;
  Context context{query, tokens, now, calendar};
  for (const std::string& piece : pieces) readToken(piece, context);

  takeExclusions(tokens, query);
  takeDatePhrase(context);
  takeKindWord(tokens, query);

  for (const Token& token : tokens) {
    if (query.terms.size() == kMaxTerms) break;
    query.terms.push_back(
        unicode::prefixCharacters(unicode::lowercased(token.text), kMaxTermCharacters));
  }
  return query;
}

bool parseSize(std::string_view value, Query& query) {
  std::string text = unicode::lowercased(value);
  std::string_view rest = text;
  bool upper = false;
  if (rest.starts_with('>')) {
    rest.remove_prefix(1);
  } else if (rest.starts_with('<')) {
    upper = true;
    rest.remove_prefix(1);
  } else if (rest.starts_with('=')) {
    rest.remove_prefix(1);
  }

  double unit = 1;
  constexpr std::array<std::pair<std::string_view, double>, 4> kUnits = {
      {{"gb", 1e9}, {"mb", 1e6}, {"kb", 1e3}, {"b", 1}}};
  for (const auto& [suffix, factor] : kUnits) {
    if (rest.ends_with(suffix)) {
      rest.remove_suffix(suffix.size());
      unit = factor;
      break;
    }
  }
  if (rest.empty()) return false;

  double number = 0;
  auto [end, error] =
      std::from_chars(rest.data(), rest.data() + rest.size(), number, std::chars_format::fixed);
  if (error != std::errc() || end != rest.data() + rest.size()) return false;
  double bytes = std::round(number * unit);
  // 2^63 is the first double past the signed 64-bit range.
  if (!std::isfinite(bytes) || bytes >= 9223372036854775808.0 || bytes < -9223372036854775808.0) {
    return false;
  }
  (upper ? query.maxSize : query.minSize) = static_cast<int64_t>(bytes);
  return true;
}

}  // namespace quorvale::QueryParser
