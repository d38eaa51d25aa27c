// WebP through libwebp's incremental decoder, which writes RGB straight into the picture while the
// file is fed to it piece by piece. Animated files yield their first frame: it is drawn onto a
// black canvas at its own position, as the first frame of an animation always replaces the canvas.

#include <webp/decode.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/posix_image_codecs.h"

namespace vesk {
namespace {

constexpr size_t kFirstRead = 64 * 1024;
constexpr size_t kMaxRead = 4 * 1024 * 1024;

uint32_t Little24(const uint8_t* p) { return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16); }
uint32_t Little32(const uint8_t* p) { return Little24(p) | (uint32_t{p[3]} << 24); }

// Where a decoded frame goes: its top-left byte, the picture's row stride, and the frame's size.
struct Target {
  uint8_t* first;
  size_t stride;
  uint32_t width;
  uint32_t height;
};

// Feeds the file from its current position up to end into the decoder until the frame is
// complete. Only what the decoder has asked for is ever read; the bytes read stay in one growing
// buffer, which the decoder needs whole for lossless data.
CodecStatus DecodeFrame(ImageFile& file, uint64_t end, const Target& target) {
  const size_t capacity = target.stride * (target.height - 1) + size_t{target.width} * 3;
  WebPIDecoder* decoder = WebPINewRGB(MODE_RGB, target.first, capacity, static_cast<int>(target.stride));
  if (decoder == nullptr) return CodecStatus::PixelsFailed;

  std::vector<uint8_t> data;
  VP8StatusCode status = VP8_STATUS_SUSPENDED;
  size_t step = kFirstRead;
  while (status == VP8_STATUS_SUSPENDED && file.Position() < end) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(step, end - file.Position()));
    const size_t had = data.size();
    data.resize(had + want);
    const size_t got = file.Read(data.data() + had, want);
    data.resize(had + got);
    if (got == 0) break;
    // Reads grow with the data so that the buffer is reallocated only a few times.
    step = std::min(step * 2, kMaxRead);
    status = WebPIUpdate(decoder, data.data(), data.size());
  }
  int lastRow = 0;
  int width = 0;
  int height = 0;
  const bool whole = status == VP8_STATUS_OK &&
                     WebPIDecGetRGB(decoder, &lastRow, &width, &height, nullptr) != nullptr &&
                     static_cast<uint32_t>(width) == target.width && static_cast<uint32_t>(height) == target.height &&
                     lastRow == height;
  WebPIDelete(decoder);
  return whole ? CodecStatus::Ok : CodecStatus::PixelsFailed;
}

// Walks the chunks after the file header to the first ANMF chunk and decodes its frame.
CodecStatus ReadFirstAnimationFrame(ImageFile& file, FrameSize canvas, uint8_t* rgb) {
  constexpr uint64_t kRiffHeader = 12;
  uint8_t header[8];
  file.Seek(kRiffHeader);
  while (file.Read(header, sizeof header) == sizeof header) {
    const uint64_t payload = Little32(header + 4);
    const uint64_t next = file.Position() + payload + (payload & 1);
    if (std::memcmp(header, "ANMF", 4) != 0) {
      file.Seek(next);
      continue;
    }
    uint8_t frame[16];
    if (payload < sizeof frame || file.Read(frame, sizeof frame) != sizeof frame) return CodecStatus::PixelsFailed;
    const uint64_t left = uint64_t{Little24(frame)} * 2;
    const uint64_t top = uint64_t{Little24(frame + 3)} * 2;
    const uint32_t width = Little24(frame + 6) + 1;
    const uint32_t height = Little24(frame + 9) + 1;
    if (left + width > canvas.width || top + height > canvas.height) return CodecStatus::PixelsFailed;
    const size_t stride = static_cast<size_t>(canvas.width) * 3;
    const Target target{rgb + static_cast<size_t>(top) * stride + static_cast<size_t>(left) * 3, stride, width, height};
    return DecodeFrame(file, file.Position() + (payload - sizeof frame), target);
  }
  return CodecStatus::NoFrame;
}

class WebpCodec final : public ImageCodec {
 public:
  bool Recognizes(std::span<const uint8_t> head) const override {
    return head.size() >= 12 && std::memcmp(head.data(), "RIFF", 4) == 0 &&
           std::memcmp(head.data() + 8, "WEBP", 4) == 0;
  }

  // Every header that states the size (VP8X canvas, VP8 frame, VP8L image) lies within the head.
  CodecStatus ReadSize(ImageFile& file, FrameSize& size) const override {
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(file.Head().data(), file.Head().size(), &features) != VP8_STATUS_OK) {
      return CodecStatus::Unreadable;
    }
    size.width = static_cast<uint64_t>(features.width);
    size.height = static_cast<uint64_t>(features.height);
    return CodecStatus::Ok;
  }

  CodecStatus ReadPixels(ImageFile& file, FrameSize size, uint8_t* rgb) const override {
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(file.Head().data(), file.Head().size(), &features) != VP8_STATUS_OK) {
      return CodecStatus::PixelsFailed;
    }
    if (features.has_animation) return ReadFirstAnimationFrame(file, size, rgb);
    const Target target{rgb, static_cast<size_t>(size.width) * 3, static_cast<uint32_t>(size.width),
                        static_cast<uint32_t>(size.height)};
    return DecodeFrame(file, file.Size(), target);
  }
};

}  // namespace

const ImageCodec& WebpImageCodec() {
  static const WebpCodec codec;
  return codec;
}

}  // namespace vesk
