// The calculator's recursive-descent grammar over doubles, applied after the text has been
// normalised (lower case, thousands separators removed, white space collapsed to single spaces).
//
//   expression := term { ("+" | "-") term }
//   term       := unary { ("*" | "/" | "mod" | implicit) unary }   implicit: before "(" or a
//                 letter, the next power is multiplied in ("2pi", "3(4+1)", "2 sqrt(9)")
//   unary      := ("-" | "+") unary | power                        -2^2 is -4
//   power      := postfix [ "^" unary ]                            2^3^2 is 512
//   postfix    := atom { "%" | "!" }
//   atom       := number | "(" expression ")" | constant | name "(" [ arguments ] ")"
//
// Spaces between tokens are skipped. Internal to the calculator; pure and safe on any thread.
#pragma once

#include <optional>
#include <string_view>

namespace quorvale::Calculator {

// The value of the whole text (trailing spaces allowed). Nothing on a syntax error, an unknown
// name, a domain error, a division or remainder by zero, a non-finite power or function
// result, or brackets nested deeper than `kMaxBracketDepth`.
std::optional<double> parseExpression(std::string_view text);

}  // namespace quorvale::Calculator
