#include "imaging/posix_image_codecs.h"

#include <array>

namespace vesk {

std::span<const ImageCodec* const> ImageCodecs() {
  static const std::array<const ImageCodec*, 6> codecs = {
      &PngImageCodec(), &JpegImageCodec(), &WebpImageCodec(),
      &TiffImageCodec(), &GifImageCodec(), &BmpImageCodec(),
  };
  return codecs;
}

}  // namespace vesk
