// Recording doubles for the bridge's services, and a fixture that builds a
// MainFrameCore over them with a real settings record in a temp folder.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/main_frame.h"
#include "base/base64.h"
#include "settings/app_settings.h"
#include "support/recording_view.h"
#include "support/scripted_prompts.h"
#include "support/step_sleeper.h"
#include "support/temp_dir.h"

namespace orbo::test {

class FakeSetupBuilder : public SetupFileBuilder {
 public:
  int BuildSetupXml(const std::string& form) override {
    forms.push_back(form);
    return result;
  }
  int result = 0;
  std::vector<std::string> forms;
};

class FakeWifiStore : public WifiStore {
 public:
  using Entry = std::pair<std::optional<std::string>, std::optional<std::string>>;
  int SaveWifi(const std::optional<std::string>& name,
               const std::optional<std::string>& password) override {
    saved.emplace_back(name, password);
    return 0;
  }
  int RemoveWifi(const std::string& name) override {
    removed.push_back(name);
    return 0;
  }
  std::vector<Entry> saved;
  std::vector<std::string> removed;
};

class FakePassThrough : public PassThrough {
 public:
  int ApplyPassThrough(const std::string& json) override {
    applied.push_back(json);
    return -5;  // a failure must not change the page call's result
  }
  int EndPassThrough() override {
    ++ended;
    return 0;
  }
  std::vector<std::string> applied;
  int ended = 0;
};

class FakeEditor : public EditorIntegration {
 public:
  int IsEditorUsable(const std::string& folder) override {
    folders.push_back(folder);
    return usable;
  }
  int LaunchHmiDownload(const std::string& json) override {
    launched.push_back(json);
    return launch_result;
  }
  int usable = 1;
  int launch_result = -3;
  std::vector<std::string> folders;
  std::vector<std::string> launched;
};

// The link is up or down as the test sets it; records each step's state.
class FakeLink : public LinkStep {
 public:
  bool ConnectAndDetect(CommandState& state) override {
    std::lock_guard<std::mutex> lock(mutex_);
    seen_.push_back(state);
    return up;
  }
  void Close() override { ++closed; }
  std::vector<CommandState> seen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }
  std::atomic<bool> up{false};
  std::atomic<int> closed{0};

 private:
  mutable std::mutex mutex_;  // guards seen_
  std::vector<CommandState> seen_;
};

class FakeOperations : public BoxOperations {
 public:
  void Run(BoxOperation operation, CommandState&) override {
    std::lock_guard<std::mutex> lock(mutex_);
    ran_.push_back(operation);
  }
  std::vector<BoxOperation> ran() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ran_;
  }

 private:
  mutable std::mutex mutex_;  // guards ran_
  std::vector<BoxOperation> ran_;
};

// A temp app folder with settings and an English string table.
class BridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("SoftLang.ini", "[HMI]\r\nfirst=1\r\nlang=en\r\n");
    dir_.Write("html/i18n/strings_en.properties",
               Base64Encode("alert_title=Notice\n"
                            "save_config_failed=Saving the configuration failed\n"
                            "light_cmd_suc=The replaceBox blinks \"now\"\n"));
    settings_ = std::make_unique<SettingsStore>(dir_.path());
    settings_->Load();
  }

  BridgeServices Services(Sleeper* sleeper = nullptr, bool with_view = true) {
    BridgeServices s;
    s.appDir = dir_.path();
    s.settings = settings_.get();
    s.view = with_view ? &view_ : nullptr;
    s.prompts = &prompts_;
    s.sleeper = sleeper;
    s.setup = &setup_;
    s.wifi = &wifi_;
    s.passThrough = &pass_;
    s.editor = &editor_;
    s.link = &link_;
    s.operations = &ops_;
    s.cloudUrl = [] { return std::optional<std::string>("https://cloud.example/monitor"); };
    return s;
  }

  std::string FirstPage() const { return (dir_.path() / "html" / "first_page.html").string(); }

  TempDir dir_;
  std::unique_ptr<SettingsStore> settings_;
  RecordingView view_;
  ScriptedPrompts prompts_;
  FakeSetupBuilder setup_;
  FakeWifiStore wifi_;
  FakePassThrough pass_;
  FakeEditor editor_;
  FakeLink link_;
  FakeOperations ops_;
};

}  // namespace orbo::test
