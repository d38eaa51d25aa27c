// TIFF through libtiff: the first directory (page), decoded a row at a time (a tile at a time for
// tiled files) and turned into RGB by TiffPixelConverter. The orientation tag is not applied and
// alpha is dropped as stored, as for every other format.

#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cstdarg>
#include <memory>
#include <optional>
#include <vector>

#include "imaging/posix_image_codecs.h"
#include "imaging/tiff_pixels.h"

namespace vesk {
namespace {

// A hostile header can ask libtiff for one enormous strip buffer; nothing honest needs more.
constexpr tmsize_t kMaxSingleAllocation = tmsize_t{1} << 30;
// Tiles, and the strips of subsampled YCbCr, are decoded whole. Honest files keep them far smaller.
constexpr uint64_t kMaxBlockBytes = uint64_t{64} << 20;

ImageFile& FileOf(thandle_t handle) { return *static_cast<ImageFile*>(handle); }

tmsize_t ReadProc(thandle_t handle, void* out, tmsize_t count) {
  if (count <= 0) return 0;
  return static_cast<tmsize_t>(FileOf(handle).Read(out, static_cast<size_t>(count)));
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return 0; }

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  ImageFile& file = FileOf(handle);
  toff_t base = 0;
  if (whence == SEEK_CUR) base = file.Position();
  if (whence == SEEK_END) base = file.Size();
  // Offsets past the end are allowed, as for any file; reads there return nothing.
  file.Seek(base + offset);
  return file.Position();
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) { return FileOf(handle).Size(); }
// Never mapped: libtiff then reads large strips in pieces instead of holding them whole.
int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

// Errors and warnings become statuses; nothing is printed.
int Silence(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

TiffHandle OpenTiff(ImageFile& file) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxSingleAllocation);
  TIFFOpenOptionsSetErrorHandlerExtR(options, Silence, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, Silence, nullptr);
  TIFF* tif = TIFFClientOpenExt("image", "rm", &file, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc, MapProc,
                                UnmapProc, options);
  TIFFOpenOptionsFree(options);
  return TiffHandle(tif);
}

std::optional<FrameSize> ReadTiffSize(TIFF* tif) {
  uint32_t width = 0;
  uint32_t height = 0;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height)) {
    return std::nullopt;
  }
  return FrameSize{width, height};
}

uint16_t Field16(TIFF* tif, uint32_t tag) {
  uint16_t value = 0;
  TIFFGetFieldDefaulted(tif, tag, &value);
  return value;
}

// The colour map as RGB triples. Maps are 16 bits an entry; some old writers stored 8-bit values,
// recognisable by no entry reaching 256, and those are taken as they are.
std::optional<std::vector<uint8_t>> ReadPalette(TIFF* tif, int bits) {
  uint16_t* red = nullptr;
  uint16_t* green = nullptr;
  uint16_t* blue = nullptr;
  if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue)) return std::nullopt;
  const size_t entries = size_t{1} << bits;
  bool sixteenBit = false;
  for (size_t i = 0; i < entries; ++i) sixteenBit = sixteenBit || red[i] > 255 || green[i] > 255 || blue[i] > 255;
  const int shift = sixteenBit ? 8 : 0;
  std::vector<uint8_t> palette(entries * 3);
  for (size_t i = 0; i < entries; ++i) {
    palette[i * 3] = static_cast<uint8_t>(red[i] >> shift);
    palette[i * 3 + 1] = static_cast<uint8_t>(green[i] >> shift);
    palette[i * 3 + 2] = static_cast<uint8_t>(blue[i] >> shift);
  }
  return palette;
}

TiffYCbCr ReadYCbCr(TIFF* tif) {
  float* luma = nullptr;
  float* reference = nullptr;
  if (!TIFFGetFieldDefaulted(tif, TIFFTAG_YCBCRCOEFFICIENTS, &luma) ||
      !TIFFGetFieldDefaulted(tif, TIFFTAG_REFERENCEBLACKWHITE, &reference)) {
    return TiffYCbCr();
  }
  return TiffYCbCr({luma[0], luma[1], luma[2]}, {reference[0], reference[1], reference[2], reference[3],
                                                  reference[4], reference[5]});
}

