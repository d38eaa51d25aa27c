#pragma once
// One incremental hash computation. The back-end is the platform's cryptography service; the
// portable digest code only feeds bytes in and takes the fixed-size result out.

#include <cstddef>
#include <memory>

namespace vesk {

enum class HashAlgorithm { Sha256, Md5 };

inline constexpr size_t kSha256Length = 32;
inline constexpr size_t kMd5Length = 16;

class Hasher {
 public:
  explicit Hasher(HashAlgorithm algorithm);
  ~Hasher();
  Hasher(const Hasher&) = delete;
  Hasher& operator=(const Hasher&) = delete;

  // False when the algorithm could not be set up; Update and Finish then fail too.
  bool ok() const;
  bool Update(const unsigned char* data, size_t length);
  // Writes exactly `length` bytes (32 for SHA-256, 16 for MD5); false on failure.
  bool Finish(unsigned char* out, size_t length);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace vesk
