#include "terminal_text.h"

#include <gtest/gtest.h>

namespace quorvale {
namespace {

TEST(TerminalText, ControlCharactersAndBadBytesAreEscapedAndTheRestKept) {
  const std::pair<std::string, std::string> cases[] = {
      {"report.pdf", "report.pdf"},
      {"Crème brûlée – 日本.txt", "Crème brûlée – 日本.txt"},
      {"two\tfields\nand a line\r", "two\\tfields\\nand a line\\r"},
      {"\x1b]0;owned\x07\x1b[2J", "\\x1B]0;owned\\x07\\x1B[2J"},
      {"del\x7f", "del\\x7F"},
      {"csi \xc2\x9b"
       "31m",
       "csi \\u009B31m"},  // the 8-bit CSI, as UTF-8
      {"latin1 \xe9t\xe9", "latin1 \\xE9t\\xE9"},
      {"back\\slash\\t", "back\\\\slash\\\\t"},  // a literal "\t" stays apart from a tab
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(terminal_text::escaped(text), shown) << text;
}

}  // namespace
}  // namespace quorvale
