// The values every allowed page finds on its window object, in the order
// they are set.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "settings/app_settings.h"

namespace orbo {

struct PageValue {
  std::string name;
  std::variant<std::string, int> value;
};

// jsValue, CurrentAppLang, nOem, nAppMode, nFirst, nRep, nTimeZone,
// szServerList, curserver, CurVirCom, CurSoftVer (myobject, the native
// accessor object, comes last and is set by the script layer).
// CurVirCom is "<VirCom>: Virtual Serial Port" whenever the COM name is set
// (the port it names may still be starting), empty when it is not.
// serverList is the server profile names as BuildServerList joins them.
std::vector<PageValue> BuildPageValues(const AppSettings& settings, const std::string& serverList,
                                       const std::string& curServer, const std::string& softVersion);

}  // namespace orbo
