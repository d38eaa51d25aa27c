// Decoding through the Windows Imaging Component, on pictures its own encoders write.

#include "imaging/image_decoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/decode_result.h"
#include "imaging/wic_writer_win32.h"
#include "platform/path.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;
using test::Container;
using test::Frame;
using test::Layout;
using test::ScopedTempDir;

using test::Decode;
using test::Decoded;
using test::ExpectFailure;
using test::Indices;
using test::kHeight;
using test::kPalette;
using test::kWidth;
using test::Rgb;

Frame RgbFrame() { return Frame{Layout::Rgb, Rgb(), {}}; }
Frame IndexedFrame() { return Frame{Layout::Indexed, Indices(), kPalette}; }

void ExpectPicture(const Decoded& decoded, const std::vector<uint8_t>& rgb) {
  test::ExpectPicture(decoded, rgb, kWidth, kHeight);
}

TEST(DecodeImageTest, LosslessContainersComeOutAsTheSameEightBitRgb) {
  ScopedTempDir dir;
  for (const auto& [name, container] : {std::pair{"a.png", Container::Png}, std::pair{"a.bmp", Container::Bmp},
                                        std::pair{"a.tif", Container::Tiff}}) {
    test::WritePicture(dir.path() / name, container, kWidth, kHeight, {RgbFrame()});
    ExpectPicture(Decode(dir.path() / name), Rgb());
  }
  // GIF holds palettes only; four colours pass through one exactly.
  test::WritePicture(dir.path() / "a.gif", Container::Gif, kWidth, kHeight, {IndexedFrame()});
  ExpectPicture(Decode(dir.path() / "a.gif"), Rgb());
}

TEST(DecodeImageTest, JpegDecodesApproximately) {
  ScopedTempDir dir;
  // Smooth content, which JPEG keeps close.
  constexpr int kSide = 32;
  std::vector<uint8_t> rgb;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      rgb.insert(rgb.end(), {static_cast<uint8_t>(x * 8), static_cast<uint8_t>(y * 8), 128});
    }
  }
  test::WritePicture(dir.path() / "a.jpg", Container::Jpeg, kSide, kSide, {Frame{Layout::Rgb, rgb, {}}});
  const Decoded decoded = Decode(dir.path() / "a.jpg");
  ASSERT_TRUE(decoded.ok) << decoded.error;
  ASSERT_EQ(decoded.image.pixels.size(), rgb.size());
  for (size_t i = 0; i < rgb.size(); ++i) {
    ASSERT_LE(std::abs(decoded.image.pixels[i] - rgb[i]), 24) << "byte " << i;
  }
}

// Palette and grey sources go through the converter cascade; under Wine their 24-bit conversions pass
// Initialize and then fail to copy, and the next target takes over.
TEST(DecodeImageTest, PaletteAndGreySourcesComeOutAsRgb) {
  ScopedTempDir dir;
  for (const auto& [name, container] : {std::pair{"p.png", Container::Png}, std::pair{"p.bmp", Container::Bmp},
                                        std::pair{"p.gif", Container::Gif}, std::pair{"p.tif", Container::Tiff}}) {
    test::WritePicture(dir.path() / name, container, kWidth, kHeight, {IndexedFrame()});
    EXPECT_EQ(test::StoredFormatOf(dir.path() / name), "indexed") << name;
    const Decoded decoded = Decode(dir.path() / name);
    ExpectPicture(decoded, Rgb());
  }

  std::vector<uint8_t> grey(kWidth * kHeight);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<uint8_t>(i * 17);
  std::vector<uint8_t> greyRgb;
  for (uint8_t g : grey) greyRgb.insert(greyRgb.end(), {g, g, g});
  for (const auto& [name, container] : {std::pair{"g.png", Container::Png}, std::pair{"g.tif", Container::Tiff}}) {
    test::WritePicture(dir.path() / name, container, kWidth, kHeight, {Frame{Layout::Grey, grey, {}}});
    EXPECT_EQ(test::StoredFormatOf(dir.path() / name), "grey") << name;
    ExpectPicture(Decode(dir.path() / name), greyRgb);
  }
}

