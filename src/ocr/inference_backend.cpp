#include "ocr/inference_backend.h"

#include <utility>

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

// Detection on DirectML where the provider allows it; under Auto a refusal takes it, and with it
// recognition, to the CPU.
Outcome<std::unique_ptr<Model>> InferenceBackend::OpenDetection(std::string& log) {
  if (!onDirectMl_) return OpenLogged(files_.det, Device::Cpu, kDetStage, log);
  Outcome<std::unique_ptr<Model>> det = Open(files_.det, Device::DirectMl, kDetStage);
  if (det.ok()) return det;
  log += "DML det init failed: " + det.status().message() + "\n";
  if (provider_ != ExecutionProvider::Auto) return det;
  log += "Falling back to CPU session for Det\n";
  fallbackNote_ = "DML det session init failed: " + TrimTrailingLineBreaks(det.status().message()) +
                  "; Det and Rec run on CPU";
  onDirectMl_ = false;
  return OpenLogged(files_.det, Device::Cpu, kDetStage, log);
}

// Recognition where detection went. When DirectML refuses it under Auto, both are rebuilt on the CPU,
// the DirectML detector released first; only recognition's outcome decides then (a detector left
// without a model fails each pass instead).
Outcome<std::unique_ptr<Model>> InferenceBackend::OpenRecognition(PipelineModels& models, std::string& log) {
  const Device device = onDirectMl_ ? Device::DirectMl : Device::Cpu;
  Outcome<std::unique_ptr<Model>> rec = OpenLogged(files_.rec, device, kRecStage, log);
  if (rec.ok() || device == Device::Cpu || provider_ != ExecutionProvider::Auto) return rec;
  log += "DML rec init failed, falling back all models to CPU\n";
  fallbackNote_ = "DML rec session init failed; Det and Rec rebuilt on CPU";
  onDirectMl_ = false;
  models.det.reset();
  Outcome<std::unique_ptr<Model>> det = OpenLogged(files_.det, Device::Cpu, kDetStage, log);
  if (det.ok()) models.det = std::move(*det);
  return OpenLogged(files_.rec, Device::Cpu, kRecStage, log);
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
  PipelineModels models;
  Outcome<std::unique_ptr<Model>> det = OpenDetection(log);
  if (!det.ok()) return Status::Failure(FailureKind::ModelSetup, log);
  models.det = std::move(*det);
  // Orientation always runs on the CPU and is optional: without it every line is read upright.
  if (settings.withOrientation) {
    Outcome<std::unique_ptr<Model>> cls = Open(files_.cls, Device::Cpu, kClsStage);
    if (cls.ok()) models.cls = std::move(*cls);
  }
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
