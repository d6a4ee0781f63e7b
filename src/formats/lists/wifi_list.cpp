#include "formats/lists/wifi_list.h"

#include "formats/xml/xml_doc.h"

namespace orbo {
namespace {

constexpr std::string_view kRoot = "WifiList";
constexpr std::string_view kEntry = "wifi";
constexpr std::string_view kName = "Name";
constexpr std::string_view kPassword = "Psw";

// Loads the list and puts the main position on its root. A document that is
// not well formed is refused: saving it would write back whatever half of
// it the parser recognised.
bool OpenList(const std::filesystem::path& file, XmlDoc* doc) {
  if (!doc->LoadFile(file)) return false;
  doc->ResetCursor();
  return doc->FindElement(kRoot);
}

}  // namespace

int SaveWifi(const std::filesystem::path& app_dir, std::string_view name,
             std::string_view password) {
  const std::filesystem::path file = app_dir / kWifiListFileName;
  XmlDoc doc;
  if (!OpenList(file, &doc)) return -1;
  // Saving would write U+FFFD over characters of other entries.
  if (doc.lossy_load()) return -3;
  bool matched = false;
  while (doc.FindChild(kEntry)) {
    if (doc.GetChildAttribute(kName) == name) {
      // A password the document cannot hold is not reported as saved.
      if (!doc.SetChildAttribute(kPassword, password)) return -1;
      matched = true;
    }
  }
  // A failed FindChild leaves the child position on the last entry, so the
  // new one goes right after it (at the end when there was none).
  if (!matched) {
    if (!doc.AddChild(kEntry) || !doc.SetChildAttribute(kName, name) ||
        !doc.SetChildAttribute(kPassword, password)) {
      return -1;
    }
  }
  return doc.SaveFile(file) ? 0 : -2;
}

int RemoveWifi(const std::filesystem::path& app_dir, std::string_view name) {
  const std::filesystem::path file = app_dir / kWifiListFileName;
  XmlDoc doc;
  if (!OpenList(file, &doc)) return -1;
  if (doc.lossy_load()) return -3;
  while (doc.FindChild(kEntry)) {
    if (doc.GetChildAttribute(kName) != name) continue;
    if (!doc.EnterElement() || !doc.RemoveElement()) return -1;
    return doc.SaveFile(file) ? 0 : -2;
  }
  return -1;
}

}  // namespace orbo
