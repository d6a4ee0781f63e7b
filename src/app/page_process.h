// What the page's own process needs of the tool: the editor integration and
// the answers to the page commands it serves itself (AnsweredBy::
// kPageProcess: kEditorCheck and kHmiDownload). The web-process extension
// and the headless host's page side use this and nothing else of the tool.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "bridge/bridge_services.h"

namespace orbo {

// The tool's editor integration for appDir, with the editor settings
// (hmi.xml) read now, once for the process. Never null.
std::unique_ptr<EditorIntegration> MakeEditorIntegration(const std::filesystem::path& appDir);

// The answer to a command that IsAnsweredInPage: kEditorCheck gives
// IsEditorUsable("") (1/0), kHmiDownload LaunchHmiDownload(arg1). A null
// editor gives 0 and -1; any other command -1.
int AnswerInPageProcess(EditorIntegration* editor, int command, const std::string& arg1);

}  // namespace orbo
