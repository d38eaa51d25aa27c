#include "runtime/ort_manager.h"

#include <charconv>
#include <cstdlib>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "platform/dynamic_library.h"
#include "platform/path.h"
#include "platform/text.h"
#include "runtime/ort_handles.h"
#include "runtime/ort_platform.h"
#include "runtime/thread_count.h"

namespace vesk {
namespace {

// Copies the names that `getName` gives for indexes 0..count-1, skipping those that cannot be read.
template <typename CountFn, typename NameFn>
std::vector<std::string> CollectNames(const OrtApi* api, OrtAllocator* allocator, CountFn getCount,
                                      NameFn getName) {
  size_t count = 0;
  if (DiscardStatus(api, getCount(&count))) count = 0;
  std::vector<std::string> names;
  names.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    char* name = nullptr;
    if (DiscardStatus(api, getName(i, &name)) || name == nullptr) continue;
    names.emplace_back(name);
    DiscardStatus(api, api->AllocatorFree(allocator, name));
  }
  return names;
}

const char* SeverityName(OrtLoggingLevel severity) {
  switch (severity) {
    case ORT_LOGGING_LEVEL_VERBOSE: return "verbose";
    case ORT_LOGGING_LEVEL_INFO: return "info";
    case ORT_LOGGING_LEVEL_WARNING: return "warning";
    case ORT_LOGGING_LEVEL_ERROR: return "error";
    case ORT_LOGGING_LEVEL_FATAL: return "fatal";
  }
  return "message";
}

// Whether a library that reports this version ("1.21.0") is older than the API version asked for; API
// version N came with release 1.N. Asked anyway, such a library prints a complaint of its own to
// standard error. A version that cannot be read is left to the API request to judge.
bool OlderThanApi(const char* version, uint32_t apiVersion) {
  if (version == nullptr) return false;
  const std::string_view text(version);
  const char* end = text.data() + text.size();
  uint32_t major = 0;
  uint32_t minor = 0;
  const auto [dot, majorError] = std::from_chars(text.data(), end, major);
  if (majorError != std::errc() || dot == end || *dot != '.') return false;
  if (std::from_chars(dot + 1, end, minor).ec != std::errc()) return false;
  return major < 1 || (major == 1 && minor < apiVersion);
}

// The lines this thread holds back, while a RuntimeLogHold made on it lives.
thread_local std::vector<std::pair<OrtManager*, std::string>>* tHeldLines = nullptr;

}  // namespace

void HeldRuntimeLog::Release() {
  for (const auto& [manager, line] : lines_) manager->Deliver(line);
  lines_.clear();
}

RuntimeLogHold::RuntimeLogHold() { tHeldLines = &held_.lines_; }

RuntimeLogHold::~RuntimeLogHold() { Take(); }

HeldRuntimeLog RuntimeLogHold::Take() {
  if (holding_) tHeldLines = nullptr;
  holding_ = false;
  return std::move(held_);
}

void ORT_API_CALL OrtManager::ForwardLog(void* param, OrtLoggingLevel severity, const char*, const char*,
                                         const char*, const char* message) {
  auto* manager = static_cast<OrtManager*>(param);
  std::string line = std::string("ONNX Runtime ") + SeverityName(severity) + ": " + (message ? message : "");
  if (tHeldLines != nullptr) {
    tHeldLines->emplace_back(manager, std::move(line));
    return;
  }
  manager->Deliver(line);
}

void OrtManager::Deliver(const std::string& line) {
  const std::lock_guard<std::mutex> guard(logMutex_);
  if (logSink_) logSink_(line);
}

void OrtManager::SetLogSink(RuntimeLogSink sink) {
  const std::lock_guard<std::mutex> guard(logMutex_);
  logSink_ = std::move(sink);
}

OrtManager& OrtManager::Instance() {
  static OrtManager instance;
  return instance;
}

OrtManager::~OrtManager() { Teardown(); }

