// TIFF through libtiff: the first directory (page), converted by the library's RGBA interface,
// which understands every photometric interpretation and bit depth libtiff supports.

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/posix_image_codecs.h"

namespace vesk {
namespace {

// A hostile header can ask libtiff for one enormous strip buffer; nothing honest needs more.
constexpr tmsize_t kMaxSingleAllocation = tmsize_t{1} << 30;

struct MemoryFile {
  const uint8_t* data;
  toff_t size;
  toff_t offset;
};

MemoryFile& FileOf(thandle_t handle) { return *static_cast<MemoryFile*>(handle); }

tmsize_t ReadProc(thandle_t handle, void* out, tmsize_t count) {
  MemoryFile& file = FileOf(handle);
  if (count <= 0 || file.offset >= file.size) return 0;
  const toff_t n = std::min<toff_t>(static_cast<toff_t>(count), file.size - file.offset);
  std::memcpy(out, file.data + file.offset, static_cast<size_t>(n));
  file.offset += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return 0; }

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  MemoryFile& file = FileOf(handle);
  toff_t base = 0;
  if (whence == SEEK_CUR) base = file.offset;
  if (whence == SEEK_END) base = file.size;
  // Offsets past the end are allowed, as for a real file; reads there return nothing.
  file.offset = base + offset;
  return file.offset;
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) { return FileOf(handle).size; }

// The bytes are already in memory, so "mapping" hands them over without a copy.
int MapProc(thandle_t handle, void** base, toff_t* size) {
  *base = const_cast<uint8_t*>(FileOf(handle).data);
  *size = FileOf(handle).size;
  return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

// Errors and warnings become statuses; nothing is printed.
int Silence(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

TiffHandle OpenTiff(MemoryFile& file) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxSingleAllocation);
  TIFFOpenOptionsSetErrorHandlerExtR(options, Silence, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, Silence, nullptr);
  TIFF* tif = TIFFClientOpenExt("image", "r", &file, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                                MapProc, UnmapProc, options);
  TIFFOpenOptionsFree(options);
  return TiffHandle(tif);
}

bool ReadTiffSize(TIFF* tif, FrameSize& size) {
  uint32_t width = 0;
  uint32_t height = 0;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height)) {
    return false;
  }
  size.width = width;
  size.height = height;
  return true;
}

class TiffCodec final : public ImageCodec {
 public:
  bool Recognizes(std::span<const uint8_t> file) const override {
    if (file.size() < 4) return false;
    const uint8_t* p = file.data();
    // Classic TIFF (42) and BigTIFF (43), both byte orders.
    return (p[0] == 'I' && p[1] == 'I' && (p[2] == 42 || p[2] == 43) && p[3] == 0) ||
           (p[0] == 'M' && p[1] == 'M' && p[2] == 0 && (p[3] == 42 || p[3] == 43));
  }

  CodecStatus ReadSize(std::span<const uint8_t> file, FrameSize& size) const override {
    MemoryFile memory{file.data(), file.size(), 0};
    TiffHandle tif = OpenTiff(memory);
    if (!tif || !ReadTiffSize(tif.get(), size)) return CodecStatus::Unreadable;
    return CodecStatus::Ok;
  }

  CodecStatus ReadPixels(std::span<const uint8_t> file, FrameSize size, uint8_t* rgb) const override {
    MemoryFile memory{file.data(), file.size(), 0};
    TiffHandle tif = OpenTiff(memory);
    FrameSize stated;
    if (!tif || !ReadTiffSize(tif.get(), stated) || stated.width != size.width || stated.height != size.height) {
      return CodecStatus::PixelsFailed;
    }
    char reason[1024];
    if (!TIFFRGBAImageOK(tif.get(), reason)) return CodecStatus::PixelsFailed;

    // The RGBA interface wants a 32-bit raster; it is narrowed to RGB afterwards.
    const size_t count = static_cast<size_t>(size.width * size.height);
    std::vector<uint32_t> raster(count);
    if (!TIFFReadRGBAImageOriented(tif.get(), static_cast<uint32_t>(size.width), static_cast<uint32_t>(size.height),
                                   raster.data(), ORIENTATION_TOPLEFT, /*stop_on_error=*/1)) {
      return CodecStatus::PixelsFailed;
    }
    for (size_t i = 0; i < count; ++i) {
      const uint32_t abgr = raster[i];
      rgb[i * 3] = static_cast<uint8_t>(TIFFGetR(abgr));
      rgb[i * 3 + 1] = static_cast<uint8_t>(TIFFGetG(abgr));
      rgb[i * 3 + 2] = static_cast<uint8_t>(TIFFGetB(abgr));
    }
    return CodecStatus::Ok;
  }
};

}  // namespace

const ImageCodec& TiffImageCodec() {
  static const TiffCodec codec;
  return codec;
}

}  // namespace vesk
