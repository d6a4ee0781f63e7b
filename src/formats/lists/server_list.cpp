#include "formats/lists/server_list.h"

#include <algorithm>
#include <system_error>

#include "base/utf.h"

namespace orbo {
namespace {

constexpr std::string_view kProfileSuffix = ".xml";

bool IsProfileName(std::string_view name) {
  return name.size() > kProfileSuffix.size() && name.ends_with(kProfileSuffix) &&
         name.front() != '.' && IsValidUtf8(name) &&
         name.find(kFieldSeparator) == std::string_view::npos;
}

}  // namespace

std::vector<std::string> ListServerNames(const std::filesystem::path& app_dir) {
  std::vector<std::string> names;
  std::error_code ec;
  std::filesystem::directory_iterator it(app_dir / "Servers", ec);
  for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    const std::string file = it->path().filename().string();
    std::error_code type_ec;
    if (!IsProfileName(file) || !it->is_regular_file(type_ec)) continue;
    names.push_back(file.substr(0, file.size() - kProfileSuffix.size()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string BuildServerList(const std::filesystem::path& app_dir) {
  std::string list;
  bool first = true;
  for (const std::string& name : ListServerNames(app_dir)) {
    if (!first) list.push_back(kFieldSeparator);
    list.append(name);
    first = false;
  }
  return list;
}

std::filesystem::path ServerProfilePath(const std::filesystem::path& app_dir,
                                        std::string_view name) {
  std::string file(name);
  file.append(kProfileSuffix);
  return app_dir / "Servers" / file;
}

}  // namespace orbo
