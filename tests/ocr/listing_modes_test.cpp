#include "ocr/listing_modes.h"

#include <gtest/gtest.h>

#include "named_boxes.h"

namespace vesk {
namespace {

using test::Box;

// The first column of an `ls -l` listing: one box a row, 17 pixels apart.
struct Listing {
  std::vector<DetBox> boxes;
  std::vector<std::string> texts;

  void Add(std::string text, float left = 44.0f, float width = 75.0f) {
    const float top = 100.0f + 17.0f * static_cast<float>(boxes.size());
    boxes.push_back(Box(left, top, left + width, top + 16.0f, 0.9f));
    texts.push_back(std::move(text));
  }
  std::vector<std::string> Read() {
    std::vector<const DetBox*> pointers;
    for (const DetBox& b : boxes) pointers.push_back(&b);
    std::vector<std::string> out = texts;
    ReadListingModes(out, pointers);
    return out;
  }
};

TEST(ReadListingModesTest, AModeWithPlacesLostReadsAsTheOneModeOfItsListingItFits) {
  Listing ls;
  ls.Add("drwxr-xr-x");
  ls.Add("-rw-r--r--");
  ls.Add("drx-x-x");
  ls.Add("druxr-x -x", 45.0f, 76.0f);
  ls.Add("-rw-------");
  ls.Add("- --");          // fits both file modes, and holds no letter: stays
  ls.Add("-r x -xr-x");    // no whole "-rwxr-xr-x" in the listing: stays
  EXPECT_EQ(ls.Read(), (std::vector<std::string>{"drwxr-xr-x", "-rw-r--r--", "drwxr-xr-x", "drwxr-xr-x",
                                                 "-rw-------", "- --", "-r x -xr-x"}));
}

TEST(ReadListingModesTest, TextOutsideTheModeColumnOrWithoutWholeModesStays) {
  Listing ls;
  ls.Add("drwxr-xr-x");
  ls.Add("drx-x-x", 120.0f);        // starts elsewhere
  ls.Add("drx-x-x", 44.0f, 40.0f);  // narrower than a mode
  ls.Add("dress");                  // a word
  ls.Add("rwx-");                   // no type first
  EXPECT_EQ(ls.Read(), (std::vector<std::string>{"drwxr-xr-x", "drx-x-x", "drx-x-x", "dress", "rwx-"}));

  Listing far;
  far.Add("drx-x-x");
  for (int i = 0; i < 21; ++i) far.Add("README.md");
  far.Add("drwxr-xr-x");  // more than twenty heights below
  EXPECT_EQ(far.Read().front(), "drx-x-x");

  Listing rules;
  rules.Add("----------");
  rules.Add("----x");
  EXPECT_EQ(rules.Read(), (std::vector<std::string>{"----------", "----x"}));
}

}  // namespace
}  // namespace vesk
