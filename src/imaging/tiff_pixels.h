#pragma once
// Turns the sample rows libtiff decodes into 8-bit RGB, for every colour model the TIFF back-end
// reads, 1 to 16 bits a sample, interleaved or plane by plane. Colours come out as stored: extra
// samples (alpha among them) are skipped, never multiplied in.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vesk {

enum class TiffColourModel { Grey, GreyInverted, Rgb, Palette, Cmyk, YCbCr };

struct TiffPixelLayout {
  TiffColourModel model = TiffColourModel::Grey;
  int bits = 8;     // per sample: 1, 2, 4, 8 or 16 (YCbCr: 8)
  int samples = 1;  // per pixel in an interleaved row, extra samples included
  int blockWidth = 1;   // YCbCr subsampling: luma samples per chroma pair across ...
  int blockHeight = 1;  // ... and down
};

// Stored YCbCr to RGB, with the file's luma coefficients and reference black and white.
class TiffYCbCr {
 public:
  TiffYCbCr() : TiffYCbCr({0.299f, 0.587f, 0.114f}, {0, 255, 128, 255, 128, 255}) {}
  TiffYCbCr(const std::array<float, 3>& luma, const std::array<float, 6>& referenceBlackWhite);

  // False when the coefficients cannot describe a colour space (a zero green weight, say).
  bool Valid() const { return valid_; }
  void ToRgb(uint8_t y, uint8_t cb, uint8_t cr, uint8_t* rgb) const;

 private:
  std::array<float, 256> y_{};
  std::array<float, 256> cb_{};
  std::array<float, 256> cr_{};
  float crToRed_ = 0;
  float cbToBlue_ = 0;
  float cbToGreen_ = 0;
  float crToGreen_ = 0;
  bool valid_ = true;
};

class TiffPixelConverter {
 public:
  // palette: 1 << bits RGB triples for the Palette model, empty otherwise.
  TiffPixelConverter(TiffPixelLayout layout, std::vector<uint8_t> palette, TiffYCbCr ycbcr);

  // Bytes an interleaved row of count pixels takes, and those one plane's row takes.
  uint64_t InterleavedRowBytes(uint64_t count) const;
  uint64_t PlaneRowBytes(uint64_t count) const;

  // count pixels whose samples are interleaved (not for subsampled YCbCr).
  void Interleaved(const uint8_t* row, uint32_t count, uint8_t* rgb) const;

  // Samples stored plane by plane: the planes that carry colour (1, 3 or 4), which must all be
  // delivered, in order, for a pixel to be complete.
  int ColourPlanes() const;
  void Plane(int plane, const uint8_t* row, uint32_t count, uint8_t* rgb) const;

  // Subsampled YCbCr: a region width pixels wide and rows high stored as blocks of blockWidth x
  // blockHeight luma samples followed by Cb and Cr. Pixels at or beyond clipWidth / clipRows are
  // not written. False when data is shorter than the region needs.
  bool Blocks(const uint8_t* data, size_t size, uint32_t width, uint32_t rows, uint32_t clipWidth, uint32_t clipRows,
              uint8_t* rgb, size_t stride) const;

 private:
  TiffPixelLayout layout_;
  std::vector<uint8_t> palette_;
  TiffYCbCr ycbcr_;
};

}  // namespace vesk
