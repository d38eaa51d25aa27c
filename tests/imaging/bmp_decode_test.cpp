// BMP variants: header versions, depths, bit fields, run-length encoding and row order.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/decode_result.h"
#include "imaging/image_writers.h"
#include "support/temp_dir.h"

namespace vesk::test {
namespace {

// An odd width, so every depth needs row padding.
constexpr int kWidth = 5;
constexpr int kHeight = 3;

// Sixteen distinct colours; entry 0 is not black, so pixels the file skips stand out.
std::vector<uint8_t> Palette16() {
  std::vector<uint8_t> palette;
  for (int i = 0; i < 16; ++i) palette.insert(palette.end(), {uint8_t(40 + i * 13), uint8_t(200 - i * 11), uint8_t(i * 16)});
  return palette;
}

std::vector<uint8_t> Colours(const std::vector<int>& indices, const std::vector<uint8_t>& palette) {
  std::vector<uint8_t> rgb;
  for (int index : indices) {
    if (index < 0) {
      rgb.insert(rgb.end(), {0, 0, 0});
    } else {
      rgb.insert(rgb.end(), palette.begin() + index * 3, palette.begin() + index * 3 + 3);
    }
  }
  return rgb;
}

// Stored rows of palette indices, top bit first, each row padded to four bytes; bottom row first
// unless topDown.
std::vector<uint8_t> PackedRows(const std::vector<int>& indices, int bits, bool topDown = false) {
  const size_t stride = (static_cast<size_t>(kWidth) * bits + 31) / 32 * 4;
  std::vector<uint8_t> data(stride * kHeight, 0);
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = data.data() + static_cast<size_t>(topDown ? y : kHeight - 1 - y) * stride;
    for (int x = 0; x < kWidth; ++x) {
      const int bit = x * bits;
      row[bit / 8] |= static_cast<uint8_t>(indices[y * kWidth + x] << (8 - bits - bit % 8));
    }
  }
  return data;
}

std::vector<int> Pattern(int colours) {
  std::vector<int> indices(kWidth * kHeight);
  for (int i = 0; i < kWidth * kHeight; ++i) indices[i] = (i * 7 + 3) % colours;
  return indices;
}

void ExpectPicture(const Decoded& decoded, const std::vector<uint8_t>& rgb) {
  test::ExpectPicture(decoded, rgb, kWidth, kHeight);
}

BmpPicture Picture(int bits, std::vector<uint8_t> data, std::vector<uint8_t> palette = {}) {
  BmpPicture picture;
  picture.width = kWidth;
  picture.height = kHeight;
  picture.bitsPerPixel = bits;
  picture.data = std::move(data);
  picture.paletteRgb = std::move(palette);
  return picture;
}

TEST(BmpDecodeTest, TopDownRowsAndEveryHeaderVersionGiveTheSamePicture) {
  ScopedTempDir dir;
  const std::vector<uint8_t> palette = Palette16();
  const std::vector<int> indices = Pattern(16);
  const std::vector<uint8_t> rgb = Colours(indices, palette);

  BmpPicture bottomUp = Picture(8, PackedRows(indices, 8), palette);
  WriteBmp(dir.path() / "bottom-up.bmp", bottomUp);
  ExpectPicture(Decode(dir.path() / "bottom-up.bmp"), rgb);

  // What many screenshot tools write: a negative height.
  BmpPicture topDown = Picture(8, PackedRows(indices, 8, true), palette);
  topDown.height = -kHeight;
  WriteBmp(dir.path() / "top-down.bmp", topDown);
  ExpectPicture(Decode(dir.path() / "top-down.bmp"), rgb);

  for (const uint32_t header : {12u, 108u, 124u}) {
    BmpPicture version = bottomUp;
    version.headerSize = header;  // the core header also has three-byte palette entries
    const auto path = dir.path() / ("header-" + std::to_string(header) + ".bmp");
    WriteBmp(path, version);
    ExpectPicture(Decode(path), rgb);
  }
}

TEST(BmpDecodeTest, PaletteDepthsReadFromTheTopBit) {
  ScopedTempDir dir;
  const std::vector<uint8_t> palette = Palette16();
  for (const int bits : {1, 2, 4, 8}) {
    const std::vector<int> indices = Pattern(std::min(16, 1 << bits));
    const auto path = dir.path() / ("depth-" + std::to_string(bits) + ".bmp");
    WriteBmp(path, Picture(bits, PackedRows(indices, bits), {palette.begin(), palette.begin() + 3 * std::min(16, 1 << bits)}));
    ExpectPicture(Decode(path), Colours(indices, palette));
  }

  // A short palette: indices past its end have no colour and come out black.
  std::vector<int> indices = Pattern(4);
  indices[2] = 9;
  WriteBmp(dir.path() / "short.bmp", Picture(8, PackedRows(indices, 8), {palette.begin(), palette.begin() + 12}));
  indices[2] = -1;
  ExpectPicture(Decode(dir.path() / "short.bmp"), Colours(indices, palette));
}

TEST(BmpDecodeTest, SixteenAndThirtyTwoBitPixelsFollowTheirBitFields) {
  ScopedTempDir dir;
  // Row padding only matters for 16 bits: 5 pixels of 2 bytes take 12 bytes a row.
  const auto rows16 = [](uint16_t pixel) {
    std::vector<uint8_t> data;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) data.insert(data.end(), {uint8_t(pixel & 0xFF), uint8_t(pixel >> 8)});
      data.insert(data.end(), {0, 0});
    }
    return data;
  };
  const auto solid = [](uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> rgb;
    for (int i = 0; i < kWidth * kHeight; ++i) rgb.insert(rgb.end(), {r, g, b});
    return rgb;
  };

  // No bit fields: 5-5-5. Fewer than 8 bits stretch so that all ones reads 255.
  WriteBmp(dir.path() / "555.bmp", Picture(16, rows16(0x7C00 | 0x0010)));
  ExpectPicture(Decode(dir.path() / "555.bmp"), solid(255, 0, 132));

  BmpPicture rgb565 = Picture(16, rows16(0x07E0 | 0x0001));
  rgb565.compression = 3;
  rgb565.masks = {0xF800, 0x07E0, 0x001F, 0};
  WriteBmp(dir.path() / "565.bmp", rgb565);
  ExpectPicture(Decode(dir.path() / "565.bmp"), solid(0, 255, 8));

  // 32 bits without bit fields: B, G, R and an ignored byte.
  std::vector<uint8_t> bgrx;
  for (int i = 0; i < kWidth * kHeight; ++i) bgrx.insert(bgrx.end(), {30, 20, 10, uint8_t(i * 17)});
  WriteBmp(dir.path() / "bgrx.bmp", Picture(32, bgrx));
  ExpectPicture(Decode(dir.path() / "bgrx.bmp"), solid(10, 20, 30));

  // R, G, B, A in byte order, described in a V5 header; alpha dropped without blending.
  BmpPicture rgba = Picture(32, {});
  for (int i = 0; i < kWidth * kHeight; ++i) rgba.data.insert(rgba.data.end(), {200, 100, 50, uint8_t(i % 2 ? 0 : 128)});
  rgba.headerSize = 124;
  rgba.compression = 3;
  rgba.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};
  WriteBmp(dir.path() / "rgba.bmp", rgba);
  ExpectPicture(Decode(dir.path() / "rgba.bmp"), solid(200, 100, 50));
}

