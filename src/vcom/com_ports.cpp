#include "vcom/com_ports.h"

#include <algorithm>
#include <cctype>

namespace orbo::vcom {
namespace {

std::optional<int> Digits(const std::string& text, size_t from) {
  if (from >= text.size() || text.size() - from > 9) return std::nullopt;
  int n = 0;
  for (size_t i = from; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
    n = n * 10 + (text[i] - '0');
  }
  return n;
}

// Names of the library's connections, read until the first failing read.
struct ConnectionNames {
  bool isArray = false;
  std::vector<std::string> names;
};

ConnectionNames ReadConnectionNames(SecLibrary& library) {
  ConnectionNames out;
  SecValue list;
  library.sec_GetConnectionsList(&list);
  out.isArray = list.isArray();
  if (!out.isArray) return out;
  for (const auto& item : list.items()) {
    auto id = item.AsInteger();
    SecValue name;
    if (!id || !library.sec_GetParam(*id, "port.name", &name)) break;
    out.names.push_back(name.AsText());
  }
  return out;
}

bool InUse(const std::string& candidate, int n, const std::vector<int>& used,
           const ConnectionNames& connections) {
  if (std::find(used.begin(), used.end(), n) != used.end()) return true;
  return std::find(connections.names.begin(), connections.names.end(), candidate) !=
         connections.names.end();
}

}  // namespace

std::optional<int> ComNumber(const std::string& name) {
  if (name.rfind("COM", 0) != 0 || (name.size() > 3 && name[3] == '0')) return std::nullopt;
  auto n = Digits(name, 3);
  if (!n || *n < 1 || *n > 255) return std::nullopt;
  return n;
}

std::optional<int> SerialCommNumber(const std::string& data) {
  if (data.size() <= 3) return std::nullopt;
  for (size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(data[i])) != "COM"[i]) return std::nullopt;
  }
  return Digits(data, 3);
}

std::vector<int> ComDbNumbers(const std::vector<uint8_t>& bitmap) {
  std::vector<int> numbers;
  if (bitmap.size() > 520) return numbers;
  for (size_t i = 0; i < 260 && i < bitmap.size(); ++i) {
    for (int j = 0; j < 8; ++j) {
      if (bitmap[i] & (1u << j)) numbers.push_back(static_cast<int>(i) * 8 + j + 1);
    }
  }
  return numbers;
}

void ChooseFreeComName(SecLibrary& library, ComPorts& ports, std::string* comName) {
  const ConnectionNames connections = ReadConnectionNames(library);
  const std::vector<int> used = ports.ListUsedComNumbers();
  for (int n = 2; n <= 255; ++n) {
    const std::string candidate = "COM" + std::to_string(n);
    if (InUse(candidate, n, used, connections)) continue;
    if (comName->empty()) *comName = candidate;
    return;
  }
}

ComChoices BuildComChoices(SecLibrary& library, ComPorts& ports, const std::string& comName,
                           bool serviceInstalled, const std::string& inUseSuffix) {
  ComChoices out;
  const ConnectionNames connections = ReadConnectionNames(library);
  const std::vector<int> used = ports.ListUsedComNumbers();
  for (int n = 2; n <= 255; ++n) {
    const std::string candidate = "COM" + std::to_string(n);
    if (candidate == comName) {
      out.current = static_cast<int>(out.entries.size());
      const bool present = serviceInstalled && ports.IsComPortPresent(comName);
      out.entries.push_back(present ? candidate + inUseSuffix : candidate);
    } else if (!InUse(candidate, n, used, connections)) {
      out.entries.push_back(candidate);
    }
  }
  return out;
}

}  // namespace orbo::vcom
