#pragma once
// Conversion between the UTF-16 text used for paths and command-line arguments and the UTF-8 bytes
// used for messages, logs and reports.

#include <string>
#include <string_view>

namespace vesk {

// UTF-16 to UTF-8. A lone surrogate in U+DC80..U+DCFF stands for one raw byte (0x80..0xFF) that
// FromUtf8 could not decode and becomes that byte again, so a path survives the round trip
// unchanged. Any other lone surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

// UTF-8 to UTF-16. A byte that does not start a valid UTF-8 sequence becomes the lone surrogate
// U+DC00 + byte, so no input byte is lost.
std::u16string FromUtf8(std::string_view bytes);

// Length of the well-formed UTF-8 sequence that starts at bytes[i] (1 to 4), or 0 when none starts
// there (a stray continuation byte, a cut-off, overlong or surrogate sequence, a value beyond U+10FFFF).
size_t Utf8SequenceLength(std::string_view bytes, size_t i);

// The two halves of a UTF-16 surrogate pair.
inline bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// ASCII letters A-Z and a-z changed, every other unit or byte left alone.
std::string AsciiLower(std::string text);
std::u16string AsciiLower(std::u16string text);
std::u16string AsciiUpper(std::u16string text);

}  // namespace vesk
