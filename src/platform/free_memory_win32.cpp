#include "platform/free_memory.h"

namespace vesk {

// The Windows heap is one for all threads of the process: what one thread frees, the others reuse.
void ReturnFreedMemory() {}

}  // namespace vesk