TEST(BmpDecodeTest, RunLengthEncodedPicturesDecode) {
  ScopedTempDir dir;
  const std::vector<uint8_t> palette = Palette16();

  // Codes from the bottom row up. Runs and literal runs (padded to an even length) that reach past
  // the right edge are cut there; a jump skips pixels, which stay black.
  BmpPicture rle8 = Picture(8, {3, 1,  0, 3, 2, 3, 4, 0,  0, 0,  // row 2: 1 1 1, literal 2 3 (4 cut)
                                9, 5,  0, 0,                     // row 1: 5 5 5 5 5 (4 more cut)
                                0, 2, 2, 0,  2, 7,  0, 1},       // row 0: jump 2 right, 7 7, end
                            palette);
  rle8.compression = 1;
  WriteBmp(dir.path() / "rle8.bmp", rle8);
  ExpectPicture(Decode(dir.path() / "rle8.bmp"),
                Colours({-1, -1, 7, 7, -1, 5, 5, 5, 5, 5, 1, 1, 1, 2, 3}, palette));

  // RLE4: runs alternate the two indices of their byte; literal runs hold two a byte.
  BmpPicture rle4 = Picture(4, {5, 0x12,  0, 0,                 // row 2: 1 2 1 2 1
                                0, 3, 0x34, 0x50,  2, 0x66, 0, 0,  // row 1: 3 4 5 6 6
                                0, 2, 4, 0,  1, 0x90,  0, 1},   // row 0: jump 4 right, then 9
                            palette);
  rle4.compression = 2;
  WriteBmp(dir.path() / "rle4.bmp", rle4);
  ExpectPicture(Decode(dir.path() / "rle4.bmp"),
                Colours({-1, -1, -1, -1, 9, 3, 4, 5, 6, 6, 1, 2, 1, 2, 1}, palette));

  // Top-down RLE is unusual but unambiguous: the first row of codes is the top row.
  BmpPicture topDown = rle4;
  topDown.height = -kHeight;
  WriteBmp(dir.path() / "rle4-top-down.bmp", topDown);
  ExpectPicture(Decode(dir.path() / "rle4-top-down.bmp"),
                Colours({1, 2, 1, 2, 1, 3, 4, 5, 6, 6, -1, -1, -1, -1, 9}, palette));
}

