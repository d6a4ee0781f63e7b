// The list files beside the executable: the Wi-Fi list (save and remove an
// entry), the page settings file's monitor address and the server profile
// names. Input parts, split at U+001E: WifiList.xml, a network name, its
// password, html/Default.xml, a server profile file name.
#include <string>

#include "base/utf.h"
#include "formats/lists/cloud_url.h"
#include "formats/lists/server_list.h"
#include "formats/lists/wifi_list.h"
#include "formats/xml/xml_doc.h"
#include "fuzz_support.h"

namespace {

namespace fs = std::filesystem;

// True when the list holds an entry with exactly this name and password.
bool HasEntry(const fs::path& file, std::string_view name, std::string_view password) {
  orbo::XmlDoc doc;
  if (!doc.LoadFile(file) || !doc.FindElement("WifiList")) return false;
  while (doc.FindChild("wifi")) {
    if (doc.GetChildAttribute("Name") == name) return doc.GetChildAttribute("Psw") == password;
  }
  return false;
}

void CheckServerNames(const fs::path& dir, std::string_view name) {
  const fs::path servers = dir / "Servers";
  std::error_code ec;
  fs::remove_all(servers, ec);
  if (!name.empty() && name.size() < 200 && name != "." && name != ".." &&
      name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos) {
    orbo::fuzz::WriteFile(servers / std::string(name), "<QXBoxSet/>");
  }
  const std::string list = orbo::BuildServerList(dir);
  for (const std::string& n : orbo::ListServerNames(dir)) {
    FUZZ_CHECK(!n.empty() && n[0] != '.' && orbo::IsValidUtf8(n));
    FUZZ_CHECK(n.find(orbo::kFieldSeparator) == std::string::npos);
  }
  FUZZ_CHECK(list.empty() ||
             (list.front() != orbo::kFieldSeparator && list.back() != orbo::kFieldSeparator));
  // A profile named like a temporary file must not meet the next input's
  // check for left-over temporary files.
  fs::remove_all(servers, ec);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = orbo::fuzz::Split(orbo::fuzz::AsText(data, size), '\x1e');
  const auto part = [&](size_t i, std::string_view fallback) {
    return i < parts.size() ? parts[i] : fallback;
  };
  const fs::path& dir = orbo::fuzz::ScratchDir();

  const fs::path wifi = dir / orbo::kWifiListFileName;
  orbo::fuzz::WriteFile(wifi, parts[0]);
  const std::string_view name = part(1, "Plant-5G");
  const std::string_view password = part(2, "s3cret");
  if (orbo::SaveWifi(dir, name, password) == 0 && orbo::IsValidUtf8(name) &&
      orbo::IsValidUtf8(password)) {
    FUZZ_CHECK(HasEntry(wifi, name, password));
    FUZZ_CHECK(orbo::RemoveWifi(dir, name) == 0);
  }
  FUZZ_CHECK(orbo::fuzz::NoTempFilesIn(dir));

  orbo::fuzz::WriteFile(dir / "html" / "Default.xml", part(3, ""));
  if (const auto url = orbo::LoadCloudUrl(dir)) {
    FUZZ_CHECK(orbo::Utf8Length(*url) <= orbo::kCloudUrlMaxChars);
  }

  CheckServerNames(dir, part(4, ""));
  return 0;
}
