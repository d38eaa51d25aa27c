#include "imaging/image_writers.h"

#include <gif_lib.h>
#include <png.h>
#include <tiffio.h>
#include <webp/encode.h>
#include <webp/mux.h>
#include <zlib.h>

#include <cstdio>
#include <csetjmp>

#include <jpeglib.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace vesk::test {
namespace {

void Fail(const std::string& what) { throw std::runtime_error(what); }

void WriteBytes(const std::filesystem::path& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out) Fail("cannot write " + path.string());
}

// libpng jumps back here on error; only plain data lives in this frame.
bool WritePngRows(png_structp png, png_infop info, const PngPicture& picture, png_bytep* rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, picture.width, picture.height, picture.bitDepth, picture.colorType,
               picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!picture.paletteRgb.empty()) {
    png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(picture.paletteRgb.data()),
                 static_cast<int>(picture.paletteRgb.size() / 3));
  }
  if (!picture.transparency.empty()) {
    png_set_tRNS(png, info, picture.transparency.data(), static_cast<int>(picture.transparency.size()), nullptr);
  }
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}

void AppendBigEndian(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

}  // namespace

void WritePng(const std::filesystem::path& path, const PngPicture& picture) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) Fail("cannot create " + path.string());
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  const size_t stride = picture.rows.size() / picture.height;
  std::vector<png_bytep> rows(picture.height);
  for (uint32_t y = 0; y < picture.height; ++y) rows[y] = const_cast<png_bytep>(picture.rows.data() + y * stride);
  const bool ok = WritePngRows(png, info, picture, rows.data());
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  if (!ok) Fail("libpng refused " + path.string());
}

std::string PngHeaderOnly(uint32_t width, uint32_t height, const std::string& extra) {
  std::string out("\x89PNG\r\n\x1a\n", 8);
  std::string chunk = "IHDR";
  AppendBigEndian(chunk, width);
  AppendBigEndian(chunk, height);
  chunk += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace
  AppendBigEndian(out, 13);
  out += chunk;
  AppendBigEndian(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(chunk.data()),
                                                   static_cast<uInt>(chunk.size()))));
  return out + extra;
}

namespace {

void WriteJpegWith(const std::filesystem::path& path, int width, int height, int components, J_COLOR_SPACE space,
                   const std::vector<uint8_t>& samples, bool progressive) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = space;
  jpeg_set_defaults(&cinfo);
  if (space == JCS_CMYK) jpeg_set_colorspace(&cinfo, JCS_CMYK);  // also writes the Adobe marker
  jpeg_set_quality(&cinfo, 95, TRUE);
  // Full-resolution chroma, so single pixels keep their colour.
  for (int c = 0; c < cinfo.num_components; ++c) {
    cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
  }
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples.data() + static_cast<size_t>(cinfo.next_scanline) * width * components);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  WriteBytes(path, buffer, size);
  std::free(buffer);
}

}  // namespace

void WriteJpeg(const std::filesystem::path& path, int width, int height, int components,
               const std::vector<uint8_t>& samples, bool progressive) {
  WriteJpegWith(path, width, height, components, components == 1 ? JCS_GRAYSCALE : JCS_RGB, samples, progressive);
}

void WriteAdobeCmykJpeg(const std::filesystem::path& path, int width, int height, const std::vector<uint8_t>& cmyk) {
  std::vector<uint8_t> inverted(cmyk.size());
  for (size_t i = 0; i < cmyk.size(); ++i) inverted[i] = static_cast<uint8_t>(255 - cmyk[i]);
  WriteJpegWith(path, width, height, 4, JCS_CMYK, inverted, false);
}

