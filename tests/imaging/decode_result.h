#pragma once
// DecodeImage called the way the tests need it: the picture, or the failure's message.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/image_decoder.h"

namespace vesk::test {

struct Decoded {
  std::string path;
  bool ok = false;
  DecodedImage image;
  std::string error;
  FailureKind kind = FailureKind::None;
};

Decoded Decode(const std::u16string& path);
Decoded Decode(const std::filesystem::path& path);

// A complete picture of the given size holding exactly rgb.
void ExpectPicture(const Decoded& decoded, const std::vector<uint8_t>& rgb, int width, int height);

// A failure of the image kind with exactly message.
void ExpectFailure(const Decoded& decoded, const std::string& message);

// The small picture the decoder tests encode in every format: an odd width, so that any row padding
// shows, and the top-left pixel pure red. It uses the four colours of kPalette only, so even the palette
// formats carry it exactly.
inline constexpr int kWidth = 5;
inline constexpr int kHeight = 3;
inline const std::vector<uint8_t> kPalette = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};

// Its palette indices, and its RGB pixels.
std::vector<uint8_t> Indices();
std::vector<uint8_t> Rgb();

// rgb with an alpha byte added to every pixel, fully and half transparent in turn.
std::vector<uint8_t> WithAlpha(const std::vector<uint8_t>& rgb);

}  // namespace vesk::test
