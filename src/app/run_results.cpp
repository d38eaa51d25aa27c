#include "app/run_results.h"

#include <string>
#include <string_view>

#include "app/console.h"
#include "output/result_json.h"
#include "output/result_meta.h"
#include "output/text_report.h"
#include "platform/text.h"
#include "session/view_lock.h"

namespace vesk {
namespace {

// The version of the inference library the worker is built for; the loaded library is not asked.
constexpr char kRuntimeVersion[] = "1.22.1";

ResultMeta MetaFor(const RunOptions& options, const RunResults& results) {
  ResultMeta meta;
  meta.sourceImage = ToUtf8(options.screenshotPath);
  meta.imageWidth = results.imageWidth;
  meta.imageHeight = results.imageHeight;
  meta.detModel = "PP-OCRv5_server_det";
  meta.recModel = "PP-OCRv5_server_rec";
  meta.clsModel = "PP-LCNet_x1_0_textline_ori";
  meta.runtimeVersion = kRuntimeVersion;
  meta.executionProviderName = results.text.ep;
  meta.fallbackUsed = !results.text.fallback.empty();
  meta.barcodesEnabled = options.scanBarcodes;
  meta.elapsedMs = results.elapsedMs;
  return meta;
}

Status OutputFailure(std::string_view message, const std::u16string& path) {
  return Status::Failure(FailureKind::OutputWrite, std::string(message) + ToUtf8(path));
}

}  // namespace

Status WriteResults(const RunContext& run, const RunResults& results) {
  const ResultMeta meta = MetaFor(run.options, results);
  const std::vector<OcrLine>& lines = results.text.lines;
  // Both files move into place within one hold of the view's lock, so that no other run's file comes
  // between them (see view_lock.h). The lock is let go before a failure is reported, which takes it
  // again.
  const TimedStage writing(run.timeline, "write results");
  const ViewLock lock(run.paths);
  if (!WriteResultJson(run.paths.jsonPath, meta, lines, results.barcodes)) {
    return OutputFailure("Failed to write json output: ", run.paths.jsonPath);
  }
  if (!WriteTextReport(run.paths.textPath, lines, results.barcodes)) {
    return OutputFailure("Failed to write text output: ", run.paths.textPath);
  }
  return {};
}

void ReportCompletion(const RunContext& run, const RunResults& results) {
  std::string line = "Completed: " + std::to_string(results.text.lines.size()) + " lines, " +
                     std::to_string(results.barcodes.size()) + " barcodes in " + std::to_string(results.elapsedMs) +
                     " ms, EP=" + results.text.ep;
  if (!results.text.fallback.empty()) line += " (Fallback: " + results.text.fallback + ")";
  run.Log(line);
  if (run.options.console) WriteOutputLine(line);
}

}  // namespace vesk
