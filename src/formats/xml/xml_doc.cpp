// XmlDoc: loading, saving and the cursors. Editing is in xml_doc_edit.cpp.
#include "formats/xml/xml_doc.h"

#include <algorithm>

#include "base/file_util.h"
#include "formats/xml/xml_encoding.h"
#include "formats/xml/xml_scan.h"

namespace orbo {

XmlDoc::XmlDoc() {
  nodes_.emplace_back();
}

bool XmlDoc::LoadFile(const std::filesystem::path& path) {
  std::string bytes;
  if (!ReadFileBytes(path, &bytes)) {
    SetText("");
    result_log_.assign(1, "file_error");
    return false;
  }
  const bool ok = LoadBytes(bytes);
  result_log_.insert(result_log_.begin(), "read");
  return ok;
}

bool XmlDoc::LoadBytes(std::string_view bytes) {
  result_log_.clear();
  xml::DecodedText decoded = xml::DecodeFileBytes(bytes, &result_log_);
  text_ = std::move(decoded.text);
  encoding_ = std::move(decoded.encoding);
  utf8_bom_ = decoded.utf8_bom;
  utf16_le_ = decoded.utf16_le;
  utf16_be_ = decoded.utf16_be;
  lossy_load_ =
      std::find(result_log_.begin(), result_log_.end(), "conversion_loss") != result_log_.end();
  return Parse();
}

bool XmlDoc::SetText(std::string_view text) {
  result_log_.clear();
  text_.assign(text);
  encoding_.clear();
  utf8_bom_ = utf16_le_ = utf16_be_ = false;
  lossy_load_ = false;
  return Parse();
}

const std::string& XmlDoc::GetText() const {
  return text_;
}

bool XmlDoc::Parse() {
  ResetCursor();
  well_formed_ = xml::ParseXml(text_, &nodes_, &result_log_);
  return well_formed_;
}

bool XmlDoc::EncodeForSave(std::string* bytes) {
  std::string encoding = encoding_;
  if (encoding.empty()) encoding = xml::FindDeclaredEncoding(text_, false);
  if (encoding.empty()) encoding = "UTF-8";
  const bool bom = utf8_bom_ || utf16_le_ || utf16_be_;
  if (!xml::EncodeText(text_, encoding, bom, bytes, &result_log_)) return false;
  // Bytes in a codepage carry no mark of it: text that happens to encode to
  // a byte-order mark or to valid UTF-8 would read back as other text. Such
  // a file is written as UTF-8 with a mark, which reads back as it is held.
  std::vector<std::string> ignored;
  if (xml::DecodeFileBytes(*bytes, &ignored).text == text_) return true;
  if (!xml::EncodeText(text_, "UTF-8", true, bytes, &result_log_)) return false;
  if (xml::DecodeFileBytes(*bytes, &ignored).text == text_) return true;
  bytes->clear();
  result_log_.emplace_back("conversion_loss");
  return false;
}

bool XmlDoc::SaveFile(const std::filesystem::path& path) {
  result_log_.clear();
  // Saving would write the stand-ins of lost characters, or text whose
  // structure the index does not describe, over the file.
  if (lossy_load_ || !well_formed_) {
    result_log_.emplace_back(lossy_load_ ? "lossy_load" : "not_well_formed");
    return false;
  }
  std::string bytes;
  if (!EncodeForSave(&bytes)) return false;
  if (!WriteFileAtomic(path, bytes)) {
    result_log_.emplace_back("file_error");
    return false;
  }
  result_log_.emplace_back("write");
  return true;
}

void XmlDoc::ResetCursor() {
  parent_pos_ = main_pos_ = child_pos_ = 0;
}

size_t XmlDoc::FirstElement(size_t parent) const {
  return nodes_[parent].first_child;
}

std::string_view XmlDoc::NameOf(size_t idx) const {
  return std::string_view(text_).substr(nodes_[idx].start + 1, nodes_[idx].name_len);
}

bool XmlDoc::FindElement(std::string_view name) {
  size_t i = main_pos_ != 0 ? nodes_[main_pos_].next : FirstElement(parent_pos_);
  for (; i != 0; i = nodes_[i].next) {
    if (NameOf(i) == name) {
      main_pos_ = i;
      child_pos_ = 0;
      return true;
    }
  }
  return false;
}

bool XmlDoc::FindChild(std::string_view name) {
  if (main_pos_ == 0) {
    main_pos_ = FirstElement(parent_pos_);
    child_pos_ = 0;
    if (main_pos_ == 0) return false;
  }
  size_t i = child_pos_ != 0 ? nodes_[child_pos_].next : nodes_[main_pos_].first_child;
  for (; i != 0; i = nodes_[i].next) {
    if (NameOf(i) == name) {
      child_pos_ = i;
      return true;
    }
  }
  return false;
}

bool XmlDoc::EnterElement() {
  if (child_pos_ == 0) return false;
  parent_pos_ = main_pos_;
  main_pos_ = child_pos_;
  child_pos_ = 0;
  return true;
}

std::string XmlDoc::AttributeOf(size_t idx, std::string_view name) const {
  const xml::Node& node = nodes_[idx];
  // The scan is bounded by the start tag the parser found.
  const std::string_view tag(text_.data(), node.start + node.tag_len);
  std::string value;
  bool found = false;
  xml::ScanTag(tag, node.start + 1 + node.name_len, [&](const xml::AttrSpan& a) {
    if (found || tag.substr(a.name_pos, a.name_len) != name) return;
    found = true;
    if (a.has_value) value = XmlUnescape(tag.substr(a.value_pos, a.value_len));
  });
  return value;
}

std::string XmlDoc::GetAttribute(std::string_view name) const {
  return main_pos_ != 0 ? AttributeOf(main_pos_, name) : std::string();
}

std::string XmlDoc::GetChildAttribute(std::string_view name) const {
  return child_pos_ != 0 ? AttributeOf(child_pos_, name) : std::string();
}

std::string XmlDoc::GetElementName() const {
  return main_pos_ != 0 ? std::string(NameOf(main_pos_)) : std::string();
}

std::string XmlDoc::GetChildName() const {
  return child_pos_ != 0 ? std::string(NameOf(child_pos_)) : std::string();
}

bool XmlDoc::CheckIndex() const {
  std::vector<xml::Node> fresh;
  std::vector<std::string> log;
  xml::ParseXml(text_, &fresh, &log);
  // Walk both trees in document order side by side.
  std::vector<std::pair<size_t, size_t>> stack{{0, 0}};
  while (!stack.empty()) {
    const auto [a, b] = stack.back();
    stack.pop_back();
    const xml::Node& x = nodes_[a];
    const xml::Node& y = fresh[b];
    if (x.removed || x.start != y.start || x.length != y.length || x.tag_len != y.tag_len ||
        x.end_len != y.end_len || x.name_len != y.name_len || x.self_closed != y.self_closed) {
      return false;
    }
    size_t ca = x.first_child, cb = y.first_child;
    for (; ca != 0 && cb != 0; ca = nodes_[ca].next, cb = fresh[cb].next) {
      if (nodes_[ca].parent != a) return false;
      const size_t prev = nodes_[ca].prev;
      if (prev != 0 && nodes_[prev].next != ca) return false;
      stack.emplace_back(ca, cb);
    }
    if (ca != 0 || cb != 0) return false;
  }
  return true;
}

}  // namespace orbo
