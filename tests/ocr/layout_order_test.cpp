#include "ocr/layout_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "ocr/named_boxes.h"

namespace vesk {
namespace {

using test::Box;
using test::IdList;
using test::Ids;

// A line of text 20 pixels high whose top is at y.
DetBox Line(float x, float y, float width, float id) { return Box(x, y, x + width, y + 20, id); }

IdList Range(float first, float last) {
  IdList ids;
  for (float id = first; id <= last; ++id) ids.push_back(id);
  return ids;
}

// Detection hands boxes over in raster order of their tops; the order must not depend on it.
std::vector<DetBox> InDetectionOrder(std::vector<DetBox> boxes) {
  std::stable_sort(boxes.begin(), boxes.end(), [](const DetBox& a, const DetBox& b) {
    return a.points[0].y < b.points[0].y || (a.points[0].y == b.points[0].y && a.points[0].x < b.points[0].x);
  });
  return boxes;
}

std::vector<DetBox> Concat(std::vector<DetBox> a, const std::vector<DetBox>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

IdList Read(const std::vector<DetBox>& boxes) { return Ids(OrderBoxesByLayout(InDetectionOrder(boxes)).boxes); }

std::vector<DetBox> BarsAroundASidebarAndItsPage() {
  std::vector<DetBox> boxes = {
      Line(40, 10, 260, 1),                                                                  // title bar
      Line(40, 50, 50, 2), Line(110, 50, 60, 3), Line(190, 50, 50, 4), Line(1500, 50, 100, 5),  // tool bar
  };
  // Sidebar items and page lines at different pitches, so that their rows never quite match.
  for (int i = 0; i < 4; ++i) boxes.push_back(Line(40, 110 + 44.0f * i, 90 + 10.0f * i, 6 + i));
  for (int i = 0; i < 6; ++i) boxes.push_back(Line(400, 118 + 36.0f * i, 600 - 8.0f * i, 10 + i));
  boxes.push_back(Line(40, 400, 60, 16));  // status bar
  boxes.push_back(Line(700, 400, 100, 17));
  boxes.push_back(Line(1450, 400, 150, 18));
  return boxes;
}

std::vector<DetBox> FolderListLeftOfAFileTable() {
  std::vector<DetBox> boxes;
  for (int i = 0; i < 6; ++i) boxes.push_back(Line(20, 100 + 40.0f * i, 90 + 7.0f * i, 1 + i));
  float id = 7;
  for (int row = 0; row < 9; ++row) {
    const float y = 100 + 28.0f * row;
    boxes.push_back(Line(200, y, 180 - 9.0f * row, id++));
    boxes.push_back(Line(500 + 4.0f * (row % 3), y, 46 - 4.0f * (row % 3), id++));
    boxes.push_back(Line(620, y, 70, id++));
  }
  return boxes;
}

std::vector<DetBox> SidebarLeftOfAPaneOfAnotherPitch() {
  std::vector<DetBox> boxes;
  for (int i = 0; i < 5; ++i) boxes.push_back(Line(20, 100 + 40.0f * i, 90, 1 + i));
  for (int i = 0; i < 7; ++i) boxes.push_back(Line(300, 106 + 33.0f * i, 500, 6 + i));
  return boxes;
}

// The sidebar goes on below the page's end: its later items follow closely and keep to their side.
std::vector<DetBox> SidebarLongerThanThePage() {
  std::vector<DetBox> boxes;
  for (int i = 0; i < 8; ++i) boxes.push_back(Line(20, 100 + 40.0f * i, 90 + 5.0f * i, 1 + i));
  for (int i = 0; i < 4; ++i) boxes.push_back(Line(300, 104 + 30.0f * i, 400 - 9.0f * i, 9 + i));
  return boxes;
}

std::vector<DetBox> SidebarRightOfRunningText() {
  std::vector<DetBox> boxes;
  for (int i = 0; i < 8; ++i) boxes.push_back(Line(40, 40 + 40.0f * i, 580 - (i == 7 ? 300 : 3.0f * i), 1 + i));
  boxes.push_back(Line(700, 45, 120, 9));
  boxes.push_back(Line(700, 85, 90, 10));
  boxes.push_back(Line(700, 125, 140, 11));
  return boxes;
}

// Sidebar items every 32 pixels beside table rows every 34: their rows drift apart and back, a few pixels
// at a time, where the cells of the table share theirs exactly. The header has no name cell.
std::vector<DetBox> SidebarBesideATableOfNearlyTheSamePitch() {
  std::vector<DetBox> boxes = {Box(13, 53, 58, 78, 1)};  // "Places"
  for (int i = 0; i < 8; ++i) boxes.push_back(Box(17, 93 + 32.0f * i, 90 + 6.0f * (i % 4), 121 + 32.0f * i, 2 + i));
  boxes.push_back(Box(1033, 55, 1063, 75, 10));
  boxes.push_back(Box(1119, 57, 1153, 77, 11));
  boxes.push_back(Box(1378, 54, 1440, 76, 12));
  float id = 13;
  for (int row = 0; row < 10; ++row) {
    const float y = 89 + 34.0f * row;
    boxes.push_back(Box(295, y, 430 + 7.0f * (row % 5), y + 24, id++));
    boxes.push_back(Box(1040 + 3.0f * (row % 3), y, 1096, y + 24, id++));
    boxes.push_back(Box(1147, y, 1240, y + 24, id++));
    boxes.push_back(Box(1409, y, 1540, y + 24, id++));
  }
  return boxes;
}

// A heading above the table; row numbers, left-aligned text, right-aligned numbers and a sparse column.
std::vector<DetBox> TableWithEmptyCells() {
  std::vector<DetBox> boxes = {Line(20, 10, 300, 1)};
  float id = 2;
  for (int row = 0; row < 7; ++row) {
    const float y = 60 + 30.0f * row;
    boxes.push_back(Line(20, y, 20, id++));
    boxes.push_back(Line(80, y, 120 - 10.0f * row, id++));
    boxes.push_back(Line(300 - 8.0f * row, y, 40 + 8.0f * row, id++));
    if (row == 2 || row == 4) boxes.push_back(Line(400, y, 60, id++));
  }
  return boxes;
}

// Two text columns between a headline and a footer that span them.
std::vector<DetBox> TextColumns(float width, float pitch, float stagger) {
  std::vector<DetBox> boxes = {Line(40, 20, 860, 1)};
  for (int i = 0; i < 6; ++i) boxes.push_back(Line(40, 80 + pitch * i, width - (i == 5 ? 80 : 3.0f * i), 2 + i));
  for (int i = 0; i < 6; ++i) {
    boxes.push_back(Line(500, 80 + stagger + pitch * i, width - (i == 2 ? 90 : 2.0f * i), 8 + i));
  }
  boxes.push_back(Line(40, 300, 860, 14));
  return boxes;
}

std::vector<DetBox> FormWithButtons() {
  return {Line(20, 10, 80, 1),                                                 // dialog title
          Line(20, 60, 70, 2),  Line(200, 60, 110, 3), Line(420, 58, 100, 4),  // Printer: | value | Properties
          Line(20, 100, 55, 5), Line(200, 100, 30, 6),                         // Pages: | All
          Line(20, 140, 60, 7), Line(200, 140, 12, 8),                         // Copies: | 1
          Line(20, 180, 95, 9), Line(200, 180, 25, 10),                        // Paper size: | A4
          Line(380, 240, 50, 11), Line(450, 240, 70, 12)};                     // Print | Cancel
}

// A top bar with items at both ends above two rows of three cards: a title, two lines of text that
// share their rows with the cards beside, a tag and a date on the card's right.
std::vector<DetBox> RowsOfCards() {
  std::vector<DetBox> boxes = {Line(20, 10, 60, 1), Line(1500, 10, 80, 2)};
  float id = 3;
  for (int row = 0; row < 2; ++row) {
    for (int card = 0; card < 3; ++card) {
      const float x = 20 + 540.0f * card, y = 100 + 260.0f * row;
      boxes.insert(boxes.end(), {Line(x, y, 120, id), Line(x, y + 40, 400, id + 1), Line(x, y + 64, 380, id + 2),
                                 Line(x, y + 110, 40, id + 3), Line(x + 420, y + 110, 60, id + 4)});
      id += 5;
    }
  }
  return boxes;
}

// A conversation list (name and time, a preview below) beside bubbles on both sides, each with its time
// below it; the list's rows and the bubbles' lines fall at unrelated heights.
std::vector<DetBox> ConversationListBesideAChat() {
  std::vector<DetBox> boxes;
  float id = 1;
  for (int i = 0; i < 6; ++i) {
    const float y = 20 + 44.0f * i;
    boxes.insert(boxes.end(), {Line(10, y, 80, id), Line(220, y, 40, id + 1), Line(10, y + 18, 150, id + 2)});
    id += 3;
  }
  for (int i = 0; i < 5; ++i) {
    const float x = i % 2 == 0 ? 320 : 900, y = 30 + 80.0f * i;
    boxes.insert(boxes.end(), {Line(x, y, 560, id), Line(x, y + 22, 400, id + 1), Line(x, y + 46, 40, id + 2)});
    id += 3;
  }
  return boxes;
}

// A terminal at x: a prompt, then rows of fields whose last one runs across the others' gaps. Tiles of
// one font share their rows.
std::vector<DetBox> Terminal(float x, float y, float id) {
  std::vector<DetBox> boxes = {Line(x, y, 300, id)};
  for (int row = 1; row < 6; ++row) {
    const float top = y + 22.0f * row, first = id + 3.0f * row - 2;
    boxes.insert(boxes.end(),
                 {Line(x, top, 120, first), Line(x + 150, top, 60, first + 1), Line(x + 240, top, 80, first + 2)});
  }
  return boxes;
}

// ls -l: the file names are as long and as tightly set as lines of text, a character after the times.
std::vector<DetBox> Listing() {
  std::vector<DetBox> boxes = {Line(0, 0, 200, 1)};
  for (int row = 0; row < 8; ++row) {
    const float y = 22.0f + 22.0f * row, id = 2 + 3.0f * row;
    boxes.insert(boxes.end(),
                 {Line(0, y, 180, id), Line(200, y, 90, id + 1), Line(300, y, 260 + 10.0f * (row % 4), id + 2)});
  }
  return boxes;
}

// A screen whose boxes are named 1, 2, 3, ... in the order a person reads them.
struct Screen {
  const char* what;
  std::vector<DetBox> boxes;
};

const std::vector<Screen>& Screens() {
  static const std::vector<Screen> screens = {
      {"one row, left to right whatever the gaps between its boxes",
       {Line(400, 0, 30, 3), Line(0, 2, 100, 1), Line(105, 1, 40, 2), Line(900, 0, 80, 4)}},
      {"overlapping boxes leave no gap to cut at: tight lines of a paragraph, then two pieces of one line",
       {Box(0, 0, 500, 30, 1), Box(0, 24, 480, 54, 2), Box(0, 48, 200, 78, 3), Box(0, 72, 210, 102, 4),
        Box(190, 74, 400, 100, 5)}},
      {"title, tool and status bars stay where they are around a sidebar and its page",
       BarsAroundASidebarAndItsPage()},
      {"a folder list left of a file table whose rows it does not share is a pane", FolderListLeftOfAFileTable()},
      {"a sidebar left of a pane whose lines come at another pitch", SidebarLeftOfAPaneOfAnotherPitch()},
      {"a sidebar that goes on below the page beside it", SidebarLongerThanThePage()},
      {"running text, then the sidebar right of it", SidebarRightOfRunningText()},
      {"a sidebar whose rows nearly match a table's is still a pane", SidebarBesideATableOfNearlyTheSamePitch()},
      // A list on the left, properties on the right, and between them a label whose text begins below
      // the panes' headings and goes on below a picture, long after the properties have ended.
      {"a pane that starts and ends between two others",
       {Box(17, 51, 97, 75, 1),       Box(18, 84, 172, 112, 2),     Box(21, 121, 109, 145, 3),
        Box(21, 157, 143, 181, 4),    Box(20, 192, 114, 220, 5),    Box(19, 227, 88, 256, 6),
        Box(697, 125, 925, 149, 7),   Box(695, 147, 969, 177, 8),   Box(697, 217, 767, 243, 9),
        Box(699, 251, 888, 286, 10),  Box(700, 296, 910, 324, 11),  Box(696, 334, 994, 368, 12),
        Box(699, 379, 1015, 409, 13), Box(883, 569, 1037, 593, 14), Box(697, 605, 971, 629, 15),
        Box(697, 877, 1145, 907, 16), Box(1618, 52, 1718, 72, 17),  Box(1615, 85, 1657, 113, 18),
        Box(1737, 87, 1845, 111, 19), Box(1616, 122, 1652, 146, 20), Box(1738, 122, 1780, 146, 21),
        Box(1618, 156, 1680, 178, 22), Box(1739, 151, 1827, 184, 23), Box(1618, 190, 1676, 212, 24),
        Box(1737, 189, 1825, 213, 25)}},
      // The end of the site name lines up with the end of the sidebar's first heading by chance.
      {"a navigation bar stays a bar above sidebar, page and contents",
       {Box(48, 32, 254, 70, 1),       Box(330, 34, 427, 65, 2),      Box(458, 32, 638, 70, 3),
        Box(673, 32, 813, 71, 4),      Box(2040, 32, 2232, 70, 5),    Box(39, 153, 252, 185, 6),
        Box(48, 200, 200, 237, 7),     Box(53, 253, 227, 291, 8),     Box(51, 307, 208, 344, 9),
        Box(35, 366, 133, 402, 10),    Box(49, 417, 157, 453, 11),    Box(540, 156, 903, 213, 12),
        Box(536, 234, 1320, 280, 13),  Box(536, 312, 1600, 358, 14),  Box(538, 362, 1425, 401, 15),
        Box(538, 445, 793, 483, 16),   Box(2237, 152, 2397, 189, 17), Box(2239, 202, 2396, 233, 18),
        Box(2239, 249, 2495, 281, 19), Box(2238, 293, 2369, 337, 20)}},
      {"a form reads each label, then its value", FormWithButtons()},
      {"a table is read row by row, also with empty cells", TableWithEmptyCells()},
      {"wide text columns, lines side by side", TextColumns(400, 30, 0)},
      {"wide text columns, lines staggered", TextColumns(400, 30, 11)},
      {"narrow text columns of tightly set lines", TextColumns(190, 22, 0)},
      {"cards card by card, a row of cards left to right, then the next row", RowsOfCards()},
      {"a conversation list in full, then the chat", ConversationListBesideAChat()},
      {"a listing whose file names read like text, row by row", Listing()},
      {"terminals side by side whose rows line up, each in full", Concat(Terminal(0, 0, 1), Terminal(700, 0, 17))},
      {"terminals tiled two by two, a row of them at a time",
       Concat(Concat(Terminal(0, 0, 1), Terminal(700, 0, 17)), Concat(Terminal(0, 160, 33), Terminal(700, 160, 49)))},
      {"chat bubbles on both sides keep their turns, with a gap between the sides",
       {Line(20, 20, 180, 1), Line(20, 45, 120, 2), Line(400, 90, 180, 3), Line(20, 140, 150, 4),
        Line(400, 190, 170, 5), Line(430, 215, 140, 6), Line(20, 260, 90, 7)}},
      {"chat bubbles whose long messages reach across the middle",
       {Line(20, 20, 420, 1), Line(20, 45, 300, 2), Line(200, 90, 380, 3), Line(20, 140, 450, 4),
        Line(160, 190, 420, 5)}},
  };
  return screens;
}

TEST(LayoutOrderTest, ScreensAreReadAsAPersonReadsThemWhateverOrderTheBoxesComeIn) {
  std::mt19937 random(7);
  for (const Screen& screen : Screens()) {
    SCOPED_TRACE(screen.what);
    const IdList expected = Range(1, static_cast<float>(screen.boxes.size()));
    EXPECT_EQ(Read(screen.boxes), expected);
    std::vector<DetBox> shuffled = screen.boxes;
    for (int round = 0; round < 3; ++round) {
      std::shuffle(shuffled.begin(), shuffled.end(), random);
      EXPECT_EQ(Ids(OrderBoxesByLayout(shuffled).boxes), expected);
    }
  }
}

// The reading as text: the boxes' names, a line a row, the pieces of a row joined by tabs.
std::string Lines(const OrderedBoxes& ordered) {
  std::string text;
  for (size_t i = 0; i < ordered.boxes.size(); ++i) {
    if (i > 0) text += ordered.joins[i] == LineJoin::Continues ? '\t' : '\n';
    text += std::to_string(static_cast<int>(ordered.boxes[i].score));
  }
  return text;
}

TEST(LayoutOrderTest, PiecesOfOneRowOfTextJoinAndRowsOfDifferentPanesNever) {
  // A terminal's process table: fields of one height a few characters apart, a narrower "%CPU" box.
  std::vector<DetBox> terminal;
  for (int row = 0; row < 3; ++row) {
    const float y = 24.0f * row, id = 1 + 4.0f * row;
    terminal.insert(terminal.end(), {Line(0, y, 90, id), Box(130, y + 2, 170, y + 18, id + 1), Line(200, y, 30, id + 2),
                                     Line(260, y, 140 - 20.0f * row, id + 3)});
  }
  const struct {
    const char* what;
    std::vector<DetBox> boxes;
    std::string lines;
  } cases[] = {
      {"a terminal table, row by row", terminal, "1\t2\t3\t4\n5\t6\t7\t8\n9\t10\t11\t12"},
      {"a form: each label with its value; the buttons", FormWithButtons(),
       "1\n2\t3\t4\n5\t6\n7\t8\n9\t10\n11\t12"},
      {"a folder list beside a file table, its first item on the table's first row",
       FolderListLeftOfAFileTable(), "1\n2\n3\n4\n5\n6\n7\t8\t9\n10\t11\t12\n13\t14\t15\n16\t17\t18\n"
                                     "19\t20\t21\n22\t23\t24\n25\t26\t27\n28\t29\t30\n31\t32\t33"},
      {"a justified line split in two between lines of its paragraph",
       {Line(0, 0, 600, 1), Line(0, 30, 280, 2), Line(300, 30, 300, 3), Line(0, 60, 450, 4)}, "1\n2\t3\n4"},
      // Rows whose centres lie half a line apart, and a figure four times the height of its label.
      {"boxes beside each other that are not one line",
       {Box(0, 0, 200, 20, 1), Box(260, 12, 400, 32, 2), Box(0, 100, 100, 120, 3), Box(140, 80, 400, 160, 4)},
       "1\n2\n3\n4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Lines(OrderBoxesByLayout(InDetectionOrder(c.boxes))), c.lines);
  }
  // The lines of cards side by side share their rows, but no line joins the card beside it; the
  // conversation list's names join their times, never a bubble's line.
  std::string cards = "1\t2";
  for (int id = 3; id <= 32; ++id) cards += "\n" + std::to_string(id);
  EXPECT_EQ(Lines(OrderBoxesByLayout(InDetectionOrder(RowsOfCards()))), cards);
  const std::string chat = Lines(OrderBoxesByLayout(InDetectionOrder(ConversationListBesideAChat())));
  EXPECT_EQ(chat.substr(0, 12), "1\t2\n3\n4\t5\n6\n");
  EXPECT_EQ(std::count(chat.begin(), chat.end(), '\t'), 6);
}

// Two screens side by side, their bars at the same heights: each is read in full, left then right. A
// picture not known to be wider than a screen is read as one screen, bar by bar.
TEST(LayoutOrderTest, ScreensSideBySideAreReadOneAfterTheOther) {
  std::vector<DetBox> boxes;
  for (int screen = 0; screen < 2; ++screen) {
    const float x = 1280.0f * screen, id = 1 + 10.0f * screen;
    boxes.insert(boxes.end(), {Line(x + 20, 10, 1200, id), Line(x + 20, 60, 150, id + 1), Line(x + 20, 84, 130, id + 2),
                               Line(x + 20, 108, 170, id + 3), Line(x + 300, 60, 900, id + 4),
                               Line(x + 300, 84, 880, id + 5), Line(x + 20, 990, 1200, id + 6)});
  }
  EXPECT_EQ(Ids(OrderBoxesByLayout(InDetectionOrder(boxes), {2560, 1024}).boxes),
            (IdList{1, 2, 3, 4, 5, 6, 7, 11, 12, 13, 14, 15, 16, 17}));
  // A screen of 1920 beside one of 1280: the gutter between the left one's text and its sidebar is far
  // wider than the margins at the seam, and holds where screens of equal width would meet.
  std::vector<DetBox> wide;
  for (int i = 0; i < 6; ++i) wide.push_back(Line(40, 100 + 30.0f * i, 640, 1 + i));
  for (int i = 0; i < 4; ++i) wide.push_back(Line(1700, 100 + 40.0f * i, 180, 7 + i));
  for (int i = 0; i < 5; ++i) wide.push_back(Line(1935, 100 + 40.0f * i, 200, 11 + i));
  for (int i = 0; i < 4; ++i) wide.push_back(Line(2300, 110 + 30.0f * i, 800, 16 + i));
  EXPECT_EQ(Ids(OrderBoxesByLayout(InDetectionOrder(wide), {3200, 1080}).boxes), Range(1, 19));
  EXPECT_EQ(Ids(OrderBoxesByLayout(InDetectionOrder(boxes), {1280, 1024}).boxes).front(), 1.0f);
  EXPECT_NE(Ids(OrderBoxesByLayout(InDetectionOrder(boxes), {1280, 1024}).boxes)[1], 2.0f);
}

TEST(LayoutOrderTest, NoBoxOneBoxAndIdenticalBoxes) {
  EXPECT_TRUE(OrderBoxesByLayout({}).boxes.empty());
  EXPECT_EQ(Read({Line(5, 5, 50, 1)}), IdList{1});
  // Identical boxes keep the order they came in.
  EXPECT_EQ(Ids(OrderBoxesByLayout({Line(0, 0, 50, 1), Line(0, 0, 50, 2), Line(0, 0, 50, 3)}).boxes), (IdList{1, 2, 3}));
}

TEST(LayoutOrderTest, EveryBoxComesOutOnceWhateverTheInput) {
  std::mt19937 random(13);
  std::uniform_real_distribution<float> x(0, 1000), y(0, 800), w(5, 400), h(8, 40);
  for (int page = 0; page < 50; ++page) {
    std::vector<DetBox> boxes;
    const int count = 1 + page * 4;
    for (int i = 0; i < count; ++i) {
      const float x0 = x(random), y0 = y(random);
      boxes.push_back(Box(x0, y0, x0 + w(random), y0 + h(random), static_cast<float>(i)));
    }
    IdList ids = Ids(OrderBoxesByLayout(boxes).boxes);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, Range(0, static_cast<float>(count - 1)));
  }
}

TEST(LayoutOrderTest, NestBeyondTheDepthLimitIsStillReadWhole) {
  // A text column beside the rest, whose top row is a bar above the next column and its rest, and so
  // on: every level of the nest costs two cuts, and forty levels go past the depth at which the
  // reading falls back to rows. Rows stand as close as lines of text, so that no row is a bar, and the
  // columns further apart than the fields of a listing.
  std::vector<DetBox> boxes;
  const int levels = 40;
  float id = 0;
  for (int k = 0; k < levels; ++k) {
    for (int row = k; row < levels; ++row) {
      boxes.push_back(Box(300.0f * k, 30.0f * row, 300.0f * k + 200, 30.0f * row + 20, id++));
    }
    boxes.push_back(Box(300.0f * (k + 1), 30.0f * k, 300.0f * (levels + 1), 30.0f * k + 20, id++));
  }
  const IdList ids = Ids(OrderBoxesByLayout(boxes).boxes);
  // The outer levels are read as columns and bars: the first column, top to bottom, then its bar.
  ASSERT_GT(ids.size(), 41u);
  EXPECT_EQ(IdList(ids.begin(), ids.begin() + 41), Range(0, 40));
  IdList sorted = ids;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, Range(0, id - 1));
}

}  // namespace
}  // namespace vesk
