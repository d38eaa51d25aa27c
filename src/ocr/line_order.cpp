#include "ocr/line_order.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numeric>

#include "ocr/box_measures.h"

namespace vesk {

namespace {

constexpr float kMinSplitRange = 50.0f;
constexpr int kBins = 100;
constexpr int kGapFirstBin = 20;
constexpr int kGapLastBin = 80;
constexpr int kMinGapBins = 3;

int HistogramBin(float x, float minX, float range) {
  const int bin = static_cast<int>((x - minX) / range * 100.0f);
  return std::clamp(bin, 0, kBins - 1);
}

}  // namespace

void SortRowPositions(const std::vector<DetBox>& boxes, std::vector<size_t>& positions) {
  std::stable_sort(positions.begin(), positions.end(),
                   [&](size_t a, size_t b) { return CentreY(boxes[a]) < CentreY(boxes[b]); });

  const auto byCentreX = [&](size_t a, size_t b) { return CentreX(boxes[a]) < CentreX(boxes[b]); };
  size_t rowStart = 0;
  for (size_t i = 1; i <= positions.size(); ++i) {
    bool closesRow = i == positions.size();
    if (!closesRow) {
      const DetBox& first = boxes[positions[rowStart]];
      const DetBox& next = boxes[positions[i]];
      const float tolerance = 0.5f * std::max(Height(next), Height(first));
      closesRow = std::fabs(CentreY(next) - CentreY(first)) > tolerance;
    }
    if (closesRow) {
      std::stable_sort(positions.begin() + rowStart, positions.begin() + i, byCentreX);
      rowStart = i;
    }
  }
}

std::vector<DetBox> SortRows(const std::vector<DetBox>& boxes) {
  std::vector<size_t> positions(boxes.size());
  std::iota(positions.begin(), positions.end(), size_t{0});
  SortRowPositions(boxes, positions);
  std::vector<DetBox> sorted;
  sorted.reserve(boxes.size());
  for (size_t p : positions) sorted.push_back(boxes[p]);
  return sorted;
}

std::vector<DetBox> OrderBoxes(const std::vector<DetBox>& boxes) {
  if (boxes.size() <= 1) return boxes;

  float minX = boxes[0].points[0].x, maxX = boxes[0].points[0].x;
  for (const DetBox& b : boxes) {
    for (const Point2f& p : b.points) {
      minX = std::min(minX, p.x);
      maxX = std::max(maxX, p.x);
    }
  }
  const float range = maxX - minX;
  if (!(range > kMinSplitRange)) return SortRows(boxes);

  std::array<int32_t, kBins> histogram{};
  for (const DetBox& b : boxes) {
    const int lo = HistogramBin(Left(b), minX, range);
    const int hi = HistogramBin(Right(b), minX, range);
    for (int bin = lo; bin <= hi; ++bin) ++histogram[bin];
  }

  int longest = 0;
  int splitBin = 0;
  int runStart = 0;
  int runLength = 0;
  for (int i = kGapFirstBin; i <= kGapLastBin; ++i) {
    if (histogram[i] != 0) {
      runLength = 0;
      continue;
    }
    if (runLength == 0) runStart = i;
    ++runLength;
    if (runLength > longest) {
      longest = runLength;
      splitBin = runStart + runLength / 2;
    }
  }
  if (longest < kMinGapBins) return SortRows(boxes);

  const float splitX = (static_cast<float>(splitBin) / 100.0f) * range + minX;
  std::vector<DetBox> left, right;
  for (const DetBox& b : boxes) (CentreX(b) < splitX ? left : right).push_back(b);
  if (left.empty() || right.empty()) return SortRows(boxes);

  std::vector<DetBox> ordered = OrderBoxes(left);
  const std::vector<DetBox> rightOrdered = OrderBoxes(right);
  ordered.insert(ordered.end(), rightOrdered.begin(), rightOrdered.end());
  return ordered;
}

}  // namespace vesk
