#include "runtime/model_session.h"

#include <memory>
#include <utility>

#include "runtime/tensor.h"

namespace vesk {

ModelSession::ModelSession(const OrtApi* api, OrtSession* session, std::vector<std::string> inputNames,
                           std::vector<std::string> outputNames, std::string defaultOutput, int32_t parallelRuns,
                           bool releaseMemoryAfterRun)
    : session_(api, session),
      inputNames_(std::move(inputNames)),
      outputNames_(std::move(outputNames)),
      defaultOutput_(std::move(defaultOutput)),
      parallelRuns_(parallelRuns < 1 ? 1 : parallelRuns),
      releaseMemoryOpened_(releaseMemoryAfterRun),
      releaseMemoryAfterRun_(releaseMemoryAfterRun) {}

Outcome<ModelOutput> ModelSession::Run(std::span<float> input, const InputShape& shape) {
  OrtValueHandle tensor = CreateInputTensor(input, shape);
  if (!tensor) return Status::Failure(FailureKind::Recognition, "Failed to create the input tensor");
  const OrtApi* api = session_.api();
  if (!loaded() || api == nullptr) return Status::Failure(FailureKind::ModelCall, "Session is not initialized");

  const char* inputName = inputNames_.empty() ? "x" : inputNames_.front().c_str();
  const char* outputName = outputNames_.empty() ? defaultOutput_.c_str() : outputNames_.front().c_str();
  const OrtValue* inputs[] = {tensor.get()};
  // The runtime's pool gives back the blocks the call no longer holds once it ends. Without options
  // the call keeps the runtime's defaults, so a failure to make them is no reason to fail the call.
  RunOptionsHandle runOptions(api, nullptr);
  if (releaseMemoryAfterRun_ && !DiscardStatus(api, api->CreateRunOptions(runOptions.out())) && runOptions) {
    if (DiscardStatus(api, api->AddRunConfigEntry(runOptions.get(), "memory.enable_memory_arena_shrinkage", "cpu:0"))) {
      runOptions.reset();
    }
  }
  OrtValue* produced = nullptr;
  OrtStatus* status =
      api->Run(session_.get(), runOptions.get(), &inputName, inputs, 1, &outputName, 1, &produced);
  tensor.reset();
  OrtValueHandle value(api, produced);
  if (status != nullptr) {
    std::string error = TakeStatusMessage(api, status);
    return Status::Failure(FailureKind::ModelCall, error.empty() ? "Unknown Ort run error" : std::move(error));
  }
  if (!value) return ModelOutput();

  std::optional<std::vector<int64_t>> dimensions = TensorShape(value.get());
  const float* data = TensorData(value.get());
  const std::shared_ptr<OrtValue> owner(value.release(), [api](OrtValue* v) { api->ReleaseValue(v); });
  return ModelOutput(std::move(dimensions), data, owner);
}

}  // namespace vesk
