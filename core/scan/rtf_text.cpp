#include "scan/rtf_text.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <utility>
#include <vector>

#include "scan/rtf_codepage.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

// Deeper groups are read as skipped text: real documents nest a few dozen levels.
constexpr std::size_t kMaxDepth = 1000;
constexpr long kMaxParameter = 1'000'000'000;
constexpr std::size_t kMaxWordLength = 32;

enum class Destination { body, fontTable, skipped };

struct GroupState {
  Destination destination = Destination::body;
  int unicodeSkip = 1;  // fallback characters after each \uN (\ucN)
  int font = -1;        // -1: the document's default font (\deffN)
};

struct ControlWord {
  std::string_view name;
  bool hasParameter = false;
  long parameter = 0;
};

bool isSkippedDestination(std::string_view word) {
  // clang-format off
  static constexpr std::array<std::string_view, 44> kWords = {
      "colortbl", "stylesheet", "info", "pict", "object", "objdata", "header", "headerl",
      "headerr", "headerf", "footer", "footerl", "footerr", "footerf", "fldinst", "themedata",
      "colorschememapping", "latentstyles", "datastore", "xmlnstbl", "listtable",
      "listoverridetable", "rsidtbl", "revtbl", "filetbl", "generator", "private", "nonshppict",
      "xe", "tc", "txe", "bkmkstart", "bkmkend", "datafield", "ftnsep", "ftnsepc", "ftncn",
      "aftnsep", "aftnsepc", "aftncn", "pgdsctbl", "pn", "template", "userprops"};
  // clang-format on
  return std::find(kWords.begin(), kWords.end(), word) != kWords.end();
}

std::string_view textOfWord(std::string_view word) {
  static const std::unordered_map<std::string_view, std::string_view> kTexts = {
      {"par", "\n"},          {"line", "\n"},        {"sect", "\n"},        {"page", "\n"},
      {"row", "\n"},          {"tab", "\t"},         {"cell", "\t"},        {"emdash", "\u2014"},
      {"endash", "\u2013"},   {"emspace", "\u2003"}, {"enspace", "\u2002"}, {"qmspace", "\u2005"},
      {"bullet", "\u2022"},   {"lquote", "\u2018"},  {"rquote", "\u2019"},  {"ldblquote", "\u201C"},
      {"rdblquote", "\u201D"}};
  auto found = kTexts.find(word);
  return found == kTexts.end() ? std::string_view() : found->second;
}

bool isLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

