// orbo-cli box: talks to one box over TCP or USB: identify it, send a file
// to it, fetch a file from it.
#include <cstdio>
#include <memory>
#include <string>

#include "base/utf.h"
#include "bridge/page.h"
#include "cli/verb.h"
#include "formats/crypto/digest.h"
#include "link/box_link.h"
#include "ops/transfer/transfer_log.h"
#include "platform/linux/hid_backends.h"
#include "platform/sleeper.h"
#include "settings/app_settings.h"

namespace orbo::cli {
namespace {

constexpr const char kUsage[] =
    "box [--host H [--port N] | --usb] ident | send LOCAL BOXNAME | fetch BOXNAME LOCAL "
    "[--password P]";

int Usage(const std::string& why) {
  return Fail(why + "\nusage: orbo-cli " + kUsage);
}

// Reverses the page's string-literal escaping for printing.
std::string UnescapeJs(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 >= s.size()) {
      out.push_back(s[i]);
      continue;
    }
    char c = s[++i];
    auto hex = [&](size_t digits) {
      char32_t v = 0;
      for (size_t k = 0; k < digits && i + 1 < s.size(); ++k) {
        char h = s[++i];
        v = v * 16 + static_cast<char32_t>(h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
      }
      AppendUtf8(&out, v);
    };
    switch (c) {
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 't':
        out.push_back('\t');
        break;
      case 'x':
        hex(2);
        break;
      case 'u':
        hex(4);
        break;
      default:
        out.push_back(c);
        break;
    }
  }
  return out;
}

// The page of a headless run: log lines are printed as plain lines, other
// scripts are dropped.
class PrintingView : public PageView {
 public:
  void Evaluate(const std::string& script) override {
    constexpr std::string_view kHead = "AddText(\"", kTail = "\");";
    std::string_view s = script;
    if (s.size() < kHead.size() + kTail.size() || s.substr(0, kHead.size()) != kHead ||
        s.substr(s.size() - kTail.size()) != kTail) {
      return;
    }
    s = s.substr(kHead.size(), s.size() - kHead.size() - kTail.size());
    std::printf("%s\n", VisibleText(UnescapeJs(s)).c_str());
    std::fflush(stdout);
  }
  void Navigate(const std::string&) override {}
  bool IsReady() const override { return true; }
};

int Ident(BoxLink& link) {
  ReplyBuffer type, serial, mode;
  if (!link.SendCommand("GetHMIType\r", &type)) return Fail("the box did not answer GetHMIType");
  if (!link.SendCommand("GetRmtSN\r\n", &serial)) return Fail("the box did not answer GetRmtSN");
  int box_mode = -1;
  if (link.SendCommand("GetBoxMode\r\n", &mode)) {
    std::string text(mode.Text());
    if (std::sscanf(text.c_str(), "Mode=%d", &box_mode) != 1) box_mode = -1;
  }
  // Box text never reaches the terminal raw: an escape sequence in it
  // could retitle or reprogram the terminal.
  std::printf("type: %s\nserial: %s\nmode: %d\n", VisibleText(type.Text()).c_str(),
              VisibleText(serial.Text()).c_str(), box_mode);
  return 0;
}

int Box(const Args& given) {
  Args args = given;
  const auto hosts = TakeOption(&args, "--host");
  const auto ports = TakeOption(&args, "--port");
  const auto sims = TakeOption(&args, "--usb-sim");  // hidden: the simulator's report socket
  const auto passwords = TakeOption(&args, "--password");
  const bool usb = TakeFlag(&args, "--usb") || !sims.empty();
  if (hosts.size() > 1 || ports.size() > 1 || sims.size() > 1 || passwords.size() > 1) {
    return Usage("an option was given more than once");
  }
  if (usb == !hosts.empty()) return Usage("give either --host H or --usb");
  int port = kBoxPort;
  if (!ports.empty()) {
    char* end = nullptr;
    long p = std::strtol(ports[0].c_str(), &end, 10);
    if (ports[0].empty() || *end != '\0' || p < 1 || p > 65535) {
      return Usage("--port needs a number from 1 to 65535");
    }
    port = static_cast<int>(p);
  }
  if (args.empty()) return Usage("missing action");
  const std::string action = args[0];
  const size_t operands = action == "ident" ? 1 : 3;
  if ((action != "ident" && action != "send" && action != "fetch") || args.size() != operands) {
    return Usage("unknown action or wrong number of arguments");
  }
  if (!passwords.empty() && action != "fetch") return Usage("--password is for fetch only");
  if (!passwords.empty() && !IsCommandArgument(passwords[0])) {
    return Fail("the password may not hold spaces or control characters; nothing was sent");
  }

  std::unique_ptr<HidBackend> hid = usb ? MakeHidBackend(sims.empty() ? "" : sims[0]) : nullptr;
  BoxLink link(hid.get(), SystemSleeper());
  if (!BuildLink(link, usb ? "USB:Download" : "LocalNetwork", usb ? "" : hosts[0], port)) {
    return Fail(usb ? "no box found on USB"
                    : "cannot connect to " + hosts[0] + ":" + std::to_string(port));
  }
  if (action == "ident") return Ident(link);

  SettingsStore settings(AppDir());
  settings.Load();
  PrintingView view;
  PageScripts scripts(&view, [&settings](std::string_view key) {
    std::string text = settings.LookupText(key);
    return text.empty() ? std::string(key) : text;
  });
  if (action == "send") {
    const std::string local = args[1];
    std::string digest;
    if (Md5FileHex(local, &digest) != 0) return Fail("cannot read " + local);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(local.c_str(), "rb"),
                                                         std::fclose);
    if (!file) return Fail("cannot open " + local);
    if (!SendFileLogged(link, args[2], file.get(), digest, scripts)) {
      return Fail("sending " + local + " as " + args[2] + " failed");
    }
    return 0;
  }
  const std::string password = passwords.empty() ? std::string() : passwords[0];
  if (FetchFileLogged(link, args[1], password, args[2], scripts) != FetchOutcome::kSuccess) {
    return Fail("fetching " + args[1] + " failed; " + args[2] + " is unchanged");
  }
  return 0;
}

}  // namespace

ORBO_CLI_VERB("box", kUsage, Box);

}  // namespace orbo::cli
