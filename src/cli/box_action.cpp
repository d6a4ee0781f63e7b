#include "cli/box_action.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "base/utf.h"
#include "bridge/command_state.h"
#include "bridge/page.h"
#include "formats/crypto/digest.h"
#include "ops/box_ops_bundle.h"
#include "ops/network_test.h"
#include "ops/power_ops.h"
#include "ops/time_zone.h"
#include "ops/transfer/firmware_update.h"
#include "ops/transfer/transfer_log.h"
#include "ops/transfer/transfer_ops.h"
#include "ops/transfer/transfer_progress.h"
#include "platform/linux/hid_backends.h"
#include "platform/prompts.h"
#include "settings/app_settings.h"

namespace orbo::cli {

const char kBoxActionsUsage[] =
    "ident | time [--zone Z] [--yes] | network | mode N | light | reboot [--yes] | "
    "config send FILE [--yes] | config fetch FILE [--password P] | firmware check | "
    "firmware update | send LOCAL BOXNAME | fetch BOXNAME LOCAL [--password P]";

namespace {

// Reverses the page's string-literal escaping.
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

// The page of a headless run: log lines and progress go to the events,
// other scripts are dropped.
class EventsView : public PageView {
 public:
  explicit EventsView(BoxEvents& events) : events_(events) {}
  void Evaluate(const std::string& script) override {
    uint64_t done = 0, total = 0;
    if (ParseProgressScript(script, &done, &total)) {
      events_.Progress(done, total);
      return;
    }
    constexpr std::string_view kHead = "AddText(\"", kTail = "\");";
    std::string_view s = script;
    if (s.size() < kHead.size() + kTail.size() || s.substr(0, kHead.size()) != kHead ||
        s.substr(s.size() - kTail.size()) != kTail) {
      return;
    }
    events_.Log(UnescapeJs(s.substr(kHead.size(), s.size() - kHead.size() - kTail.size())));
  }
  void Navigate(const std::string&) override {}
  bool IsReady() const override { return true; }

 private:
  BoxEvents& events_;
};

// A script has no one to ask: every question gets the answer the command
// line gave, and questions and notes go to the log.
class AnswerPrompts : public Prompts {
 public:
  AnswerPrompts(bool yes, BoxEvents& events) : yes_(yes), events_(events) {}
  void Message(const std::string&, const std::string& text) override { events_.Log(text); }
  bool AskYesNo(const std::string&, const std::string& text) override {
    events_.Log(text + (yes_ ? " -> yes" : " -> no"));
    return yes_;
  }
  std::optional<std::filesystem::path> OpenFile(const FileDialogOptions&) override { return {}; }
  std::optional<std::filesystem::path> SaveFile(const FileDialogOptions&) override { return {}; }
  std::optional<std::filesystem::path> PickFolder(const std::string&) override { return {}; }

