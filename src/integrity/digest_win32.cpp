// Hashing back-end on the Windows cryptography primitives (CNG).
#include <windows.h>
#include <bcrypt.h>

#include <vector>

#include "integrity/hasher.h"

namespace vesk {

struct Hasher::State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  std::vector<UCHAR> hashObject;  // the provider's working memory for the hash, owned here
  size_t digestLength = 0;
  bool ready = false;

  ~State() {
    if (hash != nullptr) ::BCryptDestroyHash(hash);
    if (algorithm != nullptr) ::BCryptCloseAlgorithmProvider(algorithm, 0);
  }
};

Hasher::Hasher(HashAlgorithm algorithm) : state_(std::make_unique<State>()) {
  const bool sha256 = algorithm == HashAlgorithm::Sha256;
  state_->digestLength = sha256 ? kSha256Length : kMd5Length;
  if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&state_->algorithm,
                                                    sha256 ? BCRYPT_SHA256_ALGORITHM : BCRYPT_MD5_ALGORITHM,
                                                    nullptr, 0))) {
    state_->algorithm = nullptr;
    return;
  }
  DWORD objectLength = 0;
  ULONG received = 0;
  if (!BCRYPT_SUCCESS(::BCryptGetProperty(state_->algorithm, BCRYPT_OBJECT_LENGTH,
                                          reinterpret_cast<PUCHAR>(&objectLength), sizeof objectLength, &received,
                                          0))) {
    return;
  }
  state_->hashObject.assign(objectLength, 0);
  if (!BCRYPT_SUCCESS(::BCryptCreateHash(state_->algorithm, &state_->hash, state_->hashObject.data(),
                                         objectLength, nullptr, 0, 0))) {
    state_->hash = nullptr;
    return;
  }
  state_->ready = true;
}

Hasher::~Hasher() = default;

bool Hasher::ok() const { return state_->ready; }

bool Hasher::Update(const unsigned char* data, size_t length) {
  if (!state_->ready) return false;
  // One call takes at most 4 GiB; longer input goes in pieces.
  while (length > 0) {
    const ULONG piece = length > 0x40000000 ? 0x40000000 : static_cast<ULONG>(length);
    if (!BCRYPT_SUCCESS(::BCryptHashData(state_->hash, const_cast<PUCHAR>(data), piece, 0))) {
      state_->ready = false;
      break;
    }
    data += piece;
    length -= piece;
  }
  return state_->ready;
}

bool Hasher::Finish(unsigned char* out, size_t length) {
  if (!state_->ready || length != state_->digestLength) return false;
  // A finished hash cannot take more input.
  state_->ready = false;
  return BCRYPT_SUCCESS(::BCryptFinishHash(state_->hash, out, static_cast<ULONG>(length), 0));
}

}  // namespace vesk
