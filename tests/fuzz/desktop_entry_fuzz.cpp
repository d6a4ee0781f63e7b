// Desktop entries (.desktop files) and their Exec lines. An entry read,
// written back with every value escaped, reads back the same; the
// arguments of an Exec line, each quoted again, split into the same
// arguments; every item of the categories list is found in it.
#include "fuzz_support.h"
#include "platform/linux/desktop_entry.h"

namespace {

// A value as the entry format escapes it; spaces are escaped too so that
// leading and trailing ones survive the reader's trimming.
std::string EscapeValue(std::string_view value) {
  std::string out;
  for (char c : value) {
    switch (c) {
      case ' ':
        out += "\\s";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string QuoteArgument(std::string_view arg) {
  std::string out = "\"";
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = orbo::fuzz::AsText(data, size);
  if (const auto entry = orbo::ParseDesktopEntry(text)) {
    const std::string written =
        "[Desktop Entry]\nType=" + EscapeValue(entry->type) + "\nName=" + EscapeValue(entry->name) +
        "\nExec=" + EscapeValue(entry->exec) + "\nCategories=" + EscapeValue(entry->categories) +
        "\nHidden=" + (entry->hidden ? "true" : "false") + "\n";
    const auto again = orbo::ParseDesktopEntry(written);
    FUZZ_CHECK(again && again->type == entry->type && again->name == entry->name &&
               again->exec == entry->exec && again->categories == entry->categories &&
               again->hidden == entry->hidden);
    for (std::string_view item : orbo::fuzz::Split(entry->categories, ';')) {
      while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) item.remove_prefix(1);
      while (!item.empty() && (item.back() == ' ' || item.back() == '\t' || item.back() == '\r'))
        item.remove_suffix(1);
      FUZZ_CHECK(orbo::ListHas(entry->categories, item));
    }
  }

  // The input as an Exec value.
  if (const auto args = orbo::SplitExec(text)) {
    std::string joined;
    for (const std::string& arg : *args) joined += (joined.empty() ? "" : " ") + QuoteArgument(arg);
    const auto again = orbo::SplitExec(joined);
    FUZZ_CHECK(again && *again == *args);
  }
  return 0;
}
