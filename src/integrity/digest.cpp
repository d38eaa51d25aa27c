#include "integrity/digest.h"

#include <fstream>
#include <exception>
#include <vector>

#include "integrity/hasher.h"
#include "platform/path.h"

namespace vesk {
namespace {

// Model files run to hundreds of megabytes; one buffer of this size is reused for all of a file.
constexpr size_t kReadPiece = 65536;

std::string HexLower(const unsigned char* data, size_t length) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(length * 2);
  for (size_t i = 0; i < length; ++i) {
    out.push_back(kDigits[data[i] >> 4]);
    out.push_back(kDigits[data[i] & 0x0F]);
  }
  return out;
}

}  // namespace

std::string Sha256FileHex(const std::u16string& path) {
  try {
    std::ifstream in(NativePath(path), std::ios::binary);
    if (!in.is_open()) return {};

    Hasher hasher(HashAlgorithm::Sha256);
    if (!hasher.ok()) return {};

    std::vector<char> buffer(kReadPiece);
    while (in.good()) {
      in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      const auto got = in.gcount();
      if (got > 0 && !hasher.Update(reinterpret_cast<const unsigned char*>(buffer.data()), static_cast<size_t>(got))) {
        return {};
      }
    }
    // A read error (a folder, a failing disk) must not pass for the digest of a shorter file.
    if (in.bad()) return {};

    unsigned char digest[kSha256Length];
    if (!hasher.Finish(digest, sizeof digest)) return {};
    return HexLower(digest, sizeof digest);
  } catch (const std::exception&) {
    return {};
  }
}

std::string Md5Hex(std::string_view bytes) {
  try {
    Hasher hasher(HashAlgorithm::Md5);
    if (!hasher.ok()) return {};
    if (!bytes.empty() &&
        !hasher.Update(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size())) {
      return {};
    }
    unsigned char digest[kMd5Length];
    if (!hasher.Finish(digest, sizeof digest)) return {};
    return HexLower(digest, sizeof digest);
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace vesk
