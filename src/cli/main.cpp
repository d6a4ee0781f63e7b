// orbo-cli: the headless front end. Global options: --app-dir DIR, --help,
// --version; "VERB --help" prints one verb's usage.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>

#include "base/file_util.h"
#include "base/program_info.h"
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

// "box [--host H] ACTION  one box: ..." -> the synopsis before the first run
// of two spaces, and the summary after it.
struct UsageParts {
  std::string synopsis;
  std::string summary;
};
UsageParts SplitUsage(const char* usage) {
  const std::string text = usage;
  const size_t gap = text.find("  ");
  if (gap == std::string::npos) return {text, ""};
  const size_t summary = text.find_first_not_of(' ', gap);
  return {text.substr(0, gap), summary == std::string::npos ? "" : text.substr(summary)};
}

void PrintOverview(std::FILE* out) {
  std::fprintf(out,
               "usage: orbo-cli [--app-dir DIR] VERB [ARGS...]\n"
               "       orbo-cli VERB --help | help [VERB] | --help | --version\n\nverbs:\n");
  for (const auto& [name, info] : Verbs()) std::fprintf(out, "  %s\n", info.usage);
  std::fprintf(out, "\nExit status: 0 success, 1 the operation failed, 2 bad usage.\n"
                    "The manual page orbo-cli(1) describes every verb.\n");
}

// One verb's usage on stdout; 2 when there is no such verb.
int PrintVerbUsage(const std::string& verb) {
  auto it = Verbs().find(verb);
  if (it == Verbs().end()) return UsageError("unknown verb \"" + verb + "\" (try: orbo-cli help)");
  const UsageParts parts = SplitUsage(it->second.usage);
  std::printf("usage: orbo-cli [--app-dir DIR] %s\n", parts.synopsis.c_str());
  if (!parts.summary.empty()) std::printf("%s\n", parts.summary.c_str());
  std::printf("\nThe manual page orbo-cli(1) has its options, JSON and exit status.\n");
  return 0;
}

int Help(const Args& args) {
  if (args.size() > 1) return UsageError("usage: orbo-cli help [VERB]");
  if (args.size() == 1) return PrintVerbUsage(args[0]);
  PrintOverview(stdout);
  return 0;
}

// --help, --version, "help [VERB]" and "VERB ... --help" are answered before
// the app folder is chosen, so asking for help never makes or seeds one.
std::optional<int> AnswerHelpRequest(const Args& args) {
  if (args.empty()) return std::nullopt;
  const std::string& first = args.front();
  if (first == "--help") return Help({});
  if (first == "--version") {
    std::fputs(orbo::VersionText("orbo-cli").c_str(), stdout);
    return 0;
  }
  if (first == "help") return Help(Args(args.begin() + 1, args.end()));
  for (size_t i = 1; i < args.size() && args[i] != "--"; ++i) {
    if (args[i] == "--help") return PrintVerbUsage(first);
  }
  return std::nullopt;
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

ORBO_CLI_VERB("help", "help [VERB]               list the verbs, or one verb's usage", Help);

}  // namespace orbo::cli

int main(int argc, char** argv) {
  using namespace orbo::cli;
  Args args(argv + 1, argv + argc);
  // --app-dir may stand anywhere; the last one wins.
  auto dirs = TakeOption(&args, "--app-dir");
  if (auto answered = AnswerHelpRequest(args)) return *answered;
  const orbo::AppDirChoice choice = orbo::ChooseAppDir(
      orbo::ExecutableDir(), dirs.empty() ? "" : dirs.back(), orbo::ProcessUserDirsEnv());
  if (!choice.error.empty()) return Fail(choice.error);
  SetAppDir(choice.appDir);
  ProgramDirStorage() = choice.programDir;
  InstalledStorage() = choice.installed;
  if (args.empty()) {
    PrintOverview(stderr);
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
