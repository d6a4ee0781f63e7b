#include "base/codepage.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <mutex>

#include "base/utf.h"

namespace orbo {
namespace {

std::mutex g_mutex;  // guards g_charset
std::string g_charset;

// The C/POSIX locale (no language configured, as on a bare service or build
// machine) only promises ASCII; UTF-8 is its superset and what the rest of
// the system speaks, so it stands in there rather than losing every
// non-ASCII character.
std::string LocaleCharset() {
  // Read the environment's locale without touching the process-wide one.
  locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return "UTF-8";
  std::string name = nl_langinfo_l(CODESET, loc);
  freelocale(loc);
  if (name.empty() || name == "ANSI_X3.4-1968" || name == "ASCII") return "UTF-8";
  return name;
}

// One conversion descriptor per call: iconv_t is not safe to share.
class Iconv {
 public:
  Iconv(std::string_view to, std::string_view from)
      : cd_(iconv_open(std::string(to).c_str(), std::string(from).c_str())) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

}  // namespace

// Converts what it can in bulk; where iconv stops, one character's worth of
// input is replaced, so one bad character costs one replacement, not the
// rest.
bool ConvertCharset(std::string_view to, std::string_view from, std::string_view in,
                    std::string* out, const CharsetLoss& loss, bool* lossy) {
  Iconv cd(to, from);
  out->clear();
  if (lossy) *lossy = false;
  if (!cd.ok()) return false;
  out->reserve(in.size() + in.size() / 2);
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char buf[8192];
  while (src_left > 0) {
    char* dst = buf;
    size_t dst_left = sizeof(buf);
    const size_t r = iconv(cd.get(), &src, &src_left, &dst, &dst_left);
    out->append(buf, dst - buf);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: an unconvertible or truncated character.
      if (lossy) *lossy = true;
      if (loss.stop) return true;
      out->append(loss.replacement);
      size_t skip = 1;
      if (loss.skip_utf8_sequence) {
        std::string_view rest(src, src_left);
        size_t pos = 0;
        char32_t cp;
        NextCodePoint(rest, &pos, &cp);
        skip = pos > 0 ? pos : 1;
      }
      if (skip > src_left) skip = src_left;
      src += skip;
      src_left -= skip;
      iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    } else if (r > 0) {
      // iconv substituted something irreversibly.
      if (lossy) *lossy = true;
      if (loss.stop) return true;
    }
  }
  char* dst = buf;
  size_t dst_left = sizeof(buf);
  iconv(cd.get(), nullptr, nullptr, &dst, &dst_left);
  out->append(buf, dst - buf);
  return true;
}

std::string Codepage::Charset() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_charset.empty()) g_charset = LocaleCharset();
  return g_charset;
}

bool Codepage::SetCharset(const std::string& name) {
  std::string target = name.empty() ? LocaleCharset() : name;
  Iconv probe(target, "UTF-8");
  if (!probe.ok()) return false;
  std::lock_guard<std::mutex> lock(g_mutex);
  g_charset = target;
  return true;
}

bool Codepage::ToUtf8(std::string_view bytes, std::string* out) {
  bool lossy = false;
  // "\xEF\xBF\xBD" is U+FFFD.
  if (!ConvertCharset("UTF-8", Charset(), bytes, out, {.replacement = "\xEF\xBF\xBD"}, &lossy)) {
    *out = SanitizeUtf8(bytes);
    return false;
  }
  // iconv's UTF-8 passes some sequences beyond U+10FFFF through (F5-F7
  // leads, five-byte forms); what leaves here is always valid UTF-8.
  if (!IsValidUtf8(*out)) {
    *out = SanitizeUtf8(*out);
    return false;
  }
  return !lossy;
}

std::string Codepage::ToUtf8Lossy(std::string_view bytes) {
  std::string out;
  ToUtf8(bytes, &out);
  return out;
}

bool Codepage::FromUtf8(std::string_view utf8, std::string* out, bool* lossy) {
  if (!IsValidUtf8(utf8)) {
    out->clear();
    return false;
  }
  bool l = false;
  if (!ConvertCharset(Charset(), "UTF-8", utf8, out,
                      {.replacement = "?", .skip_utf8_sequence = true}, &l)) {
    return false;
  }
  if (lossy) *lossy = l;
  return true;
}

bool Codepage::CanEncode(std::string_view utf8) {
  std::string out;
  bool lossy = false;
  return FromUtf8(utf8, &out, &lossy) && !lossy;
}

ScopedCodepage::ScopedCodepage(const std::string& name) : previous_(Codepage::Charset()) {
  Codepage::SetCharset(name);
}

ScopedCodepage::~ScopedCodepage() {
  Codepage::SetCharset(previous_);
}

}  // namespace orbo
