#include "fuzz/seed_pictures.h"

#include <tiffio.h>

#include <functional>
#include <random>

#include "imaging/image_writers.h"
#include "support/temp_dir.h"

namespace vesk::test {
namespace {

constexpr int kWidth = 24;
constexpr int kHeight = 17;  // odd, so that subsampled and interlaced layouts have a partial last block

std::vector<uint8_t> Noise(size_t count, uint32_t seed, int levels = 256) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random() % static_cast<uint32_t>(levels));
  return bytes;
}

class Seeds {
 public:
  explicit Seeds(std::filesystem::path folder) : folder_(std::move(folder)) {}

  void Add(const std::string& format, const std::string& extension, const std::string& name,
           const std::function<void(const std::filesystem::path&)>& write) {
    const auto path = folder_ / (format + "-" + name + "." + extension);
    write(path);
    seeds_.push_back({format, extension, ReadFile(path)});
  }

  std::vector<SeedPicture> Take() { return std::move(seeds_); }

 private:
  std::filesystem::path folder_;
  std::vector<SeedPicture> seeds_;
};

void AddPng(Seeds& seeds, const std::vector<uint8_t>& rgb, const std::vector<uint8_t>& indices) {
  const auto png = [&](const std::string& name, PngPicture picture) {
    picture.width = kWidth;
    picture.height = kHeight;
    seeds.Add("png", "png", name, [&](const auto& path) { WritePng(path, picture); });
  };
  png("rgb", {.rows = rgb});
  png("adam7", {.interlaced = true, .rows = rgb});
  png("rgba16", {.bitDepth = 16, .colorType = 6, .rows = Noise(kWidth * kHeight * 8, 3)});
  png("palette", {.colorType = 3, .rows = indices, .paletteRgb = Noise(16 * 3, 4), .transparency = {0, 128}});
  png("grey2", {.bitDepth = 2, .colorType = 0, .rows = Noise(6 * kHeight, 5)});
}

void AddJpeg(Seeds& seeds, const std::vector<uint8_t>& rgb) {
  seeds.Add("jpeg", "jpg", "baseline", [&](const auto& path) { WriteJpeg(path, kWidth, kHeight, 3, rgb); });
  seeds.Add("jpeg", "jpg", "progressive", [&](const auto& path) { WriteJpeg(path, kWidth, kHeight, 3, rgb, true); });
  seeds.Add("jpeg", "jpg", "grey", [&](const auto& path) {
    WriteJpeg(path, kWidth, kHeight, 1, Noise(kWidth * kHeight, 6));
  });
  seeds.Add("jpeg", "jpg", "cmyk", [&](const auto& path) {
    WriteAdobeCmykJpeg(path, kWidth, kHeight, Noise(kWidth * kHeight * 4, 7));
  });
}

void AddBmp(Seeds& seeds, const std::vector<uint8_t>& rgb, const std::vector<uint8_t>& indices) {
  seeds.Add("bmp", "bmp", "rgb24", [&](const auto& path) { WriteBmp(path, kWidth, kHeight, rgb); });
  const auto bmp = [&](const std::string& name, BmpPicture picture) {
    picture.width = kWidth;
    picture.height = picture.height == 0 ? kHeight : picture.height;
    seeds.Add("bmp", "bmp", name, [&](const auto& path) { WriteBmp(path, picture); });
  };
  const std::vector<uint8_t> palette = Noise(16 * 3, 8);
  // Rows of 24 pixels need no padding at 8 and 4 bits a pixel.
  bmp("palette8-top-down", {.height = -kHeight, .bitsPerPixel = 8, .paletteRgb = palette, .data = indices});
  std::vector<uint8_t> nibbles;
  for (size_t i = 0; i + 1 < indices.size(); i += 2) nibbles.push_back(static_cast<uint8_t>(indices[i] << 4 | indices[i + 1]));
  bmp("palette4-core", {.headerSize = 12, .bitsPerPixel = 4, .paletteRgb = palette, .data = nibbles});
  bmp("bitfields16", {.bitsPerPixel = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F, 0},
                      .data = Noise(kWidth * kHeight * 2, 9)});
  bmp("v5-32", {.headerSize = 124, .bitsPerPixel = 32, .compression = 3,
                .masks = {0xFF, 0xFF00, 0xFF0000, 0xFF000000}, .data = Noise(kWidth * kHeight * 4, 10)});
  // Run-length codes: a run, a literal run, a jump, line ends and the end of the bitmap.
  std::vector<uint8_t> rle8;
  std::vector<uint8_t> rle4;
  for (int y = 0; y < kHeight; ++y) {
    rle8.insert(rle8.end(), {5, uint8_t(y % 16), 0, 5, 1, 2, 3, 4, 5, 0, 0, 2, 3, 0, 4, 7, 0, 0});
    rle4.insert(rle4.end(), {7, uint8_t(y * 17), 0, 6, 0x12, 0x34, 0x56, 0, 0, 2, 2, 0, 3, 0x9A, 0, 0});
  }
  rle8.insert(rle8.end(), {0, 1});
  rle4.insert(rle4.end(), {0, 1});
  bmp("rle8", {.bitsPerPixel = 8, .compression = 1, .paletteRgb = palette, .data = rle8});
  bmp("rle4", {.bitsPerPixel = 4, .compression = 2, .paletteRgb = palette, .data = rle4});
}

