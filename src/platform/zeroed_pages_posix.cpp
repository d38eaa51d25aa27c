#include "platform/zeroed_pages.h"

#include <sys/mman.h>

#include <new>

namespace vesk {

ZeroedPages::ZeroedPages(size_t bytes) {
  if (bytes == 0) return;
  void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) throw std::bad_alloc();
  // Only a hint: without large pages the memory works the same.
  madvise(memory, bytes, MADV_HUGEPAGE);
  data_ = memory;
  size_ = bytes;
}

ZeroedPages::~ZeroedPages() {
  if (data_ != nullptr) munmap(data_, size_);
}

}  // namespace vesk
