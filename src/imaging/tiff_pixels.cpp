#include "imaging/tiff_pixels.h"

#include <cstring>
#include <type_traits>
#include <utility>

namespace vesk {
namespace {

// Sample index of a row; rows start on a byte, samples narrower than a byte fill it from the top bit.
template <int Bits>
uint32_t SampleAt(const uint8_t* row, size_t index) {
  if constexpr (Bits == 8) {
    return row[index];
  } else if constexpr (Bits == 16) {
    uint16_t value;  // libtiff has already put it into native byte order
    std::memcpy(&value, row + index * 2, 2);
    return value;
  } else {
    const size_t bit = index * Bits;
    return (row[bit / 8] >> (8 - Bits - bit % 8)) & ((1u << Bits) - 1);
  }
}

// 16-bit samples keep their high byte, as for the other formats; narrower ones stretch to 0..255.
template <int Bits>
uint8_t To8(uint32_t value) {
  if constexpr (Bits == 16) {
    return static_cast<uint8_t>(value >> 8);
  } else {
    return static_cast<uint8_t>(value * 255 / ((1u << Bits) - 1));
  }
}

// Ink amounts (0 = none) of one colour and black to the light that is left.
uint8_t InkToLight(uint8_t ink, uint8_t black) {
  return static_cast<uint8_t>(((255u - ink) * (255u - black) + 127) / 255);
}

uint8_t ClampToByte(float value) {
  if (!(value > 0)) return 0;  // NaN included
  if (value >= 255) return 255;
  return static_cast<uint8_t>(value + 0.5f);
}

template <int Bits>
void ConvertInterleaved(const TiffPixelLayout& layout, const std::vector<uint8_t>& palette, const TiffYCbCr& ycbcr,
                        const uint8_t* row, uint32_t count, uint8_t* rgb) {
  const size_t step = static_cast<size_t>(layout.samples);
  size_t i = 0;
  switch (layout.model) {
    case TiffColourModel::Grey:
    case TiffColourModel::GreyInverted: {
      const uint8_t flip = layout.model == TiffColourModel::GreyInverted ? 255 : 0;
      for (uint32_t x = 0; x < count; ++x, i += step, rgb += 3) {
        rgb[0] = rgb[1] = rgb[2] = static_cast<uint8_t>(To8<Bits>(SampleAt<Bits>(row, i)) ^ flip);
      }
      break;
    }
    case TiffColourModel::Rgb:
      for (uint32_t x = 0; x < count; ++x, i += step, rgb += 3) {
        for (size_t c = 0; c < 3; ++c) rgb[c] = To8<Bits>(SampleAt<Bits>(row, i + c));
      }
      break;
    case TiffColourModel::Palette:
      for (uint32_t x = 0; x < count; ++x, i += step, rgb += 3) {
        std::memcpy(rgb, palette.data() + size_t{SampleAt<Bits>(row, i)} * 3, 3);
      }
      break;
    case TiffColourModel::Cmyk:
      for (uint32_t x = 0; x < count; ++x, i += step, rgb += 3) {
        const uint8_t black = To8<Bits>(SampleAt<Bits>(row, i + 3));
        for (size_t c = 0; c < 3; ++c) rgb[c] = InkToLight(To8<Bits>(SampleAt<Bits>(row, i + c)), black);
      }
      break;
    case TiffColourModel::YCbCr:
      for (uint32_t x = 0; x < count; ++x, i += step, rgb += 3) {
        ycbcr.ToRgb(To8<Bits>(SampleAt<Bits>(row, i)), To8<Bits>(SampleAt<Bits>(row, i + 1)),
                    To8<Bits>(SampleAt<Bits>(row, i + 2)), rgb);
      }
      break;
  }
}

// Planes arrive in order. Grey and palette pixels are whole with plane 0; RGB takes a channel a
// plane; CMYK keeps the ink amounts of planes 0-2 in the pixel until plane 3 (black) turns them
// into light.
template <int Bits>
void ConvertPlane(const TiffPixelLayout& layout, const std::vector<uint8_t>& palette, int plane, const uint8_t* row,
                  uint32_t count, uint8_t* rgb) {
  switch (layout.model) {
    case TiffColourModel::Grey:
    case TiffColourModel::GreyInverted:
    case TiffColourModel::Palette: {
      TiffPixelLayout single = layout;
      single.samples = 1;
      ConvertInterleaved<Bits>(single, palette, TiffYCbCr(), row, count, rgb);
      break;
    }
    case TiffColourModel::Rgb:
      for (uint32_t x = 0; x < count; ++x) rgb[size_t{x} * 3 + plane] = To8<Bits>(SampleAt<Bits>(row, x));
      break;
    case TiffColourModel::Cmyk:
      if (plane < 3) {
        for (uint32_t x = 0; x < count; ++x) rgb[size_t{x} * 3 + plane] = To8<Bits>(SampleAt<Bits>(row, x));
        break;
      }
      for (uint32_t x = 0; x < count; ++x, rgb += 3) {
        const uint8_t black = To8<Bits>(SampleAt<Bits>(row, x));
        for (size_t c = 0; c < 3; ++c) rgb[c] = InkToLight(rgb[c], black);
      }
      break;
    case TiffColourModel::YCbCr:
      break;  // YCbCr is read interleaved only; the reader refuses it plane by plane
  }
}

// Calls convert with the sample depth as a compile-time constant, so each depth gets its own loop.
template <typename Convert>
void WithDepth(int bits, Convert&& convert) {
  switch (bits) {
    case 1: return convert(std::integral_constant<int, 1>{});
    case 2: return convert(std::integral_constant<int, 2>{});
    case 4: return convert(std::integral_constant<int, 4>{});
    case 8: return convert(std::integral_constant<int, 8>{});
    default: return convert(std::integral_constant<int, 16>{});
  }
}

}  // namespace

TiffYCbCr::TiffYCbCr(const std::array<float, 3>& luma, const std::array<float, 6>& referenceBlackWhite) {
  const float red = luma[0];
  const float green = luma[1];
  const float blue = luma[2];
  valid_ = green != 0;
  if (!valid_) return;
  crToRed_ = 2 - 2 * red;
  cbToBlue_ = 2 - 2 * blue;
  cbToGreen_ = -blue * cbToBlue_ / green;
  crToGreen_ = -red * crToRed_ / green;
  // Stored codes to Y in 0..255 and chroma in -127..127, through the reference black and white.
  const auto scale = [&](std::array<float, 256>& table, float black, float white, float range) {
    const float span = white - black != 0 ? white - black : 1;
    for (int code = 0; code < 256; ++code) table[static_cast<size_t>(code)] = (static_cast<float>(code) - black) * range / span;
  };
  scale(y_, referenceBlackWhite[0], referenceBlackWhite[1], 255);
  scale(cb_, referenceBlackWhite[2], referenceBlackWhite[3], 127);
  scale(cr_, referenceBlackWhite[4], referenceBlackWhite[5], 127);
}

void TiffYCbCr::ToRgb(uint8_t y, uint8_t cb, uint8_t cr, uint8_t* rgb) const {
  const float luma = y_[y];
  const float blueDiff = cb_[cb];
  const float redDiff = cr_[cr];
  rgb[0] = ClampToByte(luma + crToRed_ * redDiff);
  rgb[1] = ClampToByte(luma + cbToGreen_ * blueDiff + crToGreen_ * redDiff);
  rgb[2] = ClampToByte(luma + cbToBlue_ * blueDiff);
}

TiffPixelConverter::TiffPixelConverter(TiffPixelLayout layout, std::vector<uint8_t> palette, TiffYCbCr ycbcr)
    : layout_(layout), palette_(std::move(palette)), ycbcr_(ycbcr) {}

uint64_t TiffPixelConverter::InterleavedRowBytes(uint64_t count) const {
  return (count * static_cast<uint64_t>(layout_.samples) * static_cast<uint64_t>(layout_.bits) + 7) / 8;
}

uint64_t TiffPixelConverter::PlaneRowBytes(uint64_t count) const {
  return (count * static_cast<uint64_t>(layout_.bits) + 7) / 8;
}

void TiffPixelConverter::Interleaved(const uint8_t* row, uint32_t count, uint8_t* rgb) const {
  WithDepth(layout_.bits, [&](auto bits) {
    ConvertInterleaved<decltype(bits)::value>(layout_, palette_, ycbcr_, row, count, rgb);
  });
}

int TiffPixelConverter::ColourPlanes() const {
  switch (layout_.model) {
    case TiffColourModel::Rgb: return 3;
    case TiffColourModel::Cmyk: return 4;
    default: return 1;
  }
}

void TiffPixelConverter::Plane(int plane, const uint8_t* row, uint32_t count, uint8_t* rgb) const {
  WithDepth(layout_.bits, [&](auto bits) { ConvertPlane<decltype(bits)::value>(layout_, palette_, plane, row, count, rgb); });
}

bool TiffPixelConverter::Blocks(const uint8_t* data, size_t size, uint32_t width, uint32_t rows, uint32_t clipWidth,
                                uint32_t clipRows, uint8_t* rgb, size_t stride) const {
  const auto blockWidth = static_cast<uint32_t>(layout_.blockWidth);
  const auto blockHeight = static_cast<uint32_t>(layout_.blockHeight);
  const uint64_t lumaCount = uint64_t{blockWidth} * blockHeight;
  const uint64_t across = (uint64_t{width} + blockWidth - 1) / blockWidth;
  const uint64_t down = (uint64_t{rows} + blockHeight - 1) / blockHeight;
  if (across * down * (lumaCount + 2) > size) return false;
  for (uint64_t by = 0; by < down; ++by) {
    for (uint64_t bx = 0; bx < across; ++bx, data += lumaCount + 2) {
      const uint8_t cb = data[lumaCount];
      const uint8_t cr = data[lumaCount + 1];
      for (uint32_t dy = 0; dy < blockHeight; ++dy) {
        const uint64_t y = by * blockHeight + dy;
        if (y >= clipRows) break;
        for (uint32_t dx = 0; dx < blockWidth; ++dx) {
          const uint64_t x = bx * blockWidth + dx;
          if (x >= clipWidth) break;
          ycbcr_.ToRgb(data[dy * blockWidth + dx], cb, cr, rgb + y * stride + x * 3);
        }
      }
    }
  }
  return true;
}

}  // namespace vesk
