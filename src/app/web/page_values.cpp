#include "app/web/page_values.h"

namespace orbo {

std::vector<PageValue> BuildPageValues(const AppSettings& settings, const std::string& serverList,
                                       const std::string& curServer, const std::string& softVersion) {
  std::vector<PageValue> values;
  values.push_back({"jsValue", std::string("C++ created Value!")});
  values.push_back({"CurrentAppLang", settings.lang});
  values.push_back({"nOem", settings.oem});
  values.push_back({"nAppMode", settings.mode});
  values.push_back({"nFirst", settings.first});
  values.push_back({"nRep", settings.rep});
  values.push_back({"nTimeZone", settings.timeZoneName});
  values.push_back({"szServerList", serverList});
  values.push_back({"curserver", curServer});
  values.push_back({"CurVirCom", settings.virCom.empty()
                                     ? std::string()
                                     : settings.virCom + ": Virtual Serial Port"});
  values.push_back({"CurSoftVer", softVersion});
  return values;
}

}  // namespace orbo
