// XML documents: load (encoding detection and parse), walk with the cursors,
// edit, and the save round trip. Input: one byte n (low four bits), n
// operation bytes, then the file's bytes.
#include <algorithm>
#include <string>
#include <vector>

#include "formats/xml/xml_doc.h"
#include "fuzz_support.h"

namespace {

using orbo::XmlDoc;

std::string PickName(const XmlDoc& doc, unsigned selector) {
  switch (selector % 6) {
    case 0:
      return doc.GetElementName();
    case 1:
      return doc.GetChildName();
    case 2:
      return "a";
    case 3:
      return "wifi";
    case 4:
      return "BaseSet";
    default:
      return "n";
  }
}

// Applies one operation. In a well-formed document (checked) a value set
// reads back as it was set.
void Apply(XmlDoc& doc, unsigned char op, size_t step, bool check) {
  const std::string name = PickName(doc, op >> 3);
  const std::string value = "v" + std::to_string(step) + "&<\"'\x01";
  switch (op & 7) {
    case 0:
      doc.ResetCursor();
      break;
    case 1:
      doc.FindElement(name);
      break;
    case 2:
      doc.FindChild(name);
      break;
    case 3:
      doc.EnterElement();
      break;
    case 4:
      if (doc.SetAttribute("k", value) && check) FUZZ_CHECK(doc.GetAttribute("k") == value);
      break;
    case 5:
      if (doc.SetChildAttribute(name.empty() ? "z" : "k", value) && check)
        FUZZ_CHECK(doc.GetChildAttribute(name.empty() ? "z" : "k") == value);
      break;
    case 6:
      doc.AddChild(name);
      break;
    default:
      doc.RemoveElement();
      break;
  }
  // Reads must stay inside the text whatever the cursors point at.
  doc.GetAttribute("k");
  doc.GetChildAttribute("Name");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t ops = std::min<size_t>(data[0] & 15, size - 1);
  const std::string_view script = orbo::fuzz::AsText(data + 1, ops);
  const std::string_view bytes = orbo::fuzz::AsText(data + 1 + ops, size - 1 - ops);

  XmlDoc doc;
  const bool well_formed = doc.LoadBytes(bytes);
  for (size_t i = 0; i < script.size(); ++i) {
    Apply(doc, static_cast<unsigned char>(script[i]), i, well_formed);
    // Edits keep a well-formed document well formed, with a correct index.
    if (well_formed) {
      FUZZ_CHECK(doc.CheckIndex());
      // Removing the root is the one edit that may leave no document.
      XmlDoc fresh;
      if (!fresh.SetText(doc.GetText()))
        FUZZ_CHECK(fresh.result_log() == std::vector<std::string>{"no_root_element"});
    }
  }

  // What is saved reads back as the same text.
  std::string saved;
  if (well_formed && doc.EncodeForSave(&saved)) {
    XmlDoc again;
    again.LoadBytes(saved);
    FUZZ_CHECK(again.GetText() == doc.GetText());
  }
  return 0;
}
