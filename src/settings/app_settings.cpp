#include "settings/app_settings.h"

#include "base/codepage.h"
#include "base/logger.h"
#include "base/utf.h"
#include "settings/ini_file.h"
#include "settings/string_table.h"
#include "settings/time_zone_name.h"

namespace orbo {
namespace {

constexpr char kSection[] = "HMI";
constexpr char kDefaultRep[] = "box";
// The 8-bit read of "rep" has a 32-byte buffer: 31 bytes and the terminator.
constexpr size_t kNarrowRepBytes = 31;

// The longest start of text whose code-page form fits max_bytes, in that
// form; characters the code page lacks become "?".
std::string ToCodepageCut(std::string_view text, size_t max_bytes) {
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t start = pos;
    char32_t cp;
    NextCodePoint(text, &pos, &cp);
    std::string narrow;
    if (!Codepage::FromUtf8(text.substr(start, pos - start), &narrow)) narrow.assign(1, '?');
    if (out.size() + narrow.size() > max_bytes) break;
    out += narrow;
  }
  return out;
}

// Step 4 of the load: "rep" once more as 8-bit text, then back to UTF-8.
std::string ReadNarrowRep(const std::filesystem::path& app_dir, const IniFile& ini) {
  // The 8-bit read opens the file by its 8-bit path; a path the code page
  // cannot hold names no file, so the default applies.
  if (!Codepage::CanEncode(SettingsFilePath(app_dir).string())) return kDefaultRep;
  std::optional<std::string> value = ini.Find(kSection, "rep");
  return Codepage::ToUtf8Lossy(ToCodepageCut(value ? *value : kDefaultRep, kNarrowRepBytes));
}

}  // namespace

std::filesystem::path SettingsFilePath(const std::filesystem::path& app_dir) {
  return app_dir / "SoftLang.ini";
}

void LoadSettings(const std::filesystem::path& app_dir, AppSettings* settings) {
  const IniFile ini = IniFile::Load(SettingsFilePath(app_dir));
  settings->oem = ini.GetInt(kSection, "oem", 1);
  settings->first = ini.GetInt(kSection, "first", 0);
  settings->log = ini.GetInt(kSection, "log", 99);
  settings->mode = ini.GetInt(kSection, "mode", 0);
  settings->tp = ini.GetInt(kSection, "tp", 0);
  settings->server = ini.GetInt(kSection, "server", 0);
  settings->bro = ini.GetString(kSection, "bro", "Chrome", 64);
  settings->lang = ini.GetString(kSection, "lang", "en", 32);
  settings->virCom = ini.GetString(kSection, "VirCom", "COM2", 32);
  settings->rep = ReadNarrowRep(app_dir, ini);
  settings->name = ini.GetString(kSection, "name", "ORBO", 64);
  settings->langID = ini.GetInt(kSection, "langID", 1033);
  settings->comp = ini.GetString(kSection, "comp", "", 64);
}

bool SaveSettings(const std::filesystem::path& app_dir, const AppSettings& settings) {
  const bool ok = UpdateIniFile(SettingsFilePath(app_dir), [&](IniFile& ini) {
    return ini.Set(kSection, "name", settings.name) && ini.Set(kSection, "rep", settings.rep) &&
           ini.Set(kSection, "bro", settings.bro) &&
           ini.Set(kSection, "tp", std::to_string(settings.tp)) &&
           ini.Set(kSection, "server", std::to_string(settings.server)) &&
           ini.Set(kSection, "VirCom", settings.virCom);
  });
  if (!ok) ORBO_LOG_WARN("settings: SaveSettings did not change %s", app_dir.c_str());
  return ok;
}

bool WriteFirstCleared(const std::filesystem::path& app_dir) {
  return WriteIniString(SettingsFilePath(app_dir), kSection, "first", "0");
}

std::string ReadCurServer(const std::filesystem::path& app_dir) {
  return IniFile::Load(SettingsFilePath(app_dir)).GetString(kSection, "curserver", "China", 256);
}

bool WriteCurServer(const std::filesystem::path& app_dir, const std::string& name) {
  return WriteIniString(SettingsFilePath(app_dir), kSection, "curserver", name);
}

void SettingsStore::Load() {
  std::lock_guard<std::mutex> lock(mutex_);
  LoadSettings(app_dir_, &settings_);
  if (settings_.timeZoneName.empty()) settings_.timeZoneName = SystemTimeZoneName();
}

AppSettings SettingsStore::Get() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return settings_;
}

bool SettingsStore::Save() {
  return SaveSettings(app_dir_, Get());
}

std::string SettingsStore::LookupText(std::string_view key) const {
  std::string lang, rep;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    lang = settings_.lang;
    rep = settings_.rep;
  }
  return orbo::LookupText(app_dir_, lang, rep, key);
}

}  // namespace orbo
