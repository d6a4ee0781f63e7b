#include "platform/registry_text.h"

#include <cstdint>
#include <vector>

#include "base/utf.h"
#include "platform/memory_registry.h"

namespace orbo {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Appends UTF-16 units as UTF-8, pairing surrogates; stops at a zero unit.
class Utf16Sink {
 public:
  explicit Utf16Sink(std::string* out) : out_(out) {}
  // False once a zero unit ended the text.
  bool Put(uint32_t unit) {
    if (ended_) return false;
    if (pending_ && (unit < 0xDC00 || unit > 0xDFFF)) Flush();
    if (unit == 0) {
      ended_ = true;
      return false;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      pending_ = unit;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      if (pending_) {
        AppendUtf8(out_, 0x10000 + ((pending_ - 0xD800) << 10) + (unit - 0xDC00));
        pending_ = 0;
      } else {
        AppendUtf8(out_, kReplacementChar);
      }
    } else {
      AppendUtf8(out_, unit);
    }
    return true;
  }
  void Flush() {
    if (pending_) AppendUtf8(out_, kReplacementChar);
    pending_ = 0;
  }
  bool ended() const { return ended_; }

 private:
  std::string* out_;
  uint32_t pending_ = 0;
  bool ended_ = false;
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

// "01,02,ab" -> bytes; false on anything else.
bool ParseHexBytes(std::string_view s, std::string* out) {
  out->clear();
  s = Trim(s);
  if (s.empty()) return true;
  size_t i = 0;
  while (true) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i >= s.size()) return false;  // a trailing comma
    int hi = i < s.size() ? HexDigit(s[i]) : -1;
    int lo = i + 1 < s.size() ? HexDigit(s[i + 1]) : -1;
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<char>(hi * 16 + lo));
    if (out->size() > kRegValueMaxBytes) return true;  // the caller drops it
    i += 2;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i == s.size()) return true;
    if (s[i] != ',') return false;
    ++i;
  }
}

std::string Utf16LeToText(std::string_view bytes) {
  std::string out;
  Utf16Sink sink(&out);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    uint32_t unit = static_cast<unsigned char>(bytes[i]) |
                    (static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8);
    if (!sink.Put(unit)) break;
  }
  sink.Flush();
  return out;
}

// Parses the text after "=" into *value. Empty result string = fine;
// otherwise the reason it could not be read. "-" (a deletion) sets *skip.
std::string ParseValueData(std::string_view s, RegValue* value, bool* skip) {
  s = Trim(s);
  *skip = false;
  if (s == "-") {
    *skip = true;
    return "";
  }
  auto quoted = [&](std::string_view rest, bool text) -> std::string {
    if (rest.empty() || rest.front() != '"') return "text value without its opening quote";
    size_t pos = 1;
    if (!DecodeRegString(rest, &pos, '"', &value->data))
      return "text value without its closing quote";
    if (!Trim(rest.substr(pos)).empty()) return "text after the closing quote";
    value->text = text;
    return "";
  };
  if (!s.empty() && s.front() == '"') return quoted(s, true);
  if (s.rfind("str(", 0) == 0) {
    size_t close = s.find("):");
    if (close == std::string_view::npos) return "unreadable value type";
    std::string_view kind = s.substr(4, close - 4);
    return quoted(s.substr(close + 2), kind == "1" || kind == "2");
  }
  if (s.rfind("dword:", 0) == 0) {
    std::string_view digits = Trim(s.substr(6));
    if (digits.empty() || digits.size() > 8) return "unreadable dword";
    uint32_t n = 0;
    for (char c : digits) {
      int d = HexDigit(c);
      if (d < 0) return "unreadable dword";
      n = n * 16 + static_cast<uint32_t>(d);
    }
    value->data.assign({static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF),
                        static_cast<char>((n >> 16) & 0xFF), static_cast<char>(n >> 24)});
    value->text = false;
    return "";
  }
  if (s.rfind("hex", 0) == 0) {
    std::string_view rest = s.substr(3);
    std::string kind;
    if (!rest.empty() && rest.front() == '(') {
      size_t close = rest.find(')');
      if (close == std::string_view::npos) return "unreadable value type";
      kind = std::string(rest.substr(1, close - 1));
      rest = rest.substr(close + 1);
    }
    if (rest.empty() || rest.front() != ':') return "unreadable value type";
    std::string bytes;
    if (!ParseHexBytes(rest.substr(1), &bytes)) return "unreadable hexadecimal bytes";
    if (kind == "1" || kind == "2") {
      value->data = bytes.size() > kRegValueMaxBytes ? bytes : Utf16LeToText(bytes);
      value->text = true;
    } else {
      value->data = std::move(bytes);
      value->text = false;
    }
    return "";
  }
  return "unreadable value";
}

