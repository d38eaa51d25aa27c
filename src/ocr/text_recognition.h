#pragma once

#include <string>

#include "imaging/decoded_image.h"
#include "ocr/ocr_engine.h"

namespace vesk {

// Reads one line crop with the recognition model: scaled to height 48 in the narrowest width
// bucket that holds it, then CTC-decoded against the engine's dictionary. True when the output was
// decoded (the text may be empty). On false `error` names the failing step and `runFailed` is
// raised only when the model call itself failed.
bool RecognizeLine(OcrEngine& engine, const DecodedImage& crop, std::string& text, float& score, std::string& error,
                   bool& runFailed);

}  // namespace vesk
