#include "session/prepared_report.h"

#include "platform/files.h"

namespace vesk {

PreparedFailureReport::PreparedFailureReport(const SessionPaths& paths, std::string_view bytes)
    : path_(paths.failTempPath), textPath_(paths.textPath), size_(bytes.size()) {
  switch (WriteWholeFile(path_, bytes)) {
    case WriteOutcome::Complete:
      ready_ = true;
      break;
    case WriteOutcome::Incomplete:
      RemoveFile(path_);
      break;
    case WriteOutcome::NotOpened:
      break;
  }
}

PreparedFailureReport::~PreparedFailureReport() {
  if (ready_) RemoveFile(path_);
}

bool PreparedFailureReport::PutInPlace(std::string_view report) {
  if (!ready_) return false;
  ready_ = false;
  if (OverwriteFile(path_, CutAtCharacter(report, size_)) && MoveFileOver(path_, textPath_)) return true;
  RemoveFile(path_);
  return false;
}

std::string_view CutAtCharacter(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t end = limit;
  // Back up over continuation bytes (10xxxxxx) to the start of the character that would be split.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

}  // namespace vesk
