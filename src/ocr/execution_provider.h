#pragma once

#include <cstdint>

namespace vesk {

// Where detection and recognition run. The orientation model always runs on the CPU.
enum class ExecutionProvider : int32_t {
  Auto = 0,  // DirectML with a CPU fallback
  Cpu = 1,
  Dml = 2,  // DirectML without fallback
};

// Fault injection that exercises the CPU fallbacks.
enum class ForceDmlFail : int32_t {
  None = 0,
  Init = 1,  // the first DirectML session creation fails
  Run = 2,   // the first attempt of each OCR pass fails as a failed model call
};

}  // namespace vesk
