// orbo-cli strings encode|decode IN OUT: a string table between its plain
// UTF-8 form (what translators edit) and its shipped Base64 form.
#include <string>

#include "base/base64.h"
#include "base/file_util.h"
#include "base/utf.h"
#include "cli/verb.h"

namespace orbo::cli {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr char kUsage[] = "usage: orbo-cli strings encode|decode IN OUT";

int Encode(const std::string& in, const std::string& out) {
  std::string plain;
  if (!ReadFileBytes(in, &plain)) return Fail("cannot read " + in);
  std::string_view text = plain;
  if (text.starts_with(kBom)) text.remove_prefix(kBom.size());  // would join the first key
  if (!IsValidUtf8(text)) return Fail(in + " is not UTF-8 text");
  if (!WriteFileAtomic(out, Base64Encode(text))) return Fail("cannot write " + out);
  return 0;
}

int Decode(const std::string& in, const std::string& out) {
  std::string stored;
  if (!ReadFileBytes(in, &stored)) return Fail("cannot read " + in);
  // The tool reads one unbroken Base64 run; only padding and a final line
  // break may follow it.
  const size_t run = Base64RunLength(stored);
  std::string_view rest = std::string_view(stored).substr(run);
  while (rest.starts_with('=')) rest.remove_prefix(1);
  while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r')) rest.remove_suffix(1);
  if (run == 0 || !rest.empty()) {
    return Fail(in + " is not a string table: its Base64 text ends at byte " + std::to_string(run) +
                " of " + std::to_string(stored.size()));
  }
  const std::string plain = Base64Decode(stored);
  if (!IsValidUtf8(plain)) return Fail(in + " is not a string table: it does not decode to UTF-8");
  if (!WriteFileAtomic(out, plain)) return Fail("cannot write " + out);
  return 0;
}

int StringsVerb(const Args& args) {
  if (args.size() != 3) return UsageError(kUsage);
  if (args[0] == "encode") return Encode(args[1], args[2]);
  if (args[0] == "decode") return Decode(args[1], args[2]);
  return UsageError(kUsage);
}

}  // namespace

ORBO_CLI_VERB(
    "strings",
    "strings encode|decode IN OUT   convert a string table (plain UTF-8 <-> shipped Base64)",
    StringsVerb);

}  // namespace orbo::cli
