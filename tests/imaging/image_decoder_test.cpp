#include "imaging/image_decoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "imaging/decode_result.h"
#include "imaging/image_writers.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using test::Decode;
using test::Decoded;
using test::ExpectFailure;
using test::ScopedTempDir;

using test::Indices;
using test::kHeight;
using test::kPalette;
using test::kWidth;
using test::Rgb;
using test::WithAlpha;

void ExpectPicture(const Decoded& decoded, const std::vector<uint8_t>& rgb) {
  test::ExpectPicture(decoded, rgb, kWidth, kHeight);
}

test::PngPicture RgbPng() {
  test::PngPicture picture;
  picture.width = kWidth;
  picture.height = kHeight;
  picture.rows = Rgb();
  return picture;
}

TEST(DecodeImageTest, PngVariantsComeOutAsTheSameEightBitRgb) {
  ScopedTempDir dir;
  const std::vector<uint8_t> rgb = Rgb();

  test::PngPicture plain = RgbPng();
  test::WritePng(dir.path() / "rgb.png", plain);
  ExpectPicture(Decode(dir.path() / "rgb.png"), rgb);

  plain.interlaced = true;
  test::WritePng(dir.path() / "adam7.png", plain);
  ExpectPicture(Decode(dir.path() / "adam7.png"), rgb);

  // 16-bit: the high byte counts, whatever the low byte holds.
  test::PngPicture deep = RgbPng();
  deep.bitDepth = 16;
  deep.rows.clear();
  for (uint8_t v : rgb) deep.rows.insert(deep.rows.end(), {v, 0xC3});
  test::WritePng(dir.path() / "deep.png", deep);
  ExpectPicture(Decode(dir.path() / "deep.png"), rgb);

  // Palette with a tRNS chunk: the transparent entry keeps its colour.
  test::PngPicture palette = RgbPng();
  palette.colorType = 3;  // PNG_COLOR_TYPE_PALETTE
  palette.rows = Indices();
  palette.paletteRgb = kPalette;
  palette.transparency = {0, 255, 64, 255};
  test::WritePng(dir.path() / "palette.png", palette);
  ExpectPicture(Decode(dir.path() / "palette.png"), rgb);

  // RGBA: alpha dropped, colours as stored, no blending against any background.
  test::PngPicture rgba = RgbPng();
  rgba.colorType = 6;  // PNG_COLOR_TYPE_RGB_ALPHA
  rgba.rows = WithAlpha(rgb);
  test::WritePng(dir.path() / "rgba.png", rgba);
  ExpectPicture(Decode(dir.path() / "rgba.png"), rgb);
}

TEST(DecodeImageTest, GreyPngsBecomeRgbWithEqualChannels) {
  ScopedTempDir dir;
  std::vector<uint8_t> grey(kWidth * kHeight);
  std::vector<uint8_t> expected;
  for (size_t i = 0; i < grey.size(); ++i) {
    grey[i] = static_cast<uint8_t>(i * 17);
    expected.insert(expected.end(), 3, grey[i]);
  }
  test::PngPicture picture;
  picture.width = kWidth;
  picture.height = kHeight;
  picture.colorType = 0;  // PNG_COLOR_TYPE_GRAY
  picture.rows = grey;
  test::WritePng(dir.path() / "grey.png", picture);
  ExpectPicture(Decode(dir.path() / "grey.png"), expected);

  picture.colorType = 4;  // PNG_COLOR_TYPE_GRAY_ALPHA
  picture.rows.clear();
  for (uint8_t v : grey) picture.rows.insert(picture.rows.end(), {v, 7});
  test::WritePng(dir.path() / "grey-alpha.png", picture);
  ExpectPicture(Decode(dir.path() / "grey-alpha.png"), expected);

  // 1-bit grey expands to full black and white.
  picture.colorType = 0;
  picture.bitDepth = 1;
  picture.rows = {0x80, 0x00, 0x80};  // first pixel of rows 0 and 2 white
  test::WritePng(dir.path() / "bits.png", picture);
  const Decoded bits = Decode(dir.path() / "bits.png");
  ASSERT_TRUE(bits.ok) << bits.error;
  EXPECT_EQ(bits.image.pixels[0], 255);
  EXPECT_EQ(bits.image.pixels[3], 0);
  EXPECT_EQ(bits.image.pixels[kWidth * 3 * 2 + 2], 255);
}

