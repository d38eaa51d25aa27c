#pragma once
// Loading a shared library at run time and looking up its exported functions.

#include <string>

#include "core/status.h"

namespace vesk {

// An opened library; null when nothing is open.
using LibraryHandle = void*;

// Opens the library file at `path`: a handle that is never null, or a failure of kind ModelSetup (the
// libraries loaded at run time are the inference runtime's) whose message is the loader's explanation:
// its own text on POSIX, "Win32 error: " and the decimal error code on Windows.
Outcome<LibraryHandle> OpenLibrary(const std::u16string& path);

// Address of the exported symbol `name`, or null when the library does not export it.
void* FindSymbol(LibraryHandle library, const char* name);

// Gives the handle back to the loader; a null handle is ignored. The library's code may stay mapped
// until the process ends.
void CloseLibrary(LibraryHandle library);

}  // namespace vesk
