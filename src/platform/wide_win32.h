#pragma once
// The bridge between the portable UTF-16 strings and the wide-character Windows functions: wchar_t
// is a UTF-16 unit there, so texts pass over unchanged.

#include <string>

namespace vesk {

inline const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

inline std::wstring WideCopy(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

inline std::u16string FromWide(const wchar_t* text) {
  return text == nullptr ? std::u16string() : std::u16string(reinterpret_cast<const char16_t*>(text));
}

inline std::u16string FromWide(const wchar_t* text, size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

}  // namespace vesk
