#pragma once

#include <string>
#include <vector>

#include "core/decoded_image.h"
#include "ocr/batch_settings.h"
#include "ocr/ocr_engine.h"

namespace vesk {

// Reads one line crop with the recognition model: scaled to height 48 in the narrowest width
// bucket that holds it, then CTC-decoded against the engine's dictionary. True when the output was
// decoded (the text may be empty). On false `error` names the failing step and `runFailed` is
// raised only when the model call itself failed.
bool RecognizeLine(OcrEngine& engine, const DecodedImage& crop, std::string& text, float& score, std::string& error,
                   bool& runFailed);

// What reading one crop gave, with the meanings of RecognizeLine's results.
struct LineReading {
  bool read = false;
  std::string text;
  float score = 0.0f;
  std::string error;
  bool runFailed = false;
};

// Reads every crop as RecognizeLine does, several lines to a model call as `batching` allows;
// readings[i] belongs to crops[i]. A failure of a shared call is the failure of each of its lines.
void RecognizeLines(OcrEngine& engine, const std::vector<const DecodedImage*>& crops, const BatchSettings& batching,
                    std::vector<LineReading>& readings);

}  // namespace vesk