 private:
  const bool yes_;
  BoxEvents& events_;
};

// Box reply text for JSON: without the line end the box puts after it.
std::string ReplyField(std::string_view text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
  return std::string(text);
}

BoxActionResult Failed(std::string error) {
  BoxActionResult r;
  r.exitCode = 1;
  r.error = std::move(error);
  return r;
}

// The three identification commands, as the link step asks them; the
// replies stay in ctx for the firmware check.
bool Identify(OpsContext& ctx, BoxActionResult* result) {
  LinkDeadline bound(ctx.link, int64_t{9} * ctx.link.wait_ms());
  ctx.typeReply.Clear();
  ctx.serialReply.Clear();
  ctx.modeReply.Clear();
  if (!ctx.link.SendCommand("GetHMIType\r", &ctx.typeReply)) {
    *result = Failed("the box did not answer GetHMIType");
    return false;
  }
  if (!ctx.link.SendCommand("GetRmtSN\r\n", &ctx.serialReply)) {
    *result = Failed("the box did not answer GetRmtSN");
    return false;
  }
  int mode = -1;
  if (ctx.link.SendCommand("GetBoxMode\r\n", &ctx.modeReply)) {
    const std::string text(ctx.modeReply.Text());
    if (std::sscanf(text.c_str(), "Mode=%d", &mode) != 1) mode = -1;
  }
  AddJsonText(result->fields.get(), "type", ReplyField(ctx.typeReply.Text()));
  AddJsonText(result->fields.get(), "serial", ReplyField(ctx.serialReply.Text()));
  cJSON_AddNumberToObject(result->fields.get(), "mode", mode);
  return true;
}

// The firmware check without its question: which shipped components are
// newer than the box's.
BoxActionResult CheckFirmware(OpsContext& ctx, BoxActionResult result) {
  std::string list;
  if (!ReadVersionList(ctx.link, &list)) return Failed("the box sent no version list");
  std::vector<ComponentRecord> records;
  if (!LoadCatalogue(ctx.appDir, ctx.typeReply.Text(), &records, &ctx.kernelFamily)) {
    return Failed("no shipped firmware fits this box model");
  }
  PlanUpdates(list, ctx.kernelFamily, "", &records);
  cJSON* updates = cJSON_AddArrayToObject(result.fields.get(), "updates");
  for (const ComponentRecord& r : records) {
    if (!r.needsUpdate) continue;
    cJSON* item = cJSON_CreateObject();
    AddJsonText(item, "component", r.versionKey);
    AddJsonText(item, "file", r.boxFileName);
    AddJsonText(item, "version", r.newVersion);
    cJSON_AddItemToArray(updates, item);
  }
  cJSON_AddBoolToObject(result.fields.get(), "upToDate", cJSON_GetArraySize(updates) == 0);
  return result;
}

bool ReadableFile(const std::string& path) {
  std::string digest;
  return Md5FileHex(path, &digest) == 0;
}

BoxActionResult Dispatch(OpsContext& ctx, const BoxRequest& request, const std::string& zone) {
  BoxActionResult result;
  const std::string& a = request.action;
  const auto& ops = request.operands;
  auto ok = [&](bool done, const char* what) {
    if (!done) return Failed(std::string(what) + " failed");
    return std::move(result);
  };
  // Command-only actions are bounded as the worker bounds them: three link
  // waits per exchange.
  auto bound = [&](int exchanges) { return int64_t{3} * exchanges * ctx.link.wait_ms(); };
  if (a == "ident") {
    Identify(ctx, &result);
    return result;
  }
  if (a == "time") {
    CommandState state;
    state.timeZone = zone;
    AddJsonText(result.fields.get(), "zone", zone);
    return ok(SetTimeAndZone(ctx, state), "setting the time");
  }
  if (a == "network") {
    LinkDeadline d(ctx.link, bound(2));
    return ok(RunNetworkTest(ctx), "the network test");
  }
  if (a == "mode") {
    LinkDeadline d(ctx.link, bound(2));
    return ok(SetBoxMode(ctx, std::atoi(ops[0].c_str())), "setting the mode");
  }
  if (a == "light") {
    LinkDeadline d(ctx.link, bound(1));
    return ok(LightBox(ctx), "lighting the box");
  }
  if (a == "send") {
    std::string digest;
    if (Md5FileHex(ops[0], &digest) != 0) return Failed("cannot read " + ops[0]);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(ops[0].c_str(), "rbe"),
                                                         std::fclose);
    if (!file) return Failed("cannot open " + ops[0]);
    return ok(SendFileLogged(ctx.link, ops[1], file.get(), digest, ctx.scripts), "sending");
  }
  if (a == "fetch" || (a == "config" && ops[0] == "fetch")) {
    const std::string box_name = a == "fetch" ? ops[0] : "setup.xml";
    const std::string local = ops[1];
    if (FetchFileLogged(ctx.link, box_name, request.password, local, ctx.scripts) !=
        FetchOutcome::kSuccess) {
      return Failed("fetching " + box_name + " failed; " + local + " is unchanged");
    }
    return result;
  }
  // The rest may run the firmware check, which reads the box's model.
  if (!Identify(ctx, &result)) return result;
  if (a == "reboot") return ok(StopAndReboot(ctx), "rebooting");
  if (a == "config") {
    CommandState state;
    state.transferPath = ops[1];
    return ok(SendToBox(ctx, state, "setup.xml"), "sending the configuration");
  }
  if (ops[0] == "check") return CheckFirmware(ctx, std::move(result));
  return ok(FirmwareCheck(ctx), "the firmware update");
}

}  // namespace

