#pragma once
// The one sequence by which every model step wraps its input and reads its output: the input
// tensor borrows the caller's floats, the output is read in place, and every runtime object has
// one owner that releases it.

#include <onnxruntime_c_api.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/model_session.h"
#include "runtime/ort_handles.h"

namespace vesk {

// A float tensor over `data` (`floatCount` floats laid out as `shape`), made with the manager's CPU
// memory descriptor. Nothing is copied: `data` must stay alive and unchanged until the handle is
// released. Empty on failure.
OrtValueHandle CreateInputTensor(float* data, size_t floatCount, const std::array<int64_t, 4>& shape);

// Runs `session` on the single `input` and takes its single output. The input is named after the
// session's first input name, else "x"; the output after its first output name, else
// `defaultOutputName`. `input` is released right after the run, whatever the outcome. When the run
// itself fails, `runFailed` is raised, `error` holds the runtime's reason and the result is false.
// On success `output` owns the run's value, which may still be empty: the caller checks.
bool RunOnTensor(ModelSession& session, OrtValueHandle& input, const char* defaultOutputName,
                 OrtValueHandle& output, std::string& error, bool& runFailed);

// The dimensions of a tensor value; empty when any query fails.
std::vector<int64_t> TensorShape(const OrtValue* value);

// The value's float data, read in place; null on failure.
float* TensorData(OrtValue* value);

}  // namespace vesk
