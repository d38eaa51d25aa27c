#include "app/run_worker.h"

#include <future>
#include <map>
#include <string>
#include <vector>

#include "app/console.h"
#include "app/report_failure.h"
#include "app/run_log.h"
#include "imaging/barcode_scan.h"
#include "imaging/image_decoder.h"
#include "integrity/manifest.h"
#include "ocr/model_profile.h"
#include "ocr/ocr_engine.h"
#include "core/records.h"
#include "output/result_meta.h"
#include "output/result_json.h"
#include "output/text_report.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"
#include "runtime/ort_manager.h"
#include "session/atomic_file.h"
#include "session/view_lock.h"
#include "session/viewer_launch.h"

namespace vesk {
namespace {

constexpr char16_t kDetModelFile[] = u"PP-OCRv5_server_det.onnx";
constexpr char16_t kClsModelFile[] = u"PP-LCNet_x1_0_textline_ori.onnx";
constexpr char16_t kRecModelFile[] = u"PP-OCRv5_server_rec.onnx";
constexpr char16_t kDictionaryFile[] = u"ppocrv5_dict.txt";

// The version of the inference library the worker is built for; the loaded library is not asked.
constexpr char kRuntimeVersion[] = "1.22.1";

std::string CompletionLine(size_t lineCount, size_t barcodeCount, int64_t elapsedMs, const OcrResult& result) {
  std::string line = "Completed: " + std::to_string(lineCount) + " lines, " + std::to_string(barcodeCount) +
                     " barcodes in " + std::to_string(elapsedMs) + " ms, EP=" + result.ep;
  if (!result.fallback.empty()) line += " (Fallback: " + result.fallback + ")";
  return line;
}

// What the screenshot gave: its pixels and, when asked for, the symbols in it.
struct ScreenshotReading {
  DecodedImage image;
  bool decoded = false;
  std::u16string decodeError;
  std::vector<BarcodeResult> barcodes;
  bool scanned = true;
  std::string scanError;
};

ScreenshotReading ReadScreenshot(const RunOptions& options, Timeline* timeline) {
  ScreenshotReading reading;
  TimedStage decoding(timeline, "decode");
  reading.decoded = DecodeImage(options.screenshotPath, reading.image, reading.decodeError);
  decoding.Stop();
  if (!reading.decoded || !options.scanBarcodes) return reading;
  TimedStage scanning(timeline, "barcodes");
  reading.scanned = ScanBarcodes(reading.image, reading.barcodes, reading.scanError);
  return reading;
}

// The profile is checked like a model file whenever it is there, and also when the manifest pins it
// but it is gone: a pinned profile that went missing is a damaged model set, not one without a profile.
bool ProfileToBeChecked(const std::u16string& modelsDir) {
  if (GetPathKind(JoinPath(modelsDir, kModelProfileFile)) != PathKind::Missing) return true;
  std::map<std::string, std::string> entries;
  ReadSha256Sums(JoinPath(modelsDir, u"SHA256SUMS"), entries);
  return entries.count(AsciiLower(ToUtf8(kModelProfileFile))) > 0;
}

}  // namespace

ExitCode RunWorker(const RunOptions& options, const SessionPaths& paths, std::chrono::steady_clock::time_point start,
                   Timeline* timeline) {
  const auto fail = [&](const std::string& message, ExitCode code) {
    return ReportFailure(paths, message, code, options.console);
  };

  TimedStage cleaning(timeline, "clean session files");
  DeleteSessionFiles(paths);
  SweepStaleSessionFiles(paths.folder);
  cleaning.Stop();

  TimedStage launching(timeline, "viewer launch");
  const bool launched = LaunchViewer(options.viewerExePath, paths.textPath, options.waitTimeoutMs);
  launching.Stop();
  if (!launched) {
    return fail("Failed to launch VeskViewer: " + ToUtf8(options.viewerExePath), ExitCode::ViewerLaunchFailed);
  }

  if (GetPathKind(options.screenshotPath) != PathKind::File) {
    return fail("Screenshot image does not exist: " + ToUtf8(options.screenshotPath), ExitCode::ImageFailed);
  }

  // Decoding and the barcode scan need nothing of the models, and engine set-up keeps one core busy
  // at most: they run beside the model check and set-up. Their outcome is only looked at where the run
  // would have produced it, so failures, log entries and exit codes come in the same order. When no
  // thread can be had, the reading is deferred to that point.
  std::future<ScreenshotReading> screenshot =
      std::async(std::launch::async | std::launch::deferred, ReadScreenshot, std::cref(options), timeline);

  const std::u16string exeDir = ExecutableDirectory();
  const std::u16string backendDir = JoinPath(exeDir, u"backend");
  const std::u16string modelsDir = JoinPath(exeDir, u"models");
  const ModelPaths modelPaths{JoinPath(modelsDir, kDetModelFile), JoinPath(modelsDir, kClsModelFile),
                              JoinPath(modelsDir, kRecModelFile), JoinPath(modelsDir, kDictionaryFile)};

  std::vector<std::u16string> checkedFiles{kDetModelFile, kRecModelFile, kClsModelFile, kDictionaryFile};
  if (ProfileToBeChecked(modelsDir)) checkedFiles.push_back(kModelProfileFile);
  std::string report;
  TimedStage checking(timeline, "model check");
  const bool verified = VerifyModels(modelsDir, checkedFiles, report);
  checking.Stop();
  if (!report.empty()) RunLog::AppendLine(paths.logPath, report);
  if (!verified) return fail("Model verification failed:\n" + report, ExitCode::ModelSetupFailed);

  const Outcome<ModelProfile> loadedProfile = LoadModelProfile(modelsDir);
  if (!loadedProfile.ok()) {
    return fail("Model profile rejected: " + loadedProfile.status().message(), ExitCode::ModelSetupFailed);
  }
  const ModelProfile& profile = *loadedProfile;
  RunLog::AppendLine(paths.logPath, "Model profile: " + (profile.name.empty() ? "no profile" : profile.name));

  // The runtime's own complaints (memory pressure, a failing operator) belong in the run log, and on
  // the console only when there is one.
  OrtManager::Instance().SetLogSink([logPath = paths.logPath, console = options.console](std::string_view line) {
    RunLog::AppendLine(logPath, line);
    if (console) WriteErrorLine(line);
  });
  TimedStage loading(timeline, "setup: runtime library");
  const Status loaded = OrtManager::Instance().Initialize(backendDir);
  loading.Stop();
  if (!loaded.ok()) {
    return fail("ONNX Runtime DLL initialization failed: " + loaded.message(), ExitCode::ModelSetupFailed);
  }

  OcrEngine engine;
  EngineSettings engineSettings;
  engineSettings.provider = options.executionProvider;
  engineSettings.dmlFault = options.forceDmlFail == ForceDmlFail::Init  ? DmlFault::Init
                            : options.forceDmlFail == ForceDmlFail::Run ? DmlFault::Run
                                                                        : DmlFault::None;
  engineSettings.withOrientation = options.classifyOrientation;
  engineSettings.profile = profile;
  engineSettings.timeline = timeline;
  if (const Status setup = engine.Initialize(modelPaths, engineSettings); !setup.ok()) {
    return fail("Model initialization failed:\n" + setup.message(), ExitCode::ModelSetupFailed);
  }

  ScreenshotReading reading = screenshot.get();
  if (!reading.decoded) {
    return fail("Image decoding failed: " + ToUtf8(reading.decodeError), ExitCode::ImageFailed);
  }
  const DecodedImage& image = reading.image;
  std::vector<BarcodeResult>& barcodes = reading.barcodes;
  if (!reading.scanned) {
    RunLog::AppendLine(paths.logPath, "Barcode scan skipped: " + reading.scanError);
    barcodes.clear();
  }

  OcrOptions ocrOptions;
  ocrOptions.classifyOrientation = options.classifyOrientation;
  ocrOptions.maxSide = options.maxSide;
  ocrOptions.order = options.readingOrder;
  ocrOptions.batching = profile.batching;
  const Outcome<OcrResult> recognized = engine.Recognize(image, ocrOptions);
  if (!recognized.ok()) {
    return fail("OCR recognition failed: " + recognized.status().message(), ExitCode::RecognitionFailed);
  }
  const OcrResult& result = *recognized;

  const int64_t elapsedMs =
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count() /
      1'000'000;

  ResultMeta meta;
  meta.sourceImage = ToUtf8(options.screenshotPath);
  meta.imageWidth = image.width;
  meta.imageHeight = image.height;
  meta.detModel = "PP-OCRv5_server_det";
  meta.recModel = "PP-OCRv5_server_rec";
  meta.clsModel = "PP-LCNet_x1_0_textline_ori";
  meta.runtimeVersion = kRuntimeVersion;
  meta.executionProviderName = result.ep;
  meta.fallbackUsed = !result.fallback.empty();
  meta.barcodesEnabled = options.scanBarcodes;
  meta.elapsedMs = elapsedMs;

  bool jsonWritten = false;
  bool textWritten = false;
  {
    // Both files move into place within one hold of the view's lock, so that no other run's file comes
    // between them (see view_lock.h). The lock is let go before a failure is reported, which takes it
    // again.
    TimedStage writing(timeline, "write results");
    const ViewLock lock(paths);
    jsonWritten = WriteResultJson(paths.jsonPath, meta, result.lines, barcodes);
    textWritten = jsonWritten && WriteTextReport(paths.textPath, result.lines, barcodes);
  }
  if (!jsonWritten) {
    return fail("Failed to write json output: " + ToUtf8(paths.jsonPath), ExitCode::OutputWriteFailed);
  }
  if (!textWritten) {
    return fail("Failed to write text output: " + ToUtf8(paths.textPath), ExitCode::OutputWriteFailed);
  }

  const std::string completion = CompletionLine(result.lines.size(), barcodes.size(), elapsedMs, result);
  RunLog::AppendLine(paths.logPath, completion);
  if (options.console) WriteOutputLine(completion);
  return ExitCode::Success;
}

}  // namespace vesk
