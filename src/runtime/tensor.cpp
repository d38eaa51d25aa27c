#include "runtime/tensor.h"

#include "runtime/ort_manager.h"

namespace vesk {

OrtValueHandle CreateInputTensor(float* data, size_t floatCount, const std::array<int64_t, 4>& shape) {
  const OrtManager& manager = OrtManager::Instance();
  const OrtApi* api = manager.api;
  OrtValueHandle value(api, nullptr);
  if (api == nullptr || manager.cpuMemoryInfo == nullptr) return value;
  if (DiscardStatus(api, api->CreateTensorWithDataAsOrtValue(manager.cpuMemoryInfo, data, floatCount * sizeof(float),
                                                             shape.data(), shape.size(),
                                                             ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT, value.out()))) {
    value.reset();
  }
  return value;
}

bool RunOnTensor(ModelSession& session, OrtValueHandle& input, const char* defaultOutputName,
                 OrtValueHandle& output, std::string& error, bool& runFailed) {
  const char* inputName = session.inputNames.empty() ? "x" : session.inputNames.front().c_str();
  const char* outputName = session.outputNames.empty() ? defaultOutputName : session.outputNames.front().c_str();
  std::vector<OrtValue*> outputs;
  const bool ran = session.Run({inputName}, {input.get()}, {outputName}, outputs, error);
  input.reset();
  if (!ran) {
    runFailed = true;
    return false;
  }
  output = OrtValueHandle(session.api, outputs.empty() ? nullptr : outputs.front());
  return true;
}

std::vector<int64_t> TensorShape(const OrtValue* value) {
  const OrtApi* api = OrtManager::Instance().api;
  if (api == nullptr || value == nullptr) return {};
  TensorTypeAndShapeInfoHandle info(api, nullptr);
  if (DiscardStatus(api, api->GetTensorTypeAndShape(value, info.out())) || !info) return {};
  size_t count = 0;
  if (DiscardStatus(api, api->GetDimensionsCount(info.get(), &count))) count = 0;
  std::vector<int64_t> shape(count);
  if (count > 0 && DiscardStatus(api, api->GetDimensions(info.get(), shape.data(), count))) shape.clear();
  return shape;
}

float* TensorData(OrtValue* value) {
  const OrtApi* api = OrtManager::Instance().api;
  if (api == nullptr || value == nullptr) return nullptr;
  void* data = nullptr;
  if (DiscardStatus(api, api->GetTensorMutableData(value, &data))) return nullptr;
  return static_cast<float*>(data);
}

}  // namespace vesk
