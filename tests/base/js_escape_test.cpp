#include <gtest/gtest.h>

#include "base/js_escape.h"

namespace orbo {
namespace {

TEST(JsEscape, QuotesAndBackslashesCannotEndTheLiteral) {
  EXPECT_EQ(JsEscape(R"(a"b'c\d)"), R"(a\"b\'c\\d)");
  EXPECT_EQ(JsEscape(R"(\")"), R"(\\\")");  // escaped quote stays escaped
  EXPECT_EQ(JsEscape(R"(");alert(1);//)"), R"(\");alert(1);//)");
}

TEST(JsEscape, LineBreaksAndSeparatorsBecomeEscapes) {
  EXPECT_EQ(JsEscape("a\r\nb\tc"), "a\\r\\nb\\tc");
  EXPECT_EQ(JsEscape("x\xE2\x80\xA8y\xE2\x80\xA9z"), "x\\u2028y\\u2029z");
  EXPECT_EQ(JsEscape(std::string("n\0ul\x01\x7F", 6)), "n\\x00ul\\x01\\x7F");
}

TEST(JsEscape, ScriptEndTagIsBroken) {
  const std::string out = JsEscape("</script><script>alert(1)</script>");
  EXPECT_EQ(out.find("</"), std::string::npos);
  EXPECT_EQ(out.find('<'), std::string::npos);
  EXPECT_EQ(JsEscape("<!--"), "\\x3C!--");
}

TEST(JsEscape, KeepsOrdinaryTextAndRepairsBadUtf8) {
  EXPECT_EQ(JsEscape("192.168.1.20;\xE4\xB8\xAD"), "192.168.1.20;\xE4\xB8\xAD");
  EXPECT_EQ(JsEscape("a\xFF"), "a\xEF\xBF\xBD");
  EXPECT_EQ(JsEscape(""), "");
}

}  // namespace
}  // namespace orbo
