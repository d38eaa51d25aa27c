// Measures how well the worker reads: runs the built worker on screenshots with known text and prints
// per screenshot and in total the character error with lines in order and in any order, the share of
// lines read, upside-down verdicts, wall time and peak memory, and per layout family the cost of the
// reading order when the screenshots name their families. See accuracy_metrics.h for the exact
// definitions and the README's "Benchmarks" section for how to read the tables.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "accuracy_metrics.h"
#include "accuracy_pictures.h"
#include "accuracy_report.h"
#include "devset.h"
#include "report_reader.h"
#include "saved_reorder.h"
#include "worker_process.h"

namespace {

using vesk::bench::PageResult;
using vesk::bench::Screenshot;
using vesk::bench::WorkerConfig;

constexpr const char* kUsage =
    "usage: vesk_accuracy_bench [options] [screenshot.png | folder ...] [-- worker arguments for all]\n"
    "\n"
    "Runs the worker on every screenshot (default: the development set) with --ep=cpu and a viewer that\n"
    "does nothing, and compares the lines of its text report with NAME.txt beside NAME.png.\n"
    "\n"
    "  --config NAME=ARGS  a worker configuration: a column name and its extra worker arguments, split\n"
    "                      at spaces; give it again to compare configurations side by side\n"
    "                      (default: one configuration \"worker\" without extra arguments)\n"
    "  --worker PATH       the worker to run (default: the one built beside this program)\n"
    "  --viewer PATH       the viewer the worker starts (default: a program that does nothing)\n"
    "  --runs N            runs per screenshot and configuration: the fastest time and the largest\n"
    "                      peak memory are shown (default 1)\n"
    "  --json FILE         also write the figures as JSON to FILE\n"
    "  --save DIR          write the lines each configuration read to DIR/CONFIG/NAME.txt and the\n"
    "                      worker's JSON document to DIR/CONFIG/NAME.json\n"
    "  --details           list per screenshot the lines not read, text read that is not there,\n"
    "                      upside-down verdicts and the order in which the lines came\n"
    "  --rows              score the runs of a row of the known text (separated by tabs) as one line\n"
    "                      (default: every run a line of its own)\n"
    "  --per-family N      only the first N screenshots (in name order) of every family\n"
    "  --families          print the table per family only, not the one per screenshot\n"
    "  --draw DIR          draw each screenshot with the boxes read, numbered in the order given:\n"
    "                      DIR/CONFIG/NAME.html, and DIR/index.html\n"
    "  --replay DIR        score the lines an earlier run saved with --save DIR instead of running\n"
    "                      the worker (no time, memory, orientation or boxes)\n"
    "  --reorder NAME      with --replay: take the lines of configuration NAME's saved JSON documents\n"
    "                      (a run with --order=columns, one box a line), put them into the order each\n"
    "                      configuration's --order asks for and join the pieces of a row, as the worker\n"
    "                      would, without running it\n";

struct Options {
  std::vector<WorkerConfig> configs;
  std::vector<std::string> common;
  std::vector<std::filesystem::path> sources;
  std::filesystem::path worker = std::filesystem::path(VESK_BIN_DIR) / "VeskOcrWorker";
  std::filesystem::path viewer = vesk::bench::NoOpProgram();
  std::filesystem::path json;
  std::filesystem::path save;
  std::filesystem::path draw;
  std::filesystem::path replay;
  std::string reorder;  // the saved configuration whose boxes are ordered again; empty: none
  vesk::bench::RowUnit rowUnit = vesk::bench::RowUnit::kRuns;
  int runs = 1;
  int perFamily = 0;  // 0: every screenshot
  bool details = false;
  bool familiesOnly = false;
};

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "vesk_accuracy_bench: %s\n", message.c_str());
  std::exit(2);
}

std::vector<std::string> SplitAtSpaces(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  std::string word;
  while (in >> word) words.push_back(word);
  return words;
}

