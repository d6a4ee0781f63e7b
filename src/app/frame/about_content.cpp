#include "app/frame/about_content.h"

#include "formats/xml/xml_doc.h"

namespace orbo {

AboutContent MakeAboutContent(const AboutInputs& in,
                              const std::function<std::string(std::string_view)>& lookup) {
  AboutContent c;
  c.branded = in.name != "ORBO" || in.oem != 0 || in.mode == 1;
  c.notes = in.notes;
  if (!c.branded) {
    c.title = "About ORBO";
    c.product = lookup("about_string1");
    c.company = lookup("about_string2");
    return c;
  }
  c.title = lookup("button_about");
  if (in.comp.empty()) {
    c.showLogo = c.showProduct = c.showCompany = false;
    c.notesFillWindow = true;
    return c;
  }
  c.logoFromPackage = true;
  c.company = in.comp;  // the product label stays empty
  return c;
}

std::string ReadReleaseNotes(const std::filesystem::path& appDir) {
  XmlDoc doc;
  // A document that is not well formed may still hold the element.
  if (!doc.LoadFile(appDir / "ReleaseLog.log") && doc.GetText().empty()) return {};
  doc.ResetCursor();
  if (!doc.FindElement("HMISet") || !doc.FindChild("Hmi")) return {};
  return doc.GetChildAttribute("Help_Ch");
}

}  // namespace orbo
