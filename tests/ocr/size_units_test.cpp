#include "ocr/size_units.h"

#include <gtest/gtest.h>

#include "named_boxes.h"

namespace vesk {
namespace {

using test::Box;

struct Row {
  std::vector<DetBox> boxes;
  std::vector<std::string> texts;

  void Add(float x, float width, std::string text, float y = 100.0f) {
    boxes.push_back(Box(x, y, x + width, y + 16.0f, 0.9f));
    texts.push_back(std::move(text));
  }
  std::vector<std::string> Read() {
    std::vector<const DetBox*> pointers;
    for (const DetBox& b : boxes) pointers.push_back(&b);
    std::vector<std::string> out = texts;
    ReadSizeUnits(out, pointers);
    return out;
  }
};

// A row of `df -h`: the G of one size read as a 6 beside two sizes read well.
TEST(ReadSizeUnitsTest, ASixAmongSizesInGigabytesIsAG) {
  Row df;
  df.Add(10, 70, "/dev/sda2");
  df.Add(100, 30, "916G");
  df.Add(140, 30, "1906");
  df.Add(180, 30, "330G");
  df.Add(220, 30, "5.16");
  df.Add(260, 30, "73%");
  EXPECT_EQ(df.Read(), (std::vector<std::string>{"/dev/sda2", "916G", "190G", "330G", "5.1G", "73%"}));
}

TEST(ReadSizeUnitsTest, NumbersThatNeedNotBeSizesStay) {
  // One size only; a number longer than a size; a number whose nearest neighbour is no size; sizes of
  // another terminal further along the row; sizes on the next row.
  Row one;
  one.Add(100, 30, "916G");
  one.Add(140, 30, "1906");
  Row longer;
  longer.Add(100, 30, "916G");
  longer.Add(140, 30, "330G");
  longer.Add(180, 60, "8252146");
  Row apart;
  apart.Add(100, 30, "916G");
  apart.Add(140, 30, "330G");
  apart.Add(180, 30, "Jan");
  apart.Add(220, 30, "2026");
  Row panes;
  panes.Add(100, 30, "1906");
  panes.Add(400, 30, "916G");
  panes.Add(440, 30, "330G");
  Row next;
  next.Add(100, 30, "916G", 120);
  next.Add(140, 30, "330G", 120);
  next.Add(180, 30, "1906");
  for (Row* row : {&one, &longer, &apart, &panes, &next}) EXPECT_EQ(row->Read(), row->texts);
}

}  // namespace
}  // namespace vesk
