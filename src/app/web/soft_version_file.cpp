#include "app/web/soft_version.h"
#include "formats/xml/xml_doc.h"

namespace orbo {

std::string ReadSoftVersion(const std::filesystem::path& appDir, std::string_view fallback) {
  XmlDoc doc;
  if (!doc.LoadFile(appDir / "ReleaseLog.log")) {
    // A document that is not well formed may still hold the element.
    if (doc.GetText().empty()) return std::string(fallback);
  }
  doc.ResetCursor();
  if (!doc.FindElement("HMISet") || !doc.FindChild("Hmi")) return std::string(fallback);
  std::optional<std::string> version = SoftVersionFromHelpText(doc.GetChildAttribute("Help_Ch"));
  return version ? *version : std::string(fallback);
}

}  // namespace orbo
