// JPEG through libjpeg-turbo. The library reports fatal errors through error_exit, which jumps back
// with longjmp; the function that calls setjmp keeps only plain C structures, so nothing with a
// destructor is skipped.

#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>

#include "imaging/posix_image_codecs.h"

namespace vesk {
namespace {

// Honest progressive files have a handful of scans; thousands of tiny ones only burn time.
constexpr int kMaxScans = 500;

struct ErrorManager {
  jpeg_error_mgr base;  // first, so the library's pointer converts back to the whole struct
  std::jmp_buf jump;
  bool truncated;
};

ErrorManager& ErrorsOf(j_common_ptr cinfo) { return *reinterpret_cast<ErrorManager*>(cinfo->err); }

[[noreturn]] void OnError(j_common_ptr cinfo) { std::longjmp(ErrorsOf(cinfo).jump, 1); }

// libjpeg answers a premature end of data with a warning and grey filler rows; that picture is
// half-filled and must not pass as decoded. Other warnings are tolerated and never printed.
void OnMessage(j_common_ptr cinfo, int level) {
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) ErrorsOf(cinfo).truncated = true;
}

void OnProgress(j_common_ptr cinfo) {
  auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (decompress->input_scan_number > kMaxScans) std::longjmp(ErrorsOf(cinfo).jump, 1);
}

uint8_t Scale(unsigned a, unsigned b) { return static_cast<uint8_t>((a * b + 127) / 255); }

// Runs libjpeg over file. With rgb == nullptr it stops after the header and reports the size in
// size; otherwise size is the accepted size and the pixels go into rgb.
CodecStatus RunJpeg(std::span<const uint8_t> file, FrameSize& size, uint8_t* rgb) {
  jpeg_decompress_struct cinfo;
  ErrorManager errors;
  jpeg_progress_mgr progress;
  cinfo.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = OnError;
  errors.base.emit_message = OnMessage;
  errors.truncated = false;
  progress.progress_monitor = OnProgress;
  volatile bool headerRead = false;

  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return headerRead ? CodecStatus::PixelsFailed : CodecStatus::Unreadable;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.progress = &progress;
  jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&cinfo, TRUE);
  headerRead = true;

  if (rgb == nullptr) {
    size.width = cinfo.image_width;
    size.height = cinfo.image_height;
    jpeg_destroy_decompress(&cinfo);
    return CodecStatus::Ok;
  }
  if (cinfo.image_width != size.width || cinfo.image_height != size.height) {
    jpeg_destroy_decompress(&cinfo);
    return CodecStatus::PixelsFailed;
  }

  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  // Grey, YCbCr and RGB files all convert to RGB inside the library.
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGB;
  jpeg_start_decompress(&cinfo);
  const int components = cmyk ? 4 : 3;
  if (cinfo.output_width != size.width || cinfo.output_height != size.height ||
      cinfo.output_components != components) {
    jpeg_destroy_decompress(&cinfo);
    return CodecStatus::PixelsFailed;
  }

  const size_t stride = static_cast<size_t>(size.width) * 3;
  // The CMYK scan line lives in the library's image pool, released by jpeg_destroy_decompress.
  JSAMPARRAY cmykRow = cmyk ? (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                          cinfo.output_width * 4, 1)
                            : nullptr;
  // Files with an Adobe marker (what most tools write) store CMYK inverted.
  const bool inverted = cinfo.saw_Adobe_marker;
  while (cinfo.output_scanline < cinfo.output_height) {
    uint8_t* out = rgb + static_cast<size_t>(cinfo.output_scanline) * stride;
    if (!cmyk) {
      JSAMPROW row = out;
      jpeg_read_scanlines(&cinfo, &row, 1);
      continue;
    }
    jpeg_read_scanlines(&cinfo, cmykRow, 1);
    const uint8_t* in = cmykRow[0];
    for (size_t x = 0; x < size.width; ++x, in += 4, out += 3) {
      const unsigned k = inverted ? in[3] : 255u - in[3];
      for (int c = 0; c < 3; ++c) out[c] = Scale(inverted ? in[c] : 255u - in[c], k);
    }
  }
  const bool truncated = errors.truncated;
  jpeg_destroy_decompress(&cinfo);
  return truncated ? CodecStatus::PixelsFailed : CodecStatus::Ok;
}

class JpegCodec final : public ImageCodec {
 public:
  bool Recognizes(std::span<const uint8_t> file) const override {
    return file.size() >= 3 && file[0] == 0xFF && file[1] == 0xD8 && file[2] == 0xFF;
  }

  CodecStatus ReadSize(std::span<const uint8_t> file, FrameSize& size) const override {
    return RunJpeg(file, size, nullptr);
  }

  CodecStatus ReadPixels(std::span<const uint8_t> file, FrameSize size, uint8_t* rgb) const override {
    return RunJpeg(file, size, rgb);
  }
};

}  // namespace

const ImageCodec& JpegImageCodec() {
  static const JpegCodec codec;
  return codec;
}

}  // namespace vesk
