#include "semantic/semantic_text.h"

#include <gtest/gtest.h>

#include <tuple>

namespace quorvale {
namespace {

TEST(SemanticTextTest, TitleInWordsThenTheStartOfTheContent) {
  using Text = std::optional<std::string>;
  std::string longNote = "Meeting notes about   the budget\n\nfor the next quarter and beyond";
  const std::tuple<std::string, Text, Text> cases[] = {
      {"quarterlyReport_2024.pdf", std::nullopt, "quarterly Report 2024"},
      {"budget-plan.docx", std::string("Short."), "budget plan. Short."},
      {"meeting.txt", longNote,
       "meeting. Meeting notes about the budget for the next quarter and beyond"},
      // A note whose content adds fewer than 30 characters gets nothing.
      {"todo.txt", std::string("milk and eggs"), std::nullopt},
      {"photo.jpg", std::string("a long enough description of the picture"), std::nullopt},
  };
  for (const auto& [name, content, expected] : cases) {
    EXPECT_EQ(SemanticText::make(name, content, name.substr(name.rfind('.') + 1)), expected)
        << name;
  }
  std::string huge(1000, 'a');
  EXPECT_EQ(SemanticText::make("x.pdf", huge, "pdf")->size(), 3 + 400u);
}

TEST(SemanticTextTest, CodeIsSummarisedByItsCommentsAndDeclaredNames) {
  std::string source =
      "#!/usr/bin/env python3\n"
      "import os\n"
      "from pathlib import Path\n"
      "\n"
      "# Reads invoices and totals them.\n"
      "def parseInvoice(path):\n"
      "    return open(path).read()\n"
      "class InvoiceTotals:\n";
  EXPECT_EQ(SemanticText::codeSummary(source),
            "Reads invoices and totals them. parse Invoice Invoice Totals");
  EXPECT_EQ(SemanticText::make("billing.py", source, "py"),
            "billing. Reads invoices and totals them. parse Invoice Invoice Totals");
  EXPECT_EQ(SemanticText::declaredName("export default async function loadAll() {"), "load All");
  EXPECT_EQ(SemanticText::declaredName("return value"), std::nullopt);
  EXPECT_EQ(SemanticText::make("tiny.py", std::string("import os\nx = 1\n"), "py"), std::nullopt);
}

}  // namespace
}  // namespace quorvale
