#include "cli/box_output.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "base/utf.h"

namespace orbo::cli {

BoxPrinter::BoxPrinter(bool json)
    : json_(json),
      terminal_(::isatty(STDOUT_FILENO) == 1),
      log_(cJSON_CreateArray(), cJSON_Delete) {}

void BoxPrinter::Log(const std::string& text) {
  if (json_) {
    cJSON_AddItemToArray(log_.get(), cJSON_CreateString(SanitizeUtf8(text).c_str()));
    return;
  }
  if (barShown_) std::fputc('\n', stdout);
  barShown_ = false;
  // Box text never reaches the terminal raw: an escape sequence in it
  // could retitle or reprogram the terminal.
  std::printf("%s\n", VisibleText(text).c_str());
  std::fflush(stdout);
}

void BoxPrinter::Progress(uint64_t done, uint64_t total) {
  if (json_) {
    JsonPtr line = NewJsonObject();
    cJSON* p = cJSON_AddObjectToObject(line.get(), "progress");
    cJSON_AddNumberToObject(p, "done", static_cast<double>(done));
    cJSON_AddNumberToObject(p, "total", static_cast<double>(total));
    PrintJsonLine(line.get());
    return;
  }
  if (!terminal_) return;
  constexpr int kWidth = 40;
  const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
  const int filled = percent * kWidth / 100;
  std::printf("\r[%s%s] %3d%% %llu/%llu", std::string(static_cast<size_t>(filled), '#').c_str(),
              std::string(static_cast<size_t>(kWidth - filled), ' ').c_str(), percent,
              static_cast<unsigned long long>(done), static_cast<unsigned long long>(total));
  barShown_ = done != total;
  if (done == total) std::fputc('\n', stdout);
  std::fflush(stdout);
}

JsonPtr ResultObject(const std::string& box, const std::string& action,
                     const BoxActionResult& result, const cJSON* log) {
  JsonPtr out = NewJsonObject();
  AddJsonText(out.get(), "box", box);
  AddJsonText(out.get(), "action", action);
  cJSON_AddBoolToObject(out.get(), "ok", result.exitCode == 0);
  cJSON_AddNumberToObject(out.get(), "exit", result.exitCode);
  if (!result.error.empty()) AddJsonText(out.get(), "error", result.error);
  for (const cJSON* f = result.fields->child; f; f = f->next) {
    cJSON_AddItemToObject(out.get(), f->string, cJSON_Duplicate(f, 1));
  }
  if (log) cJSON_AddItemToObject(out.get(), "log", cJSON_Duplicate(log, 1));
  return out;
}

void BoxPrinter::Result(const std::string& box, const std::string& action,
                        const BoxActionResult& result) {
  if (json_) {
    PrintJsonLine(ResultObject(box, action, result, log_.get()).get());
    return;
  }
  if (barShown_) std::fputc('\n', stdout);
  for (const cJSON* f = result.fields->child; f; f = f->next) {
    if (cJSON_IsString(f)) {
      std::printf("%s: %s\n", f->string, VisibleText(f->valuestring).c_str());
    } else if (cJSON_IsNumber(f)) {
      std::printf("%s: %d\n", f->string, f->valueint);
    } else if (cJSON_IsBool(f)) {
      std::printf("%s: %s\n", f->string, cJSON_IsTrue(f) ? "yes" : "no");
    } else if (cJSON_IsArray(f)) {
      for (const cJSON* item = f->child; item; item = item->next) {
        std::printf("%s:", f->string);
        for (const cJSON* m = item->child; m; m = m->next) {
          if (cJSON_IsString(m))
            std::printf(" %s=%s", m->string, VisibleText(m->valuestring).c_str());
        }
        std::printf("\n");
      }
    }
  }
  std::fflush(stdout);
  if (!result.error.empty()) std::fprintf(stderr, "orbo-cli: %s\n", result.error.c_str());
}

bool TakeBoxTarget(Args* args, BoxTarget* target, std::string* error) {
  const auto hosts = TakeOption(args, "--host");
  const auto ports = TakeOption(args, "--port");
  const auto sims = TakeOption(args, "--usb-sim");  // hidden: the simulator's report socket
  const bool usb = TakeFlag(args, "--usb") || !sims.empty();
  if (hosts.size() > 1 || ports.size() > 1 || sims.size() > 1) {
    *error = "an option was given more than once";
    return false;
  }
  if (usb == !hosts.empty()) {
    *error = "give either --host H or --usb";
    return false;
  }
  target->usb = usb;
  target->host = hosts.empty() ? "" : hosts[0];
  target->usbSim = sims.empty() ? "" : sims[0];
  if (!ports.empty()) {
    char* end = nullptr;
    const long p = std::strtol(ports[0].c_str(), &end, 10);
    if (ports[0].empty() || *end != '\0' || p < 1 || p > 65535) {
      *error = "--port needs a number from 1 to 65535";
      return false;
    }
    target->port = static_cast<int>(p);
  }
  return true;
}

}  // namespace orbo::cli
