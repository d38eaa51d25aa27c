#pragma once
// The runtime and the models beside the test programs, for tests that run the real models.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "ocr/ocr_engine.h"
#include "platform/text.h"
#include "runtime/ort_manager.h"
#include "support/temp_dir.h"

namespace vesk::test {

// Loads the runtime beside the test programs (once per process).
inline void LoadBundledRuntime() {
  const Status loaded = OrtManager::Instance().Initialize(FromUtf8((BinDir() / "backend").string()));
  ASSERT_TRUE(loaded.ok()) << loaded.message();
}

inline ModelPaths BundledModelPaths() {
  const std::filesystem::path models = BinDir() / "models";
  const auto path = [&](const char* name) { return FromUtf8((models / name).string()); };
  return {path("PP-OCRv5_server_det.onnx"), path("PP-LCNet_x1_0_textline_ori.onnx"),
          path("PP-OCRv5_server_rec.onnx"), path("ppocrv5_dict.txt")};
}

// Sets the engine up on the CPU with the bundled models and `profile`.
inline void InitializeBundledCpuEngine(OcrEngine& engine, const ModelProfile& profile = {}) {
  ASSERT_NO_FATAL_FAILURE(LoadBundledRuntime());
  EngineSettings settings;
  settings.provider = ExecutionProvider::Cpu;
  settings.profile = profile;
  const Status status = engine.Initialize(BundledModelPaths(), settings);
  ASSERT_TRUE(status.ok()) << status.message();
}

// A bundled model on the CPU, for a stage of its own.
inline std::unique_ptr<Model> BundledModel(const std::u16string& path, const char* defaultOutput) {
  Outcome<std::unique_ptr<Model>> model = OrtManager::Instance().Open({path, defaultOutput}, Device::Cpu);
  EXPECT_TRUE(model.ok()) << model.status().message();
  return model.ok() ? std::move(*model) : nullptr;
}

}  // namespace vesk::test