class Parser {
 public:
  Parser(std::optional<RegRoot> default_root, MemoryRegistry* out, RegTextReport* report)
      : default_root_(default_root), out_(out), report_(report) {}

  void Run(std::string_view text) {
    size_t pos = 0;
    int line_no = 0;
    std::string joined;
    while (pos < text.size()) {
      size_t end = text.find('\n', pos);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(pos, end - pos);
      pos = end + 1;
      ++line_no;
      int first_line = line_no;
      // Hexadecimal data continues on the next line after a trailing "\".
      std::string_view trimmed = Trim(line);
      if (!trimmed.empty() && trimmed.back() == '\\' && trimmed.front() != '[' &&
          LooksLikeHexValue(trimmed)) {
        joined.assign(trimmed.substr(0, trimmed.size() - 1));
        while (pos < text.size()) {
          end = text.find('\n', pos);
          if (end == std::string_view::npos) end = text.size();
          std::string_view next = Trim(text.substr(pos, end - pos));
          pos = end + 1;
          ++line_no;
          bool more = !next.empty() && next.back() == '\\';
          if (more) next.remove_suffix(1);
          if (joined.size() + next.size() > 4 * kRegValueMaxBytes) {
            // Keep the line too long to be read; counted below.
            joined.resize(4 * kRegValueMaxBytes + 1);
            if (!more) break;
            continue;
          }
          joined.append(next);
          if (!more) break;
        }
        Line(joined, first_line);
      } else {
        Line(trimmed, first_line);
      }
    }
  }

 private:
  static bool LooksLikeHexValue(std::string_view line) {
    size_t eq = line.find("=hex");
    return eq != std::string_view::npos;
  }

  void Bad(int line_no, const std::string& reason) {
    ++report_->badLines;
    if (report_->firstError.empty()) {
      report_->firstError = "line " + std::to_string(line_no) + ": " + reason;
    }
  }

  void Line(std::string_view line, int line_no) {
    if (line.empty() || line.front() == ';' || line.front() == '#') return;
    if (line_no == 1 || !seen_content_) {
      if (line.rfind("WINE REGISTRY", 0) == 0) {
        escaped_keys_ = true;
        seen_content_ = true;
        return;
      }
      if (line == "REGEDIT4" || line.rfind("Windows Registry Editor", 0) == 0) {
        seen_content_ = true;
        return;
      }
    }
    seen_content_ = true;
    if (line.front() == '[') return KeyLine(line, line_no);
    if (line.front() == '"' || line.front() == '@') return ValueLine(line, line_no);
    Bad(line_no, "not a key, value or comment");
  }

  void KeyLine(std::string_view line, int line_no) {
    key_ = nullptr;
    std::string path;
    if (escaped_keys_) {
      size_t pos = 1;
      if (!DecodeRegString(line, &pos, ']', &path)) return Bad(line_no, "key without \"]\"");
    } else {
      size_t close = line.rfind(']');
      if (close == std::string_view::npos || close == 0) return Bad(line_no, "key without \"]\"");
      // Read as the escaped form reads its text: a zero ends it and bytes
      // that are not UTF-8 become U+FFFD, so every key name is valid text.
      std::string_view raw = line.substr(1, close - 1);
      raw = raw.substr(0, raw.find('\0'));
      path = SanitizeUtf8(raw);
    }
    if (!path.empty() && path.front() == '-') return;  // a deletion: nothing to add
    auto parts = SplitRegPath(path);
    if (parts.empty()) return Bad(line_no, "empty key path");
    std::optional<RegRoot> root = ParseRegRoot(parts.front());
    std::string rest;
    size_t from = 1;
    if (!root) {
      root = default_root_;
      from = 0;
    }
    if (!root) return Bad(line_no, "key path without a root name");
    for (size_t i = from; i < parts.size(); ++i) {
      if (!rest.empty()) rest += '\\';
      rest.append(parts[i]);
    }
    key_ = out_->OpenForWriting(*root, rest);
    ++report_->keys;
  }

