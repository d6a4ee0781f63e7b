// The firmware check's inputs: the box's version list (a 4-digit length
// text and the list) and the shipped catalogue "Up.ibl", compared by
// PlanUpdates and IsNewer. Input parts, split at U+001D: the box side of
// "GetAllVersion\r" (see ScriptedTransport), the catalogue's bytes.
#include <string>
#include <vector>

#include "formats/lists/box_types.h"
#include "formats/xml/xml_doc.h"
#include "fuzz_support.h"
#include "link/box_link.h"
#include "ops/transfer/firmware_update.h"
#include "scripted_transport.h"
#include "support/fake_sleeper.h"

namespace {

constexpr std::string_view kBoxTypes =
    "<BOXSet><box Type=\"OP-X70\" SerialNo=\"OBX-100\" Kernel=\"A7\"/>"
    "<box Type=\"OP-S70\" SerialNo=\"OBX-100\" Kernel=\"ARM9\"/></BOXSet>";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = orbo::fuzz::Split(orbo::fuzz::AsText(data, size), '\x1d');
  orbo::fuzz::ScriptedTransport transport(parts[0]);
  orbo::test::FakeSleeper sleeper;
  orbo::BoxLink link(nullptr, sleeper);
  link.Attach(&transport);
  std::string list;
  if (orbo::ReadVersionList(link, &list)) {
    FUZZ_CHECK(!list.empty() && list.size() <= orbo::kVersionListSize);
  }

  const auto& dir = orbo::fuzz::ScratchDir();
  orbo::fuzz::WriteFile(dir / orbo::kBoxTypesFileName, orbo::EncodeBoxTypesText(kBoxTypes));
  orbo::fuzz::WriteFile(dir / "Up.ibl", parts.size() > 1 ? parts[1] : "");
  std::vector<orbo::ComponentRecord> records;
  std::string kernel;
  if (orbo::LoadCatalogue(dir, "OP-X70 rev2", &records, &kernel)) {
    FUZZ_CHECK(!records.empty() && records.size() <= orbo::kMaxComponents);
    FUZZ_CHECK(kernel == "A7");
  }
  const orbo::UpdatePlan plan = orbo::PlanUpdates(list, kernel, "new", &records);
  for (const auto& r : records) {
    FUZZ_CHECK(!r.needsUpdate || !r.empty());
    // A version is never newer than itself, and never both ways.
    FUZZ_CHECK(!orbo::IsNewer(r.newVersion, r.newVersion));
  }
  const auto lines = orbo::fuzz::Split(list, '\n');
  for (size_t i = 0; i + 1 < lines.size() && i < 8; ++i) {
    FUZZ_CHECK(!(orbo::IsNewer(lines[i], lines[i + 1]) && orbo::IsNewer(lines[i + 1], lines[i])));
  }
  (void)plan;
  return 0;
}
