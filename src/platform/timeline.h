#pragma once
// A record of how long the stages of one run took, for finding where the time goes. The worker keeps
// one only when asked to (--timeline); every step that times itself takes a pointer that may be null.

#include <chrono>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vesk {

class Timeline {
 public:
  using Clock = std::chrono::steady_clock;

  // Times are given relative to origin, the instant the process started its work.
  explicit Timeline(Clock::time_point origin) : origin_(origin) {}

  // Notes one stage that ran from begin to end. Safe to call from several threads.
  void Record(std::string_view stage, Clock::time_point begin, Clock::time_point end);

  // One line a stage in the order recorded: the stage name, its start and its duration in microseconds,
  // separated by tabs. The last line, "end", marks the moment the text was made.
  std::string Text() const;

 private:
  struct Entry {
    std::string stage;
    int64_t beginUs;
    int64_t durationUs;
  };
  Clock::time_point origin_;
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
};

// Times the enclosing scope (or up to Stop) as one stage of timeline; does nothing without a timeline.
class TimedStage {
 public:
  TimedStage(Timeline* timeline, const char* stage)
      : timeline_(timeline), stage_(stage), begin_(timeline ? Timeline::Clock::now() : Timeline::Clock::time_point{}) {}
  ~TimedStage() { Stop(); }
  TimedStage(const TimedStage&) = delete;
  TimedStage& operator=(const TimedStage&) = delete;

  void Stop() {
    if (timeline_ == nullptr) return;
    timeline_->Record(stage_, begin_, Timeline::Clock::now());
    timeline_ = nullptr;
  }

 private:
  Timeline* timeline_;
  const char* stage_;
  Timeline::Clock::time_point begin_;
};

// Runs step() as one stage of timeline and returns what it returns.
template <typename Step>
decltype(auto) Timed(Timeline* timeline, const char* stage, Step&& step) {
  const TimedStage timed(timeline, stage);
  return std::forward<Step>(step)();
}

}  // namespace vesk
