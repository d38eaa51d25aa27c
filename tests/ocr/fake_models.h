#pragma once
// Stand-ins for the inference runtime: models whose outputs the test decides, and an opener that
// records which model it was asked to open on which device and refuses what the test says. By default
// the models read one line, "c0", across the middle of any picture.

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "ocr/ocr_engine.h"
#include "platform/text.h"
#include "runtime/model.h"
#include "runtime/model_opener.h"
#include "support/temp_dir.h"

namespace vesk::test {

// `values` laid out as `shape`, as a model gives them.
inline ModelOutput Output(std::vector<int64_t> shape, std::vector<float> values) {
  const auto owned = std::make_shared<const std::vector<float>>(std::move(values));
  return ModelOutput(std::move(shape), owned->data(), owned);
}

using RunFunction = std::function<Outcome<ModelOutput>(const InputShape&)>;

// Runs `run`, which must then be safe to call from several threads, `parallelRuns` calls at once.
class FakeModel : public Model {
 public:
  explicit FakeModel(RunFunction run, int32_t parallelRuns = 1) : run_(std::move(run)), parallelRuns_(parallelRuns) {}
  Outcome<ModelOutput> Run(std::span<float>, const InputShape& shape) override { return run_(shape); }
  int32_t parallelRuns() const override { return parallelRuns_; }

 private:
  RunFunction run_;
  int32_t parallelRuns_;
};

// Detection: a probability map with one line of text across the middle of the input.
inline Outcome<ModelOutput> OneLineMap(const InputShape& shape) {
  const int64_t h = shape[2];
  const int64_t w = shape[3];
  std::vector<float> map(static_cast<size_t>(h * w), 0.0f);
  for (int64_t y = h / 3; y < h * 2 / 3; ++y) {
    for (int64_t x = w / 8; x < w * 7 / 8; ++x) map[static_cast<size_t>(y * w + x)] = 1.0f;
  }
  return Output({1, 1, h, w}, std::move(map));
}

// Orientation: every line upside down (or upright).
inline RunFunction Turned(bool upsideDown) {
  return [upsideDown](const InputShape& shape) -> Outcome<ModelOutput> {
    std::vector<float> values;
    const float upright = upsideDown ? 0.1f : 0.9f;
    for (int64_t i = 0; i < shape[0]; ++i) values.insert(values.end(), {upright, 1.0f - upright});
    return Output({shape[0], 2}, std::move(values));
  };
}

// Recognition: every line reads as class 1, the dictionary's first line, out of `classes` classes.
inline RunFunction FirstClass(int64_t classes = 2) {
  return [classes](const InputShape& shape) -> Outcome<ModelOutput> {
    std::vector<float> values;
    for (int64_t i = 0; i < shape[0]; ++i) {
      for (int64_t step = 0; step < 2; ++step) {
        for (int64_t c = 0; c < classes; ++c) values.push_back(c == (step == 0 ? 1 : 0) ? 1.0f : 0.0f);
      }
    }
    return Output({shape[0], 2, classes}, std::move(values));
  };
}

inline RunFunction Failing(FailureKind kind, std::string message) {
  return [kind, message](const InputShape&) -> Outcome<ModelOutput> { return Status::Failure(kind, message); };
}

// The model files are named "det", "cls" and "rec"; a model is told by that name and its device.
using ModelOnDevice = std::pair<std::string, Device>;

class FakeOpener : public ModelOpener {
 public:
  // Opens that are refused, with the lines the refusal reports.
  std::map<ModelOnDevice, std::string> refusals;
  // How the models run where the default pipeline will not do.
  std::map<ModelOnDevice, RunFunction> runs;
  // Every open asked for, in order.
  std::vector<ModelOnDevice> opened;
  // How many calls the models it opens take at once.
  int32_t parallelRuns = 1;

  // Safe to call from several threads, as the engine may.
  Outcome<std::unique_ptr<Model>> Open(const ModelFile& file, Device device) override {
    const ModelOnDevice model{std::filesystem::path(ToUtf8(file.path)).stem().string(), device};
    const std::lock_guard<std::mutex> guard(mutex_);
    opened.push_back(model);
    if (const auto refusal = refusals.find(model); refusal != refusals.end()) {
      return Status::Failure(FailureKind::ModelSetup, refusal->second);
    }
    const auto run = runs.find(model);
    RunFunction behaviour = run != runs.end()   ? run->second
                            : model.first == "det" ? RunFunction(OneLineMap)
                            : model.first == "cls" ? Turned(false)
                                                   : FirstClass();
    return std::unique_ptr<Model>(std::make_unique<FakeModel>(std::move(behaviour), parallelRuns));
  }

 private:
  std::mutex mutex_;
};

// A models folder whose model files only exist (a fake opener never reads them) and whose dictionary
// has the fewest lines accepted: "c0", "c1", ...
inline ModelPaths WriteFakeModels(const std::filesystem::path& folder) {
  std::string dictionary;
  for (size_t i = 0; i < kMinDictionaryLines; ++i) dictionary += "c" + std::to_string(i) + "\n";
  WriteFile(folder / "dict.txt", dictionary);
  for (const char* name : {"det.onnx", "cls.onnx", "rec.onnx"}) WriteFile(folder / name, "fake");
  const auto path = [&](const char* name) { return FromUtf8((folder / name).string()); };
  return {path("det.onnx"), path("cls.onnx"), path("rec.onnx"), path("dict.txt")};
}

// A blank screenshot; the fake detector finds its line anyway.
inline DecodedImage BlankImage(int32_t width = 128, int32_t height = 64) {
  return {width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3, 255)};
}

}  // namespace vesk::test
