#pragma once
// Encoders for test pictures, built on the same libraries the decoder wraps, so every format can
// be produced inside a test instead of being committed as a binary file. Each throws
// std::runtime_error when the library refuses.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vesk::test {

struct PngPicture {
  uint32_t width = 0;
  uint32_t height = 0;
  int bitDepth = 8;
  int colorType = 2;  // PNG_COLOR_TYPE_RGB
  bool interlaced = false;
  std::vector<uint8_t> rows = {};  // the raw rows in the format above, 16-bit samples big-endian
  std::vector<uint8_t> paletteRgb = {};  // PLTE entries, three bytes each
  std::vector<uint8_t> transparency = {};  // tRNS alpha per palette entry
};
void WritePng(const std::filesystem::path& path, const PngPicture& picture);

// A PNG of signature and IHDR only (valid CRC), followed by extra bytes: for crafted headers.
std::string PngHeaderOnly(uint32_t width, uint32_t height, const std::string& extra = {});

// rgb holds width * height * 3 bytes; grey images take one byte a pixel. Quality 95.
void WriteJpeg(const std::filesystem::path& path, int width, int height, int components,
               const std::vector<uint8_t>& samples, bool progressive = false);
// CMYK as image tools write it: Adobe marker present, values stored inverted.
void WriteAdobeCmykJpeg(const std::filesystem::path& path, int width, int height, const std::vector<uint8_t>& cmyk);

void WriteLosslessWebp(const std::filesystem::path& path, int width, int height, int channels,
                       const std::vector<uint8_t>& samples);
void WriteLossyWebp(const std::filesystem::path& path, int width, int height, const std::vector<uint8_t>& rgb);
// Two full-canvas frames, lossless RGBA.
void WriteAnimatedWebp(const std::filesystem::path& path, int width, int height, const std::vector<uint8_t>& rgba1,
                       const std::vector<uint8_t>& rgba2);

// One RGB page per entry, 8 bits a sample.
void WriteTiff(const std::filesystem::path& path, int width, int height,
               const std::vector<std::vector<uint8_t>>& pages);

// One stored row of samples: row y of plane (always 0 unless planar), padded to whole bytes.
using RowSource = std::function<std::vector<uint8_t>(uint32_t y, int plane)>;

// A single-page TIFF described tag by tag. Samples come from data (rows as stored, plane after
// plane when planar) or, for files too large to hold, from rowSource.
struct TiffPicture {
  uint32_t width = 0;
  uint32_t height = 0;
  int bits = 8;
  int samples = 3;
  int photometric = 2;  // PHOTOMETRIC_RGB
  int compression = 1;  // COMPRESSION_NONE
  bool planar = false;
  uint32_t rowsPerStrip = 0;  // 0: one strip
  uint32_t tileSide = 0;  // square tiles of this side instead of strips (8- and 16-bit samples)
  int orientation = 1;  // ORIENTATION_TOPLEFT
  int sampleFormat = 1;  // SAMPLEFORMAT_UINT
  std::vector<uint16_t> extraSamples = {};
  std::vector<uint16_t> colormap = {};  // all red entries, then green, then blue
  std::array<uint16_t, 2> subsampling = {1, 1};  // YCbCr: data then holds the stored blocks, one strip
  bool rgbIntoJpegYCbCr = false;  // JPEG-compressed YCbCr written from RGB rows by the codec
  bool bigEndian = false;  // "MM" byte order (16-bit samples stored high byte first)
  std::vector<uint8_t> data = {};
  RowSource rowSource = {};
};
void WriteTiff(const std::filesystem::path& path, const TiffPicture& picture);

struct GifFrame {
  std::vector<uint8_t> indices = {};  // width * height palette indices
  int transparentIndex = -1;  // written in a graphic control extension when >= 0
};
// A GIF89a with a global palette (rgb triples, a power of two entries) and the given frames.
void WriteGif(const std::filesystem::path& path, int width, int height, const std::vector<uint8_t>& paletteRgb,
              const std::vector<GifFrame>& frames);

// A 24-bit bottom-up BMP of rgb rows.
void WriteBmp(const std::filesystem::path& path, int width, int height, const std::vector<uint8_t>& rgb);

// A BMP described field by field; the pixel data is written exactly as given.
struct BmpPicture {
  int32_t width = 0;
  int32_t height = 0;  // negative: rows stored top-down
  uint32_t headerSize = 40;  // 12 (OS/2 core), 40 (INFO), 108 (V4) or 124 (V5)
  int bitsPerPixel = 24;
  uint32_t compression = 0;  // 0 none, 1 RLE8, 2 RLE4, 3 bit fields, 4 JPEG
  std::array<uint32_t, 4> masks = {};  // red, green, blue, alpha: with compression 3
  std::vector<uint8_t> paletteRgb = {};  // stored as B, G, R (and a fourth byte unless the core header)
  std::vector<uint8_t> data = {};  // rows as stored (each padded to 4 bytes), or RLE codes
  RowSource rowSource = {};  // instead of data: stored row y, padding included
  uint32_t rowCount = 0;  // rows rowSource delivers
};
void WriteBmp(const std::filesystem::path& path, const BmpPicture& picture);

}  // namespace vesk::test
