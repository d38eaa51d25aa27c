#include "session/atomic_file.h"

#include "platform/files.h"

namespace vesk {

bool WriteFileAtomically(const std::u16string& path, std::string_view content) {
  const std::u16string tempPath = path + u".tmp";
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
