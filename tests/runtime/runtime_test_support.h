#pragma once
// The real inference library and models beside the test programs, as the worker finds them.

#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "runtime/ort_manager.h"
#include "support/temp_dir.h"

namespace vesk::test {

inline std::u16string BackendFolder() { return FromUtf8((BinDir() / "backend").string()); }

// A bundled model file, whose output is called `defaultOutput` when the file does not say.
inline ModelFile BundledModel(const char* name, const char* defaultOutput = "softmax_0.tmp_0") {
  return {FromUtf8((BinDir() / "models" / name).string()), defaultOutput};
}

inline constexpr char kDetModel[] = "PP-OCRv5_server_det.onnx";
inline constexpr char kClsModel[] = "PP-LCNet_x1_0_textline_ori.onnx";
inline constexpr char kRecModel[] = "PP-OCRv5_server_rec.onnx";

// The process-wide manager, ready for sessions.
inline OrtManager& ReadyRuntime() {
  const Status ready = OrtManager::Instance().Initialize(BackendFolder());
  EXPECT_TRUE(ready.ok()) << ready.message();
  return OrtManager::Instance();
}

// A session on a bundled model, on the CPU.
inline ModelSession OpenBundled(const char* name, const char* defaultOutput = "softmax_0.tmp_0") {
  Outcome<ModelSession> session = ReadyRuntime().CreateModelSession(BundledModel(name, defaultOutput), Device::Cpu);
  EXPECT_TRUE(session.ok()) << session.status().message();
  return session.ok() ? std::move(session).value() : ModelSession();
}

// Makes the manager look like a library with the given DirectML entry point (null: none) while it
// exists, whatever the loaded library offers.
class DirectMlEntryPoint {
 public:
  DirectMlEntryPoint(OrtManager& manager, AppendDmlFunction entry) : manager_(manager), saved_(manager.appendDml) {
    manager.appendDml = entry;
  }
  ~DirectMlEntryPoint() { manager_.appendDml = saved_; }
  DirectMlEntryPoint(const DirectMlEntryPoint&) = delete;
  DirectMlEntryPoint& operator=(const DirectMlEntryPoint&) = delete;

 private:
  OrtManager& manager_;
  AppendDmlFunction saved_;
};

}  // namespace vesk::test
