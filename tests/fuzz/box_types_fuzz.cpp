// The box model file: Base64 of a UTF-8 XML document, decoded, parsed,
// and written back.
#include <string>

#include "base/utf.h"
#include "formats/lists/box_types.h"
#include "formats/xml/xml_doc.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view stored = orbo::fuzz::AsText(data, size);
  const std::string text = orbo::DecodeBoxTypesText(stored);
  FUZZ_CHECK(orbo::IsValidUtf8(text));
  // Stored again, the text reads back the same (a leading byte-order mark
  // is dropped once more, by design).
  if (!text.starts_with("\xEF\xBB\xBF"))
    FUZZ_CHECK(orbo::DecodeBoxTypesText(orbo::EncodeBoxTypesText(text)) == text);

  const auto file = orbo::fuzz::ScratchDir() / orbo::kBoxTypesFileName;
  orbo::fuzz::WriteFile(file, stored);
  orbo::XmlDoc doc;
  if (orbo::LoadBoxTypesFile(file, &doc) != 0) return 0;
  // A loaded file is saved and read back unchanged, but for a second
  // byte-order mark at its start, which the next load drops in turn.
  FUZZ_CHECK(orbo::SaveBoxTypesFile(file, doc));
  orbo::XmlDoc again;
  FUZZ_CHECK(orbo::LoadBoxTypesFile(file, &again) == 0);
  std::string_view expected = doc.GetText();
  if (expected.starts_with("\xEF\xBB\xBF")) expected.remove_prefix(3);
  FUZZ_CHECK(again.GetText() == expected);
  return 0;
}
