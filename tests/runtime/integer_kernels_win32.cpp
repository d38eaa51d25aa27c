#include "integer_kernels.h"

#include <cpuid.h>
#include <windows.h>

namespace vesk::test {

bool IntegerKernelsRunHere() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const bool wine = ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  // CPUID leaf 7: EDX bit 24 is AMX-TILE.
  const bool tiles = __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) != 0 && (edx & (1u << 24)) != 0;
  return !(wine && tiles);
}

}  // namespace vesk::test
