#include "formats/branding/apply_branding.h"

#include <optional>
#include <string>

#include "base/file_util.h"
#include "base/logger.h"
#include "formats/branding/brand_values.h"
#include "formats/branding/device_names.h"
#include "formats/branding/icon_files.h"
#include "formats/branding/launchers.h"
#include "formats/cert/cert_file.h"
#include "formats/cert/cert_format.h"
#include "formats/xml/xml_doc.h"
#include "platform/prompts.h"
#include "settings/app_settings.h"

namespace orbo {
namespace {

std::optional<std::filesystem::path> AskForPackage(const BrandingEnv& env,
                                                   const SettingsStore& store) {
  if (env.prompts == nullptr) return std::nullopt;
  FileDialogOptions options;
  options.filter_name = kCertDialogFilterName;
  options.filter_pattern = kCertDialogPattern;
  options.default_ext = kCertDialogDefaultExt;
  options.must_exist = true;
  options.title = store.LookupText("set_cert_file");
  return env.prompts->OpenFile(options);
}

// Puts the package at from in place at to, whole or not at all. Only a
// package that loads is ever copied, so a bad pick never destroys the
// package in place.
bool InstallPackage(const std::filesystem::path& from, const std::filesystem::path& to) {
  CertFile check(CertDefaultDomain(), 0);
  if (check.Load(from) != 0) return false;
  std::error_code ec;
  if (std::filesystem::equivalent(from, to, ec)) return true;
  std::string bytes;
  return ReadFileBytes(from, &bytes, kCertMaxPayloadSize + kCertMinFileSize) &&
         WriteFileAtomic(to, bytes);
}

// company.info: the names (refused when they could not be a file name or a
// settings line) and the cloud address.
void ApplyCompanyInfo(const CertFile& cert, SettingsStore* store, std::string* cloud) {
  std::string json;
  CompanyInfo info;
  if (cert.GetFileData("company.info", &json) != 0 || !ParseCompanyInfo(json, &info)) return;
  auto take = [](const std::optional<std::string>& value, const char* what, std::string* field) {
    if (!value) return;
    if (std::optional<std::string> safe = SafeBrandName(*value)) {
      *field = *safe;
    } else {
      ORBO_LOG_WARN("branding: the %s of the package is refused", what);
    }
  };
  store->Update([&](AppSettings& s) {
    take(info.companyName, "company name", &s.comp);
    take(info.boxName, "box name", &s.rep);
    take(info.toolName, "tool name", &s.name);
  });
  if (info.domainName) *cloud = CloudAddressFor(*info.domainName);
}

int64_t WriteIconEntry(const CertFile& cert, const char* entry, const std::filesystem::path& to) {
  std::string bytes;
  if (cert.GetFileData(entry, &bytes) != 0) return -1;
  return WriteIconFile(to, bytes);
}

// default.xml: written as the page settings file with the cloud address,
// only when it is a well-formed page settings document.
void WritePageSettings(const CertFile& cert, const std::filesystem::path& app_dir,
                       const std::string& cloud) {
  std::string bytes;
  if (cert.GetFileData("default.xml", &bytes) != 0) return;
  XmlDoc doc;
  if (!doc.LoadBytes(bytes)) return;
  doc.ResetCursor();
  if (!doc.FindElement("QXBoxSet") || !doc.FindChild("BaseSet")) return;
  doc.SetChildAttribute("URL2", cloud);
  if (!doc.SaveFile(app_dir / "html" / "Default.xml"))
    ORBO_LOG_WARN("branding: the page settings file could not be written");
}

}  // namespace

int ApplyBranding(const BrandingEnv& env, SettingsStore* store) {
  CertFile cert(CertDefaultDomain(), 0);
  const std::filesystem::path app_dir = store->app_dir();
  if (store->Get().oem == 0) return 0;

  const std::filesystem::path package = app_dir / kCertPackageFileName;
  if (cert.Load(package) != 0) {
    const std::optional<std::filesystem::path> picked = AskForPackage(env, *store);
    if (picked) InstallPackage(*picked, package);
    if (cert.Load(package) != 0) return -1;
    store->Update([](AppSettings& s) { s.exitRequested = true; });
  }

  std::string cloud;
  ApplyCompanyInfo(cert, store, &cloud);
  std::string device_info;
  if (cert.GetFileData("device.info", &device_info) == 0) ApplyDeviceNames(device_info, app_dir);
  WriteIconEntry(cert, "tool_title_logo.ico", app_dir / "title.ico");
  const int64_t logo_written = WriteIconEntry(cert, "tool_desktop_logo.ico", app_dir / "logo.ico");
  std::optional<std::filesystem::path> launcher_icon;
  if (logo_written >= 1) {
    launcher_icon = app_dir / "logo.ico";
    // Launchers show PNG everywhere; an icon that embeds one gets it beside.
    std::string logo, png;
    if (cert.GetFileData("tool_desktop_logo.ico", &logo) == 0 && ExtractPngFromIcon(logo, &png) &&
        WriteIconFile(app_dir / "logo.png", png) > 0)
      launcher_icon = app_dir / "logo.png";
  }
  WritePageSettings(cert, app_dir, cloud);

  // The tool name becomes a file name; one from a hand-edited settings file
  // is checked as a package's is.
  const std::optional<std::string> tool_name = SafeBrandName(store->Get().name);
  const std::string exe_name = env.exePath.filename().string();
  std::vector<std::filesystem::path> launchers_of_exe;
  for (const std::filesystem::path& folder : env.launcherFolders) {
    if (exe_name.empty()) break;
    const std::optional<LauncherOutcome> outcome =
        RetouchLauncher(folder, exe_name, tool_name.value_or(exe_name), env.exePath, launcher_icon,
                        tool_name.value_or(exe_name));
    if (outcome && outcome->startsExe) launchers_of_exe.push_back(outcome->path);
  }
  if (tool_name && !env.exePath.empty()) {
    const std::filesystem::path renamed = env.exePath.parent_path() / *tool_name;
    // Launchers follow the executable, so none is left pointing at nothing.
    if (RenameNoReplace(env.exePath, renamed)) {
      for (const auto& launcher : launchers_of_exe) RetargetLauncher(launcher, renamed);
    }
  }
  store->Save();
  return 0;
}

bool ReplaceCertificate(const BrandingEnv& env, SettingsStore* store) {
  const std::filesystem::path app_dir = store->app_dir();
  const std::filesystem::path package = app_dir / kCertPackageFileName;
  const std::optional<std::filesystem::path> picked = AskForPackage(env, *store);
  if (!picked) return false;
  CertFile cert(CertDefaultDomain(), 0);
  if (!InstallPackage(*picked, package) || cert.Load(package) != 0) {
    store->Update([](AppSettings& s) { s.exitRequested = false; });
    return false;
  }
  std::error_code ec;
  for (const char* icon : {"logo.ico", "title.ico", "logo.png"})
    std::filesystem::remove(app_dir / icon, ec);
  store->Update([](AppSettings& s) { s.exitRequested = true; });
  return true;
}

std::filesystem::path BrandedExecutable(const std::filesystem::path& exe_path,
                                        const AppSettings& settings) {
  const std::optional<std::string> name = SafeBrandName(settings.name);
  return name ? exe_path.parent_path() / *name : exe_path;
}

}  // namespace orbo
