#include "ocr/line_crop.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

namespace vesk {

namespace {

constexpr int32_t kMinSide = 4;

float Distance(const Point2f& a, const Point2f& b) {
  const float dx = a.x - b.x;
  const float dy = a.y - b.y;
  return std::sqrt(dx * dx + dy * dy);
}

// Keeps a sample position within one pixel of the picture before it becomes an integer: further
// out every tap is the same clamped edge pixel anyway, and a far-off or non-finite coordinate
// must not reach the float-to-integer conversion.
float LimitCoordinate(float value, int32_t size) {
  if (!(value >= -1.0f)) return -1.0f;
  if (value > static_cast<float>(size)) return static_cast<float>(size);
  return value;
}

// A side length in whole pixels. A box within the screenshot has sides no longer than the
// screenshot's diagonal; the limit keeps a malformed box from asking for a huge crop.
int32_t SideLength(float length, float limit) {
  const float bounded = length <= limit ? length : limit;
  return std::max(static_cast<int32_t>(bounded), kMinSide);
}

// The unit vector from a to b, or (0, 0) when they coincide.
Point2f Direction(const Point2f& a, const Point2f& b) {
  const float length = Distance(a, b);
  if (!(length > 0.0f)) return {};
  return {(b.x - a.x) / length, (b.y - a.y) / length};
}

}  // namespace

DetBox ExpandBox(const DetBox& box, float marginY, float marginX) {
  if (marginY == 0.0f && marginX == 0.0f) return box;
  const Point2f& tl = box.points[0];
  const Point2f& tr = box.points[1];
  const Point2f& br = box.points[2];
  const Point2f& bl = box.points[3];
  const float height = std::max(Distance(tl, bl), Distance(tr, br));
  const Point2f along = Direction(tl, tr);
  const Point2f down = Direction(tl, bl);
  const float dx = marginX * height;
  const float dy = marginY * height;
  // Corner k moves sideways by sx[k] and vertically by sy[k] (in units of the margins).
  constexpr float sx[4] = {-1.0f, 1.0f, 1.0f, -1.0f};
  constexpr float sy[4] = {-1.0f, -1.0f, 1.0f, 1.0f};
  DetBox out = box;
  for (size_t k = 0; k < 4; ++k) {
    out.points[k].x += sx[k] * dx * along.x + sy[k] * dy * down.x;
    out.points[k].y += sx[k] * dx * along.y + sy[k] * dy * down.y;
  }
  return out;
}

bool CropLine(const DecodedImage& image, const DetBox& box, DecodedImage& crop) {
  if (image.width < 1 || image.height < 1 || image.pixels.empty()) return false;
  if (image.pixels.size() / 3 / static_cast<size_t>(image.width) < static_cast<size_t>(image.height)) {
    return false;
  }

  const Point2f& tl = box.points[0];
  const Point2f& tr = box.points[1];
  const Point2f& br = box.points[2];
  const Point2f& bl = box.points[3];
  const float sideLimit = static_cast<float>(image.width) + static_cast<float>(image.height);
  const int32_t w = SideLength(std::max(Distance(tl, tr), Distance(bl, br)) + 0.5f, sideLimit);
  const int32_t h = SideLength(std::max(Distance(tl, bl), Distance(tr, br)) + 0.5f, sideLimit);

  crop.width = w;
  crop.height = h;
  crop.pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * 3, 0);

  const size_t stride = static_cast<size_t>(image.width) * 3;
  const uint8_t* src = image.pixels.data();
  uint8_t* out = crop.pixels.data();
  for (int32_t i = 0; i < h; ++i) {
    const float v = static_cast<float>(i) / static_cast<float>(h);
    for (int32_t j = 0; j < w; ++j) {
      const float u = static_cast<float>(j) / static_cast<float>(w);
      const float x = ((1.0f - u) * tl.x + u * tr.x) * (1.0f - v) + ((1.0f - u) * bl.x + u * br.x) * v;
      const float y = ((1.0f - u) * tl.y + u * tr.y) * (1.0f - v) + ((1.0f - u) * bl.y + u * br.y) * v;
      const float sx = LimitCoordinate(x, image.width);
      const float sy = LimitCoordinate(y, image.height);
      const int32_t ix = static_cast<int32_t>(std::floor(sx));
      const int32_t iy = static_cast<int32_t>(std::floor(sy));
      const float fx = sx - static_cast<float>(ix);
      const float fy = sy - static_cast<float>(iy);
      const int32_t x0 = std::clamp(ix, 0, image.width - 1);
      const int32_t x1 = std::clamp(ix + 1, 0, image.width - 1);
      const int32_t y0 = std::clamp(iy, 0, image.height - 1);
      const int32_t y1 = std::clamp(iy + 1, 0, image.height - 1);
      const uint8_t* p00 = src + y0 * stride + static_cast<size_t>(x0) * 3;
      const uint8_t* p01 = src + y0 * stride + static_cast<size_t>(x1) * 3;
      const uint8_t* p10 = src + y1 * stride + static_cast<size_t>(x0) * 3;
      const uint8_t* p11 = src + y1 * stride + static_cast<size_t>(x1) * 3;
      uint8_t* dst = out + (static_cast<size_t>(i) * w + j) * 3;
      for (int c = 0; c < 3; ++c) {
        const float value = (1.0f - fy) * (1.0f - fx) * static_cast<float>(p00[c]) +
                            (1.0f - fy) * fx * static_cast<float>(p01[c]) +
                            (1.0f - fx) * fy * static_cast<float>(p10[c]) +
                            fy * fx * static_cast<float>(p11[c]) + 0.5f;
        dst[c] = static_cast<uint8_t>(std::clamp(static_cast<int32_t>(value), 0, 255));
      }
    }
  }
  return true;
}

void Rotate180(DecodedImage& image) {
  if (image.width < 1 || image.height < 1 || image.pixels.empty()) return;
  const size_t n = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  uint8_t* p = image.pixels.data();
  for (size_t k = 0; k < n / 2; ++k) {
    uint8_t* a = p + k * 3;
    uint8_t* b = p + (n - 1 - k) * 3;
    std::swap(a[0], b[0]);
    std::swap(a[1], b[1]);
    std::swap(a[2], b[2]);
  }
}

}  // namespace vesk
