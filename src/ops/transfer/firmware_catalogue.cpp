// LoadCatalogue: which firmware components the shipped catalogue has for
// the linked box's model.
#include "base/logger.h"
#include "formats/lists/box_types.h"
#include "formats/xml/xml_doc.h"
#include "ops/transfer/firmware_update.h"

namespace orbo {
namespace {

struct BoxModel {
  std::string serialNo;
  std::string kernel;
};

// The first model whose (non-empty) "Type" is the start of the reply.
bool FindBoxModel(const std::filesystem::path& app_dir, std::string_view type_reply,
                  BoxModel* model) {
  XmlDoc doc;
  if (LoadBoxTypes(app_dir, &doc) != 0) {
    ORBO_LOG_WARN("%s is missing or not a well-formed document", kBoxTypesFileName);
    return false;
  }
  doc.ResetCursor();
  if (!doc.FindElement("BOXSet")) return false;
  while (doc.FindChild("box")) {
    const std::string type = doc.GetChildAttribute("Type");
    // An empty type would claim every box.
    if (type.empty() || !type_reply.starts_with(type)) continue;
    model->serialNo = doc.GetChildAttribute("SerialNo");
    model->kernel = doc.GetChildAttribute("Kernel");
    return true;
  }
  ORBO_LOG_WARN("no box model fits the type reply \"%.*s\"", static_cast<int>(type_reply.size()),
                type_reply.data());
  return false;
}

}  // namespace

bool LoadCatalogue(const std::filesystem::path& app_dir, std::string_view type_reply,
                   std::vector<ComponentRecord>* records, std::string* kernel_family) {
  records->clear();
  BoxModel model;
  if (!FindBoxModel(app_dir, type_reply, &model)) return false;
  *kernel_family = model.kernel;

  XmlDoc doc;
  if (!doc.LoadFile(app_dir / "Up.ibl")) {
    ORBO_LOG_WARN("Up.ibl is missing or not a well-formed document");
    return false;
  }
  doc.ResetCursor();
  if (!doc.FindElement("UpdateInfo")) return false;
  bool found = false;
  while (doc.FindChild("ORBOType")) {
    if (doc.GetChildAttribute("SerialNo") == model.serialNo) {
      found = true;
      break;
    }
  }
  if (!found || !doc.EnterElement()) return false;
  while (doc.FindChild("element")) {
    if (records->size() == kMaxComponents) {
      ORBO_LOG_WARN("Up.ibl lists more than %zu components for %s; the rest are ignored",
                    kMaxComponents, model.serialNo.c_str());
      break;
    }
    ComponentRecord& r = records->emplace_back();
    if (doc.GetChildAttribute("Kernel") != model.kernel) continue;
    r.imageName = doc.GetChildAttribute("ImgName");
    r.boxFileName = doc.GetChildAttribute("DownName");
    r.versionKey = doc.GetChildAttribute("VerName");
    r.newVersion = doc.GetChildAttribute("Ver");
    r.digest = doc.GetChildAttribute("Md5");
  }
  return !records->empty();
}

}  // namespace orbo
