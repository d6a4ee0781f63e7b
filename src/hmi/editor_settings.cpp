#include "hmi/editor_settings.h"

#include "formats/xml/xml_doc.h"

namespace orbo {

const char kDefaultEditorSettingsText[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<HMISet filever = \"1.0\">\n<Hmi />\n</HMISet>";

std::filesystem::path EditorSettingsPath(const std::filesystem::path& app_dir) {
  return app_dir / "hmi.xml";
}

void LoadEditorSettings(const std::filesystem::path& app_dir, EditorSettings* settings) {
  if (app_dir.empty()) return;
  XmlDoc doc;
  if (!doc.LoadFile(EditorSettingsPath(app_dir))) return;
  doc.ResetCursor();
  if (doc.FindElement("HMISet") && doc.FindChild("Hmi")) {
    settings->folder = doc.GetChildAttribute("Folder");
    settings->version = doc.GetChildAttribute("Version");
  }
}

bool SaveEditorSettings(const std::filesystem::path& app_dir, const EditorSettings& settings) {
  if (app_dir.empty()) return false;
  const auto path = EditorSettingsPath(app_dir);
  XmlDoc doc;
  if (!doc.LoadFile(path)) doc.SetText(kDefaultEditorSettingsText);
  doc.ResetCursor();
  if (!doc.FindElement("HMISet") || !doc.FindChild("Hmi")) return false;
  doc.SetChildAttribute("Folder", settings.folder);
  doc.SetChildAttribute("Version", settings.version);
  return doc.SaveFile(path);
}

}  // namespace orbo
