#include "platform/timeline.h"

namespace vesk {
namespace {

int64_t Microseconds(Timeline::Clock::duration d) {
  return std::chrono::duration_cast<std::chrono::microseconds>(d).count();
}

}  // namespace

void Timeline::Record(std::string_view stage, Clock::time_point begin, Clock::time_point end) {
  const std::lock_guard<std::mutex> guard(mutex_);
  entries_.push_back({std::string(stage), Microseconds(begin - origin_), Microseconds(end - begin)});
}

std::string Timeline::Text() const {
  const int64_t now = Microseconds(Clock::now() - origin_);
  const std::lock_guard<std::mutex> guard(mutex_);
  std::string text;
  for (const Entry& entry : entries_) {
    text += entry.stage + "\t" + std::to_string(entry.beginUs) + "\t" + std::to_string(entry.durationUs) + "\n";
  }
  text += "end\t" + std::to_string(now) + "\t0\n";
  return text;
}

}  // namespace vesk
