#pragma once

#include "core/status.h"

namespace vesk {

// The process exit code; each failing stage has its own.
enum class ExitCode : int {
  Success = 0,
  InvalidArguments = 1,
  ImageFailed = 2,
  ModelSetupFailed = 3,
  RecognitionFailed = 4,
  ViewerLaunchFailed = 5,
  OutputWriteFailed = 6,
};

// The one table from what failed to the code the process ends with.
constexpr ExitCode ExitCodeFor(FailureKind kind) {
  switch (kind) {
    case FailureKind::None: return ExitCode::Success;
    case FailureKind::ImageFailed: return ExitCode::ImageFailed;
    case FailureKind::ModelSetup: return ExitCode::ModelSetupFailed;
    case FailureKind::ModelCall: return ExitCode::RecognitionFailed;
    case FailureKind::Recognition: return ExitCode::RecognitionFailed;
    case FailureKind::ViewerLaunch: return ExitCode::ViewerLaunchFailed;
    case FailureKind::OutputWrite: return ExitCode::OutputWriteFailed;
    case FailureKind::Unexpected: return ExitCode::RecognitionFailed;
  }
  return ExitCode::RecognitionFailed;
}

}  // namespace vesk
