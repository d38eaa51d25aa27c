#pragma once
// The real inference library and models beside the test programs, as the worker finds them.

#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "runtime/ort_manager.h"
#include "support/temp_dir.h"

namespace vesk::test {

inline std::u16string BackendFolder() { return FromUtf8((BinDir() / "backend").string()); }
inline std::u16string ModelFile(const char* name) { return FromUtf8((BinDir() / "models" / name).string()); }

inline constexpr char kDetModel[] = "PP-OCRv5_server_det.onnx";
inline constexpr char kClsModel[] = "PP-LCNet_x1_0_textline_ori.onnx";
inline constexpr char kRecModel[] = "PP-OCRv5_server_rec.onnx";

// The process-wide manager, ready for sessions.
inline OrtManager& ReadyRuntime() {
  std::u16string error;
  const bool ready = OrtManager::Instance().Initialize(BackendFolder(), error);
  EXPECT_TRUE(ready) << ToUtf8(error);
  return OrtManager::Instance();
}

// Makes the manager look like a library without the DirectML export while it exists, whatever the
// loaded library offers.
class WithoutDirectMl {
 public:
  explicit WithoutDirectMl(OrtManager& manager) : manager_(manager), saved_(manager.appendDml) {
    manager.appendDml = nullptr;
  }
  ~WithoutDirectMl() { manager_.appendDml = saved_; }
  WithoutDirectMl(const WithoutDirectMl&) = delete;
  WithoutDirectMl& operator=(const WithoutDirectMl&) = delete;

 private:
  OrtManager& manager_;
  AppendDmlFunction saved_;
};

}  // namespace vesk::test
