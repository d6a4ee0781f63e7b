// Starting an outside program: an argument vector, never a shell.
#pragma once

#include <sys/types.h>
#include <string>
#include <vector>

namespace orbo {

// Starts argv[0] (a path; not looked up in PATH) with argv as its
// arguments and the caller's environment, without waiting for it. The
// child's process id, or -1 when argv is empty or the program could not be
// started. The caller reaps the child or leaves it to outlive it.
pid_t StartProgram(const std::vector<std::string>& argv);

}  // namespace orbo
