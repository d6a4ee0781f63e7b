// The page side of the bridge as script text: the extension source every
// allowed page runs, and the binding of its native declarations.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orbo {

// The extension's name, under which its source is evaluated.
inline constexpr char kAppExtensionName[] = "v8/app";

// The extension source, exactly as it ships: it gives every page
// app.jsInvokeCPlusPlus(v1, v2), which calls the native jsInvokeCPlusPlus.
inline constexpr std::string_view kAppExtensionSource =
    "var app;if (!app)  app = {};(function() {  app.jsInvokeCPlusPlus = function(v1, v2) {    "
    "native function jsInvokeCPlusPlus();    return jsInvokeCPlusPlus(v1, v2);  };})();";

// Name of the read-only global object that holds the native functions the
// rewritten source refers to.
inline constexpr std::string_view kNativeHolderName = "__orboNative";

// Gives every declaration "native function NAME();" (white space allowed
// around the name and inside the parentheses) its meaning in a plain
// script engine: it becomes "var NAME = HOLDER.NAME;", so NAME is bound to
// the native function inside the function that declares it, exactly where
// the declaration stood. The names found are appended to *names (may be
// null). Text that is not such a declaration is left as it is.
std::string BindNativeDeclarations(std::string_view source, std::string_view holder,
                                   std::vector<std::string>* names);

}  // namespace orbo
