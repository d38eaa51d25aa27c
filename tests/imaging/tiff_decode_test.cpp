// TIFF: colour interpretations, depths, planar and tiled layouts, and the stored picture as it is
// (no alpha multiplied in, no orientation applied).

#include <gtest/gtest.h>

#include <tiffio.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/decode_result.h"
#include "imaging/image_writers.h"
#include "support/temp_dir.h"

namespace vesk::test {
namespace {

constexpr int kWidth = 5;
constexpr int kHeight = 3;

// Distinct colours a pixel, top-left pure red.
std::vector<uint8_t> Rgb(int width = kWidth, int height = kHeight) {
  std::vector<uint8_t> rgb;
  for (int i = 0; i < width * height; ++i) {
    rgb.insert(rgb.end(), {uint8_t(i == 0 ? 255 : 30 + i * 7), uint8_t(i == 0 ? 0 : 250 - i * 3), uint8_t(i * 11)});
  }
  return rgb;
}

TiffPicture Picture(std::vector<uint8_t> data, int samples = 3, int photometric = PHOTOMETRIC_RGB) {
  TiffPicture picture;
  picture.width = static_cast<uint32_t>(kWidth);
  picture.height = static_cast<uint32_t>(kHeight);
  picture.samples = samples;
  picture.photometric = photometric;
  picture.data = std::move(data);
  return picture;
}

Decoded WriteAndDecode(const ScopedTempDir& dir, const std::string& name, const TiffPicture& picture) {
  const auto path = dir.path() / (name + ".tif");
  WriteTiff(path, picture);
  return Decode(path);
}

void ExpectPicture(const Decoded& decoded, const std::vector<uint8_t>& rgb) {
  test::ExpectPicture(decoded, rgb, kWidth, kHeight);
}

void ExpectClose(const Decoded& decoded, const std::vector<uint8_t>& rgb, int tolerance) {
  SCOPED_TRACE(decoded.path);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  ASSERT_EQ(decoded.image.pixels.size(), rgb.size());
  for (size_t i = 0; i < rgb.size(); ++i) {
    ASSERT_NEAR(decoded.image.pixels[i], rgb[i], tolerance) << "byte " << i;
  }
}

std::vector<uint8_t> Grey(const std::vector<uint8_t>& values) {
  std::vector<uint8_t> rgb;
  for (uint8_t v : values) rgb.insert(rgb.end(), {v, v, v});
  return rgb;
}

TEST(TiffDecodeTest, StoredColoursAndRowsComeOutAsTheyAre) {
  ScopedTempDir dir;
  const std::vector<uint8_t> rgb = Rgb();
  std::vector<uint8_t> rgba;
  for (size_t i = 0; i < rgb.size(); i += 3) {
    rgba.insert(rgba.end(), rgb.begin() + static_cast<std::ptrdiff_t>(i), rgb.begin() + static_cast<std::ptrdiff_t>(i) + 3);
    rgba.push_back(i % 2 ? 0 : 128);  // transparent and half-transparent pixels
  }
  // Dark text on a transparent background must not vanish: no alpha is multiplied in.
  TiffPicture unassociated = Picture(rgba, 4);
  unassociated.extraSamples = {EXTRASAMPLE_UNASSALPHA};
  ExpectPicture(WriteAndDecode(dir, "unassociated", unassociated), rgb);
  TiffPicture associated = unassociated;
  associated.extraSamples = {EXTRASAMPLE_ASSOCALPHA};
  ExpectPicture(WriteAndDecode(dir, "associated", associated), rgb);

  // The orientation tag is metadata, as in every other format: rows stay as stored.
  for (const int orientation : {ORIENTATION_BOTRIGHT, ORIENTATION_BOTLEFT, ORIENTATION_LEFTBOT}) {
    TiffPicture turned = Picture(rgb);
    turned.orientation = orientation;
    ExpectPicture(WriteAndDecode(dir, "orientation-" + std::to_string(orientation), turned), rgb);
  }
}

TEST(TiffDecodeTest, GreyAndPalettePicturesAtEveryDepth) {
  ScopedTempDir dir;
  ExpectPicture(WriteAndDecode(dir, "grey8", Picture({0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 255}, 1,
                                                     PHOTOMETRIC_MINISBLACK)),
                Grey({0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 255}));

  // 1-bit min-is-white: a set bit is black. Rows start on a byte.
  TiffPicture bits = Picture({0b10100000, 0b01000000, 0b00001000}, 1, PHOTOMETRIC_MINISWHITE);
  bits.bits = 1;
  ExpectPicture(WriteAndDecode(dir, "bilevel", bits),
                Grey({0, 255, 0, 255, 255, 255, 0, 255, 255, 255, 255, 255, 255, 255, 0}));

  // 4-bit grey stretches to 0..255.
  TiffPicture nibbles = Picture({0x0F, 0x80, 0x10, 0x23, 0x40, 0xF0, 0x50, 0x60, 0x70}, 1, PHOTOMETRIC_MINISBLACK);
  nibbles.bits = 4;
  ExpectPicture(WriteAndDecode(dir, "grey4", nibbles),
                Grey({0, 255, 136, 0, 17, 34, 51, 68, 0, 255, 85, 0, 102, 0, 119}));

  // 16-bit grey keeps the high byte, in either byte order.
  std::vector<uint8_t> deep;
  for (int i = 0; i < 15; ++i) {
    const uint16_t v = static_cast<uint16_t>(i * 4321 + 77);
    deep.insert(deep.end(), {uint8_t(v & 0xFF), uint8_t(v >> 8)});  // native (little-endian) order
  }
  std::vector<uint8_t> highBytes;
  for (size_t i = 1; i < deep.size(); i += 2) highBytes.push_back(deep[i]);
  TiffPicture grey16 = Picture(deep, 1, PHOTOMETRIC_MINISBLACK);
  grey16.bits = 16;
  ExpectPicture(WriteAndDecode(dir, "grey16", grey16), Grey(highBytes));
  grey16.bigEndian = true;
  ExpectPicture(WriteAndDecode(dir, "grey16-mm", grey16), Grey(highBytes));

  // Palette: 16-bit colour map entries; old writers stored 8-bit values, taken as they are.
  std::vector<uint16_t> map(3 * 16, 0);
  std::vector<uint8_t> expected;
  std::vector<uint8_t> indices;
  for (int i = 0; i < 16; ++i) {
    map[i] = static_cast<uint16_t>(i * 4000);
    map[16 + i] = static_cast<uint16_t>(65535 - i * 4000);
    map[32 + i] = static_cast<uint16_t>(i * 257);
  }
  for (int i = 0; i < kWidth * kHeight; ++i) {
    const int index = static_cast<int>((i * 7) % 16);
    indices.push_back(static_cast<uint8_t>(index));
    expected.insert(expected.end(), {uint8_t(map[index] >> 8), uint8_t(map[16 + index] >> 8), uint8_t(map[32 + index] >> 8)});
  }
  TiffPicture palette = Picture(indices, 1, PHOTOMETRIC_PALETTE);
  palette.bits = 8;
  palette.colormap.assign(3 * 256, 0);
  for (int c = 0; c < 3; ++c) std::copy_n(map.begin() + c * 16, 16, palette.colormap.begin() + c * 256);
  ExpectPicture(WriteAndDecode(dir, "palette8", palette), expected);

  TiffPicture oldMap = palette;
  for (uint16_t& entry : oldMap.colormap) entry = static_cast<uint16_t>(entry >> 8);
  ExpectPicture(WriteAndDecode(dir, "palette8-old-map", oldMap), expected);

  TiffPicture palette4 = Picture({}, 1, PHOTOMETRIC_PALETTE);
  palette4.bits = 4;
  palette4.colormap = map;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; x += 2) {
      const uint8_t high = indices[y * kWidth + x];
      const uint8_t low = x + 1 < kWidth ? indices[y * kWidth + x + 1] : 0;
      palette4.data.push_back(static_cast<uint8_t>(high << 4 | low));
    }
  }
  ExpectPicture(WriteAndDecode(dir, "palette4", palette4), expected);
}

