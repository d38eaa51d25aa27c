#pragma once
// One loaded model and the names of its inputs and outputs.

#include <onnxruntime_c_api.h>

#include <string>
#include <vector>

namespace vesk {

class ModelSession {
 public:
  OrtSession* session = nullptr;
  const OrtApi* api = nullptr;           // the table the session was made with, used to release it
  std::vector<std::string> inputNames;   // in the runtime's index order
  std::vector<std::string> outputNames;  // likewise

  ModelSession() = default;
  ~ModelSession();
  ModelSession(const ModelSession&) = delete;
  ModelSession& operator=(const ModelSession&) = delete;

  // Releases the runtime session and forgets the names.
  void Reset();

  bool loaded() const { return session != nullptr; }

  // Runs the model on `inputs` (named by the same-index entries of `inputNames`) and fills
  // `outputs`, one value per output name, owned by the caller afterwards. On failure `error` holds
  // the reason and `outputs` is empty, whatever the runtime had already produced being released.
  bool Run(const std::vector<const char*>& inputNames, const std::vector<OrtValue*>& inputs,
           const std::vector<const char*>& outputNames, std::vector<OrtValue*>& outputs, std::string& error);
};

}  // namespace vesk
