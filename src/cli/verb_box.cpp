// orbo-cli box: one action against one box over TCP or USB, built on the
// operations the page runs.
#include <string>

#include "cli/box_action.h"
#include "cli/box_output.h"
#include "cli/verb.h"

namespace orbo::cli {
namespace {

std::string Usage() {
  return std::string(
             "usage: orbo-cli box [--host H [--port N] | --usb] [--json] ACTION\n  ACTION: ") +
         kBoxActionsUsage;
}

int Box(const Args& given) {
  Args args = given;
  const bool json = TakeFlag(&args, "--json");
  BoxTarget target;
  std::string error;
  if (!TakeBoxTarget(&args, &target, &error)) return UsageError(error + "\n" + Usage());
  const auto request = ParseBoxRequest(args, &error);
  if (!request) return UsageError(error + "\n" + Usage());
  BoxPrinter printer(json);
  const BoxActionResult result = RunBoxAction(target, *request, AppDir(), printer);
  std::string action = request->action;
  for (const auto& op : request->operands) action += " " + op;
  printer.Result(target.usb ? "usb" : target.host, action, result);
  return result.exitCode;
}

}  // namespace

ORBO_CLI_VERB("box",
              "box [--host H [--port N] | --usb] [--json] ACTION  one box: ident, time, "
              "network, mode N, light, reboot, config send|fetch, firmware check|update, "
              "send, fetch",
              Box);

}  // namespace orbo::cli
