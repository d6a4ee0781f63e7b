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

#include "formats/xml/xml_node.h"

namespace orbo {

class XmlDoc {
 public:
  XmlDoc();
  XmlDoc(const XmlDoc&) = delete;
  XmlDoc& operator=(const XmlDoc&) = delete;

  // Reads the file with encoding detection and parses it. True when the
  // file was read and the document is well formed. A document that is not
  // well formed still keeps its text and every element that could be
  // recognised; the find operations work on those. A file that cannot be
  // read leaves an empty document ("file_error" in the log).
  bool LoadFile(const std::filesystem::path& path);
  // Same for bytes held in memory (as they would be in a file): detects the
  // encoding (byte-order mark, declared encoding, first byte "<", UTF-8
  // validity, else the ANSI code page), converts to UTF-8, removes zero
  // characters and parses. True when well formed.
  bool LoadBytes(std::string_view bytes);
  // Replaces the text (UTF-8) and parses it; true when well formed. The
  // file encoding becomes unknown (empty) and no byte-order mark is kept.
  bool SetText(std::string_view text);
  const std::string& GetText() const;
  // Writes the text in the file encoding, replacing the file atomically:
  // the encoding found when loading (with its byte-order mark when the file
  // had one; UTF-16 in its byte order); for a SetText document the encoding
  // named by its XML declaration, else UTF-8, without a mark. False when
  // the text cannot be represented in that encoding ("conversion_loss";
  // the file is left as it was) or the file cannot be written; false
  // without writing when the document is not well formed or lost
  // characters when it was loaded (see lossy_load).
  bool SaveFile(const std::filesystem::path& path);
  // The bytes SaveFile would write. False when the text cannot be encoded.
  bool EncodeForSave(std::string* bytes);

  void ResetCursor();
  // Moves the main position to the next sibling named name (from the first
  // element of the level when there is no main position) and clears the
  // child position. False, changing nothing, when there is none.
  bool FindElement(std::string_view name);
  // Under the main element (which becomes the first element of the level
  // when there is none) moves the child position to the next child named
  // name. False when there is none; the child position then stays.
  bool FindChild(std::string_view name);
  // Parent <- main, main <- child, child <- none. False without a child.
  bool EnterElement();
  // The attribute of the main / child element with entities decoded; empty
  // when the element or the attribute is absent.
  std::string GetAttribute(std::string_view name) const;
  std::string GetChildAttribute(std::string_view name) const;
  // Edits (SetAttribute, SetChildAttribute, AddChild, RemoveElement) are
  // refused (false) in a document that is not well formed: its index may
  // not describe the text, so an edit could land in the wrong place.
  //
  // Replaces the attribute's value in place (escaped) or appends the
  // attribute after the last one. False, changing nothing, when there is no
  // such element, name is not a valid attribute name, value holds a zero
  // character, or the value would not read back (a loosely written tag).
  bool SetAttribute(std::string_view name, std::string_view value);
  bool SetChildAttribute(std::string_view name, std::string_view value);
  // Inserts an empty element as a child of the main element (the first
  // element of the level when there is none), right after the child
  // position or after the last child; it becomes the child position. False
  // when there is no element to add to or name is not a valid element name.
  bool AddChild(std::string_view name);
  // Deletes the main element with its content; the main position moves to
  // its previous sibling (none when it was the first), the child position
  // is cleared. False when there is no main element.
  bool RemoveElement();
  // Name of the main / child element, empty when there is none.
  std::string GetElementName() const;
  std::string GetChildName() const;

  // Self-check for tests and fuzzing: true when the element index equals
  // the index a fresh parse of the current text gives.
  bool CheckIndex() const;

  bool well_formed() const { return well_formed_; }
  // True when loading replaced bytes its encoding does not define with
  // U+FFFD; such a document is never saved back.
  bool lossy_load() const { return lossy_load_; }
  // "UTF-8", "UTF-16LE", "UTF-16BE", "ANSI" or a declared name; empty for a
  // document made with SetText.
  const std::string& encoding() const { return encoding_; }
  bool had_utf8_bom() const { return utf8_bom_; }
  // Named results of the last load or SetText (file operation and parse) or
  // of the last save ("read", "no_root_element", "write", ...), for
  // diagnostics only.
  const std::vector<std::string>& result_log() const { return result_log_; }

 private:
  bool Parse();
  size_t FirstElement(size_t parent) const;
  std::string_view NameOf(size_t idx) const;
  std::string AttributeOf(size_t idx, std::string_view name) const;
  bool SetAttributeOf(size_t idx, std::string_view name, std::string_view value);
  // Replaces old_len bytes at pos with repl and keeps the index valid:
  // owner and its ancestors (which enclose the edit) change length, every
  // element starting at or after the replaced range moves.
  void Splice(size_t pos, size_t old_len, std::string_view repl, size_t owner);
  size_t NewNode(size_t start, std::string_view name, size_t parent);

  std::string text_;
  std::vector<xml::Node> nodes_;  // nodes_[0] is the document itself
  size_t parent_pos_ = 0, main_pos_ = 0, child_pos_ = 0;
  std::string encoding_;
  bool utf8_bom_ = false;
  bool utf16_le_ = false, utf16_be_ = false;
  bool well_formed_ = false;
  bool lossy_load_ = false;
  std::vector<std::string> result_log_;
};

// Attribute value escaping: & < > " ' become entities; unescaping also
// decodes numeric references (&#NN; and &#xHH;). A reference that is not
// valid (unknown name, no ";", zero, surrogate, beyond U+10FFFF) stays as
// written. apostrophe is the reference written for ' (HTML pages use
// "&#39;", which every HTML version knows).
std::string XmlEscape(std::string_view text, std::string_view apostrophe = "&apos;");
std::string XmlUnescape(std::string_view text);

}  // namespace orbo
