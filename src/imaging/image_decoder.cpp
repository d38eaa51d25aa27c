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

std::u16string MessageFor(CodecStatus status, const std::u16string& path) {
  switch (status) {
    case CodecStatus::NoFrame:
      return u"Failed to decode image frame from " + path;
    case CodecStatus::Unconvertible:
      return u"Failed to convert image pixel format for " + path;
    case CodecStatus::PixelsFailed:
      return u"Failed to read pixels from " + path;
    case CodecStatus::Unreadable:
    case CodecStatus::Ok:
      break;
  }
  return u"Failed to open image: " + path;
}

bool Fail(DecodedImage& image, std::u16string& error, std::u16string message) {
  // Whatever was decoded so far must not pass for a picture.
  image = DecodedImage{};
  error = std::move(message);
  return false;
}

}  // namespace

bool DecodeImage(const std::u16string& path, DecodedImage& image, std::u16string& error) {
  error.clear();
  // The file is streamed: only its header is read before the size check, and the pixel data only
  // as the back-end decodes it.
  ImageFile file;
  if (!file.Open(path)) return Fail(image, error, u"Failed to open image: " + path);

  const ImageCodec* codec = FindCodec(file.Head());
  if (codec == nullptr) return Fail(image, error, u"Failed to open image: " + path);

  FrameSize size;
  const CodecStatus header = codec->ReadSize(file, size);
  if (header != CodecStatus::Ok) return Fail(image, error, MessageFor(header, path));

  if (std::u16string sizeError = FrameSizeError(size.width, size.height, path); !sizeError.empty()) {
    return Fail(image, error, std::move(sizeError));
  }

  image.width = static_cast<int32_t>(size.width);
  image.height = static_cast<int32_t>(size.height);
  image.pixels.assign(static_cast<size_t>(size.width * size.height * 3), 0);
  file.Seek(0);
  const CodecStatus pixels = codec->ReadPixels(file, size, image.pixels.data());
  if (pixels != CodecStatus::Ok) return Fail(image, error, MessageFor(pixels, path));
  return true;
}

}  // namespace vesk
