#include "ocr/detection_tiles.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <deque>

namespace vesk {

namespace {

constexpr int32_t kTileMultiple = 64;

// One axis of the plan: where each tile starts, all tiles `size` long.
struct AxisPlan {
  int32_t size = 0;
  std::vector<int32_t> starts;
};

AxisPlan PlanAxis(int32_t length, int32_t side, int32_t overlap) {
  AxisPlan plan;
  if (length <= side) {
    plan.size = length;
    plan.starts.push_back(0);
    return plan;
  }
  const int64_t n = (static_cast<int64_t>(length) - overlap + (side - overlap) - 1) / (side - overlap);
  // The smallest even split that keeps the overlap, rounded up to whole padding blocks where the side
  // allows: n * size - (n - 1) * overlap >= length holds either way.
  const int64_t even = (length + (n - 1) * overlap + n - 1) / n;
  const int64_t rounded = (even + kTileMultiple - 1) / kTileMultiple * kTileMultiple;
  plan.size = static_cast<int32_t>(std::min<int64_t>(side, rounded));
  for (int64_t k = 0; k < n; ++k) {
    plan.starts.push_back(static_cast<int32_t>(k * (length - plan.size) / (n - 1)));
  }
  return plan;
}

// Where tile k's kept part begins: the middle of its overlap with tile k - 1.
int32_t KeepStart(const AxisPlan& plan, size_t k) {
  if (k == 0) return 0;
  return (plan.starts[k] + plan.starts[k - 1] + plan.size) / 2;
}

}  // namespace

std::vector<DetectionTile> PlanTiles(int32_t gridW, int32_t gridH, int32_t tileSide, int32_t overlap) {
  std::vector<DetectionTile> tiles;
  if (gridW <= 0 || gridH <= 0 || tileSide <= 0) return tiles;
  overlap = std::clamp(overlap, 0, tileSide / 2);
  const AxisPlan columns = PlanAxis(gridW, tileSide, overlap);
  const AxisPlan rows = PlanAxis(gridH, tileSide, overlap);
  for (size_t r = 0; r < rows.starts.size(); ++r) {
    for (size_t c = 0; c < columns.starts.size(); ++c) {
      DetectionTile tile;
      tile.x = columns.starts[c];
      tile.y = rows.starts[r];
      tile.width = columns.size;
      tile.height = rows.size;
      tile.keepX0 = KeepStart(columns, c);
      tile.keepY0 = KeepStart(rows, r);
      tile.keepX1 = c + 1 < columns.starts.size() ? KeepStart(columns, c + 1) : gridW;
      tile.keepY1 = r + 1 < rows.starts.size() ? KeepStart(rows, r + 1) : gridH;
      tiles.push_back(tile);
    }
  }
  return tiles;
}

MergedProbabilityMap::MergedProbabilityMap(int32_t width, int32_t height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      wordsPerRow_((static_cast<size_t>(width_) + 63) / 64),
      text_(wordsPerRow_ * static_cast<size_t>(height_), 0),
      values_(static_cast<size_t>(height_)) {}

bool MergedProbabilityMap::IsText(int32_t x, int32_t y) const {
  return (text_[static_cast<size_t>(y) * wordsPerRow_ + static_cast<size_t>(x) / 64] >> (x % 64)) & 1u;
}

size_t MergedProbabilityMap::TextBefore(int32_t x, int32_t y) const {
  const uint64_t* row = text_.data() + static_cast<size_t>(y) * wordsPerRow_;
  size_t count = 0;
  for (size_t w = 0; w < static_cast<size_t>(x) / 64; ++w) count += static_cast<size_t>(std::popcount(row[w]));
  if (x % 64 != 0) count += static_cast<size_t>(std::popcount(row[x / 64] & ((uint64_t{1} << (x % 64)) - 1)));
  return count;
}

void MergedProbabilityMap::Keep(const DetectionTile& tile, const float* prob, size_t stride, float threshold) {
  const int32_t x0 = std::max(tile.keepX0, 0);
  const int32_t x1 = std::min(tile.keepX1, width_);
  const int32_t y0 = std::max(tile.keepY0, 0);
  const int32_t y1 = std::min(tile.keepY1, height_);
  if (x0 >= x1) return;
  std::vector<uint8_t> kept;
  for (int32_t y = y0; y < y1; ++y) {
    const float* row = prob + static_cast<size_t>(y - tile.y) * stride;
    uint64_t* bits = text_.data() + static_cast<size_t>(y) * wordsPerRow_;
    // What the row held in [x0, x1) goes; in plan order that is nothing, at the row's end.
    const size_t before = TextBefore(x0, y);
    const size_t through = TextBefore(x1, y);
    kept.clear();
    for (int32_t x = x0; x < x1; ++x) {
      const float p = row[x - tile.x];
      const uint64_t bit = uint64_t{1} << (x % 64);
      if (!(p >= threshold)) {
        bits[x / 64] &= ~bit;
        continue;
      }
      bits[x / 64] |= bit;
      const long q = std::lround(std::min(p, 1.0f) * 255.0f);
      kept.push_back(static_cast<uint8_t>(std::clamp(q, 1L, 255L)));
    }
    std::vector<uint8_t>& values = values_[static_cast<size_t>(y)];
    const auto at = values.begin() + static_cast<std::ptrdiff_t>(before);
    const auto replaced = values.erase(at, at + static_cast<std::ptrdiff_t>(through - before));
    values.insert(replaced, kept.begin(), kept.end());
  }
}

void MergedProbabilityMap::ForEachRegion(const std::function<void(const ScoredRegion&)>& visit) const {
  struct GridPos {
    int32_t x;
    int32_t y;
  };
  // Text pixels of a row before each word, so that a pixel's probability is found in constant time.
  std::vector<uint32_t> rank(text_.size(), 0);
  for (size_t y = 0; y < static_cast<size_t>(height_); ++y) {
    uint32_t count = 0;
    for (size_t w = 0; w < wordsPerRow_; ++w) {
      rank[y * wordsPerRow_ + w] = count;
      count += static_cast<uint32_t>(std::popcount(text_[y * wordsPerRow_ + w]));
    }
  }
  const auto valueAt = [&](int32_t x, int32_t y) {
    const size_t word = static_cast<size_t>(y) * wordsPerRow_ + static_cast<size_t>(x) / 64;
    const uint64_t below = text_[word] & ((uint64_t{1} << (x % 64)) - 1);
    return values_[static_cast<size_t>(y)][rank[word] + static_cast<size_t>(std::popcount(below))];
  };

  std::vector<bool> visited(static_cast<size_t>(width_) * static_cast<size_t>(height_), false);
  // Pixels leave the queue as they are taken, so it holds only the breadth-first front.
  std::deque<GridPos> queue;
  for (int32_t sy = 0; sy < height_; ++sy) {
    for (int32_t sx = 0; sx < width_; ++sx) {
      const size_t seed = static_cast<size_t>(sy) * width_ + sx;
      if (!IsText(sx, sy) || visited[seed]) continue;
      visited[seed] = true;
      queue.push_back({sx, sy});
      RectangleSweep sweep;
      uint64_t sum = 0;
      while (!queue.empty()) {
        const GridPos p = queue.front();
        queue.pop_front();
        bool boundary = p.x == 0 || p.y == 0 || p.x == width_ - 1 || p.y == height_ - 1;
        const GridPos neighbours[4] = {{p.x + 1, p.y}, {p.x - 1, p.y}, {p.x, p.y + 1}, {p.x, p.y - 1}};
        for (const GridPos& n : neighbours) {
          if (n.x < 0 || n.y < 0 || n.x >= width_ || n.y >= height_) continue;
          const size_t at = static_cast<size_t>(n.y) * width_ + n.x;
          if (!IsText(n.x, n.y)) {
            boundary = true;
          } else if (!visited[at]) {
            visited[at] = true;
            queue.push_back(n);
          }
        }
        if (boundary) {
          sweep.Add({static_cast<float>(p.x), static_cast<float>(p.y)});
          sum += valueAt(p.x, p.y);
        }
      }
      ScoredRegion region;
      region.boundaryPoints = sweep.count();
      region.score = region.boundaryPoints > 0
                         ? static_cast<float>(static_cast<double>(sum) / (255.0 * static_cast<double>(sweep.count())))
                         : 0.0f;
      region.sweep = &sweep;
      visit(region);
    }
  }
}

}  // namespace vesk