TEST(DecodeImageTest, LosslessFormatsDecodeExactly) {
  ScopedTempDir dir;
  const std::vector<uint8_t> rgb = Rgb();

  test::WriteBmp(dir.path() / "picture.bmp", kWidth, kHeight, rgb);
  ExpectPicture(Decode(dir.path() / "picture.bmp"), rgb);

  test::WriteLosslessWebp(dir.path() / "picture.webp", kWidth, kHeight, 3, rgb);
  ExpectPicture(Decode(dir.path() / "picture.webp"), rgb);

  test::WriteLosslessWebp(dir.path() / "alpha.webp", kWidth, kHeight, 4, WithAlpha(rgb));
  ExpectPicture(Decode(dir.path() / "alpha.webp"), rgb);
}

TEST(DecodeImageTest, MultiFrameFilesYieldTheirFirstFrame) {
  ScopedTempDir dir;
  const std::vector<uint8_t> rgb = Rgb();
  std::vector<uint8_t> other = Indices();
  for (uint8_t& index : other) index = 3;

  // The first frame marks red as transparent: it still reads as red.
  test::WriteGif(dir.path() / "anim.gif", kWidth, kHeight, kPalette, {{Indices(), 0}, {other, -1}});
  ExpectPicture(Decode(dir.path() / "anim.gif"), rgb);

  const std::vector<uint8_t> white(rgb.size(), 255);
  test::WriteTiff(dir.path() / "pages.tif", kWidth, kHeight, {rgb, white});
  ExpectPicture(Decode(dir.path() / "pages.tif"), rgb);

  const std::vector<uint8_t> opaque = [&] {
    std::vector<uint8_t> rgba = WithAlpha(rgb);
    for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
    return rgba;
  }();
  test::WriteAnimatedWebp(dir.path() / "anim.webp", kWidth, kHeight, opaque, WithAlpha(white));
  ExpectPicture(Decode(dir.path() / "anim.webp"), rgb);
}

// JPEG is lossy: colours come back close, and a pure red corner stays pure red to the eye.
TEST(DecodeImageTest, JpegDecodesApproximately) {
  ScopedTempDir dir;
  constexpr int kSide = 16;
  std::vector<uint8_t> rgb(kSide * kSide * 3);
  for (size_t i = 0; i < rgb.size(); i += 3) rgb[i] = 255;  // all red: no ringing at block edges
  test::WriteJpeg(dir.path() / "red.jpg", kSide, kSide, 3, rgb);
  const Decoded red = Decode(dir.path() / "red.jpg");
  ASSERT_TRUE(red.ok) << red.error;
  ASSERT_EQ(red.image.pixels.size(), rgb.size());
  EXPECT_GE(red.image.pixels[0], 250);
  EXPECT_LE(red.image.pixels[1], 5);
  EXPECT_LE(red.image.pixels[2], 5);

  std::vector<uint8_t> grey(kSide * kSide, 90);
  test::WriteJpeg(dir.path() / "grey.jpg", kSide, kSide, 1, grey);
  const Decoded greyImage = Decode(dir.path() / "grey.jpg");
  ASSERT_TRUE(greyImage.ok) << greyImage.error;
  for (uint8_t v : greyImage.image.pixels) EXPECT_NEAR(v, 90, 2);

  std::vector<uint8_t> cmyk(kSide * kSide * 4, 0);
  for (size_t i = 0; i < cmyk.size(); i += 4) cmyk[i + 1] = cmyk[i + 2] = 255;  // magenta + yellow = red
  test::WriteAdobeCmykJpeg(dir.path() / "cmyk.jpg", kSide, kSide, cmyk);
  const Decoded cmykImage = Decode(dir.path() / "cmyk.jpg");
  ASSERT_TRUE(cmykImage.ok) << cmykImage.error;
  EXPECT_GE(cmykImage.image.pixels[0], 250);
  EXPECT_LE(cmykImage.image.pixels[1], 5);
  EXPECT_LE(cmykImage.image.pixels[2], 5);
}

TEST(DecodeImageTest, FormatIsTakenFromContentNotName) {
  ScopedTempDir dir;
  test::WritePng(dir.path() / "really-a-png.jpg", RgbPng());
  ExpectPicture(Decode(dir.path() / "really-a-png.jpg"), Rgb());
}

