#pragma once
// The interface between the portable image decoder (size checks, messages, dispatch) and the
// libraries that understand one file format each. A back-end never allocates pixel memory from a
// size it has not reported first: the front checks the size, then hands over the buffer.
//
// Back-ends read the file through ImageFile, a byte stream with random access, so that a decode
// costs the output picture plus the back-end's working buffers, whatever the file's size. The
// front rewinds the file before each call.

#include <cstdint>
#include <span>

#include "imaging/image_file.h"

namespace vesk {

enum class CodecStatus {
  Ok,
  Unreadable,     // the header is damaged or of a kind the back-end does not read: not openable
  NoFrame,        // the file holds no first frame (a GIF with no image, for instance)
  Unconvertible,  // a well-formed frame whose pixel format cannot be turned into 8-bit RGB
  PixelsFailed,   // pixel data truncated or corrupt, or not what the header promised
};

// Size of the first frame exactly as the header states it; wide enough for any format's field.
struct FrameSize {
  uint64_t width = 0;
  uint64_t height = 0;
};

class ImageCodec {
 public:
  virtual ~ImageCodec() = default;

  // True when head (the file's first ImageFile::kHeadSize bytes, or all of a shorter file) begins
  // with this format's signature.
  virtual bool Recognizes(std::span<const uint8_t> head) const = 0;

  // Reads the first frame's size from the header only; costs nothing proportional to that size.
  virtual CodecStatus ReadSize(ImageFile& file, FrameSize& size) const = 0;

  // Decodes the first frame into rgb: size.height rows of size.width * 3 bytes, R, G, B, alpha
  // dropped without blending, rows in stored order (no orientation metadata applied). size is what
  // ReadSize reported and the front accepted; a frame of any other size is PixelsFailed. rgb
  // arrives zero-filled; pixels the file leaves undefined stay black.
  virtual CodecStatus ReadPixels(ImageFile& file, FrameSize size, uint8_t* rgb) const = 0;
};

// The back-ends of this build, in the order they are asked to recognise a file.
std::span<const ImageCodec* const> ImageCodecs();

}  // namespace vesk