bool IsBlockSize(uint16_t value) { return value == 1 || value == 2 || value == 4; }

// YCbCr in 8-bit interleaved samples: what a JPEG-compressed file's codec turns into RGB itself (undoing
// any subsampling), else the subsampling blocks and the conversion's coefficients. Unconvertible for
// what has no RGB reading here.
CodecStatus ReadYCbCrLayout(TIFF* tif, bool planar, TiffPixelLayout& layout, TiffYCbCr& ycbcr) {
  if (layout.bits != 8 || layout.samples < 3 || planar) return CodecStatus::Unconvertible;
  if (Field16(tif, TIFFTAG_COMPRESSION) == COMPRESSION_JPEG) {
    if (!TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB)) return CodecStatus::Unconvertible;
    layout.model = TiffColourModel::Rgb;
    return CodecStatus::Ok;
  }
  uint16_t across = 1;
  uint16_t down = 1;
  TIFFGetFieldDefaulted(tif, TIFFTAG_YCBCRSUBSAMPLING, &across, &down);
  if (!IsBlockSize(across) || !IsBlockSize(down)) return CodecStatus::Unconvertible;
  // Subsampled data comes in blocks of exactly one luma block and two chroma samples.
  if ((across != 1 || down != 1) && layout.samples != 3) return CodecStatus::Unconvertible;
  layout.blockWidth = across;
  layout.blockHeight = down;
  ycbcr = ReadYCbCr(tif);
  if (!ycbcr.Valid()) return CodecStatus::Unconvertible;
  layout.model = TiffColourModel::YCbCr;
  return CodecStatus::Ok;
}

// How the first directory stores its pixels, and a converter for them; Unconvertible for layouts
// that have no RGB reading here (floating-point samples, CIE L*a*b*, multi-ink, ...).
CodecStatus ReadLayout(TIFF* tif, TiffPixelLayout& layout, std::unique_ptr<TiffPixelConverter>& converter) {
  layout.bits = Field16(tif, TIFFTAG_BITSPERSAMPLE);
  layout.samples = Field16(tif, TIFFTAG_SAMPLESPERPIXEL);
  const uint16_t format = Field16(tif, TIFFTAG_SAMPLEFORMAT);
  const bool planar = Field16(tif, TIFFTAG_PLANARCONFIG) == PLANARCONFIG_SEPARATE;
  if (layout.bits != 1 && layout.bits != 2 && layout.bits != 4 && layout.bits != 8 && layout.bits != 16) {
    return CodecStatus::Unconvertible;
  }
  if ((format != SAMPLEFORMAT_UINT && format != SAMPLEFORMAT_VOID) || layout.samples < 1) {
    return CodecStatus::Unconvertible;
  }
  uint16_t photometric = 0;
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) {
    photometric = layout.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
  }

  std::vector<uint8_t> palette;
  TiffYCbCr ycbcr;
  switch (photometric) {
    case PHOTOMETRIC_MINISBLACK:
      layout.model = TiffColourModel::Grey;
      break;
    case PHOTOMETRIC_MINISWHITE:
      layout.model = TiffColourModel::GreyInverted;
      break;
    case PHOTOMETRIC_RGB:
      if (layout.samples < 3) return CodecStatus::Unconvertible;
      layout.model = TiffColourModel::Rgb;
      break;
    case PHOTOMETRIC_PALETTE: {
      std::optional<std::vector<uint8_t>> colourMap = ReadPalette(tif, layout.bits);
      if (!colourMap) return CodecStatus::Unconvertible;
      palette = std::move(*colourMap);
      layout.model = TiffColourModel::Palette;
      break;
    }
    case PHOTOMETRIC_SEPARATED:
      if (Field16(tif, TIFFTAG_INKSET) != INKSET_CMYK || layout.samples < 4) return CodecStatus::Unconvertible;
      layout.model = TiffColourModel::Cmyk;
      break;
    case PHOTOMETRIC_YCBCR:
      if (const CodecStatus status = ReadYCbCrLayout(tif, planar, layout, ycbcr); status != CodecStatus::Ok) {
        return status;
      }
      break;
    default:
      return CodecStatus::Unconvertible;
  }
  converter = std::make_unique<TiffPixelConverter>(layout, std::move(palette), ycbcr);
  return CodecStatus::Ok;
}