TEST(DecodeImageTest, NonAsciiPathWorksAndAppearsUnchangedInMessages) {
  ScopedTempDir dir;
  const std::u16string name = u"Bildschirm \u00e4\u4e2d\U0001F600.png";
  const std::u16string path = dir.u16() + u"/" + name;
  test::WritePng(std::filesystem::path(ToUtf8(path)), RgbPng());
  ExpectPicture(Decode(path), Rgb());

  const std::u16string missing = dir.u16() + u"/fehlt \u00e4.png";
  ExpectFailure(Decode(missing), "Failed to open image: " + ToUtf8(missing));
}

TEST(DecodeImageTest, SizeLimitsAreCheckedFromTheHeaderBeforeDecoding) {
  ScopedTempDir dir;
  const auto crafted = [&](const char* name, uint32_t width, uint32_t height, const std::string& extra = {}) {
    const auto path = dir.path() / name;
    test::WriteFile(path, test::PngHeaderOnly(width, height, extra));
    return path;
  };
  const auto expectRefused = [&](const std::filesystem::path& path, const std::string& size) {
    ExpectFailure(Decode(path), "Image dimensions out of range (" + size + "): " + path.string());
  };
  expectRefused(crafted("tall.png", 16384, 4097), "16384x4097");
  expectRefused(crafted("wide.png", 16385, 1), "16385x1");
  expectRefused(crafted("huge.png", 60000, 60000), "60000x60000");
  expectRefused(crafted("max.png", 0x7FFFFFFF, 0x7FFFFFFF), "2147483647x2147483647");

  // Exactly 2^26 pixels passes the size check; the missing body then fails as pixel data.
  const auto limit = crafted("limit.png", 16384, 4096, std::string("\0\0\0\x10IDAT\x78\x9c", 10));
  ExpectFailure(Decode(limit), "Failed to read pixels from " + limit.string());

  const auto empty = crafted("zero.png", 0, 10);
  ExpectFailure(Decode(empty), "Invalid image dimensions: " + empty.string());
}

TEST(DecodeImageTest, UnrecognisedOrUnreadableFilesFailToOpen) {
  ScopedTempDir dir;
  const auto expectOpenFailure = [&](const std::filesystem::path& path) {
    ExpectFailure(Decode(path), "Failed to open image: " + path.string());
  };
  test::WriteFile(dir.path() / "notes.png", "just some text, not a picture\n");
  expectOpenFailure(dir.path() / "notes.png");
  test::WriteFile(dir.path() / "empty.png", "");
  expectOpenFailure(dir.path() / "empty.png");
  expectOpenFailure(dir.path() / "missing.png");
  expectOpenFailure(dir.path());  // a folder
  // Right signature, damaged header.
  test::WriteFile(dir.path() / "short.png", std::string("\x89PNG\r\n\x1a\n\0\0", 10));
  expectOpenFailure(dir.path() / "short.png");
  std::string badCrc = test::PngHeaderOnly(16, 16);
  badCrc[20] ^= 1;  // height changed behind the checksum's back
  test::WriteFile(dir.path() / "crc.png", badCrc);
  expectOpenFailure(dir.path() / "crc.png");
  test::WriteFile(dir.path() / "short.jpg", std::string("\xFF\xD8\xFF\xE0\0\x10JFIF", 10));
  expectOpenFailure(dir.path() / "short.jpg");
}

