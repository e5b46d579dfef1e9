#include "index/result_explainer.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorvale {
namespace {

FileRecord fileAt(const std::string& path, Date modified = 1'700'000'000) {
  return FileRecord::make({.path = path, .size = 10, .modified = modified});
}

TEST(ResultExplainerTest, TermsAreSortedIntoNameFolderAndElsewhere) {
  FileRecord record = fileAt("/home/ana/Taxes/BudgetPlan.xlsx");
  EXPECT_EQ(ResultExplainer::explain(record, "taxes budget zebra", std::nullopt),
            "The file name contains “budget”. The folder path contains “taxes”. The words appear "
            "inside the file, or Quorvale matched a close spelling or a part of the name.");
  EXPECT_EQ(ResultExplainer::explain(record, "budget spreadsheets", std::nullopt),
            "The file name contains “budget”. You asked for spreadsheets files.");
  EXPECT_EQ(ResultExplainer::explain(record, "", std::nullopt), "");
}

TEST(ResultExplainerTest, UsesAreCountedInSingularAndPlural) {
  FileRecord record = fileAt("/a/report.pdf");
  EXPECT_EQ(ResultExplainer::explain(record, "report", 1),
            "The file name contains “report”. You have opened it 1 time, which lifts it.");
  EXPECT_EQ(ResultExplainer::explain(record, "report", 3),
            "The file name contains “report”. You have opened it 3 times, which lifts it.");
  EXPECT_EQ(ResultExplainer::explain(record, "report", 0), "The file name contains “report”.");
}

TEST(ResultExplainerTest, NewestOfTheShownFilesIsMostRecentlyChanged) {
  const std::string recent = "It is one of your most recently changed files.";
  FileRecord newer = fileAt("/a/new.txt", 2000), older = fileAt("/a/old.txt", 1000),
             tie = fileAt("/a/tie.txt", 2000);
  std::vector<FileRecord> shown{older, newer, tie};
  EXPECT_EQ(ResultExplainer::explain(newer, "", std::nullopt, shown), recent);
  EXPECT_EQ(ResultExplainer::explain(tie, "", std::nullopt, shown), recent);
  EXPECT_EQ(ResultExplainer::explain(older, "", std::nullopt, shown), "");
  // Alone in the list, or without a list, there is nothing to compare with.
  EXPECT_EQ(ResultExplainer::explain(newer, "", std::nullopt, std::vector<FileRecord>{newer}), "");
}

}  // namespace
}  // namespace quorvale
