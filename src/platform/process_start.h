// Starting outside programs (the download tool, browsers, the system's
// address handler): always with an argument vector, never through a shell,
// so addresses and paths from pages are one argument each whatever they
// hold.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orbo {

// Starts argv[0] with the arguments argv[1...]; argv[0] without a "/" is
// looked up in PATH. The program gets the caller's environment and working
// directory, none of the caller's descriptors beyond 0-2, default signal
// handling and an empty signal mask. It is not waited for: a detached
// thread reaps it (no zombie is left) and then calls on_exit with its wait
// status, when given. Returns the process id, or -1 when it did not start
// (the reason in *error when given).
int StartProgram(const std::vector<std::string>& argv, std::function<void(int status)> on_exit = {},
                 std::string* error = nullptr);

// How subsystems start programs, so tests can watch or replace it. True
// when the program started.
using ProgramStarter = std::function<bool(const std::vector<std::string>& argv)>;
// StartProgram without an exit callback; a failure is logged.
ProgramStarter DefaultProgramStarter();

// name with a "/" as it stands when it is an executable file; otherwise
// the first executable regular file of that name in PATH. Empty when none.
std::string FindProgram(std::string_view name);

// True when the file starts with "MZ", the mark of a Windows executable.
bool HasWindowsExecutableHeader(const std::filesystem::path& path);

}  // namespace orbo