Options ParseCommandLine(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Fail(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--") {
      options.common.assign(argv + i + 1, argv + argc);
      break;
    }
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (arg == "--config") {
      const std::string config = value();
      const size_t equals = config.find('=');
      if (equals == 0 || equals == std::string::npos) Fail("--config wants NAME=ARGS, got: " + config);
      options.configs.push_back({config.substr(0, equals), SplitAtSpaces(config.substr(equals + 1))});
    } else if (arg == "--worker") {
      options.worker = value();
    } else if (arg == "--viewer") {
      options.viewer = value();
    } else if (arg == "--runs") {
      options.runs = std::atoi(value().c_str());
      if (options.runs < 1) Fail("--runs wants a positive count");
    } else if (arg == "--json") {
      options.json = value();
    } else if (arg == "--save") {
      options.save = value();
    } else if (arg == "--details") {
      options.details = true;
    } else if (arg == "--rows") {
      options.rowUnit = vesk::bench::RowUnit::kRows;
    } else if (arg == "--per-family") {
      options.perFamily = std::atoi(value().c_str());
      if (options.perFamily < 1) Fail("--per-family wants a positive count");
    } else if (arg == "--families") {
      options.familiesOnly = true;
    } else if (arg == "--draw") {
      options.draw = value();
    } else if (arg == "--replay") {
      options.replay = value();
    } else if (arg == "--reorder") {
      options.reorder = value();
    } else if (arg.starts_with("-")) {
      Fail("unknown option " + arg + "\n" + kUsage);
    } else {
      options.sources.emplace_back(arg);
    }
  }
  if (options.configs.empty()) options.configs.push_back({"worker", {}});
  if (options.sources.empty()) options.sources.emplace_back(VESK_DEVSET_DIR);
  if (!options.reorder.empty() && options.replay.empty()) Fail("--reorder needs --replay DIR");
  return options;
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The file in the worker's session folder whose name ends with suffix; empty when there is none.
std::filesystem::path FindSessionFile(const std::filesystem::path& tmpDir, const std::string& suffix) {
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(tmpDir, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() > suffix.size() && name.ends_with(suffix)) return it->path();
  }
  return {};
}

struct RunOutput {
  vesk::bench::ProcessOutcome outcome;
  std::string problem;
  std::vector<std::string> lines;
  std::optional<std::vector<int>> orientations;
  std::optional<std::vector<vesk::bench::LineBox>> boxes;
  std::string json;  // the worker's JSON document; empty when it wrote none
};

// The lines of a saved run's JSON document in the order the configuration asks for.
RunOutput Reorder(const Options& options, const WorkerConfig& config, const Screenshot& shot) {
  RunOutput run;
  const std::filesystem::path path = options.replay / options.reorder / (shot.name + ".json");
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("no saved JSON document for " + shot.name + ": no " + path.string());
  std::ostringstream document;
  document << in.rdbuf();
  const std::optional<std::vector<vesk::OcrLine>> saved = vesk::bench::ParseJsonLines(document.str());
  if (!saved) Fail("cannot read the lines of " + path.string());
  run.orientations.emplace();
  run.boxes.emplace();
  for (const vesk::OcrLine& line :
       vesk::bench::Reorder(*saved, vesk::bench::OrderOfArguments(config.arguments),
                            vesk::bench::ParseJsonPictureSize(document.str()))) {
    run.lines.push_back(line.text);
    run.orientations->push_back(line.orientation);
    vesk::bench::LineBox box{};
    for (size_t k = 0; k < 4; ++k) box[k] = {line.box[k].x, line.box[k].y};
    run.boxes->push_back(box);
  }
  return run;
}

// The lines a run with --save wrote for this configuration and screenshot.
RunOutput Replay(const Options& options, const WorkerConfig& config, const Screenshot& shot) {
  RunOutput run;
  const std::filesystem::path path = options.replay / config.name / (shot.name + ".txt");
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("nothing saved for " + shot.name + " [" + config.name + "]: no " + path.string());
  for (std::string line; std::getline(in, line);) run.lines.push_back(line);
  return run;
}