bool Subsampled(const TiffPixelLayout& layout) { return layout.blockWidth != 1 || layout.blockHeight != 1; }

// Stripped files, one scan line at a time; planar files one plane after the other.
CodecStatus ReadScanlines(TIFF* tif, const TiffPixelConverter& convert, FrameSize size, bool planar, uint8_t* rgb) {
  const auto width = static_cast<uint32_t>(size.width);
  const auto height = static_cast<uint32_t>(size.height);
  const tmsize_t lineBytes = TIFFScanlineSize(tif);
  const uint64_t needed = planar ? convert.PlaneRowBytes(width) : convert.InterleavedRowBytes(width);
  if (lineBytes <= 0 || static_cast<uint64_t>(lineBytes) < needed) return CodecStatus::PixelsFailed;
  std::vector<uint8_t> line(static_cast<size_t>(lineBytes));
  const size_t stride = size_t{width} * 3;
  const int planes = planar ? convert.ColourPlanes() : 1;
  for (int plane = 0; plane < planes; ++plane) {
    for (uint32_t y = 0; y < height; ++y) {
      if (TIFFReadScanline(tif, line.data(), y, static_cast<uint16_t>(plane)) < 0) return CodecStatus::PixelsFailed;
      uint8_t* out = rgb + y * stride;
      if (planar) {
        convert.Plane(plane, line.data(), width, out);
      } else {
        convert.Interleaved(line.data(), width, out);
      }
    }
  }
  return CodecStatus::Ok;
}

// Subsampled YCbCr in strips: each strip holds whole blocks, decoded whole.
CodecStatus ReadBlockStrips(TIFF* tif, const TiffPixelConverter& convert, const TiffPixelLayout& layout,
                            FrameSize size, uint8_t* rgb) {
  const auto width = static_cast<uint32_t>(size.width);
  const auto height = static_cast<uint32_t>(size.height);
  uint32_t rowsPerStrip = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  rowsPerStrip = std::min(rowsPerStrip, height);
  const uint64_t stripBytes = TIFFStripSize64(tif);
  if (rowsPerStrip == 0 || (rowsPerStrip % static_cast<uint32_t>(layout.blockHeight) != 0 && rowsPerStrip != height)) {
    return CodecStatus::Unconvertible;
  }
  if (stripBytes == 0 || stripBytes > kMaxBlockBytes) return CodecStatus::PixelsFailed;
  std::vector<uint8_t> strip(static_cast<size_t>(stripBytes));
  const size_t stride = size_t{width} * 3;
  for (uint32_t top = 0; top < height; top += rowsPerStrip) {
    const tmsize_t got = TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, top, 0), strip.data(),
                                              static_cast<tmsize_t>(strip.size()));
    const uint32_t rows = std::min(rowsPerStrip, height - top);
    if (got < 0 || !convert.Blocks(strip.data(), static_cast<size_t>(got), width, rows, width, rows, rgb + top * stride,
                                   stride)) {
      return CodecStatus::PixelsFailed;
    }
  }
  return CodecStatus::Ok;
}

