// Times the stages of one worker run on a screenshot: decoding, the barcode scan, every step of the
// OCR pass and writing the results, each over all its calls in a run, then whole runs end to end.
//
//   vesk_ocr_bench [screenshot] [runs]
//
// Without a screenshot it reads the committed 1920 x 1080 sample. The models and the runtime library
// are taken from the build's bin folder, on the CPU.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "imaging/barcode_scan.h"
#include "imaging/image_decoder.h"
#include "ocr/box_geometry.h"
#include "ocr/ctc_decode.h"
#include "ocr/line_crop.h"
#include "ocr/line_order.h"
#include "ocr/line_orientation.h"
#include "ocr/ocr_engine.h"
#include "ocr/resize_normalize.h"
#include "ocr/text_detection.h"
#include "output/result_json.h"
#include "output/text_report.h"
#include "platform/process_stats.h"
#include "platform/text.h"
#include "runtime/ort_manager.h"
#include "runtime/tensor.h"

namespace {

using Clock = std::chrono::steady_clock;

enum Stage {
  kDecode,
  kBarcodes,
  kDetInput,
  kDetModel,
  kRegions,
  kOrdering,
  kCrops,
  kOrientation,
  kRecInput,
  kRecModel,
  kCtc,
  kWriting,
  kStageCount
};

constexpr std::array<const char*, kStageCount> kStageNames{
    "decode",         "barcodes",          "det input (resize+normalise)", "detection model",
    "regions + boxes", "ordering",         "crops",                        "orientation model",
    "rec input (resize+normalise)", "recognition model", "CTC decoding", "writing JSON + text report"};

// The detection and recognition constants, as the pass uses them.
constexpr std::array<float, 3> kDetMean{0.485f, 0.456f, 0.406f};
constexpr std::array<float, 3> kDetStd{0.229f, 0.224f, 0.225f};
constexpr std::array<float, 3> kHalf{0.5f, 0.5f, 0.5f};
constexpr std::array<int32_t, 9> kRecBuckets{160, 320, 480, 640, 960, 1280, 1920, 2560, 3200};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Timer {
  Clock::duration& total;
  Clock::time_point start = Clock::now();
  ~Timer() { total += Clock::now() - start; }
};

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "%s\n", what.c_str());
  std::exit(1);
}

