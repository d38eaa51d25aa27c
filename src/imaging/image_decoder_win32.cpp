// Image decoding with the Windows Imaging Component: the platform's own decoders for every still-image
// format it knows, reached through COM.

#include <windows.h>
#include <wincodec.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "imaging/image_decoder.h"
#include "imaging/image_limits.h"
#include "platform/wide_win32.h"

namespace vesk {
namespace {

// Owns one COM interface pointer and releases it.
template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() { reset(); }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

  // Releases what is held and lends the slot to a call that creates into it.
  T** out() {
    reset();
    return &object_;
  }
  void reset() {
    if (object_ != nullptr) object_->Release();
    object_ = nullptr;
  }

 private:
  T* object_ = nullptr;
};

// Keeps the calling thread in the multithreaded apartment while it exists. A thread that is already in
// another apartment keeps it; decoding still works there.
class ComApartment {
 public:
  ComApartment() : joined_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
  ~ComApartment() {
    if (joined_) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool joined_;
};

// A pixel format the converter is asked for, in the order of preference.
struct Target {
  const GUID* format;
  UINT bytesPerPixel;
  bool blueFirst;  // 24-bit BGR: red and blue are swapped afterwards
};

constexpr Target kTargets[] = {
    {&GUID_WICPixelFormat24bppRGB, 3, false},
    {&GUID_WICPixelFormat24bppBGR, 3, true},
    {&GUID_WICPixelFormat32bppRGBA, 4, false},
};

// The converted pixels as tight RGB rows; a failure when the converter cannot deliver them.
Outcome<DecodedImage> CopyConverted(IWICFormatConverter* converter, const Target& target, UINT width, UINT height,
                                    const std::u16string& path) {
  const size_t pixelCount = size_t{width} * height;
  DecodedImage image;
  image.width = static_cast<int32_t>(width);
  image.height = static_cast<int32_t>(height);
  if (target.bytesPerPixel == 3) {
    image.pixels.assign(pixelCount * 3, 0);
    if (FAILED(converter->CopyPixels(nullptr, width * 3, static_cast<UINT>(image.pixels.size()), image.pixels.data()))) {
      return ImageFailure("Failed to read pixels from ", path);
    }
    if (target.blueFirst) {
      for (size_t i = 0; i < image.pixels.size(); i += 3) std::swap(image.pixels[i], image.pixels[i + 2]);
    }
    return image;
  }
  std::vector<uint8_t> rgba(pixelCount * 4, 0);
  if (FAILED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(rgba.size()), rgba.data()))) {
    return ImageFailure("Failed to copy pixels from ", path);
  }
  // Alpha is dropped as it is, without blending against any background.
  image.pixels.resize(pixelCount * 3);
  for (size_t i = 0; i < pixelCount; ++i) {
    image.pixels[i * 3] = rgba[i * 4];
    image.pixels[i * 3 + 1] = rgba[i * 4 + 1];
    image.pixels[i * 3 + 2] = rgba[i * 4 + 2];
  }
  return image;
}

// The frame's pixels through the first target the converter accepts and delivers. One converter serves
// every attempt that it refuses. Wine's converter accepts some 24-bit targets for palette and grey
// sources and then fails to copy them; an initialised converter cannot be initialised again, so a failed
// copy goes on to the next target with a fresh converter.
Outcome<DecodedImage> ConvertPixels(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, UINT width,
                                    UINT height, const std::u16string& path) {
  ComRef<IWICFormatConverter> converter;
  Status copyFailure;
  for (const Target& target : kTargets) {
    if (!converter && (FAILED(factory->CreateFormatConverter(converter.out())) || !converter)) {
      return Status::Failure(FailureKind::ImageFailed, "Failed to create WICFormatConverter");
    }
    if (FAILED(converter->Initialize(frame, *target.format, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
      continue;
    }
    Outcome<DecodedImage> image = CopyConverted(converter.get(), target, width, height, path);
    if (image.ok()) return image;
    copyFailure = image.status();
    converter.reset();
  }
  if (!copyFailure.ok()) return copyFailure;
  return ImageFailure("Failed to convert image pixel format for ", path);
}

Outcome<DecodedImage> Decode(const std::u16string& path, const ImageSizeKnown& sizeKnown) {
  ComRef<IWICImagingFactory> factory;
  const HRESULT created = ::CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out()));
  if (FAILED(created) || !factory) {
    const std::string code = std::to_string(static_cast<long>(created));
    return Status::Failure(FailureKind::ImageFailed, "Failed to create WICImagingFactory (hr=" + code + ")");
  }

  ComRef<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromFilename(Wide(path), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                decoder.out())) ||
      !decoder) {
    return ImageFailure("Failed to open image: ", path);
  }
  // Only the first frame of a multi-frame file (animated GIF, multi-page TIFF) is read.
  ComRef<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.out())) || !frame) {
    return ImageFailure("Failed to decode image frame from ", path);
  }

  UINT width = 0;
  UINT height = 0;
  if (FAILED(frame->GetSize(&width, &height))) width = height = 0;
  if (Status acceptable = CheckFrameSize(width, height, path); !acceptable.ok()) return acceptable;
  if (sizeKnown) sizeKnown(static_cast<int32_t>(width), static_cast<int32_t>(height));
  return ConvertPixels(factory.get(), frame.get(), width, height, path);
}

}  // namespace

Outcome<DecodedImage> DecodeImage(const std::u16string& path, const ImageSizeKnown& sizeKnown) {
  // Every COM object is released before the apartment is left.
  const ComApartment apartment;
  return Decode(path, sizeKnown);
}

}  // namespace vesk
