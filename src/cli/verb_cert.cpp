// orbo-cli cert inspect FILE: loads a certificate package as the tool does
// and lists what it holds. orbo-cli brand: applies the package beside the
// tool (as start-up does), answering its file dialog from --file.
#include <cstdio>
#include <string>

#include "app/branding_step.h"
#include "cli/json_line.h"
#include "cli/page_host_parts.h"
#include "cli/page_output.h"
#include "cli/verb.h"
#include "formats/branding/apply_branding.h"
#include "formats/cert/cert_file.h"
#include "formats/cert/cert_format.h"
#include "settings/app_settings.h"

namespace orbo::cli {
namespace {

// Package bytes for a terminal: printable ASCII as is, the rest as \xHH.
std::string Printable(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  return out;
}

int CertVerb(const Args& given) {
  Args args = given;
  const bool json = TakeFlag(&args, "--json");
  if (args.size() != 2 || args[0] != "inspect") {
    return UsageError("usage: orbo-cli cert inspect [--json] FILE");
  }
  CertFile cert(CertDefaultDomain(), 0);
  const int result = cert.Load(args[1]);
  if (json) {
    // {"result":N,"domain":"...","entries":[{"name","size","crc"}]}; names
    // and the domain as the escaped text printed without --json.
    JsonPtr o = NewJsonObject();
    cJSON_AddNumberToObject(o.get(), "result", result);
    AddJsonText(o.get(), "domain", Printable(cert.domain()));
    cJSON* entries = cJSON_AddArrayToObject(o.get(), "entries");
    for (const CertEntryView& e : cert.entries()) {
      cJSON* item = cJSON_CreateObject();
      AddJsonText(item, "name", Printable(e.name));
      cJSON_AddNumberToObject(item, "size", static_cast<double>(e.fileSize));
      char crc[9];
      std::snprintf(crc, sizeof crc, "%08llx", static_cast<unsigned long long>(e.crc32));
      AddJsonText(item, "crc", crc);
      cJSON_AddItemToArray(entries, item);
    }
    PrintJsonLine(o.get());
    return result == 0 ? 0 : 1;
  }
  std::printf("result %d\n", result);
  std::printf("domain %s\n", Printable(cert.domain()).c_str());
  for (const CertEntryView& e : cert.entries()) {
    std::printf("entry %s size %llu crc %08llx\n", Printable(e.name).c_str(),
                static_cast<unsigned long long>(e.fileSize),
                static_cast<unsigned long long>(e.crc32));
  }
  return result == 0 ? 0 : 1;
}

int BrandVerb(const Args& given) {
  Args args = given;
  const std::vector<std::string> exe = TakeOption(&args, "--exe");
  std::vector<std::string> files = TakeOption(&args, "--file");
  if (!args.empty()) return UsageError("usage: orbo-cli brand [--file PACKAGE] [--exe PROGRAM]");
  PageOutput out(stdout);
  HostPrompts prompts(&out, {}, std::move(files));
  SettingsStore store(AppDir());
  store.Load();
  const BrandingEnv env =
      MakeBrandingEnv(exe.empty() ? ProgramDir() / "orbo" : std::filesystem::path(exe.back()),
                      InstalledLayout(), &prompts);
  std::filesystem::path program;
  const int result = ApplyBranding(env, &store, &program);
  const bool restart = result == 0 && store.Get().exitRequested;
  out.Branding(result, restart ? program.string() : "");
  return result == -1 ? 1 : 0;
}

}  // namespace

ORBO_CLI_VERB("cert", "cert inspect [--json] FILE  load a certificate package and list its entries",
              CertVerb);
ORBO_CLI_VERB("brand",
              "brand [--file PACKAGE] [--exe PROGRAM]  apply VirCert.ce beside the tool (as "
              "start-up does); --file answers the package dialog",
              BrandVerb);

}  // namespace orbo::cli
