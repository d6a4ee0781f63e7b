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
// CurVirCom is "<VirCom>: Virtual Serial Port" when the virtual port is
// present, and empty when it is not or VirCom is empty, so the pages never
// announce a port that does not exist.
// serverList is the server profile names as BuildServerList joins them.
std::vector<PageValue> BuildPageValues(const AppSettings& settings, const std::string& serverList,
                                       const std::string& curServer, const std::string& softVersion,
                                       bool virtualPortPresent);

}  // namespace orbo
