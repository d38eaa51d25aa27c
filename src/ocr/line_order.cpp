#include "ocr/line_order.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace vesk {

namespace {

constexpr float kMinSplitRange = 50.0f;
constexpr int kBins = 100;
constexpr int kGapFirstBin = 20;
constexpr int kGapLastBin = 80;
constexpr int kMinGapBins = 3;

float CentreX(const DetBox& b) {
  return (((b.points[0].x + b.points[1].x) + b.points[2].x) + b.points[3].x) * 0.25f;
}

float CentreY(const DetBox& b) {
  return (((b.points[0].y + b.points[1].y) + b.points[2].y) + b.points[3].y) * 0.25f;
}

float Height(const DetBox& b) {
  float lo = b.points[0].y, hi = b.points[0].y;
  for (const Point2f& p : b.points) {
    lo = std::min(lo, p.y);
    hi = std::max(hi, p.y);
  }
  return hi - lo;
}

float Left(const DetBox& b) {
  float lo = b.points[0].x;
  for (const Point2f& p : b.points) lo = std::min(lo, p.x);
  return lo;
}

float Right(const DetBox& b) {
  float hi = b.points[0].x;
  for (const Point2f& p : b.points) hi = std::max(hi, p.x);
  return hi;
}

int HistogramBin(float x, float minX, float range) {
  const int bin = static_cast<int>((x - minX) / range * 100.0f);
  return std::clamp(bin, 0, kBins - 1);
}

}  // namespace

std::vector<DetBox> SortRows(const std::vector<DetBox>& boxes) {
  std::vector<DetBox> sorted = boxes;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const DetBox& a, const DetBox& b) { return CentreY(a) < CentreY(b); });

  const auto byCentreX = [](const DetBox& a, const DetBox& b) { return CentreX(a) < CentreX(b); };
  size_t rowStart = 0;
  for (size_t i = 1; i <= sorted.size(); ++i) {
    bool closesRow = i == sorted.size();
    if (!closesRow) {
      const DetBox& first = sorted[rowStart];
      const float tolerance = 0.5f * std::max(Height(sorted[i]), Height(first));
      closesRow = std::fabs(CentreY(sorted[i]) - CentreY(first)) > tolerance;
    }
    if (closesRow) {
      std::stable_sort(sorted.begin() + rowStart, sorted.begin() + i, byCentreX);
      rowStart = i;
    }
  }
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