void WriteLosslessWebp(const std::filesystem::path& path, int width, int height, int channels,
                       const std::vector<uint8_t>& samples) {
  WebPConfig config;
  WebPPicture picture;
  if (!WebPConfigInit(&config) || !WebPPictureInit(&picture)) Fail("libwebp version mismatch");
  config.lossless = 1;
  config.exact = 1;  // keep the colour under transparent pixels: the decoder must not blend it away
  picture.use_argb = 1;
  picture.width = width;
  picture.height = height;
  WebPMemoryWriter writer;
  WebPMemoryWriterInit(&writer);
  picture.writer = WebPMemoryWrite;
  picture.custom_ptr = &writer;
  const bool ok = (channels == 4 ? WebPPictureImportRGBA(&picture, samples.data(), width * 4)
                                 : WebPPictureImportRGB(&picture, samples.data(), width * 3)) &&
                  WebPEncode(&config, &picture);
  WebPPictureFree(&picture);
  if (ok) WriteBytes(path, writer.mem, writer.size);
  WebPMemoryWriterClear(&writer);
  if (!ok) Fail("libwebp refused " + path.string());
}

void WriteLossyWebp(const std::filesystem::path& path, int width, int height, const std::vector<uint8_t>& rgb) {
  uint8_t* out = nullptr;
  const size_t size = WebPEncodeRGB(rgb.data(), width, height, width * 3, 80, &out);
  if (size == 0) Fail("libwebp refused " + path.string());
  WriteBytes(path, out, size);
  WebPFree(out);
}

void WriteAnimatedWebp(const std::filesystem::path& path, int width, int height, const std::vector<uint8_t>& rgba1,
                       const std::vector<uint8_t>& rgba2) {
  WebPAnimEncoderOptions options;
  WebPConfig config;
  if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config)) Fail("libwebp version mismatch");
  config.lossless = 1;
  config.exact = 1;
  WebPAnimEncoder* encoder = WebPAnimEncoderNew(width, height, &options);
  int timestamp = 0;
  for (const std::vector<uint8_t>* rgba : {&rgba1, &rgba2}) {
    WebPPicture picture;
    WebPPictureInit(&picture);
    picture.use_argb = 1;
    picture.width = width;
    picture.height = height;
    WebPPictureImportRGBA(&picture, rgba->data(), width * 4);
    WebPAnimEncoderAdd(encoder, &picture, timestamp, &config);
    WebPPictureFree(&picture);
    timestamp += 100;
  }
  WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr);
  WebPData data;
  WebPDataInit(&data);
  const bool ok = WebPAnimEncoderAssemble(encoder, &data) != 0;
  WebPAnimEncoderDelete(encoder);
  if (!ok) Fail("libwebp could not assemble " + path.string());
  WriteBytes(path, data.bytes, data.size);
  WebPDataClear(&data);
}

namespace {

// Row y of data cut into rows equal slices.
RowSource RowsOf(const std::vector<uint8_t>& data, uint32_t rows) {
  return [&data, rows](uint32_t y, int) {
    const size_t bytes = data.size() / rows;
    const auto first = data.begin() + static_cast<std::ptrdiff_t>(y * bytes);
    return std::vector<uint8_t>(first, first + static_cast<std::ptrdiff_t>(bytes));
  };
}

}  // namespace

