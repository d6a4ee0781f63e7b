// One small XML document class for every XML file of the tool. The whole
// document is kept as text and edited in place, so whatever the program does
// not touch (comments, layout, unknown elements and attributes) is saved
// back byte for byte.
//
// Cursors: a parent position, a main position and a child position into the
// element index (none = 0). FindElement moves the main position among the
// siblings (at top level: the root); FindChild moves the child position
// among the children of the main element.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orbo {

class XmlDoc {
 public:
  XmlDoc();
  XmlDoc(const XmlDoc&) = delete;
  XmlDoc& operator=(const XmlDoc&) = delete;

  // Reads the file with encoding detection and parses it. True when the
  // file was read and the document is well formed. A document that is not
  // well formed still keeps its text and every element that could be
  // recognised; the find operations work on those.
  bool LoadFile(const std::filesystem::path& path);
  // Parses a document held in memory (bytes as they would be in a file).
  bool LoadBytes(std::string_view bytes);
  // Replaces the text (UTF-8) and parses it; true when well formed.
  bool SetText(std::string_view text);
  const std::string& GetText() const;
  // Writes the text in the file encoding (see the .cpp for the rules),
  // replacing the file atomically. True when written.
  bool SaveFile(const std::filesystem::path& path);
  // The bytes SaveFile would write. False when the text cannot be encoded.
  bool EncodeForSave(std::string* bytes);

  void ResetCursor();
  bool FindElement(std::string_view name);
  bool FindChild(std::string_view name);
  bool EnterElement();
  std::string GetAttribute(std::string_view name) const;
  std::string GetChildAttribute(std::string_view name) const;
  bool SetAttribute(std::string_view name, std::string_view value);
  bool SetChildAttribute(std::string_view name, std::string_view value);
  bool AddChild(std::string_view name);
  bool RemoveElement();
  // Name of the main / child element, empty when there is none.
  std::string GetElementName() const;
  std::string GetChildName() const;

  bool well_formed() const { return well_formed_; }
  // "UTF-8", "UTF-16LE", "UTF-16BE", "ANSI" or a declared name; empty for a
  // document made with SetText.
  const std::string& encoding() const { return encoding_; }
  bool had_utf8_bom() const { return utf8_bom_; }
  // Named results of the last file operation and parse ("read",
  // "no_root_element", ...), for diagnostics only.
  const std::vector<std::string>& result_log() const { return result_log_; }

 private:
  struct Node {
    size_t start = 0;   // offset of "<"
    size_t length = 0;  // through the end of the end tag (or of "/>")
    size_t name_len = 0;
    size_t parent = 0, first_child = 0, next = 0, prev = 0;
  };
  void Parse();
  void Reindex();

  std::string text_;
  std::vector<Node> nodes_;  // nodes_[0] is the document itself
  size_t parent_pos_ = 0, main_pos_ = 0, child_pos_ = 0;
  std::string encoding_;
  bool utf8_bom_ = false;
  bool utf16_le_ = false, utf16_be_ = false;
  bool well_formed_ = false;
  std::vector<std::string> result_log_;
};

// Attribute value escaping: & < > " ' become entities; unescaping also
// decodes numeric references (&#NN; and &#xHH;).
std::string XmlEscape(std::string_view text);
std::string XmlUnescape(std::string_view text);

}  // namespace orbo
