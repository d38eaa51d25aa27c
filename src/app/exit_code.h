#pragma once

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

}  // namespace vesk
