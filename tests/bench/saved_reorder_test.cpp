#include "saved_reorder.h"

#include <gtest/gtest.h>

#include "output/result_json.h"

namespace vesk::bench {
namespace {

OcrLine Line(std::string text, int32_t left, int32_t top, int32_t right, int32_t orientation = 0) {
  OcrLine line;
  line.text = std::move(text);
  line.score = 0.5f;
  line.orientation = orientation;
  line.box = {IntPoint{left, top}, IntPoint{right, top}, IntPoint{right, top + 20}, IntPoint{left, top + 20}};
  return line;
}

std::vector<std::string> Texts(const std::vector<OcrLine>& lines) {
  std::vector<std::string> texts;
  for (const OcrLine& line : lines) texts.push_back(line.text);
  return texts;
}

// Documents are built by the worker's own writer, escapes and barcodes included.
TEST(SavedReorderTest, ReadsTheLinesTheWorkerWrites) {
  BarcodeResult code;
  code.format = "QRCode";
  code.text = "not a line";
  const std::vector<OcrLine> lines{Line("say \"hi\"\t\\ \x01 \xE4\xBD\xA0", 10, 20, 90), Line("b", 5, 60, 50, 180)};
  const auto parsed = ParseJsonLines(BuildResultJson(ResultMeta{}, lines, {code}));
  ASSERT_TRUE(parsed);
  ASSERT_EQ(parsed->size(), 2u);
  EXPECT_EQ(Texts(*parsed), Texts(lines));
  EXPECT_EQ((*parsed)[1].orientation, 180);
  EXPECT_EQ((*parsed)[1].box, lines[1].box);
  EXPECT_EQ(ParseJsonLines(BuildResultJson(ResultMeta{}, {}, {code}))->size(), 0u);
  EXPECT_FALSE(ParseJsonLines("{}"));
}

// A label and its value form one line in the layout order, a piece turned otherwise starts its own, and
// the column order keeps every box a line.
TEST(SavedReorderTest, OrdersAndJoinsAsTheWorkerDoes) {
  const std::vector<OcrLine> saved{Line("Size", 10, 10, 60), Line("4 KB", 300, 10, 360), Line("Name", 10, 50, 70),
                                   Line("a.txt", 300, 50, 360, 180)};
  EXPECT_EQ(Texts(Reorder(saved, ReadingOrder::Layout, {})), (std::vector<std::string>{"Size\t4 KB", "Name", "a.txt"}));
  EXPECT_EQ(Texts(Reorder(saved, ReadingOrder::Columns, {})).size(), 4u);
  EXPECT_EQ(OrderOfArguments({"--cls=0", "--order", "layout"}), ReadingOrder::Layout);
  EXPECT_EQ(OrderOfArguments({"--order=layout", "--order=columns"}), ReadingOrder::Columns);
}

}  // namespace
}  // namespace vesk::bench
