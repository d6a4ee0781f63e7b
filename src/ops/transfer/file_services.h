// The bridge's file services backed by the files in the app directory:
// building setup.xml (PageCommand kSendSetup, kKeepSetup) and the Wi-Fi list
// (kSaveWifi, kRemoveWifi).
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "bridge/bridge_services.h"

namespace orbo {

class AppDirSetupBuilder : public SetupFileBuilder {
 public:
  explicit AppDirSetupBuilder(std::filesystem::path app_dir) : app_dir_(std::move(app_dir)) {}
  // BuildSetupXml of the app directory: 0 or -1.
  int BuildSetupXml(const std::string& form) override;

 private:
  const std::filesystem::path app_dir_;
};

class WifiListStore : public WifiStore {
 public:
  explicit WifiListStore(std::filesystem::path app_dir) : app_dir_(std::move(app_dir)) {}
  // An absent name saves nothing and gives -1; an absent password is stored
  // as an empty one. Otherwise SaveWifi of the list file: 0, -1 (no list),
  // -2 (save failed), -3 (the list lost characters when read; not saved).
  int SaveWifi(const std::optional<std::string>& name,
               const std::optional<std::string>& password) override;
  // RemoveWifi of the list file: 0, -1 (no list or no such entry), -2, -3.
  int RemoveWifi(const std::string& name) override;

 private:
  const std::filesystem::path app_dir_;
};

}  // namespace orbo
