// Building the browser list at start-up and deciding the browser to use:
// the one named by the setting "bro" when installed, else Chrome, else the
// system's handler of http addresses.
#pragma once

#include <string>
#include <vector>

#include "desktop/browser_list.h"

namespace orbo {

class Registry;
class SettingsStore;

// Known install places tried after the registry scan.
struct BrowserCandidates {
  std::vector<std::string> chrome;
  std::vector<std::string> edge;
  // The usual Linux install paths of Chrome and Edge.
  static BrowserCandidates Default();
};

// Adds every StartMenuInternet entry (HKEY_LOCAL_MACHINE, then
// HKEY_CURRENT_USER) whose command names an existing file with a known
// browser name.
void ScanInstalledBrowsers(const Registry& registry, BrowserList* list);

// Adds the Chrome and Edge candidates and decides the selected browser
// from list->selectedName(). True when the selected name changed and the
// settings must be saved (Chrome, or the http handler, took the place of a
// browser that is not installed).
bool ResolveBrowser(const Registry& registry, const BrowserCandidates& candidates,
                    BrowserList* list);

// Start-up's whole detection: the selected name from the setting "bro",
// the scan, the decision, and "bro" saved when it changed.
void DetectBrowsers(const Registry& registry, const BrowserCandidates& candidates,
                    SettingsStore* settings, BrowserList* list);

}  // namespace orbo
