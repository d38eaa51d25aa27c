#include "ocr/ocr_engine.h"

#include <fstream>

#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"
#include "runtime/ort_manager.h"

namespace vesk {
namespace {

std::string TrimTrailingLineBreaks(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  return text;
}

}  // namespace

bool OcrEngine::LoadDictionary(const std::u16string& path) {
  dictionary.clear();
  dictionary.emplace_back();
  std::ifstream in(NativePath(path), std::ios::binary);
  if (!in) return false;
  size_t count = 0;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    dictionary.push_back(line);
    ++count;
  }
  dictionary.emplace_back(" ");
  return count >= kMinDictionaryLines;
}

bool OcrEngine::Initialize(const ModelPaths& modelPaths, ExecutionProvider provider, std::string& log,
                           bool simulateDmlInitFailure, bool withOrientation) {
  paths = modelPaths;
  ep = provider;

  TimedStage reading(timeline, "setup: dictionary");
  const bool dictionaryLoaded = LoadDictionary(paths.dict);
  reading.Stop();
  if (!dictionaryLoaded) {
    log = "Dictionary missing, unreadable, or truncated (expected the PP-OCRv5 18,383-entry list, need at least " +
          std::to_string(kMinDictionaryLines) + " entries): " + ToUtf8(paths.dict);
    return false;
  }
  // The orientation model is required even when orientation is switched off for this run.
  for (const std::u16string* model : {&paths.det, &paths.rec, &paths.cls}) {
    if (GetPathKind(*model) != PathKind::File) {
      log = "Model file not found: " + ToUtf8(*model);
      return false;
    }
  }

  // Every session creation is one set-up stage of the timeline.
  const auto create = [this](const std::u16string& path, bool onDml, ModelSession& target, std::string& log,
                             bool simulate) {
    const char* stage = &target == &det ? "setup: session det" : &target == &cls ? "setup: session cls"
                                                                                  : "setup: session rec";
    TimedStage creating(timeline, stage);
    return OrtManager::Instance().CreateModelSession(path, onDml, target, log, simulate);
  };
  useDml = ep == ExecutionProvider::Auto || ep == ExecutionProvider::Dml;

  if (useDml) {
    std::string attempt;
    if (!create(paths.det, true, det, attempt, simulateDmlInitFailure)) {
      log += "DML det init failed: " + attempt + "\n";
      if (ep == ExecutionProvider::Auto) {
        log += "Falling back to CPU session for Det\n";
        fallbackNote = "DML det session init failed: " + TrimTrailingLineBreaks(attempt) + "; Det and Rec run on CPU";
        useDml = false;
        create(paths.det, false, det, log, false);
      }
    }
  } else {
    create(paths.det, false, det, log, false);
  }
  if (!det.loaded()) return false;

  // Orientation always runs on the CPU and is optional: without it every line is read upright.
  std::string ignored;
  if (withOrientation) create(paths.cls, false, cls, ignored, false);

  const bool recOnDml = useDml;
  if (!create(paths.rec, recOnDml, rec, log, false) && recOnDml &&
      ep == ExecutionProvider::Auto) {
    log += "DML rec init failed, falling back all models to CPU\n";
    fallbackNote = "DML rec session init failed; Det and Rec rebuilt on CPU";
    useDml = false;
    create(paths.det, false, det, log, false);
    create(paths.rec, false, rec, log, false);
  }
  return rec.loaded();
}

}  // namespace vesk
