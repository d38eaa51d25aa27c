#pragma once
// The per-view run log: one CRLF-terminated UTF-8 entry at a time, no header, no timestamps.

#include <string>
#include <string_view>

namespace vesk {

struct RunLog {
  // What follows every entry.
  static constexpr std::string_view kLineEnd = "\r\n";

  // Appends entry + "\r\n" to the log file; an entry that cannot be written is dropped silently.
  static void AppendLine(const std::u16string& logPath, std::string_view entry);
};

}  // namespace vesk
