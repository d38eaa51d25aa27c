#pragma once
// The OCR engine: the three stages of the pipeline (text detection, line orientation, line
// recognition) around one inference backend, with the recognition dictionary and the model profile.

#include <string>
#include <vector>

#include "core/decoded_image.h"
#include "core/records.h"
#include "core/status.h"
#include "ocr/dictionary.h"
#include "ocr/engine_settings.h"
#include "ocr/inference_backend.h"
#include "ocr/line_orientation.h"
#include "ocr/model_profile.h"
#include "ocr/ocr_options.h"
#include "ocr/ocr_result.h"
#include "ocr/text_detection.h"
#include "ocr/text_recognition.h"
#include "platform/timeline.h"
#include "runtime/model_opener.h"

namespace vesk {

// The files the engine is built from, all in the models folder.
struct ModelPaths {
  std::u16string det;   // text detection model
  std::u16string cls;   // text-line orientation model
  std::u16string rec;   // text recognition model
  std::u16string dict;  // recognition dictionary, one class text a line
};

class OcrEngine {
 public:
  // Opens its models in the process's inference runtime.
  OcrEngine();
  // Opens them through `opener`, which must outlive the engine.
  explicit OcrEngine(ModelOpener& opener);
  // The stages refer to the engine's dictionary.
  OcrEngine(const OcrEngine&) = delete;
  OcrEngine& operator=(const OcrEngine&) = delete;

  // Loads the dictionary, checks the model files and opens the models where the settings' provider
  // allows, falling back to the CPU as it allows. Fails (FailureKind::ModelSetup) unless detection and
  // recognition can run; the message is then the set-up log.
  Status Initialize(const ModelPaths& paths, const EngineSettings& settings);

  // One OCR pass over `image`, retried once on the CPU when a model call fails on DirectML under
  // Auto. The result's log holds the pass's diagnostic lines; on failure they are the message, with
  // the kind of the failure that ended the pass.
  Outcome<OcrResult> Recognize(const DecodedImage& image, const OcrOptions& options);

  // The model set's own settings the engine was set up with.
  const ModelProfile& profile() const { return profile_; }

 private:
  // One attempt of the pass: detection, reading order, then crop, orientation and recognition of each
  // box.
  Outcome<std::vector<OcrLine>> ProcessImage(const DecodedImage& image, const OcrOptions& options);

  // Whether the turn of each turned line stands, reading it once more as it stood.
  void ConfirmTurnedLines(const std::vector<DecodedImage>& crops, const BatchSettings& batching,
                          std::vector<int>& orientations, std::vector<Outcome<LineReading>>& readings);

  // Short upright lines that read as nothing, cut again with the profile's other side margins and read
  // once more: crops[i] is the cut by cuts[i].
  void ReadEmptyLinesAgain(const DecodedImage& image, const std::vector<DetBox>& cuts,
                           const std::vector<DecodedImage>& crops, const std::vector<int>& orientations,
                           const BatchSettings& batching, std::vector<Outcome<LineReading>>& readings);

  // Reopens detection and recognition on the CPU for the retry; the failure message is the reopening's.
  Status MoveToCpu();

  InferenceBackend backend_;
  ModelProfile profile_;
  Timeline* timeline_ = nullptr;
  // Declared in reverse order of release: the dictionary goes first, then recognition, orientation
  // and detection.
  TextDetector detector_;
  OrientationClassifier classifier_;
  LineRecognizer recognizer_;
  Dictionary dictionary_;
};

}  // namespace vesk
