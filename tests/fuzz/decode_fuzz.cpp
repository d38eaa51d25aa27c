// Mutation fuzzing of the image decoders, in process. Seed pictures of every format are mutated,
// written to a file and decoded; each result must be a whole picture or one of the decoder's
// messages. A crash or sanitizer report ends the process with the offending file in place (the
// file being decoded is <work>/decoding-<format>-<n>.<extension>, removed once decoded); so does a
// decode that takes longer than the time limit. Every run that finishes prints a report per format.
//
//   vesk_decode_fuzz --work DIR [--iterations N] [--seed S] [--time-limit SECONDS]
//   vesk_decode_fuzz --emit DIR [--iterations N] [--seed S]
//
// --iterations is per format. --emit writes that many mutated files per format into DIR instead of
// decoding them, for whole-worker runs.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "fuzz/mutator.h"
#include "fuzz/seed_pictures.h"
#include "imaging/image_decoder.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Options {
  fs::path work;
  fs::path emit;
  long iterations = 1000;
  uint64_t seed = 1;
  int timeLimitSeconds = 10;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const char* value = argv[i + 1];
    if (name == "--work") {
      options.work = value;
    } else if (name == "--emit") {
      options.emit = value;
    } else if (name == "--iterations") {
      options.iterations = std::strtol(value, nullptr, 10);
    } else if (name == "--seed") {
      options.seed = std::strtoull(value, nullptr, 10);
    } else if (name == "--time-limit") {
      options.timeLimitSeconds = std::atoi(value);
    } else {
      return false;
    }
  }
  return argc % 2 == 1 && options.iterations > 0 && options.timeLimitSeconds > 0 &&
         (options.work.empty() != options.emit.empty());
}

// Ends the process when one decode runs past the limit, naming the file.
class Watchdog {
 public:
  explicit Watchdog(std::chrono::seconds limit) : limit_(limit) { thread_ = std::thread([this] { Watch(); }); }
  ~Watchdog() {
    stop_ = true;
    thread_.join();
  }
  // file must stay unchanged until Stop.
  void Start(const fs::path& file) {
    file_ = file.c_str();
    started_ = Clock::now().time_since_epoch().count();
  }
  void Stop() { started_ = 0; }

 private:
  void Watch() {
    while (!stop_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      const auto started = started_.load();
      if (started != 0 && Clock::now().time_since_epoch().count() - started > Clock::duration(limit_).count()) {
        std::fprintf(stderr, "HANG: decoding %s took longer than %lld s\n", file_.load(),
                     static_cast<long long>(limit_.count()));
        std::fflush(stderr);
        std::_Exit(3);
      }
    }
  }

