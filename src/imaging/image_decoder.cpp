#include "imaging/image_decoder.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "imaging/image_codec.h"
#include "imaging/image_limits.h"
#include "platform/path.h"

namespace vesk {
namespace {

// The whole file, or false when it cannot be read (missing, a folder, an I/O error).
bool ReadWholeFile(const std::u16string& path, std::vector<uint8_t>& bytes) {
  const std::filesystem::path native = NativePath(path);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(native, ec)) return false;
  const uintmax_t size = std::filesystem::file_size(native, ec);
  if (ec) return false;
  std::ifstream in(native, std::ios::binary);
  if (!in) return false;
  bytes.resize(static_cast<size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  // A file that shrank while being read is as unreadable as one that cannot be opened.
  return in.gcount() == static_cast<std::streamsize>(bytes.size());
}

const ImageCodec* FindCodec(std::span<const uint8_t> file) {
  for (const ImageCodec* codec : ImageCodecs()) {
    if (codec->Recognizes(file)) return codec;
  }
  return nullptr;
}

std::u16string MessageFor(CodecStatus status, const std::u16string& path) {
  switch (status) {
    case CodecStatus::NoFrame:
      return u"Failed to decode image frame from " + path;
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
  std::vector<uint8_t> file;
  if (!ReadWholeFile(path, file)) return Fail(image, error, u"Failed to open image: " + path);

  const ImageCodec* codec = FindCodec(file);
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
  const CodecStatus pixels = codec->ReadPixels(file, size, image.pixels.data());
  if (pixels != CodecStatus::Ok) return Fail(image, error, MessageFor(pixels, path));
  return true;
}

}  // namespace vesk
