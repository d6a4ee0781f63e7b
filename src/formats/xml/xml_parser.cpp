#include <algorithm>
#include <unordered_map>

#include "base/utf.h"
#include "formats/xml/xml_node.h"
#include "formats/xml/xml_scan.h"

namespace orbo::xml {
namespace {

constexpr size_t npos = std::string_view::npos;

bool StartsAt(std::string_view t, size_t pos, std::string_view s) {
  return t.size() - pos >= s.size() && t.compare(pos, s.size(), s) == 0;
}

// Offset just past the ">" ending a document type declaration that starts
// at pos (after "<!DOCTYPE"), npos when it never ends. Quoted texts, the
// internal subset in brackets and comments inside it are skipped.
size_t SkipDoctype(std::string_view t, size_t pos) {
  int depth = 0;
  while (pos < t.size()) {
    const char c = t[pos];
    if (c == '"' || c == '\'') {
      const size_t close = t.find(c, pos + 1);
      if (close == npos) return npos;
      pos = close + 1;
      continue;
    }
    if (depth > 0 && StartsAt(t, pos, "<!--")) {
      const size_t close = t.find("-->", pos + 4);
      if (close == npos) return npos;
      pos = close + 3;
      continue;
    }
    if (c == '[') ++depth;
    if (c == ']' && depth > 0) --depth;
    if (c == '>' && depth == 0) return pos + 1;
    ++pos;
  }
  return npos;
}

class Parser {
 public:
  Parser(std::string_view text, std::vector<Node>* nodes, std::vector<std::string>* log)
      : t_(text), nodes_(*nodes), log_(*log) {}

  bool Run() {
    nodes_.clear();
    nodes_.reserve(t_.size() / 48 + 16);  // about one element per line of markup
    Node doc;
    doc.length = t_.size();
    nodes_.push_back(doc);
    open_.assign(1, 0);
    last_child_.assign(1, 0);
    size_t pos = 0;
    while (pos < t_.size()) {
      const size_t lt = t_.find('<', pos);
      if (lt == npos) break;
      pos = Markup(lt);
    }
    for (size_t k = open_.size() - 1; k >= 1; --k) {
      Fault("unended_start_tag");
      nodes_[open_[k]].length = t_.size() - nodes_[open_[k]].start;
    }
    if (roots_ == 0) Fault("no_root_element");
    return ok_;
  }

 private:
  void Fault(const char* name) {
    ok_ = false;
    if (std::find(log_.begin(), log_.end(), name) == log_.end()) log_.emplace_back(name);
  }

  // Handles the markup starting with the "<" at lt; returns where to go on.
  size_t Markup(size_t lt) {
    const size_t n = t_.size();
    if (lt + 1 >= n) {
      Fault("unterminated_tag_syntax");
      return n;
    }
    const char c = t_[lt + 1];
    if (c == '?') return SkipTo(lt + 2, "?>", "unterminated_tag_syntax");
    if (c == '!') {
      if (StartsAt(t_, lt, "<!--")) return SkipTo(lt + 4, "-->", "comment_tag_syntax");
      if (StartsAt(t_, lt, "<![CDATA[")) return SkipTo(lt + 9, "]]>", "cdata_section_syntax");
      if (n - lt >= 9 && EqualsIgnoreAsciiCase(t_.substr(lt, 9), "<!DOCTYPE")) {
        const size_t end = SkipDoctype(t_, lt + 9);
        if (end != npos) return end;
        Fault("doctype_tag_syntax");
        return n;
      }
      Fault("exclamation_tag_syntax");
      const size_t gt = t_.find('>', lt + 2);
      return gt == npos ? n : gt + 1;
    }
    if (c == '/') return EndTag(lt);
    if (!IsNameStart(c)) {
      Fault("first_tag_syntax");  // "<" that starts no tag: read on as text
      return lt + 1;
    }
    return StartTag(lt);
  }

  size_t SkipTo(size_t from, std::string_view close, const char* fault) {
    const size_t at = t_.find(close, from);
    if (at == npos) {
      Fault(fault);
      return t_.size();
    }
    return at + close.size();
  }

  size_t StartTag(size_t lt) {
    const size_t name_len = NameLength(t_, lt + 1);
    const TagEnd end = ScanTag(t_, lt + 1 + name_len, [](const AttrSpan&) {});
    if (!end.ok) {
      Fault("unterminated_tag_syntax");
      return std::max(end.resume, lt + 1);
    }
    const size_t idx = nodes_.size();
    const size_t parent = open_.back();
    Node node;
    node.start = lt;
    node.name_len = name_len;
    node.tag_len = end.end + 1 - lt;
    node.parent = parent;
    node.prev = last_child_.back();
    node.self_closed = end.self_closed;
    if (end.self_closed) node.length = node.tag_len;
    nodes_.push_back(node);
    if (node.prev != 0) {
      nodes_[node.prev].next = idx;
    } else {
      nodes_[parent].first_child = idx;
    }
    last_child_.back() = idx;
    if (parent == 0 && ++roots_ > 1) Fault("root_has_sibling");
    if (!end.self_closed) {
      open_.push_back(idx);
      ++open_names_[Name(idx)];
      last_child_.push_back(0);
    }
    return end.end + 1;
  }

  size_t EndTag(size_t lt) {
    const size_t name_pos = lt + 2;
    const size_t name_len = NameLength(t_, name_pos);
    if (name_len == 0) {
      Fault("first_tag_syntax");
      return lt + 2;
    }
    size_t q = name_pos + name_len;
    while (q < t_.size() && IsSpace(t_[q])) ++q;
    if (q >= t_.size() || t_[q] != '>') {
      Fault("unterminated_tag_syntax");
      return q;
    }
    const std::string_view name = t_.substr(name_pos, name_len);
    // The count keeps a lone end tag from searching a deep stack.
    const auto open_count = open_names_.find(name);
    if (open_count == open_names_.end() || open_count->second == 0) {
      Fault("lone_end_tag");
      return q + 1;
    }
    size_t k = open_.size() - 1;
    while (k > 0 && Name(open_[k]) != name) --k;
    if (k == 0) {
      Fault("lone_end_tag");
      return q + 1;
    }
    // Elements opened inside the matched one and never ended close here;
    // their content runs up to this end tag.
    while (open_.size() - 1 > k) {
      Fault("unended_start_tag");
      Node& inner = nodes_[open_.back()];
      inner.length = lt - inner.start;
      --open_names_[Name(open_.back())];
      open_.pop_back();
      last_child_.pop_back();
    }
    Node& node = nodes_[open_.back()];
    node.length = q + 1 - node.start;
    node.end_len = q + 1 - lt;
    --open_count->second;
    open_.pop_back();
    last_child_.pop_back();
    return q + 1;
  }

  std::string_view Name(size_t idx) const {
    return t_.substr(nodes_[idx].start + 1, nodes_[idx].name_len);
  }

  std::string_view t_;
  std::vector<Node>& nodes_;
  std::vector<std::string>& log_;
  std::vector<size_t> open_;  // elements whose end tag is still due; [0] = document
  std::unordered_map<std::string_view, size_t> open_names_;  // open elements per name
  std::vector<size_t> last_child_;  // last child indexed so far, per open element
  size_t roots_ = 0;
  bool ok_ = true;
};

}  // namespace

bool ParseXml(std::string_view text, std::vector<Node>* nodes, std::vector<std::string>* log) {
  return Parser(text, nodes, log).Run();
}

}  // namespace orbo::xml
