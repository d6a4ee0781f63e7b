// Splits a discovery list text into its entries, checking its shape.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orbo::test {

// The addresses of "a;b;c;". A list that is not empty and does not end in
// ';' adds a test failure.
inline std::vector<std::string> ListEntries(const std::string& text) {
  std::vector<std::string> entries;
  if (!text.empty() && text.back() != ';') ADD_FAILURE() << "list without final ';': " << text;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    entries.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return entries;
}

}  // namespace orbo::test
