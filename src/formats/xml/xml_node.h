// The element index of an XML text: one entry per element, linked as a tree
// by index. Entry 0 stands for the document itself.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orbo::xml {

struct Node {
  size_t start = 0;    // offset of the "<" of the start tag
  size_t length = 0;   // through the end tag, "/>" or, when unended, the content
  size_t tag_len = 0;  // length of the start tag through its ">"
  size_t end_len = 0;  // length of the end tag; 0 when self-closed or unended
  size_t name_len = 0;
  size_t parent = 0, first_child = 0, next = 0, prev = 0;  // 0 = none
  bool self_closed = false;
  bool removed = false;  // deleted from the text; no longer linked
};

// Builds the index of text into *nodes (entry 0 = document). Parsing goes on
// past every fault: each element that could be recognised is indexed. The
// names of the faults found are appended once each to *log. Returns true
// when the text is well formed: one root element, every start tag ended, no
// lone end tag, no unterminated markup.
bool ParseXml(std::string_view text, std::vector<Node>* nodes, std::vector<std::string>* log);

}  // namespace orbo::xml
