// orbo-cli vcom: the port service's connections for users and scripts.
//   vcom status [--json]
//   vcom create --host H --port P [--name COMn] [--settings 9600,N,8,1]
//               [--protocol raw|rfc2217]
//   vcom delete NAME   (a connection name or a port name)
//   vcom monitor NAME [--json]   the port's live traffic
#include <cjson/cJSON.h>
#include <poll.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>

#include "cli/verb.h"
#include "vcom/com_ports.h"
#include "vcom/line_channel.h"
#include "vcom/linux_com_ports.h"
#include "vcom/port_parameters.h"
#include "vcom/port_paths.h"
#include "vcom/sec_client.h"
#include "vcom/serial_settings.h"
#include "vcom/service_control.h"

namespace orbo::cli {
namespace {

using namespace orbo::vcom;

using JsonPtr = std::unique_ptr<cJSON, void (*)(cJSON*)>;

// The service's connections as one JSON array; nullptr when it does not
// answer.
JsonPtr Connections(SecClient& client) {
  std::string text;
  if (!client.Status(&text)) return JsonPtr(nullptr, cJSON_Delete);
  return JsonPtr(cJSON_Parse(text.c_str()), cJSON_Delete);
}

std::string Member(const cJSON* o, const char* name) {
  const cJSON* v = cJSON_GetObjectItemCaseSensitive(o, name);
  return cJSON_IsString(v) ? v->valuestring : "";
}

double Number(const cJSON* o, const char* name) {
  const cJSON* v = cJSON_GetObjectItemCaseSensitive(o, name);
  return cJSON_IsNumber(v) ? v->valuedouble : 0;
}

void PrintConnection(const cJSON* c, bool json) {
  if (json) {
    char* text = cJSON_PrintUnformatted(c);
    std::printf("%s\n", text);
    cJSON_free(text);
    return;
  }
  const cJSON* host = cJSON_GetObjectItemCaseSensitive(c, "network.host");
  std::string target;
  if (cJSON_GetArraySize(host) == 2) {
    target = std::string(cJSON_GetArrayItem(host, 0)->valuestring) + ":" +
             cJSON_GetArrayItem(host, 1)->valuestring;
  }
  const bool inService = cJSON_IsTrue(cJSON_GetObjectItemCaseSensitive(c, "inService"));
  std::printf("%-12s %-7s %-22s %-12s %-7s %-9s %s\n", Member(c, "name").c_str(),
              Member(c, "port.name").c_str(), target.c_str(), Member(c, "port.settings").c_str(),
              Member(c, "protocol").c_str(),
              !inService                                                    ? "not in service"
              : cJSON_IsTrue(cJSON_GetObjectItemCaseSensitive(c, "linkUp")) ? "link up"
                                                                            : "link down",
              Member(c, "path").c_str());
  if (!inService) return;
  std::printf(
      "    traffic: %.0f bytes to network, %.0f from network, %.0f dropped, %.0f "
      "reconnect(s)\n",
      Number(c, "toNetwork"), Number(c, "fromNetwork"), Number(c, "dropped"),
      Number(c, "reconnects"));
  const std::string rfc = Member(c, "rfc2217");
  if (rfc.empty()) return;
  std::string server = Member(c, "serverSettings");
  std::printf(
      "    RFC 2217: %s; port line %s%s%s%s\n", rfc.c_str(), Member(c, "lineSettings").c_str(),
      server.empty() ? "" : ", server reports ", server.c_str(),
      rfc == "accepted" || rfc == "negotiating" ? "" : " (line settings are not forwarded)");
}

int Status(Args args) {
  const bool json = TakeFlag(&args, "--json");
  if (!args.empty()) return UsageError("usage: orbo-cli vcom status [--json]");
  SecClient client(ServiceSocketPath());
  if (!client.sec_ConnectService(".")) return Fail("the port service is not running");
  JsonPtr list = Connections(client);
  if (!list) return Fail("the port service did not report its connections");
  const cJSON* c = nullptr;
  cJSON_ArrayForEach(c, list.get()) PrintConnection(c, json);
  return 0;
}

// Reaches the service, installing and starting it as the tool does when it
// does not answer.
bool Reach(SecClient& client) {
  if (client.sec_ConnectService(".")) return true;
  ProcessServiceRunner runner(ProgramDir() / "orbo-portd", AppDir());
  ServiceControl control(
      client, runner, SystemSleeper(), [](std::string_view key) { return std::string(key); },
      nullptr);
  control.InstallService(nullptr);
  return client.sec_ConnectService(".");
}

int Create(Args args) {
  auto hosts = TakeOption(&args, "--host");
  auto ports = TakeOption(&args, "--port");
  auto names = TakeOption(&args, "--name");
  auto settings = TakeOption(&args, "--settings");
  auto protocols = TakeOption(&args, "--protocol");
  if (!args.empty() || hosts.size() != 1 || ports.size() != 1 || names.size() > 1 ||
      settings.size() > 1 || protocols.size() > 1) {
    return UsageError(
        "usage: orbo-cli vcom create --host H --port P [--name COMn] [--settings S] "
        "[--protocol raw|rfc2217]");
  }
  std::string protocol = protocols.empty() ? "raw" : protocols[0];
  for (char& ch : protocol) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (protocol != "raw" && protocol != "rfc2217")
    return UsageError("--protocol must be raw or rfc2217");
  const int port = std::atoi(ports[0].c_str());
  if (hosts[0].empty() || port < 1 || port > 65535 || std::to_string(port) != ports[0]) {
    return UsageError("--host must be a host name or address and --port a number from 1 to 65535");
  }
  std::string name = names.empty() ? "" : names[0];
  if (!name.empty() && !ComNumber(name)) return UsageError("--name must be COM1 to COM255");
  const std::string serial = settings.empty() ? "9600,N,8,1" : settings[0];
  if (!ParseSerialSettings(serial)) {
    return UsageError(
        "--settings must be BAUD,PARITY,DATA,STOP, for example 9600,N,8,1 (baud 1 to 4294967295, "
        "parity N, E, O, M or S, data 5 to 8, stop 1 or 2)");
  }
  SecClient client(ServiceSocketPath());
  if (!Reach(client)) return Fail("the port service does not answer and could not be started");
  LinuxComPorts comPorts(PortsDir());
  if (name.empty()) ChooseFreeComName(client, comPorts, &name);
  if (name.empty()) return Fail("no free COM name");
  int32_t id = -1;
  if (!client.sec_CreateConnection(1, &id)) return Fail("the service made no connection");
  ParamList params =
      ConnectionParameters(name, hosts[0], ports[0], serial, protocol == "raw" ? "RAW" : "RFC2217");
  params[0].second = SecValue::Text(name);  // a connection named after its port
  for (const auto& [key, value] : params) {
    if (!client.sec_SetParam(id, key, value)) {
      client.sec_DeleteConnection(id);
      return Fail("the service refused parameter \"" + key + "\"");
    }
  }
  if (!client.sec_AddConnectionService(id)) {
    client.sec_DeleteConnection(id);
    return Fail(name + " could not be put into service (in use? see the service log)");
  }
  JsonPtr list = Connections(client);
  const cJSON* c = nullptr;
  cJSON_ArrayForEach(c, list.get()) {
    const cJSON* cid = cJSON_GetObjectItemCaseSensitive(c, "id");
    if (cJSON_IsNumber(cid) && cid->valueint == id) PrintConnection(c, true);
  }
  return 0;
}

int Delete(const Args& args) {
  if (args.size() != 1) return UsageError("usage: orbo-cli vcom delete NAME");
  SecClient client(ServiceSocketPath());
  if (!client.sec_ConnectService(".")) return Fail("the port service is not running");
  JsonPtr list = Connections(client);
  int removed = 0;
  const cJSON* c = nullptr;
  cJSON_ArrayForEach(c, list.get()) {
    if (Member(c, "name") != args[0] && Member(c, "port.name") != args[0]) continue;
    const cJSON* id = cJSON_GetObjectItemCaseSensitive(c, "id");
    if (cJSON_IsNumber(id) && client.sec_DeleteConnection(id->valueint)) ++removed;
  }
  if (removed == 0) return Fail("no connection named " + args[0]);
  std::printf("deleted %d connection(s)\n", removed);
  return 0;
}

// One chunk of a monitor's JSON line as a hex and ASCII dump.
void PrintChunk(const cJSON* chunk) {
  const double dropped = Number(chunk, "dropped");
  if (dropped > 0) std::printf("-- %.0f chunk(s) left out: the monitor fell behind --\n", dropped);
  const long long micros = std::llround(Number(chunk, "time") * 1e6);
  const time_t seconds = static_cast<time_t>(micros / 1000000);
  tm local{};
  localtime_r(&seconds, &local);
  char clock[32];
  std::strftime(clock, sizeof clock, "%H:%M:%S", &local);
  const std::string hex = Member(chunk, "hex");
  const size_t bytes = static_cast<size_t>(Number(chunk, "bytes"));
  std::printf("%s.%06lld %s, %zu byte(s)\n", clock, micros % 1000000,
              Member(chunk, "direction").c_str(), bytes);
  const size_t shown = hex.size() / 2;
  for (size_t row = 0; row < shown; row += 16) {
    std::string hexPart, text;
    for (size_t i = row; i < row + 16; ++i) {
      if (i >= shown) {
        hexPart += "   ";
        continue;
      }
      const int b = std::stoi(hex.substr(2 * i, 2), nullptr, 16);
      hexPart += hex.substr(2 * i, 2) + " ";
      text += b >= 0x20 && b < 0x7f ? static_cast<char>(b) : '.';
    }
    std::printf("  %04zx  %s %s\n", row, hexPart.c_str(), text.c_str());
  }
  if (bytes > shown) std::printf("  ... %zu more byte(s) not shown\n", bytes - shown);
}

int Monitor(Args args) {
  const bool json = TakeFlag(&args, "--json");
  if (args.size() != 1) return UsageError("usage: orbo-cli vcom monitor NAME [--json]");
  SecClient client(ServiceSocketPath());
  if (!client.sec_ConnectService(".")) return Fail("the port service is not running");
  std::string error;
  UniqueFd fd = client.StartMonitor(args[0], &error);
  if (!fd.valid()) return Fail(error);
  LineReader reader(fd.get());
  for (bool open = true; open;) {
    pollfd p{fd.get(), POLLIN, 0};
    if (::poll(&p, 1, -1) < 0 && errno != EINTR) break;
    open = reader.Fill();
    std::string line;
    while (reader.NextLine(&line)) {
      if (json) {
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
        continue;
      }
      JsonPtr chunk(cJSON_Parse(line.c_str()), cJSON_Delete);
      if (cJSON_IsObject(chunk.get())) PrintChunk(chunk.get());
    }
    // What arrived together is written together; nothing waits for more.
    std::fflush(stdout);
  }
  std::fprintf(stderr, "orbo-cli: %s is no longer in service\n", args[0].c_str());
  return 0;
}

int VcomVerb(const Args& args) {
  if (args.empty()) return UsageError("usage: orbo-cli vcom status|create|delete|monitor ...");
  Args rest(args.begin() + 1, args.end());
  if (args[0] == "status") return Status(rest);
  if (args[0] == "create") return Create(rest);
  if (args[0] == "delete") return Delete(rest);
  if (args[0] == "monitor") return Monitor(rest);
  return UsageError("unknown vcom command \"" + args[0] + "\" (status, create, delete, monitor)");
}

}  // namespace

ORBO_CLI_VERB("vcom",
              "vcom status [--json] | create --host H --port P [--name COMn] [--settings S] "
              "[--protocol raw|rfc2217] | delete NAME | monitor NAME [--json]   the port "
              "service's connections and their traffic",
              VcomVerb);

}  // namespace orbo::cli
