// The shipped setup page in the real window, clicked through by scripts
// run in the page, against the simulated box on its USB report socket: the
// configuration form starts from the selected server profile, a sent
// configuration reaches the box with the profile's values, and a fetched
// configuration is loaded into the form.
#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "orbo_process.h"
#include "settings/message_keys.h"
#include "settings/string_table.h"
#include "support/box_sim.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

namespace fs = std::filesystem;
using test::kPatience;

// An up-to-date box (no firmware step) that serves a setup.xml of its own.
constexpr char kBoxProfile[] = R"({"hmiType": "OP-S70", "serial": "SN-PAGE-1", "mode": 0,
  "versions": ["fsFLASHVER:V1.3.0-P:FS", "OSVER:V2.1.0"], "resetMs": 300,
  "files": {"setup.xml": {"content": "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QXBoxSet Version=\"1\"><BaseSet BoxName=\"Line-7\"/><Cloud Server=\"mqtt.fetched.example.com\" ProjectName=\"Plant7\"/></QXBoxSet>\n"}}})";

// Page helpers run before each step: when(cond, then) polls the page until
// cond holds (the page's own state: a button enabled, an offer shown), and
// field(el, attr) is the form's input for an attribute.
constexpr char kHelpers[] =
    "function $(i) { return document.getElementById(i); }"
    "function field(el, attr) {"
    "  return document.querySelector('#config [data-el=' + el + '][data-attr=' + attr + ']'); }"
    "function when(cond, then) {"
    "  var t = setInterval(function() { if (cond()) { clearInterval(t); then(); } }, 50); }";

// text as a JSON string literal.
std::string Quote(const std::string& text) {
  std::unique_ptr<cJSON, void (*)(cJSON*)> item(cJSON_CreateString(text.c_str()), cJSON_Delete);
  std::unique_ptr<char, void (*)(void*)> json(cJSON_PrintUnformatted(item.get()), cJSON_free);
  return json ? std::string(json.get()) : std::string("\"\"");
}

class SetupPageGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ORBO_SKIP_WITHOUT_XVFB();
    // The shipped pages, tables and firmware catalogue, with the Europe
    // profile selected (as the settings dialog leaves it).
    const fs::path shipped = ORBO_APP_DIR;
    for (const char* entry :
         {"html", "Servers", "update", "BOXType.hmi", "Up.ibl", "WifiList.xml"}) {
      fs::copy(shipped / entry, app_ / entry, fs::copy_options::recursive);
    }
    fs::copy_file(shipped / "Servers" / "Europe.xml", app_ / "html" / "Default.xml",
                  fs::copy_options::overwrite_existing);
    app_.Write("SoftLang.ini", "[HMI]\noem=0\nfirst=0\nlang=en\nrep=box\ncurserver=Europe\n");
    fs::create_directories(Artifacts());
    box_ = std::make_unique<test::BoxSim>(
        box_dir_.path(), test::BoxSimOptions{.profileJson = kBoxProfile, .udp = false});
    ASSERT_TRUE(box_->ready()) << "orbo-boxsim did not start";
  }

  static fs::path Artifacts() { return fs::path(ORBO_BINARY_DIR) / "tests" / "artifacts"; }

  // Starts the window on the setup page; true once the box worker has
  // found the box.
  bool StartAndDetect() {
    const std::string detected = R"({"script":"DetectBox(\"OP-S70\", 0);"})";
    return orbo_.StartTool({"--no-port", "--app-dir", app_.path().string(), "--page-log",
                            "--control", "--exit-after", "240000", "--usb-sim", box_->usb_path(),
                            "--start", "setup", "--answer", "ok"},
                           tmp_.path()) &&
           orbo_.WaitForLine(detected, kPatience) == detected;
  }

  void Run(const std::string& script) {
    orbo_.Send("{\"run\":" + Quote(std::string(kHelpers) + script) + "}");
  }

  // Waits for the page log line of a script showing a message key's text.
  ::testing::AssertionResult Shown(std::string_view key) {
    const std::string line =
        "{\"script\":" + Quote("AddText(\"" + LookupText(app_.path(), "en", "box", key) + "\");") +
        "}";
    return orbo_.Logged(line);
  }

  // Waits for a page title holding text.
  std::string TitleWith(const std::string& text) {
    return orbo_.WaitForLine(
        [&](const std::string& line) {
          return line.rfind("{\"title\":", 0) == 0 && line.find(text) != std::string::npos;
        },
        kPatience);
  }

  std::string Diagnostics() const { return orbo_.Diagnostics(); }

  test::TempDir app_;
  test::TempDir tmp_;
  test::TempDir box_dir_;
  std::unique_ptr<test::BoxSim> box_;
  test::OrboProcess orbo_;
};

