#include "vcom/portd/port_service.h"

#include <cjson/cJSON.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/logger.h"
#include "vcom/com_ports.h"
#include "vcom/line_channel.h"

namespace orbo::vcom {
namespace {

constexpr size_t kMaxClients = 64;
constexpr int kReplyTimeoutMs = 2000;
// How often the service checks that its socket is still in place.
constexpr int kWatchMs = 2000;
// How often monitors get the recorded traffic, and how much of it may wait
// for a monitor's client.
constexpr int kMonitorTickMs = 50;
constexpr size_t kMonitorBufferBytes = 256 * 1024;

struct JsonDeleter {
  void operator()(cJSON* j) const { cJSON_Delete(j); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

cJSON* Reply(bool ok, const std::string& error = {}) {
  cJSON* r = cJSON_CreateObject();
  cJSON_AddNumberToObject(r, "ok", ok ? 1 : 0);
  if (!error.empty()) cJSON_AddStringToObject(r, "error", error.c_str());
  return r;
}

bool IntMember(const cJSON* request, const char* name, int32_t* out) {
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(request, name);
  if (!cJSON_IsNumber(item)) return false;
  *out = item->valueint;
  return true;
}

std::string TextMember(const cJSON* request, const char* name) {
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(request, name);
  return cJSON_IsString(item) ? item->valuestring : "";
}

// An integer parameter, or fallback when absent or of another kind.
int IntParam(const SecValue* v, int fallback) {
  if (v == nullptr) return fallback;
  auto n = v->AsInteger();
  return n ? *n : fallback;
}

ino_t InodeOf(const std::filesystem::path& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

bool SamePeerUser(int fd) {
  ucred cred{};
  socklen_t len = sizeof cred;
  return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.uid == ::getuid();
}

}  // namespace

const SecValue* PortService::Connection::Find(const std::string& name) const {
  for (const auto& [key, value] : params) {
    if (key == name) return &value;
  }
  return nullptr;
}

PortService::PortService(std::filesystem::path portsDir,
                         std::optional<std::filesystem::path> wineDevices)
    : portsDir_(std::move(portsDir)), wineDevices_(std::move(wineDevices)) {}

PortService::~PortService() = default;

bool PortService::PutInService(int32_t id, Connection& c, std::string* error) {
  BridgeConfig cfg;
  const SecValue* portName = c.Find("port.name");
  if (portName == nullptr || !portName->isText() || !ComNumber(portName->text())) {
    *error = "\"port.name\" is not a name of the form COM<n>";
    return false;
  }
  cfg.portName = portName->text();
  std::string host, port;
  const SecValue* target = c.Find("network.host");
  if (target == nullptr || !ReadHostPair(*target, &host, &port)) {
    *error = "\"network.host\" is not a host and port";
    return false;
  }
  cfg.host = host;
  cfg.port = std::atoi(port.c_str());
  if (cfg.port < 1 || cfg.port > 65535) {
    *error = "\"network.host\" port is not between 1 and 65535";
    return false;
  }
  const SecValue* settings = c.Find("port.settings");
  auto serial = ParseSerialSettings(settings ? settings->AsText() : "9600,N,8,1");
  if (!serial) {
    *error = "\"port.settings\" is not BAUD,PARITY,DATA,STOP with a baud rate from 1 to " +
             std::to_string(kMaxBaud);
    return false;
  }
  cfg.serial = *serial;
  const SecValue* protocol = c.Find("protocol.type");
  const std::string kind = protocol ? protocol->AsText() : "RAW";
  if (kind != "RAW" && kind != "RFC2217") {
    *error = "\"protocol.type\" is neither RAW nor RFC2217";
    return false;
  }
  cfg.rfc2217 = kind == "RFC2217";
  cfg.noDelay = IntParam(c.Find("network.nagle.enable"), 1) == 0;
  cfg.keepAlive = IntParam(c.Find("network.keepalive.enable"), 0) != 0;
  cfg.keepAliveIdleMs = IntParam(c.Find("network.keepalive.timeout"), 7000);
  cfg.keepAliveIntervalMs = IntParam(c.Find("network.keepalive.noreply"), 1000);
  cfg.reconnect = IntParam(c.Find("protocol.reconnect.enable"), 1) != 0;
  cfg.reconnectMs = std::clamp(IntParam(c.Find("protocol.reconnect.timeout"), 1000), 10, 3600000);
  cfg.portsDir = portsDir_;
  cfg.wineDevices = wineDevices_;
  for (const auto& [otherId, other] : connections_) {
    if (otherId != id && other.bridge && other.Find("port.name") &&
        other.Find("port.name")->AsText() == cfg.portName) {
      *error = cfg.portName + " is in service for another connection";
      return false;
    }
  }
  c.bridge.reset();  // a connection put into service again starts afresh
  ++c.generation;    // its monitors end with the old bridge
  c.bridge = PtyBridge::Start(cfg, error);
  if (c.bridge) {
    ORBO_LOG_INFO("%s in service: %s -> %s:%d", cfg.portName.c_str(),
                  c.bridge->terminalPath().c_str(), cfg.host.c_str(), cfg.port);
  }
  return c.bridge != nullptr;
}

cJSON* PortService::StatusOf(int32_t id, const Connection& c) const {
  cJSON* o = cJSON_CreateObject();
  cJSON_AddNumberToObject(o, "id", id);
  for (const char* key : {"name", "port.name", "port.settings"}) {
    const SecValue* v = c.Find(key);
    cJSON_AddStringToObject(o, key, v ? v->AsText().c_str() : "");
  }
  std::string host, port;
  const SecValue* target = c.Find("network.host");
  cJSON* pair = cJSON_AddArrayToObject(o, "network.host");
  if (target && ReadHostPair(*target, &host, &port)) {
    cJSON_AddItemToArray(pair, cJSON_CreateString(host.c_str()));
    cJSON_AddItemToArray(pair, cJSON_CreateString(port.c_str()));
  }
  cJSON_AddBoolToObject(o, "inService", c.bridge != nullptr);
  cJSON_AddStringToObject(o, "path", c.bridge ? c.bridge->linkPath().c_str() : "");
  cJSON_AddStringToObject(o, "terminal", c.bridge ? c.bridge->terminalPath().c_str() : "");
  cJSON_AddBoolToObject(o, "linkUp", c.bridge && c.bridge->linkUp());
  const PtyBridge* b = c.bridge.get();
  cJSON_AddStringToObject(o, "protocol", b && b->config().rfc2217 ? "RFC2217" : b ? "RAW" : "");
  cJSON_AddNumberToObject(o, "toNetwork", b ? static_cast<double>(b->toNetwork()) : 0);
  cJSON_AddNumberToObject(o, "fromNetwork", b ? static_cast<double>(b->fromNetwork()) : 0);
  cJSON_AddNumberToObject(o, "dropped", b ? static_cast<double>(b->droppedBytes()) : 0);
  cJSON_AddNumberToObject(o, "reconnects", b ? static_cast<double>(b->reconnects()) : 0);
  int monitors = 0;
  for (const Monitor& m : monitors_) {
    monitors += m.fd.valid() && m.id == id && m.generation == c.generation ? 1 : 0;
  }
  cJSON_AddNumberToObject(o, "monitors", monitors);
  if (b && b->config().rfc2217) {
    // The far line: what the server made of COM-PORT-OPTION and the
    // settings it reported back; the port's own settings now.
    const auto answer = b->comPortAnswer();
    cJSON_AddStringToObject(o, "rfc2217", answer ? ComPortAnswerText(*answer) : "not linked yet");
    cJSON_AddStringToObject(o, "serverSettings", b->serverSettings().c_str());
    cJSON_AddStringToObject(o, "lineSettings", FormatSerialSettings(b->lineSettings()).c_str());
  }
  return o;
}

cJSON* PortService::Dispatch(const cJSON* request, bool* stop) {
  const std::string op = TextMember(request, "op");
  int32_t id = -1;
  if (op == "hello") return Reply(true);
  if (op == "create") {
    int32_t kind = 0;
    if (!IntMember(request, "kind", &kind) || kind != 1) return Reply(false, "unknown kind");
    if (connections_.size() >= 1024) return Reply(false, "too many connections");
    id = nextId_++;
    connections_[id];
    cJSON* r = Reply(true);
    cJSON_AddNumberToObject(r, "id", id);
    return r;
  }
  if (op == "list") {
    cJSON* r = Reply(true);
    cJSON* ids = cJSON_AddArrayToObject(r, "ids");
    for (const auto& entry : connections_)
      cJSON_AddItemToArray(ids, cJSON_CreateNumber(entry.first));
    return r;
  }
  if (op == "status") {
    cJSON* r = Reply(true);
    cJSON* list = cJSON_AddArrayToObject(r, "connections");
    for (const auto& [cid, c] : connections_) cJSON_AddItemToArray(list, StatusOf(cid, c));
    return r;
  }
  if (op == "delete_name") {
    const std::string name = TextMember(request, "name");
    int removed = 0;
    for (auto it = connections_.begin(); it != connections_.end();) {
      const SecValue* n = it->second.Find("name");
      if (n && n->isText() && n->text() == name) {
        it = connections_.erase(it);
        ++removed;
      } else {
        ++it;
      }
    }
    cJSON* r = Reply(true);
    cJSON_AddNumberToObject(r, "removed", removed);
    return r;
  }
  if (op == "monitor") {
    // By connection name or port name; only a port in service has traffic.
    const std::string name = TextMember(request, "name");
    for (const auto& [cid, c] : connections_) {
      const SecValue* n = c.Find("name");
      const SecValue* p = c.Find("port.name");
      if (!c.bridge || ((!n || n->AsText() != name) && (!p || p->AsText() != name))) continue;
      monitorRequest_ = cid;
      cJSON* r = Reply(true);
      cJSON_AddNumberToObject(r, "id", cid);
      cJSON_AddStringToObject(r, "port.name", c.bridge->config().portName.c_str());
      return r;
    }
    return Reply(false, "no connection in service named \"" + name + "\"");
  }
  if (op == "stop") {
    *stop = true;
    connections_.clear();
    return Reply(true);
  }
  if (!IntMember(request, "id", &id)) return Reply(false, "no connection id");
  auto it = connections_.find(id);
  if (it == connections_.end()) return Reply(false, "no such connection");
  Connection& c = it->second;
  if (op == "set") {
    const std::string name = TextMember(request, "name");
    auto value = SecValue::FromJson(cJSON_GetObjectItemCaseSensitive(request, "value"));
    if (name.empty() || !value || value->kind() == SecValue::Kind::kEmpty) {
      return Reply(false, "bad parameter");
    }
    for (auto& [key, old] : c.params) {
      if (key == name) {
        old = std::move(*value);
        return Reply(true);
      }
    }
    if (c.params.size() >= 256) return Reply(false, "too many parameters");
    c.params.emplace_back(name, std::move(*value));
    return Reply(true);
  }
  if (op == "get") {
    const SecValue* v = c.Find(TextMember(request, "name"));
    if (v == nullptr) return Reply(false, "no such parameter");
    cJSON* r = Reply(true);
    cJSON_AddItemToObject(r, "value", v->ToJson());
    return r;
  }
  if (op == "add") {
    std::string error;
    if (!PutInService(id, c, &error)) {
      ORBO_LOG_WARN("connection %d not put into service: %s", id, error.c_str());
      return Reply(false, error);
    }
    return Reply(true);
  }
  if (op == "delete") {
    connections_.erase(it);
    return Reply(true);
  }
  return Reply(false, "unknown operation");
}

std::string PortService::Handle(const std::string& line, bool* stop) {
  monitorRequest_.reset();
  JsonPtr request(cJSON_Parse(line.c_str()));
  JsonPtr reply(cJSON_IsObject(request.get()) ? Dispatch(request.get(), stop)
                                              : Reply(false, "not a JSON object"));
  char* text = cJSON_PrintUnformatted(reply.get());
  std::string out = text ? text : "{\"ok\":0}";
  cJSON_free(text);
  return out;
}

void PortService::AddMonitor(UniqueFd fd, int32_t id) {
  auto it = connections_.find(id);
  if (it == connections_.end() || !it->second.bridge) return;
  it->second.bridge->tap().Watch();
  Monitor m;
  m.fd = std::move(fd);
  m.id = id;
  m.generation = it->second.generation;
  monitors_.push_back(std::move(m));
}

void PortService::EndMonitor(Monitor& m) {
  auto it = connections_.find(m.id);
  if (it != connections_.end() && it->second.bridge && it->second.generation == m.generation) {
    it->second.bridge->tap().Unwatch();
  }
  m.fd.Reset();
}

bool PortService::FlushMonitor(Monitor& m) {
  while (!m.out.empty()) {
    ssize_t n = ::send(m.fd.get(), m.out.data(), m.out.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n > 0) {
      m.out.erase(0, static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
  }
  return true;
}

void PortService::FeedMonitors() {
  static const char kHex[] = "0123456789abcdef";
  for (auto& [id, c] : connections_) {
    bool watched = false;
    for (const Monitor& m : monitors_) {
      watched = watched || (m.fd.valid() && m.id == id && m.generation == c.generation);
    }
    if (!watched || !c.bridge) continue;
    const uint64_t lost = c.bridge->tap().Take(&records_);
    const std::string& port = c.bridge->config().portName;
    for (Monitor& m : monitors_) {
      if (m.fd.valid() && m.id == id && m.generation == c.generation) m.dropped += lost;
    }
    for (const TapRecord& r : records_) {
      char line[160 + 2 * kTapShownBytes];
      const int len = std::snprintf(
          line, 160, "{\"time\":%lld.%06lld,\"direction\":\"%s\",\"bytes\":%u,\"hex\":\"",
          static_cast<long long>(r.timeUs / 1000000), static_cast<long long>(r.timeUs % 1000000),
          r.direction == TrafficDirection::kToNetwork ? "to network" : "from network", r.length);
      char* end = line + len;
      for (size_t i = 0; i < r.shown; ++i) {
        const auto b = static_cast<unsigned char>(r.bytes[i]);
        *end++ = kHex[b >> 4];
        *end++ = kHex[b & 15];
      }
      *end++ = '"';
      const std::string_view text(line, static_cast<size_t>(end - line));
      for (Monitor& m : monitors_) {
        if (!m.fd.valid() || m.id != id || m.generation != c.generation) continue;
        const std::string tail =
            m.dropped > 0 ? ",\"dropped\":" + std::to_string(m.dropped) + "}\n" : "}\n";
        if (m.out.size() + text.size() + tail.size() > kMonitorBufferBytes) {
          ++m.dropped;
          if (!m.reportedBehind) {
            ORBO_LOG_WARN("a monitor of %s does not keep up; its lines are dropped and counted",
                          port.c_str());
            m.reportedBehind = true;
          }
          continue;
        }
        m.out += text;
        m.out += tail;
        m.dropped = 0;
      }
    }
  }
  for (Monitor& m : monitors_) {
    if (!m.fd.valid()) continue;
    auto it = connections_.find(m.id);
    if (it == connections_.end() || !it->second.bridge || it->second.generation != m.generation) {
      m.fd.Reset();  // the port went; the client sees the end
    } else if (!FlushMonitor(m)) {
      EndMonitor(m);
    }
  }
  std::erase_if(monitors_, [](const Monitor& m) { return !m.fd.valid(); });
}

void PortService::Serve(int listen, const std::filesystem::path& socketPath, int readyFd) {
  const ino_t socketInode = InodeOf(socketPath);
  struct Client {
    UniqueFd fd;
    LineReader reader;
  };
  std::vector<std::unique_ptr<Client>> clients;
  if (readyFd >= 0) ::close(readyFd);
  bool stop = false;
  while (!stop) {
    std::vector<pollfd> fds{{listen, POLLIN, 0}};
    for (const auto& c : clients) fds.push_back({c->fd.get(), POLLIN, 0});
    const size_t firstMonitor = fds.size();
    for (const Monitor& m : monitors_) {
      fds.push_back({m.fd.get(), static_cast<short>(POLLIN | (m.out.empty() ? 0 : POLLOUT)), 0});
    }
    int ready = ::poll(fds.data(), fds.size(), monitors_.empty() ? kWatchMs : kMonitorTickMs);
    if (ready < 0 && errno != EINTR) break;
    if (InodeOf(socketPath) != socketInode) {
      ORBO_LOG_INFO("control socket %s is gone; the service ends", socketPath.c_str());
      break;
    }
    // A monitor's client says nothing more; input or its end closes it.
    for (size_t i = firstMonitor; i < fds.size(); ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char scrap[256];
      if (::recv(fds[i].fd, scrap, sizeof scrap, MSG_DONTWAIT) >= 0 || errno != EAGAIN) {
        EndMonitor(monitors_[i - firstMonitor]);
      }
    }
    FeedMonitors();
    if (ready <= 0) continue;
    if (fds[0].revents & POLLIN) {
      UniqueFd fd(::accept4(listen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
      if (fd.valid() && SamePeerUser(fd.get()) && clients.size() + monitors_.size() < kMaxClients) {
        int raw = fd.get();
        clients.push_back(std::make_unique<Client>(Client{std::move(fd), LineReader(raw)}));
      }
    }
    // Handle the clients that had something to say; drop the ones that
    // closed, misbehaved or do not take their replies.
    std::vector<int> done;
    for (size_t i = 1; i < firstMonitor && !stop; ++i) {
      if (!fds[i].revents) continue;
      Client& c = *clients[i - 1];
      bool alive = c.reader.Fill();
      std::string line;
      while (alive && !stop && c.reader.NextLine(&line)) {
        if (!WriteLine(c.fd.get(), Handle(line, &stop), kReplyTimeoutMs)) {
          alive = false;
        } else if (monitorRequest_) {
          // The link now carries the port's traffic; what else the client
          // sent is ignored.
          AddMonitor(std::move(c.fd), *monitorRequest_);
          break;
        }
      }
      if (!alive) done.push_back(fds[i].fd);
    }
    std::erase_if(clients, [&](const auto& c) {
      return !c->fd.valid() || std::find(done.begin(), done.end(), c->fd.get()) != done.end();
    });
  }
  monitors_.clear();
  connections_.clear();
}

}  // namespace orbo::vcom