TEST(TiffDecodeTest, PlanarTiledAndSixteenBitLayoutsGiveTheSamePicture) {
  ScopedTempDir dir;
  // Bigger than one 16 x 16 tile, so edge tiles are cut on the right and at the bottom.
  constexpr int kSide = 20;
  constexpr int kTall = 18;
  const std::vector<uint8_t> rgb = Rgb(kSide, kTall);
  TiffPicture base;
  base.width = static_cast<uint32_t>(kSide);
  base.height = static_cast<uint32_t>(kTall);
  base.samples = 3;

  TiffPicture strips = base;
  strips.data = rgb;
  strips.rowsPerStrip = 4;
  strips.compression = COMPRESSION_LZW;
  ExpectPicture(WriteAndDecode(dir, "strips", strips), rgb, kSide, kTall);

  TiffPicture tiles = strips;
  tiles.tileSide = 16;
  ExpectPicture(WriteAndDecode(dir, "tiles", tiles), rgb, kSide, kTall);

  // Plane after plane, 16 bits a sample with a low byte that must not matter.
  TiffPicture planar = base;
  planar.planar = true;
  planar.bits = 16;
  planar.rowsPerStrip = 5;
  planar.compression = COMPRESSION_ADOBE_DEFLATE;
  for (size_t c = 0; c < 3; ++c) {
    for (size_t i = c; i < rgb.size(); i += 3) planar.data.insert(planar.data.end(), {0x5A, rgb[i]});
  }
  ExpectPicture(WriteAndDecode(dir, "planar16", planar), rgb, kSide, kTall);

  TiffPicture planarTiles = planar;
  planarTiles.tileSide = 16;
  ExpectPicture(WriteAndDecode(dir, "planar16-tiles", planarTiles), rgb, kSide, kTall);
}

