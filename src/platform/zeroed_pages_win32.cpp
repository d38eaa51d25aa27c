#include <windows.h>

#include <new>

#include "platform/zeroed_pages.h"

namespace vesk {

// Committed pages come zeroed. Large pages would need a privilege that users do not hold.
ZeroedPages::ZeroedPages(size_t bytes) {
  if (bytes == 0) return;
  void* memory = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (memory == nullptr) throw std::bad_alloc();
  data_ = memory;
  size_ = bytes;
}

ZeroedPages::~ZeroedPages() {
  if (data_ != nullptr) VirtualFree(data_, 0, MEM_RELEASE);
}

}  // namespace vesk
