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
constexpr size_t kChunkSize = 64 * 1024;

// A source manager that pulls the file through a chunk buffer, so the compressed data is never
// held whole.
struct FileSource {
  jpeg_source_mgr base;  // first, so the library's pointer converts back to the whole struct
  ImageFile* file;
  JOCTET* buffer;
};

FileSource& SourceOf(j_decompress_ptr cinfo) { return *reinterpret_cast<FileSource*>(cinfo->src); }

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  FileSource& source = SourceOf(cinfo);
  size_t count = source.file->Read(source.buffer, kChunkSize);
  if (count == 0) {
    // Out of data: the same warning and fake end marker as the library's own sources, so a
    // truncated file is noticed below.
    WARNMS(cinfo, JWRN_JPEG_EOF);
    source.buffer[0] = 0xFF;
    source.buffer[1] = JPEG_EOI;
    count = 2;
  }
  source.base.next_input_byte = source.buffer;
  source.base.bytes_in_buffer = count;
  return TRUE;
}

// Skips marker data the decoder does not need; large skips move the file position instead of
// reading through the bytes.
void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  FileSource& source = SourceOf(cinfo);
  const auto skip = static_cast<size_t>(count);
  if (skip <= source.base.bytes_in_buffer) {
    source.base.next_input_byte += skip;
    source.base.bytes_in_buffer -= skip;
    return;
  }
  source.file->Seek(source.file->Position() + (skip - source.base.bytes_in_buffer));
  source.base.bytes_in_buffer = 0;
}

void UseFileSource(j_decompress_ptr cinfo, ImageFile& file) {
  // Both live in the library's permanent pool and go with jpeg_destroy_decompress.
  auto* source = static_cast<FileSource*>(
      (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(FileSource)));
  source->buffer = static_cast<JOCTET*>(
      (*cinfo->mem->alloc_large)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kChunkSize));
  source->file = &file;
  source->base.init_source = InitSource;
  source->base.fill_input_buffer = FillInputBuffer;
  source->base.skip_input_data = SkipInputData;
  source->base.resync_to_restart = jpeg_resync_to_restart;
  source->base.term_source = TermSource;
  source->base.bytes_in_buffer = 0;
  source->base.next_input_byte = nullptr;
  cinfo->src = &source->base;
}

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

// One row of CMYK samples as RGB: each colour is what its ink leaves of the light, scaled by what the
// black leaves. Files with an Adobe marker (what most tools write) store the samples inverted.
void CmykToRgb(const uint8_t* cmyk, size_t width, bool inverted, uint8_t* rgb) {
  for (size_t x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
    const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
    for (int c = 0; c < 3; ++c) rgb[c] = Scale(inverted ? cmyk[c] : 255u - cmyk[c], k);
  }
}

// Runs libjpeg over file. With rgb == nullptr it stops after the header and reports the size in
// size; otherwise size is the accepted size and the pixels go into rgb. Baseline files decode a
// few rows at a time; progressive ones need the library's whole-image coefficient buffers.
CodecStatus RunJpeg(ImageFile& file, FrameSize& size, uint8_t* rgb) {
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
  UseFileSource(&cinfo, file);
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
  while (cinfo.output_scanline < cinfo.output_height) {
    uint8_t* out = rgb + static_cast<size_t>(cinfo.output_scanline) * stride;
    if (!cmyk) {
      JSAMPROW row = out;
      jpeg_read_scanlines(&cinfo, &row, 1);
      continue;
    }
    jpeg_read_scanlines(&cinfo, cmykRow, 1);
    CmykToRgb(cmykRow[0], static_cast<size_t>(size.width), cinfo.saw_Adobe_marker, out);
  }
  const bool truncated = errors.truncated;
  jpeg_destroy_decompress(&cinfo);
  return truncated ? CodecStatus::PixelsFailed : CodecStatus::Ok;
}

class JpegCodec final : public ImageCodec {
 public:
  bool Recognizes(std::span<const uint8_t> head) const override {
    return head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
  }

  CodecStatus ReadSize(ImageFile& file, FrameSize& size) const override { return RunJpeg(file, size, nullptr); }

  CodecStatus ReadPixels(ImageFile& file, FrameSize size, uint8_t* rgb) const override {
    return RunJpeg(file, size, rgb);
  }
};

}  // namespace

const ImageCodec& JpegImageCodec() {
  static const JpegCodec codec;
  return codec;
}

}  // namespace vesk
