// Times image decoding and the barcode scan.
//
//   vesk_decode_scan_bench [picture] [runs]
//
// Without a picture it synthesises a 1920x1080 screenshot-like PNG (light ground, rows of dark
// text-like strokes, a dark side panel, two QR codes) in the temporary folder and removes it after.

#include <png.h>

#include <ZXing/BarcodeFormat.h>
#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "imaging/barcode_scan.h"
#include "imaging/image_decoder.h"
#include "platform/text.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

void Fill(std::vector<uint8_t>& rgb, int left, int top, int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  for (int y = top; y < top + height && y < kHeight; ++y) {
    for (int x = left; x < left + width && x < kWidth; ++x) {
      uint8_t* p = &rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
      p[0] = r;
      p[1] = g;
      p[2] = b;
    }
  }
}

void DrawQr(std::vector<uint8_t>& rgb, const std::string& text, int left, int top, int scale) {
  const ZXing::BitMatrix qr = ZXing::MultiFormatWriter(ZXing::BarcodeFormat::QRCode).setMargin(0).encode(text, 0, 0);
  Fill(rgb, left - 4 * scale, top - 4 * scale, (qr.width() + 8) * scale, (qr.height() + 8) * scale, 255, 255, 255);
  for (int y = 0; y < qr.height(); ++y) {
    for (int x = 0; x < qr.width(); ++x) {
      if (qr.get(x, y)) Fill(rgb, left + x * scale, top + y * scale, scale, scale, 0, 0, 0);
    }
  }
}

std::filesystem::path SynthesiseScreenshot() {
  std::vector<uint8_t> rgb(static_cast<size_t>(kWidth) * kHeight * 3, 246);
  Fill(rgb, 0, 0, 320, kHeight, 40, 44, 52);  // side panel
  std::mt19937 random(7);
  for (int line = 0; line < 40; ++line) {
    int x = 360;
    const int y = 40 + line * 25;
    while (x < 1500) {
      const int word = 20 + static_cast<int>(random() % 90);
      Fill(rgb, x, y, word, 12, 30, 30, 30);
      x += word + 8;
    }
  }
  DrawQr(rgb, "https://example.org/one", 1560, 80, 5);
  DrawQr(rgb, "second code", 1600, 600, 4);

  const auto path = std::filesystem::temp_directory_path() /
                    ("vesk-bench-" + std::to_string(std::random_device{}()) + ".png");
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = kWidth;
  image.height = kHeight;
  image.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), kWidth * 3, nullptr)) {
    std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), image.message);
    std::exit(1);
  }
  return path;
}

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
  const bool synthesised = argc < 2;
  const std::filesystem::path picture = synthesised ? SynthesiseScreenshot() : std::filesystem::path(argv[1]);
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
  const std::u16string path = vesk::FromUtf8(picture.string());

  vesk::DecodedImage image;
  std::u16string error;
  std::chrono::steady_clock::duration decodeTotal{};
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const bool ok = vesk::DecodeImage(path, image, error);
    decodeTotal += std::chrono::steady_clock::now() - start;
    if (!ok) {
      std::fprintf(stderr, "%s\n", vesk::ToUtf8(error).c_str());
      return 1;
    }
  }

  std::vector<vesk::BarcodeResult> results;
  std::string scanError;
  std::chrono::steady_clock::duration scanTotal{};
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const bool ok = vesk::ScanBarcodes(image, results, scanError);
    scanTotal += std::chrono::steady_clock::now() - start;
    if (!ok) {
      std::fprintf(stderr, "scan failed: %s\n", scanError.c_str());
      return 1;
    }
  }
  if (synthesised) std::filesystem::remove(picture);

  std::printf("picture: %s (%dx%d), %d runs\n", synthesised ? "synthesised screenshot" : picture.c_str(), image.width,
              image.height, runs);
  std::printf("decode: %.2f ms mean\n", Milliseconds(decodeTotal) / runs);
  std::printf("scan:   %.2f ms mean, %zu symbols\n", Milliseconds(scanTotal) / runs, results.size());
  return 0;
}
