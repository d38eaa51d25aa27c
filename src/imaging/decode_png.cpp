// PNG through libpng. libpng reports errors by longjmp, so every function that calls setjmp keeps
// only trivially destructible locals: nothing is skipped when the jump unwinds past it.

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>

#include "imaging/posix_image_codecs.h"

namespace vesk {
namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr size_t kIhdrEnd = 8 + 8 + 13 + 4;  // signature, chunk length and type, IHDR data, CRC

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

void ReadFromFile(png_structp png, png_bytep out, png_size_t count) {
  auto* file = static_cast<ImageFile*>(png_get_io_ptr(png));
  if (file->Read(out, count) != count) png_error(png, "unexpected end of file");
}

[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
// Warnings (a bad ancillary chunk, say) do not stop decoding and must not reach the console.
void OnWarning(png_structp, png_const_charp) {}

// Decodes into rgb; false on any libpng error. Nothing with a destructor lives in this frame.
bool DecodeRows(png_structp png, png_infop info, FrameSize size, uint8_t* rgb) {
  if (setjmp(png_jmpbuf(png))) return false;

  // The front has accepted exactly this size; anything larger is refused before allocation.
  png_set_user_limits(png, static_cast<png_uint_32>(size.width), static_cast<png_uint_32>(size.height));
  png_set_chunk_malloc_max(png, 8u << 20);
  png_read_info(png, info);
  if (png_get_image_width(png, info) != size.width || png_get_image_height(png, info) != size.height) {
    return false;
  }

  const int colorType = png_get_color_type(png, info);
  // 16-bit channels keep their high byte; palette and grey become RGB; alpha is dropped so the
  // stored colours come through unblended. Expanding a palette also turns its tRNS chunk into
  // alpha, which goes the same way.
  png_set_strip_16(png);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_expand_gray_1_2_4_to_8(png);
    png_set_gray_to_rgb(png);
  }
  const bool paletteAlpha = colorType == PNG_COLOR_TYPE_PALETTE && png_get_valid(png, info, PNG_INFO_tRNS);
  if ((colorType & PNG_COLOR_MASK_ALPHA) || paletteAlpha) {
    png_set_strip_alpha(png);
  }
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  const size_t stride = static_cast<size_t>(size.width) * 3;
  if (png_get_rowbytes(png, info) != stride) return false;
  for (int pass = 0; pass < passes; ++pass) {
    for (uint64_t y = 0; y < size.height; ++y) png_read_row(png, rgb + y * stride, nullptr);
  }
  return true;
}

class PngCodec final : public ImageCodec {
 public:
  bool Recognizes(std::span<const uint8_t> head) const override {
    return head.size() >= sizeof kSignature && std::memcmp(head.data(), kSignature, sizeof kSignature) == 0;
  }

  // The size comes from IHDR alone, so a file whose body is missing still reports the size its
  // header claims and is refused or accepted on that.
  CodecStatus ReadSize(ImageFile& file, FrameSize& size) const override {
    static_assert(kIhdrEnd <= ImageFile::kHeadSize);
    if (file.Head().size() < kIhdrEnd) return CodecStatus::Unreadable;
    const uint8_t* chunk = file.Head().data() + 8;
    if (BigEndian32(chunk) != 13 || std::memcmp(chunk + 4, "IHDR", 4) != 0) return CodecStatus::Unreadable;
    // A damaged header is refused here, before its size can cost an allocation.
    if (crc32(0, chunk + 4, 4 + 13) != BigEndian32(chunk + 8 + 13)) return CodecStatus::Unreadable;
    size.width = BigEndian32(chunk + 8);
    size.height = BigEndian32(chunk + 12);
    return CodecStatus::Ok;
  }

  CodecStatus ReadPixels(ImageFile& file, FrameSize size, uint8_t* rgb) const override {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (png == nullptr) return CodecStatus::PixelsFailed;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
      png_destroy_read_struct(&png, nullptr, nullptr);
      return CodecStatus::PixelsFailed;
    }
    png_set_read_fn(png, &file, ReadFromFile);
    const bool ok = DecodeRows(png, info, size, rgb);
    png_destroy_read_struct(&png, &info, nullptr);
    return ok ? CodecStatus::Ok : CodecStatus::PixelsFailed;
  }
};

}  // namespace

const ImageCodec& PngImageCodec() {
  static const PngCodec codec;
  return codec;
}

}  // namespace vesk
