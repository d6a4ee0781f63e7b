// orbo-cli text KEY: the localised text of a message key.
#include <cstdio>

#include "cli/json_line.h"
#include "cli/verb.h"
#include "settings/app_settings.h"

namespace orbo::cli {
namespace {

// Prints the text of KEY in the language of the app directory's settings,
// with the box word in place of "replaceBox". Fails when the text is empty
// (no table for the language, no such key, or an empty value).
int TextVerb(const Args& given) {
  Args args = given;
  const bool json = TakeFlag(&args, "--json");
  if (args.size() != 1) return UsageError("usage: orbo-cli text [--json] KEY");
  SettingsStore store(AppDir());
  store.Load();
  const std::string text = store.LookupText(args[0]);
  if (text.empty()) {
    return Fail("no text for \"" + args[0] + "\" in language \"" + store.Get().lang + "\"");
  }
  if (json) {
    JsonPtr o = NewJsonObject();
    AddJsonText(o.get(), "key", args[0]);
    AddJsonText(o.get(), "text", text);
    PrintJsonLine(o.get());
    return 0;
  }
  std::printf("%s\n", text.c_str());
  return 0;
}

}  // namespace

ORBO_CLI_VERB("text", "text [--json] KEY         print the localised text of a message key",
              TextVerb);

}  // namespace orbo::cli
