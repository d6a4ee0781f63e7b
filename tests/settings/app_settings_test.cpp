#include "settings/app_settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>
#include <thread>
#include <vector>

#include "base/base64.h"
#include "base/codepage.h"
#include "settings/ini_file.h"
#include "settings/time_zone_name.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

// "箱" (U+7BB1), outside CP1252.
constexpr char kCjkChar[] = "\xE7\xAE\xB1";

AppSettings Load(const std::filesystem::path& dir) {
  AppSettings s;
  LoadSettings(dir, &s);
  return s;
}

std::string Repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out.append(s);
  return out;
}

TEST(LoadSettings, MissingFileGivesTheDefaults) {
  test::TempDir dir;
  AppSettings s = Load(dir.path());
  EXPECT_EQ(s.oem, 1);
  EXPECT_EQ(s.first, 0);
  EXPECT_EQ(s.log, 99);
  EXPECT_EQ(s.mode, 0);
  EXPECT_EQ(s.tp, 0);
  EXPECT_EQ(s.server, 0);
  EXPECT_EQ(s.bro, "Chrome");
  EXPECT_EQ(s.lang, "en");
  EXPECT_EQ(s.rep, "box");
  EXPECT_EQ(s.virCom, "COM2");
  EXPECT_EQ(s.name, "ORBO");
  EXPECT_EQ(s.langID, 1033);
  EXPECT_EQ(s.comp, "");
  EXPECT_EQ(ReadCurServer(dir.path()), "China");
}

TEST(LoadSettings, GarbageFileGivesTheDefaults) {
  test::TempDir dir;
  dir.Write("SoftLang.ini", std::string("\x00\xFF\x01[HMI\n=\n[\n\xFE", 13));
  AppSettings s = Load(dir.path());
  EXPECT_EQ(s.oem, 1);
  EXPECT_EQ(s.lang, "en");
  EXPECT_EQ(s.name, "ORBO");
}

TEST(LoadSettings, ReadsTheFileWithItsBufferLimits) {
  test::TempDir dir;
  dir.Write("SoftLang.ini",
            "[HMI]\n"
            "oem=0\nfirst=1\nlog=3\nmode=1\ntp=2\nserver=1\nlangID=2052\n"
            "name=" +
                Repeat("N", 70) + "\n" + "lang=" + Repeat("l", 40) + "\n" +
                "VirCom=" + Repeat("C", 40) + "\n" + "bro=" + Repeat("b", 80) + "\n" +
                "comp=" + Repeat(kCjkChar, 70) + "\n" + "curserver=" + Repeat("s", 300) + "\n");
  AppSettings s = Load(dir.path());
  EXPECT_EQ(s.oem, 0);
  EXPECT_EQ(s.first, 1);
  EXPECT_EQ(s.log, 3);
  EXPECT_EQ(s.mode, 1);
  EXPECT_EQ(s.tp, 2);
  EXPECT_EQ(s.server, 1);
  EXPECT_EQ(s.langID, 2052);
  EXPECT_EQ(s.name, Repeat("N", 63));
  EXPECT_EQ(s.lang, Repeat("l", 31));
  EXPECT_EQ(s.virCom, Repeat("C", 31));
  EXPECT_EQ(s.bro, Repeat("b", 63));
  EXPECT_EQ(s.comp, Repeat(kCjkChar, 63));  // characters, not bytes
  EXPECT_EQ(ReadCurServer(dir.path()), Repeat("s", 255));
}

TEST(LoadSettings, RepPassesThroughTheCodePage) {
  test::TempDir dir;
  dir.Write("SoftLang.ini", std::string("[HMI]\nrep=Bo\xC3\xAEte ") + kCjkChar + "\n");
  {
    ScopedCodepage cp("CP1252");
    EXPECT_EQ(Load(dir.path()).rep, "Bo\xC3\xAEte ?");  // the CJK character is lost
  }
  {
    ScopedCodepage cp("UTF-8");
    EXPECT_EQ(Load(dir.path()).rep, std::string("Bo\xC3\xAEte ") + kCjkChar);
  }
}

TEST(LoadSettings, RepIsCutTo31BytesOfTheCodePage) {
  test::TempDir dir;
  dir.Write("SoftLang.ini", "[HMI]\nrep=" + Repeat(kCjkChar, 12) + "\n");
  {
    ScopedCodepage cp("UTF-8");  // three bytes a character: ten fit
    EXPECT_EQ(Load(dir.path()).rep, Repeat(kCjkChar, 10));
  }
  {
    ScopedCodepage cp("GBK");  // two bytes a character: fifteen would fit
    EXPECT_EQ(Load(dir.path()).rep, Repeat(kCjkChar, 12));
  }
  dir.Write("SoftLang.ini", "[HMI]\nrep=" + Repeat("\xC3\xA9", 40) + "\n");
  ScopedCodepage cp("CP1252");  // one byte each: 31 characters
  EXPECT_EQ(Load(dir.path()).rep, Repeat("\xC3\xA9", 31));
}

TEST(LoadSettings, RepIsBoxWhenTheFoldersPathLeavesTheCodePage) {
  test::TempDir dir;
  const auto app = dir / (std::string("app") + kCjkChar);
  std::filesystem::create_directory(app);
  test::WriteAll(app / "SoftLang.ini", "[HMI]\nrep=crate\nlang=fr\n");
  ScopedCodepage cp("CP1252");
  AppSettings s = Load(app);
  EXPECT_EQ(s.rep, "box");
  EXPECT_EQ(s.lang, "fr");  // the other keys are read as usual
}

