// Writes the shipped firmware files of a test app directory: the box model
// file, the update catalogue and encrypted component images.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/base64.h"
#include "formats/crypto/rc4.h"
#include "formats/lists/firmware_image.h"
#include "support/md5_hex.h"
#include "support/temp_dir.h"

namespace orbo::test {

inline std::string Encrypt(std::string bytes) {
  Rc4CryptBlocks(kImageKey, reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
  return bytes;
}

// Bytes of a sample plain image.
inline std::string SampleImage(size_t size, unsigned seed) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1664525u + 1013904223u;
    s[i] = static_cast<char>(seed >> 24);
  }
  return s;
}

struct Component {
  std::string kernel;
  std::string image;     // ImgName
  std::string downName;  // DownName
  std::string verName;   // VerName
  std::string ver;       // Ver
  std::string plain;     // plain bytes; empty: no image file is written
  std::string md5;       // empty: the plain bytes' MD5
};

// BOXType.hmi with the given "box" elements (as XML text).
inline void WriteBoxTypes(const TempDir& dir, const std::string& boxes) {
  dir.Write("BOXType.hmi", Base64Encode("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<BOXSet>\n" +
                                        boxes + "</BOXSet>\n"));
}

// Up.ibl with one "ORBOType" of serial, plus the encrypted images in
// "update/".
inline void WriteCatalogue(const TempDir& dir, const std::string& serial,
                           const std::vector<Component>& components) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<UpdateInfo>\n";
  xml +=
      "  <ORBOType SerialNo=\"other\">\n    <element Kernel=\"A7\" ImgName=\"x.img\" "
      "DownName=\"x\" VerName=\"OSVER:\" Ver=\"V9\" Md5=\"0\"/>\n  </ORBOType>\n";
  xml += "  <ORBOType SerialNo=\"" + serial + "\">\n";
  for (const Component& c : components) {
    const std::string md5 = c.md5.empty() ? Md5Hex(c.plain) : c.md5;
    xml += "    <element Kernel=\"" + c.kernel + "\" Info=\"\" ImgName=\"" + c.image +
           "\" DownName=\"" + c.downName + "\" VerName=\"" + c.verName + "\" Ver=\"" + c.ver +
           "\" Md5=\"" + md5 + "\"/>\n";
    if (!c.plain.empty()) dir.Write("update/" + c.image, Encrypt(c.plain));
  }
  xml += "  </ORBOType>\n</UpdateInfo>\n";
  dir.Write("Up.ibl", xml);
}

}  // namespace orbo::test
