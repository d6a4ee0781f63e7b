#include "formats/lists/box_types.h"

#include "base/base64.h"
#include "base/file_util.h"
#include "base/utf.h"
#include "formats/xml/xml_doc.h"

namespace orbo {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
// A model file is a few KiB; anything near this is not one.
constexpr size_t kMaxBoxTypesBytes = size_t{16} << 20;

}  // namespace

std::string DecodeBoxTypesText(std::string_view stored) {
  std::string text = Base64Decode(stored);
  std::string_view view = text;
  if (view.starts_with(kBom)) view.remove_prefix(kBom.size());
  return SanitizeUtf8(view);
}

std::string EncodeBoxTypesText(std::string_view text) {
  return Base64Encode(text);
}

int LoadBoxTypesFile(const std::filesystem::path& file, XmlDoc* doc) {
  std::string stored;
  // A missing file gives an empty text, which is no document.
  ReadFileBytes(file, &stored, kMaxBoxTypesBytes);
  return doc->SetText(DecodeBoxTypesText(stored)) ? 0 : -1;
}

bool SaveBoxTypesFile(const std::filesystem::path& file, const XmlDoc& doc) {
  return WriteFileAtomic(file, EncodeBoxTypesText(doc.GetText()));
}

int LoadBoxTypes(const std::filesystem::path& app_dir, XmlDoc* doc) {
  return LoadBoxTypesFile(app_dir / kBoxTypesFileName, doc);
}

bool SaveBoxTypes(const std::filesystem::path& app_dir, const XmlDoc& doc) {
  return SaveBoxTypesFile(app_dir / kBoxTypesFileName, doc);
}

}  // namespace orbo
