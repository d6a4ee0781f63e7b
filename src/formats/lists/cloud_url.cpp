#include "formats/lists/cloud_url.h"

#include "base/utf.h"
#include "formats/xml/xml_doc.h"

namespace orbo {

std::optional<std::string> LoadCloudUrl(const std::filesystem::path& app_dir) {
  XmlDoc doc;
  // Only reading: a document that is not quite well formed still gives the
  // elements that could be recognised, as the page itself would.
  doc.LoadFile(app_dir / "html" / "Default.xml");
  doc.ResetCursor();
  if (!doc.FindElement("QXBoxSet") || !doc.FindChild("BaseSet")) return std::nullopt;
  return Utf8Truncate(doc.GetChildAttribute("URL2"), kCloudUrlMaxChars);
}

int GetCloudUrl(const std::filesystem::path& app_dir, std::string* url) {
  if (std::optional<std::string> found = LoadCloudUrl(app_dir); found && url) *url = *found;
  return 1;
}

}  // namespace orbo