TEST(SaveSettings, WritesItsSixKeysAndNothingElse) {
  test::TempDir dir;
  const auto path = dir.Write("SoftLang.ini",
                              "; installed file\n"
                              "[HMI]\n"
                              "oem=0\n"
                              "rep=box\n"
                              "lang=zh\n"
                              "\n"
                              "[Other]\n"
                              "name=untouched\n");
  AppSettings s = Load(dir.path());
  s.name = "Acme Tool";
  s.rep = "gateway";
  s.bro = "Firefox";
  s.tp = 3;
  s.server = 1;
  s.virCom = "COM9";
  s.oem = 5;  // never written
  s.lang = "de";
  ASSERT_TRUE(SaveSettings(dir.path(), s));
  EXPECT_EQ(test::ReadAll(path),
            "; installed file\n"
            "[HMI]\n"
            "oem=0\n"
            "rep=gateway\n"
            "lang=zh\n"
            "name=Acme Tool\n"
            "bro=Firefox\n"
            "tp=3\n"
            "server=1\n"
            "VirCom=COM9\n"
            "\n"
            "[Other]\n"
            "name=untouched\n");
  AppSettings again = Load(dir.path());
  EXPECT_EQ(again.name, "Acme Tool");
  EXPECT_EQ(again.virCom, "COM9");
  EXPECT_EQ(again.oem, 0);
}

TEST(SaveSettings, RefusedValueLeavesTheFileAsItWas) {
  test::TempDir dir;
  const std::string before = "[HMI]\nname=ORBO\n";
  const auto path = dir.Write("SoftLang.ini", before);
  AppSettings s = Load(dir.path());
  s.name = "Evil\n[HMI]\noem=1";
  s.bro = "Firefox";
  EXPECT_FALSE(SaveSettings(dir.path(), s));
  EXPECT_EQ(test::ReadAll(path), before);
}

TEST(SingleKeyWrites, FirstClearedAndCurServer) {
  test::TempDir dir;
  const auto path = dir.Write("SoftLang.ini", "[HMI]\r\nfirst=1\r\noem=0\r\n");
  ASSERT_TRUE(WriteFirstCleared(dir.path()));
  EXPECT_EQ(test::ReadAll(path), "[HMI]\r\nfirst=0\r\noem=0\r\n");
  EXPECT_EQ(Load(dir.path()).first, 0);

  ASSERT_TRUE(WriteCurServer(dir.path(), "Europe 2"));
  EXPECT_EQ(ReadCurServer(dir.path()), "Europe 2");
  EXPECT_EQ(test::ReadAll(path), "[HMI]\r\nfirst=0\r\noem=0\r\ncurserver=Europe 2\r\n");
  EXPECT_FALSE(WriteCurServer(dir.path(), "a\nb"));
  EXPECT_EQ(ReadCurServer(dir.path()), "Europe 2");
}

TEST(SingleKeyWrites, ConcurrentWritersLoseNoKey) {
  test::TempDir dir;
  const auto path = dir / "SoftLang.ini";
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 10; ++i) {
        WriteIniString(path, "HMI", "k" + std::to_string(t) + "_" + std::to_string(i), "v");
      }
    });
  }
  for (auto& th : threads) th.join();
  IniFile ini = IniFile::Load(path);
  for (int t = 0; t < 4; ++t) {
    for (int i = 0; i < 10; ++i) {
      EXPECT_EQ(ini.Find("HMI", "k" + std::to_string(t) + "_" + std::to_string(i)), "v");
    }
  }
}

TEST(SettingsStore, LookupFollowsTheCurrentLanguageAndBoxWord) {
  test::TempDir dir;
  dir.Write("SoftLang.ini", "[HMI]\nlang=zh\nrep=\xE7\x9B\x92\xE5\xAD\x90\n");
  dir.Write("html/i18n/strings_zh.properties",
            Base64Encode("greet=\xE4\xBD\xA0\xE5\xA5\xBD replaceBox\n"));
  dir.Write("html/i18n/strings_en.properties", Base64Encode("greet=hello replaceBox\n"));
  SettingsStore store(dir.path());
  store.Load();
  EXPECT_EQ(store.LookupText("greet"), "\xE4\xBD\xA0\xE5\xA5\xBD \xE7\x9B\x92\xE5\xAD\x90");
  store.Update([](AppSettings& s) {
    s.lang = "en";
    s.rep = "gateway";
  });
  EXPECT_EQ(store.LookupText("greet"), "hello gateway");
  EXPECT_EQ(store.LookupText("missing"), "");
}

TEST(SettingsStore, LoadKeepsValuesWithoutKeysAndSaveWritesTheRecord) {
  test::TempDir dir;
  SettingsStore store(dir.path());
  store.Update([](AppSettings& s) {
    s.exitRequested = true;
    s.timeZoneName = "XST";
  });
  store.Load();
  EXPECT_TRUE(store.Get().exitRequested);
  EXPECT_EQ(store.Get().timeZoneName, "XST");
  EXPECT_EQ(store.Get().oem, 1);

  store.Update([](AppSettings& s) { s.virCom = "COM4"; });
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(Load(dir.path()).virCom, "COM4");
}

TEST(TimeZoneName, IsTheStandardTimeNameOfTheZone) {
  const char* old = getenv("TZ");
  const std::string saved = old ? old : "";
  setenv("TZ", "XST-3XDT", 1);
  EXPECT_EQ(SystemTimeZoneName(), "XST");
  setenv("TZ", "UTC0", 1);
  EXPECT_EQ(SystemTimeZoneName(), "UTC");
  if (old) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

}  // namespace
}  // namespace orbo
