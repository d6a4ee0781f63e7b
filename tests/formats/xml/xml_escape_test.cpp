#include <gtest/gtest.h>

#include <string>

#include "formats/xml/xml_doc.h"

namespace orbo {
namespace {

TEST(XmlEscape, EscapesTheFiveMarkupCharacters) {
  EXPECT_EQ(XmlEscape("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&apos;f");
  EXPECT_EQ(XmlEscape("plain é 中"), "plain é 中");
  EXPECT_EQ(XmlEscape("&amp;"), "&amp;amp;");
}

TEST(XmlEscape, UnescapesNamedAndNumericReferences) {
  EXPECT_EQ(XmlUnescape("&lt;&gt;&amp;&quot;&apos;"), "<>&\"'");
  EXPECT_EQ(XmlUnescape("&#65;&#x42;&#X43;&#x00e9;&#20013;"), "ABCé中");
  EXPECT_EQ(XmlUnescape("&#x1F600;"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(XmlUnescape("&amp;lt;"), "&lt;");  // decoded once only
}

TEST(XmlEscape, InvalidReferencesStayAsWritten) {
  for (const char* text :
       {"&", "a & b", "&amp", "&bogus;", "&#;", "&#x;", "&#0;", "&#xD800;", "&#x110000;",
        "&#99999999999999;", "&#12a;", "&#xG1;", "&AMP;", "& amp;", "&#-1;"}) {
    EXPECT_EQ(XmlUnescape(text), text) << text;
  }
  EXPECT_EQ(XmlUnescape("&bogus;&amp;&#0;"), "&bogus;&&#0;");
}

}  // namespace
}  // namespace orbo
