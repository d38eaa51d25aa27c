#include "platform/free_memory.h"

#include <malloc.h>

namespace vesk {

void ReturnFreedMemory() { malloc_trim(0); }

}  // namespace vesk
