#include <string>
#include <vector>

#include "platform/linux/hid_backends.h"

namespace orbo {
namespace {

bool AllDigits(std::string_view s) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

std::string UsbInterfaceNameToIdTail(std::string_view name) {
  size_t colon = name.find(':');
  if (colon != std::string_view::npos) name = name.substr(0, colon);
  size_t dash = name.find('-');
  if (dash == std::string_view::npos) return {};
  std::string_view bus = name.substr(0, dash);
  std::vector<std::string_view> chain;
  std::string_view rest = name.substr(dash + 1);
  for (;;) {
    size_t dot = rest.find('.');
    chain.push_back(rest.substr(0, dot));
    if (dot == std::string_view::npos) break;
    rest.remove_prefix(dot + 1);
  }
  if (!AllDigits(bus)) return {};
  for (std::string_view p : chain) {
    if (!AllDigits(p)) return {};
  }
  std::string_view hub = chain.size() >= 2 ? chain[chain.size() - 2] : bus;
  return std::string(hub) + "&" + std::string(chain.back());
}

}  // namespace orbo
