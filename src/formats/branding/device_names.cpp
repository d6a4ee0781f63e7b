#include "formats/branding/device_names.h"

#include <cjson/cJSON.h>

#include <memory>
#include <string>

#include "base/codepage.h"
#include "formats/lists/box_types.h"
#include "formats/xml/xml_doc.h"

namespace orbo {
namespace {

struct JsonFree {
  void operator()(cJSON* j) const { cJSON_Delete(j); }
};

const char* StringOf(const cJSON* object, const char* name) {
  const cJSON* item = cJSON_GetObjectItem(object, name);
  return cJSON_IsString(item) ? item->valuestring : nullptr;
}

}  // namespace

bool ApplyDeviceNames(std::string_view device_info, const std::filesystem::path& app_dir) {
  std::unique_ptr<cJSON, JsonFree> root(
      cJSON_ParseWithLength(device_info.data(), device_info.size()));
  if (!cJSON_IsArray(root.get()) || cJSON_GetArraySize(root.get()) < 1) return false;
  XmlDoc doc;
  if (LoadBoxTypes(app_dir, &doc) != 0) return false;

  const cJSON* element = nullptr;
  cJSON_ArrayForEach(element, root.get()) {
    const char* type_text = StringOf(element, "oriValue");
    const char* custom = StringOf(element, "cusModel");
    if (type_text == nullptr || custom == nullptr) continue;
    const std::string type = Codepage::ToUtf8Lossy(type_text);
    const std::string display = Codepage::ToUtf8Lossy(custom);
    doc.ResetCursor();
    if (!doc.FindElement("BOXSet")) continue;
    while (doc.FindChild("box")) {
      if (doc.GetChildAttribute("Type") == type) doc.SetChildAttribute("Display", display);
    }
  }
  return SaveBoxTypes(app_dir, doc);
}

}  // namespace orbo
