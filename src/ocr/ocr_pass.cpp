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
  const std::vector<DetBox> ordered =
      options.order == ReadingOrder::Layout ? OrderBoxesByLayout(boxes) : OrderBoxes(boxes);

  // A line whose output was unusable is only dropped; a failed model call fails the attempt, so
  // that a DirectML fault can be retried on the CPU. The first reason is the one reported.
  std::string firstRecognitionError;
  bool recognitionRunFailed = false;
  int32_t nextIndex = 0;
  DecodedImage crop;
  for (const DetBox& box : ordered) {
    if (!CropLine(image, ExpandBox(box, profile.cropMarginY, profile.cropMarginX), crop)) continue;

    int32_t orientation = 0;
    if (options.classifyOrientation && crop.width > 0 && crop.height > 0 && !crop.pixels.empty() && cls.loaded()) {
      orientation = ClassifyOrientation(*this, crop);
    }

    std::string text;
    float score = 0.0f;
    std::string lineError;
    bool lineRunFailed = false;
    if (!RecognizeLine(*this, crop, text, score, lineError, lineRunFailed)) {
      if (firstRecognitionError.empty()) firstRecognitionError = lineError;
      if (lineRunFailed) recognitionRunFailed = true;
      continue;
    }
    // A wrongly turned line still reads as something, only worse: the turn stands when the line
    // reads better turned than as it was.
    if (orientation == 180 && profile.clsConfirm) {
      Rotate180(crop);
      std::string uprightText;
      float uprightScore = 0.0f;
      std::string uprightError;
      bool uprightRunFailed = false;
      if (RecognizeLine(*this, crop, uprightText, uprightScore, uprightError, uprightRunFailed)) {
        if (uprightScore >= score) {
          text = std::move(uprightText);
          score = uprightScore;
          orientation = 0;
        }
      } else if (uprightRunFailed) {
        // A failed model call fails the attempt as any other would; an unusable output only leaves
        // the turned reading standing.
        if (firstRecognitionError.empty()) firstRecognitionError = uprightError;
        recognitionRunFailed = true;
        continue;
      }
    }
    if (profile.textPolish) text = PolishLineText(text);
    if (text.empty()) continue;

    OcrLine line;
    line.index = nextIndex++;
    line.text = std::move(text);
    line.score = score;
    line.orientation = orientation;
    line.box = RoundBoxCorners(box);
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