RunOutput RunOnce(const Options& options, const WorkerConfig& config, const Screenshot& shot) {
  if (!options.reorder.empty()) return Reorder(options, config, shot);
  if (!options.replay.empty()) return Replay(options, config, shot);
  RunOutput run;
  std::string error;
  const std::filesystem::path tmpDir = vesk::bench::MakePrivateFolder(error);
  if (tmpDir.empty()) Fail(error);
  const std::string picture = std::filesystem::absolute(shot.picture).string();
  std::vector<std::string> arguments{picture, options.viewer.string(), picture, "--ep=cpu"};
  arguments.insert(arguments.end(), options.common.begin(), options.common.end());
  arguments.insert(arguments.end(), config.arguments.begin(), config.arguments.end());
  if (!vesk::bench::RunProcess(options.worker, arguments, tmpDir, run.outcome, error)) Fail(error);

  const std::filesystem::path report = FindSessionFile(tmpDir, ".ocr.txt");
  const std::filesystem::path json = FindSessionFile(tmpDir, ".ocr.json");
  const vesk::bench::ReportText text =
      report.empty() ? vesk::bench::ReportText{} : vesk::bench::ParseTextReport(ReadWholeFile(report));
  if (!json.empty()) {
    run.json = ReadWholeFile(json);
    run.orientations = vesk::bench::ParseLineOrientations(run.json);
    if (!options.draw.empty()) run.boxes = vesk::bench::ParseLineBoxes(run.json);
  }
  std::error_code ec;
  std::filesystem::remove_all(tmpDir, ec);

  if (run.outcome.signal != 0) {
    run.problem = "ended by signal " + std::to_string(run.outcome.signal);
  } else if (run.outcome.exitCode != 0) {
    run.problem = "exit code " + std::to_string(run.outcome.exitCode);
    if (text.failed) run.problem += ": " + text.failure;
  } else if (report.empty()) {
    run.problem = "no text report";
  } else if (text.failed || !text.wellFormed) {
    run.problem = text.failed ? "failure report with exit code 0: " + text.failure : "malformed text report";
  } else {
    run.lines = text.lines;
  }
  return run;
}

std::string Show(const std::u32string& line) { return "\"" + vesk::bench::EncodeUtf8(line) + "\""; }

void PrintDetails(const WorkerConfig& config, const Screenshot& shot, const std::vector<std::u32string>& reference,
                  const std::vector<std::u32string>& read, const std::vector<int>& orientationOfRead,
                  const PageResult& result) {
  const std::vector<int>& pair = result.score.pairOfRead;
  std::printf("\n== %s [%s]: %zu of %zu lines read, %zu lines given\n", shot.name.c_str(), config.name.c_str(),
              result.score.linesRead, reference.size(), read.size());
  std::vector<int> readOfReference(reference.size(), -1);
  for (size_t j = 0; j < pair.size(); ++j) {
    if (pair[j] >= 0) readOfReference[static_cast<size_t>(pair[j])] = static_cast<int>(j);
  }
  for (size_t i = 0; i < reference.size(); ++i) {
    const int j = readOfReference[i];
    if (j < 0) {
      std::printf("  missed   %s\n", Show(reference[i]).c_str());
      continue;
    }
    const size_t edits = vesk::bench::EditDistance(reference[i], read[static_cast<size_t>(j)]);
    if (edits * 10 > reference[i].size()) {
      std::printf("  misread  %s\n       as %s (%zu edits)\n", Show(reference[i]).c_str(),
                  Show(read[static_cast<size_t>(j)]).c_str(), edits);
    }
  }
  for (size_t j = 0; j < read.size(); ++j) {
    if (pair[j] < 0) std::printf("  extra    %s\n", Show(read[j]).c_str());
  }
  for (size_t j = 0; j < orientationOfRead.size(); ++j) {
    if (orientationOfRead[j] != 180) continue;
    const bool expected = pair[j] >= 0 && std::find(shot.upsideDown.begin(), shot.upsideDown.end(),
                                                    static_cast<size_t>(pair[j])) != shot.upsideDown.end();
    std::printf("  %s %s\n", expected ? "turned  " : "FLIPPED ", Show(read[j]).c_str());
  }
  // The reference line of every read line in the order given ('?' for text not on the page), so that
  // order errors show as breaks in the count.
  std::printf("  order   ");
  for (size_t j = 0; j < pair.size(); ++j) {
    if (pair[j] < 0) {
      std::printf(" ?");
    } else {
      std::printf(" %d", pair[j]);
    }
  }
  std::printf("\n");
}

