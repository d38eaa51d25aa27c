#include "accuracy_report.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace vesk::bench {
namespace {

PageResult Page(size_t chars, size_t ordered, size_t anyOrder, size_t lines, size_t read) {
  PageResult p;
  p.score.referenceChars = chars;
  p.score.orderedEdits = ordered;
  p.score.anyOrderEdits = anyOrder;
  p.score.referenceLines = lines;
  p.score.linesRead = read;
  p.orientationKnown = true;
  return p;
}

std::string Printed(const std::vector<Screenshot>& shots, const std::vector<WorkerConfig>& configs,
                    const std::vector<std::vector<PageResult>>& results) {
  std::FILE* file = std::tmpfile();
  PrintTable(file, shots, configs, results);
  std::string text(static_cast<size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  text.resize(std::fread(text.data(), 1, text.size(), file));
  std::fclose(file);
  return text;
}

// Totals are sums of edits over sums of reference characters (not means of page rates), the peak is the
// largest, and a failed page is named under the table.
TEST(AccuracyReportTest, TotalsWeighPagesByTheirText) {
  std::vector<Screenshot> shots(2);
  shots[0].name = "small";
  shots[1].name = "large";
  PageResult small = Page(100, 50, 20, 10, 8);
  small.turns = {1, 1, 2};
  small.peakBytes = 300 << 20;
  PageResult large = Page(300, 30, 0, 30, 30);
  large.problem = "exit code 4: Recognition failed";
  large.peakBytes = 100 << 20;
  const std::vector<WorkerConfig> configs{{"cfg", {"--cls=0"}}};
  const std::vector<std::vector<PageResult>> results{{small, large}};

  const std::string table = Printed(shots, configs, results);
  const size_t total = table.find("\ntotal");
  ASSERT_NE(total, std::string::npos) << table;
  const std::string totalRow = table.substr(total, table.find('\n', total + 1) - total);
  EXPECT_NE(totalRow.find("20.0%"), std::string::npos) << totalRow;  // (50 + 30) / 400
  EXPECT_NE(totalRow.find("5.0%"), std::string::npos) << totalRow;   // (20 + 0) / 400
  EXPECT_NE(totalRow.find("95.0%"), std::string::npos) << totalRow;  // 38 / 40 lines
  EXPECT_NE(totalRow.find("1/1+2"), std::string::npos) << totalRow;
  EXPECT_NE(totalRow.find("300M"), std::string::npos) << totalRow;
  EXPECT_NE(table.find("large: exit code 4: Recognition failed"), std::string::npos);
  EXPECT_NE(table.find("worker arguments: --cls=0"), std::string::npos);

  const std::string json = SummaryJson(shots, configs, results);
  EXPECT_NE(json.find("\"total\": { \"failures\": 1, \"reference_chars\": 400, \"ordered_edits\": 80, "
                      "\"any_order_edits\": 20, \"ordered_cer\": 0.20000"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"problem\": \"exit code 4: Recognition failed\""), std::string::npos);
}

// Per family the figures are summed over its screenshots, in family order; screenshots without a family
// form "-"; the cost of the order is order minus any over the family's text.
TEST(AccuracyReportTest, FamiliesSumTheirScreenshots) {
  std::vector<Screenshot> shots(4);
  shots[0].family = "table";
  shots[1].family = "chat";
  shots[2].family = "table";
  const std::vector<PageResult> pages{Page(100, 30, 10, 10, 9), Page(50, 5, 5, 5, 5), Page(300, 10, 10, 20, 20),
                                      Page(10, 1, 1, 1, 1)};
  const std::vector<FamilyFigures> families = SumByFamily(shots, pages);
  ASSERT_EQ(families.size(), 3u);
  EXPECT_EQ(families[0].family, "-");
  EXPECT_EQ(families[1].family, "chat");
  EXPECT_EQ(families[2].family, "table");
  EXPECT_EQ(families[2].screenshots, 2u);
  EXPECT_EQ(families[2].referenceChars, 400u);
  EXPECT_EQ(families[2].orderedEdits, 40u);
  EXPECT_EQ(families[2].anyOrderEdits, 20u);
  EXPECT_EQ(families[2].linesRead, 29u);

  std::FILE* file = std::tmpfile();
  PrintFamilyTable(file, shots, {{"columns", {}}, {"layout", {}}}, {pages, pages});
  std::string table(static_cast<size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  table.resize(std::fread(table.data(), 1, table.size(), file));
  std::fclose(file);
  const size_t row = table.find("\ntable");
  ASSERT_NE(row, std::string::npos) << table;
  EXPECT_NE(table.substr(row, table.find('\n', row + 1) - row).find("10.0%   5.0%    5.0"), std::string::npos)
      << table;
  const size_t total = table.find("\ntotal");
  ASSERT_NE(total, std::string::npos) << table;
  EXPECT_NE(table.substr(total).find("10.0%   5.7%    4.3  97.2%"), std::string::npos) << table;  // 46, 26 of 460
}

}  // namespace
}  // namespace vesk::bench
