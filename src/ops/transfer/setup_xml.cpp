// BuildSetupXml: the box configuration built from the page's form and the
// shipped template.
#include "formats/xml/xml_doc.h"
#include "ops/transfer/transfer_ops.h"

namespace orbo {
namespace {

constexpr char kTokenEnd = '\x02';

// Cuts the next U+0002-terminated token off *rest. False when no U+0002
// is left.
bool NextToken(std::string_view* rest, std::string_view* token) {
  const size_t end = rest->find(kTokenEnd);
  if (end == std::string_view::npos) return false;
  *token = rest->substr(0, end);
  rest->remove_prefix(end + 1);
  return true;
}

}  // namespace

int BuildSetupXml(const std::filesystem::path& appDir, const std::string& form) {
  if (form.empty()) return -1;
  XmlDoc doc;
  if (!doc.LoadFile(appDir / "html" / "Default.xml")) return -1;

  std::string_view rest = form;
  size_t tokens = 0;
  std::string_view triple[3];
  while (!rest.empty() && NextToken(&rest, &triple[tokens % 3])) {
    ++tokens;
    if (tokens % 3 != 0) continue;
    // Elements are children of the root; one the template lacks is skipped.
    doc.ResetCursor();
    if (doc.FindChild(triple[0])) doc.SetChildAttribute(triple[1], triple[2]);
  }
  if (tokens % 3 != 0) return -1;
  return doc.SaveFile(appDir / "setup.xml") ? 0 : -1;
}

}  // namespace orbo
