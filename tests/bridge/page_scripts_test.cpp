#include <gtest/gtest.h>

#include <map>

#include "bridge/page.h"
#include "support/recording_view.h"

namespace orbo {
namespace {

using test::RecordingView;

PageScripts::TextLookup Table(std::map<std::string, std::string> texts) {
  return [texts](std::string_view key) {
    auto it = texts.find(std::string(key));
    return it == texts.end() ? std::string() : it->second;
  };
}

TEST(PageScripts, EachKindBuildsItsScript) {
  RecordingView view;
  PageScripts scripts(&view, Table({{"light_cmd_suc", "Blink sent"}}));
  scripts.RunScript("light_cmd_suc", kMessageKey);
  scripts.RunScript("DisableOperate(true);", kScript);
  scripts.RunScript("--------", kLogText);
  scripts.RunScript("missing_key", kMessageKey);  // empty text, still a line
  EXPECT_EQ(view.scripts(),
            (std::vector<std::string>{"AddText(\"Blink sent\");", "DisableOperate(true);",
                                      "AddText(\"--------\");", "AddText(\"\");"}));
}

TEST(PageScripts, UnknownKindsAndMissingViewRunNothing) {
  RecordingView view;
  PageScripts scripts(&view, Table({}));
  scripts.RunScript("x", 3);
  scripts.RunScript("x", -1);
  EXPECT_TRUE(view.scripts().empty());
  PageScripts no_view(nullptr, Table({}));
  no_view.RunScript("x", kScript);  // dropped, no crash
}

// Box replies and translated texts must not be able to end the literal.
TEST(PageScripts, TextInsideTheLiteralIsEscapedButScriptsAreNot) {
  RecordingView view;
  PageScripts scripts(&view, Table({{"k", "say \"hi\"\\\n"}}));
  scripts.RunScript("\");alert(1);//", kLogText);
  scripts.RunScript("k", kMessageKey);
  scripts.RunScript("DetectBox(\"A\", 1);", kScript);
  EXPECT_EQ(view.scripts(), (std::vector<std::string>{"AddText(\"\\\");alert(1);//\");",
                                                      "AddText(\"say \\\"hi\\\"\\\\\\n\");",
                                                      "DetectBox(\"A\", 1);"}));
}

}  // namespace
}  // namespace orbo
