#pragma once
// How the engine is set up for one run: where its models run, the model set's own settings and where
// stage times go.

#include "ocr/execution_provider.h"
#include "ocr/model_profile.h"
#include "platform/timeline.h"

namespace vesk {

struct EngineSettings {
  ExecutionProvider provider = ExecutionProvider::Auto;
  ForceDmlFail dmlFault = ForceDmlFail::None;
  // Without it the orientation session is not made (its file is still required), for runs that will
  // not classify orientation.
  bool withOrientation = true;
  // Whether the models that go to the CPU are opened on two threads (detection on one, orientation and
  // recognition on the other) rather than one after another; the outcome, its messages and the run
  // log's entries are the same either way.
  bool openSideBySide = true;
  ModelProfile profile;          // the defaults when the model set has none
  Timeline* timeline = nullptr;  // where set-up and the pass note their stage times, if anywhere
};

}  // namespace vesk
