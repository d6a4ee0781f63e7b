// A libcrypto message digest held by a scope-bound owner, shared by the MD5,
// SHA-256 and SHA-384 helpers. Internal to the crypto folder.
#pragma once

#include <openssl/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace orbo::crypto_detail {

struct EvpMdCtxFree {
  void operator()(EVP_MD_CTX* ctx) const;
};

class EvpDigest {
 public:
  // md is the algorithm, for example EVP_sha256(); the context is set up at
  // once (Init).
  explicit EvpDigest(const EVP_MD* md);
  EvpDigest(const EvpDigest&) = delete;
  EvpDigest& operator=(const EvpDigest&) = delete;
  EvpDigest(EvpDigest&&) = default;
  EvpDigest& operator=(EvpDigest&&) = default;
  ~EvpDigest() = default;

  // Starts a new message. False when libcrypto cannot set up the context;
  // Update and Final then fail until an Init succeeds.
  bool Init();
  // Adds length bytes. A null data pointer is allowed only with length 0.
  // False when the context is not ready or libcrypto fails.
  bool Update(const void* data, size_t length);
  // Writes the digest (out must hold the algorithm's size) and starts a new
  // message. False when the context was not ready or libcrypto fails; out is
  // then not written.
  bool Final(uint8_t* out);

 private:
  const EVP_MD* md_;
  std::unique_ptr<EVP_MD_CTX, EvpMdCtxFree> ctx_;
  bool ready_ = false;
};

}  // namespace orbo::crypto_detail
