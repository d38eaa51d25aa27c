#pragma once
// What the OCR steps see of a model: one call from a float input to a float output that is read in
// place. A session of the inference runtime is one such model; tests hand the steps others.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "core/status.h"

namespace vesk {

// Where a model runs.
enum class Device { Cpu, DirectMl };

// The dimensions of a model input: batch, channels, height, width.
using InputShape = std::array<int64_t, 4>;

// The value one run gave for the output asked for, read in place: shape and data stay valid while the
// object or a copy of it lives.
class ModelOutput {
 public:
  // No value came back.
  ModelOutput() = default;
  // `shape` is nullopt when the value has no shape description at all and empty when its dimensions
  // could not be read; `data` is null when its values could not be read. `owner` keeps them alive.
  ModelOutput(std::optional<std::vector<int64_t>> shape, const float* data, std::shared_ptr<const void> owner)
      : present_(true), shape_(std::move(shape)), data_(data), owner_(std::move(owner)) {}

  explicit operator bool() const { return present_; }
  const std::optional<std::vector<int64_t>>& shape() const { return shape_; }
  const float* data() const { return data_; }

 private:
  bool present_ = false;
  std::optional<std::vector<int64_t>> shape_;
  const float* data_ = nullptr;
  std::shared_ptr<const void> owner_;
};

class Model {
 public:
  virtual ~Model() = default;

  // Runs the model on `input`, laid out as `shape`; the floats are lent for the call, not copied. Fails
  // with FailureKind::ModelCall and the runtime's reason when the model could not be run, and with
  // FailureKind::Recognition when the input could not be handed to it at all (each step words that
  // for itself).
  virtual Outcome<ModelOutput> Run(std::span<float> input, const InputShape& shape) = 0;

  // How many calls of Run may be under way at once, from as many threads, each using one core. 1: one
  // at a time, the model spreading each call over its own threads.
  virtual int32_t parallelRuns() const { return 1; }

  // Whether a call hands the working memory it no longer holds back when it ends, for a model opened
  // to do so; otherwise the next call, of the same shape, finds it ready. A model that cannot tell
  // ignores it.
  virtual void SetReleaseMemoryAfterRun(bool /*release*/) {}
};

}  // namespace vesk
