// The remembered Wi-Fi networks: "WifiList.xml" in the app directory, root
// "WifiList" with one "wifi" element per network ("Name", "Psw"). The file
// must exist with its root; nothing here creates it.
#pragma once

#include <filesystem>
#include <string_view>

namespace orbo {

inline constexpr char kWifiListFileName[] = "WifiList.xml";

// Sets the password of every entry named name (names compare exactly,
// letter case included, as network names do), or appends a "wifi" element
// ("Name", then "Psw") after the last entry when none matches, and saves
// the file in its own encoding. 0 saved; -1 the file cannot be loaded, is
// not well formed or has no root "WifiList" (the file is left as it was);
// -2 the save failed (the file is left as it was); -3 the file held bytes
// its encoding does not define, which loading replaced, so it is never
// saved back (the file is left as it was).
int SaveWifi(const std::filesystem::path& app_dir, std::string_view name,
             std::string_view password);

// Removes the first entry named name and saves the file. 0 removed and
// saved; -1 no file, not well formed, no root, or no such entry (nothing is
// written); -2 the save failed; -3 as for SaveWifi.
int RemoveWifi(const std::filesystem::path& app_dir, std::string_view name);

}  // namespace orbo
