#pragma once
// Model calls that run side by side: small calls keep the cores busier as several one-thread calls at
// once than one at a time, each spread over all threads.

#include <cstddef>
#include <cstdint>
#include <functional>

namespace vesk {

// Calls work(k) for k = 0 .. count - 1 on up to `lanes` threads at once, the calling thread one of
// them; each thread takes the next k still to do, so a caller lists its longest work first. Returns
// when every call is done. With one lane, or when no thread can be started, the calling thread does
// all of it, in order. An exception escaping a call is thrown again here once every thread has
// stopped; the calls not yet started then are skipped.
void RunSideBySide(size_t count, int32_t lanes, const std::function<void(size_t)>& work);

}  // namespace vesk
