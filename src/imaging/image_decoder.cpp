#include "imaging/image_decoder.h"

#include <cstdint>
#include <string>

#include "imaging/image_codec.h"
#include "imaging/image_file.h"
#include "imaging/image_limits.h"

namespace vesk {
namespace {

const ImageCodec* FindCodec(std::span<const uint8_t> head) {
  for (const ImageCodec* codec : ImageCodecs()) {
    if (codec->Recognizes(head)) return codec;
  }
  return nullptr;
}

Status FailureFor(CodecStatus status, const std::u16string& path) {
  switch (status) {
    case CodecStatus::NoFrame:
      return ImageFailure("Failed to decode image frame from ", path);
    case CodecStatus::Unconvertible:
      return ImageFailure("Failed to convert image pixel format for ", path);
    case CodecStatus::PixelsFailed:
      return ImageFailure("Failed to read pixels from ", path);
    case CodecStatus::Unreadable:
    case CodecStatus::Ok:
      break;
  }
  return ImageFailure("Failed to open image: ", path);
}

}  // namespace

Outcome<DecodedImage> DecodeImage(const std::u16string& path, const ImageSizeKnown& sizeKnown) {
  // The file is streamed: only its header is read before the size check, and the pixel data only
  // as the back-end decodes it.
  ImageFile file;
  if (!file.Open(path)) return ImageFailure("Failed to open image: ", path);

  const ImageCodec* codec = FindCodec(file.Head());
  if (codec == nullptr) return ImageFailure("Failed to open image: ", path);

  FrameSize size;
  const CodecStatus header = codec->ReadSize(file, size);
  if (header != CodecStatus::Ok) return FailureFor(header, path);
  if (Status acceptable = CheckFrameSize(size.width, size.height, path); !acceptable.ok()) return acceptable;

  DecodedImage image;
  image.width = static_cast<int32_t>(size.width);
  image.height = static_cast<int32_t>(size.height);
  if (sizeKnown) sizeKnown(image.width, image.height);
  image.pixels.assign(static_cast<size_t>(size.width * size.height * 3), 0);
  file.Seek(0);
  const CodecStatus pixels = codec->ReadPixels(file, size, image.pixels.data());
  if (pixels != CodecStatus::Ok) return FailureFor(pixels, path);
  return image;
}

}  // namespace vesk
