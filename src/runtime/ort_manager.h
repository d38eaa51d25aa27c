#pragma once
// The process-wide owner of the inference library loaded at run time: the library, its API table,
// the environment every session lives in and the descriptor of caller-owned CPU memory.

#include <onnxruntime_c_api.h>

#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "runtime/model_session.h"

namespace vesk {

// The library's DirectML entry point: appends the provider for a GPU device; null status on success.
using AppendDmlFunction = OrtStatus*(ORT_API_CALL*)(OrtSessionOptions* options, int deviceId);

// Receives the runtime's own log messages, one line each ("ONNX Runtime warning: ...").
using RuntimeLogSink = std::function<void(std::string_view line)>;

// The API version the worker is written for.
inline constexpr uint32_t kOrtApiVersion = 22;

class OrtManager {
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
  ~OrtManager();
  OrtManager(const OrtManager&) = delete;
  OrtManager& operator=(const OrtManager&) = delete;

  // Where the runtime's own log messages go from now on, instead of the process's standard error;
  // without a sink they are dropped. The runtime may log from threads of its own: the sink is called
  // for one message at a time.
  void SetLogSink(RuntimeLogSink sink);

  // Loads the library from `backendFolder` and makes the environment, whose log goes to the sink;
  // returns at once when the API table is already there. On failure `error` is replaced by the reason.
  bool Initialize(const std::u16string& backendFolder, std::u16string& error);

  // Opens the model at `modelPath` into `target` (emptied first) on DirectML or the CPU. Diagnostic
  // lines, each ending in "\n", are appended to `log`. `simulateDmlInitFailure` makes a DirectML
  // request fail as if the provider had refused it.
  bool CreateModelSession(const std::u16string& modelPath, bool useDml, ModelSession& target, std::string& log,
                          bool simulateDmlInitFailure);

 private:
  // Releases the memory descriptor, then the environment, then unloads the library.
  void Teardown();

  // The environment's logging function; param is the manager.
  static void ORT_API_CALL ForwardLog(void* param, OrtLoggingLevel severity, const char* category,
                                      const char* logId, const char* codeLocation, const char* message);

  std::mutex logMutex_;
  RuntimeLogSink logSink_;
};

}  // namespace vesk
