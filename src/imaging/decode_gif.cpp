// GIF through giflib: the first image of the file, record by record, so that later frames of an
// animation are never decoded or even held in memory.

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/posix_image_codecs.h"

namespace vesk {
namespace {

int ReadFromFile(GifFileType* gif, GifByteType* out, int count) {
  if (count <= 0) return 0;
  return static_cast<int>(static_cast<ImageFile*>(gif->UserData)->Read(out, static_cast<size_t>(count)));
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

GifHandle OpenGif(ImageFile& file) {
  int error = 0;
  return GifHandle(DGifOpen(&file, ReadFromFile, &error));
}

// Skips extension blocks up to the first image descriptor and reads it into gif->Image.
// Transparency (in the graphic control extension) is ignored: the index keeps its palette colour.
CodecStatus SeekFirstImage(GifFileType* gif) {
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) return CodecStatus::NoFrame;
    if (type == IMAGE_DESC_RECORD_TYPE) {
      return DGifGetImageDesc(gif) == GIF_ERROR ? CodecStatus::NoFrame : CodecStatus::Ok;
    }
    if (type == TERMINATE_RECORD_TYPE) return CodecStatus::NoFrame;
    if (type != EXTENSION_RECORD_TYPE) continue;
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return CodecStatus::NoFrame;
    while (block != nullptr) {
      if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return CodecStatus::NoFrame;
    }
  }
}

class GifCodec final : public ImageCodec {
 public:
  bool Recognizes(std::span<const uint8_t> head) const override {
    return head.size() >= 6 &&
           (std::memcmp(head.data(), "GIF87a", 6) == 0 || std::memcmp(head.data(), "GIF89a", 6) == 0);
  }

  // The size is the first image's own, not the logical screen's.
  CodecStatus ReadSize(ImageFile& file, FrameSize& size) const override {
    GifHandle gif = OpenGif(file);
    if (!gif) return CodecStatus::Unreadable;
    const CodecStatus status = SeekFirstImage(gif.get());
    if (status != CodecStatus::Ok) return status;
    size.width = static_cast<uint64_t>(std::max(0, gif->Image.Width));
    size.height = static_cast<uint64_t>(std::max(0, gif->Image.Height));
    return CodecStatus::Ok;
  }

  CodecStatus ReadPixels(ImageFile& file, FrameSize size, uint8_t* rgb) const override {
    GifHandle gif = OpenGif(file);
    if (!gif) return CodecStatus::PixelsFailed;
    const CodecStatus found = SeekFirstImage(gif.get());
    if (found != CodecStatus::Ok) return found;
    const GifImageDesc& desc = gif->Image;
    if (static_cast<uint64_t>(desc.Width) != size.width || static_cast<uint64_t>(desc.Height) != size.height) {
      return CodecStatus::PixelsFailed;
    }
    const ColorMapObject* palette = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
    if (palette == nullptr) return CodecStatus::PixelsFailed;

    const int width = desc.Width;
    const int height = desc.Height;
    std::vector<GifPixelType> indices(static_cast<size_t>(width));
    // Interlaced images arrive as four passes over every 8th, 8th, 4th and 2nd row.
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    const int passes = desc.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
      const int start = desc.Interlace ? kStart[pass] : 0;
      const int step = desc.Interlace ? kStep[pass] : 1;
      for (int y = start; y < height; y += step) {
        if (DGifGetLine(gif.get(), indices.data(), width) == GIF_ERROR) return CodecStatus::PixelsFailed;
        uint8_t* out = rgb + static_cast<size_t>(y) * static_cast<size_t>(width) * 3;
        for (int x = 0; x < width; ++x, out += 3) {
          // An index beyond the palette has no colour; the pixel keeps the black it started as.
          if (indices[x] >= palette->ColorCount) continue;
          const GifColorType& colour = palette->Colors[indices[x]];
          out[0] = colour.Red;
          out[1] = colour.Green;
          out[2] = colour.Blue;
        }
      }
    }
    return CodecStatus::Ok;
  }
};

}  // namespace

const ImageCodec& GifImageCodec() {
  static const GifCodec codec;
  return codec;
}

}  // namespace vesk
