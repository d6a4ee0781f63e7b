// The messages between the page's process and the window, as GVariants.
#pragma once

#include <glib.h>

#include <string>

#include "app/web/call_arguments.h"

namespace orbo {

// Page process → window: one page call. Parameters: a tuple with one entry
// per place of the copied list; a stored argument is a variant of its own
// type (b, i, s or d), an empty place the unit "()".
inline constexpr char kPageCallMessage[] = "jsInvokeCPlusPlus";
// Window → every page process: the monitor address changed. Parameter: s.
inline constexpr char kMonitorAddressMessage[] = "orbo-monitor-address";

// A new floating GVariant for args.
GVariant* EncodeCallArgs(const CallArgs& args);
// The list encoded by EncodeCallArgs. Entries of any other type become
// empty places; a value that is not a tuple (or null) gives an empty list.
CallArgs DecodeCallArgs(GVariant* value);

// What the window tells the extension when a page process starts.
struct ExtensionConfig {
  std::string appDir;
  std::string monitorUrl;
};
// A new floating a{sv}: "app-dir" (bytes, a path) and "monitor-url" (s).
GVariant* EncodeExtensionConfig(const ExtensionConfig& config);
// False when value is not an a{sv} holding "app-dir"; "monitor-url"
// may be missing (empty).
bool DecodeExtensionConfig(GVariant* value, ExtensionConfig* config);

}  // namespace orbo