void OrtManager::Teardown() {
  if (cpuMemoryInfo != nullptr && api != nullptr) api->ReleaseMemoryInfo(cpuMemoryInfo);
  cpuMemoryInfo = nullptr;
  if (env != nullptr && api != nullptr) api->ReleaseEnv(env);
  env = nullptr;
  sharedCpuArena_ = false;
  CloseLibrary(module);
  module = nullptr;
}

Status OrtManager::Initialize(const std::u16string& backendFolder) {
  if (api != nullptr) return {};
  const auto failure = [](std::string message) { return Status::Failure(FailureKind::ModelSetup, std::move(message)); };

  const std::u16string path = JoinPath(backendFolder, kOrtLibraryFile);
  // Only a library whose API could not be had is left here; taking it again must not leak it.
  CloseLibrary(module);
  const Outcome<LibraryHandle> library = OpenLibrary(path);
  module = library.ok() ? *library : nullptr;
  if (module == nullptr) {
    // Named after the file this platform really loads: "onnxruntime.dll" only on Windows.
    return failure("Failed to load " + ToUtf8(kOrtLibraryFile) + " from " + ToUtf8(path) + " (" +
                   library.status().message() + ")");
  }
  // Exit handlers run in reverse order of registration. The library registered the destruction of
  // its own static objects (among them the environment's registry) while it was being loaded, after
  // this instance was built, so the instance's destructor would run too late and release into
  // destroyed objects. A handler registered now runs before them.
  if (this == &Instance()) {
    static const bool scheduled = std::atexit([] { Instance().Teardown(); }) == 0;
    static_cast<void>(scheduled);
  }

  using GetApiBaseFunction = const OrtApiBase*(ORT_API_CALL*)();
  auto getApiBase = reinterpret_cast<GetApiBaseFunction>(FindSymbol(module, "OrtGetApiBase"));
  if (getApiBase == nullptr) return failure("OrtGetApiBase not found in " + ToUtf8(path));
  const OrtApiBase* base = getApiBase();
  if (base == nullptr) return failure("Failed to get OrtApiBase");
  if (!OlderThanApi(base->GetVersionString(), kOrtApiVersion)) api = base->GetApi(kOrtApiVersion);
  if (api == nullptr) {
    return failure("onnxruntime.dll does not provide ORT API version " + std::to_string(kOrtApiVersion) +
                   ". backend/ must hold the matching build (see third_party/onnxruntime/README.md).");
  }

  appendDml = reinterpret_cast<AppendDmlFunction>(FindSymbol(module, "OrtSessionOptionsAppendExecutionProvider_DML"));

  // The runtime's complaints go to the sink (the run log), never to a console the worker was not asked
  // to print on.
  if (OrtStatus* status = api->CreateEnvWithCustomLogger(&OrtManager::ForwardLog, this, ORT_LOGGING_LEVEL_WARNING,
                                                         "VeskOcr", &env)) {
    const std::string text = TakeStatusMessage(api, status);
    return failure(text.empty() ? "Failed to create ORT Env" : text);
  }
  if (OrtStatus* status = api->CreateCpuMemoryInfo(OrtArenaAllocator, OrtMemTypeDefault, &cpuMemoryInfo)) {
    const std::string text = TakeStatusMessage(api, status);
    return failure(text.empty() ? "Failed to create CPU memory info" : text);
  }
  // One memory arena for every CPU session instead of one each: the models run one after another, so
  // recognition reuses what detection held, and a run's peak memory fell by about 30 MB. Without it
  // each session keeps its own arena.
  sharedCpuArena_ = !DiscardStatus(api, api->CreateAndRegisterAllocator(env, cpuMemoryInfo, nullptr));
  return {};
}

Outcome<std::unique_ptr<Model>> OrtManager::Open(const ModelFile& file, Device device) {
  Outcome<ModelSession> session = CreateModelSession(file, device);
  if (!session.ok()) return session.status();
  return std::unique_ptr<Model>(std::make_unique<ModelSession>(std::move(session).value()));
}

