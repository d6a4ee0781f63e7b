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
#include "platform/linux/desktop_entry.h"
#include "platform/prompts.h"
#include "settings/app_settings.h"

namespace orbo {
namespace {

constexpr std::string_view kMainGroup = "Desktop Entry";
constexpr char kDefaultMenuEntry[] =
    "[Desktop Entry]\nType=Application\nName=ORBO\nExec=orbo\nIcon=orbo\nTerminal=false\n"
    "Categories=Utility;Network;\n";

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
// package in place; a FIFO, device or folder is refused at once.
bool InstallPackage(const std::filesystem::path& from, const std::filesystem::path& to) {
  CertFile check(CertDefaultDomain(), 0, kBrandingMaxHeldEntry);
  if (check.Load(from) != 0) return false;
  std::error_code ec;
  if (std::filesystem::equivalent(from, to, ec)) return true;
  std::string bytes;
  return ReadFileBytes(from, &bytes, kCertMaxPayloadSize + kCertMinFileSize) &&
         WriteFileAtomic(to, bytes);
}

// An entry a parser reads: refused (with a warning) above
// kBrandingMaxParsedEntry, before any parser sees it.
bool GetParsedEntry(const CertFile& cert, const char* name, std::string* bytes) {
  const int got = cert.GetFileData(name, bytes, kBrandingMaxParsedEntry);
  if (got == -2) {
    ORBO_LOG_WARN("branding: the package's %s is larger than %zu bytes and is not read", name,
                  kBrandingMaxParsedEntry);
  }
  return got == 0;
}

// company.info: the names (refused when they could not be a file name or a
// settings line, and a tool name another application has) and the cloud
// address.
void ApplyCompanyInfo(const CertFile& cert, const NameTaken& taken, SettingsStore* store,
                      std::string* cloud) {
  std::string json;
  CompanyInfo info;
  if (!GetParsedEntry(cert, "company.info", &json) || !ParseCompanyInfo(json, &info)) return;
  auto take = [](const std::optional<std::string>& value, std::optional<std::string> safe,
                 const char* what, std::string* field) {
    if (!value) return;
    if (safe) {
      *field = *safe;
    } else {
      ORBO_LOG_WARN("branding: the %s of the package is refused", what);
    }
  };
  store->Update([&](AppSettings& s) {
    if (info.companyName)
      take(info.companyName, SafeBrandName(*info.companyName), "company name", &s.comp);
    if (info.boxName) take(info.boxName, SafeBrandName(*info.boxName), "box name", &s.rep);
    if (info.toolName)
      take(info.toolName, SafeToolName(*info.toolName, taken), "tool name", &s.name);
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
  if (!GetParsedEntry(cert, "default.xml", &bytes)) return;
  XmlDoc doc;
  if (!doc.LoadBytes(bytes)) return;
  doc.ResetCursor();
  if (!doc.FindElement("QXBoxSet") || !doc.FindChild("BaseSet")) return;
  doc.SetChildAttribute("URL2", cloud);
  if (!doc.SaveFile(app_dir / "html" / "Default.xml"))
    ORBO_LOG_WARN("branding: the page settings file could not be written");
}

// The installed layout's per-user menu entry. An entry of that name the
// user made for another program is left alone; a failure keeps what was
// there and says why.
void WriteUserMenuEntry(const BrandingEnv& env, const std::string& tool_name,
                        const std::optional<std::filesystem::path>& icon) {
  if (env.menuDir.empty() || env.menuEntryName.empty()) return;
  const std::filesystem::path entry = env.menuDir / env.menuEntryName;
  std::string earlier;
  std::error_code ec;
  if (std::filesystem::exists(std::filesystem::symlink_status(entry, ec))) {
    if (!ReadFileBytes(entry, &earlier, 1 << 20) ||
        LauncherProgram(earlier) != env.exePath.string()) {
      ORBO_LOG_WARN("branding: %s starts another program and is kept as it is", entry.c_str());
      return;
    }
  }
  std::string template_text;
  if (!env.menuTemplate.empty()) ReadFileBytes(env.menuTemplate, &template_text, 1 << 20);
  const std::string text = UserMenuEntryText(template_text, env.exePath, tool_name,
                                             icon.value_or(std::filesystem::path()));
  if (text == earlier) return;
  std::filesystem::create_directories(env.menuDir, ec);
  if (!WriteFileAtomic(entry, text)) {
    ORBO_LOG_ERROR("branding: the menu entry %s could not be written%s", entry.c_str(),
                   ec ? (": " + ec.message()).c_str() : "");
  }
}

}  // namespace

std::string UserMenuEntryText(std::string_view template_text, const std::filesystem::path& program,
                              const std::string& tool_name, const std::filesystem::path& icon) {
  DesktopFile file = DesktopFile::Parse(template_text);
  if (!file.Get(kMainGroup, "Type")) file = DesktopFile::Parse(kDefaultMenuEntry);
  file.Set(kMainGroup, "Name", tool_name);
  for (const std::string& key : file.Keys(kMainGroup)) {
    if (key.rfind("Name[", 0) == 0) file.Set(kMainGroup, key, tool_name);
  }
  if (!icon.empty()) file.Set(kMainGroup, "Icon", icon.string());
  auto retarget = [&](const std::string& group) {
    std::vector<std::string> args =
        SplitExec(file.Get(group, "Exec").value_or("")).value_or(std::vector<std::string>{});
    if (args.empty()) args.emplace_back();
    args.front() = program.string();
    file.Set(group, "Exec", JoinExec(args));
  };
  retarget(std::string(kMainGroup));
  file.Set(kMainGroup, "TryExec", program.string());
  // The entry shows for this user, whatever the package's entry says.
  file.Remove(kMainGroup, "Hidden");
  file.Remove(kMainGroup, "NoDisplay");
  for (const std::string& group : file.Groups()) {
    if (group.rfind("Desktop Action ", 0) == 0 && file.Get(group, "Exec")) retarget(group);
  }
  return file.Text();
}

int ApplyBranding(const BrandingEnv& env, SettingsStore* store,
                  std::filesystem::path* program_now) {
  if (program_now != nullptr) *program_now = env.exePath;
  CertFile cert(CertDefaultDomain(), 0, kBrandingMaxHeldEntry);
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
  ApplyCompanyInfo(cert, env.nameTaken, store, &cloud);
  std::string device_info;
  if (GetParsedEntry(cert, "device.info", &device_info)) ApplyDeviceNames(device_info, app_dir);
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
  const std::optional<std::string> tool_name = SafeToolName(store->Get().name, env.nameTaken);
  if (!tool_name) ORBO_LOG_WARN("branding: the tool name is refused; names stay as they were");
  const std::string exe_name = env.exePath.filename().string();
  std::vector<std::filesystem::path> launchers_of_exe;
  for (const std::filesystem::path& folder : env.launcherFolders) {
    if (exe_name.empty()) break;
    const std::optional<LauncherOutcome> outcome =
        RetouchLauncher(folder, exe_name, tool_name.value_or(exe_name), env.exePath, launcher_icon,
                        tool_name.value_or(exe_name));
    if (outcome && outcome->startsExe) launchers_of_exe.push_back(outcome->path);
  }
  if (env.installed) {
    // The program files are the package's: the name reaches the menu through
    // the user's own entry instead of a rename.
    if (tool_name && !exe_name.empty()) WriteUserMenuEntry(env, *tool_name, launcher_icon);
  } else if (tool_name && !env.exePath.empty()) {
    const std::filesystem::path renamed = env.exePath.parent_path() / *tool_name;
    // Launchers follow the executable, so none is left pointing at nothing.
    // A failed rename (a file of that name is there already) leaves the
    // program where it was: that is the one a restart starts, never the
    // file in the way.
    if (RenameNoReplace(env.exePath, renamed)) {
      if (program_now != nullptr) *program_now = renamed;
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
  CertFile cert(CertDefaultDomain(), 0, kBrandingMaxHeldEntry);
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

}  // namespace orbo
