#include "ocr/inference_backend.h"

#include <future>
#include <utility>

#include "platform/free_memory.h"
#include "runtime/ort_manager.h"

namespace vesk {
namespace {

constexpr char kDetStage[] = "setup: session det";
constexpr char kClsStage[] = "setup: session cls";
constexpr char kRecStage[] = "setup: session rec";

std::string TrimTrailingLineBreaks(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  return text;
}

}  // namespace

Outcome<std::unique_ptr<Model>> InferenceBackend::Open(const ModelFile& file, Device device, const char* stage) {
  TimedStage opening(timeline_, stage);
  if (device == Device::DirectMl && failNextDirectMlOpen_) {
    failNextDirectMlOpen_ = false;
    return Status::Failure(FailureKind::ModelSetup, "Fault injection: force_dml_fail_init simulated\n");
  }
  return opener_->Open(file, device);
}

Outcome<std::unique_ptr<Model>> InferenceBackend::OpenLogged(const ModelFile& file, Device device, const char* stage,
                                                             std::string& log) {
  Outcome<std::unique_ptr<Model>> model = Open(file, device, stage);
  if (!model.ok()) log += model.status().message();
  return model;
}

// Recognition on DirectML beside a DirectML detector. When DirectML refuses it under Auto, both are
// rebuilt on the CPU, the DirectML detector released first; only recognition's outcome decides then (a
// detector left without a model fails each pass instead).
Outcome<std::unique_ptr<Model>> InferenceBackend::OpenRecognition(PipelineModels& models, std::string& log) {
  Outcome<std::unique_ptr<Model>> rec = OpenLogged(files_.rec, Device::DirectMl, kRecStage, log);
  if (rec.ok() || provider_ != ExecutionProvider::Auto) return rec;
  log += "DML rec init failed, falling back all models to CPU\n";
  fallbackNote_ = "DML rec session init failed; Det and Rec rebuilt on CPU";
  onDirectMl_ = false;
  models.det.reset();
  Outcome<std::unique_ptr<Model>> det = OpenLogged(files_.det, Device::Cpu, kDetStage, log);
  if (det.ok()) models.det = std::move(*det);
  return OpenLogged(files_.rec, Device::Cpu, kRecStage, log);
}

// Orientation always runs on the CPU and is optional: without it every line is read upright.
void InferenceBackend::OpenOrientation(PipelineModels& models, bool wanted) {
  if (!wanted) return;
  Outcome<std::unique_ptr<Model>> cls = Open(files_.cls, Device::Cpu, kClsStage);
  if (cls.ok()) models.cls = std::move(*cls);
}

// Detection, orientation and recognition on the CPU. Recognition, the largest, is opened on a thread of
// its own beside the other two when the settings allow it: opening a model keeps one core busy. Its
// outcome, and what the runtime logged meanwhile, count only once the other two are open, as when it is
// opened after them.
Outcome<PipelineModels> InferenceBackend::OpenOnCpu(const EngineSettings& settings, std::string& log) {
  struct Recognition {
    Outcome<std::unique_ptr<Model>> model;
    HeldRuntimeLog held;
  };
  // A deferred opening runs when asked for, after the others; also when no thread can be had.
  const std::launch policy =
      settings.openSideBySide ? std::launch::async | std::launch::deferred : std::launch::deferred;
  std::future<Recognition> recognition = std::async(policy, [this] {
    RuntimeLogHold hold;
    Outcome<std::unique_ptr<Model>> rec = Open(files_.rec, Device::Cpu, kRecStage);
    return Recognition{std::move(rec), hold.Take()};
  });

  PipelineModels models;
  Outcome<std::unique_ptr<Model>> det = OpenLogged(files_.det, Device::Cpu, kDetStage, log);
  // The future waits for its thread when it goes; what that opened goes with it.
  if (!det.ok()) return Status::Failure(FailureKind::ModelSetup, log);
  models.det = std::move(*det);
  OpenOrientation(models, settings.withOrientation);
  Recognition rec = recognition.get();
  // What opening left freed in the other thread's pool of the allocator would otherwise add to the
  // run's peak (up to 50 MB on tall_article).
  ReturnFreedMemory();
  rec.held.Release();
  if (!rec.model.ok()) {
    log += rec.model.status().message();
    return Status::Failure(FailureKind::ModelSetup, log);
  }
  models.rec = std::move(*rec.model);
  return models;
}

Outcome<PipelineModels> InferenceBackend::OpenModels(const PipelineFiles& files, const EngineSettings& settings) {
  files_ = files;
  provider_ = settings.provider;
  fault_ = settings.dmlFault;
  failNextDirectMlOpen_ = fault_ == ForceDmlFail::Init;
  onDirectMl_ = provider_ != ExecutionProvider::Cpu;
  fallbackNote_.clear();
  timeline_ = settings.timeline;

  std::string log;
  if (!onDirectMl_) return OpenOnCpu(settings, log);
  // Detection on DirectML where the provider allows it, recognition where detection went; under Auto a
  // refusal takes both to the CPU.
  Outcome<std::unique_ptr<Model>> det = Open(files_.det, Device::DirectMl, kDetStage);
  if (!det.ok()) {
    log += "DML det init failed: " + det.status().message() + "\n";
    if (provider_ != ExecutionProvider::Auto) return Status::Failure(FailureKind::ModelSetup, log);
    log += "Falling back to CPU session for Det\n";
    fallbackNote_ = "DML det session init failed: " + TrimTrailingLineBreaks(det.status().message()) +
                    "; Det and Rec run on CPU";
    onDirectMl_ = false;
    return OpenOnCpu(settings, log);
  }
  PipelineModels models;
  models.det = std::move(*det);
  OpenOrientation(models, settings.withOrientation);
  Outcome<std::unique_ptr<Model>> rec = OpenRecognition(models, log);
  if (!rec.ok()) return Status::Failure(FailureKind::ModelSetup, log);
  models.rec = std::move(*rec);
  return models;
}

Status InferenceBackend::InjectedRunFailure() const {
  if (fault_ != ForceDmlFail::Run) return {};
  return Status::Failure(FailureKind::ModelCall, "Fault injection: --force-dml-fail=run");
}

bool InferenceBackend::RetriesOnCpu(const Status& failure) const {
  return failure.kind() == FailureKind::ModelCall && onDirectMl_ && provider_ == ExecutionProvider::Auto;
}

Outcome<PipelineModels> InferenceBackend::ReopenOnCpu() {
  onDirectMl_ = false;
  PipelineModels models;
  Outcome<std::unique_ptr<Model>> det = opener_->Open(files_.det, Device::Cpu);
  if (!det.ok()) return det.status();
  models.det = std::move(*det);
  Outcome<std::unique_ptr<Model>> rec = opener_->Open(files_.rec, Device::Cpu);
  if (!rec.ok()) return rec.status();
  models.rec = std::move(*rec);
  return models;
}

}  // namespace vesk
