#include <dlfcn.h>

#include "platform/dynamic_library.h"
#include "platform/text.h"

namespace vesk {

Outcome<LibraryHandle> OpenLibrary(const std::u16string& path) {
  // A path without a separator would make dlopen search the system folders; only the named file counts.
  std::string native = ToUtf8(path);
  if (native.find('/') == std::string::npos) native.insert(0, "./");
  dlerror();
  // Closing still gives the handle back, but the code stays mapped until the process ends: libraries
  // such as the inference runtime keep process-lifetime objects that they never free, and unmapping
  // them would turn those into leaks and stale pointers in the middle of exit.
  void* handle = ::dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (handle != nullptr) return handle;
  const char* reason = dlerror();
  return Status::Failure(FailureKind::ModelSetup, reason != nullptr ? reason : "unknown loader error");
}

void* FindSymbol(LibraryHandle library, const char* name) {
  if (library == nullptr || name == nullptr) return nullptr;
  return ::dlsym(library, name);
}

void CloseLibrary(LibraryHandle library) {
  if (library != nullptr) ::dlclose(library);
}

}  // namespace vesk
