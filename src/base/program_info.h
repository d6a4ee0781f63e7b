// The tool's version and the answers every program gives to --help and
// --version: on standard output, exit status 0.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orbo {

// The project's version, "0.1.0".
const char* ToolVersion();

// The --version text: "<program> (ORBO box tool) <version>", the copyright
// line and the licence.
std::string VersionText(const char* program);

// When args hold "--help" or "--version" (before a "--"), prints usage or
// VersionText(program) to stdout and returns 0, the status to exit with;
// nullopt otherwise. The first of the two that appears wins.
std::optional<int> AnswerHelpOrVersion(const char* program, const std::vector<std::string>& args,
                                       const char* usage);

}  // namespace orbo
