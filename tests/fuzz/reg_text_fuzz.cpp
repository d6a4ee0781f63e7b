// Registry text files (a Wine prefix's system.reg/user.reg, export files).
// Whatever is read, every name and text read is valid UTF-8 without a zero,
// and the registry written back as a WINE REGISTRY file with every byte
// escaped reads back as the same keys and values in the same order.
#include <cstdio>

#include "base/utf.h"
#include "fuzz_support.h"
#include "platform/memory_registry.h"
#include "platform/registry_text.h"

namespace {

constexpr orbo::RegRoot kRoots[] = {orbo::RegRoot::kLocalMachine, orbo::RegRoot::kCurrentUser,
                                    orbo::RegRoot::kClassesRoot};

// A quoted-string body: printable ASCII except the escapes' own characters
// as it is, control characters as four-digit \x units (a shorter form
// would swallow a following hexadecimal digit), UTF-8 as it is.
std::string Escape(std::string_view text, char closing) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '\\' || c == '"' || c == static_cast<unsigned char>(closing)) {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7f) {
      char unit[8];
      std::snprintf(unit, sizeof unit, "\\x%04x", c);
      out += unit;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void CheckText(std::string_view text) {
  FUZZ_CHECK(orbo::IsValidUtf8(text));
  FUZZ_CHECK(text.find('\0') == std::string_view::npos);
}

// Writes root\path and its subkeys depth first, checking names and texts.
// path is the plain key path, escaped the same path as the file writes it.
void Write(const orbo::MemoryRegistry& reg, orbo::RegRoot root, const std::string& path,
           const std::string& escaped, std::string* out) {
  *out += "[" + Escape(orbo::RegRootName(root), ']');
  if (!path.empty()) *out += "\\\\" + escaped;
  *out += "]\n";
  const auto values = reg.Values(root, path);
  const auto subkeys = reg.SubKeys(root, path);
  FUZZ_CHECK(values && subkeys);
  for (const orbo::RegValue& v : *values) {
    CheckText(v.name);
    *out += v.name.empty() ? "@" : "\"" + Escape(v.name, '"') + "\"";
    if (v.text) {
      CheckText(v.data);
      *out += "=\"" + Escape(v.data, '"') + "\"\n";
    } else {
      *out += "=hex:";
      for (size_t i = 0; i < v.data.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, i ? ",%02x" : "%02x",
                      static_cast<unsigned char>(v.data[i]));
        *out += byte;
      }
      *out += "\n";
    }
  }
  for (const std::string& name : *subkeys) {
    CheckText(name);
    FUZZ_CHECK(!name.empty() && name.find('\\') == std::string::npos);
    // Key names are escaped too in this format, the separator included.
    Write(reg, root, path.empty() ? name : path + "\\" + name,
          path.empty() ? Escape(name, ']') : escaped + "\\\\" + Escape(name, ']'), out);
  }
}

// The same tree in the same order in both registries.
void Compare(const orbo::MemoryRegistry& a, const orbo::MemoryRegistry& b, orbo::RegRoot root,
             const std::string& path) {
  const auto va = a.Values(root, path), vb = b.Values(root, path);
  FUZZ_CHECK(va && vb && va->size() == vb->size());
  for (size_t i = 0; i < va->size(); ++i) {
    FUZZ_CHECK((*va)[i].name == (*vb)[i].name && (*va)[i].data == (*vb)[i].data &&
               (*va)[i].text == (*vb)[i].text);
  }
  const auto ka = a.SubKeys(root, path), kb = b.SubKeys(root, path);
  FUZZ_CHECK(ka && kb && *ka == *kb);
  for (const std::string& name : *ka) Compare(a, b, root, path.empty() ? name : path + "\\" + name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = orbo::fuzz::AsText(data, size);
  orbo::MemoryRegistry first;
  orbo::RegTextReport report;
  orbo::ParseRegText(text, orbo::RegRoot::kLocalMachine, &first, &report);
  FUZZ_CHECK(report.badLines >= 0 && report.values >= 0 && report.keys >= 0);
  FUZZ_CHECK(report.firstError.empty() == (report.badLines == 0 && report.droppedValues == 0));

  std::string written = "WINE REGISTRY Version 2\n";
  for (orbo::RegRoot root : kRoots) Write(first, root, "", "", &written);
  orbo::MemoryRegistry second;
  orbo::RegTextReport again;
  orbo::ParseRegText(written, std::nullopt, &second, &again);
  FUZZ_CHECK(again.badLines == 0 && again.droppedValues == 0);
  for (orbo::RegRoot root : kRoots) Compare(first, second, root, "");

  // A string body on its own: what is decoded, escaped again, decodes the same.
  size_t pos = 0;
  std::string decoded;
  if (orbo::DecodeRegString(text, &pos, '"', &decoded)) {
    FUZZ_CHECK(pos <= text.size());
    CheckText(decoded);
    const std::string escaped = Escape(decoded, '"') + "\"";
    std::string twice;
    size_t at = 0;
    FUZZ_CHECK(orbo::DecodeRegString(escaped, &at, '"', &twice));
    FUZZ_CHECK(twice == decoded && at == escaped.size());
  }
  return 0;
}