TEST(BmpDecodeTest, DamagedOrUnreadableBmpsFailWithTheirMessages) {
  ScopedTempDir dir;
  const std::vector<uint8_t> palette = Palette16();

  // Codes that end before the last row is reached.
  BmpPicture cut = Picture(8, {5, 1, 0, 0, 5, 2}, palette);
  cut.compression = 1;
  WriteBmp(dir.path() / "cut.bmp", cut);
  ExpectFailure(Decode(dir.path() / "cut.bmp"), "Failed to read pixels from " + (dir.path() / "cut.bmp").string());

  BmpPicture jpeg = Picture(24, std::vector<uint8_t>(48, 0));
  jpeg.compression = 4;  // an embedded JPEG stream
  WriteBmp(dir.path() / "jpeg.bmp", jpeg);
  ExpectFailure(Decode(dir.path() / "jpeg.bmp"), "Failed to open image: " + (dir.path() / "jpeg.bmp").string());

  BmpPicture gappy = Picture(16, std::vector<uint8_t>(36, 0));
  gappy.compression = 3;
  gappy.masks = {0xF00F, 0x00F0, 0x0F00, 0};  // red's bits are not one run
  WriteBmp(dir.path() / "gappy.bmp", gappy);
  ExpectFailure(Decode(dir.path() / "gappy.bmp"), "Failed to open image: " + (dir.path() / "gappy.bmp").string());

  // The most negative height has no positive counterpart in 32 bits; it is reported as stated.
  BmpPicture tallest = Picture(24, std::vector<uint8_t>(48, 0));
  tallest.height = INT32_MIN;
  WriteBmp(dir.path() / "tallest.bmp", tallest);
  ExpectFailure(Decode(dir.path() / "tallest.bmp"),
                "Image dimensions out of range (5x2147483648): " + (dir.path() / "tallest.bmp").string());
}

}  // namespace
}  // namespace vesk::test
