// orbo-cli page: the headless page host (see cli/page_session.h).
#include <cstdio>
#include <iostream>

#include "cli/page_output.h"
#include "cli/page_session.h"
#include "cli/verb.h"

namespace orbo::cli {
namespace {

int Page(const Args& given) {
  Args args = given;
  PageSessionOptions options;
  options.appDir = AppDir();
  options.programDir = ProgramDir();
  options.installed = InstalledLayout();
  options.answers = TakeOption(&args, "--answer");
  options.files = TakeOption(&args, "--file");
  options.virtualPort = !TakeFlag(&args, "--no-port");
  const std::vector<std::string> usbSim = TakeOption(&args, "--usb-sim");
  if (usbSim.size() > 1) return UsageError("page: --usb-sim may be given once");
  if (!usbSim.empty()) {
    if (usbSim.front().empty()) return UsageError("page: --usb-sim needs a socket path");
    options.usbSimSocket = usbSim.front();
  }
  for (const auto& answer : options.answers) {
    if (answer != "yes" && answer != "no" && answer != "ok")
      return UsageError("page: --answer takes yes, no or ok, not \"" + answer + "\"");
  }
  if (!args.empty()) {
    if (args.front() == "--answer" || args.front() == "--file" || args.front() == "--usb-sim")
      return UsageError("page: " + args.front() + " needs a value");
    return UsageError("page: unexpected argument \"" + args.front() + "\"");
  }
  PageOutput out(stdout);
  return RunPageSession(std::cin, &out, options);
}

ORBO_CLI_VERB("page",
              "page [--answer yes|no|ok]... [--file PATH]... [--usb-sim SOCKET] [--no-port]  the "
              "page host: JSON page calls on stdin, scripts and prompts on stdout; --usb-sim "
              "reaches the USB box through the simulator's report socket; --no-port runs without "
              "the virtual port",
              Page);

}  // namespace
}  // namespace orbo::cli
