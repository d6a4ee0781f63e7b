// Command-line options of the desktop tool.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orbo {

struct WindowOptions {
  std::string appDir;                // --app-dir DIR; empty: the executable's folder
  std::string programDir;            // set by main: where orbo-portd is
  bool installed = false;            // set by main: the installed layout (AppDirChoice)
  std::string program;               // set by main: the program as branding left it
  std::string company;               // set by main: the run's company name (branding)
  bool pageLog = false;              // --page-log: JSON lines on stdout
  bool control = false;              // --control: JSON commands on stdin (see main_window.h)
  std::string start;                 // --start monitor|setup: press that button at start
  std::string screenshot;            // --screenshot PATH: written right before exit
  int exitAfterMs = -1;              // --exit-after MS: close the window after MS
  std::vector<std::string> answers;  // --answer yes|no|ok (repeatable)
  std::vector<std::string> files;    // --file PATH (repeatable)
  bool autoAnswer = false;           // --auto-answer: prompts use the queues even when empty
  bool verbose = false;              // --verbose: debug trace on stderr
  std::string usbSim;                // --usb-sim SOCKET: the simulated box's USB report socket
  bool virtualPort = true;           // --no-port: run without the virtual port
};

// Parses argv (without the program name). nullopt and *error set when an
// option is unknown, lacks its value or has a bad value.
std::optional<WindowOptions> ParseWindowOptions(const std::vector<std::string>& args,
                                                std::string* error);

// One paragraph of usage text.
const char* WindowUsage();

}  // namespace orbo
