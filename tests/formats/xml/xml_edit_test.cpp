#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "formats/xml/xml_doc.h"
#include "support/temp_dir.h"
#include "xml_test_helpers.h"

namespace orbo {
namespace {

using test::ReplacedOnce;

TEST(XmlEdit, SavedFileDiffersOnlyInTheChangedValue) {
  const std::string original =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
      "<!-- keep me: <BaseSet URL2=\"fake\"/> -->\r\n"
      "<QXBoxSet   Unknown = 'x'  >\r\n"
      "    <BaseSet\tURL2=\"http://old.example/\"   Lang=\"Grüße 中文\" />\r\n"
      "  <Extra><![CDATA[ <raw> & stuff ]]></Extra>\r\n"
      "<Wifi Ssid=\"a&amp;b\"></Wifi>\r\n"
      "</QXBoxSet>\r\n";
  test::TempDir dir;
  const auto path = dir.Write("Default.xml", original);
  XmlDoc doc;
  ASSERT_TRUE(doc.LoadFile(path)) << test::LogText(doc);
  ASSERT_TRUE(doc.FindChild("BaseSet"));
  EXPECT_EQ(doc.GetChildAttribute("URL2"), "http://old.example/");
  ASSERT_TRUE(doc.SetChildAttribute("URL2", "https://new.example/x?a=1&b=2"));
  ASSERT_TRUE(doc.FindChild("Wifi"));
  ASSERT_TRUE(doc.SetChildAttribute("Ssid", "a&b"));  // same value: same bytes
  ASSERT_TRUE(doc.SaveFile(path));
  EXPECT_EQ(test::ReadAll(path),
            ReplacedOnce(original, "http://old.example/", "https://new.example/x?a=1&amp;b=2"));
  EXPECT_TRUE(doc.CheckIndex());
}

TEST(XmlEdit, SetAttributeReplacesInPlaceOrAppends) {
  XmlDoc doc;
  ASSERT_TRUE(doc.SetText("<r><a b=1 c d='x' /></r>"));
  ASSERT_TRUE(doc.FindChild("a"));
  ASSERT_TRUE(doc.SetChildAttribute("b", "2"));
  ASSERT_TRUE(doc.SetChildAttribute("c", "3"));
  ASSERT_TRUE(doc.SetChildAttribute("d", "it's"));
  ASSERT_TRUE(doc.SetChildAttribute("e", "5"));
  EXPECT_EQ(doc.GetText(), "<r><a b=\"2\" c=\"3\" d='it&apos;s' e=\"5\" /></r>");
  EXPECT_EQ(doc.GetChildAttribute("d"), "it's");
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.SetAttribute("b", ""));
  EXPECT_EQ(doc.GetAttribute("b"), "");
  EXPECT_TRUE(doc.CheckIndex());
}

TEST(XmlEdit, ValuesWithMarkupCharactersSurviveSaveAndReload) {
  const std::string tricky = "a&b \"q\" <x> 'y' &amp; &#65; é";
  test::TempDir dir;
  const auto path =
      dir.Write("WifiList.xml", "<WifiList>\n\t<wifi Name=\"n\" Psw=\"\"/>\n</WifiList>\n");
  {
    XmlDoc doc;
    ASSERT_TRUE(doc.LoadFile(path));
    ASSERT_TRUE(doc.FindChild("wifi"));
    ASSERT_TRUE(doc.SetChildAttribute("Psw", tricky));
    ASSERT_TRUE(doc.SaveFile(path));
  }
  EXPECT_NE(test::ReadAll(path).find(
                "Psw=\"a&amp;b &quot;q&quot; &lt;x&gt; &apos;y&apos; &amp;amp; &amp;#65; é\""),
            std::string::npos);
  XmlDoc doc;
  ASSERT_TRUE(doc.LoadFile(path));
  ASSERT_TRUE(doc.FindChild("wifi"));
  EXPECT_EQ(doc.GetChildAttribute("Psw"), tricky);
}

TEST(XmlEdit, AddChildGoesRightAfterTheLastFoundChild) {
  XmlDoc doc;
  ASSERT_TRUE(doc.SetText(
      "<WifiList>\n\t<wifi Name=\"a\"/>\n\t<wifi Name=\"b\"/>\n\t<note/>\n</WifiList>"));
  ASSERT_TRUE(doc.FindElement("WifiList"));
  while (doc.FindChild("wifi")) {
  }
  ASSERT_TRUE(doc.AddChild("wifi"));
  ASSERT_TRUE(doc.SetChildAttribute("Name", "c"));
  ASSERT_TRUE(doc.SetChildAttribute("Psw", "p"));
  EXPECT_EQ(doc.GetText(),
            "<WifiList>\n\t<wifi Name=\"a\"/>\n\t<wifi Name=\"b\"/>\n"
            "\t<wifi Name=\"c\" Psw=\"p\"/>\n\t<note/>\n</WifiList>");
  // The new element is linked between its siblings.
  EXPECT_FALSE(doc.FindChild("wifi"));
  EXPECT_TRUE(doc.FindChild("note"));
  EXPECT_TRUE(doc.CheckIndex());
}

TEST(XmlEdit, AddChildLaysOutNewElementsLikeTheirNeighbours) {
  struct Case {
    const char* before;
    const char* after;
  };
  const Case cases[] = {
      // no child position: after the last child
      {"<r>\n  <x/>\n  <y></y>\n</r>", "<r>\n  <x/>\n  <y></y>\n  <n/>\n</r>"},
      {"<r>\r\n  <x/>\r\n</r>\r\n", "<r>\r\n  <x/>\r\n  <n/>\r\n</r>\r\n"},
      // no children yet
      {"<r/>", "<r>\n\t<n/>\n</r>"},
      {"<r a='1' />", "<r a='1'>\n\t<n/>\n</r>"},
      {"<r></r>", "<r>\n\t<n/>\n</r>"},
      {"<r>\n</r>", "<r>\n\t<n/>\n</r>"},
      {"<r>text</r>", "<r>text<n/></r>"},
      // one line stays one line
      {"<r><x/><y/></r>", "<r><x/><y/><n/></r>"},
  };
  for (const auto& c : cases) {
    XmlDoc doc;
    ASSERT_TRUE(doc.SetText(c.before)) << c.before;
    ASSERT_TRUE(doc.AddChild("n")) << c.before;  // under the first element
    EXPECT_EQ(doc.GetText(), c.after);
    EXPECT_EQ(doc.GetChildName(), "n");
    EXPECT_TRUE(doc.CheckIndex()) << c.before;
  }
}

TEST(XmlEdit, AddChildToANestedEmptyElementIndentsOneStepDeeper) {
  XmlDoc doc;
  ASSERT_TRUE(doc.SetText("<HMISet>\n    <Hmi />\n</HMISet>"));
  ASSERT_TRUE(doc.FindChild("Hmi"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.AddChild("Sub"));
  ASSERT_TRUE(doc.SetChildAttribute("k", "v"));
  EXPECT_EQ(doc.GetText(), "<HMISet>\n    <Hmi>\n        <Sub k=\"v\"/>\n    </Hmi>\n</HMISet>");
  EXPECT_TRUE(doc.SetAttribute("after", "1"));  // the opened tag is still editable
  EXPECT_EQ(doc.GetText(),
            "<HMISet>\n    <Hmi after=\"1\">\n        <Sub k=\"v\"/>\n    </Hmi>\n</HMISet>");
  EXPECT_TRUE(doc.CheckIndex());
}

TEST(XmlEdit, RemoveElementTakesItsLineAndMovesToThePreviousSibling) {
  const std::string text =
      "<WifiList>\n\t<wifi Name=\"a\"/>\n\t<wifi Name=\"b\">\n\t\t<x/>\n\t</wifi>\n"
      "\t<wifi Name=\"c\"/>\n</WifiList>";
  XmlDoc doc;
  ASSERT_TRUE(doc.SetText(text));
  ASSERT_TRUE(doc.FindChild("wifi"));
  ASSERT_TRUE(doc.FindChild("wifi"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.RemoveElement());
  EXPECT_EQ(doc.GetText(), "<WifiList>\n\t<wifi Name=\"a\"/>\n\t<wifi Name=\"c\"/>\n</WifiList>");
  EXPECT_EQ(doc.GetAttribute("Name"), "a");
  ASSERT_TRUE(doc.FindElement("wifi"));
  EXPECT_EQ(doc.GetAttribute("Name"), "c");
  EXPECT_TRUE(doc.CheckIndex());

  // Removing the first element leaves no main position; the next find
  // starts from the first sibling again.
  doc.ResetCursor();
  ASSERT_TRUE(doc.FindChild("wifi"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.RemoveElement());
  EXPECT_EQ(doc.GetElementName(), "");
  EXPECT_FALSE(doc.RemoveElement());
  ASSERT_TRUE(doc.FindElement("wifi"));
  EXPECT_EQ(doc.GetAttribute("Name"), "c");
  EXPECT_EQ(doc.GetText(), "<WifiList>\n\t<wifi Name=\"c\"/>\n</WifiList>");
  EXPECT_TRUE(doc.CheckIndex());
}

TEST(XmlEdit, RemoveElementInsideALineRemovesOnlyTheElement) {
  XmlDoc doc;
  ASSERT_TRUE(doc.SetText("<r>\n  <a/> <b/> tail\n</r>"));
  ASSERT_TRUE(doc.FindChild("b"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.RemoveElement());
  EXPECT_EQ(doc.GetText(), "<r>\n  <a/>  tail\n</r>");
  EXPECT_EQ(doc.GetElementName(), "a");
}

TEST(XmlEdit, NamesThatWouldBreakTheMarkupAreRefused) {
  const std::string text = "<r><a k=\"1\"/></r>";
  XmlDoc doc;
  ASSERT_TRUE(doc.SetText(text));
  EXPECT_FALSE(doc.SetAttribute("k", "v"));  // no main element yet
  EXPECT_FALSE(doc.AddChild("x><y"));
  ASSERT_TRUE(doc.FindChild("a"));
  for (const char* bad : {"", "a b", "x\"y", "x=y", "1st", "a/>", "a&b", "<x"}) {
    EXPECT_FALSE(doc.SetChildAttribute(bad, "v")) << bad;
    EXPECT_FALSE(doc.AddChild(bad)) << bad;
  }
  EXPECT_EQ(doc.GetText(), text);

  XmlDoc empty;
  EXPECT_FALSE(empty.SetText(""));
  EXPECT_FALSE(empty.AddChild("n"));
  EXPECT_FALSE(empty.RemoveElement());
  EXPECT_EQ(empty.GetText(), "");
}

// Random documents and random edits: the index must always equal a fresh
// parse, and values set must read back.
TEST(XmlEdit, IndexStaysValidThroughRandomEdits) {
  uint32_t seed = 7;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % n;
  };
  const char* names[] = {"a", "b", "c"};
  const char* fillers[] = {"", "\n  ", " ", "<!-- <a/> -->", "<![CDATA[<b>]]>", "text", "<?p?>"};
  std::string gen;
  auto element = [&](auto&& self, int depth) -> void {
    const std::string name = names[next(3)];
    gen += "<" + name;
    if (next(2)) gen += " k=\"" + std::to_string(next(100)) + "\"";
    if (depth >= 3 || next(3) == 0) {
      gen += next(2) ? "/>" : " />";
      return;
    }
    gen += ">";
    const uint32_t children = next(4);
    for (uint32_t i = 0; i < children; ++i) {
      gen += fillers[next(7)];
      self(self, depth + 1);
    }
    gen += fillers[next(7)];
    gen += "</" + name + ">";
  };
  for (int round = 0; round < 200; ++round) {
    gen = "<?xml version=\"1.0\"?>\n";
    element(element, 0);
    XmlDoc doc;
    ASSERT_TRUE(doc.SetText(gen)) << gen;
    for (int step = 0; step < 40; ++step) {
      const std::string name = names[next(3)];
      const std::string value = std::to_string(next(1000)) + "&\"";
      switch (next(8)) {
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
        case 4: {
          const char* attr = next(2) ? "k" : "z";
          if (doc.SetAttribute(attr, value)) {
            EXPECT_EQ(doc.GetAttribute(attr), value);
          }
          break;
        }
        case 5:
          if (doc.SetChildAttribute("k", value)) {
            EXPECT_EQ(doc.GetChildAttribute("k"), value);
          }
          break;
        case 6:
          doc.AddChild(name);
          break;
        case 7:
          if (next(3) == 0) doc.RemoveElement();
          break;
      }
      ASSERT_TRUE(doc.CheckIndex()) << "round " << round << " step " << step << "\n"
                                    << doc.GetText();
    }
  }
}

}  // namespace
}  // namespace orbo