void AddGif(Seeds& seeds, const std::vector<uint8_t>& indices) {
  const std::vector<uint8_t> palette = Noise(16 * 3, 11);
  seeds.Add("gif", "gif", "still", [&](const auto& path) { WriteGif(path, kWidth, kHeight, palette, {{indices, -1}}); });
  seeds.Add("gif", "gif", "animated", [&](const auto& path) {
    WriteGif(path, kWidth, kHeight, palette, {{indices, 3}, {Noise(kWidth * kHeight, 12, 16), -1}});
  });
}

void AddTiff(Seeds& seeds, const std::vector<uint8_t>& rgb, const std::vector<uint8_t>& indices) {
  const auto tiff = [&](const std::string& name, TiffPicture picture) {
    picture.width = kWidth;
    picture.height = kHeight;
    seeds.Add("tiff", "tif", name, [&](const auto& path) { WriteTiff(path, picture); });
  };
  tiff("rgb-lzw", {.compression = COMPRESSION_LZW, .rowsPerStrip = 4, .data = rgb});
  tiff("rgb-tiles", {.compression = COMPRESSION_PACKBITS, .tileSide = 16, .data = rgb});
  tiff("rgba16-planar", {.bits = 16, .samples = 4, .compression = COMPRESSION_ADOBE_DEFLATE, .planar = true,
                         .extraSamples = {EXTRASAMPLE_UNASSALPHA}, .data = Noise(kWidth * kHeight * 8, 13)});
  std::vector<uint16_t> map(3 * 256);
  for (size_t i = 0; i < map.size(); ++i) map[i] = static_cast<uint16_t>(i * 97);
  tiff("palette", {.bits = 8, .samples = 1, .photometric = PHOTOMETRIC_PALETTE, .colormap = map, .data = indices});
  tiff("bilevel", {.bits = 1, .samples = 1, .photometric = PHOTOMETRIC_MINISWHITE, .compression = COMPRESSION_CCITTFAX4,
                   .data = Noise(3 * kHeight, 14)});
  tiff("cmyk", {.samples = 4, .photometric = PHOTOMETRIC_SEPARATED, .data = Noise(kWidth * kHeight * 4, 15)});
  // Blocks of 2 x 2 luma samples and two chroma samples: 12 across, 9 down.
  tiff("ycbcr", {.photometric = PHOTOMETRIC_YCBCR, .subsampling = {2, 2}, .data = Noise(12 * 9 * 6, 16)});
  tiff("jpeg", {.photometric = PHOTOMETRIC_YCBCR, .compression = COMPRESSION_JPEG, .rowsPerStrip = 16,
                .rgbIntoJpegYCbCr = true, .data = rgb});
}

void AddWebp(Seeds& seeds, const std::vector<uint8_t>& rgb) {
  seeds.Add("webp", "webp", "lossy", [&](const auto& path) { WriteLossyWebp(path, kWidth, kHeight, rgb); });
  seeds.Add("webp", "webp", "lossless", [&](const auto& path) { WriteLosslessWebp(path, kWidth, kHeight, 3, rgb); });
  const std::vector<uint8_t> rgba = Noise(kWidth * kHeight * 4, 17);
  seeds.Add("webp", "webp", "alpha", [&](const auto& path) { WriteLosslessWebp(path, kWidth, kHeight, 4, rgba); });
  seeds.Add("webp", "webp", "animated", [&](const auto& path) {
    WriteAnimatedWebp(path, kWidth, kHeight, rgba, Noise(kWidth * kHeight * 4, 18));
  });
}

}  // namespace

std::vector<SeedPicture> SeedPictures(const std::filesystem::path& folder) {
  // Smooth enough for the lossy formats to keep some structure, noisy enough to use every code.
  std::vector<uint8_t> rgb = Noise(kWidth * kHeight * 3, 1, 64);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(rgb[i] + (i / 3 % kWidth) * 8);
  const std::vector<uint8_t> indices = Noise(kWidth * kHeight, 2, 16);
  Seeds seeds(folder);
  AddPng(seeds, rgb, indices);
  AddJpeg(seeds, rgb);
  AddBmp(seeds, rgb, indices);
  AddGif(seeds, indices);
  AddTiff(seeds, rgb, indices);
  AddWebp(seeds, rgb);
  return seeds.Take();
}

}  // namespace vesk::test
