#pragma once
// One way to fail.
//
// Every operation that can fail returns a Status, or an Outcome<T> that holds either its value or a
// Status. A failure is a value, not an exception: the failure path is part of the product (the viewer
// waits for a failure report, a caller tests the exit code), so it must be visible in every signature
// and cheap to pass along. A failure carries two things only:
//
// - its kind, which says what failed in terms the run sequence acts on: the exit code of each kind is
//   written in one table (app/exit_code.h), and the OCR pass tells a failed model call, which earns a
//   retry on the CPU, from an output that could not be used;
// - its message, the exact UTF-8 text the user reads in the failure report and the run log. Layers above
//   only put their prefix in front of it (WithPrefix), so the detail found at the bottom is never lost.
//
// Both are fixed when the failure is made; a Status is small and copyable, and a success holds nothing.

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace vesk {

enum class FailureKind {
  None,          // success
  ImageFailed,   // the screenshot is missing or cannot be decoded
  ModelSetup,    // the models, the inference runtime or a model session cannot be set up
  ModelCall,     // the runtime failed to run a model (on DirectML this earns the CPU retry)
  Recognition,   // the OCR pass failed otherwise: a model ran but its output could not be used
  ViewerLaunch,  // the viewer cannot be started
  OutputWrite,   // a result file cannot be written
  Unexpected,    // anything that should not happen: an escaped exception, a crash
};

class [[nodiscard]] Status {
 public:
  // Success.
  Status() = default;

  static Status Failure(FailureKind kind, std::string message) { return Status(kind, std::move(message)); }

  bool ok() const { return kind_ == FailureKind::None; }
  FailureKind kind() const { return kind_; }
  const std::string& message() const { return message_; }

  // The same failure told by the layer above: `prefix` + the message. A success stays a success.
  Status WithPrefix(std::string_view prefix) const {
    if (ok()) return *this;
    return Status(kind_, std::string(prefix) + message_);
  }

 private:
  Status(FailureKind kind, std::string message) : kind_(kind), message_(std::move(message)) {}

  FailureKind kind_ = FailureKind::None;
  std::string message_;
};

// The value of an operation, or why there is none.
template <typename T>
class [[nodiscard]] Outcome {
 public:
  Outcome(T value) : value_(std::move(value)) {}  // NOLINT: implicit, so that `return value;` reads plainly
  // `failure` must not be a success: an outcome without a value always says why.
  Outcome(Status failure) : status_(std::move(failure)) {}  // NOLINT: implicit, likewise

  bool ok() const { return value_.has_value(); }
  const Status& status() const { return status_; }

  T& value() & { return *value_; }
  const T& value() const& { return *value_; }
  T&& value() && { return std::move(*value_); }
  T& operator*() & { return *value_; }
  const T& operator*() const& { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }

 private:
  std::optional<T> value_;
  Status status_;
};

}  // namespace vesk