PageResult Measure(const Options& options, const WorkerConfig& config, const Screenshot& shot) {
  PageResult result;
  RunOutput first;
  for (int run = 0; run < options.runs; ++run) {
    RunOutput output = RunOnce(options, config, shot);
    result.seconds = run == 0 ? output.outcome.seconds : std::min(result.seconds, output.outcome.seconds);
    result.peakBytes = std::max(result.peakBytes, output.outcome.peakBytes);
    if (run == 0) first = std::move(output);
  }
  result.exitCode = first.outcome.exitCode;
  result.problem = first.problem;

  const std::vector<std::u32string> reference = vesk::bench::NormaliseLines(shot.lines);
  std::vector<size_t> kept;
  const std::vector<std::u32string> read = vesk::bench::NormaliseLines(first.lines, &kept);
  result.score = vesk::bench::ScorePage(reference, read);

  std::vector<int> orientationOfRead;
  result.orientationKnown = first.problem.empty() && first.orientations && first.orientations->size() == first.lines.size();
  if (result.orientationKnown) {
    for (const size_t k : kept) orientationOfRead.push_back((*first.orientations)[k]);
  }
  result.turns = vesk::bench::ScoreTurns(shot.upsideDown, result.score.pairOfRead, orientationOfRead);

  if (!options.save.empty()) {
    const std::filesystem::path folder = options.save / config.name;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::ofstream out(folder / (shot.name + ".txt"), std::ios::binary | std::ios::trunc);
    for (const std::u32string& line : read) out << vesk::bench::EncodeUtf8(line) << '\n';
    if (!first.json.empty()) {
      std::ofstream document(folder / (shot.name + ".json"), std::ios::binary | std::ios::trunc);
      document << first.json;
      if (!document) out.setstate(std::ios::failbit);
    }
    if (!out) Fail("cannot write the lines read to " + folder.string());
  }
  if (options.details) PrintDetails(config, shot, reference, read, orientationOfRead, result);
  if (!options.draw.empty()) {
    // Without a box for every line the picture shows the screenshot and the lines missed only.
    std::vector<vesk::bench::LineBox> boxes;
    if (first.problem.empty() && first.boxes && first.boxes->size() == first.lines.size()) {
      for (const size_t k : kept) boxes.push_back((*first.boxes)[k]);
    }
    std::string error;
    if (!vesk::bench::WriteOrderPicture(options.draw, config.name, shot, {reference, read, boxes, result.score},
                                        error)) {
      Fail(error);
    }
  }
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseCommandLine(argc, argv);
  std::vector<Screenshot> shots;
  std::string error;
  if (!vesk::bench::LoadScreenshots(options.sources, shots, error, options.rowUnit)) Fail(error);
  if (options.perFamily > 0) {
    std::map<std::string, int> taken;
    std::erase_if(shots, [&](const Screenshot& shot) { return ++taken[shot.family] > options.perFamily; });
  }
  if (shots.empty()) Fail("no screenshots with known text found");
  if (options.replay.empty() && !std::filesystem::exists(options.worker)) Fail("no worker at " + options.worker.string());

  std::vector<std::vector<PageResult>> results(options.configs.size());
  for (size_t s = 0; s < shots.size(); ++s) {
    for (size_t c = 0; c < options.configs.size(); ++c) {
      if (!options.details) {
        std::fprintf(stderr, "\r[%zu/%zu] %-40s", s + 1, shots.size(),
                     (shots[s].name + " [" + options.configs[c].name + "]").c_str());
        std::fflush(stderr);
      }
      results[c].push_back(Measure(options, options.configs[c], shots[s]));
    }
  }
  if (!options.details) std::fprintf(stderr, "\r%60s\r", "");
  std::printf("\n");
  const bool families = std::any_of(shots.begin(), shots.end(), [](const Screenshot& s) { return !s.family.empty(); });
  if (!options.familiesOnly || !families) vesk::bench::PrintTable(stdout, shots, options.configs, results);
  if (families) {
    if (!options.familiesOnly) std::printf("\n");
    vesk::bench::PrintFamilyTable(stdout, shots, options.configs, results);
  }
  if (!options.draw.empty() && !vesk::bench::WriteOrderIndex(options.draw, shots, options.configs, results, error)) {
    Fail(error);
  }
  if (!options.json.empty()) {
    std::ofstream out(options.json, std::ios::binary | std::ios::trunc);
    out << vesk::bench::SummaryJson(shots, options.configs, results);
    if (!out) Fail("cannot write " + options.json.string());
  }
  return 0;
}
