#include <gtest/gtest.h>

#include "firmware_files.h"
#include "ops/transfer/firmware_update.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

constexpr char kBoxes[] =
    "  <box Type=\"\" Display=\"unnamed\" SerialNo=\"other\" Kernel=\"A7\"/>\n"
    "  <box Type=\"OP-S70A\" Display=\"7 inch A7\" SerialNo=\"OBX-200\" Kernel=\"A7\"/>\n"
    "  <box Type=\"OP-S70\" Display=\"7 inch\" SerialNo=\"OBX-100\" Kernel=\"ARM9\"/>\n";

class Catalogue : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteBoxTypes(dir, kBoxes);
    test::WriteCatalogue(
        dir, "OBX-100",
        {{"ARM9", "imageARM9.img", "fsFLASH", "fsFLASHVER:", "V1.3.0-P:FS", "", ""},
         {"A7", "imageA7.img", "fsFLASH", "fsFLASHVER:", "V1.3.0-P:FS", "", ""},
         {"ARM9", "os.img", "kernel", "OSVER:", "V2.1.0", "", ""}});
  }
  bool Load(std::string_view type_reply) {
    return LoadCatalogue(dir.path(), type_reply, &records, &kernel);
  }
  test::TempDir dir;
  std::vector<ComponentRecord> records;
  std::string kernel = "before";
};

TEST_F(Catalogue, TheFirstModelWhoseTypeStartsTheReplyPicksTheComponents) {
  ASSERT_TRUE(Load("OP-S70 rev.B\r"));
  EXPECT_EQ(kernel, "ARM9");
  ASSERT_EQ(records.size(), 3u);  // one slot per element
  EXPECT_EQ(records[0].imageName, "imageARM9.img");
  EXPECT_EQ(records[0].boxFileName, "fsFLASH");
  EXPECT_EQ(records[0].versionKey, "fsFLASHVER:");
  EXPECT_EQ(records[0].newVersion, "V1.3.0-P:FS");
  EXPECT_EQ(records[0].digest.size(), 32u);
  EXPECT_TRUE(records[1].empty());  // the other kernel's slot stays empty
  EXPECT_EQ(records[2].versionKey, "OSVER:");
  for (const ComponentRecord& r : records) EXPECT_FALSE(r.needsUpdate);
}

TEST_F(Catalogue, ModelsThatDoNotFitFail) {
  // "OP-S70A" fits first but its serial has no catalogue entry; the empty
  // type claims nothing.
  EXPECT_FALSE(Load("OP-S70A"));
  EXPECT_EQ(kernel, "A7");
  EXPECT_TRUE(records.empty());
  kernel = "before";
  EXPECT_FALSE(Load("OP-S7"));  // shorter than every type
  EXPECT_FALSE(Load(""));
  EXPECT_FALSE(Load("op-s70"));
  EXPECT_EQ(kernel, "before");
}

TEST_F(Catalogue, MissingOrMalformedFilesFail) {
  std::filesystem::remove(dir / "BOXType.hmi");
  EXPECT_FALSE(Load("OP-S70"));
  dir.Write("BOXType.hmi", "not base64 at all: <BOXSet>");
  EXPECT_FALSE(Load("OP-S70"));
  test::WriteBoxTypes(dir, kBoxes);
  ASSERT_TRUE(Load("OP-S70"));

  const std::string good = dir.Read("Up.ibl");
  dir.Write("Up.ibl", good.substr(0, good.size() / 2));
  EXPECT_FALSE(Load("OP-S70"));
  EXPECT_TRUE(records.empty());
  std::filesystem::remove(dir / "Up.ibl");
  EXPECT_FALSE(Load("OP-S70"));
  dir.Write("Up.ibl", "<UpdateInfo><ORBOType SerialNo=\"OBX-100\"/></UpdateInfo>");
  EXPECT_FALSE(Load("OP-S70"));  // no components
}

