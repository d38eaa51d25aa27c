// Times image decoding and the barcode scan on real screenshots.
//
//   vesk_decode_scan_bench [--runs=N] [picture ...]
//
// Without pictures it reads the committed 1920 x 1080 samples: a desktop full of text without symbols,
// and a screen-wide linear barcode. Every picture is decoded and scanned N times (default 20); the
// fastest and the mean time of each are printed, the fastest being the least disturbed by other work on
// the machine.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "imaging/barcode_scan.h"
#include "imaging/image_decoder.h"
#include "platform/text.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Timing {
  double fastestMs = 0;
  double meanMs = 0;
};

// Calls step runs times; false as soon as one call fails.
template <class Step>
bool Time(int runs, Timing& timing, Step step) {
  double total = 0;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    const bool ok = step();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (!ok) return false;
    timing.fastestMs = i == 0 ? ms : std::min(timing.fastestMs, ms);
    total += ms;
  }
  timing.meanMs = total / runs;
  return true;
}

// Keeps the value of outcome in value, or its failure's message in error; true when there is a value.
template <class T>
bool Keep(vesk::Outcome<T> outcome, T& value, std::string& error) {
  if (!outcome.ok()) {
    error = outcome.status().message();
    return false;
  }
  value = std::move(*outcome);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 20;
  std::vector<std::string> pictures;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with("--runs=")) {
      runs = std::max(1, std::atoi(argv[i] + 7));
    } else {
      pictures.emplace_back(arg);
    }
  }
  if (pictures.empty()) {
    pictures = {VESK_SAMPLES_DIR "/screen_1920x1080.png", VESK_SAMPLES_DIR "/wide_code128_1920x1080.png"};
  }

  std::printf("%d runs a picture; times in ms, fastest / mean\n", runs);
  std::printf("%-40s %11s %17s %17s  %s\n", "picture", "size", "decode", "scan", "symbols");
  for (const std::string& picture : pictures) {
    const std::u16string path = vesk::FromUtf8(picture);
    vesk::DecodedImage image;
    std::string error;
    Timing decode;
    if (!Time(runs, decode, [&] { return Keep(vesk::DecodeImage(path), image, error); })) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    std::vector<vesk::BarcodeResult> results;
    Timing scan;
    if (!Time(runs, scan, [&] { return Keep(vesk::ScanBarcodes(image), results, error); })) {
      std::fprintf(stderr, "%s: scan failed: %s\n", picture.c_str(), error.c_str());
      return 1;
    }
    const std::string name = picture.substr(picture.find_last_of('/') + 1);
    const std::string size = std::to_string(image.width) + "x" + std::to_string(image.height);
    std::printf("%-40s %11s %8.2f / %6.2f %8.2f / %6.2f  %zu\n", name.c_str(), size.c_str(), decode.fastestMs,
                decode.meanMs, scan.fastestMs, scan.meanMs, results.size());
  }
  return 0;
}
