#include <windows.h>

#include <string>

#include "platform/dynamic_library.h"
#include "platform/wide_win32.h"

namespace vesk {

Outcome<LibraryHandle> OpenLibrary(const std::u16string& path) {
  // The library's own dependencies are looked for only in its folder and in the system folder, never
  // in the current folder or along PATH. Systems without these search flags refuse them; the plain
  // call then still loads the named file.
  HMODULE module =
      ::LoadLibraryExW(Wide(path), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr) module = ::LoadLibraryW(Wide(path));
  if (module != nullptr) return reinterpret_cast<LibraryHandle>(module);
  const DWORD code = ::GetLastError();
  return Status::Failure(FailureKind::ModelSetup, "Win32 error: " + std::to_string(code));
}

void* FindSymbol(LibraryHandle library, const char* name) {
  if (library == nullptr || name == nullptr) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(LibraryHandle library) {
  if (library != nullptr) ::FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace vesk
