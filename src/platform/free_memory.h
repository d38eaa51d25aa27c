#pragma once
// Handing memory the process has freed back to the system.

namespace vesk {

// Gives the system back what the C library's allocator keeps of freed memory. Memory freed on a thread
// that has ended stays with that thread's pool of the allocator, where the threads that go on working
// do not find it; a run's peak then grows by what the thread left behind.
void ReturnFreedMemory();

}  // namespace vesk
