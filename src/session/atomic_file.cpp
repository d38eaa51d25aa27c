#include "session/atomic_file.h"

#include "platform/files.h"
#include "platform/process.h"

namespace vesk {

std::u16string TemporaryPathFor(const std::u16string& path) { return path + u"." + CurrentProcessTag() + u".tmp"; }

bool WriteFileAtomically(const std::u16string& path, std::string_view content) {
  const std::u16string tempPath = TemporaryPathFor(path);
  switch (WriteWholeFile(tempPath, content)) {
    case WriteOutcome::NotOpened:
      return false;
    case WriteOutcome::Incomplete:
      RemoveFile(tempPath);
      return false;
    case WriteOutcome::Complete:
      break;
  }
  if (MoveFileOver(tempPath, path)) return true;
  // The move was refused: copy over the final file instead. A reader may then see it half written,
  // but it still ends up whole.
  const bool copied = CopyFileOver(tempPath, path);
  RemoveFile(tempPath);
  return copied;
}

}  // namespace vesk
