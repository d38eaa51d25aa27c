#include "ocr/box_geometry.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>

namespace vesk {

namespace {

constexpr uint8_t kText = 255;

struct GridPos {
  int32_t x;
  int32_t y;
};

}  // namespace

std::vector<TextRegion> ExtractRegions(const uint8_t* mask, int32_t width, int32_t height) {
  std::vector<TextRegion> regions;
  if (mask == nullptr || width <= 0 || height <= 0) return regions;

  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::vector<int32_t> labels(count, 0);
  // Used as a FIFO through a read index; it keeps its capacity across regions, and every pixel is
  // pushed at most once per call, so it never grows past the pixel count.
  std::vector<GridPos> queue;
  int32_t regionCount = 0;

  for (int32_t sy = 0; sy < height; ++sy) {
    for (int32_t sx = 0; sx < width; ++sx) {
      const size_t seed = static_cast<size_t>(sy) * width + sx;
      if (mask[seed] != kText || labels[seed] != 0) continue;

      ++regionCount;
      labels[seed] = regionCount;
      queue.clear();
      queue.push_back({sx, sy});
      TextRegion region;

      for (size_t head = 0; head < queue.size(); ++head) {
        const GridPos p = queue[head];
        bool boundary = p.x == 0 || p.y == 0 || p.x == width - 1 || p.y == height - 1;
        const GridPos neighbours[4] = {{p.x + 1, p.y}, {p.x - 1, p.y}, {p.x, p.y + 1}, {p.x, p.y - 1}};
        for (const GridPos& n : neighbours) {
          if (n.x < 0 || n.y < 0 || n.x >= width || n.y >= height) continue;
          const size_t at = static_cast<size_t>(n.y) * width + n.x;
          if (mask[at] != kText) {
            boundary = true;
          } else if (labels[at] == 0) {
            labels[at] = regionCount;
            queue.push_back(n);
          }
        }
        if (boundary) region.boundary.push_back({static_cast<float>(p.x), static_cast<float>(p.y)});
      }
      regions.push_back(std::move(region));
    }
  }
  return regions;
}

namespace {

// The angle of each step of the sweep, in whole degrees.
struct Rotation {
  float c;
  float s;
};

const std::array<Rotation, 90>& Rotations() {
  static const std::array<Rotation, 90> rotations = [] {
    std::array<Rotation, 90> r{};
    for (int angle = 0; angle < 90; ++angle) {
      const float theta = (static_cast<float>(angle) * 3.1415927f) / 180.0f;
      r[angle] = {std::cos(theta), std::sin(theta)};
    }
    return r;
  }();
  return rotations;
}

}  // namespace

RectangleSweep::RectangleSweep() { bounds_.fill({FLT_MAX, -FLT_MAX, FLT_MAX, -FLT_MAX}); }

void RectangleSweep::Add(const Point2f& p) {
  const std::array<Rotation, 90>& rotations = Rotations();
  for (int angle = 0; angle < kAngles; ++angle) {
    const float c = rotations[angle].c;
    const float s = rotations[angle].s;
    const float u = p.y * s + p.x * c;
    const float v = p.y * c - p.x * s;
    Bounds& b = bounds_[angle];
    b.minU = std::min(b.minU, u);
    b.maxU = std::max(b.maxU, u);
    b.minV = std::min(b.minV, v);
    b.maxV = std::max(b.maxV, v);
  }
  ++count_;
}

std::optional<std::array<Point2f, 4>> RectangleSweep::Fit(float ratio, float uprightSlack) const {
  if (count_ < 3) return std::nullopt;

  const std::array<Rotation, 90>& rotations = Rotations();
  float bestArea = FLT_MAX;
  int best = -1;
  for (int angle = 0; angle < kAngles; ++angle) {
    const Bounds& b = bounds_[angle];
    const float area = (b.maxV - b.minV) * (b.maxU - b.minU);
    if (area < bestArea) {
      bestArea = area;
      best = angle;
    }
  }
  if (bestArea <= 0.0001f) return std::nullopt;
  const Bounds& upright = bounds_[0];
  const float uprightArea = (upright.maxV - upright.minV) * (upright.maxU - upright.minU);
  if (uprightSlack > 0.0f && uprightArea <= bestArea * (1.0f + uprightSlack)) {
    bestArea = uprightArea;
    best = 0;
  }

  // No finite area at all leaves the unrotated, empty rectangle at the origin.
  constexpr Bounds kNone{0.0f, 0.0f, 0.0f, 0.0f};
  const float bestC = best >= 0 ? rotations[best].c : 1.0f;
  const float bestS = best >= 0 ? rotations[best].s : 0.0f;
  const Bounds& b = best >= 0 ? bounds_[best] : kNone;
  const float perimeter = 2.0f * ((b.maxV - b.minV) + (b.maxU - b.minU));
  const float d = perimeter > 0.0001f ? bestArea * ratio / perimeter : 0.0f;
  const Point2f rotated[4] = {
      {b.minU - d, b.minV - d}, {b.maxU + d, b.minV - d}, {b.maxU + d, b.maxV + d}, {b.minU - d, b.maxV + d}};
  std::array<Point2f, 4> corners;
  for (int i = 0; i < 4; ++i) {
    const float u = rotated[i].x;
    const float v = rotated[i].y;
    corners[i] = {u * bestC - v * bestS, v * bestC + u * bestS};
  }
  std::stable_sort(corners.begin(), corners.end(),
                   [](const Point2f& a, const Point2f& b) { return a.y < b.y; });

  const bool topInOrder = corners[1].x > corners[0].x;
  const Point2f topLeft = topInOrder ? corners[0] : corners[1];
  const Point2f topRight = topInOrder ? corners[1] : corners[0];
  const bool bottomInOrder = corners[3].x > corners[2].x;
  const Point2f bottomLeft = bottomInOrder ? corners[2] : corners[3];
  const Point2f bottomRight = bottomInOrder ? corners[3] : corners[2];
  return std::array<Point2f, 4>{topLeft, topRight, bottomRight, bottomLeft};
}

std::optional<std::array<Point2f, 4>> FitBox(const std::vector<Point2f>& points, float ratio) {
  if (points.size() < 3) return std::nullopt;
  RectangleSweep sweep;
  for (const Point2f& p : points) sweep.Add(p);
  return sweep.Fit(ratio);
}

}  // namespace vesk
