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
                           bool simulateDmlInitFailure) {
  paths = modelPaths;
  ep = provider;

  if (!LoadDictionary(paths.dict)) {
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

  OrtManager& runtime = OrtManager::Instance();
  useDml = ep == ExecutionProvider::Auto || ep == ExecutionProvider::Dml;

  if (useDml) {
    std::string attempt;
    if (!runtime.CreateModelSession(paths.det, true, det, attempt, simulateDmlInitFailure)) {
      log += "DML det init failed: " + attempt + "\n";
      if (ep == ExecutionProvider::Auto) {
        log += "Falling back to CPU session for Det\n";
        fallbackNote = "DML det session init failed: " + TrimTrailingLineBreaks(attempt) + "; Det and Rec run on CPU";
        useDml = false;
        runtime.CreateModelSession(paths.det, false, det, log, false);
      }
    }
  } else {
    runtime.CreateModelSession(paths.det, false, det, log, false);
  }
  if (!det.loaded()) return false;

  // Orientation always runs on the CPU and is optional: without it every line is read upright.
  std::string ignored;
  runtime.CreateModelSession(paths.cls, false, cls, ignored, false);

  const bool recOnDml = useDml;
  if (!runtime.CreateModelSession(paths.rec, recOnDml, rec, log, false) && recOnDml &&
      ep == ExecutionProvider::Auto) {
    log += "DML rec init failed, falling back all models to CPU\n";
    fallbackNote = "DML rec session init failed; Det and Rec rebuilt on CPU";
    useDml = false;
    runtime.CreateModelSession(paths.det, false, det, log, false);
    runtime.CreateModelSession(paths.rec, false, rec, log, false);
  }
  return rec.loaded();
}

}  // namespace vesk
