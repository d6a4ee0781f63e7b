#include "ops/network_report.h"

#include <cjson/cJSON.h>

#include <memory>
#include <string>
#include <vector>

#include "ops/context/log_lines.h"
#include "ops/ping_format.h"
#include "ops/text_scan.h"

namespace orbo {
namespace {

struct JsonDeleter {
  void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

// pingTime is read from its first 32 characters only.
constexpr size_t kPingTimeChars = 32;

const char* StringMember(const cJSON* obj, const char* key) {
  const cJSON* v = cJSON_GetObjectItemCaseSensitive(obj, key);
  return cJSON_IsString(v) ? v->valuestring : nullptr;
}

const cJSON* NumberMember(const cJSON* obj, const char* key) {
  const cJSON* v = cJSON_GetObjectItemCaseSensitive(obj, key);
  return cJSON_IsNumber(v) ? v : nullptr;
}

// "%lf/%lf/%lf": how many of the three numbers could be read.
int ReadSlashTimes(std::string_view text, double (&t)[3]) {
  size_t pos = 0;
  int count = 0;
  while (count < 3 && ScanDouble(text, &pos, &t[count])) {
    ++count;
    if (count == 3 || pos >= text.size() || text[pos] != '/') break;
    ++pos;
  }
  return count;
}

// One interface section of the JSON report.
struct JsonSection {
  const char* enableKey;
  const char* ipMember;
  const char* ipShown;
  const char* ipMissing;
  const char* macMember;  // null: the section shows the IMEI instead
  const char* macShown;
  const char* macMissing;
};

constexpr JsonSection kJsonSections[] = {
    {"ethEnable", "ethIp", "ethernet_ip_address", "get_ethernet_ip_failed", "ethMac",
     "ethernet_mac_address", "get_ethernet_mac_failed"},
    {"wifiEnable", "wifiIp", "wifi_ip_address", "get_wifi_ip_failed", "wifiMac", "wifi_mac_address",
     "get_wifi_mac_failed"},
    {"Mob4GEnable", "Mob4GIp", "mobile_network_ip_address", "get_4g_ip_failed", nullptr, nullptr,
     nullptr},
    {"Mob2GEnable", "Mob2GIp", "mobile_network_ip_address", "get_4g_ip_failed", nullptr, nullptr,
     nullptr},
};

void ShowMember(const cJSON* root, const char* member, const char* shown, const char* missing,
                const PageScripts& scripts) {
  if (const char* value = StringMember(root, member)) {
    scripts.ShowKey(shown);
    scripts.ShowLog(value);
  } else {
    scripts.ShowKey(missing);
  }
}

void ShowServerTime(const std::string& pingText, const PageScripts& scripts) {
  if (pingText.empty()) {
    scripts.ShowKey("connect_server_failed");
    return;
  }
  scripts.ShowKey("connect_server_time");
  scripts.ShowLog(pingText);
}

// --- text report ---

bool IsLineBreak(char c) {
  return c == '\n' || c == '\r';
}

std::string_view TrimLeadingSpace(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || IsLineBreak(s[i]))) ++i;
  return s.substr(i);
}

// Splits at the first occurrence of sep; the second part is empty when
// there is none.
std::pair<std::string_view, std::string_view> SplitAt(std::string_view s, char sep) {
  const size_t at = s.find(sep);
  if (at == std::string_view::npos) return {s, std::string_view()};
  return {s.substr(0, at), s.substr(at + 1)};
}

// Up to three records; the first two may end the text without their ";",
// a third counts only with its ";". Blank leftovers are not records.
std::vector<std::string_view> SplitRecords(std::string_view text) {
  std::vector<std::string_view> records;
  size_t pos = 0;
  while (records.size() < 3 && pos < text.size()) {
    const size_t semi = text.find(';', pos);
    if (semi == std::string_view::npos) {
      std::string_view rest = text.substr(pos);
      if (records.size() < 2 && !TrimLeadingSpace(rest).empty()) records.push_back(rest);
      break;
    }
    records.push_back(text.substr(pos, semi - pos));
    pos = semi + 1;
  }
  return records;
}

enum class Iface { kEthernet, kWifi, kMobile, kOther };

Iface IfaceOf(std::string_view name) {
  if (name == "eth0") return Iface::kEthernet;
  if (name == "wlan0") return Iface::kWifi;
  if (name == "eth1" || name == "ppp0") return Iface::kMobile;
  return Iface::kOther;
}

// "<n>ms\n" up to three times; returns how many numbers were read.
int ReadMsTimes(std::string_view value, double (&t)[3]) {
  size_t pos = 0;
  int count = 0;
  while (count < 3 && ScanDouble(value, &pos, &t[count])) {
    ++count;
    if (value.substr(pos, 2) != "ms") break;
    pos += 2;
  }
  return count;
}

void ShowTextRecord(std::string_view record, const PageScripts& scripts) {
  scripts.ShowLog(kStarLine);
  const auto [field1, rest1] = SplitAt(TrimLeadingSpace(record), ',');
  const auto [field2, field3] = SplitAt(rest1, ',');

  const auto [ifaceName, state] = SplitAt(field1, ':');
  const Iface iface = IfaceOf(ifaceName);
  if (state != "0") {
    if (iface == Iface::kEthernet) scripts.ShowKey("set_ethernet_failed");
    if (iface == Iface::kWifi) scripts.ShowKey("set_wifi_failed");
    if (iface == Iface::kMobile) scripts.ShowKey("set_4g_failed");
  }

  const std::string_view line2 = field2.substr(0, field2.find_first_of("\r\n"));
  const auto [name2, address] = SplitAt(line2, ':');
  if (name2 == "ip") {
    if (!address.empty()) {
      if (iface == Iface::kEthernet) scripts.ShowKey("ethernet_ip_address");
      if (iface == Iface::kWifi) scripts.ShowKey("wifi_ip_address");
      if (iface == Iface::kMobile) scripts.ShowKey("mobile_network_ip_address");
      if (iface != Iface::kOther) scripts.ShowLog(address);
    } else {
      if (iface == Iface::kEthernet) scripts.ShowKey("get_ethernet_ip_failed");
      if (iface == Iface::kWifi) scripts.ShowKey("get_wifi_ip_failed");
      if (iface == Iface::kMobile) scripts.ShowKey("mobile_network");
    }
  }

  const auto [name3, pingValue] = SplitAt(field3, ':');
  if (name3 == "ping") {
    double t[3] = {0, 0, 0};
    const int count = pingValue.empty() ? 0 : ReadMsTimes(pingValue, t);
    // A value without a single readable time is no measurement either.
    if (count == 0) {
      scripts.ShowKey("connect_server_failed");
      return;
    }
    const double t1 = t[0];
    const double t2 = count >= 2 ? t[1] : t[0];
    const double t3 = count >= 3 ? t[2] : t[0];
    const double middle = t3 >= t2 ? t2 : t2 / 3;
    scripts.ShowKey("connect_server_time");
    scripts.ShowLog(FormatPingTimes(scripts.LookupText("string_format"), t1, middle, t3));
  }
}

}  // namespace

