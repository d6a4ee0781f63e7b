#include "app/window/window_options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace orbo {
namespace {

bool ParseCount(const std::string& text, int* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || n < 0 || n > INT_MAX) return false;
  *value = static_cast<int>(n);
  return true;
}

}  // namespace

const char* WindowUsage() {
  return "usage: orbo [--app-dir DIR] [--page-log] [--control] [--start monitor|setup]\n"
         "            [--answer yes|no|ok]... [--file PATH]... [--auto-answer]\n"
         "            [--screenshot PATH] [--exit-after MS] [--verbose]\n"
         "            [--usb-sim SOCKET] [--no-port]\n";
}

std::optional<WindowOptions> ParseWindowOptions(const std::vector<std::string>& args,
                                                std::string* error) {
  WindowOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= args.size()) {
        *error = arg + " needs a value";
        return false;
      }
      *out = args[++i];
      return true;
    };
    std::string text;
    if (arg == "--app-dir") {
      if (!value(&options.appDir)) return std::nullopt;
    } else if (arg == "--page-log") {
      options.pageLog = true;
    } else if (arg == "--control") {
      options.control = true;
    } else if (arg == "--auto-answer") {
      options.autoAnswer = true;
    } else if (arg == "--verbose") {
      options.verbose = true;
    } else if (arg == "--no-port") {
      options.virtualPort = false;
    } else if (arg == "--start") {
      if (!value(&options.start)) return std::nullopt;
      if (options.start != "monitor" && options.start != "setup") {
        *error = "--start takes monitor or setup";
        return std::nullopt;
      }
    } else if (arg == "--screenshot") {
      if (!value(&options.screenshot)) return std::nullopt;
    } else if (arg == "--exit-after") {
      if (!value(&text)) return std::nullopt;
      if (!ParseCount(text, &options.exitAfterMs)) {
        *error = "--exit-after takes milliseconds";
        return std::nullopt;
      }
    } else if (arg == "--answer") {
      if (!value(&text)) return std::nullopt;
      if (text != "yes" && text != "no" && text != "ok") {
        *error = "--answer takes yes, no or ok";
        return std::nullopt;
      }
      options.answers.push_back(text);
    } else if (arg == "--usb-sim") {
      if (!value(&options.usbSim)) return std::nullopt;
      if (options.usbSim.empty()) {
        *error = "--usb-sim takes the simulator's socket path";
        return std::nullopt;
      }
    } else if (arg == "--file") {
      if (!value(&text)) return std::nullopt;
      options.files.push_back(text);
    } else {
      *error = "unknown option " + arg;
      return std::nullopt;
    }
  }
  if (!options.answers.empty() || !options.files.empty()) options.autoAnswer = true;
  return options;
}

}  // namespace orbo
