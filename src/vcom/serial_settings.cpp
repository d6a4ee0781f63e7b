#include "vcom/serial_settings.h"

#include <cctype>
#include <sstream>
#include <vector>

namespace orbo::vcom {
namespace {

struct SpeedEntry {
  uint32_t baud;
  speed_t code;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000}};

std::optional<uint64_t> Number(const std::string& field) {
  if (field.empty() || field.size() > 10) return std::nullopt;
  uint64_t n = 0;
  for (char c : field) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    n = n * 10 + static_cast<uint64_t>(c - '0');
  }
  return n;
}

}  // namespace

std::optional<speed_t> StandardSpeed(uint32_t baud) {
  for (const auto& e : kSpeeds) {
    if (e.baud == baud) return e.code;
  }
  return std::nullopt;
}

std::optional<SerialSettings> ParseSerialSettings(const std::string& text) {
  std::vector<std::string> fields;
  std::stringstream in(text);
  for (std::string f; std::getline(in, f, ',');) fields.push_back(f);
  if (fields.size() != 4 || fields[1].size() != 1) return std::nullopt;
  auto baud = Number(fields[0]);
  auto data = Number(fields[2]);
  auto stop = Number(fields[3]);
  if (!baud || !data || !stop || *baud == 0 || *baud > kMaxBaud) return std::nullopt;
  SerialSettings s;
  s.baud = static_cast<uint32_t>(*baud);
  s.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(fields[1][0])));
  if (std::string("NEOMS").find(s.parity) == std::string::npos) return std::nullopt;
  if (*data < 5 || *data > 8 || (*stop != 1 && *stop != 2)) return std::nullopt;
  s.dataBits = static_cast<int>(*data);
  s.stopBits = static_cast<int>(*stop);
  return s;
}

std::string FormatSerialSettings(const SerialSettings& s) {
  return std::to_string(s.baud) + "," + s.parity + "," + std::to_string(s.dataBits) + "," +
         std::to_string(s.stopBits);
}

void ApplySerialSettings(const SerialSettings& settings, termios* tio) {
  cfmakeraw(tio);
  tio->c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB);
  tio->c_cflag |= CREAD | CLOCAL;
  switch (settings.dataBits) {
    case 5:
      tio->c_cflag |= CS5;
      break;
    case 6:
      tio->c_cflag |= CS6;
      break;
    case 7:
      tio->c_cflag |= CS7;
      break;
    default:
      tio->c_cflag |= CS8;
      break;
  }
  if (settings.parity == 'E') tio->c_cflag |= PARENB;
  if (settings.parity == 'O') tio->c_cflag |= PARENB | PARODD;
  if (settings.stopBits == 2) tio->c_cflag |= CSTOPB;
  tio->c_cc[VMIN] = 1;
  tio->c_cc[VTIME] = 0;
  if (auto code = StandardSpeed(settings.baud)) {
    cfsetispeed(tio, *code);
    cfsetospeed(tio, *code);
  }
}

}  // namespace orbo::vcom
