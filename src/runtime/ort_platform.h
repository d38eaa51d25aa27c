#pragma once
// What differs between platforms in reaching the inference library: its file name and the character
// type of the paths its C API takes.

#include <onnxruntime_c_api.h>

#include <string>

namespace vesk {

// The library's file in the backend folder.
extern const char16_t kOrtLibraryFile[];

// A model path as the runtime's CreateSession takes it.
std::basic_string<ORTCHAR_T> OrtPath(const std::u16string& path);

}  // namespace vesk
