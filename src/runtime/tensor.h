#pragma once
// How a model run wraps its input and reads its output: the input tensor borrows the caller's floats
// and the output is read in place, never copied.

#include <onnxruntime_c_api.h>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "runtime/model.h"
#include "runtime/ort_handles.h"

namespace vesk {

// A float tensor over `data` laid out as `shape`, made with the manager's CPU memory descriptor.
// `data` must stay alive and unchanged until the handle is released. Empty on failure.
OrtValueHandle CreateInputTensor(std::span<float> data, const InputShape& shape);

// The dimensions of a tensor value: nullopt when it has no shape description, empty when the
// dimensions cannot be read.
std::optional<std::vector<int64_t>> TensorShape(const OrtValue* value);

// The value's float data, read in place; null on failure.
float* TensorData(OrtValue* value);

}  // namespace vesk
