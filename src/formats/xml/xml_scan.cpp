#include "formats/xml/xml_scan.h"

namespace orbo::xml {

bool IsValidName(std::string_view name) {
  if (name.empty() || !IsNameStart(name[0])) return false;
  for (char c : name) {
    if (IsNameStop(c) || c == '&' || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

}  // namespace orbo::xml
