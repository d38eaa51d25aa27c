#pragma once
// A picture file opened for reading. Decoders pull its bytes in order, or from any offset where the
// format keeps its directory elsewhere, so that no more of the file is held in memory than a
// decoder's own buffers need, however large the file is.

#include <array>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <span>
#include <string>

namespace vesk {

class ImageFile {
 public:
  // Bytes read at opening for format recognition: enough for every signature and fixed header start.
  static constexpr size_t kHeadSize = 64;

  // Opens a regular file (following links). False when path names nothing readable, a folder, or
  // anything else that is not a plain file.
  bool Open(const std::u16string& path);

  // Size when opened. A file that shrinks afterwards reads short; one that grows is read no further.
  uint64_t Size() const { return size_; }
  uint64_t Position() const { return position_; }

  // Moves the read position. Positions past the end are allowed; reading there returns nothing.
  void Seek(uint64_t position);

  // Reads up to count bytes at the read position and advances it by what was read. Fewer bytes
  // only at the end of the file or on an I/O error.
  size_t Read(void* out, size_t count);

  // The first bytes of the file (fewer when the file is shorter than kHeadSize).
  std::span<const uint8_t> Head() const { return {head_.data(), headSize_}; }

 private:
  std::filebuf file_;
  uint64_t size_ = 0;
  uint64_t position_ = 0;
  bool seekPending_ = false;  // position_ moved without the stream following yet
  std::array<uint8_t, kHeadSize> head_{};
  size_t headSize_ = 0;
};

}  // namespace vesk
