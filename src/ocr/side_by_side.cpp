#include "ocr/side_by_side.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace vesk {

void RunSideBySide(size_t count, int32_t lanes, const std::function<void(size_t)>& work) {
  std::atomic<size_t> next{0};
  std::mutex failureMutex;
  std::exception_ptr failure;
  const auto lane = [&] {
    try {
      for (size_t k = next++; k < count; k = next++) work(k);
    } catch (...) {
      const std::lock_guard<std::mutex> guard(failureMutex);
      if (!failure) failure = std::current_exception();
      next = count;
    }
  };
  {
    const size_t helpers = std::min(count, static_cast<size_t>(std::max(lanes, 1))) - (count > 0 ? 1 : 0);
    std::vector<std::jthread> threads;
    threads.reserve(helpers);
    for (size_t i = 0; i < helpers; ++i) {
      try {
        threads.emplace_back(lane);
      } catch (const std::system_error&) {
        break;  // the threads there are, this one included, do the work
      }
    }
    lane();
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace vesk
