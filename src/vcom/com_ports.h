// COM port names: which numbers the system uses, whether a named port
// exists, the free name for the tool's port and the names the settings
// dialog offers. Names have the form "COM<n>" and compare case-sensitively.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "vcom/sec_library.h"

namespace orbo::vcom {

// n for a name "COM<n>" with n from 1 to 255 and nothing else; else nullopt.
std::optional<int> ComNumber(const std::string& name);

// A serial device map entry's data: longer than 3 characters, "COM" in any
// letter case, then decimal digits only. Its number, else nullopt.
std::optional<int> SerialCommNumber(const std::string& data);

// The numbers a COM name arbiter bitmap marks as used: bit j (least
// significant first) of byte i, for bytes 0 to 259, is number i*8+j+1.
// A bitmap longer than 520 bytes cannot be read and marks nothing.
std::vector<int> ComDbNumbers(const std::vector<uint8_t>& bitmap);

// The system's view of COM ports.
class ComPorts {
 public:
  virtual ~ComPorts() = default;
  // Numbers in use; duplicates allowed, order irrelevant.
  virtual std::vector<int> ListUsedComNumbers() = 0;
  // True when a present port device carries this name.
  virtual bool IsComPortPresent(const std::string& name) = 0;
};

// Sets *comName to the first free name from COM2 to COM255, only when it is
// empty. A number is taken when the system uses it or, if the library's
// connection list is an array, a connection's "port.name" equals the name
// (reading stops at the first connection whose "port.name" fails).
void ChooseFreeComName(SecLibrary& library, ComPorts& ports, std::string* comName);

struct ComChoices {
  std::vector<std::string> entries;
  int current = 0;  // index of comName's entry (0 when it has none)
};

// The names from COM2 to COM255 that are free, plus comName itself (with
// inUseSuffix appended when serviceInstalled and the port is present).
ComChoices BuildComChoices(SecLibrary& library, ComPorts& ports, const std::string& comName,
                           bool serviceInstalled, const std::string& inUseSuffix);

}  // namespace orbo::vcom
