#include "ocr/text_recognition.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "ocr/ctc_decode.h"
#include "ocr/ink_gaps.h"
#include "ocr/resize_normalize.h"
#include "ocr/side_by_side.h"

namespace vesk {

namespace {

constexpr int32_t kInputHeight = 48;
constexpr std::array<int32_t, 9> kWidthBuckets{160, 320, 480, 640, 960, 1280, 1920, 2560, 3200};
constexpr std::array<float, 3> kHalf{0.5f, 0.5f, 0.5f};

// The input width for a line of `target` columns: the first bucket that holds it or, with a width
// step, the first multiple of the step; never wider than the widest bucket.
int32_t BucketFor(int32_t target, int32_t widthStep) {
  if (widthStep > 0) {
    const int32_t steps = std::max((target + widthStep - 1) / widthStep, 1);
    return std::min(steps * widthStep, kWidthBuckets.back());
  }
  for (int32_t bucket : kWidthBuckets) {
    if (bucket >= target) return bucket;
  }
  return kWidthBuckets.back();
}

Status Unusable(std::string message) { return Status::Failure(FailureKind::Recognition, std::move(message)); }

// Why the output of a call for `lines` lines cannot be decoded against a dictionary of
// `dictionarySize` entries; success when it can.
Status CheckOutput(const ModelOutput& output, int64_t lines, int64_t dictionarySize) {
  if (!output) return Unusable("Recognition produced no output tensor");
  if (!output.shape()) return Unusable("Failed to inspect the recognition output tensor");
  const std::vector<int64_t>& shape = *output.shape();
  const int64_t T = shape.size() >= 2 ? shape[1] : 0;
  const int64_t C = shape.size() >= 3 ? shape[2] : 0;
  // Any empty dimension means the tensor holds no data to decode, whatever T and C say; and every line
  // of the call needs its own rows.
  const bool empty = std::any_of(shape.begin(), shape.end(), [](int64_t d) { return d < 1; });
  if (T < 1 || C < 1 || empty || shape[0] < lines) {
    return Unusable("Unexpected recognition output shape (expected [1, T, C])");
  }
  if (C > dictionarySize + 1) {
    return Unusable("Dictionary/model mismatch: model emits " + std::to_string(C) + " classes, dictionary has " +
                    std::to_string(dictionarySize) + " entries (blank included)");
  }
  if (output.data() == nullptr) return Unusable("Failed to read the recognition output tensor");
  return {};
}

}  // namespace

// One line's place in the recognition input: its width at height 48 (squeezed to the widest bucket
// when longer) and the input width that holds it.
struct LineRecognizer::LineWidth {
  int32_t resampled = 0;
  int32_t bucket = 0;

