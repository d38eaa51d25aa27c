#pragma once
// Opening a model file on a device: the runtime does it for the worker, a fake for the tests of the
// fallbacks.

#include <memory>
#include <string>

#include "core/status.h"
#include "runtime/model.h"

namespace vesk {

// A model file, and the name its output goes by when the file cannot tell its names.
struct ModelFile {
  std::u16string path;
  std::string defaultOutput;
  // Whether its calls are small enough that the cores are better used by several calls at once, one
  // thread each, than by one call at a time spread over all of them (which spends much of a small
  // call synchronising its threads). Only a CPU session runs calls side by side.
  bool sideBySide = false;
  // Whether the model takes its working memory from the system for each call and gives it back at
  // the end of the call, rather than keeping a pool that grows to its largest call: for a model whose
  // inputs are large and come one after another (detection tiles), so that the pool's peak does not
  // add to that of the steps after it.
  bool releaseMemoryAfterRun = false;
};

class ModelOpener {
 public:
  virtual ~ModelOpener() = default;

  // The model of `file`, on `device`. A failure (FailureKind::ModelSetup) carries the diagnostic
  // lines, each ending in "\n". The engine may open two CPU models at once, from two threads.
  virtual Outcome<std::unique_ptr<Model>> Open(const ModelFile& file, Device device) = 0;
};

}  // namespace vesk
