#pragma once
// The runtime and the models beside the test programs, for tests that run the real models.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ocr/ocr_engine.h"
#include "platform/text.h"
#include "runtime/ort_manager.h"
#include "support/temp_dir.h"

namespace vesk::test {

// Loads the runtime beside the test programs (once per process).
inline void LoadBundledRuntime() {
  std::u16string error;
  ASSERT_TRUE(OrtManager::Instance().Initialize(FromUtf8((BinDir() / "backend").string()), error)) << ToUtf8(error);
}

inline ModelPaths BundledModelPaths() {
  const std::filesystem::path models = BinDir() / "models";
  const auto path = [&](const char* name) { return FromUtf8((models / name).string()); };
  return {path("PP-OCRv5_server_det.onnx"), path("PP-LCNet_x1_0_textline_ori.onnx"),
          path("PP-OCRv5_server_rec.onnx"), path("ppocrv5_dict.txt")};
}

// Sets the engine up on the CPU with the bundled models.
inline void InitializeBundledCpuEngine(OcrEngine& engine) {
  ASSERT_NO_FATAL_FAILURE(LoadBundledRuntime());
  std::string log;
  ASSERT_TRUE(engine.Initialize(BundledModelPaths(), ExecutionProvider::Cpu, log, false)) << log;
}

}  // namespace vesk::test
