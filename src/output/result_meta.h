#pragma once
// Document-level facts of one run, filled by the run and written into the JSON document.

#include <cstdint>
#include <string>

namespace vesk {

struct ResultMeta {
  std::string sourceImage;
  int32_t imageWidth = 0;
  int32_t imageHeight = 0;
  std::string detModel;
  std::string recModel;
  std::string clsModel;
  std::string runtimeVersion;
  std::string executionProviderName;  // "dml" or "cpu"
  bool fallbackUsed = false;
  bool barcodesEnabled = false;
  int64_t elapsedMs = 0;
};

}  // namespace vesk