// The pass's steps one by one, each timed on its own; returns the number of lines read.
size_t TimeStages(vesk::OcrEngine& engine, const std::u16string& picture, const std::filesystem::path& outDir,
                  std::array<Clock::duration, kStageCount>& t, size_t& boxCount) {
  vesk::DecodedImage image;
  std::u16string decodeError;
  {
    Timer timer{t[kDecode]};
    if (!vesk::DecodeImage(picture, image, decodeError)) Fail(vesk::ToUtf8(decodeError));
  }
  std::vector<vesk::BarcodeResult> barcodes;
  std::string error;
  {
    Timer timer{t[kBarcodes]};
    if (!vesk::ScanBarcodes(image, barcodes, error)) std::fprintf(stderr, "barcode scan: %s\n", error.c_str());
  }

  // Detection, split into its input, the model call and the geometry on its output.
  const int32_t longer = std::max(image.width, image.height);
  const float f = longer > 960 ? 960.0f / static_cast<float>(longer) : 1.0f;
  const int32_t rw = static_cast<int32_t>(std::roundf(static_cast<float>(image.width) * f));
  const int32_t rh = static_cast<int32_t>(std::roundf(static_cast<float>(image.height) * f));
  const int32_t padW = (rw + 63) / 64 * 64, padH = (rh + 63) / 64 * 64;
  std::vector<float> detInput;
  {
    Timer timer{t[kDetInput]};
    detInput.assign(static_cast<size_t>(3) * padW * padH, 0.0f);
    vesk::ResizeNormalize(image.pixels.data(), image.width, image.height, detInput.data(), rw, rh, kDetMean, kDetStd,
                          padW, padH);
  }
  vesk::OrtValueHandle detOutput;
  {
    Timer timer{t[kDetModel]};
    vesk::OrtValueHandle tensor = vesk::CreateInputTensor(detInput.data(), detInput.size(), {1, 3, padH, padW});
    bool runFailed = false;
    if (!vesk::RunOnTensor(engine.det, tensor, "sigmoid_0.tmp_0", detOutput, error, runFailed) || !detOutput) {
      Fail("detection failed: " + error);
    }
  }
  {
    Timer timer{t[kRegions]};
    const float* prob = vesk::TensorData(detOutput.get());
    std::vector<uint8_t> mask(static_cast<size_t>(rw) * rh);
    for (int32_t y = 0; y < rh; ++y)
      for (int32_t x = 0; x < rw; ++x) mask[static_cast<size_t>(y) * rw + x] = prob[y * padW + x] >= 0.3f ? 255 : 0;
    for (const vesk::TextRegion& region : vesk::ExtractRegions(mask.data(), rw, rh)) {
      if (region.boundary.size() < 4) continue;
      float sum = 0.0f;
      for (const vesk::Point2f& p : region.boundary) sum += prob[static_cast<size_t>(p.y) * padW + static_cast<size_t>(p.x)];
      if (sum / static_cast<float>(region.boundary.size()) >= 0.6f) (void)vesk::FitBox(region.boundary, 1.5f);
    }
  }
  detOutput.reset();

  // The boxes the pass really works on come from the product's own detection step.
  std::vector<vesk::DetBox> boxes;
  bool runFailed = false;
  if (!vesk::DetectText(engine, image, 4096, boxes, error, runFailed)) Fail("detection failed: " + error);
  boxCount = boxes.size();
  std::vector<vesk::DetBox> ordered;
  {
    Timer timer{t[kOrdering]};
    ordered = vesk::OrderBoxes(boxes);
  }
  std::vector<vesk::DecodedImage> crops(ordered.size());
  {
    Timer timer{t[kCrops]};
    for (size_t i = 0; i < ordered.size(); ++i) vesk::CropLine(image, ordered[i], crops[i]);
  }
  std::vector<int32_t> orientations(crops.size(), 0);
  {
    Timer timer{t[kOrientation]};
    for (size_t i = 0; i < crops.size(); ++i) orientations[i] = vesk::ClassifyOrientation(engine, crops[i]);
  }

  std::vector<vesk::OcrLine> lines;
  for (size_t i = 0; i < crops.size(); ++i) {
    const vesk::DecodedImage& crop = crops[i];
    const float targetF = std::roundf(static_cast<float>(crop.width) * 48.0f / static_cast<float>(crop.height));
    const int32_t target = static_cast<int32_t>(std::min(targetF, 3200.0f));
    const int32_t bucket = *std::find_if(kRecBuckets.begin(), kRecBuckets.end() - 1,
                                         [&](int32_t b) { return b >= target; });
    std::vector<float> recInput;
    {
      Timer timer{t[kRecInput]};
      recInput.assign(static_cast<size_t>(3) * 48 * bucket, 0.0f);
      vesk::ResizeNormalize(crop.pixels.data(), crop.width, crop.height, recInput.data(), std::min(target, bucket),
                            48, kHalf, kHalf, bucket, 48);
    }
    vesk::OrtValueHandle recOutput;
    {
      Timer timer{t[kRecModel]};
      vesk::OrtValueHandle tensor = vesk::CreateInputTensor(recInput.data(), recInput.size(), {1, 3, 48, bucket});
      if (!vesk::RunOnTensor(engine.rec, tensor, "softmax_0.tmp_0", recOutput, error, runFailed) || !recOutput) {
        Fail("recognition failed: " + error);
      }
    }
    vesk::OcrLine line;
    {
      Timer timer{t[kCtc]};
      const std::vector<int64_t> shape = vesk::TensorShape(recOutput.get());
      vesk::DecodeCtc(vesk::TensorData(recOutput.get()), shape.at(1), shape.at(2), engine.dictionary, line.text,
                      line.score);
    }
    if (line.text.empty()) continue;
    line.index = static_cast<int32_t>(lines.size());
    line.orientation = orientations[i];
    lines.push_back(std::move(line));
  }

  {
    Timer timer{t[kWriting]};
    vesk::ResultMeta meta;
    meta.imageWidth = image.width;
    meta.imageHeight = image.height;
    meta.executionProviderName = "cpu";
    if (!vesk::WriteResultJson(vesk::FromUtf8((outDir / "bench.ocr.json").string()), meta, lines, barcodes) ||
        !vesk::WriteTextReport(vesk::FromUtf8((outDir / "bench.ocr.txt").string()), lines, barcodes)) {
      Fail("writing the results failed");
    }
  }
  return lines.size();
}

