// The text arguments of page calls: the command number, the U+0002 fields
// of command 19 (Wi-Fi name and password), the project file name and the
// configuration form of commands 0 and 9 (U+0002-terminated element,
// attribute, value triples applied to the page settings template).
#include <climits>
#include <cstdlib>
#include <string>

#include "bridge/page_call_text.h"
#include "formats/xml/xml_doc.h"
#include "fuzz_support.h"
#include "ops/transfer/transfer_ops.h"

namespace {

constexpr std::string_view kTemplate =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QXBoxSet Version=\"1\">\n"
    "  <BaseSet URL2=\"monitor.html\" BoxName=\"ORBO\" TimeZone=\"UTC+00:00\"/>\n"
    "  <Wifi Enable=\"0\" SSID=\"\" Psw=\"\"/>\n  <Cloud Server=\"\" Port=\"8883\"/>\n"
    "</QXBoxSet>\n";

// ParseCommandNumber reads what strtol reads, clamped to int.
void CheckNumber(const std::string& text) {
  const long parsed = std::strtol(text.c_str(), nullptr, 10);
  const long clamped = parsed > INT_MAX ? INT_MAX : (parsed < INT_MIN ? INT_MIN : parsed);
  FUZZ_CHECK(orbo::ParseCommandNumber(text.c_str()) == clamped);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(orbo::fuzz::AsText(data, size));
  CheckNumber(text);

  std::string joined;
  for (const std::string& field : orbo::SplitSkippingEmpty(text, '\x02')) {
    FUZZ_CHECK(!field.empty() && field.find('\x02') == std::string::npos);
    joined += field;
  }
  std::string without = text;
  std::erase(without, '\x02');
  FUZZ_CHECK(joined == without);

  std::optional<std::string> name, password;
  if (!orbo::ParseWifiFields(text, &name, &password)) FUZZ_CHECK(!name && !password);

  const std::string project = orbo::WithProjectExtension(text);
  FUZZ_CHECK(project.size() >= 5 && project.compare(project.size() - 5, 5, ".kzrp") == 0);

  const auto& dir = orbo::fuzz::ScratchDir();
  orbo::fuzz::WriteFile(dir / "html" / "Default.xml", kTemplate);
  std::error_code ec;
  std::filesystem::remove(dir / "setup.xml", ec);
  if (orbo::BuildSetupXml(dir, text) == 0) {
    orbo::XmlDoc setup;
    FUZZ_CHECK(setup.LoadFile(dir / "setup.xml"));
  }
  FUZZ_CHECK(orbo::fuzz::NoTempFilesIn(dir));
  return 0;
}
