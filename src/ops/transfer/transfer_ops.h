// Configuration and cloud-project transfer, and the firmware check that
// precedes every send and every stop-and-reboot.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "bridge/command_state.h"
#include "ops/context/ops_context.h"

namespace orbo {

// Builds "setup.xml" in appDir from "html/Default.xml" and the page's form:
// U+0002-terminated tokens read in threes (element, attribute, value). 0 on
// success; -1 for an empty form, a template that cannot be loaded, a token
// count that is not a multiple of three, or a failed save.
int BuildSetupXml(const std::filesystem::path& appDir, const std::string& form);

// Shows stopping_orbo and stops the box's programs ("TerminateAll\r"),
// then deletes its modem log. False, with stop_orbo_failed shown and nothing
// more sent, when the box refuses to stop.
bool StopBoxPrograms(OpsContext& ctx);

// Shows reboot_orbo and sends "reset\r".
void RebootBox(OpsContext& ctx);

// BoxOperation kSendSetup ("setup.xml") and kSendProject ("cloudprj.kzrp"):
// stops the box's programs, runs the firmware check, sends
// state.transferPath under boxName, and reboots the box (setting linkDown
// and detectRequested so it is identified again). True when the box
// confirmed the file.
bool SendToBox(OpsContext& ctx, CommandState& state, std::string_view boxName);

// BoxOperation kFetchSetup and kFetchProject: fetches boxName into
// state.transferPath with state.uploadPassword. True on success.
bool FetchFromBox(OpsContext& ctx, const CommandState& state, std::string_view boxName);

// Compares the box's firmware components with the shipped catalogue, offers
// the updates and sends the accepted ones. True when the caller may go on.
bool FirmwareCheck(OpsContext& ctx);

}  // namespace orbo
