// Shows where the time of a worker run goes: runs the built worker as a process on each screenshot and
// prints the wall time of the whole run (process start to exit, set-up included), the set-up, the summed
// calls of each model, everything else, the sum of the model calls (the floor that a faster pipeline cannot
// beat with these models on this machine), the ratio of the wall time to model calls plus set-up, the
// processor time of the run spread over the machine's cores (the wall time no schedule can beat without
// less work), and the peak memory. The worker reports its stage times through --timeline.
//
//   vesk_ocr_bench [--runs N] [--pause S] [--worker PATH] [--details] [screenshot.png | folder ...]
//                  [-- worker args]
//
// Without screenshots it reads the development set of the accuracy benchmark. Each screenshot is run N
// times (default 3) and the fastest run is shown, with the largest peak memory of all runs: timings on a
// shared machine are noisy upwards only.
//
// Runs back to back find the memory the last one gave back still at hand. A user presses the button
// seconds apart, by when the system (on a virtual machine, its host) has taken that memory back, and every
// page a run touches must be fetched and zeroed afresh: --pause waits S seconds before each run to
// measure that.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "report_reader.h"
#include "worker_process.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: vesk_ocr_bench [--runs N] [--pause S] [--worker PATH] [--details] [screenshot | folder ...]\n"
    "                      [-- worker args]\n"
    "\n"
    "Runs the worker (--ep=cpu, a viewer that does nothing) on every screenshot (default: every PNG of the\n"
    "development set) and prints where the time of the whole run went. Times in ms, the fastest of N runs\n"
    "(default 3); peak memory in MiB, the largest of them. --details lists every stage of that run.\n"
    "--pause waits S seconds (fractions allowed) before each run, so that it starts on fresh memory.\n";

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "vesk_ocr_bench: %s\n", message.c_str());
  std::exit(2);
}

struct Options {
  std::vector<fs::path> pictures;
  std::vector<std::string> workerArguments;
  fs::path worker = fs::path(VESK_BIN_DIR) / "VeskOcrWorker";
  int runs = 3;
  double pauseSeconds = 0;
  bool details = false;
};

Options ParseCommandLine(int argc, char** argv) {
  Options options;
  std::vector<fs::path> sources;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") {
      options.workerArguments.assign(argv + i + 1, argv + argc);
      break;
    }
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (arg == "--runs" && i + 1 < argc) {
      options.runs = std::atoi(argv[++i]);
      if (options.runs < 1) Fail("--runs wants a positive count");
    } else if (arg == "--pause" && i + 1 < argc) {
      char* end = nullptr;
      options.pauseSeconds = std::strtod(argv[++i], &end);
      if (*end != '\0' || !(options.pauseSeconds >= 0 && options.pauseSeconds <= 600)) {
        Fail("--pause wants seconds from 0 to 600");
      }
    } else if (arg == "--worker" && i + 1 < argc) {
      options.worker = argv[++i];
    } else if (arg == "--details") {
      options.details = true;
    } else if (arg.starts_with("-")) {
      Fail("unknown option " + arg + "\n" + kUsage);
    } else {
      sources.emplace_back(arg);
    }
  }
  if (sources.empty()) sources.emplace_back(VESK_DEVSET_DIR);
  for (const fs::path& source : sources) {
    if (!fs::is_directory(source)) {
      options.pictures.push_back(source);
      continue;
    }
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(source)) {
      if (entry.path().extension() == ".png") found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    options.pictures.insert(options.pictures.end(), found.begin(), found.end());
  }
  return options;
}

// The stages of one run as the worker's timeline gives them, summed per name (a stage that runs once per
// line appears once a line), and the moment the timeline was written.
struct Timeline {
  std::vector<std::pair<std::string, double>> stages;  // in order of first appearance, ms
  double endMs = 0;
  double StartingWith(const std::string& prefix) const {
    double sum = 0;
    for (const auto& [name, ms] : stages) {
      if (name.starts_with(prefix)) sum += ms;
    }
    return sum;
  }
};

bool ParseTimeline(const std::string& text, Timeline& timeline) {
  std::istringstream in(text);
  std::string line;
  bool ended = false;
  while (std::getline(in, line)) {
    const size_t tab1 = line.find('\t');
    const size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string::npos) return false;
    const std::string name = line.substr(0, tab1);
    const double beginMs = std::atof(line.c_str() + tab1 + 1) / 1000.0;
    const double ms = std::atof(line.c_str() + tab2 + 1) / 1000.0;
    if (name == "end") {
      timeline.endMs = beginMs;
      ended = true;
      continue;
    }
    auto it = std::find_if(timeline.stages.begin(), timeline.stages.end(),
                           [&](const auto& stage) { return stage.first == name; });
    if (it == timeline.stages.end()) {
      timeline.stages.emplace_back(name, ms);
    } else {
      it->second += ms;
    }
  }
  return ended;
}

std::string ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

