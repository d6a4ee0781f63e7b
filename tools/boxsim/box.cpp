#include "box.h"

#include <openssl/evp.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "base/utf.h"

namespace boxsim {
namespace {

constexpr int kTransferTimeoutMs = 30000;
constexpr size_t kHeaderSize = 44;

class Md5 {
 public:
  Md5() : ctx_(EVP_MD_CTX_new(), EVP_MD_CTX_free) {
    EVP_DigestInit_ex(ctx_.get(), EVP_md5(), nullptr);
  }
  void Update(const void* data, size_t n) { EVP_DigestUpdate(ctx_.get(), data, n); }
  std::string Hex() {
    unsigned char d[16];
    unsigned int len = 0;
    EVP_DigestFinal_ex(ctx_.get(), d, &len);
    static const char* digits = "0123456789abcdef";
    std::string hex;
    for (unsigned i = 0; i < len; ++i) {
      hex.push_back(digits[d[i] >> 4]);
      hex.push_back(digits[d[i] & 15]);
    }
    return hex;
  }

 private:
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx_;
};

// The command's name: its text before the first space or line ending.
std::string CommandName(const std::string& command) {
  size_t end = command.find_first_of(" \r\n");
  return command.substr(0, end);
}

// The command's arguments: after the first space, line ending removed.
std::string CommandArgs(const std::string& command) {
  size_t space = command.find(' ');
  if (space == std::string::npos) return {};
  std::string args = command.substr(space + 1);
  while (!args.empty() && (args.back() == '\r' || args.back() == '\n')) args.pop_back();
  return args;
}

// A box name as a file name in the store: no folders, nothing hidden.
std::string StoreName(const std::string& name) {
  std::string out;
  for (char c : name) out.push_back(c == '/' || c == '\\' || c == '\0' ? '_' : c);
  if (out.empty() || out[0] == '.') out.insert(out.begin(), '_');
  return out;
}

uint32_t GetU32(const char* p) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
  return v;
}

std::string Header(const std::string& digest, uint32_t size) {
  std::string h(kHeaderSize, '\0');
  h[0] = static_cast<char>(kHeaderSize);
  std::memcpy(h.data() + 4, digest.data(), std::min<size_t>(digest.size(), 32));
  for (int i = 0; i < 4; ++i) h[40 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
  return h;
}

// The version key of a list line: up to and including its first ':', or its
// first word.
std::string VersionKey(const std::string& line) {
  size_t colon = line.find(':');
  if (colon != std::string::npos) return line.substr(0, colon + 1);
  return line.substr(0, line.find(' '));
}

}  // namespace

void Box::Stall(Channel& ch) {
  char drop[4096];
  while (::recv(ch.fd(), drop, sizeof(drop), 0) > 0) {
  }
}

std::string Box::HostName() {
  std::lock_guard<std::mutex> lock(mutex_);
  return profile_.hostName;
}

int Box::ResetMs() {
  std::lock_guard<std::mutex> lock(mutex_);
  return profile_.resetMs;
}

void Box::Serve(Channel& ch) {
  while (auto command = ch.ReadCommand()) {
    log_->Command(ch.name(), *command);
    if (!Handle(ch, *command)) break;
  }
}

void Box::Reply(Channel& ch, const std::string& name, std::string_view text) {
  Faults faults;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    faults = profile_.faults;
  }
  if (faults.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(faults.delayMs));
  if (faults.floodCount > 0 && faults.floodOn.count(name)) {
    for (int i = 0; i < faults.floodCount; ++i) ch.SendReply(faults.floodText);
  }
  std::string hostile;
  if (faults.hostileOn.count(name)) {
    // Quotes, markup that ends a script element, a terminal title sequence
    // and other control bytes, 64 KiB of them.
    const std::string piece = "\"');</script><script>alert(1)</script>\x1b]0;owned\x07\x01\r\n";
    while (hostile.size() < 65536) hostile += piece;
    text = hostile;
  }
  if (faults.cutReply.count(name)) {
    ch.SendReply(text.substr(0, std::max<size_t>(1, text.size() / 2)));
    ch.Shutdown();
    return;
  }
  SendPaced(ch, text, faults.dripMs);
}

void Box::SendPaced(Channel& ch, std::string_view text, int drip_ms) {
  if (drip_ms <= 0) {
    ch.SendReply(text);
    return;
  }
  for (char c : text) {
    if (!ch.SendReply(std::string_view(&c, 1))) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(drip_ms));
  }
}