bool ShowNetworkJson(std::string_view reply, const PageScripts& scripts) {
  JsonPtr root(cJSON_ParseWithLength(reply.data(), reply.size()));
  if (!root || !cJSON_IsObject(root.get())) return false;
  const cJSON* r = root.get();

  const cJSON* netType = NumberMember(r, "conNetType");
  const int conNetType = netType ? netType->valueint : -1;

  std::string pingText;
  if (const char* pingTime = StringMember(r, "pingTime")) {
    double t[3] = {0, 0, 0};
    const std::string_view head = std::string_view(pingTime).substr(0, kPingTimeChars);
    if (ReadSlashTimes(head, t) == 3) {
      pingText = FormatPingTimes(scripts.LookupText("string_format"), t[0], t[1], t[2]);
    }
  }

  int index = 0;
  for (const JsonSection& section : kJsonSections) {
    const cJSON* enable = NumberMember(r, section.enableKey);
    if (enable && enable->valuedouble >= 1) {
      scripts.ShowLog(kStarLine);
      ShowMember(r, section.ipMember, section.ipShown, section.ipMissing, scripts);
      if (section.macMember) {
        ShowMember(r, section.macMember, section.macShown, section.macMissing, scripts);
      } else if (const char* imei = StringMember(r, "imei")) {
        scripts.ShowLog("IMEI:");
        scripts.ShowLog(imei);
      }
      if (index == conNetType) ShowServerTime(pingText, scripts);
    }
    ++index;
  }
  scripts.ShowLog(kStarLine);
  return true;
}

void ShowNetworkText(std::string_view text, const PageScripts& scripts) {
  for (std::string_view record : SplitRecords(text)) ShowTextRecord(record, scripts);
  scripts.ShowLog(kStarLine);
}

}  // namespace orbo
