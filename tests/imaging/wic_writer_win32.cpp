#include "imaging/wic_writer_win32.h"

#include <windows.h>
#include <wincodec.h>

#include <stdexcept>
#include <string>

namespace vesk::test {
namespace {

template <typename T>
struct Com {
  T* p = nullptr;
  ~Com() {
    if (p != nullptr) p->Release();
  }
  T* operator->() const { return p; }
  T** out() { return &p; }
};

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) throw std::runtime_error(std::string(what) + " failed, hr=" + std::to_string(static_cast<long>(hr)));
}

struct Apartment {
  Apartment() { ::CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
  ~Apartment() { ::CoUninitialize(); }
};

void CreateFactory(Com<IWICImagingFactory>& factory) {
  Check(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                           reinterpret_cast<void**>(factory.out())),
        "CoCreateInstance");
}

const GUID& ContainerFormat(Container container) {
  switch (container) {
    case Container::Png: return GUID_ContainerFormatPng;
    case Container::Jpeg: return GUID_ContainerFormatJpeg;
    case Container::Bmp: return GUID_ContainerFormatBmp;
    case Container::Gif: return GUID_ContainerFormatGif;
    case Container::Tiff: return GUID_ContainerFormatTiff;
  }
  return GUID_ContainerFormatPng;
}

// WIC's own layouts: blue first for colour, alpha straight.
struct Source {
  WICPixelFormatGUID format;
  UINT bytesPerPixel;
  std::vector<uint8_t> pixels;
};

Source ToWic(const Frame& frame) {
  Source source{GUID_WICPixelFormat24bppBGR, 3, frame.pixels};
  switch (frame.layout) {
    case Layout::Rgb:
      for (size_t i = 0; i + 2 < source.pixels.size(); i += 3) std::swap(source.pixels[i], source.pixels[i + 2]);
      break;
    case Layout::Rgba:
      source.format = GUID_WICPixelFormat32bppBGRA;
      source.bytesPerPixel = 4;
      for (size_t i = 0; i + 3 < source.pixels.size(); i += 4) std::swap(source.pixels[i], source.pixels[i + 2]);
      break;
    case Layout::Grey:
      source.format = GUID_WICPixelFormat8bppGray;
      source.bytesPerPixel = 1;
      break;
    case Layout::Indexed:
      source.format = GUID_WICPixelFormat8bppIndexed;
      source.bytesPerPixel = 1;
      break;
  }
  return source;
}

}  // namespace

void WritePicture(const std::filesystem::path& path, Container container, uint32_t width, uint32_t height,
                  const std::vector<Frame>& frames) {
  const Apartment apartment;
  Com<IWICImagingFactory> factory;
  CreateFactory(factory);
  Com<IWICStream> stream;
  Check(factory->CreateStream(stream.out()), "CreateStream");
  Check(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE), "InitializeFromFilename");
  Com<IWICBitmapEncoder> encoder;
  Check(factory->CreateEncoder(ContainerFormat(container), nullptr, encoder.out()), "CreateEncoder");
  Check(encoder->Initialize(stream.p, WICBitmapEncoderNoCache), "encoder Initialize");

  for (const Frame& frame : frames) {
    Source source = ToWic(frame);
    Com<IWICBitmap> bitmap;
    Check(factory->CreateBitmapFromMemory(width, height, source.format, width * source.bytesPerPixel,
                                          static_cast<UINT>(source.pixels.size()), source.pixels.data(),
                                          bitmap.out()),
          "CreateBitmapFromMemory");
    Com<IWICPalette> palette;
    if (frame.layout == Layout::Indexed) {
      std::vector<WICColor> colors;
      for (size_t i = 0; i + 2 < frame.paletteRgb.size(); i += 3) {
        colors.push_back(0xFF000000u | (WICColor{frame.paletteRgb[i]} << 16) | (WICColor{frame.paletteRgb[i + 1]} << 8) |
                         frame.paletteRgb[i + 2]);
      }
      Check(factory->CreatePalette(palette.out()), "CreatePalette");
      Check(palette->InitializeCustom(colors.data(), static_cast<UINT>(colors.size())), "InitializeCustom");
      Check(bitmap->SetPalette(palette.p), "bitmap SetPalette");
    }

    Com<IWICBitmapFrameEncode> target;
    Check(encoder->CreateNewFrame(target.out(), nullptr), "CreateNewFrame");
    Check(target->Initialize(nullptr), "frame Initialize");
    Check(target->SetSize(width, height), "SetSize");
    WICPixelFormatGUID format = source.format;
    Check(target->SetPixelFormat(&format), "SetPixelFormat");
    if (palette.p != nullptr && format == source.format) Check(target->SetPalette(palette.p), "frame SetPalette");
    // The encoder converts when it chose another format than the one offered.
    Check(target->WriteSource(bitmap.p, nullptr), "WriteSource");
    Check(target->Commit(), "frame Commit");
  }
  Check(encoder->Commit(), "encoder Commit");
}

std::string StoredFormatOf(const std::filesystem::path& path) {
  const Apartment apartment;
  Com<IWICImagingFactory> factory;
  CreateFactory(factory);
  Com<IWICBitmapDecoder> decoder;
  Check(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                           decoder.out()),
        "CreateDecoderFromFilename");
  Com<IWICBitmapFrameDecode> frame;
  Check(decoder->GetFrame(0, frame.out()), "GetFrame");
  WICPixelFormatGUID format{};
  Check(frame->GetPixelFormat(&format), "GetPixelFormat");
  if (format == GUID_WICPixelFormat8bppIndexed || format == GUID_WICPixelFormat4bppIndexed ||
      format == GUID_WICPixelFormat2bppIndexed || format == GUID_WICPixelFormat1bppIndexed) {
    return "indexed";
  }
  if (format == GUID_WICPixelFormat8bppGray) return "grey";
  if (format == GUID_WICPixelFormat24bppBGR || format == GUID_WICPixelFormat24bppRGB) return "rgb";
  if (format == GUID_WICPixelFormat32bppBGRA || format == GUID_WICPixelFormat32bppRGBA) return "rgba";
  return "other";
}

}  // namespace vesk::test
