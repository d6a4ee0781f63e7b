#include "formats/lists/box_types.h"

#include <gtest/gtest.h>

#include "base/base64.h"
#include "formats/xml/xml_doc.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

constexpr char kModels[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<BOXSet>\n"
    "  <box Type=\"OP-S70\" Display=\"Panneau 7\xE2\x80\xB3\" SerialNo=\"OBX-100\" "
    "Kernel=\"ARM9\"/>\n"
    "</BOXSet>\n";

TEST(BoxTypes, SaveAndLoadRoundTripThroughOneLineOfBase64) {
  test::TempDir dir;
  XmlDoc doc;
  ASSERT_TRUE(doc.SetText(kModels));
  ASSERT_TRUE(SaveBoxTypes(dir.path(), doc));
  const std::string stored = dir.Read("BOXType.hmi");
  EXPECT_EQ(stored, Base64Encode(kModels));
  EXPECT_EQ(stored.find_first_of("\r\n"), std::string::npos);

  XmlDoc loaded;
  ASSERT_EQ(LoadBoxTypes(dir.path(), &loaded), 0);
  EXPECT_EQ(loaded.GetText(), kModels);
  loaded.ResetCursor();
  ASSERT_TRUE(loaded.FindElement("BOXSet"));
  ASSERT_TRUE(loaded.FindChild("box"));
  EXPECT_EQ(loaded.GetChildAttribute("Display"), "Panneau 7\xE2\x80\xB3");
}

TEST(BoxTypes, DecodingStopsAtALineBreakOrOtherOutsider) {
  test::TempDir dir;
  const std::string encoded = Base64Encode(kModels);
  dir.Write("BOXType.hmi", encoded + "\r\nPGJhZC8+");  // "<bad/>" after the break
  XmlDoc doc;
  ASSERT_EQ(LoadBoxTypes(dir.path(), &doc), 0);
  EXPECT_EQ(doc.GetText(), kModels);

  // A stray character in the middle cuts the document short: not well formed.
  std::string cut = encoded;
  cut.insert(cut.size() / 2, "*");
  dir.Write("BOXType.hmi", cut);
  EXPECT_EQ(LoadBoxTypes(dir.path(), &doc), -1);
}

TEST(BoxTypes, MissingOrMalformedFilesFail) {
  test::TempDir dir;
  XmlDoc doc;
  EXPECT_EQ(LoadBoxTypes(dir.path(), &doc), -1);
  dir.Write("BOXType.hmi", "");
  EXPECT_EQ(LoadBoxTypes(dir.path(), &doc), -1);
  dir.Write("BOXType.hmi", kModels);  // plain XML is not the stored form
  EXPECT_EQ(LoadBoxTypes(dir.path(), &doc), -1);
  dir.Write("BOXType.hmi", Base64Encode("<BOXSet><box Type=\"A\"></BOXSet>"));
  EXPECT_EQ(LoadBoxTypes(dir.path(), &doc), -1);
  dir.Write("BOXType.hmi", Base64Encode(std::string("\xFF\xFE<\0B\0", 6)));
  EXPECT_EQ(LoadBoxTypes(dir.path(), &doc), -1);
}

TEST(BoxTypes, ByteOrderMarkAndBadUtf8AreTolerated) {
  EXPECT_EQ(DecodeBoxTypesText(Base64Encode("\xEF\xBB\xBF<a/>")), "<a/>");
  EXPECT_EQ(DecodeBoxTypesText(Base64Encode("<a b=\"\xFF\"/>")), "<a b=\"\xEF\xBF\xBD\"/>");
}

}  // namespace
}  // namespace orbo
