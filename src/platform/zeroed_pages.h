#pragma once
// Zeroed memory taken from the system in whole pages, for buffers of many megabytes that are written
// once and handed to the inference runtime.

#include <cstddef>
#include <utility>

namespace vesk {

// The memory comes zeroed, so no pass of zeros is written first, and where the system has large pages
// it is asked for them: a 22 MB detection input touched for the first time cost 5,400 page faults of
// 4 KiB (about 70 ms on the benchmark machine) against 11 of 2 MiB. Throws std::bad_alloc when the
// system refuses, as a vector would.
class ZeroedPages {
 public:
  ZeroedPages() = default;
  explicit ZeroedPages(size_t bytes);
  ~ZeroedPages();
  ZeroedPages(ZeroedPages&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
  ZeroedPages& operator=(ZeroedPages&& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    return *this;
  }
  ZeroedPages(const ZeroedPages&) = delete;
  ZeroedPages& operator=(const ZeroedPages&) = delete;

  void* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  void* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace vesk
