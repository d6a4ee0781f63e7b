// Where the port service keeps its files: the ports folder holding one link
// per COM name to the connection's pseudo-terminal, and the control socket
// beside it. Everything lives in the user's runtime folder.
#pragma once

#include <filesystem>
#include <string>

namespace orbo::vcom {

// $XDG_RUNTIME_DIR/orbo when that variable names an absolute folder, else
// /tmp/orbo-<uid>.
std::filesystem::path ServiceDir();
std::filesystem::path PortsDir();           // ServiceDir()/ports
std::filesystem::path ServiceSocketPath();  // ServiceDir()/portd.sock

// True when the ports folder links comName to a terminal that exists: the
// port is in service now.
bool VirtualPortLinked(const std::string& comName);

// Creates ServiceDir() and PortsDir() with mode 0700. False (with the
// reason on the log) when they could not be made, or one is a link, not a
// folder owned by this user, or writable by others (a folder planted by
// someone else under /tmp is never used).
bool EnsurePrivateDirs();

}  // namespace orbo::vcom
