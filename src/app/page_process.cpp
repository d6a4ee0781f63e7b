#include "app/page_process.h"

#include "bridge/page_command.h"
#include "hmi/editor_service.h"

namespace orbo {

std::unique_ptr<EditorIntegration> MakeEditorIntegration(const std::filesystem::path& appDir) {
  return std::make_unique<EditorService>(appDir);
}

int AnswerInPageProcess(EditorIntegration* editor, int command, const std::string& arg1) {
  if (command == Code(PageCommand::kEditorCheck))
    return editor != nullptr ? editor->IsEditorUsable("") : 0;
  if (command == Code(PageCommand::kHmiDownload))
    return editor != nullptr ? editor->LaunchHmiDownload(arg1) : -1;
  return -1;
}

}  // namespace orbo