TEST(DecodeImageTest, AlphaIsDroppedWithoutBlending) {
  ScopedTempDir dir;
  test::WritePicture(dir.path() / "alpha.png", Container::Png, kWidth, kHeight,
                     {Frame{Layout::Rgba, test::WithAlpha(Rgb()), {}}});
  EXPECT_EQ(test::StoredFormatOf(dir.path() / "alpha.png"), "rgba");
  ExpectPicture(Decode(dir.path() / "alpha.png"), Rgb());
}

TEST(DecodeImageTest, MultiFrameFilesYieldTheirFirstFrame) {
  ScopedTempDir dir;
  Frame second = RgbFrame();
  for (uint8_t& byte : second.pixels) byte = static_cast<uint8_t>(255 - byte);
  test::WritePicture(dir.path() / "pages.tif", Container::Tiff, kWidth, kHeight, {RgbFrame(), second});
  ExpectPicture(Decode(dir.path() / "pages.tif"), Rgb());

  Frame otherIndices = IndexedFrame();
  for (uint8_t& index : otherIndices.pixels) index = static_cast<uint8_t>(3 - index);
  test::WritePicture(dir.path() / "anim.gif", Container::Gif, kWidth, kHeight, {IndexedFrame(), otherIndices});
  ExpectPicture(Decode(dir.path() / "anim.gif"), Rgb());
}

// A BMP header (file and information header) for a 24-bit picture whose pixel data is missing.
std::string BmpHeaderOnly(int32_t width, int32_t height) {
  std::string header(54, '\0');
  const auto put32 = [&](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) header[at + i] = static_cast<char>(value >> (8 * i));
  };
  header[0] = 'B';
  header[1] = 'M';
  put32(2, 54);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  header[26] = 1;   // planes
  header[28] = 24;  // bits a pixel
  return header;
}

TEST(DecodeImageTest, SizeLimitsAreCheckedFromTheHeaderBeforeDecoding) {
  ScopedTempDir dir;
  const auto crafted = [&](const char* name, int32_t width, int32_t height) {
    const fs::path path = dir.path() / name;
    test::WriteFile(path, BmpHeaderOnly(width, height));
    return path;
  };
  const auto expectRefused = [&](const fs::path& path, const std::string& size) {
    ExpectFailure(Decode(path), "Image dimensions out of range (" + size + "): " + path.string());
  };
  expectRefused(crafted("tall.bmp", 16384, 4097), "16384x4097");
  expectRefused(crafted("wide.bmp", 16385, 1), "16385x1");
  expectRefused(crafted("huge.bmp", 60000, 60000), "60000x60000");
}

TEST(DecodeImageTest, FilesThatAreNoPicturesFailToOpen) {
  ScopedTempDir dir;
  const auto expectOpenFailure = [&](const fs::path& path) {
    ExpectFailure(Decode(path), "Failed to open image: " + path.string());
  };
  test::WriteFile(dir.path() / "notes.png", "just some text, not a picture\n");
  expectOpenFailure(dir.path() / "notes.png");
  test::WriteFile(dir.path() / "empty.png", "");
  expectOpenFailure(dir.path() / "empty.png");
  expectOpenFailure(dir.path() / "missing.png");
  expectOpenFailure(dir.path());  // a folder
}

TEST(DecodeImageTest, NonAsciiPathWorksAndAppearsUnchangedInMessages) {
  ScopedTempDir dir;
  const std::u16string path = JoinPath(dir.u16(), u"Bildschirm \u00e4\u4e2d\U0001F600.png");
  test::WritePicture(NativePath(path), Container::Png, kWidth, kHeight, {RgbFrame()});
  ExpectPicture(Decode(path), Rgb());

  const std::u16string missing = JoinPath(dir.u16(), u"fehlt \u00e4.png");
  ExpectFailure(Decode(missing), "Failed to open image: " + ToUtf8(missing));
}

}  // namespace
}  // namespace vesk
