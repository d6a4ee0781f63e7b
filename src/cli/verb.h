// orbo-cli is a set of verbs; each verb file registers itself with
// ORBO_CLI_VERB and gets the arguments after the verb's name.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orbo::cli {

using Args = std::vector<std::string>;
using VerbFn = int (*)(const Args& args);

struct VerbInfo {
  const char* name;
  const char* usage;  // one line, shown by "orbo-cli help"
  VerbFn run;
};

class VerbRegistrar {
 public:
  VerbRegistrar(const char* name, const char* usage, VerbFn run);
};

// The app directory: --app-dir DIR when given; for an installed tool the
// per-user folder; else the executable's folder.
const std::filesystem::path& AppDir();
void SetAppDir(const std::filesystem::path& dir);
// Where the tool's other programs are: the app directory, except for an
// installed tool, whose programs stay in PREFIX/lib/orbo.
const std::filesystem::path& ProgramDir();
// True for an installed tool: its program files are never renamed or written.
bool InstalledLayout();

// Prints "orbo-cli: <message>" to stderr and returns 1, for failing verbs.
int Fail(const std::string& message);

// Prints "orbo-cli: <message>" to stderr and returns 2, for bad usage.
int UsageError(const std::string& message);

// Removes "--name VALUE" pairs from args and returns their values in order.
std::vector<std::string> TakeOption(Args* args, const std::string& name);
// Removes a "--name" flag; true when it was there.
bool TakeFlag(Args* args, const std::string& name);

}  // namespace orbo::cli

#define ORBO_CLI_CONCAT2(a, b) a##b
#define ORBO_CLI_CONCAT(a, b) ORBO_CLI_CONCAT2(a, b)
#define ORBO_CLI_VERB(name, usage, fn) \
  static ::orbo::cli::VerbRegistrar ORBO_CLI_CONCAT(orbo_cli_verb_, __LINE__)(name, usage, fn)
