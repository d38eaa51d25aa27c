#include "imaging/image_file.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/path.h"

namespace vesk {

bool ImageFile::Open(const std::u16string& path) {
  const std::filesystem::path native = NativePath(path);
  std::error_code ec;
  // A folder opens as a stream on some systems, and a pipe would block: only plain files qualify.
  if (!std::filesystem::is_regular_file(native, ec)) return false;
  if (file_.open(native, std::ios::in | std::ios::binary) == nullptr) return false;
  const std::streampos end = file_.pubseekoff(0, std::ios::end, std::ios::in);
  if (end == std::streampos(-1) || file_.pubseekpos(0, std::ios::in) != std::streampos(0)) return false;
  size_ = static_cast<uint64_t>(std::streamoff(end));
  position_ = 0;
  seekPending_ = false;
  headSize_ = Read(head_.data(), head_.size());
  Seek(0);
  return true;
}

void ImageFile::Seek(uint64_t position) {
  position_ = position;
  seekPending_ = true;
}

size_t ImageFile::Read(void* out, size_t count) {
  if (position_ >= size_) return 0;
  count = static_cast<size_t>(std::min<uint64_t>(count, size_ - position_));
  if (seekPending_) {
    const auto target = std::streampos(static_cast<std::streamoff>(position_));
    if (file_.pubseekpos(target, std::ios::in) != target) return 0;
    seekPending_ = false;
  }
  const std::streamsize got = file_.sgetn(static_cast<char*>(out), static_cast<std::streamsize>(count));
  if (got <= 0) return 0;
  position_ += static_cast<uint64_t>(got);
  return static_cast<size_t>(got);
}

}  // namespace vesk