// Tiled files, one tile at a time (per plane for planar files); tiles over the right and bottom
// edges are cut.
CodecStatus ReadTiles(TIFF* tif, const TiffPixelConverter& convert, const TiffPixelLayout& layout, FrameSize size,
                      bool planar, uint8_t* rgb) {
  const auto width = static_cast<uint32_t>(size.width);
  const auto height = static_cast<uint32_t>(size.height);
  uint32_t tileWidth = 0;
  uint32_t tileHeight = 0;
  TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
  TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
  const uint64_t tileBytes = TIFFTileSize64(tif);
  const uint64_t rowBytes = TIFFTileRowSize64(tif);
  if (tileWidth == 0 || tileHeight == 0 || tileBytes == 0 || tileBytes > kMaxBlockBytes) {
    return CodecStatus::PixelsFailed;
  }
  const bool blocks = Subsampled(layout);
  const uint64_t needed = planar ? convert.PlaneRowBytes(tileWidth) : convert.InterleavedRowBytes(tileWidth);
  if (!blocks && (rowBytes < needed || rowBytes * tileHeight > tileBytes)) return CodecStatus::PixelsFailed;
  std::vector<uint8_t> tile(static_cast<size_t>(tileBytes));
  const size_t stride = size_t{width} * 3;
  const int planes = planar ? convert.ColourPlanes() : 1;
  for (int plane = 0; plane < planes; ++plane) {
    for (uint32_t top = 0; top < height; top += tileHeight) {
      for (uint32_t left = 0; left < width; left += tileWidth) {
        const tmsize_t got = TIFFReadTile(tif, tile.data(), left, top, 0, static_cast<uint16_t>(plane));
        if (got < 0) return CodecStatus::PixelsFailed;
        const uint32_t columns = std::min(tileWidth, width - left);
        const uint32_t rows = std::min(tileHeight, height - top);
        uint8_t* out = rgb + top * stride + size_t{left} * 3;
        if (blocks) {
          if (!convert.Blocks(tile.data(), static_cast<size_t>(got), tileWidth, tileHeight, columns, rows, out, stride)) {
            return CodecStatus::PixelsFailed;
          }
          continue;
        }
        for (uint32_t y = 0; y < rows; ++y, out += stride) {
          const uint8_t* row = tile.data() + y * rowBytes;
          if (planar) {
            convert.Plane(plane, row, columns, out);
          } else {
            convert.Interleaved(row, columns, out);
          }
        }
      }
    }
  }
  return CodecStatus::Ok;
}

class TiffCodec final : public ImageCodec {
 public:
  bool Recognizes(std::span<const uint8_t> head) const override {
    if (head.size() < 4) return false;
    const uint8_t* p = head.data();
    // Classic TIFF (42) and BigTIFF (43), both byte orders.
    return (p[0] == 'I' && p[1] == 'I' && (p[2] == 42 || p[2] == 43) && p[3] == 0) ||
           (p[0] == 'M' && p[1] == 'M' && p[2] == 0 && (p[3] == 42 || p[3] == 43));
  }

  CodecStatus ReadSize(ImageFile& file, FrameSize& size) const override {
    TiffHandle tif = OpenTiff(file);
    const std::optional<FrameSize> stated = tif ? ReadTiffSize(tif.get()) : std::nullopt;
    if (!stated) return CodecStatus::Unreadable;
    size = *stated;
    return CodecStatus::Ok;
  }

  CodecStatus ReadPixels(ImageFile& file, FrameSize size, uint8_t* rgb) const override {
    TiffHandle tif = OpenTiff(file);
    const std::optional<FrameSize> stated = tif ? ReadTiffSize(tif.get()) : std::nullopt;
    if (!stated || stated->width != size.width || stated->height != size.height) return CodecStatus::PixelsFailed;
    TiffPixelLayout layout;
    std::unique_ptr<TiffPixelConverter> convert;
    const CodecStatus status = ReadLayout(tif.get(), layout, convert);
    if (status != CodecStatus::Ok) return status;
    const bool planar = Field16(tif.get(), TIFFTAG_PLANARCONFIG) == PLANARCONFIG_SEPARATE;
    if (TIFFIsTiled(tif.get())) return ReadTiles(tif.get(), *convert, layout, size, planar, rgb);
    if (Subsampled(layout)) return ReadBlockStrips(tif.get(), *convert, layout, size, rgb);
    return ReadScanlines(tif.get(), *convert, size, planar, rgb);
  }
};

}  // namespace

const ImageCodec& TiffImageCodec() {
  static const TiffCodec codec;
  return codec;
}

}  // namespace vesk