TEST_F(SetupPageGuiTest, AConfigurationSentByClickingKeepsTheProfileValues) {
  ORBO_ASSERT_UP(orbo_, StartAndDetect());
  // Once the worker lets operations run: change one field, click "Send".
  Run("when(function() { return !$('sendcfg').disabled; }, function() {"
      "  field('Ethernet', 'DHCP').value = '0';"
      "  $('sendcfg').click();"
      "  document.title = JSON.stringify({clicked: field('Cloud', 'Server').value}); });");
  EXPECT_NE(TitleWith(R"(\"clicked\":\"mqtt.eu.cloud.example.com\")"), "") << Diagnostics();
  ASSERT_TRUE(Shown(keys::kDownloadConfigFile));
  ASSERT_TRUE(Shown(keys::kDownloadSuccess));
  ASSERT_TRUE(Shown(keys::kRebootOrbo));
  EXPECT_TRUE(orbo_.Screenshot(Artifacts() / "setup_page_sent.png"));
  EXPECT_TRUE(orbo_.Finish());

  // The box got the profile's values, with the one field changed; nothing
  // of the form came from the page itself.
  const std::string sent = test::ReadAll(box_->store_dir() / "setup.xml");
  EXPECT_NE(sent.find(R"(<Cloud Enable="1" Server="mqtt.eu.cloud.example.com" Port="8883")"),
            std::string::npos)
      << sent;
  EXPECT_NE(sent.find(R"(<Ntp Enable="1" Server="ntp.eu.cloud.example.com")"), std::string::npos);
  EXPECT_NE(sent.find(R"(<Ethernet Enable="1" DHCP="0" IP="192.168.1.100")"), std::string::npos);
  EXPECT_NE(sent.find(R"(URL2="https://eu.cloud.example.com/monitor")"), std::string::npos);
}

TEST_F(SetupPageGuiTest, AFetchedConfigurationIsLoadedIntoTheForm) {
  // A setup.xml kept from an earlier session: offered at start.
  app_.Write("setup.xml", R"(<QXBoxSet><Cloud Server="kept.example.com"/></QXBoxSet>)");
  ORBO_ASSERT_UP(orbo_, StartAndDetect());
  // "Load" the kept file, then "Fetch" and "Load" again: the fetched values
  // (not a copy read earlier) replace those the file holds; the other
  // fields keep the profile's.
  Run("function load(then) {"
      "  when(function() { return !$('offer').hidden; }, function() {"
      "    $('loadsetup').click();"
      "    when(function() { return $('offer').hidden; }, then); }); }"
      "var kept;"
      "load(function() {"
      "  kept = field('Cloud', 'Server').value;"
      "  when(function() { return !$('fetchcfg').disabled; }, function() {"
      "    $('fetchcfg').click();"
      "    load(function() {"
      "      document.title = JSON.stringify({loaded: [kept, field('Cloud', 'Server').value,"
      "        field('Cloud', 'ProjectName').value, field('BaseSet', 'BoxName').value,"
      "        field('Ntp', 'Server').value]}); }); }); });");
  EXPECT_NE(TitleWith(R"({\"loaded\":[\"kept.example.com\",\"mqtt.fetched.example.com\",)"
                      R"(\"Plant7\",\"Line-7\",\"ntp.eu.cloud.example.com\"]})"),
            "")
      << Diagnostics();
  EXPECT_TRUE(orbo_.Screenshot(Artifacts() / "setup_page_fetched.png"));
  EXPECT_TRUE(orbo_.Finish());
  EXPECT_NE(test::ReadAll(app_ / "setup.xml").find("mqtt.fetched.example.com"), std::string::npos);
}

}  // namespace
}  // namespace orbo
