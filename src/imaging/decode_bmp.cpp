// BMP, read here rather than through a library: none maintained covers the format whole. Reads the
// usual header versions (OS/2 core and 2.x, Windows INFO and its V2 to V5 extensions); 1, 2, 4 and
// 8 bits a pixel through the palette, 16 and 32 bits through default or explicit bit fields, 24
// bits; RLE8 and RLE4 compression; rows stored bottom-up or (negative height) top-down. Rows are
// streamed from the file straight into the picture.

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>
#include <vector>

#include "imaging/posix_image_codecs.h"

namespace vesk {
namespace {

constexpr uint64_t kFileHeader = 14;
constexpr uint64_t kMaxHeader = 124;  // BITMAPV5HEADER
constexpr uint64_t kMasksOffset = kFileHeader + 40;

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

uint32_t Little16(const uint8_t* p) { return uint32_t{p[0]} | (uint32_t{p[1]} << 8); }
uint32_t Little32(const uint8_t* p) { return Little16(p) | (Little16(p + 2) << 16); }

// One colour channel of a 16- or 32-bit pixel, stretched or cut to 8 bits.
class Channel {
 public:
  Channel() = default;
  explicit Channel(uint32_t mask)
      : mask_(mask), shift_(mask == 0 ? 0 : std::countr_zero(mask)), bits_(std::popcount(mask)) {}

  // Bit fields must be one unbroken run of bits.
  bool Contiguous() const { return mask_ == 0 || ((mask_ >> shift_) & ((mask_ >> shift_) + 1)) == 0; }

  uint8_t Of(uint32_t pixel) const {
    const uint32_t value = (pixel & mask_) >> shift_;
    if (bits_ >= 8) return static_cast<uint8_t>(value >> (bits_ - 8));
    if (bits_ == 0) return 0;
    // Fewer than 8 bits: repeat them downwards, so that all ones reads 255.
    uint32_t wide = 0;
    int have = 0;
    for (; have < 8; have += bits_) wide = (wide << bits_) | value;
    return static_cast<uint8_t>(wide >> (have - 8));
  }

