#include "base/program_info.h"

#include <cstdio>

// Filled in by the build from the project's version and licence (this file
// alone is rebuilt when they change).
#ifndef ORBO_VERSION
#error "ORBO_VERSION is set by src/base/CMakeLists.txt"
#endif

namespace orbo {

const char* ToolVersion() {
  return ORBO_VERSION;
}

std::string VersionText(const char* program) {
  std::string text = std::string(program) + " (ORBO box tool) " + ORBO_VERSION + "\n";
  text += "Copyright (C) " ORBO_COPYRIGHT "\n";
  text += "License " ORBO_LICENSE_NAME ".\n";
  text += "This is free software: you are free to change and redistribute it.\n";
  text += "There is NO WARRANTY, to the extent permitted by law.\n";
  return text;
}

std::optional<int> AnswerHelpOrVersion(const char* program, const std::vector<std::string>& args,
                                       const char* usage) {
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "--help") {
      std::fputs(usage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::fputs(VersionText(program).c_str(), stdout);
      return 0;
    }
  }
  return std::nullopt;
}

}  // namespace orbo