std::optional<BoxRequest> ParseBoxRequest(Args args, std::string* error) {
  BoxRequest request;
  const auto passwords = TakeOption(&args, "--password");
  const auto zones = TakeOption(&args, "--zone");
  request.yes = TakeFlag(&args, "--yes");
  if (passwords.size() > 1 || zones.size() > 1) {
    *error = "an option was given more than once";
    return std::nullopt;
  }
  if (args.empty()) {
    *error = "missing action";
    return std::nullopt;
  }
  request.action = args[0];
  request.operands.assign(args.begin() + 1, args.end());
  const std::string& a = request.action;
  const auto& ops = request.operands;
  const std::string first = ops.empty() ? "" : ops[0];
  size_t want = 0;
  if (a == "ident" || a == "network" || a == "light" || a == "reboot" || a == "time") {
    want = 0;
  } else if (a == "mode") {
    want = 1;
  } else if (a == "send" || a == "fetch") {
    want = 2;
  } else if (a == "config" && (first == "send" || first == "fetch")) {
    want = 2;
  } else if (a == "firmware" && (first == "check" || first == "update")) {
    want = 1;
  } else {
    *error = "unknown action \"" + a + (first.empty() ? "" : " " + first) + "\"";
    return std::nullopt;
  }
  if (ops.size() != want) {
    *error = "wrong number of arguments for " + a;
    return std::nullopt;
  }
  const bool fetches = a == "fetch" || (a == "config" && first == "fetch");
  if (!passwords.empty() && !fetches) {
    *error = "--password is for fetch only";
    return std::nullopt;
  }
  if (!zones.empty() && a != "time") {
    *error = "--zone is for time only";
    return std::nullopt;
  }
  if (a == "mode") {
    char* end = nullptr;
    const long mode = std::strtol(first.c_str(), &end, 10);
    if (first.empty() || *end != '\0' || mode < 0 || mode > 99) {
      *error = "the mode must be a number from 0 to 99";
      return std::nullopt;
    }
  }
  if (!passwords.empty()) request.password = passwords[0];
  if (!zones.empty()) request.zone = zones[0];
  return request;
}

BoxActionResult RunBoxAction(const BoxTarget& target, const BoxRequest& request,
                             const std::filesystem::path& app_dir, BoxEvents& events) {
  // Refusals that need no box come first, so nothing is sent.
  if (!IsCommandArgument(request.password) && !request.password.empty()) {
    return Failed("the password may not hold spaces or control characters; nothing was sent");
  }
  const bool sends_file =
      request.action == "send" || (request.action == "config" && request.operands[0] == "send");
  if (sends_file) {
    const std::string& local = request.action == "send" ? request.operands[0] : request.operands[1];
    if (!ReadableFile(local)) return Failed("cannot read " + local + "; nothing was sent");
  }

  SettingsStore settings(app_dir);
  settings.Load();
  EventsView view(events);
  PageScripts scripts(&view, [&settings](std::string_view key) {
    std::string text = settings.LookupText(key);
    return text.empty() ? std::string(key) : text;
  });
  // Asking for a firmware update is the Yes to the update's question.
  const bool firmware_update = request.action == "firmware" && request.operands[0] == "update";
  AnswerPrompts prompts(request.yes || firmware_update, events);
  std::unique_ptr<HidBackend> hid = target.usb ? MakeHidBackend(target.usbSim) : nullptr;
  BoxOpsDeps deps;
  deps.appDir = app_dir;
  deps.hid = hid.get();
  deps.sleeper = &SystemSleeper();
  deps.scripts = &scripts;
  deps.prompts = &prompts;
  deps.view = &view;
  BoxOpsBundle bundle(deps);
  BoxLink& link = bundle.link();
  if (!BuildLink(link, target.usb ? "USB:Download" : "LocalNetwork", target.host, target.port)) {
    return Failed(target.usb
                      ? "no box found on USB"
                      : "cannot connect to " + target.host + ":" + std::to_string(target.port));
  }
  std::string zone = request.zone;
  if (zone.empty()) zone = settings.Get().timeZoneName;
  if (zone.empty()) zone = "UTC";
  BoxActionResult result = Dispatch(bundle.context(), request, zone);
  link.Close();
  return result;
}

}  // namespace orbo::cli
