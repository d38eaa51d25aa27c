// Hashing back-end on OpenSSL's EVP interface.
#include <openssl/evp.h>

#include "integrity/hasher.h"

namespace vesk {

struct Hasher::State {
  EVP_MD_CTX* context = nullptr;
  size_t digestLength = 0;
  bool ready = false;

  ~State() { EVP_MD_CTX_free(context); }
};

Hasher::Hasher(HashAlgorithm algorithm) : state_(std::make_unique<State>()) {
  const EVP_MD* md = algorithm == HashAlgorithm::Sha256 ? EVP_sha256() : EVP_md5();
  state_->digestLength = algorithm == HashAlgorithm::Sha256 ? kSha256Length : kMd5Length;
  state_->context = EVP_MD_CTX_new();
  state_->ready = md != nullptr && state_->context != nullptr &&
                  EVP_DigestInit_ex(state_->context, md, nullptr) == 1;
}

Hasher::~Hasher() = default;

bool Hasher::ok() const { return state_->ready; }

bool Hasher::Update(const unsigned char* data, size_t length) {
  if (!state_->ready) return false;
  if (EVP_DigestUpdate(state_->context, data, length) != 1) state_->ready = false;
  return state_->ready;
}

bool Hasher::Finish(unsigned char* out, size_t length) {
  if (!state_->ready || length != state_->digestLength) return false;
  // A finished context cannot take more input.
  state_->ready = false;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int written = 0;
  if (EVP_DigestFinal_ex(state_->context, digest, &written) != 1 || written != length) return false;
  for (size_t i = 0; i < length; ++i) out[i] = digest[i];
  return true;
}

}  // namespace vesk