  static LineWidth Of(const DecodedImage& crop, int32_t widthStep) {
    const float targetF = std::roundf(static_cast<float>(crop.width) * 48.0f / static_cast<float>(crop.height));
    const int32_t target = static_cast<int32_t>(std::min(targetF, static_cast<float>(kWidthBuckets.back())));
    const int32_t bucket = BucketFor(target, widthStep);
    return {std::min(target, bucket), bucket};
  }
};

// Reads the lines `members` of crops in one model call of tensor width `width`, each line resampled
// into its own plane at its own width and followed by zeros; the readings of all of them are set.
void LineRecognizer::ReadBatch(const std::vector<const DecodedImage*>& crops, const std::vector<LineWidth>& widths,
                               const std::vector<size_t>& members, int32_t width,
                               std::vector<Outcome<LineReading>>& readings) {
  const auto failAll = [&](const Status& failure) {
    for (size_t i : members) readings[i] = failure;
  };
  const int64_t n = static_cast<int64_t>(members.size());
  const size_t plane = static_cast<size_t>(3) * kInputHeight * width;

  TimedStage preparing(timeline_, "rec input");
  std::vector<float> input(plane * members.size(), 0.0f);
  for (size_t k = 0; k < members.size(); ++k) {
    const DecodedImage& crop = *crops[members[k]];
    ResizeNormalize(crop.pixels.data(), crop.width, crop.height, input.data() + k * plane,
                    widths[members[k]].resampled, kInputHeight, kHalf, kHalf, width, kInputHeight);
  }
  preparing.Stop();

  TimedStage running(timeline_, "model: rec");
  const Outcome<ModelOutput> output = model_->Run(input, {n, 3, kInputHeight, width});
  running.Stop();
  if (!output.ok()) {
    return failAll(output.status().kind() == FailureKind::ModelCall ? output.status()
                                                                     : Unusable("Failed to create Rec input tensor"));
  }

  TimedStage decoding(timeline_, "ctc");
  const Status usable = CheckOutput(*output, n, static_cast<int64_t>(dictionary_->size()));
  if (!usable.ok()) return failAll(usable);
  const int64_t T = (*output->shape())[1];
  const int64_t C = (*output->shape())[2];
  for (size_t k = 0; k < members.size(); ++k) {
    LineReading reading;
    PictureCues picture;
    if (settings_.inkSpaceCells > 0.0f && widths[members[k]].resampled > 0) {
      // A step stands for width / T input columns, of which the line's first `resampled` are the crop.
      const DecodedImage& crop = *crops[members[k]];
      const double columnsPerStep = static_cast<double>(width) / static_cast<double>(T) *
                                    static_cast<double>(crop.width) / widths[members[k]].resampled;
      auto gaps = std::make_shared<const WordGaps>(crop, settings_.cropMarginY, columnsPerStep, settings_.inkSpaceCells);
      picture.gap = [gaps](int64_t before, int64_t after, double pitch) { return (*gaps)(before, after, pitch); };
      if (settings_.digitSpaces) {
        picture.blank = [gaps](int64_t before, int64_t after) { return gaps->Blank(before, after); };
      }
      if (settings_.commaPoints) {
        picture.point = [gaps](int64_t before, int64_t at, int64_t after) { return gaps->Point(before, at, after); };
      }
      if (settings_.colonDots) {
        picture.colon = [gaps](int64_t before, int64_t at, int64_t after) { return gaps->Colon(before, at, after); };
      }
    }
    DecodeCtc(output->data() + static_cast<size_t>(k) * static_cast<size_t>(T * C), T, C, *dictionary_, reading.text,
              reading.score, settings_.gapSpaceSteps, picture);
    readings[members[k]] = std::move(reading);
  }
}

std::vector<Outcome<LineReading>> LineRecognizer::RecognizeLines(const std::vector<const DecodedImage*>& crops,
                                                                 const BatchSettings& batching) {
  // Every reading is set below: by the check here or by the call that reads its line.
  std::vector<Outcome<LineReading>> readings(crops.size(), Unusable("Invalid line crop or Rec session"));
  std::vector<LineWidth> widths(crops.size());
  std::vector<size_t> readable;
  for (size_t i = 0; i < crops.size(); ++i) {
    const DecodedImage& crop = *crops[i];
    if (crop.width <= 0 || crop.height <= 0 || crop.pixels.empty() || !model_) continue;
    widths[i] = LineWidth::Of(crop, settings_.widthStep);
    readable.push_back(i);
  }
  // How many lines of tensor width `width` one call may take: at most recognitionBatch, and no more
  // than fit into recognitionBatchColumns side by side, so that wide lines, whose calls need the most
  // memory, go one or two at a time.
  const auto most = [&](int32_t width) {
    const int32_t fit = batching.recognitionBatchColumns / std::max(width, 1);
    return static_cast<size_t>(std::max(std::min(batching.recognitionBatch, fit), 1));
  };

  // The calls, each a list of lines and its tensor width.
  std::vector<std::pair<std::vector<size_t>, int32_t>> calls;
  if (batching.padRecognitionBatches) {
    // Neighbours in width share a call, padded to the bucket of the widest.
    std::stable_sort(readable.begin(), readable.end(),
                     [&](size_t a, size_t b) { return widths[a].resampled < widths[b].resampled; });
    std::vector<size_t> members;
    const auto close = [&] {
      const int32_t widest = widths[members.back()].bucket;
      calls.emplace_back(std::move(members), widest);
      members.clear();
    };
    for (size_t i : readable) {
      if (!members.empty() && members.size() + 1 > most(widths[i].bucket)) close();
      members.push_back(i);
    }
    if (!members.empty()) close();
  } else {
    // Only lines of the same bucket share a call, so each gets exactly the input it gets alone.
    std::set<int32_t> buckets;
    for (size_t i : readable) buckets.insert(widths[i].bucket);
    for (int32_t bucket : buckets) {
      std::vector<size_t> members;
      for (size_t i : readable) {
        if (widths[i].bucket != bucket) continue;
        members.push_back(i);
        if (members.size() == most(bucket)) {
          calls.emplace_back(std::move(members), bucket);
          members.clear();
        }
      }
      if (!members.empty()) calls.emplace_back(std::move(members), bucket);
    }
  }

  // Each call sets the readings of its own lines only, so calls may run side by side in any order; the
  // largest go first, so that no lane is left with a long call at the end.
  std::stable_sort(calls.begin(), calls.end(), [](const auto& a, const auto& b) {
    return a.first.size() * static_cast<size_t>(a.second) > b.first.size() * static_cast<size_t>(b.second);
  });
  RunSideBySide(calls.size(), model_ ? model_->parallelRuns() : 1,
                [&](size_t k) { ReadBatch(crops, widths, calls[k].first, calls[k].second, readings); });
  return readings;
}

Outcome<LineReading> LineRecognizer::RecognizeLine(const DecodedImage& crop) {
  return std::move(RecognizeLines({&crop}, BatchSettings{}).front());
}

}  // namespace vesk
