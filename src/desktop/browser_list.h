// The process's list of installed web browsers and the selected one. Filled
// at start-up and changed from the settings dialog; the browser client
// handler reads it from other threads, so every access takes the lock.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace orbo {

struct BrowserEntry {
  std::string name;  // display name
  std::string path;  // executable path (the http handler's entry: its cut command)
};

class BrowserList {
 public:
  // False when an entry with that name exists (nothing added). Otherwise
  // true, and the entry is appended only when path names an existing file.
  bool AddBrowser(const std::string& name, const std::string& path);
  // Appends without checks (the http handler fallback, a hand-picked file).
  void Append(const std::string& name, const std::string& path);
  // The selected path becomes the path of the first entry named name;
  // unchanged when there is none. True when one was found.
  bool SelectBrowser(const std::string& name);

  // The settings dialog's choices; each returns the name to save as "bro".
  // A listed name becomes the selected name and is selected.
  std::string PickName(const std::string& name);
  // A hand-picked executable: the entry with exactly that path is selected;
  // any other file is appended as an entry named after the file and
  // selected.
  std::string PickExecutable(const std::string& path);

  std::vector<BrowserEntry> entries() const;
  std::string selectedName() const;
  std::string selectedPath() const;
  void SetSelected(const std::string& name, const std::string& path);
  void SetSelectedName(const std::string& name);

 private:
  mutable std::mutex mutex_;  // guards everything below
  std::vector<BrowserEntry> entries_;
  std::string selected_name_;
  std::string selected_path_;
};

}  // namespace orbo