void WriteTiff(const std::filesystem::path& path, const TiffPicture& picture) {
  TIFF* tif = TIFFOpen(path.c_str(), picture.bigEndian ? "wb" : "wl");
  if (tif == nullptr) Fail("cannot create " + path.string());
  const int planes = picture.planar ? picture.samples : 1;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, picture.width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, picture.height);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, picture.samples);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, picture.bits);
  TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, picture.sampleFormat);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, picture.photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, picture.planar ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, picture.compression);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, picture.orientation);
  if (!picture.extraSamples.empty()) {
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, static_cast<uint16_t>(picture.extraSamples.size()),
                 picture.extraSamples.data());
  }
  if (!picture.colormap.empty()) {
    const size_t n = picture.colormap.size() / 3;
    std::vector<uint16_t> map = picture.colormap;
    TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + n, map.data() + 2 * n);
  }
  if (picture.photometric == PHOTOMETRIC_YCBCR) {
    TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, picture.subsampling[0], picture.subsampling[1]);
  }
  if (picture.rgbIntoJpegYCbCr) TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);

  const uint32_t totalRows = picture.height * static_cast<uint32_t>(planes);
  const RowSource rows = picture.rowSource ? picture.rowSource : RowsOf(picture.data, totalRows);
  // Planar rows are numbered plane after plane in data; rowSource gets the plane separately.
  const auto row = [&](uint32_t y, int plane) {
    return picture.rowSource ? rows(y, plane) : rows(static_cast<uint32_t>(plane) * picture.height + y, 0);
  };
  bool ok = true;
  if (picture.subsampling != std::array<uint16_t, 2>{1, 1}) {
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, picture.height);
    std::vector<uint8_t> blocks = picture.data;
    ok = TIFFWriteEncodedStrip(tif, 0, blocks.data(), static_cast<tmsize_t>(blocks.size())) >= 0;
  } else if (picture.tileSide != 0) {
    const uint32_t side = picture.tileSide;
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, side);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, side);
    const size_t pixelBytes = static_cast<size_t>(picture.bits / 8) * (picture.planar ? 1 : picture.samples);
    std::vector<uint8_t> tile(side * side * pixelBytes);
    for (int plane = 0; ok && plane < planes; ++plane) {
      for (uint32_t top = 0; ok && top < picture.height; top += side) {
        for (uint32_t left = 0; ok && left < picture.width; left += side) {
          std::fill(tile.begin(), tile.end(), 0);
          for (uint32_t y = 0; y < side && top + y < picture.height; ++y) {
            const std::vector<uint8_t> stored = row(top + y, plane);
            const size_t columns = std::min(side, picture.width - left);
            std::copy_n(stored.begin() + static_cast<std::ptrdiff_t>(left * pixelBytes), columns * pixelBytes,
                        tile.begin() + static_cast<std::ptrdiff_t>(y * side * pixelBytes));
          }
          ok = TIFFWriteTile(tif, tile.data(), left, top, 0, static_cast<uint16_t>(plane)) >= 0;
        }
      }
    }
  } else {
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, picture.rowsPerStrip != 0 ? picture.rowsPerStrip : picture.height);
    for (int plane = 0; ok && plane < planes; ++plane) {
      for (uint32_t y = 0; ok && y < picture.height; ++y) {
        std::vector<uint8_t> stored = row(y, plane);
        ok = TIFFWriteScanline(tif, stored.data(), y, static_cast<uint16_t>(plane)) >= 0;
      }
    }
  }
  ok = TIFFWriteDirectory(tif) && ok;
  TIFFClose(tif);
  if (!ok) Fail("libtiff refused " + path.string());
}

void WriteTiff(const std::filesystem::path& path, int width, int height,
               const std::vector<std::vector<uint8_t>>& pages) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (tif == nullptr) Fail("cannot create " + path.string());
  for (const std::vector<uint8_t>& page : pages) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 2);
    for (int y = 0; y < height; ++y) {
      TIFFWriteScanline(tif, const_cast<uint8_t*>(page.data() + static_cast<size_t>(y) * width * 3),
                        static_cast<uint32_t>(y), 0);
    }
    TIFFWriteDirectory(tif);
  }
  TIFFClose(tif);
}

void WriteGif(const std::filesystem::path& path, int width, int height, const std::vector<uint8_t>& paletteRgb,
              const std::vector<GifFrame>& frames) {
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  if (gif == nullptr) Fail("cannot create " + path.string());
  EGifSetGifVersion(gif, true);
  const int colours = static_cast<int>(paletteRgb.size() / 3);
  ColorMapObject* palette = GifMakeMapObject(colours, reinterpret_cast<const GifColorType*>(paletteRgb.data()));
  bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, palette) == GIF_OK;
  for (const GifFrame& frame : frames) {
    if (frame.transparentIndex >= 0) {
      const uint8_t control[4] = {0x01, 0, 0, static_cast<uint8_t>(frame.transparentIndex)};
      ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < height; ++y) {
      ok = EGifPutLine(gif, const_cast<GifPixelType*>(frame.indices.data() + static_cast<size_t>(y) * width), width) ==
           GIF_OK;
    }
  }
  GifFreeMapObject(palette);
  ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
  if (!ok) Fail("giflib refused " + path.string());
}

