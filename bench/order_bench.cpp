// Times the two reading orders on box layouts built in memory: grids of table cells from a thousand
// boxes up, text columns beside a sidebar, scattered boxes and a deep nest of columns and bars.
//
//   vesk_order_bench [repetitions]
//
// Each figure is the fastest of the repetitions (default 20), in microseconds; the time per box shows
// how the cost grows with the number of boxes.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "ocr/layout_order.h"
#include "ocr/line_order.h"

namespace {

using Clock = std::chrono::steady_clock;

vesk::DetBox Box(float x0, float y0, float x1, float y1) {
  vesk::DetBox b;
  b.points = {vesk::Point2f{x0, y0}, vesk::Point2f{x1, y0}, vesk::Point2f{x1, y1}, vesk::Point2f{x0, y1}};
  return b;
}

// Table cells of varying width, 30 pixels apart from row to row.
std::vector<vesk::DetBox> Grid(int rows, int columns) {
  std::vector<vesk::DetBox> boxes;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      const float x = 120.0f * static_cast<float>(c), y = 30.0f * static_cast<float>(r);
      boxes.push_back(Box(x, y, x + 60.0f + static_cast<float>((r * 7 + c * 3) % 40), y + 20.0f));
    }
  }
  return boxes;
}

// A sidebar of short items beside three columns of running text.
std::vector<vesk::DetBox> Columns(int linesPerColumn) {
  std::vector<vesk::DetBox> boxes;
  for (int i = 0; i < linesPerColumn; ++i) {
    const float y = 26.0f * static_cast<float>(i);
    boxes.push_back(Box(10, 4 + 37.0f * static_cast<float>(i), 110, 24 + 37.0f * static_cast<float>(i)));
    for (int c = 0; c < 3; ++c) {
      const float x = 200.0f + 520.0f * static_cast<float>(c);
      boxes.push_back(Box(x, y, x + 480.0f - static_cast<float>((i * 13) % 60), y + 20.0f));
    }
  }
  return boxes;
}

std::vector<vesk::DetBox> Scattered(int count) {
  std::mt19937 random(11);
  std::uniform_real_distribution<float> x(0, 1900), y(0, 1060), w(10, 400), h(8, 40);
  std::vector<vesk::DetBox> boxes;
  for (int i = 0; i < count; ++i) {
    const float x0 = x(random), y0 = y(random);
    boxes.push_back(Box(x0, y0, x0 + w(random), y0 + h(random)));
  }
  return boxes;
}

// A column beside the rest, whose top row is a bar above the next column and its rest, and so on.
std::vector<vesk::DetBox> Nest(int levels) {
  std::vector<vesk::DetBox> boxes;
  for (int k = 0; k < levels; ++k) {
    const float fk = static_cast<float>(k);
    for (int row = k; row < levels; ++row) {
      const float y = 30.0f * static_cast<float>(row);
      boxes.push_back(Box(220.0f * fk, y, 220.0f * fk + 200.0f, y + 10.0f));
    }
    boxes.push_back(Box(220.0f * (fk + 1.0f), 30.0f * fk, 220.0f * static_cast<float>(levels + 1), 30.0f * fk + 10.0f));
  }
  return boxes;
}

double FastestMicroseconds(const std::function<void()>& run, int repetitions) {
  double best = 1e300;
  for (int i = 0; i < repetitions; ++i) {
    const auto start = Clock::now();
    run();
    best = std::min(best, std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  struct Case {
    std::string name;
    std::vector<vesk::DetBox> boxes;
  };
  const std::vector<Case> cases = {
      {"grid 40 x 25", Grid(40, 25)},        {"grid 80 x 50", Grid(80, 50)},
      {"grid 160 x 100", Grid(160, 100)},    {"sidebar + 3 text columns", Columns(250)},
      {"scattered", Scattered(1000)},         {"nest of 44 levels", Nest(44)},
  };

  std::printf("%-26s %7s %14s %14s %12s\n", "layout", "boxes", "columns (us)", "layout (us)", "layout/box");
  for (const Case& c : cases) {
    size_t sink = 0;
    const double columns = FastestMicroseconds([&] { sink += vesk::OrderBoxes(c.boxes).size(); }, repetitions);
    const double layout = FastestMicroseconds([&] { sink += vesk::OrderBoxesByLayout(c.boxes).boxes.size(); }, repetitions);
    if (sink == 0 && !c.boxes.empty()) return 1;
    std::printf("%-26s %7zu %14.1f %14.1f %12.3f\n", c.name.c_str(), c.boxes.size(), columns, layout,
                layout / static_cast<double>(c.boxes.size()));
  }
  return 0;
}
