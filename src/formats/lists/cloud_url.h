// The cloud monitoring address: attribute "URL2" of "BaseSet" under the root
// "QXBoxSet" of "html/Default.xml" in the app directory.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace orbo {

// The longest address kept, in characters.
inline constexpr size_t kCloudUrlMaxChars = 259;

// The address cut to 259 characters; empty when "BaseSet" has no "URL2";
// nullopt when the file cannot be read or "QXBoxSet"/"BaseSet" are missing.
std::optional<std::string> LoadCloudUrl(const std::filesystem::path& app_dir);

// The main window's form: always 1. *url receives LoadCloudUrl's value and
// is left as it was when that is nullopt.
int GetCloudUrl(const std::filesystem::path& app_dir, std::string* url);

}  // namespace orbo