// Every format cut off inside its pixel data fails instead of passing a half-filled picture.
TEST(DecodeImageTest, TruncatedPixelDataFails) {
  ScopedTempDir dir;
  constexpr int kSide = 64;
  std::vector<uint8_t> rgb(kSide * kSide * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(std::rand());

  const auto expectTruncatedFails = [&](const std::filesystem::path& path, const std::string& message) {
    const std::string whole = test::ReadFile(path);
    const auto cut = dir.path() / ("cut-" + path.filename().string());
    test::WriteFile(cut, whole.substr(0, whole.size() * 2 / 3));
    ExpectFailure(Decode(cut), message + cut.string());
  };
  test::PngPicture png;
  png.width = png.height = kSide;
  png.rows = rgb;
  test::WritePng(dir.path() / "p.png", png);
  expectTruncatedFails(dir.path() / "p.png", "Failed to read pixels from ");
  test::WriteJpeg(dir.path() / "j.jpg", kSide, kSide, 3, rgb);
  expectTruncatedFails(dir.path() / "j.jpg", "Failed to read pixels from ");
  test::WriteLosslessWebp(dir.path() / "w.webp", kSide, kSide, 3, rgb);
  expectTruncatedFails(dir.path() / "w.webp", "Failed to read pixels from ");
  // libtiff writes the directory after the pixel data, so a cut-off TIFF has lost its header.
  test::WriteTiff(dir.path() / "t.tif", kSide, kSide, {rgb});
  expectTruncatedFails(dir.path() / "t.tif", "Failed to open image: ");
  test::WriteBmp(dir.path() / "b.bmp", kSide, kSide, rgb);
  expectTruncatedFails(dir.path() / "b.bmp", "Failed to read pixels from ");
  std::vector<uint8_t> indices(kSide * kSide);
  for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<uint8_t>(std::rand() % 4);
  test::WriteGif(dir.path() / "g.gif", kSide, kSide, kPalette, {{indices, -1}});
  expectTruncatedFails(dir.path() / "g.gif", "Failed to read pixels from ");
}

TEST(DecodeImageTest, GifWithoutAnImageHasNoFrame) {
  ScopedTempDir dir;
  const auto path = dir.path() / "none.gif";
  test::WriteGif(path, kWidth, kHeight, kPalette, {});
  ExpectFailure(Decode(path), "Failed to decode image frame from " + path.string());
}

// Damaged files (bytes overwritten anywhere, header included) end in a complete picture or one of
// the decoder's messages, never a crash; run under the sanitizers this also catches stray reads.
TEST(DecodeImageTest, DamagedFilesNeverCrash) {
  ScopedTempDir dir;
  constexpr int kSide = 24;
  std::mt19937 random(11);
  std::vector<uint8_t> rgb(kSide * kSide * 3);
  for (uint8_t& v : rgb) v = static_cast<uint8_t>(random());
  std::vector<uint8_t> indices(kSide * kSide);
  for (uint8_t& v : indices) v = static_cast<uint8_t>(random() % 4);
  test::PngPicture png;
  png.width = png.height = kSide;
  png.rows = rgb;
  test::WritePng(dir.path() / "p.png", png);
  test::WriteJpeg(dir.path() / "j.jpg", kSide, kSide, 3, rgb);
  test::WriteLosslessWebp(dir.path() / "w.webp", kSide, kSide, 3, rgb);
  test::WriteTiff(dir.path() / "t.tif", kSide, kSide, {rgb});
  test::WriteBmp(dir.path() / "b.bmp", kSide, kSide, rgb);
  test::WriteGif(dir.path() / "g.gif", kSide, kSide, kPalette, {{indices, -1}});

  const std::vector<std::string> prefixes = {"Failed to open image: ", "Failed to read pixels from ",
                                             "Failed to decode image frame from ", "Invalid image dimensions: ",
                                             "Image dimensions out of range ("};
  const auto damaged = dir.path() / "damaged";
  for (const char* name : {"p.png", "j.jpg", "w.webp", "t.tif", "b.bmp", "g.gif"}) {
    const std::string original = test::ReadFile(dir.path() / name);
    for (int round = 0; round < 150; ++round) {
      std::string bytes = original;
      // Keep the signature so the same back-end is exercised every round.
      const int hits = 1 + static_cast<int>(random() % 4);
      for (int i = 0; i < hits; ++i) bytes[4 + random() % (bytes.size() - 4)] = static_cast<char>(random());
      test::WriteFile(damaged, bytes);
      const Decoded decoded = Decode(damaged);
      SCOPED_TRACE(std::string(name) + " round " + std::to_string(round));
      if (decoded.ok) {
        EXPECT_EQ(decoded.image.pixels.size(),
                  static_cast<size_t>(decoded.image.width) * static_cast<size_t>(decoded.image.height) * 3);
        continue;
      }
      bool known = false;
      for (const std::string& prefix : prefixes) known = known || decoded.error.rfind(prefix, 0) == 0;
      EXPECT_TRUE(known) << decoded.error;
    }
  }
}

}  // namespace
}  // namespace vesk