bool Box::Handle(Channel& ch, const std::string& command) {
  const std::string name = CommandName(command);
  const std::string args = CommandArgs(command);
  Profile p;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    p = profile_;
  }
  if (p.faults.silent.count(name)) return true;
  if (p.faults.resetOn.count(name)) {
    // Gone mid-operation, as a box that reboots on its own.
    log_->Event("reset", {}, ResetMs());
    request_reset_();
    return false;
  }
  if (p.faults.error.count(name)) {
    Reply(ch, name, "ERROR\r");
    return true;
  }
  if (name == "GetHMIType") {
    Reply(ch, name, p.hmiType);
  } else if (name == "GetRmtSN") {
    Reply(ch, name, p.serial);
  } else if (name == "GetBoxMode") {
    Reply(ch, name, "Mode=" + std::to_string(p.mode));
  } else if (name == "GetHostName") {
    Reply(ch, name, p.hostName);
  } else if (name == "TestNetworkJson") {
    Reply(ch, name, p.hasNetworkJson ? p.networkJson : std::string("ERROR\r"));
  } else if (name == "TestNetwork") {
    Reply(ch, name, p.networkText);
  } else if (name == "SetTZ") {
    std::string reply;
    if (p.tzReply == "fail") {
      reply = "setTZ fail";
    } else if (p.tzReply == "error") {
      reply = "ERROR\r";
    } else {
      std::lock_guard<std::mutex> lock(mutex_);
      reply = profile_.timeZone == args ? "END\r" : "OK\r";
      profile_.timeZone = args;
    }
    Reply(ch, name, reply);
  } else if (name == "SetTime" || name == "TerminateAll" || name == "DeleteFile") {
    Reply(ch, name, "OK\r");
  } else if (name == "SetBoxMode") {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      profile_.mode = std::atoi(args.c_str());
    }
    Reply(ch, name, "OK\r");
  } else if (name == "GetAllVersion") {
    std::string list = VersionReply();
    std::string prefix = p.versionPrefix;
    if (!p.hasVersionPrefix) {
      char buf[8];
      std::snprintf(buf, sizeof(buf), "%04zu", std::min<size_t>(list.size(), 9999));
      prefix = buf;
    }
    Reply(ch, name, prefix);
    ch.SendData(list);
  } else if (name == "Light") {
    // The indicator blinks; nothing is answered.
  } else if (name == "reset") {
    Reply(ch, name, "OK\r");
    log_->Event("reset", {}, ResetMs());
    request_reset_();
    return false;
  } else if (name == "Download") {
    return Download(ch, args, p);
  } else if (name == "Upload") {
    return Upload(ch, args, p);
  } else {
    Reply(ch, name, "ERROR\r");
  }
  return true;
}

std::string Box::VersionReply() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string list;
  for (const std::string& line : profile_.versions) list += line + "\r\n";
  return list;
}

void Box::ApplyFirmware(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = profile_.firmwareUpdates.find(name);
  if (it == profile_.firmwareUpdates.end()) return;
  for (const std::string& line : it->second) {
    const std::string key = VersionKey(line);
    bool replaced = false;
    for (std::string& have : profile_.versions) {
      if (orbo::EqualsIgnoreAsciiCase(VersionKey(have), key)) {
        have = line;
        replaced = true;
      }
    }
    if (!replaced) profile_.versions.push_back(line);
  }
}

bool Box::Download(Channel& ch, const std::string& args, const Profile& p) {
  const std::string name = args.substr(0, args.find(' '));
  if (!p.announceReply.empty()) Reply(ch, "Download", p.announceReply);
  std::string header;
  if (!ch.ReadBlock(kHeaderSize, &header, kTransferTimeoutMs)) {
    log_->Event("no-header", name);
    return false;
  }
  const uint32_t size = GetU32(header.data() + 40);
  std::string digest(header.data() + 4, 32);
  digest.resize(std::strlen(digest.c_str()));

  std::filesystem::create_directories(store_dir_);
  const std::filesystem::path target = store_dir_ / StoreName(name);
  const std::filesystem::path partial = store_dir_ / (".partial-" + StoreName(name));
  std::ofstream out(partial, std::ios::binary | std::ios::trunc);
  Md5 md5;
  uint64_t received = 0;
  bool dropped = false;
  bool ok = ch.ReadData(
      size,
      [&](const char* data, size_t n) {
        if (p.faults.stallAfter >= 0 && received + n > static_cast<uint64_t>(p.faults.stallAfter)) {
          Stall(ch);
          dropped = true;
          return false;
        }
        if (p.faults.dropAfter >= 0 && received + n > static_cast<uint64_t>(p.faults.dropAfter)) {
          n = static_cast<size_t>(static_cast<uint64_t>(p.faults.dropAfter) - received);
          dropped = true;
        }
        out.write(data, static_cast<std::streamsize>(n));
        md5.Update(data, n);
        received += n;
        return !dropped;
      },
      kTransferTimeoutMs);
  out.close();
  if (!ok) {
    std::filesystem::remove(partial);
    log_->Event(dropped ? "dropped" : "incomplete", name, static_cast<long long>(received));
    return false;
  }
  const bool digest_ok = md5.Hex() == digest;
  if (digest_ok) {
    std::filesystem::rename(partial, target);
    ApplyFirmware(name);
  } else {
    std::filesystem::remove(partial);
  }
  log_->Event("stored", name, size, digest_ok ? 1 : 0);
  const std::vector<std::string>& acks = digest_ok ? p.acks : p.badDigestAcks;
  for (size_t i = 0; i < acks.size(); ++i) Reply(ch, i == 0 ? "acks" : "ack", acks[i]);
  return true;
}

