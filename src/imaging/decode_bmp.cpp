// BMP through stb_image, compiled here with only its BMP reader, since no maintained system
// library covers the format.

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#include <stb/stb_image.h>

#include <climits>
#include <cstring>

#include "imaging/posix_image_codecs.h"

namespace vesk {
namespace {

// stb_image takes the length as an int.
bool FitsStb(std::span<const uint8_t> file) { return file.size() <= static_cast<size_t>(INT_MAX); }

uint32_t Little16(const uint8_t* p) { return uint32_t{p[0]} | (uint32_t{p[1]} << 8); }
uint32_t Little32(const uint8_t* p) { return Little16(p) | (Little16(p + 2) << 16); }

// stb reads zeros past the end of a file, so a cut-off BMP would come out as a picture with black
// rows. The pixel rows of the formats stb accepts (uncompressed or bit fields) have a fixed size,
// which lets the file be checked for all of them first.
bool HoldsAllRows(std::span<const uint8_t> file, FrameSize size) {
  if (file.size() < 30) return false;
  const uint8_t* p = file.data();
  const uint64_t offset = Little32(p + 10);
  const uint32_t headerSize = Little32(p + 14);
  const uint64_t bitsPerPixel = headerSize == 12 ? Little16(p + 24) : Little16(p + 28);
  const uint64_t rowBytes = (bitsPerPixel * size.width + 31) / 32 * 4;
  return offset + rowBytes * size.height <= file.size();
}

class BmpCodec final : public ImageCodec {
 public:
  bool Recognizes(std::span<const uint8_t> file) const override {
    return file.size() >= 2 && file[0] == 'B' && file[1] == 'M';
  }

  CodecStatus ReadSize(std::span<const uint8_t> file, FrameSize& size) const override {
    int width = 0;
    int height = 0;
    int channels = 0;
    if (!FitsStb(file) ||
        !stbi_info_from_memory(file.data(), static_cast<int>(file.size()), &width, &height, &channels)) {
      return CodecStatus::Unreadable;
    }
    size.width = static_cast<uint64_t>(width);
    size.height = static_cast<uint64_t>(height);
    return CodecStatus::Ok;
  }

  CodecStatus ReadPixels(std::span<const uint8_t> file, FrameSize size, uint8_t* rgb) const override {
    int width = 0;
    int height = 0;
    int channels = 0;
    if (!FitsStb(file) || !HoldsAllRows(file, size)) return CodecStatus::PixelsFailed;
    // Asking for three channels makes stb drop a fourth (alpha) byte as stored, without blending.
    stbi_uc* pixels = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &width, &height, &channels, 3);
    if (pixels == nullptr) return CodecStatus::PixelsFailed;
    const bool sameSize = static_cast<uint64_t>(width) == size.width && static_cast<uint64_t>(height) == size.height;
    if (sameSize) std::memcpy(rgb, pixels, static_cast<size_t>(size.width * size.height * 3));
    stbi_image_free(pixels);
    return sameSize ? CodecStatus::Ok : CodecStatus::PixelsFailed;
  }
};

}  // namespace

const ImageCodec& BmpImageCodec() {
  static const BmpCodec codec;
  return codec;
}

}  // namespace vesk