  void ValueLine(std::string_view line, int line_no) {
    RegValue value;
    size_t pos;
    if (line.front() == '@') {
      pos = 1;
    } else {
      pos = 1;
      if (!DecodeRegString(line, &pos, '"', &value.name)) {
        return Bad(line_no, "value name without its closing quote");
      }
    }
    std::string_view rest = Trim(line.substr(pos));
    if (rest.empty() || rest.front() != '=') return Bad(line_no, "value without \"=\"");
    if (!key_) return Bad(line_no, "value outside a readable key");
    bool skip = false;
    std::string reason = ParseValueData(rest.substr(1), &value, &skip);
    if (!reason.empty()) return Bad(line_no, reason);
    if (skip) return;
    if (value.data.size() > kRegValueMaxBytes) {
      ++report_->droppedValues;
      if (report_->firstError.empty()) {
        report_->firstError = "line " + std::to_string(line_no) + ": value too large";
      }
      return;
    }
    MemoryRegistry::SetValueIn(key_, std::move(value));
    ++report_->values;
  }

  std::optional<RegRoot> default_root_;
  MemoryRegistry* out_;
  RegTextReport* report_;
  bool escaped_keys_ = false;
  bool seen_content_ = false;
  MemoryRegistry::Key* key_ = nullptr;  // the key values go to; none after a bad key line
};

}  // namespace

bool DecodeRegString(std::string_view text, size_t* pos, char closing, std::string* out) {
  out->clear();
  Utf16Sink sink(out);
  size_t i = *pos;
  auto put_byte_run = [&](size_t from, size_t to) {
    if (sink.ended() || from >= to) return;
    sink.Flush();
    // Raw bytes pass as UTF-8 (invalid ones become U+FFFD); a zero ends.
    std::string_view run = text.substr(from, to - from);
    size_t zero = run.find('\0');
    if (zero != std::string_view::npos) run = run.substr(0, zero);
    out->append(SanitizeUtf8(run));
    if (zero != std::string_view::npos) sink.Put(0);
  };
  size_t run_start = i;
  while (i < text.size()) {
    char c = text[i];
    if (c == closing) {
      put_byte_run(run_start, i);
      sink.Flush();
      *pos = i + 1;
      return true;
    }
    if (c != '\\') {
      ++i;
      continue;
    }
    put_byte_run(run_start, i);
    ++i;
    if (i >= text.size()) break;
    char e = text[i++];
    uint32_t unit;
    switch (e) {
      case 'a':
        unit = 7;
        break;
      case 'b':
        unit = 8;
        break;
      case 'e':
        unit = 27;
        break;
      case 'f':
        unit = 12;
        break;
      case 'n':
        unit = '\n';
        break;
      case 'r':
        unit = '\r';
        break;
      case 't':
        unit = '\t';
        break;
      case 'v':
        unit = 11;
        break;
      case 'x': {
        unit = 0;
        int digits = 0;
        while (digits < 4 && i < text.size() && HexDigit(text[i]) >= 0) {
          unit = unit * 16 + static_cast<uint32_t>(HexDigit(text[i++]));
          ++digits;
        }
        if (digits == 0) unit = 'x';
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          unit = static_cast<uint32_t>(e - '0');
          for (int d = 1; d < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7'; ++d) {
            unit = unit * 8 + static_cast<uint32_t>(text[i++] - '0');
          }
        } else {
          unit = static_cast<unsigned char>(e);
          if (unit >= 0x80) {
            // An escaped byte of a UTF-8 sequence: let the run take it whole.
            run_start = i - 1;
            continue;
          }
        }
    }
    if (!sink.ended()) sink.Put(unit);
    run_start = i;
  }
  return false;
}

void ParseRegText(std::string_view text, std::optional<RegRoot> default_root, MemoryRegistry* out,
                  RegTextReport* report) {
  RegTextReport local;
  if (!report) report = &local;
  *report = RegTextReport{};
  std::string converted;
  if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
      static_cast<unsigned char>(text[1]) == 0xFE) {
    // UTF-16LE export files: every unit (zeros included) as UTF-8.
    std::u16string units;
    for (size_t i = 2; i + 1 < text.size(); i += 2) {
      units.push_back(static_cast<char16_t>(static_cast<unsigned char>(text[i]) |
                                            (static_cast<unsigned char>(text[i + 1]) << 8)));
    }
    converted = Utf16ToUtf8(units);
    text = converted;
  } else if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") {
    text.remove_prefix(3);
  }
  Parser(default_root, out, report).Run(text);
}

}  // namespace orbo
