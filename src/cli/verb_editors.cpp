// orbo-cli editors: the installed panel editors (from the Wine prefix's
// registry), the configured one, and choosing a folder as the download
// settings would.
#include <cjson/cJSON.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "cli/verb.h"
#include "hmi/editor_choice.h"
#include "hmi/editor_discovery.h"
#include "hmi/editor_settings.h"
#include "platform/linux/wine_registry.h"
#include "settings/app_settings.h"

namespace orbo::cli {
namespace {

using JsonPtr = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

int PrintJson(cJSON* root) {
  JsonPtr owned(root, cJSON_Delete);
  char* text = cJSON_PrintUnformatted(root);
  if (!text) return Fail("out of memory");
  std::printf("%s\n", text);
  cJSON_free(text);
  return 0;
}

int ListEditors(bool json) {
  WineRegistry registry(DefaultWinePrefix());
  std::vector<std::string> folders = FindInstalledEditors(registry);
  EditorSettings configured;
  LoadEditorSettings(AppDir(), &configured);
  const bool configured_usable = IsEditorUsable("", configured.folder);
  if (json) {
    cJSON* root = cJSON_CreateObject();
    cJSON_AddStringToObject(root, "winePrefix", registry.prefix().string().c_str());
    cJSON* list = cJSON_AddArrayToObject(root, "installed");
    for (const std::string& folder : folders) {
      cJSON* item = cJSON_CreateObject();
      cJSON_AddStringToObject(item, "folder", folder.c_str());
      cJSON_AddStringToObject(item, "windowsFolder",
                              LinuxToWindowsPath(registry.prefix(), folder).c_str());
      cJSON_AddStringToObject(item, "version", ReadEditorVersion(folder).c_str());
      cJSON_AddBoolToObject(item, "usable", IsEditorUsable(folder));
      cJSON_AddItemToArray(list, item);
    }
    cJSON* conf = cJSON_AddObjectToObject(root, "configured");
    cJSON_AddStringToObject(conf, "folder", configured.folder.c_str());
    cJSON_AddStringToObject(conf, "version", configured.version.c_str());
    cJSON_AddBoolToObject(conf, "usable", configured_usable);
    return PrintJson(root);
  }
  for (const std::string& folder : folders) {
    std::string version = ReadEditorVersion(folder);
    std::printf("installed\t%s\t%s\t%s\n", folder.c_str(), version.empty() ? "-" : version.c_str(),
                IsEditorUsable(folder) ? "usable" : "not usable");
  }
  std::printf("configured\t%s\t%s\t%s\n",
              configured.folder.empty() ? "-" : configured.folder.c_str(),
              configured.version.empty() ? "-" : configured.version.c_str(),
              configured_usable ? "usable" : "not usable");
  return 0;
}

int SetEditor(const std::string& given) {
  std::string folder = given;
  // A Windows path names a folder of the Wine prefix.
  if (folder.size() >= 2 && folder[1] == ':') {
    folder = WindowsToLinuxPath(DefaultWinePrefix(), folder);
    if (folder.empty()) return Fail("\"" + given + "\" is not a folder of the Wine prefix");
  }
  // The folder is kept in hmi.xml and used from any working directory.
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
  if (ec) return Fail("\"" + given + "\" is not a usable path");
  BrowseOutcome outcome = CheckBrowsedFolder(absolute.lexically_normal().string());
  if (!outcome.messageKey.empty()) {
    SettingsStore settings(AppDir());
    settings.Load();
    std::string text = settings.LookupText(outcome.messageKey);
    return Fail(text.empty() ? outcome.messageKey : text + " (" + outcome.messageKey + ")");
  }
  EditorSettings chosen{outcome.folder, outcome.version};
  if (!SaveEditorSettings(AppDir(), chosen)) {
    return Fail("cannot write " + EditorSettingsPath(AppDir()).string());
  }
  std::printf("configured\t%s\t%s\n", chosen.folder.c_str(), chosen.version.c_str());
  return 0;
}

int EditorsVerb(const Args& in) {
  Args args = in;
  bool json = TakeFlag(&args, "--json");
  if (args.empty()) return ListEditors(json);
  if (args.size() == 2 && args[0] == "set" && !json) return SetEditor(args[1]);
  return UsageError("usage: orbo-cli editors [--json] | orbo-cli editors set FOLDER");
}

}  // namespace

ORBO_CLI_VERB("editors", "editors [--json|set DIR]  panel editors found and configured; set one",
              EditorsVerb);

}  // namespace orbo::cli