 private:
  uint32_t mask_ = 0;
  int shift_ = 0;
  int bits_ = 0;
};

struct BmpHeader {
  uint64_t pixelOffset = 0;
  uint64_t width = 0;
  uint64_t height = 0;
  bool topDown = false;
  int bitsPerPixel = 0;
  uint32_t compression = kRgb;
  std::array<Channel, 3> channels;  // red, green, blue for 16 and 32 bits a pixel
  uint64_t paletteOffset = 0;
  uint32_t paletteEntries = 0;
  uint32_t paletteEntryBytes = 4;
};

bool ValidDepth(int bits) { return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

bool KnownHeaderSize(uint32_t size) {
  return size == 12 || size == 16 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124;
}

// The fields every header version has: the OS/2 core header's 16-bit sizes (no compression, three-byte
// palette entries), or the INFO header's and its successors'. None for a negative width.
std::optional<BmpHeader> ReadVersionFields(const uint8_t* info, uint32_t size) {
  BmpHeader header;
  int32_t height = 0;
  if (size == 12) {
    header.width = Little16(info + 4);
    height = static_cast<int16_t>(Little16(info + 6));
    header.bitsPerPixel = static_cast<int>(Little16(info + 10));
    header.paletteEntryBytes = 3;
  } else {
    const auto width = static_cast<int32_t>(Little32(info + 4));
    if (width < 0) return std::nullopt;
    header.width = static_cast<uint64_t>(width);
    height = static_cast<int32_t>(Little32(info + 8));
    header.bitsPerPixel = static_cast<int>(Little16(info + 14));
    header.compression = size >= 20 ? Little32(info + 16) : kRgb;
  }
  header.topDown = height < 0;
  header.height = height < 0 ? uint64_t{0} - static_cast<uint64_t>(static_cast<int64_t>(height)) : static_cast<uint64_t>(height);
  return header;
}

bool HasBitFields(const BmpHeader& header) {
  return header.compression == kBitFields || header.compression == kAlphaBitFields;
}

// Whether the compression goes with the depth: RLE8 with 8 bits, RLE4 with 4, bit fields with 16 or 32.
bool CompressionFits(const BmpHeader& header, uint32_t headerSize) {
  const int bits = header.bitsPerPixel;
  switch (header.compression) {
    case kRgb: return true;
    case kRle8: return bits == 8;
    case kRle4: return bits == 4;
    // In the OS/2 2.x header these values mean Huffman and RLE24, which are not read.
    case kBitFields:
    case kAlphaBitFields: return (bits == 16 || bits == 32) && headerSize != 64;
    default: return false;
  }
}

// The red, green and blue channels of 16- and 32-bit pixels: the explicit bit fields at masks, or each
// depth's defaults.
std::array<Channel, 3> ChannelsOf(const BmpHeader& header, const uint8_t* masks) {
  if (HasBitFields(header)) {
    return {Channel(Little32(masks)), Channel(Little32(masks + 4)), Channel(Little32(masks + 8))};
  }
  if (header.bitsPerPixel == 16) return {Channel(0x7C00), Channel(0x03E0), Channel(0x001F)};
  return {Channel(0xFF0000), Channel(0x00FF00), Channel(0x0000FF)};
}

// The palette entries the file defines: the stated number of colours (all the depth allows when it
// states none or too many), but no more than fit before the pixels, since some writers state more
// colours than they leave room for.
uint32_t PaletteEntries(const BmpHeader& header, const uint8_t* info, uint32_t headerSize) {
  const uint32_t used = headerSize >= 36 ? Little32(info + 32) : 0;
  const uint32_t full = 1u << header.bitsPerPixel;
  const uint64_t entries = used == 0 || used > full ? full : used;
  return static_cast<uint32_t>(
      std::min<uint64_t>(entries, (header.pixelOffset - header.paletteOffset) / header.paletteEntryBytes));
}

// Reads and checks the file and bitmap headers; none for anything this reader cannot take.
std::optional<BmpHeader> ReadHeader(ImageFile& file) {
  uint8_t bytes[kFileHeader + kMaxHeader + 16] = {};
  file.Seek(0);
  const size_t got = file.Read(bytes, sizeof bytes);
  if (got < kFileHeader + 4 || bytes[0] != 'B' || bytes[1] != 'M') return std::nullopt;
  const uint32_t size = Little32(bytes + kFileHeader);
  if (!KnownHeaderSize(size)) return std::nullopt;
  const uint8_t* info = bytes + kFileHeader;
  std::optional<BmpHeader> header = ReadVersionFields(info, size);
  if (!header || !ValidDepth(header->bitsPerPixel) || !CompressionFits(*header, size)) return std::nullopt;

  // The INFO header keeps explicit bit fields right after itself, later versions inside; both
  // place them at the same offset.
  const uint64_t maskBytes =
      size == 40 && HasBitFields(*header) ? (header->compression == kAlphaBitFields ? 16 : 12) : 0;
  const uint64_t headerEnd = kFileHeader + size + maskBytes;
  if (got < headerEnd) return std::nullopt;
  header->channels = ChannelsOf(*header, bytes + kMasksOffset);
  for (const Channel& channel : header->channels) {
    if (!channel.Contiguous()) return std::nullopt;
  }

  header->pixelOffset = Little32(bytes + 10);
  header->paletteOffset = headerEnd;
  if (header->pixelOffset < headerEnd) return std::nullopt;
  if (header->bitsPerPixel <= 8) header->paletteEntries = PaletteEntries(*header, info, size);
  return header;
}

// The palette as 256 RGB triples; entries the file does not define stay black.
std::array<uint8_t, 256 * 3> ReadPalette(ImageFile& file, const BmpHeader& header) {
  std::array<uint8_t, 256 * 3> palette{};
  std::vector<uint8_t> stored(size_t{header.paletteEntries} * header.paletteEntryBytes);
  file.Seek(header.paletteOffset);
  const size_t entries = file.Read(stored.data(), stored.size()) / header.paletteEntryBytes;
  for (size_t i = 0; i < entries; ++i) {
    const uint8_t* bgr = stored.data() + i * header.paletteEntryBytes;
    palette[i * 3] = bgr[2];
    palette[i * 3 + 1] = bgr[1];
    palette[i * 3 + 2] = bgr[0];
  }
  return palette;
}

void ConvertRow(const BmpHeader& header, const std::array<uint8_t, 256 * 3>& palette, const uint8_t* row,
                uint8_t* rgb) {
  const auto width = static_cast<size_t>(header.width);
  switch (header.bitsPerPixel) {
    case 1:
    case 2:
    case 4:
    case 8: {
      const auto bits = static_cast<size_t>(header.bitsPerPixel);
      const uint32_t mask = (1u << bits) - 1;
      for (size_t x = 0; x < width; ++x, rgb += 3) {
        const size_t bit = x * bits;
        const uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & mask;
        std::memcpy(rgb, palette.data() + index * 3, 3);
      }
      break;
    }
    case 24:
      for (size_t x = 0; x < width; ++x, row += 3, rgb += 3) {
        rgb[0] = row[2];
        rgb[1] = row[1];
        rgb[2] = row[0];
      }
      break;
    default: {
      const bool wide = header.bitsPerPixel == 32;
      for (size_t x = 0; x < width; ++x, rgb += 3) {
        const uint32_t pixel = wide ? Little32(row + x * 4) : Little16(row + x * 2);
        for (size_t c = 0; c < 3; ++c) rgb[c] = header.channels[c].Of(pixel);
      }
      break;
    }
  }
}

CodecStatus ReadRows(ImageFile& file, const BmpHeader& header, const std::array<uint8_t, 256 * 3>& palette,
                     uint8_t* rgb) {
  const uint64_t rowBytes = (header.width * static_cast<uint64_t>(header.bitsPerPixel) + 31) / 32 * 4;
  const size_t stride = static_cast<size_t>(header.width) * 3;
  std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
  file.Seek(header.pixelOffset);
  for (uint64_t stored = 0; stored < header.height; ++stored) {
    // A cut-off file must not pass as a picture with black rows.
    if (file.Read(row.data(), row.size()) != row.size()) return CodecStatus::PixelsFailed;
    const uint64_t y = header.topDown ? stored : header.height - 1 - stored;
    ConvertRow(header, palette, row.data(), rgb + y * stride);
  }
  return CodecStatus::Ok;
}

// Bytes of the file in order, through a buffer; -1 at the end.
class ByteReader {
 public:
  explicit ByteReader(ImageFile& file) : file_(file), buffer_(64 * 1024) {}
  int Next() {
    if (next_ == end_) {
      end_ = file_.Read(buffer_.data(), buffer_.size());
      next_ = 0;
      if (end_ == 0) return -1;
    }
    return buffer_[next_++];
  }

 private:
  ImageFile& file_;
  std::vector<uint8_t> buffer_;
  size_t next_ = 0;
  size_t end_ = 0;
};

// RLE8 and RLE4: runs of one index (two alternating ones for RLE4), literal runs, and escapes
// for end of line, end of bitmap and a jump ahead. Pixels the file skips stay black. Runs that
// reach past the right edge are cut; once the last row is passed the picture is complete.
CodecStatus ReadRle(ImageFile& file, const BmpHeader& header, const std::array<uint8_t, 256 * 3>& palette,
                    uint8_t* rgb) {
  const bool nibbles = header.compression == kRle4;
  const uint64_t width = header.width;
  const uint64_t height = header.height;
  const size_t stride = static_cast<size_t>(width) * 3;
  uint64_t x = 0;
  uint64_t row = 0;  // stored rows so far: the bottom row first unless the picture is top-down
  const auto put = [&](uint32_t index) {
    if (x < width) {
      const uint64_t y = header.topDown ? row : height - 1 - row;
      std::memcpy(rgb + y * stride + x * 3, palette.data() + index * 3, 3);
    }
    ++x;
  };
  file.Seek(header.pixelOffset);
  ByteReader in(file);
  while (row < height) {
    const int count = in.Next();
    const int value = in.Next();
    if (count < 0 || value < 0) return CodecStatus::PixelsFailed;
    if (count > 0) {
      const uint64_t drawn = x < width ? std::min<uint64_t>(static_cast<uint64_t>(count), width - x) : 0;
      for (uint64_t i = 0; i < drawn; ++i) {
        put(nibbles ? static_cast<uint32_t>(i % 2 == 0 ? value >> 4 : value & 0x0F) : static_cast<uint32_t>(value));
      }
      x += static_cast<uint64_t>(count) - drawn;
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        ++row;
        break;
      case 1:  // end of bitmap
        return CodecStatus::Ok;
      case 2: {  // jump right and up (towards later rows)
        const int right = in.Next();
        const int up = in.Next();
        if (right < 0 || up < 0) return CodecStatus::PixelsFailed;
        x += static_cast<uint64_t>(right);
        row += static_cast<uint64_t>(up);
        break;
      }
      default: {  // literal run of value indices, padded to an even number of bytes
        const int bytes = nibbles ? (value + 1) / 2 : value;
        for (int i = 0; i < bytes; ++i) {
          const int packed = in.Next();
          if (packed < 0) return CodecStatus::PixelsFailed;
          if (!nibbles) {
            put(static_cast<uint32_t>(packed));
            continue;
          }
          put(static_cast<uint32_t>(packed >> 4));
          if (2 * i + 1 < value) put(static_cast<uint32_t>(packed & 0x0F));
        }
        if (bytes % 2 != 0 && in.Next() < 0) return CodecStatus::PixelsFailed;
        break;
      }
    }
  }
  return CodecStatus::Ok;
}

class BmpCodec final : public ImageCodec {
 public:
  bool Recognizes(std::span<const uint8_t> head) const override {
    return head.size() >= 2 && head[0] == 'B' && head[1] == 'M';
  }

  CodecStatus ReadSize(ImageFile& file, FrameSize& size) const override {
    const std::optional<BmpHeader> header = ReadHeader(file);
    if (!header) return CodecStatus::Unreadable;
    size.width = header->width;
    size.height = header->height;
    return CodecStatus::Ok;
  }

  CodecStatus ReadPixels(ImageFile& file, FrameSize size, uint8_t* rgb) const override {
    const std::optional<BmpHeader> header = ReadHeader(file);
    if (!header || header->width != size.width || header->height != size.height) return CodecStatus::PixelsFailed;
    const std::array<uint8_t, 256 * 3> palette = ReadPalette(file, *header);
    if (header->compression == kRle8 || header->compression == kRle4) return ReadRle(file, *header, palette, rgb);
    return ReadRows(file, *header, palette, rgb);
  }
};

}  // namespace

const ImageCodec& BmpImageCodec() {
  static const BmpCodec codec;
  return codec;
}

}  // namespace vesk
