#include "runtime/tensor.h"

#include "runtime/ort_manager.h"

namespace vesk {

OrtValueHandle CreateInputTensor(std::span<float> data, const InputShape& shape) {
  const OrtManager& manager = OrtManager::Instance();
  const OrtApi* api = manager.api;
  OrtValueHandle value(api, nullptr);
  if (api == nullptr || manager.cpuMemoryInfo == nullptr) return value;
  if (DiscardStatus(api, api->CreateTensorWithDataAsOrtValue(manager.cpuMemoryInfo, data.data(), data.size_bytes(),
                                                             shape.data(), shape.size(),
                                                             ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT, value.out()))) {
    value.reset();
  }
  return value;
}

std::optional<std::vector<int64_t>> TensorShape(const OrtValue* value) {
  const OrtApi* api = OrtManager::Instance().api;
  if (api == nullptr || value == nullptr) return std::nullopt;
  TensorTypeAndShapeInfoHandle info(api, nullptr);
  if (DiscardStatus(api, api->GetTensorTypeAndShape(value, info.out())) || !info) return std::nullopt;
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
