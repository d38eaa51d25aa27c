#include "app/engine_setup.h"

#include <future>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/console.h"
#include "integrity/manifest.h"
#include "ocr/model_profile.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"
#include "runtime/ort_manager.h"
#include "session/session_paths.h"

namespace vesk {
namespace {

constexpr char16_t kDictionaryFile[] = u"ppocrv5_dict.txt";

// The profile is checked like a model file whenever it is there, and also when the manifest pins it
// but it is gone: a pinned profile that went missing is a damaged model set, not one without a profile.
bool ProfileToBeChecked(const std::u16string& modelsFolder) {
  if (GetPathKind(JoinPath(modelsFolder, kModelProfileFile)) != PathKind::Missing) return true;
  const std::optional<ManifestEntries> entries = ReadSha256Sums(JoinPath(modelsFolder, u"SHA256SUMS"));
  return entries && entries->count(AsciiLower(ToUtf8(kModelProfileFile))) > 0;
}

Status CheckModels(const RunContext& run, const std::u16string& modelsFolder, const ModelFiles& models) {
  // The report names the files in this order.
  std::vector<std::u16string> files{models.detection, models.recognition, models.orientation, kDictionaryFile};
  if (ProfileToBeChecked(modelsFolder)) files.push_back(kModelProfileFile);
  const ModelCheck check = Timed(run.timeline, "model check", [&] { return VerifyModels(modelsFolder, files); });
  if (!check.report.empty()) run.Log(check.report);
  if (check.passed) return {};
  return Status::Failure(FailureKind::ModelSetup, "Model verification failed:\n" + check.report);
}

Status LoadRuntime(const RunContext& run, const std::u16string& backendFolder) {
  OrtManager& runtime = OrtManager::Instance();
  // The runtime's own complaints (memory pressure, a failing operator) belong in the run log, and on
  // the console only when there is one.
  runtime.SetLogSink([logPath = run.paths.logPath, console = run.options.console](std::string_view line) {
    RunLog::AppendLine(logPath, line);
    if (console) WriteErrorLine(line);
  });
  const Status loaded = Timed(run.timeline, "setup: runtime library", [&] { return runtime.Initialize(backendFolder); });
  return loaded.WithPrefix("ONNX Runtime DLL initialization failed: ");
}

Status InitializeEngine(const RunContext& run, const std::u16string& modelsFolder, ModelProfile profile,
                        OcrEngine& engine) {
  const ModelPaths paths{JoinPath(modelsFolder, profile.models.detection),
                         JoinPath(modelsFolder, profile.models.orientation),
                         JoinPath(modelsFolder, profile.models.recognition), JoinPath(modelsFolder, kDictionaryFile)};
  EngineSettings settings;
  settings.provider = run.options.executionProvider;
  settings.dmlFault = run.options.forceDmlFail;
  settings.withOrientation = run.options.classifyOrientation;
  settings.profile = std::move(profile);
  settings.timeline = run.timeline;
  return engine.Initialize(paths, settings).WithPrefix("Model initialization failed:\n");
}

}  // namespace

Status SetUpEngine(const RunContext& run, OcrEngine& engine) {
  const std::u16string workerFolder = ExecutableDirectory();
  const std::u16string modelsFolder = JoinPath(workerFolder, u"models");
  // The runtime library needs nothing of the models: it is loaded on a thread of its own while they are
  // checked (each keeps one core busy). Its outcome, and what it logged meanwhile, count only once the
  // check and the profile have passed, as when it is loaded after them. When no thread can be had, it is
  // loaded then.
  struct LoadedRuntime {
    Status status;
    HeldRuntimeLog held;
  };
  std::future<LoadedRuntime> runtime = std::async(std::launch::async | std::launch::deferred, [&] {
    RuntimeLogHold hold;
    Status loaded = LoadRuntime(run, JoinPath(workerFolder, u"backend"));
    return LoadedRuntime{std::move(loaded), hold.Take()};
  });
  // The profile may name the model files, so it is read before the check; what it says counts only once
  // the check (which covers the profile itself) has passed, and a failed check wins over a bad profile.
  // On an early return the future waits for the loading, whose outcome then goes unreported.
  Outcome<ModelProfile> profile = LoadModelProfile(modelsFolder);
  const ModelFiles models = profile.ok() ? profile->models : ModelFiles{};
  if (Status checked = CheckModels(run, modelsFolder, models); !checked.ok()) return checked;
  if (!profile.ok()) return profile.status().WithPrefix("Model profile rejected: ");
  // Without a profile the run log holds what it always held.
  if (!profile->name.empty()) run.Log("Model profile: " + profile->name);
  LoadedRuntime loaded = runtime.get();
  loaded.held.Release();
  if (!loaded.status.ok()) return loaded.status;
  return InitializeEngine(run, modelsFolder, std::move(*profile), engine);
}

}  // namespace vesk
