#pragma once
// Whether the runtime's integer kernels can run in this test process.

namespace vesk::test {

// False where they would stop the process: the Windows runtime picks the CPU's AMX tiles for its
// integer products when the CPU has them, and Wine on Linux does not ask the kernel to enable the tiles
// for its processes, so the first tile instruction is an illegal one. Windows itself enables them.
bool IntegerKernelsRunHere();

}  // namespace vesk::test
