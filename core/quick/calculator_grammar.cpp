#include "quick/calculator_grammar.h"

#include <cmath>
#include <utility>
#include <vector>

#include "quick/calculator.h"
#include "quick/calculator_functions.h"
#include "quick/number_format.h"

namespace quorvale::Calculator {
namespace {

using Value = std::optional<double>;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// One parse of one text. Every rule returns nothing on failure and the failure propagates to
// the top; the position is meaningless after a failure.
class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  Value whole() {
    Value value = expression();
    skipSpaces();
    return value && pos_ == text_.size() ? value : std::nullopt;
  }

 private:
  Value expression() {
    Value left = term();
    while (left) {
      skipSpaces();
      if (take('+')) {
        Value right = term();
        left = right ? Value(*left + *right) : std::nullopt;
      } else if (take('-')) {
        Value right = term();
        left = right ? Value(*left - *right) : std::nullopt;
      } else {
        break;
      }
    }
    return left;
  }

  Value term() {
    Value left = unary();
    while (left) {
      skipSpaces();
      if (take('*')) {
        left = times(left, unary());
      } else if (take('/')) {
        Value right = unary();
        left = right && *right != 0 ? Value(*left / *right) : std::nullopt;
      } else if (takeWord("mod")) {
        Value right = unary();
        left = right && *right != 0 ? Value(std::fmod(*left, *right)) : std::nullopt;
      } else if (peek() == '(' || isLetter(peek())) {
        left = times(left, power());
      } else {
        break;
      }
    }
    return left;
  }

  static Value times(Value left, Value right) {
    return right ? Value(*left * *right) : std::nullopt;
  }

  Value unary() {
    skipSpaces();
    if (take('-')) {
      Value operand = unary();
      return operand ? Value(-*operand) : std::nullopt;
    }
    if (take('+')) return unary();
    return power();
  }

  Value power() {
    Value base = postfix();
    if (!base) return base;
    skipSpaces();
    if (!take('^')) return base;
    Value exponent = unary();
    if (!exponent) return exponent;
    double result = std::pow(*base, *exponent);
    return std::isfinite(result) ? Value(result) : std::nullopt;
  }

  Value postfix() {
    Value value = atom();
    while (value) {
      skipSpaces();
      if (take('%')) {
        value = *value / 100;
      } else if (take('!')) {
        value = factorial(*value);
      } else {
        break;
      }
    }
    return value;
  }

  Value atom() {
    skipSpaces();
    char c = peek();
    if (isDigit(c) || c == '.') return number();
    if (c == '(') return bracketed();
    if (isLetter(c)) return named();
    return std::nullopt;
  }

  // Digits with at most one ".", then an exponent only when "e" is followed by a digit or by a
  // sign and a digit: "2e" is 2 times e.
  Value number() {
    std::size_t start = pos_;
    bool dot = false;
    for (char c = peek(); isDigit(c) || c == '.'; c = peek()) {
      if (c == '.' && std::exchange(dot, true)) return std::nullopt;
      ++pos_;
    }
    if (peek() == 'e') {
      std::size_t digits = pos_ + 1;
      if (digits < text_.size() && (text_[digits] == '+' || text_[digits] == '-')) ++digits;
      if (digits < text_.size() && isDigit(text_[digits])) {
        pos_ = digits;
        while (isDigit(peek())) ++pos_;
      }
    }
    return number::parse(text_.substr(start, pos_ - start));
  }

  Value bracketed() {
    if (!enterBracket()) return std::nullopt;
    Value value = expression();
    skipSpaces();
    if (!value || !take(')')) return std::nullopt;
    --depth_;
    return value;
  }

  // A constant, or a function call: a name is a run of letters and digits.
  Value named() {
    std::size_t start = pos_;
    while (isLetter(peek()) || isDigit(peek())) ++pos_;
    std::string_view name = text_.substr(start, pos_ - start);
    if (Value value = constant(name)) return value;
    skipSpaces();
    if (peek() != '(' || !enterBracket()) return std::nullopt;
    std::optional<std::vector<double>> arguments = argumentList();
    if (!arguments) return std::nullopt;
    --depth_;
    return call(name, *arguments);
  }

  // After "(": nothing, or expressions separated by ",", then ")".
  std::optional<std::vector<double>> argumentList() {
    std::vector<double> arguments;
    skipSpaces();
    if (take(')')) return arguments;
    do {
      Value argument = expression();
      if (!argument) return std::nullopt;
      arguments.push_back(*argument);
      skipSpaces();
    } while (take(','));
    if (!take(')')) return std::nullopt;
    return arguments;
  }

  // Consumes "(" and counts the nesting; calls' brackets count like grouping brackets.
  bool enterBracket() {
    if (!take('(') || depth_ >= kMaxBracketDepth) return false;
    ++depth_;
    return true;
  }

  // "mod" only as a whole word: "model" is a name, "10mod3" is a remainder.
  bool takeWord(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    std::size_t after = pos_ + word.size();
    if (after < text_.size() && isLetter(text_[after])) return false;
    pos_ = after;
    return true;
  }

  char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }

  bool take(char c) {
    if (pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }

  void skipSpaces() {
    while (peek() == ' ') ++pos_;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

std::optional<double> parseExpression(std::string_view text) {
  return Parser(text).whole();
}

}  // namespace quorvale::Calculator
