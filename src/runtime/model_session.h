#pragma once
// One model loaded into the inference runtime, with the names of its inputs and outputs.

#include <onnxruntime_c_api.h>

#include <span>
#include <string>
#include <vector>

#include "runtime/model.h"
#include "runtime/ort_handles.h"

namespace vesk {

class ModelSession final : public Model {
 public:
  // An empty session: every run fails.
  ModelSession() = default;
  // Owns `session`, made with `api`. The names are copied once here so that a run never asks the
  // runtime for them; `defaultOutput` stands in when the model gave no output names.
  // `parallelRuns` calls may run at once (the runtime allows calls of one session from several
  // threads; a DirectML session does not).
  ModelSession(const OrtApi* api, OrtSession* session, std::vector<std::string> inputNames,
               std::vector<std::string> outputNames, std::string defaultOutput, int32_t parallelRuns = 1,
               bool releaseMemoryAfterRun = false);

  bool loaded() const { return static_cast<bool>(session_); }
  const std::vector<std::string>& inputNames() const { return inputNames_; }
  const std::vector<std::string>& outputNames() const { return outputNames_; }

  // Runs the model on its first input (else "x") and reads its first output (else the default
  // output). The input tensor is released right after the call, whatever its outcome.
  Outcome<ModelOutput> Run(std::span<float> input, const InputShape& shape) override;

  int32_t parallelRuns() const override { return parallelRuns_; }

  // Only for a session opened with releaseMemoryAfterRun.
  void SetReleaseMemoryAfterRun(bool release) override { releaseMemoryAfterRun_ = releaseMemoryOpened_ && release; }

 private:
  SessionHandle session_;
  std::vector<std::string> inputNames_;   // in the runtime's index order
  std::vector<std::string> outputNames_;  // likewise
  std::string defaultOutput_;
  int32_t parallelRuns_ = 1;
  bool releaseMemoryOpened_ = false;
  bool releaseMemoryAfterRun_ = false;
};

}  // namespace vesk
