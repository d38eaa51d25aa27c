#pragma once
// The interface between the portable image decoder (size checks, messages, dispatch) and the
// libraries that understand one file format each. A back-end never allocates pixel memory from a
// size it has not reported first: the front checks the size, then hands over the buffer.

#include <cstdint>
#include <span>

namespace vesk {

enum class CodecStatus {
  Ok,
  Unreadable,    // the header is damaged: the file cannot be opened as this format
  NoFrame,       // the file holds no first frame (a GIF with no image, for instance)
  PixelsFailed,  // pixel data truncated or corrupt, or not what the header promised
};

// Size of the first frame exactly as the header states it; wide enough for any format's field.
struct FrameSize {
  uint64_t width = 0;
  uint64_t height = 0;
};

class ImageCodec {
 public:
  virtual ~ImageCodec() = default;

  // True when file begins with this format's signature.
  virtual bool Recognizes(std::span<const uint8_t> file) const = 0;

  // Reads the first frame's size from the header only; costs nothing proportional to that size.
  virtual CodecStatus ReadSize(std::span<const uint8_t> file, FrameSize& size) const = 0;

  // Decodes the first frame into rgb: size.height rows of size.width * 3 bytes, R, G, B, alpha
  // dropped without blending. size is what ReadSize reported and the front accepted; a frame of
  // any other size is PixelsFailed.
  virtual CodecStatus ReadPixels(std::span<const uint8_t> file, FrameSize size, uint8_t* rgb) const = 0;
};

// The back-ends of this build, in the order they are asked to recognise a file.
std::span<const ImageCodec* const> ImageCodecs();

}  // namespace vesk