Outcome<ModelSession> OrtManager::CreateModelSession(const ModelFile& file, Device device) {
  const auto failure = [](std::string lines) { return Status::Failure(FailureKind::ModelSetup, std::move(lines)); };
  if (api == nullptr || env == nullptr) return failure("OrtManager not initialized\n");

  SessionOptionsHandle options(api, nullptr);
  if (DiscardStatus(api, api->CreateSessionOptions(options.out())) || !options) {
    return failure("Failed to create session options\n");
  }

  if (device == Device::DirectMl) {
    if (appendDml == nullptr) return failure("DirectML provider symbol not present in onnxruntime.dll\n");
    // The DirectML provider cannot work with memory patterns or parallel execution.
    DiscardStatus(api, api->DisableMemPattern(options.get()));
    DiscardStatus(api, api->SetSessionExecutionMode(options.get(), ORT_SEQUENTIAL));
    if (OrtStatus* status = appendDml(options.get(), 0)) {
      const std::string text = TakeStatusMessage(api, status);
      return failure(text.empty() ? std::string("DML provider init failed\n")
                                  : "DML provider init failed: " + text + "\n");
    }
  }
  // A CPU session uses at most IntraOpThreadCount cores: in each call, or one each for that many calls
  // side by side.
  const int32_t cores = IntraOpThreadCount(std::thread::hardware_concurrency());
  const int32_t parallelRuns = device == Device::Cpu && file.sideBySide ? cores : 1;
  if (device == Device::Cpu) {
    DiscardStatus(api, api->SetIntraOpNumThreads(options.get(), parallelRuns > 1 ? 1 : cores));
    // The pool's threads sleep between operators instead of spinning: the worker shares the machine
    // with the viewer it has just started, and spinning threads took cores that the run's own threads
    // were waiting for (a whole run measured up to a third faster on two busy cores).
    DiscardStatus(api, api->AddSessionConfigEntry(options.get(), "session.intra_op.allow_spinning", "0"));
    if (sharedCpuArena_) {
      DiscardStatus(api, api->AddSessionConfigEntry(options.get(), "session.use_env_allocators", "1"));
      // The weights stay outside the shared arena: with the integer recogniser's weights in it, a
      // 2560 x 1440 screenshot's third detection tile took twice as long and the run peaked 45 MiB higher.
      DiscardStatus(api,
                    api->AddSessionConfigEntry(options.get(), "session.use_device_allocator_for_initializers", "1"));
    }
  }

  OrtSession* session = nullptr;
  OrtStatus* status = api->CreateSession(env, OrtPath(file.path).c_str(), options.get(), &session);
  options.reset();
  if (status != nullptr) {
    const std::string text = TakeStatusMessage(api, status);
    // The runtime leaves the out-parameter alone on failure; make sure nothing half-made survives.
    if (session != nullptr) api->ReleaseSession(session);
    return failure(text.empty() ? std::string("Session creation failed\n") : text + "\n");
  }
  if (session == nullptr) return failure("Unknown session creation error\n");

  std::vector<std::string> inputNames;
  std::vector<std::string> outputNames;
  OrtAllocator* allocator = nullptr;
  if (!DiscardStatus(api, api->GetAllocatorWithDefaultOptions(&allocator)) && allocator != nullptr) {
    inputNames = CollectNames(
        api, allocator, [&](size_t* count) { return api->SessionGetInputCount(session, count); },
        [&](size_t i, char** name) { return api->SessionGetInputName(session, i, allocator, name); });
    outputNames = CollectNames(
        api, allocator, [&](size_t* count) { return api->SessionGetOutputCount(session, count); },
        [&](size_t i, char** name) { return api->SessionGetOutputName(session, i, allocator, name); });
  }
  return ModelSession(api, session, std::move(inputNames), std::move(outputNames), file.defaultOutput, parallelRuns,
                      file.releaseMemoryAfterRun);
}

}  // namespace vesk
