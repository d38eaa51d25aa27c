#include "ocr/text_detection.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <span>
#include <string>
#include <thread>
#include <utility>

#include "ocr/box_geometry.h"
#include "ocr/box_joins.h"
#include "ocr/box_splits.h"
#include "ocr/detection_tiles.h"
#include "ocr/resize_normalize.h"
#include "ocr/side_by_side.h"
#include "platform/zeroed_pages.h"

namespace vesk {

namespace {

constexpr int32_t kPadMultiple = 64;
constexpr std::array<float, 3> kMean{0.485f, 0.456f, 0.406f};
constexpr std::array<float, 3> kStd{0.229f, 0.224f, 0.225f};
constexpr float kTextThreshold = 0.3f;
constexpr size_t kMinBoundaryPoints = 4;
constexpr float kBoxScoreThreshold = 0.6f;
constexpr float kExpansionRatio = 1.5f;

int32_t PadUp(int32_t size) { return (size + kPadMultiple - 1) / kPadMultiple * kPadMultiple; }

// Zeroed planes for an input of padW x padH: what the resampling leaves, the padding, stays 0.
ZeroedPages InputPlanes(int32_t padW, int32_t padH) {
  return ZeroedPages(static_cast<size_t>(3) * padH * padW * sizeof(float));
}

std::span<float> Floats(const ZeroedPages& pages) {
  return {static_cast<float*>(pages.data()), pages.size() / sizeof(float)};
}

// The window [x, x + width) x [y, y + height) of the gridW x gridH resampling of the screenshot, normalised
// into the top-left corner of padW x padH planes. Its upper and lower halves are resampled side by side:
// a detection input is millions of values, and nothing else runs meanwhile.
void PrepareInput(const DecodedImage& image, int32_t gridW, int32_t gridH, int32_t x, int32_t y, int32_t width,
                  int32_t height, std::span<float> planes, int32_t padW, int32_t padH) {
  const int32_t half = height / 2;
  const int32_t lanes = std::thread::hardware_concurrency() > 1 ? 2 : 1;
  RunSideBySide(2, lanes, [&](size_t part) {
    const int32_t top = part == 0 ? 0 : half;
    const int32_t rows = part == 0 ? half : height - half;
    if (rows <= 0) return;
    float* rowsStart = planes.data() + static_cast<size_t>(top) * padW;
    ResizeNormalizeWindow(image.pixels.data(), image.width, image.height, rowsStart, gridW, gridH, x, y + top, width,
                          rows, kMean, kStd, padW, padH);
  });
}

// A region's box mapped back to screenshot pixels, with `score`.
DetBox ScreenBox(const std::array<Point2f, 4>& corners, float scale, float score, const DecodedImage& image) {
  DetBox box;
  for (size_t i = 0; i < 4; ++i) {
    box.points[i].x = std::max(std::min(corners[i].x / scale, static_cast<float>(image.width)), 0.0f);
    box.points[i].y = std::max(std::min(corners[i].y / scale, static_cast<float>(image.height)), 0.0f);
  }
  box.score = score;
  return box;
}

// The box of a region with enough boundary points and a high enough score, in screenshot pixels, and
// beside it the region's upright fit (see DetectedBoxes); nothing when the region has no area.
void AddBox(const RectangleSweep& sweep, float score, float scale, float uprightSlack, const DecodedImage& image,
            DetectedBoxes& out) {
  const auto corners = sweep.Fit(kExpansionRatio);
  if (!corners) return;
  out.boxes.push_back(ScreenBox(*corners, scale, score, image));
  if (!(uprightSlack > 0.0f)) return;
  const auto upright = sweep.Fit(kExpansionRatio, uprightSlack);
  out.uprightFits.push_back(upright ? ScreenBox(*upright, scale, score, image) : out.boxes.back());
}

// The boxes of the regions of the probability map whose mean boundary probability is high enough,
// mapped back to screenshot pixels. The map's rows lie `stride` values apart; its top-left
// `width` x `height` values cover the scaled screenshot.
DetectedBoxes BoxesOf(const float* prob, size_t stride, int32_t width, int32_t height, float scale,
                      float uprightSlack, const DecodedImage& image) {
  std::vector<uint8_t> mask(static_cast<size_t>(width) * height);
  for (int32_t y = 0; y < height; ++y) {
    const float* row = prob + static_cast<size_t>(y) * stride;
    uint8_t* out = mask.data() + static_cast<size_t>(y) * width;
    for (int32_t x = 0; x < width; ++x) out[x] = row[x] >= kTextThreshold ? 255 : 0;
  }

  DetectedBoxes boxes;
  for (const TextRegion& region : ExtractRegions(mask.data(), width, height)) {
    const size_t n = region.boundary.size();
    if (n < kMinBoundaryPoints) continue;
    float sum = 0.0f;
    for (const Point2f& p : region.boundary) {
      sum += prob[static_cast<size_t>(p.y) * stride + static_cast<size_t>(p.x)];
    }
    const float score = sum / static_cast<float>(n);
    if (!(score >= kBoxScoreThreshold)) continue;
    if (!(uprightSlack > 0.0f)) {
      const auto corners = FitBox(region.boundary, kExpansionRatio);
      if (corners) boxes.boxes.push_back(ScreenBox(*corners, scale, score, image));
      continue;
    }
    RectangleSweep sweep;
    for (const Point2f& p : region.boundary) sweep.Add(p);
    AddBox(sweep, score, scale, uprightSlack, image, boxes);
  }
  return boxes;
}

Status Unusable(std::string message) { return Status::Failure(FailureKind::Recognition, std::move(message)); }

// The size of an ordinary screen: tiles are detected at the scale the settings give it.
constexpr int32_t kOrdinaryWidth = 1920;
constexpr int32_t kOrdinaryHeight = 1080;

}  // namespace

float TileScale(int32_t width, int32_t height, int32_t maxSide, const DetectionSettings& settings) {
  if (settings.tileSide <= 0) return 0.0f;
  const float ordinary = DetectionScale(kOrdinaryWidth, kOrdinaryHeight, maxSide, settings);
  const float whole = DetectionScale(width, height, maxSide, settings);
  return whole < ordinary * settings.tileMinScale ? ordinary : 0.0f;
}

float DetectionScale(int32_t width, int32_t height, int32_t maxSide, const DetectionSettings& settings) {
  const int32_t limit = std::min(maxSide, settings.maxSide);
  const int32_t longer = std::max(width, height);
  float f = longer > limit ? static_cast<float>(limit) / static_cast<float>(longer) : 1.0f;
  const double pixels = static_cast<double>(width) * static_cast<double>(height);
  if (settings.maxPixels > 0 && pixels * f * f > static_cast<double>(settings.maxPixels)) {
    f = static_cast<float>(std::sqrt(static_cast<double>(settings.maxPixels) / pixels));
  }
  return f;
}

Outcome<ModelOutput> TextDetector::RunModel(std::span<float> input, int32_t padW, int32_t padH,
                                            int32_t height) {
  TimedStage running(timeline_, "model: det");
  Outcome<ModelOutput> output = model_->Run(input, {1, 3, padH, padW});
  running.Stop();
  if (!output.ok()) {
    return output.status().kind() == FailureKind::ModelCall ? output.status()
                                                             : Unusable("Failed to create Det input tensor");
  }
  if (!*output) return Unusable("Detection produced no output tensor");
  // An empty batch or channel would leave no data behind the pointer, so those must be at least 1.
  const std::vector<int64_t> shape = output->shape().value_or(std::vector<int64_t>{});
  if (shape.size() != 4 || shape[0] < 1 || shape[1] < 1 || shape[2] < height || shape[3] < padW) {
    return Unusable("Unexpected detection output shape (expected [1, 1, H>=" + std::to_string(height) +
                    ", W>=" + std::to_string(padW) + "])");
  }
  if (output->data() == nullptr) return Unusable("Failed to read the detection probability map");
  return output;
}

Outcome<std::vector<DetBox>> TextDetector::DetectText(const DecodedImage& image, int32_t maxSide) {
  if (image.width <= 0 || image.height <= 0 || image.pixels.empty() || !model_) {
    return Unusable("Invalid image or detection session");
  }
  const float tileScale = TileScale(image.width, image.height, maxSide, settings_);
  Outcome<DetectedBoxes> found = tileScale > 0.0f ? DetectInTiles(image, maxSide, tileScale) : DetectWhole(image, maxSide);
  if (!found.ok()) return found.status();
  std::vector<DetBox> boxes = std::move(found->boxes);
  if (settings_.joinGap > 0.0f) {
    TimedStage joining(timeline_, "det joins");
    boxes = JoinLinePieces(std::move(boxes), settings_.joinGap, image, found->uprightFits, settings_.joinCellGap,
                           settings_.joinCellSpan);
  }
  if (settings_.splitGap > 0.0f) {
    TimedStage splitting(timeline_, "det splits");
    boxes = SplitAtWideBlanks(std::move(boxes), settings_.splitGap, image, settings_.splitColumnBoxes);
  }
  return boxes;
}

Outcome<DetectedBoxes> TextDetector::DetectWhole(const DecodedImage& image, int32_t maxSide) {
  const float f = DetectionScale(image.width, image.height, maxSide, settings_);
  const int32_t rw = static_cast<int32_t>(std::roundf(static_cast<float>(image.width) * f));
  const int32_t rh = static_cast<int32_t>(std::roundf(static_cast<float>(image.height) * f));
  // An extreme strip scales to nothing on one side: there is nothing the model could find in it,
  // and a zero-sized tensor is not worth handing to the runtime.
  if (rw <= 0 || rh <= 0) return DetectedBoxes{};
  const int32_t padW = PadUp(rw);
  const int32_t padH = PadUp(rh);

  TimedStage preparing(timeline_, "det input");
  const ZeroedPages input = InputPlanes(padW, padH);
  PrepareInput(image, rw, rh, 0, 0, rw, rh, Floats(input), padW, padH);
  preparing.Stop();

  const Outcome<ModelOutput> output = RunModel(Floats(input), padW, padH, rh);
  if (!output.ok()) return output.status();
  TimedStage boxing(timeline_, "det boxes");
  // Rows of the map lie the output's own width apart (the padded input width for these models).
  return BoxesOf(output->data(), static_cast<size_t>((*output->shape())[3]), rw, rh, f, settings_.uprightSlack, image);
}

// Each tile is resampled from the screenshot as part of one resampling of the whole at `scale`, so
// that the tiles' inputs agree where they overlap; one tile's input and output are alive at a time.
Outcome<DetectedBoxes> TextDetector::DetectInTiles(const DecodedImage& image, int32_t maxSide, float scale) {
  const int32_t gridW = static_cast<int32_t>(std::roundf(static_cast<float>(image.width) * scale));
  const int32_t gridH = static_cast<int32_t>(std::roundf(static_cast<float>(image.height) * scale));
  if (gridW <= 0 || gridH <= 0) return DetectedBoxes{};
  const int32_t side = std::min({settings_.tileSide, maxSide, settings_.maxSide});
  const std::vector<DetectionTile> tiles = PlanTiles(gridW, gridH, side, settings_.tileOverlap);

  MergedProbabilityMap map(gridW, gridH);
  ZeroedPages input;
  // The tiles share one shape, so each finds the working memory of the one before ready: setting it up
  // again for every tile took more than half of a 3840 x 2160 capture's detection time. The first call
  // of a shape works without the runtime's plan of its memory and leaves its pieces scattered, which
  // the plan's one block of the next call would come on top of: the first hands its memory back, and
  // the last before recognition.
  struct RestoreRelease {
    Model& model;
    ~RestoreRelease() { model.SetReleaseMemoryAfterRun(true); }
  } restoreRelease{*model_};
  for (const DetectionTile& tile : tiles) {
    model_->SetReleaseMemoryAfterRun(&tile == &tiles.front() || &tile == &tiles.back());
    const int32_t padW = PadUp(tile.width);
    const int32_t padH = PadUp(tile.height);
    TimedStage preparing(timeline_, "det input");
    // Tiles of one size write the same window of the planes, so the padding around it stays 0.
    if (input.size() != static_cast<size_t>(3) * padH * padW * sizeof(float)) input = InputPlanes(padW, padH);
    PrepareInput(image, gridW, gridH, tile.x, tile.y, tile.width, tile.height, Floats(input), padW, padH);
    preparing.Stop();
    const Outcome<ModelOutput> output = RunModel(Floats(input), padW, padH, tile.height);
    if (!output.ok()) return output.status();
    TimedStage merging(timeline_, "det merge");
    map.Keep(tile, output->data(), static_cast<size_t>((*output->shape())[3]), kTextThreshold);
  }
  input = ZeroedPages();

  TimedStage boxing(timeline_, "det boxes");
  DetectedBoxes boxes;
  map.ForEachRegion([&](const ScoredRegion& region) {
    if (region.boundaryPoints < kMinBoundaryPoints || !(region.score >= kBoxScoreThreshold)) return;
    AddBox(*region.sweep, region.score, scale, settings_.uprightSlack, image, boxes);
  });
  return boxes;
}

}  // namespace vesk
