// What a decode costs: files are streamed rather than read whole, and the memory a decode needs
// stays near the size of the picture it produces.

#include <gtest/gtest.h>

#include <tiffio.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/decode_result.h"
#include "imaging/image_writers.h"
#include "platform/process_stats.h"
#include "support/temp_dir.h"

namespace vesk::test {
namespace {

constexpr int64_t kMiB = int64_t{1} << 20;

// A picture header followed by gigabytes of zeros that take no disk space.
std::filesystem::path SparseFile(const std::filesystem::path& path, const std::string& header) {
  WriteFile(path, header);
  std::filesystem::resize_file(path, uint64_t{8} << 30);
  return path;
}

TEST(DecodeResourcesTest, HugeFilesAreStreamedNotReadWhole) {
  ScopedTempDir dir;
  const int64_t before = PeakResidentBytes();

  // The zeros after the header are no valid PNG chunk: the decode fails at once.
  const auto png = SparseFile(dir.path() / "huge.png", PngHeaderOnly(64, 64));
  ExpectFailure(Decode(png), "Failed to read pixels from " + png.string());

  // Zeros are valid BMP rows: the decode reads the rows it needs and ignores the rest.
  BmpPicture header;
  header.width = 16;
  header.height = 16;
  WriteBmp(dir.path() / "header.bmp", header);
  const auto bmp = SparseFile(dir.path() / "huge.bmp", ReadFile(dir.path() / "header.bmp"));
  const Decoded picture = Decode(bmp);
  ASSERT_TRUE(picture.ok) << picture.error;
  EXPECT_EQ(picture.image.pixels, std::vector<uint8_t>(16 * 16 * 3, 0));

  EXPECT_LT(PeakResidentBytes() - before, 64 * kMiB);
}

// The large pictures the platform libraries used to hold twice or more: a one-strip TIFF of
// 16-bit samples with extra channels, and a BMP.
TEST(DecodeResourcesTest, PeakMemoryStaysNearTheOutputSize) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator keeps freed memory resident";
#endif
  ScopedTempDir dir;
  constexpr uint32_t kSide = 2048;
  constexpr int64_t kOutput = int64_t{kSide} * kSide * 3;

  TiffPicture tiff;
  tiff.width = tiff.height = kSide;
  tiff.bits = 16;
  tiff.samples = 7;
  tiff.extraSamples = {EXTRASAMPLE_UNASSALPHA, 0, 0, 0};
  tiff.compression = COMPRESSION_ADOBE_DEFLATE;
  tiff.rowSource = [](uint32_t y, int) {
    std::vector<uint8_t> row(kSide * 7 * 2, 0xFF);
    for (uint32_t x = 0; x < kSide; x += 3) row[x * 14 + 1] = static_cast<uint8_t>(x + y);
    return row;
  };
  WriteTiff(dir.path() / "deep.tif", tiff);

  BmpPicture bmp;
  bmp.width = bmp.height = static_cast<int32_t>(kSide);
  bmp.rowCount = kSide;
  bmp.rowSource = [](uint32_t y, int) { return std::vector<uint8_t>(kSide * 3, static_cast<uint8_t>(y)); };
  WriteBmp(dir.path() / "large.bmp", bmp);

  // The peak only ever rises: the smaller decode goes first so that the larger cannot hide it.
  const int64_t before = PeakResidentBytes();
  for (const char* name : {"large.bmp", "deep.tif"}) {
    SCOPED_TRACE(name);
    {
      const Decoded decoded = Decode(dir.path() / name);
      ASSERT_TRUE(decoded.ok) << decoded.error;
    }
    // The output itself, plus at most half of it again for the decoder's working memory.
    EXPECT_LE(PeakResidentBytes() - before, kOutput * 3 / 2 + 4 * kMiB);
  }
}

}  // namespace
}  // namespace vesk::test
