#include <openssl/evp.h>

#include <climits>
#include <memory>
#include <new>

#include "formats/crypto/cipher.h"

namespace orbo {
namespace {

struct CipherCtxFree {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using CipherCtxPtr = std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree>;

constexpr size_t kAesBlock = 16;

}  // namespace

int AesCfbDecrypt(std::string_view data, std::span<const uint8_t, kAesKeySize> key,
                  std::span<const uint8_t, kAesIvSize> iv, std::string* plain) {
  if (data.empty()) return -1;
  // EVP takes an int length; one update call covers the whole input.
  if (plain == nullptr || data.size() > static_cast<size_t>(INT_MAX) - kAesBlock) return -2;

  std::string out;
  try {
    out.resize((data.size() / kAesBlock + 1) * kAesBlock);
  } catch (const std::bad_alloc&) {
    return -2;
  }
  CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
  if (!ctx) return -2;

  // A failed step would leave the output undefined, so each result is checked
  // rather than handing back garbage as plaintext.
  if (EVP_CipherInit_ex(ctx.get(), EVP_aes_256_cfb128(), nullptr, key.data(), iv.data(), 0) != 1)
    return -2;
  auto* out_bytes = reinterpret_cast<unsigned char*>(out.data());
  int update_len = 0;
  if (EVP_CipherUpdate(ctx.get(), out_bytes, &update_len,
                       reinterpret_cast<const unsigned char*>(data.data()),
                       static_cast<int>(data.size())) != 1)
    return -2;
  int final_len = 0;
  if (EVP_CipherFinal(ctx.get(), out_bytes + update_len, &final_len) != 1) return -2;

  // CFB128 is a stream mode: no padding is added or removed.
  const size_t produced = static_cast<size_t>(update_len) + static_cast<size_t>(final_len);
  if (produced != data.size()) return -2;
  out.resize(produced);
  *plain = std::move(out);
  return 0;
}

}  // namespace orbo
