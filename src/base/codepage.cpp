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

std::string LocaleCharset() {
  // Read the environment's locale without touching the process-wide one.
  locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return "ANSI_X3.4-1968";
  std::string name = nl_langinfo_l(CODESET, loc);
  freelocale(loc);
  return name.empty() ? "ANSI_X3.4-1968" : name;
}

// One conversion descriptor per call: iconv_t is not safe to share.
class Iconv {
 public:
  Iconv(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
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

// Converts one code point's worth of input at a time when the bulk call
// stops, so one bad character costs one replacement, not the rest.
bool Convert(const std::string& to, const std::string& from, std::string_view in,
             std::string* out, const char* replacement, size_t in_unit, bool* lossy) {
  Iconv cd(to, from);
  out->clear();
  if (!cd.ok()) return false;
  out->reserve(in.size() * 2);
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char buf[4096];
  bool clean = true;
  while (src_left > 0) {
    char* dst = buf;
    size_t dst_left = sizeof(buf);
    size_t r = iconv(cd.get(), &src, &src_left, &dst, &dst_left);
    out->append(buf, dst - buf);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: an unconvertible or truncated character.
      clean = false;
      out->append(replacement);
      size_t skip = in_unit;
      if (in_unit == 0) {  // UTF-8 input: skip one whole sequence
        std::string_view rest(src, src_left);
        size_t pos = 0;
        char32_t cp;
        NextCodePoint(rest, &pos, &cp);
        skip = pos;
      }
      if (skip > src_left) skip = src_left;
      src += skip;
      src_left -= skip;
      iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    } else if (r > 0) {
      clean = false;  // iconv substituted something irreversibly
    }
  }
  char* dst = buf;
  size_t dst_left = sizeof(buf);
  iconv(cd.get(), nullptr, nullptr, &dst, &dst_left);
  out->append(buf, dst - buf);
  if (lossy) *lossy = !clean;
  return true;
}

}  // namespace

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
  if (!Convert("UTF-8", Charset(), bytes, out, "\xEF\xBF\xBD", 1, &lossy)) {
    *out = SanitizeUtf8(bytes);
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
  if (!Convert(Charset(), "UTF-8", utf8, out, "?", 0, &l)) return false;
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

ScopedCodepage::~ScopedCodepage() { Codepage::SetCharset(previous_); }

}  // namespace orbo
