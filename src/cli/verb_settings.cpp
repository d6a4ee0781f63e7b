// orbo-cli settings: the settings the pages would receive.
#include <cstdio>
#include <string>
#include <utility>

#include "base/utf.h"
#include "cli/json_line.h"
#include "cli/verb.h"
#include "settings/app_settings.h"

namespace orbo::cli {
namespace {

// {"oem":0,...,"curserver":"..."}: the same keys and values in one object.
int SettingsJson(const AppSettings& s) {
  JsonPtr o = NewJsonObject();
  const std::pair<const char*, int> numbers[] = {
      {"oem", s.oem}, {"first", s.first},   {"log", s.log},      {"mode", s.mode},
      {"tp", s.tp},   {"server", s.server}, {"langID", s.langID}};
  for (const auto& [name, value] : numbers) cJSON_AddNumberToObject(o.get(), name, value);
  const std::pair<const char*, std::string> texts[] = {{"bro", s.bro},
                                                       {"lang", s.lang},
                                                       {"rep", s.rep},
                                                       {"VirCom", s.virCom},
                                                       {"name", s.name},
                                                       {"comp", s.comp},
                                                       {"curserver", ReadCurServer(AppDir())}};
  for (const auto& [name, value] : texts) AddJsonText(o.get(), name, value);
  PrintJsonLine(o.get());
  return 0;
}

int SettingsVerb(const Args& given) {
  Args args = given;
  const bool json = TakeFlag(&args, "--json");
  if (!args.empty()) return UsageError("usage: orbo-cli settings [--json]");
  AppSettings s;
  LoadSettings(AppDir(), &s);
  if (json) return SettingsJson(s);
  std::printf("oem=%d\nfirst=%d\nlog=%d\nmode=%d\ntp=%d\nserver=%d\n", s.oem, s.first, s.log,
              s.mode, s.tp, s.server);
  // File text is shown with its control characters visible.
  auto shown = [](const std::string& text) { return VisibleText(text); };
  std::printf("bro=%s\nlang=%s\nrep=%s\nVirCom=%s\nname=%s\n", shown(s.bro).c_str(),
              shown(s.lang).c_str(), shown(s.rep).c_str(), shown(s.virCom).c_str(),
              shown(s.name).c_str());
  std::printf("langID=%d\ncomp=%s\ncurserver=%s\n", s.langID, shown(s.comp).c_str(),
              shown(ReadCurServer(AppDir())).c_str());
  return 0;
}

}  // namespace

ORBO_CLI_VERB("settings",
              "settings [--json]         print the values of SoftLang.ini, one key=value a line",
              SettingsVerb);

}  // namespace orbo::cli
