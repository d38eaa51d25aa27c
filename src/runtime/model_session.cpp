#include "runtime/model_session.h"

#include "runtime/ort_handles.h"

namespace vesk {

ModelSession::~ModelSession() { Reset(); }

void ModelSession::Reset() {
  if (session != nullptr && api != nullptr) api->ReleaseSession(session);
  session = nullptr;
  inputNames.clear();
  outputNames.clear();
}

bool ModelSession::Run(const std::vector<const char*>& inputNames, const std::vector<OrtValue*>& inputs,
                       const std::vector<const char*>& outputNames, std::vector<OrtValue*>& outputs,
                       std::string& error) {
  if (session == nullptr || api == nullptr) {
    error = "Session is not initialized";
    return false;
  }
  // The runtime reads one name per input value; a shorter list would be read past its end.
  if (inputNames.size() < inputs.size()) {
    error = "Fewer input names than input values";
    return false;
  }
  outputs.resize(outputNames.size(), nullptr);
  OrtStatus* status = api->Run(session, nullptr, inputNames.data(), inputs.data(), inputs.size(),
                               outputNames.data(), outputNames.size(), outputs.data());
  if (status == nullptr) return true;

  error = TakeStatusMessage(api, status);
  if (error.empty()) error = "Unknown Ort run error";
  for (OrtValue* value : outputs) {
    if (value != nullptr) api->ReleaseValue(value);
  }
  outputs.clear();
  return false;
}

}  // namespace vesk
