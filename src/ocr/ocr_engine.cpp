#include "ocr/ocr_engine.h"

#include <utility>

#include "platform/files.h"
#include "platform/text.h"
#include "runtime/ort_manager.h"

namespace vesk {
namespace {

// The orientation model is required even when orientation is switched off for this run.
Status CheckModelFiles(const ModelPaths& paths) {
  for (const std::u16string* model : {&paths.det, &paths.rec, &paths.cls}) {
    if (GetPathKind(*model) != PathKind::File) {
      return Status::Failure(FailureKind::ModelSetup, "Model file not found: " + ToUtf8(*model));
    }
  }
  return {};
}

}  // namespace

OcrEngine::OcrEngine() : OcrEngine(OrtManager::Instance()) {}

OcrEngine::OcrEngine(ModelOpener& opener) : backend_(opener) {}

Status OcrEngine::Initialize(const ModelPaths& paths, const EngineSettings& settings) {
  profile_ = settings.profile;
  timeline_ = settings.timeline;

  TimedStage reading(timeline_, "setup: dictionary");
  Outcome<Dictionary> dictionary = LoadDictionary(paths.dict);
  reading.Stop();
  if (!dictionary.ok()) return dictionary.status();
  dictionary_ = std::move(*dictionary);
  if (Status present = CheckModelFiles(paths); !present.ok()) return present;

  // Orientation and recognition calls are small: their lines are read side by side. Detection tiles
  // are large and come one after another: the model gives their memory back after the last.
  const PipelineFiles files{
      {.path = paths.det,
       .defaultOutput = TextDetector::kDefaultOutput,
       .releaseMemoryAfterRun = settings.profile.detection.tileSide > 0},
      {.path = paths.cls, .defaultOutput = OrientationClassifier::kDefaultOutput, .sideBySide = true},
      {.path = paths.rec, .defaultOutput = LineRecognizer::kDefaultOutput, .sideBySide = true}};
  Outcome<PipelineModels> models = backend_.OpenModels(files, settings);
  if (!models.ok()) return models.status();
  detector_ = TextDetector(std::move(models->det), profile_.detection, timeline_);
  classifier_ = OrientationClassifier(std::move(models->cls), profile_.orientation, timeline_);
  RecognitionSettings recognition = profile_.recognition;
  recognition.cropMarginY = profile_.cropMarginY;
  recognizer_ = LineRecognizer(std::move(models->rec), dictionary_, recognition, timeline_);
  return {};
}

Status OcrEngine::MoveToCpu() {
  Outcome<PipelineModels> models = backend_.ReopenOnCpu();
  if (!models.ok()) return models.status();
  detector_.ReplaceModel(std::move(models->det));
  recognizer_.ReplaceModel(std::move(models->rec));
  return {};
}

Outcome<OcrResult> OcrEngine::Recognize(const DecodedImage& image, const OcrOptions& options) {
  OcrResult result;
  result.ep = backend_.onDirectMl() ? "dml" : "cpu";
  if (!backend_.fallbackNote().empty()) {
    result.fallback = backend_.fallbackNote();
    result.log += result.fallback + "\n";
  }
  const Status injected = backend_.InjectedRunFailure();
  Outcome<std::vector<OcrLine>> lines = injected.ok() ? ProcessImage(image, options) : injected;
  if (!lines.ok()) {
    const Status failure = lines.status();
    result.log += "Pipeline failed: " + failure.message() + "\n";
    if (!backend_.RetriesOnCpu(failure)) return Status::Failure(failure.kind(), result.log);

    // The retry starts again from detection; the lines of the failed attempt are dropped.
    result.fallback = "DML execution failed: " + failure.message() + "; retrying on CPU from Det";
    result.log += result.fallback + "\n";
    result.ep = "cpu";
    if (const Status moved = MoveToCpu(); !moved.ok()) {
      result.log += "CPU session rebuild failed: " + moved.message() + "\n";
      return Status::Failure(failure.kind(), result.log);
    }
    lines = ProcessImage(image, options);
    if (!lines.ok()) {
      result.log += "CPU retry failed: " + lines.status().message() + "\n";
      return Status::Failure(lines.status().kind(), result.log);
    }
  }
  result.lines = std::move(*lines);
  return result;
}

}  // namespace vesk
