// Desktop entries (.desktop files) and their Exec lines. An entry read,
// written back with the tool's own value escaping, reads back the same; the
// arguments of an Exec line, joined again as the tool writes them, split
// into the same arguments; every item of the categories list is found in it.
#include "fuzz_support.h"
#include "platform/linux/desktop_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = orbo::fuzz::AsText(data, size);
  if (const auto entry = orbo::ParseDesktopEntry(text)) {
    const std::string written = "[Desktop Entry]\nType=" + orbo::EscapeDesktopValue(entry->type) +
                                "\nName=" + orbo::EscapeDesktopValue(entry->name) +
                                "\nExec=" + orbo::EscapeDesktopValue(entry->exec) +
                                "\nCategories=" + orbo::EscapeDesktopValue(entry->categories) +
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
    const auto again = orbo::SplitExec(orbo::JoinExec(*args));
    FUZZ_CHECK(again && *again == *args);
  }
  return 0;
}
