// orbo-certpack: builds a reseller's certificate package.
//   orbo-certpack --domain HOST [--key-mode 0|1] -o OUT.ce NAME=FILE...
// Entries are stored in the order given; the file is written only when every
// input could be read.
#include <cstdio>
#include <string>
#include <vector>

#include "base/file_util.h"
#include "base/program_info.h"
#include "cert_writer.h"
#include "formats/cert/cert_format.h"

namespace {

constexpr char kUsage[] =
    "usage: orbo-certpack --domain HOST [--key-mode 0|1] -o OUT.ce NAME=FILE...\n"
    "  An empty HOST stores no domain; readers then use their default one.\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "orbo-certpack: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace orbo;
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string domain, out;
  bool have_domain = false;
  int key_mode = 0;
  std::vector<certpack::PackEntry> entries;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--version") {
      std::fputs(VersionText("orbo-certpack").c_str(), stdout);
      return 0;
    } else if (a == "--domain" && has_value) {
      domain = args[++i];
      have_domain = true;
    } else if (a == "--key-mode" && has_value) {
      const std::string& mode = args[++i];
      if (mode != "0" && mode != "1") return Fail("--key-mode takes 0 or 1, not \"" + mode + "\"");
      key_mode = mode == "0" ? 0 : 1;
    } else if (a == "-o" && has_value) {
      out = args[++i];
    } else if (a.size() > 1 && a[0] == '-') {
      return Fail("unknown or incomplete option \"" + a + "\"\n" + kUsage);
    } else {
      const size_t eq = a.find('=');
      if (eq == std::string::npos || eq == 0 || eq + 1 == a.size())
        return Fail("entries are NAME=FILE, not \"" + a + "\"");
      certpack::PackEntry entry{a.substr(0, eq), {}};
      const std::string file = a.substr(eq + 1);
      if (!ReadFileBytes(file, &entry.data, kCertMaxPayloadSize))
        return Fail("cannot read " + file);
      entries.push_back(std::move(entry));
    }
  }
  if (!have_domain || out.empty() || entries.empty())
    return Fail(std::string("missing arguments\n") + kUsage);
  if (domain.size() > static_cast<size_t>(kCertMaxDomainLength))
    return Fail("the domain is longer than 254 bytes");
  const std::string package =
      certpack::BuildPackage(domain, CertDefaultDomain(), key_mode, entries);
  if (package.empty()) return Fail("encryption failed");
  if (package.size() - kCertMinFileSize > kCertMaxPayloadSize)
    return Fail("the entries exceed the 64 MiB a package may carry");
  if (!WriteFileAtomic(out, package)) return Fail("cannot write " + out);
  return 0;
}