namespace {

void AppendLittle(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

void WriteBmp(const std::filesystem::path& path, const BmpPicture& picture) {
  std::string palette;
  for (size_t i = 0; i + 2 < picture.paletteRgb.size(); i += 3) {
    palette += {static_cast<char>(picture.paletteRgb[i + 2]), static_cast<char>(picture.paletteRgb[i + 1]),
                static_cast<char>(picture.paletteRgb[i])};
    if (picture.headerSize != 12) palette.push_back(0);
  }
  std::string info;
  AppendLittle(info, picture.headerSize, 4);
  if (picture.headerSize == 12) {
    AppendLittle(info, static_cast<uint32_t>(picture.width), 2);
    AppendLittle(info, static_cast<uint32_t>(picture.height), 2);
    AppendLittle(info, 1, 2);
    AppendLittle(info, static_cast<uint32_t>(picture.bitsPerPixel), 2);
  } else {
    AppendLittle(info, static_cast<uint32_t>(picture.width), 4);
    AppendLittle(info, static_cast<uint32_t>(picture.height), 4);
    AppendLittle(info, 1, 2);
    AppendLittle(info, static_cast<uint32_t>(picture.bitsPerPixel), 2);
    AppendLittle(info, picture.compression, 4);
    AppendLittle(info, static_cast<uint32_t>(picture.data.size()), 4);
    AppendLittle(info, 2835, 4);  // 72 dpi
    AppendLittle(info, 2835, 4);
    AppendLittle(info, static_cast<uint32_t>(picture.paletteRgb.size() / 3), 4);
    AppendLittle(info, 0, 4);
    // The INFO header keeps bit fields after itself (red, green, blue), later versions inside.
    const bool fields = picture.compression == 3;
    if (fields || picture.headerSize > 40) {
      for (int c = 0; c < (picture.headerSize > 40 ? 4 : 3); ++c) AppendLittle(info, picture.masks[c], 4);
    }
    info.resize(picture.headerSize + (fields && picture.headerSize == 40 ? 12 : 0), '\0');
  }
  std::string head = "BM";
  const uint32_t offset = static_cast<uint32_t>(14 + info.size() + palette.size());
  AppendLittle(head, offset + static_cast<uint32_t>(picture.data.size()), 4);
  AppendLittle(head, 0, 4);
  AppendLittle(head, offset, 4);

  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << head << info << palette;
  out.write(reinterpret_cast<const char*>(picture.data.data()), static_cast<std::streamsize>(picture.data.size()));
  for (uint32_t y = 0; picture.rowSource && y < picture.rowCount; ++y) {
    const std::vector<uint8_t> row = picture.rowSource(y, 0);
    out.write(reinterpret_cast<const char*>(row.data()), static_cast<std::streamsize>(row.size()));
  }
  if (!out) Fail("cannot write " + path.string());
}

void WriteBmp(const std::filesystem::path& path, int width, int height, const std::vector<uint8_t>& rgb) {
  BmpPicture picture;
  picture.width = width;
  picture.height = height;
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
  picture.data.resize(stride * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    uint8_t* out = picture.data.data() + static_cast<size_t>(height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      const uint8_t* pixel = rgb.data() + (static_cast<size_t>(y) * width + x) * 3;
      out[x * 3] = pixel[2];
      out[x * 3 + 1] = pixel[1];
      out[x * 3 + 2] = pixel[0];
    }
  }
  WriteBmp(path, picture);
}

}  // namespace vesk::test
