#pragma once
// The second step of a run: check the model files, load the inference runtime and set up the engine.

#include "app/run_context.h"
#include "core/status.h"
#include "ocr/ocr_engine.h"

namespace vesk {

// Verifies the models beside the worker against their manifest (the report goes into the run log),
// reads their profile, loads the runtime from backend/ and sets up engine on the models. The first
// of these that fails ends the step, with a failure of kind ModelSetup.
Status SetUpEngine(const RunContext& run, OcrEngine& engine);

}  // namespace vesk
