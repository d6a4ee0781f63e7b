// The client side of RFC 2217 (Telnet Com Port Control): Telnet option
// negotiation, the COM-PORT-OPTION subnegotiations that set the far
// serial line, and the escaping of IAC bytes in the data both ways.
//
// The codec holds no socket: the bridge feeds it what the server sent and
// sends what it appends. Memory is bounded whatever the server sends: a
// subnegotiation keeps at most kMaxSubnegotiation bytes, longer ones are
// skipped and counted.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "vcom/byte_queue.h"
#include "vcom/serial_settings.h"

namespace orbo::vcom {

namespace telnet {
inline constexpr uint8_t kSe = 240, kSb = 250, kWill = 251, kWont = 252, kDo = 253, kDont = 254,
                         kIac = 255;
inline constexpr uint8_t kBinary = 0, kEcho = 1, kSuppressGoAhead = 3, kComPortOption = 44;
// COM-PORT-OPTION commands, client to server; the server answers +100.
inline constexpr uint8_t kSetBaudRate = 1, kSetDataSize = 2, kSetParity = 3, kSetStopSize = 4;
inline constexpr uint8_t kServerOffset = 100;
}  // namespace telnet

inline constexpr size_t kMaxSubnegotiation = 64;

// What the server made of COM-PORT-OPTION.
enum class ComPortAnswer {
  kWaiting,   // asked, no answer yet
  kAccepted,  // DO COM-PORT-OPTION: settings may be sent
  kRefused,   // DONT COM-PORT-OPTION
  kNoAnswer,  // no answer in time (TimedOut)
};
const char* ComPortAnswerText(ComPortAnswer answer);

class Rfc2217Codec {
 public:
  // Starts a session afresh (a new TCP link): appends WILL COM-PORT-OPTION,
  // WILL BINARY and DO BINARY to out.
  void Begin(ByteQueue* out);

  // Removes the Telnet protocol from the n bytes at data, in place, and
  // returns how many data bytes are left at its front (a doubled IAC is
  // one 255). Answers to the server's requests are appended to out.
  // Sequences split between calls are joined.
  size_t Receive(char* data, size_t n, ByteQueue* out);

  // The answer was not given in time: kWaiting becomes kNoAnswer.
  void TimedOut();
  ComPortAnswer answer() const { return answer_; }

  // Settings the server reported back (0 and '\0' until it did); a stop
  // size of 3 is 1.5 stop bits.
  struct Reported {
    uint32_t baud = 0;
    int dataBits = 0;
    char parity = '\0';
    int stopBits = 0;
  };
  const Reported& reported() const { return reported_; }
  // Subnegotiations that were too long or malformed and were skipped.
  uint64_t badSubnegotiations() const { return bad_; }

  // Appends data with every IAC doubled.
  static void Escape(const char* data, size_t n, ByteQueue* out);
  // Appends SET-BAUDRATE, SET-DATASIZE, SET-PARITY and SET-STOPSIZE.
  static void AppendSettings(const SerialSettings& settings, ByteQueue* out);
  static void AppendBaud(uint32_t baud, ByteQueue* out);
  static void AppendStopBits(int stopBits, ByteQueue* out);

 private:
  enum class State : uint8_t { kData, kIac, kVerb, kSbOption, kSb, kSbIac };

  void Negotiate(uint8_t verb, uint8_t option, ByteQueue* out);
  void EndSubnegotiation();

  State state_ = State::kData;
  uint8_t verb_ = 0;
  // Per option: enabled on our side (WILL) and on the server's (DO), and
  // whether we asked for it and wait for the answer.
  std::array<bool, 256> us_{}, usAsked_{}, him_{}, himAsked_{};
  std::array<uint8_t, kMaxSubnegotiation> sb_{};
  size_t sbSize_ = 0;
  bool sbOverlong_ = false;
  ComPortAnswer answer_ = ComPortAnswer::kWaiting;
  Reported reported_;
  uint64_t bad_ = 0;
};

}  // namespace orbo::vcom
