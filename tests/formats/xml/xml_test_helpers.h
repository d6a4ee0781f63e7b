// Small helpers shared by the XML document tests.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "formats/xml/xml_doc.h"

namespace orbo::test {

inline bool HasLog(const XmlDoc& doc, std::string_view name) {
  const auto& log = doc.result_log();
  return std::find(log.begin(), log.end(), name) != log.end();
}

// All log names joined, for failure messages.
inline std::string LogText(const XmlDoc& doc) {
  std::string out;
  for (const auto& n : doc.result_log()) out += n + " ";
  return out;
}

// text with the first occurrence of from replaced by to.
inline std::string ReplacedOnce(std::string text, std::string_view from, std::string_view to) {
  const size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

}  // namespace orbo::test
