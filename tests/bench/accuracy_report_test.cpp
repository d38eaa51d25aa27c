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

}  // namespace
}  // namespace vesk::bench
