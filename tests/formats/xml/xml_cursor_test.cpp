#include <gtest/gtest.h>

#include <string>

#include "formats/xml/xml_doc.h"
#include "xml_test_helpers.h"

namespace orbo {
namespace {

const char kWifi[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!-- remembered networks -->\n"
    "<WifiList>\n"
    "\t<wifi Name=\"home\" Psw=\"one\"/>\n"
    "\t<other Name=\"home\"/>\n"
    "\t<wifi Name=\"work\" Psw=\"two\">\n"
    "\t\t<wifi Name=\"nested\"/>\n"
    "\t</wifi>\n"
    "\t<Wifi Name=\"case\"/>\n"
    "</WifiList>\n";

TEST(XmlCursor, FindElementWalksSiblingsAndClearsTheChild) {
  XmlDoc doc;
  ASSERT_TRUE(doc.SetText(kWifi));
  EXPECT_FALSE(doc.FindElement("wifi"));  // top level holds only the root
  ASSERT_TRUE(doc.FindElement("WifiList"));
  EXPECT_EQ(doc.GetElementName(), "WifiList");
  ASSERT_TRUE(doc.FindChild("wifi"));
  // No sibling of the root: nothing moves.
  EXPECT_FALSE(doc.FindElement("WifiList"));
  EXPECT_EQ(doc.GetElementName(), "WifiList");
  EXPECT_EQ(doc.GetChildAttribute("Name"), "home");

  ASSERT_TRUE(doc.EnterElement());  // main = first "wifi", parent = root
  EXPECT_EQ(doc.GetAttribute("Name"), "home");
  ASSERT_TRUE(doc.FindElement("wifi"));
  EXPECT_EQ(doc.GetAttribute("Name"), "work");
  EXPECT_EQ(doc.GetChildName(), "");      // cleared by the find
  EXPECT_FALSE(doc.FindElement("wifi"));  // "Wifi" does not match: case counts
  EXPECT_EQ(doc.GetAttribute("Name"), "work");
  ASSERT_TRUE(doc.FindElement("Wifi"));
  EXPECT_EQ(doc.GetAttribute("Name"), "case");
}

TEST(XmlCursor, FindChildVisitsMatchesInOrderAndStaysOnTheLast) {
  XmlDoc doc;
  ASSERT_TRUE(doc.SetText(kWifi));
  // Without a main position FindChild searches under the first element.
  ASSERT_TRUE(doc.FindChild("wifi"));
  EXPECT_EQ(doc.GetElementName(), "WifiList");
  EXPECT_EQ(doc.GetChildAttribute("Name"), "home");
  ASSERT_TRUE(doc.FindChild("wifi"));
  EXPECT_EQ(doc.GetChildAttribute("Name"), "work");  // "other" skipped, nested not seen
  EXPECT_FALSE(doc.FindChild("wifi"));
  EXPECT_EQ(doc.GetChildAttribute("Name"), "work");
  EXPECT_FALSE(doc.FindChild("missing"));
  EXPECT_EQ(doc.GetChildName(), "wifi");

  doc.ResetCursor();
  EXPECT_EQ(doc.GetElementName(), "");
  EXPECT_EQ(doc.GetChildAttribute("Name"), "");
  EXPECT_FALSE(doc.EnterElement());
}

TEST(XmlCursor, EnterElementDescends) {
  XmlDoc doc;
  ASSERT_TRUE(doc.SetText(kWifi));
  ASSERT_TRUE(doc.FindElement("WifiList"));
  EXPECT_FALSE(doc.EnterElement());
  ASSERT_TRUE(doc.FindChild("wifi"));
  ASSERT_TRUE(doc.FindChild("wifi"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindChild("wifi"));
  EXPECT_EQ(doc.GetChildAttribute("Name"), "nested");
}

TEST(XmlCursor, AttributesAreReadWhateverTheirQuoting) {
  XmlDoc doc;
  ASSERT_TRUE(doc.SetText(
      "<HMISet filever = \"1.0\" single='a \"b\"' esc=\"&lt;&#65;&#x42;&amp;\" empty=\"\" "
      "dup=\"first\" dup=\"second\" bare>\n<Hmi/></HMISet>"));
  ASSERT_TRUE(doc.FindElement("HMISet"));
  EXPECT_EQ(doc.GetAttribute("filever"), "1.0");
  EXPECT_EQ(doc.GetAttribute("single"), "a \"b\"");
  EXPECT_EQ(doc.GetAttribute("esc"), "<AB&");
  EXPECT_EQ(doc.GetAttribute("empty"), "");
  EXPECT_EQ(doc.GetAttribute("dup"), "first");
  EXPECT_EQ(doc.GetAttribute("bare"), "");
  EXPECT_EQ(doc.GetAttribute("Filever"), "");
  EXPECT_EQ(doc.GetAttribute("missing"), "");
  ASSERT_TRUE(doc.FindChild("Hmi"));
  EXPECT_EQ(doc.GetChildAttribute("Version"), "");
}

}  // namespace
}  // namespace orbo