  std::chrono::seconds limit_;
  std::atomic<const char*> file_{""};
  std::atomic<Clock::rep> started_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The messages a failed decode may give, each followed by the path.
constexpr const char* kMessages[] = {
    "Failed to open image: ",        "Failed to decode image frame from ", "Invalid image dimensions: ",
    "Image dimensions out of range (", "Failed to convert image pixel format for ", "Failed to read pixels from ",
};

struct Tally {
  long runs = 0;
  long decoded = 0;
  std::map<std::string, long> failures;
  double slowestMs = 0;
};

// The outcome's name for the report, or empty when the outcome is not allowed.
std::string Classify(const vesk::Outcome<vesk::DecodedImage>& decoded, const std::string& path) {
  if (decoded.ok()) {
    const vesk::DecodedImage& image = *decoded;
    const bool whole = image.width > 0 && image.height > 0 &&
                       image.pixels.size() == static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3;
    return whole ? "decoded" : "";
  }
  const std::string& error = decoded.status().message();
  if (!error.ends_with(path)) return "";
  for (const char* message : kMessages) {
    if (error.starts_with(message)) return message;
  }
  return "";
}

void PrintReport(const std::map<std::string, Tally>& tallies, long unexpected) {
  std::printf("%-6s %8s %8s %10s  failures by message\n", "format", "runs", "decoded", "slowest ms");
  for (const auto& [format, tally] : tallies) {
    std::printf("%-6s %8ld %8ld %10.1f ", format.c_str(), tally.runs, tally.decoded, tally.slowestMs);
    for (const auto& [message, count] : tally.failures) std::printf(" [%s%ld]", message.c_str(), count);
    std::printf("\n");
  }
  std::printf("unexpected outcomes: %ld\n", unexpected);
}

std::string MutatedFile(const vesk::test::SeedPicture& seed, std::mt19937_64& random) {
  std::string bytes = vesk::test::Mutate(seed.bytes, random);
  if (seed.format == "png" && random() % 5 != 0) vesk::test::FixPngChecksums(bytes);
  return bytes;
}

int Emit(const Options& options, const std::vector<vesk::test::SeedPicture>& seeds, std::mt19937_64& random) {
  fs::create_directories(options.emit);
  std::map<std::string, long> written;
  for (const vesk::test::SeedPicture& seed : seeds) written.try_emplace(seed.format, 0);
  for (auto& [format, count] : written) {
    std::vector<const vesk::test::SeedPicture*> own;
    for (const auto& seed : seeds) {
      if (seed.format == format) own.push_back(&seed);
    }
    for (; count < options.iterations; ++count) {
      const auto& seed = *own[random() % own.size()];
      vesk::test::WriteFile(options.emit / (format + "-" + std::to_string(count) + "." + seed.extension),
                            MutatedFile(seed, random));
    }
  }
  std::printf("wrote %ld mutated files per format into %s\n", options.iterations, options.emit.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: %s --work DIR [--iterations N] [--seed S] [--time-limit SECONDS]\n"
                 "       %s --emit DIR [--iterations N] [--seed S]\n",
                 argv[0], argv[0]);
    return 2;
  }
  const fs::path root = options.work.empty() ? options.emit : options.work;
  fs::create_directories(root / "seeds");
  const std::vector<vesk::test::SeedPicture> seeds = vesk::test::SeedPictures(root / "seeds");
  std::mt19937_64 random(options.seed);
  if (!options.emit.empty()) return Emit(options, seeds, random);

  std::printf("seed %llu, %ld mutations per format, %zu seed pictures\n",
              static_cast<unsigned long long>(options.seed), options.iterations, seeds.size());
  std::fflush(stdout);
  std::map<std::string, Tally> tallies;
  long unexpected = 0;
  std::map<std::string, std::vector<const vesk::test::SeedPicture*>> byFormat;
  for (const auto& seed : seeds) byFormat[seed.format].push_back(&seed);

  Watchdog watchdog(std::chrono::seconds(options.timeLimitSeconds));
  for (const auto& [format, own] : byFormat) {
    Tally& tally = tallies[format];
    for (long i = 0; i < options.iterations; ++i) {
      // A new file each time: rewriting one in place makes some file systems flush it to disk.
      const fs::path file = options.work / ("decoding-" + format + "-" + std::to_string(i) + "." + own.front()->extension);
      vesk::test::WriteFile(file, MutatedFile(*own[random() % own.size()], random));
      const auto start = Clock::now();
      watchdog.Start(file);
      const vesk::Outcome<vesk::DecodedImage> decoded = vesk::DecodeImage(vesk::FromUtf8(file.string()));
      watchdog.Stop();
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      tally.slowestMs = std::max(tally.slowestMs, ms);
      ++tally.runs;
      const std::string outcome = Classify(decoded, file.string());
      if (outcome.empty()) {
        ++unexpected;
        const fs::path kept = options.work / ("unexpected-" + std::to_string(unexpected) + file.extension().string());
        fs::copy_file(file, kept, fs::copy_options::overwrite_existing);
        const vesk::DecodedImage image = decoded.ok() ? *decoded : vesk::DecodedImage{};
        std::fprintf(stderr, "UNEXPECTED: %s (ok=%d, %dx%d): %s\n", kept.c_str(), decoded.ok(), image.width,
                     image.height, decoded.status().message().c_str());
      } else if (outcome == "decoded") {
        ++tally.decoded;
      } else {
        ++tally.failures[outcome];
      }
      fs::remove(file);
    }
  }
  PrintReport(tallies, unexpected);
  return unexpected == 0 ? 0 : 1;
}
