// orbo-cli: the headless front end. Global option: --app-dir DIR.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "base/file_util.h"
#include "cli/verb.h"
#include "platform/linux/app_dir.h"

namespace orbo::cli {
namespace {

std::map<std::string, VerbInfo>& Verbs() {
  static std::map<std::string, VerbInfo> verbs;
  return verbs;
}

std::filesystem::path& AppDirStorage() {
  static std::filesystem::path dir;
  return dir;
}

std::filesystem::path& ProgramDirStorage() {
  static std::filesystem::path dir;
  return dir;
}

bool& InstalledStorage() {
  static bool installed = false;
  return installed;
}

int Help(const Args&) {
  std::printf("usage: orbo-cli [--app-dir DIR] VERB [ARGS...]\n\nverbs:\n");
  for (const auto& [name, info] : Verbs()) std::printf("  %s\n", info.usage);
  return 0;
}

}  // namespace

VerbRegistrar::VerbRegistrar(const char* name, const char* usage, VerbFn run) {
  Verbs()[name] = VerbInfo{name, usage, run};
}

const std::filesystem::path& AppDir() {
  return AppDirStorage();
}
void SetAppDir(const std::filesystem::path& dir) {
  AppDirStorage() = dir;
}
bool InstalledLayout() {
  return InstalledStorage();
}
const std::filesystem::path& ProgramDir() {
  return ProgramDirStorage().empty() ? AppDirStorage() : ProgramDirStorage();
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "orbo-cli: %s\n", message.c_str());
  return 1;
}

int UsageError(const std::string& message) {
  Fail(message);
  return 2;
}

std::vector<std::string> TakeOption(Args* args, const std::string& name) {
  std::vector<std::string> values;
  for (size_t i = 0; i < args->size();) {
    if ((*args)[i] == name && i + 1 < args->size()) {
      values.push_back((*args)[i + 1]);
      args->erase(args->begin() + static_cast<long>(i), args->begin() + static_cast<long>(i) + 2);
    } else {
      ++i;
    }
  }
  return values;
}

bool TakeFlag(Args* args, const std::string& name) {
  auto it = std::find(args->begin(), args->end(), name);
  if (it == args->end()) return false;
  args->erase(it);
  return true;
}

ORBO_CLI_VERB("help", "help                      list the verbs", Help);

}  // namespace orbo::cli

int main(int argc, char** argv) {
  using namespace orbo::cli;
  Args args(argv + 1, argv + argc);
  // --app-dir may stand anywhere; the last one wins.
  auto dirs = TakeOption(&args, "--app-dir");
  const orbo::AppDirChoice choice = orbo::ChooseAppDir(
      orbo::ExecutableDir(), dirs.empty() ? "" : dirs.back(), orbo::ProcessUserDirsEnv());
  if (!choice.error.empty()) return Fail(choice.error);
  SetAppDir(choice.appDir);
  ProgramDirStorage() = choice.programDir;
  InstalledStorage() = choice.installed;
  if (args.empty()) {
    Help(args);
    return 2;
  }
  const std::string verb = args.front();
  args.erase(args.begin());
  auto it = Verbs().find(verb);
  if (it == Verbs().end()) {
    Fail("unknown verb \"" + verb + "\" (try: orbo-cli help)");
    return 2;
  }
  return it->second.run(args);
}
