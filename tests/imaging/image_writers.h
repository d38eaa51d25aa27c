#pragma once
// Encoders for test pictures, built on the same libraries the decoder wraps, so every format can
// be produced inside a test instead of being committed as a binary file. Each throws
// std::runtime_error when the library refuses.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vesk::test {

struct PngPicture {
  uint32_t width = 0;
  uint32_t height = 0;
  int bitDepth = 8;
  int colorType = 2;  // PNG_COLOR_TYPE_RGB
  bool interlaced = false;
  std::vector<uint8_t> rows;         // the raw rows in the format above, 16-bit samples big-endian
  std::vector<uint8_t> paletteRgb;   // PLTE entries, three bytes each
  std::vector<uint8_t> transparency; // tRNS alpha per palette entry
};
void WritePng(const std::filesystem::path& path, const PngPicture& picture);

// A PNG of signature and IHDR only (valid CRC), followed by extra bytes: for crafted headers.
std::string PngHeaderOnly(uint32_t width, uint32_t height, const std::string& extra = {});

// rgb holds width * height * 3 bytes; grey images take one byte a pixel. Quality 95.
void WriteJpeg(const std::filesystem::path& path, int width, int height, int components,
               const std::vector<uint8_t>& samples);
// CMYK as image tools write it: Adobe marker present, values stored inverted.
void WriteAdobeCmykJpeg(const std::filesystem::path& path, int width, int height, const std::vector<uint8_t>& cmyk);

void WriteLosslessWebp(const std::filesystem::path& path, int width, int height, int channels,
                       const std::vector<uint8_t>& samples);
// Two full-canvas frames, lossless RGBA.
void WriteAnimatedWebp(const std::filesystem::path& path, int width, int height, const std::vector<uint8_t>& rgba1,
                       const std::vector<uint8_t>& rgba2);

// One RGB page per entry, 8 bits a sample.
void WriteTiff(const std::filesystem::path& path, int width, int height,
               const std::vector<std::vector<uint8_t>>& pages);

struct GifFrame {
  std::vector<uint8_t> indices;  // width * height palette indices
  int transparentIndex = -1;     // written in a graphic control extension when >= 0
};
// A GIF89a with a global palette (rgb triples, a power of two entries) and the given frames.
void WriteGif(const std::filesystem::path& path, int width, int height, const std::vector<uint8_t>& paletteRgb,
              const std::vector<GifFrame>& frames);

void WriteBmp(const std::filesystem::path& path, int width, int height, const std::vector<uint8_t>& rgb);

}  // namespace vesk::test
