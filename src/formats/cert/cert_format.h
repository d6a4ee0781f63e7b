// The certificate package layout and the fixed texts its decryption uses.
//
//   offset 0      16 bytes  free for the packer (the reader ignores them)
//   offset 16      2 bytes  signed little-endian length L of the domain, 0..254
//   offset 18      L bytes  encrypted domain name
//   offset 272     P bytes  encrypted payload, P = file size - 304
//   end - 32      32 bytes  SHA-256 of the decrypted payload
//
// Payload: entries back to back, each a 24-byte info record (name length,
// data length, CRC-32 in the low half of a 64-bit field; all little-endian)
// followed by the name bytes and the data bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orbo {

inline constexpr char kCertPackageFileName[] = "VirCert.ce";
inline constexpr size_t kCertHeadSize = 272;
inline constexpr size_t kCertDomainLengthOffset = 16;
inline constexpr size_t kCertDomainOffset = 18;
inline constexpr int kCertMaxDomainLength = 254;
inline constexpr size_t kCertDigestSize = 32;
inline constexpr size_t kCertMinFileSize = kCertHeadSize + kCertDigestSize;
inline constexpr size_t kCertEntryInfoSize = 24;
// Branding packages hold a few icons and small texts; anything larger is
// refused before memory is reserved for it.
inline constexpr uint64_t kCertMaxPayloadSize = uint64_t{64} << 20;

// The file dialog that picks a package.
inline constexpr char kCertDialogFilterName[] = "Cert File(*.ce)";
inline constexpr char kCertDialogPattern[] = "*.ce";
inline constexpr char kCertDialogDefaultExt[] = ".ce";

// The 32-byte package key text, the 16-byte package IV text and the host
// name of the vendor's cloud server, built at run time so that the texts do
// not sit in the binary as one readable block.
std::string CertPackageKeyText();
std::string CertPackageIvText();
std::string CertDefaultDomain();

// The key text that encrypts the payload. Key mode 0: the 16 raw MD5 bytes
// of domain followed by 16 zero bytes; any other mode: the package key text.
std::string CertPayloadKeyText(std::string_view domain, int key_mode);

// Little-endian field access on byte strings; the caller checks bounds.
uint64_t CertReadLe64(std::string_view bytes, size_t offset);
void CertAppendLe64(std::string* out, uint64_t value);

}  // namespace orbo
