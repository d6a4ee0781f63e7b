// The RFC 2217 codec against whatever a server sends, and the serial
// settings text ("port.settings") it is fed from. The bytes are decoded
// in one piece and again in pieces whose sizes the input picks: the data,
// the answers and what the server reported must not depend on where the
// network cut the stream. The answers are bounded by the commands that
// asked for them, the data by the input. Escaping the input and decoding
// it gives it back unchanged with no answer. A settings text that parses
// reads back the same after formatting.
#include <string>

#include "fuzz_support.h"
#include "vcom/rfc2217.h"
#include "vcom/serial_settings.h"

namespace {

using orbo::vcom::ByteQueue;
using orbo::vcom::Rfc2217Codec;

struct Decoded {
  std::string data;
  std::string answers;
  Rfc2217Codec::Reported reported;
  orbo::vcom::ComPortAnswer answer;
  uint64_t bad;
};

// Decodes bytes in pieces of sizes taken in turn from steps (0: the rest).
Decoded Decode(std::string bytes, std::string_view steps) {
  Rfc2217Codec codec;
  ByteQueue opening;
  codec.Begin(&opening);
  ByteQueue answers;
  Decoded d;
  size_t at = 0;
  for (size_t i = 0; at < bytes.size(); ++i) {
    size_t n = steps.empty() ? 0 : static_cast<uint8_t>(steps[i % steps.size()]);
    if (n == 0 || at + n > bytes.size()) n = bytes.size() - at;
    const size_t kept = codec.Receive(bytes.data() + at, n, &answers);
    FUZZ_CHECK(kept <= n);
    d.data.append(bytes.data() + at, kept);
    at += n;
  }
  d.answers.assign(answers.data(), answers.size());
  d.reported = codec.reported();
  d.answer = codec.answer();
  d.bad = codec.badSubnegotiations();
  return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* raw, size_t size) {
  const std::string_view input = orbo::fuzz::AsText(raw, size);
  if (input.size() > 1 << 16) return 0;
  // Up to eight leading bytes choose the pieces; the rest is the stream.
  const size_t stepCount = input.empty() ? 0 : static_cast<uint8_t>(input[0]) % 9;
  const std::string_view steps = input.substr(input.empty() ? 0 : 1, stepCount);
  const std::string stream(input.substr(std::min(input.size(), 1 + stepCount)));

  const Decoded whole = Decode(stream, {});
  const Decoded pieces = Decode(stream, steps);
  FUZZ_CHECK(whole.data == pieces.data);
  FUZZ_CHECK(whole.answers == pieces.answers);
  FUZZ_CHECK(whole.reported.baud == pieces.reported.baud);
  FUZZ_CHECK(whole.reported.dataBits == pieces.reported.dataBits);
  FUZZ_CHECK(whole.reported.parity == pieces.reported.parity);
  FUZZ_CHECK(whole.reported.stopBits == pieces.reported.stopBits);
  FUZZ_CHECK(whole.answer == pieces.answer && whole.bad == pieces.bad);
  FUZZ_CHECK(whole.data.size() <= stream.size());
  size_t iacs = 0;
  for (char c : stream) iacs += static_cast<uint8_t>(c) == 0xff ? 1 : 0;
  FUZZ_CHECK(whole.answers.size() <= 3 * iacs);

  ByteQueue escaped;
  Rfc2217Codec::Escape(stream.data(), stream.size(), &escaped);
  FUZZ_CHECK(escaped.size() == stream.size() + iacs);
  const Decoded back = Decode(std::string(escaped.data(), escaped.size()), steps);
  FUZZ_CHECK(back.data == stream && back.answers.empty() && back.bad == 0);

  if (auto s = orbo::vcom::ParseSerialSettings(stream)) {
    FUZZ_CHECK(s->baud >= 1 && s->dataBits >= 5 && s->dataBits <= 8);
    const auto again = orbo::vcom::ParseSerialSettings(orbo::vcom::FormatSerialSettings(*s));
    FUZZ_CHECK(again && again->baud == s->baud && again->parity == s->parity &&
               again->dataBits == s->dataBits && again->stopBits == s->stopBits);
    ByteQueue commands;
    Rfc2217Codec::AppendSettings(*s, &commands);
    FUZZ_CHECK(Decode(std::string(commands.data(), commands.size()), {}).data.empty());
  }
  return 0;
}
