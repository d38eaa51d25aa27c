// WebP through libwebp; animated files through libwebpdemux, which composes the first frame onto
// the canvas as the file describes it.

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>

#include "imaging/posix_image_codecs.h"

namespace vesk {
namespace {

CodecStatus ReadFirstAnimationFrame(std::span<const uint8_t> file, FrameSize size, uint8_t* rgb) {
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options)) return CodecStatus::PixelsFailed;
  options.color_mode = MODE_RGBA;
  options.use_threads = 0;
  const WebPData data{file.data(), file.size()};
  WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
  if (decoder == nullptr) return CodecStatus::PixelsFailed;

  CodecStatus status = CodecStatus::NoFrame;
  WebPAnimInfo info;
  uint8_t* canvas = nullptr;
  int timestamp = 0;
  if (!WebPAnimDecoderGetInfo(decoder, &info) || info.canvas_width != size.width ||
      info.canvas_height != size.height) {
    status = CodecStatus::PixelsFailed;
  } else if (info.frame_count > 0 && WebPAnimDecoderGetNext(decoder, &canvas, &timestamp)) {
    const size_t count = static_cast<size_t>(size.width * size.height);
    for (size_t i = 0; i < count; ++i) std::memcpy(rgb + i * 3, canvas + i * 4, 3);  // alpha dropped
    status = CodecStatus::Ok;
  }
  WebPAnimDecoderDelete(decoder);  // owns the canvas
  return status;
}

class WebpCodec final : public ImageCodec {
 public:
  bool Recognizes(std::span<const uint8_t> file) const override {
    return file.size() >= 12 && std::memcmp(file.data(), "RIFF", 4) == 0 &&
           std::memcmp(file.data() + 8, "WEBP", 4) == 0;
  }

  CodecStatus ReadSize(std::span<const uint8_t> file, FrameSize& size) const override {
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(file.data(), file.size(), &features) != VP8_STATUS_OK) return CodecStatus::Unreadable;
    size.width = static_cast<uint64_t>(features.width);
    size.height = static_cast<uint64_t>(features.height);
    return CodecStatus::Ok;
  }

  CodecStatus ReadPixels(std::span<const uint8_t> file, FrameSize size, uint8_t* rgb) const override {
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(file.data(), file.size(), &features) != VP8_STATUS_OK) return CodecStatus::PixelsFailed;
    if (features.has_animation) return ReadFirstAnimationFrame(file, size, rgb);
    if (static_cast<uint64_t>(features.width) != size.width ||
        static_cast<uint64_t>(features.height) != size.height) {
      return CodecStatus::PixelsFailed;
    }
    // MODE_RGB drops alpha without premultiplying; a truncated bitstream makes the call fail.
    const size_t stride = static_cast<size_t>(size.width) * 3;
    const uint8_t* out = WebPDecodeRGBInto(file.data(), file.size(), rgb, stride * size.height, static_cast<int>(stride));
    return out != nullptr ? CodecStatus::Ok : CodecStatus::PixelsFailed;
  }
};

}  // namespace

const ImageCodec& WebpImageCodec() {
  static const WebpCodec codec;
  return codec;
}

}  // namespace vesk