int hexValue(char c) {
  if (isDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class RtfReader {
 public:
  explicit RtfReader(std::string_view input) : in_(input) { stack_.emplace_back(); }

  std::string read() {
    while (pos_ < in_.size()) {
      char c = in_[pos_++];
      switch (c) {
        case '{':
          openGroup();
          break;
        case '}':
          closeGroup();
          break;
        case '\\':
          readControl();
          break;
        case '\r':
        case '\n':
          break;
        default:
          if (static_cast<unsigned char>(c) >= 0x80) {
            appendByte(static_cast<unsigned char>(c));
          } else {
            appendText(std::string_view(&c, 1));
          }
      }
    }
    flushBytes();
    return std::move(out_);
  }

 private:
  GroupState& state() { return stack_.back(); }
  bool showsText() const {
    return overflow_ == 0 && stack_.back().destination == Destination::body;
  }

  void openGroup() {
    flushBytes();
    fallbackLeft_ = 0;
    if (stack_.size() >= kMaxDepth) {
      ++overflow_;
    } else {
      stack_.push_back(stack_.back());
    }
  }

  void closeGroup() {
    flushBytes();
    fallbackLeft_ = 0;
    if (overflow_ > 0) {
      --overflow_;
    } else if (stack_.size() > 1) {
      stack_.pop_back();
    }
  }

  // A \uN fallback swallows the next characters; true when this one is swallowed.
  bool swallowedByFallback() {
    if (fallbackLeft_ == 0) return false;
    --fallbackLeft_;
    return true;
  }

  void appendText(std::string_view text) {
    if (swallowedByFallback() || !showsText()) return;
    flushBytes();
    flushSurrogate();
    out_ += text;
  }

  void appendByte(unsigned char byte) {
    if (swallowedByFallback() || !showsText()) return;
    flushSurrogate();
    int codepage = currentCodepage();
    if (!pendingBytes_.empty() && codepage != pendingCodepage_) flushBytes();
    pendingCodepage_ = codepage;
    pendingBytes_ += static_cast<char>(byte);
  }

  // Bytes are decoded in runs, so that a double-byte character split over two \'hh is whole.
  void flushBytes() {
    if (pendingBytes_.empty()) return;
    out_ += decoder_.decode(pendingBytes_, pendingCodepage_);
    pendingBytes_.clear();
  }

  void flushSurrogate() {
    if (highSurrogate_ == 0) return;
    highSurrogate_ = 0;
    out_ += "\uFFFD";
  }

  int currentCodepage() const {
    int font = stack_.back().font >= 0 ? stack_.back().font : defaultFont_;
    auto found = fontCodepages_.find(font);
    return found != fontCodepages_.end() && found->second != 0 ? found->second : documentCodepage_;
  }

  void appendUnicode(long parameter) {
    fallbackLeft_ = state().unicodeSkip;
    if (!showsText()) return;
    flushBytes();
    if (parameter < 0) parameter += 65536;
    if (parameter < 0 || parameter > 0xFFFF) {
      flushSurrogate();
      out_ += "\uFFFD";
      return;
    }
    auto unit = static_cast<char32_t>(parameter);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      flushSurrogate();
      highSurrogate_ = unit;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      char32_t high = std::exchange(highSurrogate_, 0);
      out_ += high != 0 ? unicode::fromScalar(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00))
                        : "\uFFFD";
    } else {
      flushSurrogate();
      out_ += unicode::fromScalar(unit);
    }
  }

  void readControl() {
    if (pos_ >= in_.size()) return;
    char c = in_[pos_];
    if (isLetter(c)) {
      handleWord(readWord());
    } else {
      ++pos_;
      handleSymbol(c);
    }
  }

  ControlWord readWord() {
    ControlWord word;
    std::size_t start = pos_;
    while (pos_ < in_.size() && isLetter(in_[pos_])) ++pos_;
    word.name = in_.substr(start, std::min(pos_ - start, kMaxWordLength + 1));
    bool negative =
        pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() && isDigit(in_[pos_ + 1]);
    if (negative) ++pos_;
    while (pos_ < in_.size() && isDigit(in_[pos_])) {
      word.hasParameter = true;
      word.parameter = std::min(kMaxParameter, word.parameter * 10 + (in_[pos_] - '0'));
      ++pos_;
    }
    if (negative) word.parameter = -word.parameter;
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
    return word;
  }

  void handleSymbol(char c) {
    switch (c) {
      case '\'':
        return readHexByte();
      case '{':
      case '}':
      case '\\':
        return appendText(std::string_view(&in_[pos_ - 1], 1));
      case '~':
        return appendText("\u00A0");
      case '_':
        return appendText("\u2011");
      case '\r':
      case '\n':
        return appendText("\n");
      case '*':
        if (overflow_ == 0) state().destination = Destination::skipped;
        return;
      default:
        swallowedByFallback();  // \- \: \| and unknown symbols show nothing
    }
  }

  void readHexByte() {
    int high = pos_ < in_.size() ? hexValue(in_[pos_]) : -1;
    int low = pos_ + 1 < in_.size() ? hexValue(in_[pos_ + 1]) : -1;
    if (high < 0 || low < 0) return;
    pos_ += 2;
    appendByte(static_cast<unsigned char>(high * 16 + low));
  }

  void handleWord(const ControlWord& word) {
    if (word.name == "bin") return skipBinary(word.parameter);
    if (overflow_ > 0) return;
    if (state().destination == Destination::fontTable) return handleFontTableWord(word);
    if (handleDocumentWord(word)) return;
    if (word.name == "u" && word.hasParameter) return appendUnicode(word.parameter);
    if (swallowedByFallback()) return;
    std::string_view text = textOfWord(word.name);
    if (!text.empty()) return appendText(text);
    if (word.name == "fonttbl") {
      state().destination = Destination::fontTable;
    } else if (isSkippedDestination(word.name)) {
      state().destination = Destination::skipped;
    }
  }

  // Words that set reading state rather than text; true when `word` was one of them.
  bool handleDocumentWord(const ControlWord& word) {
    if (word.name == "uc") {
      state().unicodeSkip = static_cast<int>(std::clamp(word.parameter, 0L, 16L));
    } else if (word.name == "f" && word.hasParameter) {
      flushBytes();
      state().font = static_cast<int>(word.parameter);
    } else if (word.name == "deff") {
      defaultFont_ = static_cast<int>(word.parameter);
    } else if (word.name == "ansicpg" && word.parameter > 0) {
      documentCodepage_ = static_cast<int>(word.parameter);
    } else if (word.name == "ansi") {
      documentCodepage_ = 1252;
    } else if (word.name == "mac") {
      documentCodepage_ = 10000;
    } else if (word.name == "pc") {
      documentCodepage_ = 437;
    } else if (word.name == "pca") {
      documentCodepage_ = 850;
    } else {
      return false;
    }
    return true;
  }

  void handleFontTableWord(const ControlWord& word) {
    if (word.name == "f") {
      tableFont_ = static_cast<int>(word.parameter);
    } else if (word.name == "fcharset") {
      fontCodepages_[tableFont_] = codepageOfCharset(static_cast<int>(word.parameter));
    } else if (word.name == "cpg" && word.parameter > 0) {
      fontCodepages_[tableFont_] = static_cast<int>(word.parameter);
    } else if (isSkippedDestination(word.name)) {
      state().destination = Destination::skipped;
    }
  }

  // \binN is followed by N raw bytes that are data, not RTF.
  void skipBinary(long count) {
    if (count > 0) pos_ += std::min(static_cast<std::size_t>(count), in_.size() - pos_);
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  std::vector<GroupState> stack_;
  std::size_t overflow_ = 0;  // groups opened beyond kMaxDepth, still to be closed
  int fallbackLeft_ = 0;
  char32_t highSurrogate_ = 0;

  int documentCodepage_ = kDefaultRtfCodepage;
  int defaultFont_ = -1;
  int tableFont_ = -1;
  std::unordered_map<int, int> fontCodepages_;

  std::string pendingBytes_;
  int pendingCodepage_ = kDefaultRtfCodepage;
  CodepageDecoder decoder_;
  std::string out_;
};

// The document from its opening brace on, past a byte-order mark and white space; nothing when
// it does not open like RTF.
std::optional<std::string_view> documentStart(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  std::size_t start = bytes.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos || !bytes.substr(start).starts_with("{\\rtf")) {
    return std::nullopt;
  }
  return bytes.substr(start);
}

}  // namespace

std::optional<std::string> rtfPlainText(std::string_view rtf) {
  std::optional<std::string_view> document = documentStart(rtf);
  if (!document) return std::nullopt;
  return RtfReader(*document).read();
}

}  // namespace quorvale
