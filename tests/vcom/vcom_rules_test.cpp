// The port's pure rules: COM names, the page's pass-through request, the
// parameter set, serial settings and the value wire form.
#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include "vcom/fake_sec_library.h"
#include "vcom/port_parameters.h"
#include "vcom/serial_settings.h"

namespace orbo::test {
namespace {

using namespace orbo::vcom;

TEST(ComNames, DeviceMapArbiterAndConnectionsMarkNumbersUsed) {
  struct Case {
    std::string data;
    std::optional<int> number;
  } cases[] = {{"COM12", 12}, {"com3", 3}, {"COMX", {}}, {"COM", {}}, {"COM1A", {}}, {"cOm7", 7}};
  for (const auto& c : cases) EXPECT_EQ(SerialCommNumber(c.data), c.number) << c.data;

  EXPECT_EQ(ComDbNumbers({0x05}), (std::vector<int>{1, 3}));
  EXPECT_EQ(ComDbNumbers({0x00, 0x80}), (std::vector<int>{16}));
  EXPECT_TRUE(ComDbNumbers(std::vector<uint8_t>(521, 0xff)).empty());  // too long to read

  EXPECT_EQ(ComNumber("COM7"), 7);
  for (const char* bad : {"com7", "COM", "COM07", "COM256", "COM-1", "COM1 ", "LPT1"}) {
    EXPECT_FALSE(ComNumber(bad)) << bad;
  }

  FakeSecLibrary lib;
  FakeComPorts ports;
  ports.serialComm = {"COM2"};
  ports.comDb = {0x05};  // COM1, COM3
  lib.sec_ConnectService(".");
  int32_t id = 0;
  lib.sec_CreateConnection(1, &id);
  lib.sec_SetParam(id, "port.name", SecValue::Text("COM4"));
  std::string name;
  ChooseFreeComName(lib, ports, &name);
  EXPECT_EQ(name, "COM5");
  std::string kept = "COM9";
  ChooseFreeComName(lib, ports, &kept);
  EXPECT_EQ(kept, "COM9");
  // A connection whose port name cannot be read ends the reading: names
  // behind it no longer count.
  lib.connections[0];
  name.clear();
  ChooseFreeComName(lib, ports, &name);
  EXPECT_EQ(name, "COM4");
}

TEST(ComNames, ChoicesKeepTheCurrentPortAndMarkItInUse) {
  FakeSecLibrary lib;
  FakeComPorts ports;
  ports.serialComm = {"COM4", "COM6"};
  ports.present = {"COM4"};
  ComChoices c = BuildComChoices(lib, ports, "COM4", true, " (in use)");
  ASSERT_GE(c.entries.size(), 4u);
  EXPECT_EQ(c.entries[0], "COM2");
  EXPECT_EQ(c.entries[2], "COM4 (in use)");
  EXPECT_EQ(c.entries[3], "COM5");  // COM6 is skipped
  EXPECT_EQ(c.current, 2);
  EXPECT_EQ(BuildComChoices(lib, ports, "COM4", false, " (in use)").entries[2], "COM4");
  c = BuildComChoices(lib, ports, "COM300", true, "x");
  EXPECT_EQ(c.current, 0);
  EXPECT_EQ(c.entries.size(), 254u - 2u);
}

TEST(PassThroughRequest, MembersDefaultsAndBadInput) {
  struct Case {
    const char* json;
    bool relay;
    std::string settings;
  } cases[] = {
      {R"({"check_bit":"ODD","data_length":"8"})", false, "9600,O,8,1"},
      {R"({"type":"1","e_port":4001})", true, "9600,E,7,1"},
      {R"({"TYPE":1})", true, "9600,E,7,1"},
      {R"({"baudrate":115200,"stop_bit":"2","check_bit":"NONE","data_length":8})", false,
       "115200,N,8,2"},
      {R"({"baudrate":true,"check_bit":5,"data_length":{}})", false, "9600,E,7,1"},
  };
  for (const auto& c : cases) {
    auto r = ParsePassThrough(c.json);
    ASSERT_TRUE(r) << c.json;
    EXPECT_EQ(r->relay, c.relay) << c.json;
    EXPECT_EQ(r->portSettings, c.settings) << c.json;
  }
  for (const char* bad : {"not json", "[1,2]", "\"text\"", "{\"a\":"}) {
    EXPECT_FALSE(ParsePassThrough(bad)) << bad;
  }
  auto r = ParsePassThrough(R"({"url":"10.1.2.3:502:x"})");
  ASSERT_TRUE(r && r->url);
  EXPECT_EQ(r->url->first, "10.1.2.3");
  EXPECT_EQ(r->url->second, "502:x");
  EXPECT_FALSE(ParsePassThrough(R"({"url":"no-colon"})")->url);
  auto sample = ParsePassThrough("");
  ASSERT_TRUE(sample && sample->url);
  EXPECT_EQ(sample->url->first.rfind("192.0.2.", 0), 0u);
}

TEST(ConnectionParameters, FortyTwoInOrderWithTheirKinds) {
  ParamList p = ConnectionParameters("COM7", "10.0.0.5", "4001", "19200,O,8,2");
  ASSERT_EQ(p.size(), 42u);
  const char* first[] = {"name", "port.name", "port.type", "network.host", "protocol.type"};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(p[i].first, first[i]);
  EXPECT_EQ(p[0].second, SecValue::Text("ORBO_COM"));
  EXPECT_EQ(p[3].second, MakeHostPair("10.0.0.5", "4001"));
  EXPECT_EQ(p[5].first, "ctrldisconn.dcd");
  EXPECT_EQ(p[41].first, "security.crypt.enable");
  for (size_t i = 6; i < p.size(); ++i) EXPECT_LT(p[i - 1].first, p[i].first);
  std::map<std::string, SecValue> byName(p.begin() + 5, p.end());
  EXPECT_EQ(byName["port.settings"], SecValue::Text("19200,O,8,2"));
  EXPECT_EQ(byName["port.sendmode.mode"], SecValue::Int(2));
  EXPECT_EQ(byName["network.break.timeout"], SecValue::I4(60000));
  EXPECT_EQ(byName["proxy.auth.pwd"], SecValue::Text(""));
  EXPECT_EQ(byName["security.auth.dll"], SecValue::Text("auth.dll"));
}

TEST(SerialSettings, TextToTerminalAndBack) {
  auto s = ParseSerialSettings("19200,E,7,2");
  ASSERT_TRUE(s);
  termios tio{};
  ApplySerialSettings(*s, &tio);
  EXPECT_EQ(cfgetospeed(&tio), B19200);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
  EXPECT_TRUE(tio.c_cflag & PARENB);
  EXPECT_FALSE(tio.c_cflag & PARODD);
  EXPECT_TRUE(tio.c_cflag & CSTOPB);
  EXPECT_FALSE(tio.c_lflag & ECHO);
  for (const char* bad :
       {"", "9600,N,8", "9600,X,8,1", "9600,N,9,1", "9600,N,8,3", "9600,NN,8,1", "abc,N,8,1"}) {
    EXPECT_FALSE(ParseSerialSettings(bad)) << bad;
  }
}

TEST(SecValue, WireFormRoundTripsAndRejectsOtherShapes) {
  SecValue v = SecValue::Array(
      {MakeHostPair("h", "1"), SecValue::I4(-5), SecValue::Int(7), SecValue::Text("x\"\n")});
  cJSON* j = v.ToJson();
  EXPECT_EQ(SecValue::FromJson(j), v);
  cJSON_Delete(j);
  for (const char* bad : {R"({"i4":1.5})", R"({"s":1})", R"({"a":[{"x":1}]})",
                          R"({"s":"a","i4":1})", R"([1])", R"({"i4":99999999999})"}) {
    cJSON* b = cJSON_Parse(bad);
    EXPECT_FALSE(SecValue::FromJson(b)) << bad;
    cJSON_Delete(b);
  }
}

}  // namespace
}  // namespace orbo::test