fs::path FindFile(const fs::path& folder, const std::string& suffix) {
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->path().filename().string().ends_with(suffix)) return it->path();
  }
  return {};
}

struct Run {
  double wallMs = 0;
  double cpuMs = 0;
  int64_t peakBytes = 0;
  size_t lines = 0;
  Timeline timeline;
};

Run RunOnce(const Options& options, const fs::path& picture) {
  std::string error;
  const fs::path tmpDir = vesk::bench::MakePrivateFolder(error);
  if (tmpDir.empty()) Fail(error);
  const fs::path timelinePath = tmpDir / "timeline.tsv";
  const std::string path = fs::absolute(picture).string();
  std::vector<std::string> arguments{path, vesk::bench::NoOpProgram().string(), path, "--ep=cpu",
                                     "--timeline=" + timelinePath.string()};
  arguments.insert(arguments.end(), options.workerArguments.begin(), options.workerArguments.end());
  vesk::bench::ProcessOutcome outcome;
  if (!vesk::bench::RunProcess(options.worker, arguments, tmpDir, outcome, error)) Fail(error);
  if (outcome.exitCode != 0) {
    Fail(picture.string() + ": the worker ended with exit code " + std::to_string(outcome.exitCode) +
         (outcome.signal != 0 ? " (signal " + std::to_string(outcome.signal) + ")" : std::string()));
  }
  Run run;
  run.wallMs = outcome.seconds * 1000.0;
  run.cpuMs = outcome.cpuSeconds * 1000.0;
  run.peakBytes = outcome.peakBytes;
  if (!ParseTimeline(ReadWholeFile(timelinePath), run.timeline)) Fail(picture.string() + ": no readable timeline");
  const fs::path report = FindFile(tmpDir, ".ocr.txt");
  if (!report.empty()) run.lines = vesk::bench::ParseTextReport(ReadWholeFile(report)).lines.size();
  std::error_code ec;
  fs::remove_all(tmpDir, ec);
  return run;
}

// The PNG's size from its header, "?" for anything else.
std::string PictureSize(const fs::path& picture) {
  const std::string head = ReadWholeFile(picture).substr(0, 24);
  if (head.size() < 24 || head.compare(1, 3, "PNG") != 0) return "?";
  auto be32 = [&](size_t at) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(head[at])) << 24) |
           (static_cast<uint32_t>(static_cast<unsigned char>(head[at + 1])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(head[at + 2])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(head[at + 3]));
  };
  return std::to_string(be32(16)) + "x" + std::to_string(be32(20));
}

void PrintDetails(const Run& run) {
  const Timeline& t = run.timeline;
  double recorded = 0;
  for (const auto& [name, ms] : t.stages) {
    std::printf("    %-28s %8.1f\n", name.c_str(), ms);
    recorded += ms;
  }
  // Stages that ran beside others make the recorded sum exceed the time they spanned; then "between
  // stages" turns negative by the time saved.
  std::printf("    %-28s %8.1f\n", "between stages", t.endMs - recorded);
  std::printf("    %-28s %8.1f\n", "process start and exit", run.wallMs - t.endMs);
  std::printf("    %-28s %8.1f\n\n", "= wall", run.wallMs);
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseCommandLine(argc, argv);
  if (options.pictures.empty()) Fail("no screenshots found");
  if (!fs::exists(options.worker)) Fail("no worker at " + options.worker.string());

  const unsigned cores = std::max(std::thread::hardware_concurrency(), 1u);
  std::printf("%-22s %-10s %5s %7s %6s %6s %6s %6s %6s %7s %6s %6s %6s\n", "screenshot", "size", "lines", "wall",
              "setup", "det", "cls", "rec", "other", "models", "ratio", "floor", "peak");
  for (const fs::path& picture : options.pictures) {
    Run best;
    int64_t peak = 0;
    for (int i = 0; i < options.runs; ++i) {
      std::this_thread::sleep_for(std::chrono::duration<double>(options.pauseSeconds));
      Run run = RunOnce(options, picture);
      peak = std::max(peak, run.peakBytes);
      if (i == 0 || run.wallMs < best.wallMs) best = std::move(run);
    }
    const Timeline& t = best.timeline;
    const double setup = t.StartingWith("setup: ");
    const double det = t.StartingWith("model: det");
    const double cls = t.StartingWith("model: cls");
    const double rec = t.StartingWith("model: rec");
    const double models = det + cls + rec;
    std::printf("%-22s %-10s %5zu %7.0f %6.0f %6.0f %6.0f %6.0f %6.0f %7.0f %6.2f %6.0f %6.0f\n",
                picture.stem().string().c_str(), PictureSize(picture).c_str(), best.lines, best.wallMs, setup, det,
                cls, rec, best.wallMs - setup - models, models, best.wallMs / (models + setup), best.cpuMs / cores,
                static_cast<double>(peak) / (1024.0 * 1024.0));
    std::fflush(stdout);
    if (options.details) PrintDetails(best);
  }
  return 0;
}
