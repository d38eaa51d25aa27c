#pragma once
// DecodeImage called the way the tests need it: UTF-8 results, and stale content in the picture
// beforehand, so that a failed call that leaves something behind is noticed.

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
};

Decoded Decode(const std::u16string& path);
Decoded Decode(const std::filesystem::path& path);

// A complete picture of the given size holding exactly rgb.
void ExpectPicture(const Decoded& decoded, const std::vector<uint8_t>& rgb, int width, int height);

// A failure with exactly message, and nothing left in the picture.
void ExpectFailure(const Decoded& decoded, const std::string& message);

}  // namespace vesk::test