TEST_F(Catalogue, AtMostTwentyComponents) {
  std::vector<test::Component> many;
  for (int i = 0; i < 25; ++i) {
    many.push_back({"ARM9", "c" + std::to_string(i) + ".img", "c", "C" + std::to_string(i) + ":",
                    "V1", "", "00"});
  }
  test::WriteCatalogue(dir, "OBX-100", many);
  ASSERT_TRUE(Load("OP-S70"));
  ASSERT_EQ(records.size(), kMaxComponents);
  EXPECT_EQ(records.back().versionKey, "C19:");
}

std::vector<ComponentRecord> Records(
    std::initializer_list<std::pair<const char*, const char*>> kv) {
  std::vector<ComponentRecord> records;
  for (const auto& [key, version] : kv) {
    ComponentRecord& r = records.emplace_back();
    if (*key == '\0') continue;  // an empty slot
    r.versionKey = key;
    r.newVersion = version;
    r.imageName = std::string(key) + ".img";
  }
  return records;
}

TEST(PlanUpdates, MarksNewerMissingAndFactoryComponents) {
  auto records = Records({{"fsFLASHVER:", "V1.10.0-P:FS"},
                          {"OSVER:", "V2.0.0"},
                          {"RUNVER:", "V3.1"},
                          {"APPVER:", "V9"},
                          {"", ""}});
  const std::string list =
      "fsflashver:V1.2.0-P:FS\r\nOSVER:V2.0.0\nRUNVER:V3.0.9 extra\r\nfsFLASHVER:V1.0.0-P:FS\r\n";
  const UpdatePlan plan = PlanUpdates(list, "ARM9", "is newer:", &records);
  EXPECT_FALSE(plan.packaged);
  EXPECT_TRUE(records[0].needsUpdate);   // 1.10 beats 1.2, the key found in any case
  EXPECT_FALSE(records[1].needsUpdate);  // the same version
  EXPECT_TRUE(records[2].needsUpdate);
  EXPECT_FALSE(records[3].needsUpdate);  // a key the box lacks is skipped
  EXPECT_FALSE(records[4].needsUpdate);  // an empty slot matches nothing
  EXPECT_EQ(plan.question,
            "fsflashver:V1.2.0-P:FS is newer: V1.10.0-P:FS\n"
            "RUNVER:V3.0.9 extra is newer: V3.1\n");
}

TEST(PlanUpdates, FactoryFileSystemLineIsAlwaysOffered) {
  auto records = Records({{"fsFLASHVER:", "V1.0.0-P:FS"}});
  const UpdatePlan plan = PlanUpdates("OSVER:V1\nfsFLASHVER:V1.0.0-P:FS", "A7", "->", &records);
  EXPECT_TRUE(records[0].needsUpdate);
  EXPECT_EQ(plan.question, "fsFLASHVER:V1.0.0-P:FS -> V1.0.0-P:FS\n");
}

TEST(PlanUpdates, AMissingPackagedVersionPackagesEveryComponent) {
  auto records = Records({{"OSVER:", "V2.1"}, {"version", "A7-V1.0.1.20250101"}});
  UpdatePlan plan = PlanUpdates("OSVER:V2.0\r\n", "A7", "new:", &records);
  EXPECT_TRUE(plan.packaged);
  EXPECT_TRUE(records[0].needsUpdate);
  EXPECT_TRUE(records[1].needsUpdate);
  EXPECT_EQ(plan.question,
            "OSVER:V2.0 new: V2.1\n"
            "version A7-V1.0.0.00000000 new: A7-V1.0.1.20250101\n");

  // A box without any file system line is offered the shipped one.
  records = Records({{"fsFLASHVER:", "V1.3.0-P:FS"}});
  plan = PlanUpdates("OSVER:V2.0\r\n", "A7", "new:", &records);
  EXPECT_FALSE(plan.packaged);
  EXPECT_EQ(plan.question, "fsFLASHVER:V1.0.0 new: V1.3.0-P:FS\n");

  // Nothing newer: no question.
  records = Records({{"OSVER:", "V2.0"}, {"version", "A7-V1"}});
  plan = PlanUpdates("version A7-V1.0.0\r\nOSVER:V2.0", "A7", "new:", &records);
  EXPECT_EQ(plan.question, "");
  EXPECT_FALSE(plan.packaged);
}

}  // namespace
}  // namespace orbo
