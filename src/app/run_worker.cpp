#include "app/run_worker.h"

#include <chrono>
#include <cstdint>
#include <future>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/engine_setup.h"
#include "app/report_folder.h"
#include "app/report_failure.h"
#include "app/run_context.h"
#include "app/run_results.h"
#include "core/decoded_image.h"
#include "core/records.h"
#include "core/status.h"
#include "imaging/barcode_scan.h"
#include "imaging/image_decoder.h"
#include "imaging/image_limits.h"
#include "ocr/ocr_engine.h"
#include "platform/files.h"
#include "platform/text.h"
#include "session/viewer_launch.h"

namespace vesk {
namespace {

// The screenshot's pixels and, when asked for, the symbols in it.
struct Screenshot {
  DecodedImage image;
  Outcome<std::vector<BarcodeResult>> barcodes;
};

// The barcode scan works on a grey copy of the picture and a byte a pixel of its black and white
// version. From this size on, that beside the picture and the loaded models would take the run past
// its memory bound, so such a picture is scanned before the engine is set up rather than beside it.
constexpr uint64_t kScanBeforeSetUpPixels = kMaxImagePixels / 2;

// Lets the set-up start, once; at the latest when the reading ends, however it ends.
class SetUpRelease {
 public:
  explicit SetUpRelease(std::promise<void>& setUpMayStart) : setUpMayStart_(setUpMayStart) {}
  SetUpRelease(const SetUpRelease&) = delete;
  SetUpRelease& operator=(const SetUpRelease&) = delete;
  ~SetUpRelease() { Release(); }
  void Release() {
    if (released_) return;
    released_ = true;
    setUpMayStart_.set_value();
  }

 private:
  std::promise<void>& setUpMayStart_;
  bool released_ = false;
};

Outcome<Screenshot> DecodeAndScan(const RunOptions& options, Timeline* timeline, std::promise<void>& setUpMayStart) {
  SetUpRelease release(setUpMayStart);
  if (!options.scanBarcodes) release.Release();
  const auto sizeKnown = [&](int32_t width, int32_t height) {
    if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) < kScanBeforeSetUpPixels) release.Release();
  };
  Outcome<DecodedImage> image =
      Timed(timeline, "decode", [&] { return DecodeImage(options.screenshotPath, sizeKnown); });
  if (!image.ok()) return image.status();
  if (!options.scanBarcodes) return Screenshot{std::move(*image), std::vector<BarcodeResult>{}};
  Outcome<std::vector<BarcodeResult>> barcodes = Timed(timeline, "barcodes", [&] { return ScanBarcodes(*image); });
  return Screenshot{std::move(*image), std::move(barcodes)};
}

// What the steps build that must outlast them until the run's outcome is reported: a failure is
// reported before the engine is torn down.
struct RunState {
  std::optional<PreparedFailureReport> prepared;  // the failure report made ready before the viewer starts
  OcrEngine engine;
};

// Step 1: settle a folder that can hold this run's report (which may move the run's paths, run.paths
// among them, to another folder) and start the viewer on the report to come.
Status HandOffToViewer(const RunContext& run, SessionPaths& paths, RunState& state) {
  if (Status settled = SettleReportFolder(paths, state.prepared, run.options.console, run.timeline); !settled.ok()) {
    return settled;
  }
  const bool launched = Timed(run.timeline, "viewer launch", [&] {
    return LaunchViewer(run.options.viewerExePath, run.paths.textPath, run.options.waitTimeoutMs);
  });
  if (launched) return {};
  const std::string viewer = ToUtf8(run.options.viewerExePath);
  return Status::Failure(FailureKind::ViewerLaunch, "Failed to launch VeskViewer: " + viewer);
}

Status CheckScreenshotExists(const RunOptions& options) {
  if (GetPathKind(options.screenshotPath) == PathKind::File) return {};
  const std::string screenshot = ToUtf8(options.screenshotPath);
  return Status::Failure(FailureKind::ImageFailed, "Screenshot image does not exist: " + screenshot);
}

