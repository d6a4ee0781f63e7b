// orbo-cli settings: the settings the pages would receive.
#include <cstdio>

#include "base/utf.h"
#include "cli/verb.h"
#include "settings/app_settings.h"

namespace orbo::cli {
namespace {

int SettingsVerb(const Args& args) {
  if (!args.empty()) return Fail("usage: orbo-cli settings");
  AppSettings s;
  LoadSettings(AppDir(), &s);
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
              "settings                  print the values of SoftLang.ini, one key=value a line",
              SettingsVerb);

}  // namespace orbo::cli
