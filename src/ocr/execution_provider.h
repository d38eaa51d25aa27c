#pragma once

#include <cstdint>

namespace vesk {

// Where detection and recognition run. The orientation model always runs on the CPU.
enum class ExecutionProvider : int32_t {
  Auto = 0,  // DirectML with a CPU fallback
  Cpu = 1,
  Dml = 2,  // DirectML without fallback
};

}  // namespace vesk
