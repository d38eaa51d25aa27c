#include "imaging/decode_result.h"

#include <gtest/gtest.h>

#include <utility>

#include "platform/text.h"

namespace vesk::test {

Decoded Decode(const std::u16string& path) {
  Outcome<DecodedImage> decoded = DecodeImage(path);
  Decoded out;
  out.path = ToUtf8(path);
  out.ok = decoded.ok();
  if (decoded.ok()) out.image = std::move(*decoded);
  out.error = decoded.status().message();
  out.kind = decoded.status().kind();
  return out;
}

Decoded Decode(const std::filesystem::path& path) { return Decode(FromUtf8(path.string())); }

void ExpectPicture(const Decoded& decoded, const std::vector<uint8_t>& rgb, int width, int height) {
  SCOPED_TRACE(decoded.path);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.image.width, width);
  EXPECT_EQ(decoded.image.height, height);
  EXPECT_EQ(decoded.image.pixels, rgb);
}

void ExpectFailure(const Decoded& decoded, const std::string& message) {
  EXPECT_FALSE(decoded.ok);
  EXPECT_EQ(decoded.error, message);
  EXPECT_EQ(decoded.kind, FailureKind::ImageFailed);
}

std::vector<uint8_t> Indices() {
  std::vector<uint8_t> indices(kWidth * kHeight);
  for (int i = 0; i < kWidth * kHeight; ++i) indices[i] = static_cast<uint8_t>((i * 7 + i / kWidth) % 4);
  indices[0] = 0;
  return indices;
}

std::vector<uint8_t> Rgb() {
  std::vector<uint8_t> rgb;
  for (uint8_t index : Indices()) rgb.insert(rgb.end(), kPalette.begin() + index * 3, kPalette.begin() + index * 3 + 3);
  return rgb;
}

std::vector<uint8_t> WithAlpha(const std::vector<uint8_t>& rgb) {
  std::vector<uint8_t> rgba;
  for (size_t i = 0; i < rgb.size(); i += 3) {
    rgba.insert(rgba.end(), rgb.begin() + i, rgb.begin() + i + 3);
    rgba.push_back(static_cast<uint8_t>(i % 2 ? 0 : 128));
  }
  return rgba;
}

}  // namespace vesk::test
