#include "scan/rtf_text.h"

#include <gtest/gtest.h>

#include <tuple>

namespace quorvale {
namespace {

TEST(RtfText, ReadsDocuments) {
  // What each case shows, the document, and its text.
  const std::tuple<const char*, std::string, std::string> cases[] = {
      {"paragraphs", R"({\rtf1\ansi Hello\par World})", "Hello\nWorld"},
      {"line and tab", R"({\rtf1 a\line b\tab c})", "a\nb\tc"},
      {"control word ends at its space", R"({\rtf1\b bold\b0  plain})", "bold plain"},
      {"escaped characters", R"({\rtf1 \{x\} a\\b})", "{x} a\\b"},
      {"nested groups", R"({\rtf1 a{b{\i c}d}e})", "abcde"},
      {"hex byte, Windows-1252", R"({\rtf1\ansi\ansicpg1252 caf\'e9 \'80})", "café €"},
      {"hex byte, Cyrillic code page", R"({\rtf1\ansi\ansicpg1251 \'cc\'e8\'f0})", "Мир"},
      {"font charset selects the code page",
       R"({\rtf1\ansi{\fonttbl{\f0 Arial;}{\f1\fcharset204 Arial Cyr;}}\f0 a \f1\'cc\f0  b})",
       "a М b"},
      {"double-byte characters", R"({\rtf1{\fonttbl{\f1\fcharset128 MS Mincho;}}\f1\'82\'a0})",
       "あ"},
      {"unicode with one fallback", R"({\rtf1 caf\u233?})", "café"},
      {"unicode with two fallbacks", R"({\rtf1\uc2 \u8364\'80\'80 5})", "€ 5"},
      {"fallback hex bytes are skipped", R"({\rtf1 \u8217\'92s})", "’s"},
      {"no fallback", R"({\rtf1\uc0 \u8364 x})", "€x"},
      {"negative unicode value", R"({\rtf1 \u-4064?})", "\uF020"},
      {"surrogate pair", R"({\rtf1 \u-10179?\u-8704?})", "😀"},
      {"special characters", R"({\rtf1 \emdash\~\bullet\ldblquote q\rdblquote})", "—\u00A0•“q”"},
      {"skipped tables",
       R"({\rtf1{\fonttbl\f0 Helvetica;}{\colortbl;\red0\green0\blue0;}{\stylesheet{\s0 Normal;}})"
       R"({\info{\title T}{\author A}}Body})",
       "Body"},
      {"starred destinations", R"({\rtf1{\*\generator Writer 1.0;}{\*\unknown x{y}}Text})", "Text"},
      {"pictures and headers", R"({\rtf1{\pict\pngblip 89504e47}{\header Page}Text})", "Text"},
      {"field instruction and result",
       R"({\rtf1{\field{\*\fldinst HYPERLINK "http://x"}{\fldrslt Link}}})", "Link"},
      {"binary data skipped", R"({\rtf1 x\bin4 }}}}y})", "xy"},
      {"raw line breaks ignored", "{\\rtf1 one\r\ntwo}", "onetwo"},
      {"backslash newline is a paragraph", "{\\rtf1 one\\\ntwo}", "one\ntwo"},
      // The RTF fuzz target feeds every other damage.
      {"truncated, keeps its text", R"({\rtf1 Hello {\b wor)", "Hello wor"},
  };
  for (const auto& [what, rtf, text] : cases) {
    EXPECT_EQ(rtfPlainText(rtf), std::optional<std::string>(text)) << what;
  }
}

TEST(RtfText, RefusesWhatIsNotRtf) {
  EXPECT_FALSE(rtfPlainText("plain text"));
  EXPECT_FALSE(rtfPlainText(""));
  EXPECT_EQ(rtfPlainText("\xEF\xBB\xBF  {\\rtf1 ok}"), "ok");
}

TEST(RtfText, DeepNestingNeitherCrashesNorHidesTheRest) {
  std::string rtf = "{\\rtf1 before ";
  rtf += std::string(100'000, '{') + "deep" + std::string(100'000, '}');
  rtf += " after}";
  std::optional<std::string> text = rtfPlainText(rtf);
  ASSERT_TRUE(text);
  EXPECT_TRUE(text->starts_with("before "));
  EXPECT_TRUE(text->ends_with(" after"));

  // Unclosed: every group stays open to the end.
  EXPECT_TRUE(rtfPlainText("{\\rtf1 " + std::string(100'000, '{') + "x").has_value());
}

}  // namespace
}  // namespace quorvale
