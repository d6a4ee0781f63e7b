#include "platform/start_program.h"

#include <spawn.h>

extern char** environ;

namespace orbo {

pid_t StartProgram(const std::vector<std::string>& argv) {
  if (argv.empty() || argv.front().empty()) return -1;
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  return pid;
}

}  // namespace orbo
