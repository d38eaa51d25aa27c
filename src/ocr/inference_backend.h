#pragma once
// The one place that knows about execution providers: which device each model of the pipeline is
// opened on, the fallback to the CPU while setting up, the CPU rebuild for a pass that failed on
// DirectML, and the faults injected to exercise both.

#include <memory>
#include <string>

#include "core/status.h"
#include "ocr/engine_settings.h"
#include "ocr/execution_provider.h"
#include "platform/timeline.h"
#include "runtime/model.h"
#include "runtime/model_opener.h"

namespace vesk {

// The three model files of the pipeline.
struct PipelineFiles {
  ModelFile det;  // text detection
  ModelFile cls;  // text-line orientation
  ModelFile rec;  // text recognition
};

// The models opened from them.
struct PipelineModels {
  std::unique_ptr<Model> det;
  std::unique_ptr<Model> cls;  // may be null: orientation is then skipped
  std::unique_ptr<Model> rec;
};

class InferenceBackend {
 public:
  explicit InferenceBackend(ModelOpener& opener) : opener_(&opener) {}

  // Opens the models: detection and recognition on DirectML unless the provider is Cpu, orientation on
  // the CPU (and only when the settings ask for it; its failure only leaves it out). Under Auto a
  // DirectML refusal moves detection and recognition to the CPU and leaves a fallback note. Models
  // opened on the CPU may be opened side by side (EngineSettings::openSideBySide). Fails
  // (FailureKind::ModelSetup) when detection or recognition cannot be had; the message is then the
  // set-up log.
  Outcome<PipelineModels> OpenModels(const PipelineFiles& files, const EngineSettings& settings);

  // Whether detection and recognition run on DirectML.
  bool onDirectMl() const { return onDirectMl_; }

  // Why set-up left DirectML; empty when it did not.
  const std::string& fallbackNote() const { return fallbackNote_; }

  // The failure the first attempt of a pass takes instead of running, when one is injected; else a
  // success.
  Status InjectedRunFailure() const;

  // Whether a pass attempt that failed so is tried once more on the CPU: a failed model call on
  // DirectML under Auto. Any other failure is final.
  bool RetriesOnCpu(const Status& failure) const;

  // Opens detection and recognition once more on the CPU, for that retry (orientation always runs
  // there and stays as it is: `cls` is null). From now on the backend is a CPU backend. A failure
  // carries the diagnostic lines of the model that could not be opened.
  Outcome<PipelineModels> ReopenOnCpu();

 private:
  Outcome<std::unique_ptr<Model>> Open(const ModelFile& file, Device device, const char* stage);
  Outcome<std::unique_ptr<Model>> OpenLogged(const ModelFile& file, Device device, const char* stage,
                                             std::string& log);
  Outcome<std::unique_ptr<Model>> OpenRecognition(PipelineModels& models, std::string& log);
  void OpenOrientation(PipelineModels& models, bool wanted);
  Outcome<PipelineModels> OpenOnCpu(const EngineSettings& settings, std::string& log);

  ModelOpener* opener_;
  PipelineFiles files_;  // kept so that the CPU retry can reopen detection and recognition
  ExecutionProvider provider_ = ExecutionProvider::Auto;
  ForceDmlFail fault_ = ForceDmlFail::None;
  bool failNextDirectMlOpen_ = false;
  bool onDirectMl_ = false;
  std::string fallbackNote_;
  Timeline* timeline_ = nullptr;
};

}  // namespace vesk