// One run as the worker makes it: decode, scan, the whole pass, write.
void WholeRun(vesk::OcrEngine& engine, const std::u16string& picture, const std::filesystem::path& outDir) {
  vesk::DecodedImage image;
  std::u16string decodeError;
  if (!vesk::DecodeImage(picture, image, decodeError)) Fail(vesk::ToUtf8(decodeError));
  std::vector<vesk::BarcodeResult> barcodes;
  std::string error;
  vesk::ScanBarcodes(image, barcodes, error);
  vesk::OcrResult result;
  if (!engine.Recognize(image, vesk::OcrOptions{}, result)) Fail("OCR pass failed: " + result.log);
  vesk::ResultMeta meta;
  meta.imageWidth = image.width;
  meta.imageHeight = image.height;
  meta.executionProviderName = result.ep;
  if (!vesk::WriteResultJson(vesk::FromUtf8((outDir / "whole.ocr.json").string()), meta, result.lines, barcodes) ||
      !vesk::WriteTextReport(vesk::FromUtf8((outDir / "whole.ocr.txt").string()), result.lines, barcodes)) {
    Fail("writing the results failed");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path picture =
      argc > 1 ? std::filesystem::path(argv[1])
               : std::filesystem::path(VESK_SAMPLES_DIR) / "screen_1920x1080.png";
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const std::filesystem::path bin = VESK_BIN_DIR;

  std::u16string initError;
  if (!vesk::OrtManager::Instance().Initialize(vesk::FromUtf8((bin / "backend").string()), initError)) {
    Fail(vesk::ToUtf8(initError));
  }
  const std::filesystem::path models = bin / "models";
  const vesk::ModelPaths paths{vesk::FromUtf8((models / "PP-OCRv5_server_det.onnx").string()),
                               vesk::FromUtf8((models / "PP-LCNet_x1_0_textline_ori.onnx").string()),
                               vesk::FromUtf8((models / "PP-OCRv5_server_rec.onnx").string()),
                               vesk::FromUtf8((models / "ppocrv5_dict.txt").string())};
  vesk::OcrEngine engine;
  std::string log;
  const auto setupStart = Clock::now();
  if (!engine.Initialize(paths, vesk::ExecutionProvider::Cpu, log, false)) Fail("engine set-up failed: " + log);
  const double setupMs = Ms(Clock::now() - setupStart);

  const std::filesystem::path outDir =
      std::filesystem::temp_directory_path() / ("vesk-ocr-bench-" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(outDir);
  const std::u16string picture16 = vesk::FromUtf8(picture.string());

  // One untimed round first: the runtime settles its allocations and thread pool on the first calls.
  std::array<Clock::duration, kStageCount> warmup{};
  size_t boxCount = 0;
  TimeStages(engine, picture16, outDir, warmup, boxCount);

  std::array<Clock::duration, kStageCount> stages{};
  size_t lineCount = 0;
  for (int i = 0; i < runs; ++i) lineCount = TimeStages(engine, picture16, outDir, stages, boxCount);
  Clock::duration whole{};
  for (int i = 0; i < runs; ++i) {
    Timer timer{whole};
    WholeRun(engine, picture16, outDir);
  }
  std::filesystem::remove_all(outDir);

  std::printf("screenshot: %s, %d runs, %zu boxes, %zu lines, engine set-up %.0f ms (once)\n", picture.c_str(), runs,
              boxCount, lineCount, setupMs);
  std::printf("%-32s %10s\n", "stage", "ms/run");
  double sum = 0.0;
  for (int s = 0; s < kStageCount; ++s) {
    const double ms = Ms(stages[s]) / runs;
    sum += ms;
    std::printf("%-32s %10.2f\n", kStageNames[s], ms);
  }
  std::printf("%-32s %10.2f\n", "sum of stages", sum);
  std::printf("%-32s %10.2f\n", "whole run (decode..write)", Ms(whole) / runs);
  std::printf("peak RSS: %.1f MiB\n", static_cast<double>(vesk::PeakResidentBytes()) / (1024.0 * 1024.0));
  return 0;
}