// A failed scan costs only the symbols: it is logged and the run goes on without them.
std::vector<BarcodeResult> BarcodesOf(const RunContext& run, Outcome<std::vector<BarcodeResult>>& scanned) {
  if (scanned.ok()) return std::move(*scanned);
  run.Log("Barcode scan skipped: " + scanned.status().message());
  return {};
}

Outcome<OcrResult> RecognizeText(const RunContext& run, OcrEngine& engine, const DecodedImage& image) {
  OcrOptions options;
  options.classifyOrientation = run.options.classifyOrientation;
  options.maxSide = run.options.maxSide;
  // The command line wins over the deployment's default in the profile.
  options.order = run.options.readingOrder.value_or(engine.profile().readingOrder);
  options.batching = engine.profile().batching;
  Outcome<OcrResult> result = engine.Recognize(image, options);
  if (!result.ok()) return result.status().WithPrefix("OCR recognition failed: ");
  return result;
}

int64_t MillisecondsSince(std::chrono::steady_clock::time_point start) {
  const auto elapsed = std::chrono::steady_clock::now() - start;
  return std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count() / 1'000'000;
}

// Step 3: the text of the screenshot whose pixels and symbols were read beside the set-up.
Outcome<RunResults> ReadScreenshot(const RunContext& run, OcrEngine& engine, Outcome<Screenshot>& screenshot) {
  if (!screenshot.ok()) return screenshot.status().WithPrefix("Image decoding failed: ");
  RunResults results;
  results.imageWidth = screenshot->image.width;
  results.imageHeight = screenshot->image.height;
  results.barcodes = BarcodesOf(run, screenshot->barcodes);
  Outcome<OcrResult> text = RecognizeText(run, engine, screenshot->image);
  if (!text.ok()) return text.status();
  results.text = std::move(*text);
  results.elapsedMs = MillisecondsSince(run.start);
  return results;
}

// The steps of a run in order: hand off to the viewer, set up the engine while the screenshot is read
// beside it, read the screenshot's text, write the results. The first that fails ends the run.
Status RunSteps(const RunContext& run, SessionPaths& paths, RunState& state) {
  if (Status handedOff = HandOffToViewer(run, paths, state); !handedOff.ok()) return handedOff;
  if (Status found = CheckScreenshotExists(run.options); !found.ok()) return found;
  // Decoding and the barcode scan need nothing of the models, and engine set-up keeps one core busy
  // at most: the set-up runs on a thread of its own beside them (after the scan of a very large
  // picture). The screenshot is read on this thread because the barcode reader keeps buffers per
  // thread, and in the Windows build the storage of a thread's variables is released before their
  // destructors run when the thread ends: on a helper thread, ending freed memory that may already
  // belong to this one. The set-up's outcome is looked at first, so failures, log entries and exit
  // codes come in the order of the steps. When no thread can be had, the set-up runs after the reading.
  std::promise<void> setUpMayStart;
  std::future<Status> setUp = std::async(std::launch::async | std::launch::deferred, [&] {
    setUpMayStart.get_future().wait();
    return SetUpEngine(run, state.engine);
  });
  Outcome<Screenshot> screenshot = DecodeAndScan(run.options, run.timeline, setUpMayStart);
  if (Status setUpDone = setUp.get(); !setUpDone.ok()) return setUpDone;
  Outcome<RunResults> results = ReadScreenshot(run, state.engine, screenshot);
  if (!results.ok()) return results.status();
  if (Status written = WriteResults(run, *results); !written.ok()) return written;
  ReportCompletion(run, *results);
  return {};
}

}  // namespace

ExitCode RunWorker(const RunOptions& options, SessionPaths& paths, std::chrono::steady_clock::time_point start,
                   Timeline* timeline) {
  const RunContext run{options, paths, start, timeline};
  RunState state;
  const Status outcome = RunSteps(run, paths, state);
  if (!outcome.ok()) {
    PreparedFailureReport* prepared = state.prepared ? &*state.prepared : nullptr;
    return ReportFailure(paths, outcome, options.console, prepared);
  }
  return ExitCode::Success;
}

}  // namespace vesk
