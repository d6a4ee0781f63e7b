// The page lines of a file transfer: the link reports how a send or fetch
// ended, these show it in the page's log as message keys.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string_view>

#include "bridge/page.h"
#include "link/box_link.h"
#include "link/file_transfer.h"

namespace orbo {

// SendFile, then download_success or download_failed. Progress reaches the
// page as ShowProgress for files over 1 MiB, or for any size with
// always_progress (firmware images). True when the box confirmed the
// transfer.
bool SendFileLogged(BoxLink& link, std::string_view box_name, std::FILE* file,
                    std::string_view digest, const PageScripts& scripts,
                    bool always_progress = false);

// The separator line and upload_config_file, FetchFile, then one of
// upload_config_success (followed by the script "ShowUpLoadSetup()"),
// upload_config_failed, upload_password_invalid, upload_prohibit,
// upload_password_refused; ShowProgress for files over 1 MiB. The fetch's
// outcome.
FetchOutcome FetchFileLogged(BoxLink& link, std::string_view box_name, std::string_view password,
                             const std::filesystem::path& local_path, const PageScripts& scripts);

// The lines FetchFileLogged shows after the fetch, for an outcome.
void ShowFetchOutcome(FetchOutcome outcome, const PageScripts& scripts);

}  // namespace orbo
