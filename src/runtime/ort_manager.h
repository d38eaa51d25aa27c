#pragma once
// The process-wide owner of the inference library loaded at run time: the library, its API table,
// the environment every session lives in and the descriptor of caller-owned CPU memory.

#include <onnxruntime_c_api.h>

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/status.h"
#include "runtime/model_opener.h"
#include "runtime/model_session.h"

namespace vesk {

// The library's DirectML entry point: appends the provider for a GPU device; null status on success.
using AppendDmlFunction = OrtStatus*(ORT_API_CALL*)(OrtSessionOptions* options, int deviceId);

// Receives the runtime's own log messages, one line each ("ONNX Runtime warning: ...").
using RuntimeLogSink = std::function<void(std::string_view line)>;

class OrtManager;

// What the runtime logged on one thread while a RuntimeLogHold held it back: passed on later, in the
// order logged, or dropped.
class HeldRuntimeLog {
 public:
  // Hands the lines to the sinks of the managers that logged them.
  void Release();

 private:
  friend class OrtManager;
  friend class RuntimeLogHold;
  std::vector<std::pair<OrtManager*, std::string>> lines_;
};

// While it lives, what the runtime logs on the thread that made it is held back instead of reaching the
// sink: for work done beside other work, whose log entries must come in the order of a run that does one
// after the other. Holds do not nest.
class RuntimeLogHold {
 public:
  RuntimeLogHold();
  ~RuntimeLogHold();
  RuntimeLogHold(const RuntimeLogHold&) = delete;
  RuntimeLogHold& operator=(const RuntimeLogHold&) = delete;

  // Ends the hold and gives what it held.
  HeldRuntimeLog Take();

 private:
  HeldRuntimeLog held_;
  bool holding_ = true;
};

// The API version the worker is written for.
inline constexpr uint32_t kOrtApiVersion = 22;

class OrtManager final : public ModelOpener {
 public:
  void* module = nullptr;  // the loaded library
  const OrtApi* api = nullptr;
  OrtEnv* env = nullptr;
  OrtMemoryInfo* cpuMemoryInfo = nullptr;
  AppendDmlFunction appendDml = nullptr;  // null when the library has no DirectML provider

  // The worker's single instance, built on first use and torn down at process exit, before the
  // library's own static objects are destroyed.
  static OrtManager& Instance();

  // Constructible on its own only so that tests can examine a load in isolation.
  OrtManager() = default;
  ~OrtManager() override;
  OrtManager(const OrtManager&) = delete;
  OrtManager& operator=(const OrtManager&) = delete;

  // Where the runtime's own log messages go from now on, instead of the process's standard error;
  // without a sink they are dropped. The runtime may log from threads of its own: the sink is called
  // for one message at a time.
  void SetLogSink(RuntimeLogSink sink);

  // Loads the library from `backendFolder` and makes the environment, whose log goes to the sink;
  // succeeds at once when the API table is already there. A failure (FailureKind::ModelSetup) says why.
  Status Initialize(const std::u16string& backendFolder);

  // Opens the model file on `device`. A failure (FailureKind::ModelSetup) carries the diagnostic
  // lines, each ending in "\n".
  Outcome<ModelSession> CreateModelSession(const ModelFile& file, Device device);

  // CreateModelSession, as the engine opens its models.
  Outcome<std::unique_ptr<Model>> Open(const ModelFile& file, Device device) override;

 private:
  friend class HeldRuntimeLog;

  // Hands one line to the sink, if there is one.
  void Deliver(const std::string& line);

  // Releases the memory descriptor, then the environment, then unloads the library.
  void Teardown();

  // The environment's logging function; param is the manager.
  static void ORT_API_CALL ForwardLog(void* param, OrtLoggingLevel severity, const char* category,
                                      const char* logId, const char* codeLocation, const char* message);

  std::mutex logMutex_;
  RuntimeLogSink logSink_;
  bool sharedCpuArena_ = false;  // the environment holds an arena that CPU sessions share
};

}  // namespace vesk
