#pragma once
// The OCR engine: the three model sessions of the pipeline, the recognition dictionary and where
// detection and recognition run.

#include <cstdint>
#include <string>
#include <vector>

#include "core/decoded_image.h"
#include "ocr/execution_provider.h"
#include "ocr/model_profile.h"
#include "ocr/ocr_options.h"
#include "ocr/ocr_result.h"
#include "core/records.h"
#include "platform/timeline.h"
#include "runtime/model_session.h"

namespace vesk {

// The files the engine is built from, all in the models folder.
struct ModelPaths {
  std::u16string det;   // text detection model
  std::u16string cls;   // text-line orientation model
  std::u16string rec;   // text recognition model
  std::u16string dict;  // recognition dictionary, one class text a line
};

// The fewest dictionary lines accepted; the full list has 18,383.
inline constexpr size_t kMinDictionaryLines = 18000;

class OcrEngine {
 public:
  // Member order is destruction order in reverse: the dictionary goes first, then the sessions
  // (recognition, orientation, detection), then the note and the paths.
  ModelPaths paths;  // kept so that the CPU retry can reopen detection and recognition
  ExecutionProvider ep = ExecutionProvider::Auto;
  bool useDml = false;       // detection and recognition are DirectML sessions
  std::string fallbackNote;  // set when set-up fell back to the CPU
  ModelProfile profile;      // the model set's own settings; the defaults when it has none
  ModelSession det;
  ModelSession cls;  // may stay empty: orientation is then skipped
  ModelSession rec;
  std::vector<std::string> dictionary;  // class texts; 0 is the CTC blank, the last a space
  Timeline* timeline = nullptr;          // where set-up and the pass note their stage times, if anywhere

  // Loads the dictionary, checks the model files and creates the sessions, falling back from
  // DirectML to the CPU as `provider` allows. Diagnostics go to `log`. True when detection and
  // recognition sessions exist. Without `withOrientation` the orientation session is not made (its
  // file is still required), for runs that will not classify orientation.
  bool Initialize(const ModelPaths& modelPaths, ExecutionProvider provider, std::string& log,
                  bool simulateDmlInitFailure, bool withOrientation = true);

  // Reads the dictionary into `dictionary`: the blank entry, the file's lines, a space. True when
  // the file held at least kMinDictionaryLines lines.
  bool LoadDictionary(const std::u16string& path);

  // One OCR pass over `image`, retried once on the CPU when a DirectML model call fails under Auto.
  bool Recognize(const DecodedImage& image, const OcrOptions& options, OcrResult& result);

  // One attempt of the pass: detection, reading order, then crop, orientation and recognition of
  // each box, appending to `lines`. `dmlRunFailed` is raised when a model call itself failed.
  bool ProcessImage(const DecodedImage& image, const OcrOptions& options, std::vector<OcrLine>& lines,
                    std::string& error, bool& dmlRunFailed);
};

}  // namespace vesk
