#include <string>
#include <vector>

#include "ocr/box_rounding.h"
#include "ocr/det_box.h"
#include "ocr/layout_order.h"
#include "ocr/line_crop.h"
#include "ocr/line_order.h"
#include "ocr/line_orientation.h"
#include "ocr/ocr_engine.h"
#include "ocr/text_detection.h"
#include "ocr/text_polish.h"
#include "ocr/text_recognition.h"
#include "runtime/ort_manager.h"

namespace vesk {

bool OcrEngine::ProcessImage(const DecodedImage& image, const OcrOptions& options, std::vector<OcrLine>& lines,
                             std::string& error, bool& dmlRunFailed) {
  if (options.simulateDmlRunFailure) {
    error = "Fault injection: --force-dml-fail=run";
    dmlRunFailed = true;
    return false;
  }

  std::vector<DetBox> boxes;
  if (!DetectText(*this, image, options.maxSide, boxes, error, dmlRunFailed)) return false;
  TimedStage ordering(timeline, "order");
  const std::vector<DetBox> ordered =
      options.order == ReadingOrder::Layout ? OrderBoxesByLayout(boxes) : OrderBoxes(boxes);
  ordering.Stop();

  // Every box is cut out (and turned upright) first, so that lines can share model calls; the lines
  // are then taken in reading order again.
  std::vector<const DetBox*> kept;
  std::vector<DecodedImage> crops(ordered.size());
  for (const DetBox& box : ordered) {
    TimedStage cropping(timeline, "crop");
    if (CropLine(image, ExpandBox(box, profile.cropMarginY, profile.cropMarginX), crops[kept.size()])) {
      kept.push_back(&box);
    }
  }
  crops.resize(kept.size());

  std::vector<int> orientations(crops.size(), 0);
  if (options.classifyOrientation && cls.loaded()) {
    std::vector<DecodedImage*> judged;
    for (DecodedImage& crop : crops) judged.push_back(&crop);
    ClassifyOrientations(*this, judged, options.batching.orientationBatch, orientations);
  }

  std::vector<const DecodedImage*> read;
  for (const DecodedImage& crop : crops) read.push_back(&crop);
  std::vector<LineReading> readings;
  RecognizeLines(*this, read, options.batching, readings);

  // A wrongly turned line still reads as something, only worse: the turn stands when the line reads
  // better turned than as it was. The turned lines are read once more as they stood.
  constexpr size_t kNone = static_cast<size_t>(-1);
  std::vector<size_t> confirmationOf(kept.size(), kNone);
  std::vector<DecodedImage> uprightCrops;
  if (profile.clsConfirm) {
    for (size_t i = 0; i < kept.size(); ++i) {
      if (orientations[i] != 180 || !readings[i].read) continue;
      confirmationOf[i] = uprightCrops.size();
      uprightCrops.push_back(crops[i]);
      Rotate180(uprightCrops.back());
    }
  }
  std::vector<const DecodedImage*> uprightRead;
  for (const DecodedImage& crop : uprightCrops) uprightRead.push_back(&crop);
  std::vector<LineReading> uprightReadings;
  RecognizeLines(*this, uprightRead, options.batching, uprightReadings);

  // A line whose output was unusable is only dropped; a failed model call fails the attempt, so
  // that a DirectML fault can be retried on the CPU. The first reason in reading order is the one
  // reported.
  std::string firstRecognitionError;
  bool recognitionRunFailed = false;
  int32_t nextIndex = 0;
  for (size_t i = 0; i < kept.size(); ++i) {
    LineReading& reading = readings[i];
    if (!reading.read) {
      if (firstRecognitionError.empty()) firstRecognitionError = reading.error;
      if (reading.runFailed) recognitionRunFailed = true;
      continue;
    }
    int32_t orientation = orientations[i];
    if (confirmationOf[i] != kNone) {
      LineReading& upright = uprightReadings[confirmationOf[i]];
      if (upright.read) {
        if (upright.score >= reading.score) {
          reading.text = std::move(upright.text);
          reading.score = upright.score;
          orientation = 0;
        }
      } else if (upright.runFailed) {
        // A failed model call fails the attempt as any other would; an unusable output only leaves
        // the turned reading standing.
        if (firstRecognitionError.empty()) firstRecognitionError = upright.error;
        recognitionRunFailed = true;
        continue;
      }
    }
    if (profile.textPolish) reading.text = PolishLineText(reading.text);
    if (reading.text.empty()) continue;

    OcrLine line;
    line.index = nextIndex++;
    line.text = std::move(reading.text);
    line.score = reading.score;
    line.orientation = orientation;
    line.box = RoundBoxCorners(*kept[i]);
    lines.push_back(std::move(line));
  }

  if (recognitionRunFailed) {
    error = firstRecognitionError.empty() ? "Recognition Run failed" : firstRecognitionError;
    dmlRunFailed = true;
    return false;
  }
  return true;
}

bool OcrEngine::Recognize(const DecodedImage& image, const OcrOptions& options, OcrResult& result) {
  result.lines.clear();
  result.ep = useDml ? "dml" : "cpu";
  if (!fallbackNote.empty() && result.fallback.empty()) {
    result.fallback = fallbackNote;
    result.log += fallbackNote + "\n";
  }

  std::string error;
  bool dmlRunFailed = false;
  if (ProcessImage(image, options, result.lines, error, dmlRunFailed)) return true;
  result.log += "Pipeline failed: " + error + "\n";

  // Only a failed model call on DirectML under Auto earns the one retry; anything else is final.
  if (!dmlRunFailed || !useDml || ep != ExecutionProvider::Auto) return false;

  result.fallback = "DML execution failed: " + error + "; retrying on CPU from Det";
  result.log += result.fallback + "\n";
  useDml = false;
  result.ep = "cpu";

  // Orientation is always a CPU session, so only detection and recognition are rebuilt.
  OrtManager& runtime = OrtManager::Instance();
  std::string scratch;
  const bool rebuilt = runtime.CreateModelSession(paths.det, false, det, scratch, false) &&
                       runtime.CreateModelSession(paths.rec, false, rec, scratch, false);
  if (!rebuilt) {
    result.log += "CPU session rebuild failed: " + scratch + "\n";
    return false;
  }

  result.lines.clear();
  error.clear();
  dmlRunFailed = false;
  // The fault injection acts on the first attempt only.
  OcrOptions retry = options;
  retry.simulateDmlRunFailure = false;
  if (ProcessImage(image, retry, result.lines, error, dmlRunFailed)) return true;
  result.log += "CPU retry failed: " + error + "\n";
  return false;
}

}  // namespace vesk
