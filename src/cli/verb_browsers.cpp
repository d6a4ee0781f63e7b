// orbo-cli browsers / open: the web browsers the tool finds on this desktop
// and opening an address in the selected one, as the tool does.
#include <cjson/cJSON.h>

#include <cstdio>
#include <memory>

#include "cli/verb.h"
#include "desktop/browser_detect.h"
#include "desktop/browser_open.h"
#include "platform/linux/xdg_browsers.h"
#include "settings/app_settings.h"

namespace orbo::cli {
namespace {

int BrowsersVerb(const Args& in) {
  Args args = in;
  bool json = TakeFlag(&args, "--json");
  if (!args.empty()) return UsageError("usage: orbo-cli browsers [--json]");
  SettingsStore settings(AppDir());
  settings.Load();
  DesktopBrowserRegistry registry(XdgDirs::FromEnvironment());
  BrowserList list;
  // Listing only: the decision is shown but "bro" is not rewritten here.
  list.SetSelectedName(settings.Get().bro);
  ScanInstalledBrowsers(registry, &list);
  ResolveBrowser(registry, BrowserCandidates::Default(), &list);
  if (json) {
    std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(cJSON_CreateObject(), cJSON_Delete);
    cJSON* items = cJSON_AddArrayToObject(root.get(), "browsers");
    for (const BrowserEntry& e : list.entries()) {
      cJSON* item = cJSON_CreateObject();
      cJSON_AddStringToObject(item, "name", e.name.c_str());
      cJSON_AddStringToObject(item, "path", e.path.c_str());
      cJSON_AddItemToArray(items, item);
    }
    cJSON* sel = cJSON_AddObjectToObject(root.get(), "selected");
    cJSON_AddStringToObject(sel, "name", list.selectedName().c_str());
    cJSON_AddStringToObject(sel, "path", list.selectedPath().c_str());
    char* text = cJSON_PrintUnformatted(root.get());
    if (!text) return Fail("out of memory");
    std::printf("%s\n", text);
    cJSON_free(text);
    return 0;
  }
  for (const BrowserEntry& e : list.entries()) {
    std::printf("browser\t%s\t%s\n", e.name.c_str(), e.path.c_str());
  }
  std::printf("selected\t%s\t%s\n", list.selectedName().c_str(), list.selectedPath().c_str());
  return 0;
}

int OpenVerb(const Args& args) {
  if (args.size() != 1) return UsageError("usage: orbo-cli open URL");
  SettingsStore settings(AppDir());
  settings.Load();
  DesktopBrowserRegistry registry(XdgDirs::FromEnvironment());
  BrowserList list;
  DetectBrowsers(registry, BrowserCandidates::Default(), &settings, &list);
  OpenResult result = OpenUrl(list, args[0], DefaultProgramStarter());
  if (result != OpenResult::kStarted) {
    return Fail(std::string("address not opened: ") + OpenResultText(result));
  }
  std::printf("opened in %s\n", list.selectedName().c_str());
  return 0;
}

}  // namespace

ORBO_CLI_VERB("browsers", "browsers [--json]         the web browsers found and the selected one",
              BrowsersVerb);
ORBO_CLI_VERB("open", "open URL                  open an address in the selected web browser",
              OpenVerb);

}  // namespace orbo::cli
