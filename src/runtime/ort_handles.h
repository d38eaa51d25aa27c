#pragma once
// Owning handles for the runtime objects that the C API hands to its caller. Each call that returns
// a status or an object makes the caller its owner; wrapping the pointer at once means an early
// return can no longer leak it.

#include <onnxruntime_c_api.h>

#include <string>
#include <utility>

namespace vesk {

// Move-only owner of one runtime object, released through the member `Release` of the API table it
// came from (for instance &OrtApi::ReleaseValue).
template <typename T, auto Release>
class OrtHandle {
 public:
  OrtHandle() = default;
  OrtHandle(const OrtApi* api, T* object) : api_(api), object_(object) {}
  ~OrtHandle() { reset(); }

  OrtHandle(const OrtHandle&) = delete;
  OrtHandle& operator=(const OrtHandle&) = delete;
  OrtHandle(OrtHandle&& other) noexcept : api_(other.api_), object_(std::exchange(other.object_, nullptr)) {}
  OrtHandle& operator=(OrtHandle&& other) noexcept {
    if (this != &other) {
      reset();
      api_ = other.api_;
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }

  T* get() const { return object_; }
  const OrtApi* api() const { return api_; }
  explicit operator bool() const { return object_ != nullptr; }

  // Gives up ownership without releasing.
  T* release() { return std::exchange(object_, nullptr); }

  // Releases the held object now.
  void reset() {
    if (object_ != nullptr && api_ != nullptr) (api_->*Release)(object_);
    object_ = nullptr;
  }

  // For API calls that create into a T** out-parameter: releases what is held, then lends the slot.
  // The api table of the handle must already be set.
  T** out() {
    reset();
    return &object_;
  }

 private:
  const OrtApi* api_ = nullptr;
  T* object_ = nullptr;
};

using StatusHandle = OrtHandle<OrtStatus, &OrtApi::ReleaseStatus>;
using OrtValueHandle = OrtHandle<OrtValue, &OrtApi::ReleaseValue>;
using SessionHandle = OrtHandle<OrtSession, &OrtApi::ReleaseSession>;
using SessionOptionsHandle = OrtHandle<OrtSessionOptions, &OrtApi::ReleaseSessionOptions>;
using RunOptionsHandle = OrtHandle<OrtRunOptions, &OrtApi::ReleaseRunOptions>;
using TensorTypeAndShapeInfoHandle = OrtHandle<OrtTensorTypeAndShapeInfo, &OrtApi::ReleaseTensorTypeAndShapeInfo>;

// The text carried by `status` (empty when it has none), releasing the status. A null status gives "".
inline std::string TakeStatusMessage(const OrtApi* api, OrtStatus* status) {
  StatusHandle owned(api, status);
  if (!owned || api == nullptr) return {};
  const char* text = api->GetErrorMessage(status);
  return text != nullptr ? std::string(text) : std::string();
}

// Releases a status whose content does not matter; returns whether there was one (a failure).
inline bool DiscardStatus(const OrtApi* api, OrtStatus* status) {
  StatusHandle owned(api, status);
  return static_cast<bool>(owned);
}

}  // namespace vesk
