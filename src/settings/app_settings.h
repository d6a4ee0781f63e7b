// The tool's persistent settings: section "HMI" of "SoftLang.ini" beside the
// executable, plus process-wide values that have no key.
#pragma once

#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

namespace orbo {

struct AppSettings {
  // Keys of section "HMI". Start values are those before the first load;
  // LoadSettings gives the file's values or the read defaults.
  int oem = 0;
  int first = 0;
  int log = 99;
  int mode = 0;
  int tp = 0;
  int server = 0;
  std::string bro;     // 64 chars
  std::string lang;    // 32
  std::string rep;     // 32
  std::string virCom;  // "VirCom", 32; the virtual port name (comName)
  std::string name;    // 64
  int langID = 0;
  std::string comp;  // 64

  // Values without a key.
  bool exitRequested = false;
  std::string timeZoneName;  // standard-time name of the system zone
};

// app_dir/SoftLang.ini. The file is UTF-8 text (a UTF-8 byte-order mark is
// tolerated); the keys live in section "HMI".
std::filesystem::path SettingsFilePath(const std::filesystem::path& app_dir);

// Reads every key (except "curserver") with its default. A missing or unreadable file gives the defaults. "rep" is
// read as 8-bit text: its characters pass through the ANSI code page (those
// it lacks become "?") and it is cut to 31 bytes there; when app_dir cannot
// be written in the code page it reads as "box". Other fields (exit flag,
// time-zone name) are left as they are.
void LoadSettings(const std::filesystem::path& app_dir, AppSettings* settings);

// Writes "name", "rep", "bro", "tp", "server" and "VirCom", in that order,
// in one atomic replacement of the file. False, with the file unchanged,
// when it could not be read or written or a value holds a line break.
bool SaveSettings(const std::filesystem::path& app_dir, const AppSettings& settings);

// Writes "first" = "0" (the pages finished their first-start handling). A
// file that already says so is not rewritten. False when the write failed.
bool WriteFirstCleared(const std::filesystem::path& app_dir);

// "curserver", default "China", cut to 255 characters.
std::string ReadCurServer(const std::filesystem::path& app_dir);
// False when the file could not be written or name holds a line break.
bool WriteCurServer(const std::filesystem::path& app_dir, const std::string& name);

// The process's settings record, shared by the UI thread, the worker and
// the dialogs. Get() returns a copy; Update() changes it under the lock.
class SettingsStore {
 public:
  explicit SettingsStore(std::filesystem::path app_dir) : app_dir_(std::move(app_dir)) {}
  const std::filesystem::path& app_dir() const { return app_dir_; }
  // LoadSettings into the record; the first load also reads the system
  // time-zone name (it stays as read when the process started).
  void Load();
  AppSettings Get() const;
  template <typename F>
  void Update(F&& change) {
    std::lock_guard<std::mutex> lock(mutex_);
    change(settings_);
  }
  // Writes the six keys of SaveSettings from the current record.
  bool Save();
  // Localised text of key in the current language, "replaceBox" replaced.
  std::string LookupText(std::string_view key) const;

 private:
  const std::filesystem::path app_dir_;
  mutable std::mutex mutex_;  // guards settings_
  AppSettings settings_;
};

}  // namespace orbo
