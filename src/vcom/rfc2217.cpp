#include "vcom/rfc2217.h"

#include <cstring>

namespace orbo::vcom {
namespace {

using namespace telnet;

// Options we agree to on our side (the server's DO) and on the server's
// (its WILL). Everything else is refused.
bool OursAllowed(uint8_t option) {
  return option == kBinary || option == kSuppressGoAhead || option == kComPortOption;
}
bool TheirsAllowed(uint8_t option) {
  return option == kBinary || option == kSuppressGoAhead;
}

void Put(ByteQueue* out, std::initializer_list<uint8_t> bytes) {
  for (uint8_t b : bytes) out->Append(reinterpret_cast<const char*>(&b), 1);
}

// IAC SB COM-PORT-OPTION command value... IAC SE, IACs in value doubled.
void ComPortCommand(ByteQueue* out, uint8_t command, const uint8_t* value, size_t n) {
  Put(out, {kIac, kSb, kComPortOption, command});
  Rfc2217Codec::Escape(reinterpret_cast<const char*>(value), n, out);
  Put(out, {kIac, kSe});
}

char ParityLetter(uint8_t code) {
  switch (code) {
    case 1:
      return 'N';
    case 2:
      return 'O';
    case 3:
      return 'E';
    case 4:
      return 'M';
    case 5:
      return 'S';
    default:
      return '\0';
  }
}

uint8_t ParityCode(char letter) {
  switch (letter) {
    case 'O':
      return 2;
    case 'E':
      return 3;
    case 'M':
      return 4;
    case 'S':
      return 5;
    default:
      return 1;
  }
}

}  // namespace

const char* ComPortAnswerText(ComPortAnswer answer) {
  switch (answer) {
    case ComPortAnswer::kWaiting:
      return "negotiating";
    case ComPortAnswer::kAccepted:
      return "accepted";
    case ComPortAnswer::kRefused:
      return "refused by the server";
    case ComPortAnswer::kNoAnswer:
      return "no answer from the server";
  }
  return "";
}

void Rfc2217Codec::Begin(ByteQueue* out) {
  const uint64_t bad = bad_;
  *this = Rfc2217Codec();
  bad_ = bad;  // counted over the connection's life
  Put(out, {kIac, kWill, kComPortOption, kIac, kWill, kBinary, kIac, kDo, kBinary});
  usAsked_[kComPortOption] = usAsked_[kBinary] = himAsked_[kBinary] = true;
}

void Rfc2217Codec::TimedOut() {
  if (answer_ == ComPortAnswer::kWaiting) answer_ = ComPortAnswer::kNoAnswer;
}

void Rfc2217Codec::Negotiate(uint8_t verb, uint8_t option, ByteQueue* out) {
  switch (verb) {
    case kDo:
      if (!OursAllowed(option)) {
        Put(out, {kIac, kWont, option});
        break;
      }
      if (!us_[option] && !usAsked_[option]) Put(out, {kIac, kWill, option});
      us_[option] = true;
      usAsked_[option] = false;
      if (option == kComPortOption) answer_ = ComPortAnswer::kAccepted;
      break;
    case kDont:
      // An enabled option is turned off and acknowledged; a refusal of
      // one we asked for needs no answer.
      if (us_[option] && !usAsked_[option]) Put(out, {kIac, kWont, option});
      us_[option] = usAsked_[option] = false;
      if (option == kComPortOption) answer_ = ComPortAnswer::kRefused;
      break;
    case kWill:
      if (!TheirsAllowed(option)) {
        Put(out, {kIac, kDont, option});
        break;
      }
      if (!him_[option] && !himAsked_[option]) Put(out, {kIac, kDo, option});
      him_[option] = true;
      himAsked_[option] = false;
      break;
    case kWont:
      if (him_[option] && !himAsked_[option]) Put(out, {kIac, kDont, option});
      him_[option] = himAsked_[option] = false;
      break;
  }
}

void Rfc2217Codec::EndSubnegotiation() {
  if (sbOverlong_) {
    ++bad_;
    return;
  }
  if (sbSize_ == 0 || sb_[0] != kComPortOption) return;  // another option's: not ours
  if (sbSize_ < 2) {
    ++bad_;
    return;
  }
  const uint8_t command = sb_[1];
  const uint8_t* value = sb_.data() + 2;
  const size_t n = sbSize_ - 2;
  switch (command) {
    case kServerOffset + kSetBaudRate:
      if (n != 4) break;
      reported_.baud = static_cast<uint32_t>(value[0]) << 24 |
                       static_cast<uint32_t>(value[1]) << 16 |
                       static_cast<uint32_t>(value[2]) << 8 | value[3];
      return;
    case kServerOffset + kSetDataSize:
      if (n != 1 || value[0] < 5 || value[0] > 8) break;
      reported_.dataBits = value[0];
      return;
    case kServerOffset + kSetParity:
      if (n != 1 || ParityLetter(value[0]) == '\0') break;
      reported_.parity = ParityLetter(value[0]);
      return;
    case kServerOffset + kSetStopSize:
      if (n != 1 || value[0] < 1 || value[0] > 3) break;
      reported_.stopBits = value[0];
      return;
    default:
      // Signature, line and modem state, flow control and the rest: known
      // to the protocol, nothing this port acts on.
      if (command <= kServerOffset + 12) return;
      break;
  }
  ++bad_;
}

size_t Rfc2217Codec::Receive(char* data, size_t n, ByteQueue* out) {
  auto* bytes = reinterpret_cast<uint8_t*>(data);
  size_t w = 0;
  size_t r = 0;
  while (r < n) {
    if (state_ == State::kData) {
      // The common case: a run of plain data, moved only once an earlier
      // IAC has opened a gap.
      const void* iac = std::memchr(bytes + r, kIac, n - r);
      const size_t end = iac ? static_cast<size_t>(static_cast<const uint8_t*>(iac) - bytes) : n;
      if (w != r) std::memmove(bytes + w, bytes + r, end - r);
      w += end - r;
      r = end;
      if (r < n) {
        state_ = State::kIac;
        ++r;
      }
      continue;
    }
    const uint8_t b = bytes[r++];
    switch (state_) {
      case State::kData:
        break;
      case State::kIac:
        if (b == kIac) {
          bytes[w++] = kIac;
          state_ = State::kData;
        } else if (b >= kWill && b <= kDont) {
          verb_ = b;
          state_ = State::kVerb;
        } else if (b == kSb) {
          state_ = State::kSbOption;
        } else {
          state_ = State::kData;  // NOP, GA, BRK, a stray SE ...: nothing to do
        }
        break;
      case State::kVerb:
        Negotiate(verb_, b, out);
        state_ = State::kData;
        break;
      case State::kSbOption:
        sbSize_ = 0;
        sbOverlong_ = false;
        sb_[sbSize_++] = b;
        state_ = State::kSb;
        break;
      case State::kSb:
        if (b == kIac) {
          state_ = State::kSbIac;
        } else if (sbSize_ < sb_.size()) {
          sb_[sbSize_++] = b;
        } else {
          sbOverlong_ = true;
        }
        break;
      case State::kSbIac:
        if (b == kIac) {
          if (sbSize_ < sb_.size()) {
            sb_[sbSize_++] = b;
          } else {
            sbOverlong_ = true;
          }
          state_ = State::kSb;
        } else if (b == kSe) {
          EndSubnegotiation();
          state_ = State::kData;
        } else {
          // IAC and a command inside a subnegotiation: the subnegotiation
          // was cut off; the command is taken as it stands.
          ++bad_;
          state_ = State::kIac;
          --r;
        }
        break;
    }
  }
  return w;
}

void Rfc2217Codec::Escape(const char* data, size_t n, ByteQueue* out) {
  char* dst = out->Reserve(2 * n);
  char* start = dst;
  while (n > 0) {
    const void* iac = std::memchr(data, kIac, n);
    const size_t run = iac ? static_cast<size_t>(static_cast<const char*>(iac) - data) + 1 : n;
    std::memcpy(dst, data, run);
    dst += run;
    if (iac) *dst++ = static_cast<char>(kIac);
    data += run;
    n -= run;
  }
  out->Commit(static_cast<size_t>(dst - start));
}

void Rfc2217Codec::AppendBaud(uint32_t baud, ByteQueue* out) {
  const uint8_t value[4] = {static_cast<uint8_t>(baud >> 24), static_cast<uint8_t>(baud >> 16),
                            static_cast<uint8_t>(baud >> 8), static_cast<uint8_t>(baud)};
  ComPortCommand(out, kSetBaudRate, value, 4);
}

void Rfc2217Codec::AppendStopBits(int stopBits, ByteQueue* out) {
  const uint8_t value = stopBits == 2 ? 2 : 1;
  ComPortCommand(out, kSetStopSize, &value, 1);
}

void Rfc2217Codec::AppendSettings(const SerialSettings& s, ByteQueue* out) {
  AppendBaud(s.baud, out);
  const uint8_t size = static_cast<uint8_t>(s.dataBits);
  ComPortCommand(out, kSetDataSize, &size, 1);
  const uint8_t parity = ParityCode(s.parity);
  ComPortCommand(out, kSetParity, &parity, 1);
  AppendStopBits(s.stopBits, out);
}

}  // namespace orbo::vcom
