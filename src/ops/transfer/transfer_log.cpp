#include "ops/transfer/transfer_log.h"

#include "ops/context/log_lines.h"
#include "ops/transfer/transfer_progress.h"
#include "settings/message_keys.h"

namespace orbo {

bool SendFileLogged(BoxLink& link, std::string_view box_name, std::FILE* file,
                    std::string_view digest, const PageScripts& scripts, bool always_progress) {
  const bool ok = SendFile(link, box_name, file, digest, PageProgress(scripts, always_progress));
  scripts.ShowKey(ok ? keys::kDownloadSuccess : keys::kDownloadFailed);
  return ok;
}

FetchOutcome FetchFileLogged(BoxLink& link, std::string_view box_name, std::string_view password,
                             const std::filesystem::path& local_path, const PageScripts& scripts) {
  scripts.ShowLog(kDashLine);
  scripts.ShowKey(keys::kUploadConfigFile);
  const FetchOutcome outcome =
      FetchFile(link, box_name, password, local_path, PageProgress(scripts));
  ShowFetchOutcome(outcome, scripts);
  return outcome;
}

void ShowFetchOutcome(FetchOutcome outcome, const PageScripts& scripts) {
  switch (outcome) {
    case FetchOutcome::kSuccess:
      scripts.ShowKey(keys::kUploadConfigSuccess);
      scripts.Run("ShowUpLoadSetup()");
      return;
    case FetchOutcome::kPasswordInvalid:
      scripts.ShowKey(keys::kUploadPasswordInvalid);
      return;
    case FetchOutcome::kProhibited:
      scripts.ShowKey(keys::kUploadProhibit);
      return;
    case FetchOutcome::kPasswordRefused:
      scripts.ShowKey(keys::kUploadPasswordRefused);
      return;
    case FetchOutcome::kLocalFileFailed:
      scripts.ShowKey(keys::kLocalFileWriteFailed);
      break;
    case FetchOutcome::kFailed:
      break;
  }
  scripts.ShowKey(keys::kUploadConfigFailed);
}

}  // namespace orbo
