// orbo: the desktop tool. Options: see WindowUsage().
#include <gtk/gtk.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/window/main_window.h"
#include "app/window/page_log.h"
#include "app/window/window_options.h"
#include "base/file_util.h"
#include "base/logger.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  std::optional<orbo::WindowOptions> options = orbo::ParseWindowOptions(args, &error);
  if (!options) {
    std::fprintf(stderr, "orbo: %s\n%s", error.c_str(), orbo::WindowUsage());
    return 2;
  }
  if (options->verbose) orbo::SetLogLevel(orbo::LogLevel::kDebug);
  if (!gtk_init_check(nullptr, nullptr)) {
    std::fprintf(stderr, "orbo: cannot open a display\n");
    return 3;
  }
  const std::filesystem::path exeDir = orbo::ExecutableDir();
  std::filesystem::path appDir =
      options->appDir.empty() ? exeDir : std::filesystem::path(options->appDir);
  std::error_code ec;
  appDir = std::filesystem::absolute(appDir, ec).lexically_normal();
  if (!appDir.empty() && appDir.filename().empty()) appDir = appDir.parent_path();

  orbo::PageLog log(options->pageLog ? stdout : nullptr);
  int status = 0;
  {
    orbo::MainWindow window(*options, appDir, exeDir, &log);
    status = window.Run();
  }
  return status;
}
