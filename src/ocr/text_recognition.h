#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/decoded_image.h"
#include "core/status.h"
#include "ocr/batch_settings.h"
#include "ocr/dictionary.h"
#include "ocr/model_profile.h"
#include "platform/timeline.h"
#include "runtime/model.h"

namespace vesk {

// What reading one line crop gave.
struct LineReading {
  std::string text;  // may be empty
  float score = 0.0f;
};

// Reads line crops with the recognition model: each scaled to height 48 in the narrowest width bucket
// that holds it, then CTC-decoded against the dictionary.
class LineRecognizer {
 public:
  // What the model's output is called when the file does not say.
  static constexpr char kDefaultOutput[] = "softmax_0.tmp_0";

  // A recogniser without a model: every call fails.
  LineRecognizer() = default;
  // `dictionary` must outlive the recogniser.
  LineRecognizer(std::unique_ptr<Model> model, const Dictionary& dictionary, const RecognitionSettings& settings,
                 Timeline* timeline)
      : model_(std::move(model)), dictionary_(&dictionary), settings_(settings), timeline_(timeline) {}

  // The line's text once decoded. A failed model call fails with FailureKind::ModelCall, an input or
  // output that cannot be used with FailureKind::Recognition.
  Outcome<LineReading> RecognizeLine(const DecodedImage& crop);

  // Reads every crop as RecognizeLine does, several lines to a model call as `batching` allows; the
  // reading at i belongs to crops[i]. A failure of a shared call is the failure of each of its lines.
  std::vector<Outcome<LineReading>> RecognizeLines(const std::vector<const DecodedImage*>& crops,
                                                   const BatchSettings& batching);

  // Runs on `model` from now on.
  void ReplaceModel(std::unique_ptr<Model> model) { model_ = std::move(model); }

 private:
  struct LineWidth;
  void ReadBatch(const std::vector<const DecodedImage*>& crops, const std::vector<LineWidth>& widths,
                 const std::vector<size_t>& members, int32_t width, std::vector<Outcome<LineReading>>& readings);

  std::unique_ptr<Model> model_;
  const Dictionary* dictionary_ = nullptr;
  RecognitionSettings settings_;
  Timeline* timeline_ = nullptr;
};

}  // namespace vesk