bool Box::FindFile(const std::string& name, HeldFile* file) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = profile_.files.find(name);
    if (it != profile_.files.end()) {
      *file = it->second;
      return true;
    }
  }
  const std::filesystem::path stored = store_dir_ / StoreName(name);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(stored, ec)) return false;
  file->from_path = true;
  file->path = stored.string();
  return true;
}

bool Box::Upload(Channel& ch, const std::string& args, const Profile& p) {
  const size_t space = args.find(' ');
  const std::string name = args.substr(0, space);
  const std::string password = space == std::string::npos ? std::string() : args.substr(space + 1);
  if (p.uploadProhibited) {
    Reply(ch, "Upload", "UpLoadStat:2");
    return true;
  }
  if (!p.password.empty() && p.passwordFiles.count(name) && password != p.password) {
    Reply(ch, "Upload", "UpLoadStat:1");
    return true;
  }
  HeldFile file;
  if (!FindFile(name, &file)) {
    Reply(ch, "Upload", "ERROR\r");
    return true;
  }
  // Digest and size first, then the bytes.
  Md5 md5;
  uint64_t size = 0;
  std::ifstream in;
  if (file.from_path) {
    in.open(file.path, std::ios::binary);
    std::vector<char> buf(1 << 20);
    while (in.read(buf.data(), static_cast<std::streamsize>(buf.size())) || in.gcount() > 0) {
      md5.Update(buf.data(), static_cast<size_t>(in.gcount()));
      size += static_cast<uint64_t>(in.gcount());
    }
    in.clear();
    in.seekg(0);
  } else {
    md5.Update(file.content.data(), file.content.size());
    size = file.content.size();
  }
  std::string digest = md5.Hex();
  if (p.faults.wrongDigest) digest = std::string(32, '0');
  Reply(ch, "Upload", "UpLoadStat:0");
  const uint32_t announced = p.faults.headerSize >= 0 ? static_cast<uint32_t>(p.faults.headerSize)
                                                      : static_cast<uint32_t>(size);
  const std::string header = Header(digest, announced);
  if (p.faults.splitHeader) {
    ch.SendReply(std::string_view(header).substr(0, 20));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ch.SendReply(std::string_view(header).substr(20));
  } else {
    SendPaced(ch, header, p.faults.dripMs);
  }

  uint64_t limit = p.faults.dropAfter >= 0 ? static_cast<uint64_t>(p.faults.dropAfter) : size;
  if (p.faults.stallAfter >= 0) limit = std::min(limit, static_cast<uint64_t>(p.faults.stallAfter));
  uint64_t sent = 0;
  if (file.from_path) {
    std::vector<char> buf(1 << 20);
    while (sent < std::min(size, limit)) {
      in.read(buf.data(), static_cast<std::streamsize>(buf.size()));
      size_t n = static_cast<size_t>(in.gcount());
      if (n == 0) break;
      n = static_cast<size_t>(std::min<uint64_t>(n, limit - sent));
      if (!ch.SendData(std::string_view(buf.data(), n))) return false;
      sent += n;
    }
  } else {
    size_t n = static_cast<size_t>(std::min<uint64_t>(size, limit));
    if (!ch.SendData(std::string_view(file.content.data(), n))) return false;
    sent = n;
  }
  if (p.faults.stallAfter >= 0 && sent < size) {
    log_->Event("stalled", name, static_cast<long long>(sent));
    Stall(ch);
    return false;
  }
  if (announced > size) {
    // The header promised more than there is: keep the line open, silent.
    log_->Event("stalled", name, static_cast<long long>(sent));
    Stall(ch);
    return false;
  }
  log_->Event(sent < size ? "dropped" : "served", name, static_cast<long long>(sent));
  return sent >= size;
}

}  // namespace boxsim
