// The registry text parser: escapes, both file dialects, and input that is
// broken, huge or random.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "platform/memory_registry.h"
#include "platform/registry_text.h"

namespace orbo {
namespace {

TEST(RegistryText, DecodesEscapes) {
  struct Case {
    std::string body;  // after the opening quote
    bool closed;
    std::string text;
  } cases[] = {
      {R"(plain")", true, "plain"},
      {R"(a\"b\\c")", true, "a\"b\\c"},
      {R"(tab\tnl\n")", true, "tab\tnl\n"},
      {R"(\x263a")", true, "\xE2\x98\xBA"},            // one UTF-16 unit
      {R"(\xd83d\xde00")", true, "\xF0\x9F\x98\x80"},  // a surrogate pair
      {R"(\xd83dz")", true, "\xEF\xBF\xBDz"},          // a lone surrogate
      {R"(\101\7x")", true, "A\ax"},                   // octal
      {R"(\xzz")", true, "xzz"},                       // \x without digits
      {R"(\q")", true, "q"},                           // unknown escape
      {R"(cut\0here")", true, "cut"},                  // a zero ends the text
      {"caf\xC3\xA9\"", true, "caf\xC3\xA9"},          // raw UTF-8
      {"bad\xFF\"", true, "bad\xEF\xBF\xBD"},          // invalid byte
      {R"(open)", false, ""},
      {R"(ends in \)", false, ""},
  };
  for (const Case& c : cases) {
    size_t pos = 0;
    std::string out;
    EXPECT_EQ(DecodeRegString(c.body, &pos, '"', &out), c.closed) << c.body;
    if (c.closed) {
      EXPECT_EQ(out, c.text) << c.body;
      EXPECT_EQ(pos, c.body.size()) << c.body;
    }
  }
}

TEST(RegistryText, KeepsWhatIsReadableAndCountsTheRest) {
  const std::string huge(kRegValueMaxBytes + 10, 'x');
  const std::string text =
      "Windows Registry Editor Version 5.00\n"
      "\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Clients\\StartMenuInternet\\FIREFOX.EXE\\shell\\open\\"
      "command]\n"
      "@=\"\\\"C:\\\\Program Files\\\\Mozilla Firefox\\\\firefox.exe\\\"\"\n"
      "\"Broken\"=\"no closing quote\n"
      "garbage line\n"
      "\"Huge\"=\"" +
      huge +
      "\"\n"
      "\"Count\"=dword:0000002a\n"
      "\"BadCount\"=dword:xyz\n"
      "\"Bytes\"=hex:01,02,\\\n"
      "  03\n"
      "\"Wide\"=hex(2):41,00,42,00,00,00\n"
      "[NoRoot\\Key]\n"
      "\"Orphan\"=\"lost\"\n"
      "[HKCU\\Software\\Test]\n"
      "\"name\"=\"first\"\n"
      "\"NAME\"=\"second\"\n";
  MemoryRegistry reg;
  RegTextReport report;
  ParseRegText(text, std::nullopt, &reg, &report);
  const std::string key = "SOFTWARE\\Clients\\StartMenuInternet\\firefox.exe\\shell\\open\\command";
  EXPECT_EQ(reg.QueryText(RegRoot::kLocalMachine, key, ""),
            "\"C:\\Program Files\\Mozilla Firefox\\firefox.exe\"");
  EXPECT_EQ(reg.QueryText(RegRoot::kLocalMachine, key, "Broken"), std::nullopt);
  EXPECT_EQ(reg.QueryText(RegRoot::kLocalMachine, key, "Huge"), std::nullopt);
  EXPECT_EQ(reg.QueryText(RegRoot::kLocalMachine, key, "Count"), std::nullopt);  // not text
  EXPECT_EQ(reg.QueryText(RegRoot::kLocalMachine, key, "Wide"), "AB");
  auto values = reg.Values(RegRoot::kLocalMachine, key);
  ASSERT_TRUE(values);
  ASSERT_EQ(values->size(), 4u);
  EXPECT_EQ((*values)[1].data, std::string("*\0\0\0", 4));
  EXPECT_EQ((*values)[2].data, "\x01\x02\x03");
  // A later value of the same name (letter case ignored) replaces it in place.
  EXPECT_EQ(reg.QueryText(RegRoot::kCurrentUser, "software\\test", "name"), "second");
  // Broken, garbage, BadCount, the key without a root and the value under it.
  EXPECT_EQ(report.badLines, 5);
  EXPECT_EQ(report.droppedValues, 1);
  EXPECT_EQ(report.firstError.rfind("line 5:", 0), 0u) << report.firstError;
}

TEST(RegistryText, ReadsWineFilesRelativeToTheirRoot) {
  const std::string text =
      "WINE REGISTRY Version 2\n"
      ";; All keys relative to \\\\Machine\n"
      "#arch=win64\n"
      "[Software\\\\Editor\\\\Odd\\]Name] 1700000000\n"
      "#time=1d9c1b0e8f3a5b2\n"
      "\"InstallLocation\"=\"C:\\\\Program Files\\\\Editor\\\\\"\n"
      "\"Expand\"=str(2):\"%ProgramFiles%\\\\x\"\n";
  MemoryRegistry reg;
  RegTextReport report;
  ParseRegText(text, RegRoot::kLocalMachine, &reg, &report);
  EXPECT_EQ(report.badLines, 0) << report.firstError;
  EXPECT_EQ(reg.QueryText(RegRoot::kLocalMachine, "Software\\Editor\\Odd]Name", "InstallLocation"),
            "C:\\Program Files\\Editor\\");
  EXPECT_EQ(reg.QueryText(RegRoot::kLocalMachine, "Software\\Editor\\Odd]Name", "Expand"),
            "%ProgramFiles%\\x");
  EXPECT_EQ(reg.SubKeys(RegRoot::kLocalMachine, "SOFTWARE"), std::vector<std::string>{"Editor"});
}

TEST(RegistryText, SurvivesRandomDamage) {
  const std::string seed =
      "WINE REGISTRY Version 2\n[Software\\\\A\\\\B] 1\n\"N\"=\"v\\x41\\\\\"\n@=hex(2):41,00,\\\n"
      " 00,00\n\"D\"=dword:00000001\n[Software\\\\C]\n\"E\"=str(7):\"a\\0b\"\n";
  std::mt19937 rng(11);
  for (int round = 0; round < 3000; ++round) {
    std::string text = seed;
    for (int n = rng() % 6; n >= 0; --n) {
      size_t at = rng() % text.size();
      switch (rng() % 3) {
        case 0:
          text[at] = static_cast<char>(rng());
          break;
        case 1:
          text.erase(at, 1 + rng() % 4);
          break;
        default:
          text.insert(at, 1, "\\\"[]=:,\n\x00"[rng() % 9]);
      }
      if (text.empty()) text = "[";
    }
    MemoryRegistry reg;
    RegTextReport report;
    ParseRegText(text, RegRoot::kLocalMachine, &reg, &report);
    // Whatever was kept is a consistent tree: every listed key opens.
    size_t keys = 0;
    std::function<void(RegRoot, const std::string&)> walk = [&](RegRoot root,
                                                                const std::string& path) {
      auto subkeys = reg.SubKeys(root, path);
      ASSERT_TRUE(subkeys) << path;
      ASSERT_TRUE(reg.Values(root, path)) << path;
      for (const std::string& sub : *subkeys) {
        ASSERT_FALSE(sub.empty());
        ++keys;
        walk(root, path.empty() ? sub : path + "\\" + sub);
      }
    };
    walk(RegRoot::kLocalMachine, "");
    EXPECT_LE(keys, text.size());
  }
}

}  // namespace
}  // namespace orbo
