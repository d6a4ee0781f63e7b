// XmlDoc: edits. Each edit replaces only the bytes it must and adjusts the
// element index instead of parsing the whole text again.
#include <algorithm>

#include "formats/xml/xml_doc.h"
#include "formats/xml/xml_scan.h"

namespace orbo {
namespace {

// Where an element stands in its line, for laying out inserted elements.
struct Layout {
  bool own_line = false;  // only spaces or tabs before it on its line
  std::string indent;     // those spaces or tabs
  std::string newline;    // the document's line break
};

Layout LayoutAt(const std::string& text, size_t start) {
  Layout l;
  size_t ls = start;
  while (ls > 0 && (text[ls - 1] == ' ' || text[ls - 1] == '\t')) --ls;
  l.indent = text.substr(ls, start - ls);
  size_t nl = std::string::npos;
  if (ls == 0) {
    l.own_line = true;
    nl = text.find('\n');
  } else if (text[ls - 1] == '\n') {
    l.own_line = true;
    nl = ls - 1;
  }
  l.newline = (nl != std::string::npos && nl > 0 && text[nl - 1] == '\r') ? "\r\n" : "\n";
  return l;
}

}  // namespace

void XmlDoc::Splice(size_t pos, size_t old_len, std::string_view repl, size_t owner) {
  const size_t old_end = pos + old_len;
  text_.replace(pos, old_len, repl);
  // Unsigned wrap-around makes "- old_len + size" right for shrinking too.
  for (size_t i = 1; i < nodes_.size(); ++i) {
    xml::Node& n = nodes_[i];
    if (!n.removed && n.start >= old_end) n.start = n.start - old_len + repl.size();
  }
  for (size_t a = owner; a != 0; a = nodes_[a].parent) {
    nodes_[a].length = nodes_[a].length - old_len + repl.size();
  }
  nodes_[0].length = text_.size();
}

size_t XmlDoc::NewNode(size_t start, std::string_view name, size_t parent) {
  xml::Node node;
  node.start = start;
  node.name_len = name.size();
  node.tag_len = node.length = name.size() + 3;  // "<name/>"
  node.self_closed = true;
  node.parent = parent;
  nodes_.push_back(node);
  return nodes_.size() - 1;
}

bool XmlDoc::SetAttributeOf(size_t idx, std::string_view name, std::string_view value) {
  // A zero character would be dropped when the file is read again.
  if (!well_formed_ || idx == 0 || !xml::IsValidName(name) ||
      value.find('\0') != std::string_view::npos)
    return false;
  const xml::Node& node = nodes_[idx];
  const std::string_view tag(text_.data(), node.start + node.tag_len);
  xml::AttrSpan match;
  bool found = false;
  size_t last_end = node.start + 1 + node.name_len;
  xml::ScanTag(tag, last_end, [&](const xml::AttrSpan& a) {
    last_end = a.end;
    if (!found && tag.substr(a.name_pos, a.name_len) == name) {
      found = true;
      match = a;
    }
  });
  const std::string escaped = XmlEscape(value);
  size_t pos = last_end, old_len = 0;
  std::string repl;
  if (!found) {
    repl = " " + std::string(name) + "=\"" + escaped + "\"";
  } else if (!match.has_value) {
    pos = match.name_pos + match.name_len;
    repl = "=\"" + escaped + "\"";
  } else {
    pos = match.value_pos;
    old_len = match.value_len;
    repl = match.quote != 0 ? escaped : "\"" + escaped + "\"";
  }
  const std::string before(text_, pos, old_len);
  const size_t tag_len = nodes_[idx].tag_len;
  Splice(pos, old_len, repl, idx);
  nodes_[idx].tag_len = tag_len - old_len + repl.size();
  // A tag written loosely can swallow the new text (after "b=" with no value
  // the appended attribute would become b's value); undo such an edit rather
  // than report a value that does not read back.
  if (AttributeOf(idx, name) != value) {
    Splice(pos, repl.size(), before, idx);
    nodes_[idx].tag_len = tag_len;
    return false;
  }
  return true;
}

bool XmlDoc::SetAttribute(std::string_view name, std::string_view value) {
  return SetAttributeOf(main_pos_, name, value);
}

bool XmlDoc::SetChildAttribute(std::string_view name, std::string_view value) {
  return SetAttributeOf(child_pos_, name, value);
}

bool XmlDoc::AddChild(std::string_view name) {
  if (!well_formed_ || !xml::IsValidName(name)) return false;
  if (main_pos_ == 0) {
    main_pos_ = FirstElement(parent_pos_);
    child_pos_ = 0;
    if (main_pos_ == 0) return false;
  }
  const size_t p = main_pos_;
  const std::string elem = "<" + std::string(name) + "/>";
  size_t after = child_pos_;
  if (after == 0) {
    for (size_t c = nodes_[p].first_child; c != 0; c = nodes_[c].next) after = c;
  }

  if (after != 0) {
    // After a sibling, on a line of its own when the sibling has one.
    const Layout l = LayoutAt(text_, nodes_[after].start);
    const std::string ins = l.own_line ? l.newline + l.indent + elem : elem;
    const size_t pos = nodes_[after].start + nodes_[after].length;
    Splice(pos, 0, ins, p);
    const size_t idx = NewNode(pos + ins.size() - elem.size(), name, p);
    const size_t next = nodes_[after].next;
    nodes_[idx].prev = after;
    nodes_[idx].next = next;
    if (next != 0) nodes_[next].prev = idx;
    nodes_[after].next = idx;
    child_pos_ = idx;
    return true;
  }

  // First child: indent one step deeper than the parent, the step taken
  // from the parent's own indentation against its parent's.
  const Layout l = LayoutAt(text_, nodes_[p].start);
  std::string step = "\t";
  const size_t grand = nodes_[p].parent;
  if (grand != 0) {
    const Layout g = LayoutAt(text_, nodes_[grand].start);
    if (g.own_line && l.indent.size() > g.indent.size() && l.indent.starts_with(g.indent)) {
      step = l.indent.substr(g.indent.size());
    }
  }
  const std::string inner = l.newline + l.indent + step;
  size_t node_start;
  if (nodes_[p].self_closed) {
    // "<p a='1' />" becomes "<p a='1'>" + child + "</p>".
    // Blanks and stray slashes before "/>" go too ("<p a='1' //>" would
    // stay self-closed otherwise), but nothing of the last attribute.
    const size_t tag_end = nodes_[p].start + nodes_[p].tag_len;
    size_t attrs_end = nodes_[p].start + 1 + nodes_[p].name_len;
    xml::ScanTag(std::string_view(text_).substr(0, tag_end), attrs_end,
                 [&](const xml::AttrSpan& attr) { attrs_end = attr.end; });
    size_t a = tag_end - 2;  // the "/" of "/>"
    while (a > attrs_end && (xml::IsSpace(text_[a - 1]) || text_[a - 1] == '/')) --a;
    const std::string lead = l.own_line ? inner : "";
    const std::string trail = l.own_line ? l.newline + l.indent : "";
    // An unquoted value ending in "/" ("<p a=b/>") keeps it: a blank keeps
    // that slash from closing the tag again.
    const std::string open = text_[a - 1] == '/' ? " >" : ">";
    const std::string repl = open + lead + elem + trail + "</" + std::string(NameOf(p)) + ">";
    Splice(a, tag_end - a, repl, p);
    xml::Node& parent = nodes_[p];
    parent.tag_len = a + open.size() - parent.start;
    parent.end_len = parent.name_len + 3;
    parent.self_closed = false;
    node_start = a + open.size() + lead.size();
  } else {
    const size_t content_start = nodes_[p].start + nodes_[p].tag_len;
    const size_t content_end = nodes_[p].start + nodes_[p].length - nodes_[p].end_len;
    const std::string_view content =
        std::string_view(text_).substr(content_start, content_end - content_start);
    const bool blank = std::all_of(content.begin(), content.end(), xml::IsSpace);
    size_t pos = content_end;
    std::string ins = elem;
    if (l.own_line && blank && content.find('\n') != std::string_view::npos) {
      pos = content_start;
      ins = inner + elem;
    } else if (l.own_line && content.empty() && nodes_[p].end_len != 0) {
      pos = content_start;
      ins = inner + elem + l.newline + l.indent;
    }
    Splice(pos, 0, ins, p);
    node_start = pos + ins.find('<');
  }
  const size_t idx = NewNode(node_start, name, p);
  nodes_[p].first_child = idx;
  child_pos_ = idx;
  return true;
}

bool XmlDoc::RemoveElement() {
  const size_t m = main_pos_;
  if (!well_formed_ || m == 0) return false;
  const xml::Node node = nodes_[m];
  size_t from = node.start;
  const size_t to = node.start + node.length;
  // Take the element's line with it when it stands alone there.
  size_t ls = from;
  while (ls > 0 && (text_[ls - 1] == ' ' || text_[ls - 1] == '\t')) --ls;
  if (ls > 0 && text_[ls - 1] == '\n') {
    size_t q = to;
    while (q < text_.size() && (text_[q] == ' ' || text_[q] == '\t')) ++q;
    if (q >= text_.size() || text_[q] == '\r' || text_[q] == '\n' ||
        text_.compare(q, 2, "</") == 0) {
      from = ls - 1;
      if (from > 0 && text_[from - 1] == '\r') --from;
    }
  }
  // Unlink and retire the element with everything under it.
  if (node.prev != 0) {
    nodes_[node.prev].next = node.next;
  } else {
    nodes_[node.parent].first_child = node.next;
  }
  if (node.next != 0) nodes_[node.next].prev = node.prev;
  std::vector<size_t> stack{m};
  while (!stack.empty()) {
    const size_t i = stack.back();
    stack.pop_back();
    nodes_[i].removed = true;
    for (size_t c = nodes_[i].first_child; c != 0; c = nodes_[c].next) stack.push_back(c);
  }
  Splice(from, to - from, "", node.parent);
  main_pos_ = node.prev;
  child_pos_ = 0;
  return true;
}

}  // namespace orbo
