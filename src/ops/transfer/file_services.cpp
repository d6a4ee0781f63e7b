#include "ops/transfer/file_services.h"

#include "formats/lists/wifi_list.h"
#include "ops/transfer/transfer_ops.h"

namespace orbo {

int AppDirSetupBuilder::BuildSetupXml(const std::string& form) {
  return orbo::BuildSetupXml(app_dir_, form);
}

int WifiListStore::SaveWifi(const std::optional<std::string>& name,
                            const std::optional<std::string>& password) {
  // An entry without a name could never be found again.
  if (!name) return -1;
  return orbo::SaveWifi(app_dir_, *name, password.value_or(std::string()));
}

int WifiListStore::RemoveWifi(const std::string& name) {
  return orbo::RemoveWifi(app_dir_, name);
}

}  // namespace orbo
