// The headless page host: plays the main window and its page without a
// display. Each input line is one JSON value:
//   ["v1","v2"]           a page call as the page makes it   -> {"result":N}
//   {"button":"monitor"}  a navigation button ("setup" too)
//   {"sleep":MS}          waits MS milliseconds (the worker keeps running)
// Page-call arrays follow the page's and the window's rules: strings,
// numbers and booleans are carried (a non-string reads as empty text),
// null, objects and arrays leave their place empty and the list ends with
// its last carried entry; the window takes only a list of exactly two
// entries, so ["11"], ["11",null] and ["11","x","y"] are ignored
// ({"result":null}); the commands the page's process answers itself
// (kEditorCheck, kHmiDownload) are answered whatever follows.
// Output lines: {"script":...}, {"navigate":...}, {"result":...},
// {"prompt":...} (see HostPrompts), {"clipboard":...} and {"status":...}
// (the window's status line). Malformed lines are reported on stderr and
// skipped. When branding ends the start (no package loads, or one was
// picked and a restart is due) the session ends before the page with
// {"branding":N[,"restart":PROGRAM]}. Like the window, the session owns the
// virtual port while it runs (unless it is switched off) and removes it at
// its end.
#pragma once

#include <filesystem>
#include <istream>
#include <string>
#include <vector>

namespace orbo::cli {

class PageOutput;

struct PageSessionOptions {
  std::filesystem::path appDir;
  std::filesystem::path programDir;  // where orbo-portd is; empty: appDir
  std::vector<std::string> answers;  // --answer: yes, no, ok
  std::vector<std::string> files;    // --file: a path, or empty for Cancel
  std::string usbSimSocket;          // --usb-sim: the simulator's USB report socket
  bool virtualPort = true;           // --no-port turns the virtual port off
  bool installed = false;            // the installed layout: no program is ever renamed
  std::string company;               // set by the session from branding (never in the file)
};

// Runs the session until the end of in; returns after the box worker's
// current cycle has ended. 0; 1 when branding ended the start with -1.
int RunPageSession(std::istream& in, PageOutput* out, const PageSessionOptions& options);

}  // namespace orbo::cli