TEST(TiffDecodeTest, CmykAndYCbCrBecomeRgb) {
  ScopedTempDir dir;
  // Ink amounts: cyan + yellow is green; black darkens everything alike.
  const std::vector<uint8_t> cmyk = {0, 0, 0, 0,  255, 0, 255, 0,  0, 255, 255, 0,  0, 0, 0, 255,  0, 0, 0, 128};
  const std::vector<uint8_t> light = {255, 255, 255,  0, 255, 0,  255, 0, 0,  0, 0, 0,  127, 127, 127};
  std::vector<uint8_t> data;
  std::vector<uint8_t> expected;
  for (int i = 0; i < 3; ++i) {
    data.insert(data.end(), cmyk.begin(), cmyk.end());
    expected.insert(expected.end(), light.begin(), light.end());
  }
  ExpectPicture(WriteAndDecode(dir, "cmyk", Picture(data, 4, PHOTOMETRIC_SEPARATED)), expected);

  TiffPicture planarCmyk = Picture({}, 4, PHOTOMETRIC_SEPARATED);
  planarCmyk.planar = true;
  for (size_t c = 0; c < 4; ++c) {
    for (size_t i = c; i < data.size(); i += 4) planarCmyk.data.push_back(data[i]);
  }
  ExpectPicture(WriteAndDecode(dir, "cmyk-planar", planarCmyk), expected);

  // YCbCr subsampled 2 x 2, stored as blocks of four luma samples, Cb and Cr. Neutral chroma
  // leaves grey; the last block carries strong red chroma.
  TiffPicture blocks = Picture({10, 20, 30, 40, 128, 128,  50, 60, 70, 80, 128, 128,  90, 100, 110, 120, 128, 128,
                                130, 140, 150, 160, 128, 128,  170, 180, 190, 200, 128, 128,  76, 76, 76, 76, 85, 255},
                               3, PHOTOMETRIC_YCBCR);
  blocks.subsampling = {2, 2};
  const Decoded ycbcr = WriteAndDecode(dir, "ycbcr", blocks);
  std::vector<uint8_t> ycbcrExpected = Grey({10, 20, 50, 60, 90, 30, 40, 70, 80, 110, 130, 140, 170, 180, 76});
  ycbcrExpected[14 * 3 + 1] = ycbcrExpected[14 * 3 + 2] = 0;
  ycbcrExpected[14 * 3] = 254;
  ExpectClose(ycbcr, ycbcrExpected, 1);

  // JPEG-compressed YCbCr, decoded to RGB by the codec: lossy, so close to the solid colour.
  TiffPicture jpeg;
  jpeg.width = jpeg.height = 16;
  jpeg.photometric = PHOTOMETRIC_YCBCR;
  jpeg.compression = COMPRESSION_JPEG;
  jpeg.subsampling = {1, 1};
  jpeg.rgbIntoJpegYCbCr = true;
  for (int i = 0; i < 16 * 16; ++i) jpeg.data.insert(jpeg.data.end(), {230, 120, 20});
  ExpectClose(WriteAndDecode(dir, "jpeg", jpeg), std::vector<uint8_t>(jpeg.data), 6);
}

TEST(TiffDecodeTest, SampleFormatsWithoutAnRgbReadingAreRefused) {
  ScopedTempDir dir;
  const auto expectRefused = [&](const std::string& name, const TiffPicture& picture) {
    const Decoded decoded = WriteAndDecode(dir, name, picture);
    ExpectFailure(decoded, "Failed to convert image pixel format for " + decoded.path);
  };
  TiffPicture floats = Picture(std::vector<uint8_t>(kWidth * kHeight * 4, 0), 1, PHOTOMETRIC_MINISBLACK);
  floats.bits = 32;
  floats.sampleFormat = SAMPLEFORMAT_IEEEFP;
  expectRefused("float", floats);

  expectRefused("lab", Picture(Rgb(), 3, PHOTOMETRIC_CIELAB));

  TiffPicture twelve = Picture(std::vector<uint8_t>(kHeight * 8, 0), 1, PHOTOMETRIC_MINISBLACK);
  twelve.bits = 12;
  expectRefused("twelve-bit", twelve);
}

}  // namespace
}  // namespace vesk::test
