#include "orbo_process.h"

#include <unistd.h>

#include <cjson/cJSON.h>

#include <algorithm>

#include "support/temp_dir.h"

namespace orbo::test {

std::string OrboProcess::FindXvfbRun() {
  for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
    const std::string path = std::string(dir) + "/xvfb-run";
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return std::string();
}

OrboProcess::~OrboProcess() {
  CloseInput();
  if (process_ && process_->started()) Wait(std::chrono::seconds(30));
}

bool OrboProcess::Start(const std::string& orbo, const std::vector<std::string>& args,
                        const std::filesystem::path& tmp_dir,
                        const std::filesystem::path& stderr_path, std::string* error) {
  std::vector<std::string> argv = {FindXvfbRun(), "-a", "-s", "-screen 0 1280x900x24", orbo};
  argv.insert(argv.end(), args.begin(), args.end());
  ChildOptions options;
  options.inputPipe = true;
  options.errFile = stderr_path;
  // Toolkit settings (the file chooser's, for example) stay in memory.
  // The runtime folder (where the single-instance lock lives) is the
  // test's own, so tests running side by side do not shut each other out.
  options.setEnv = {"TMPDIR=" + tmp_dir.string(), "XDG_RUNTIME_DIR=" + tmp_dir.string(),
                    "GDK_BACKEND=x11", "GSETTINGS_BACKEND=memory"};
  options.unsetEnv = {"WAYLAND_DISPLAY", "DISPLAY"};
  // Its own process group, so the X server and the page processes can be
  // ended together if the tool does not close by itself.
  options.ownGroup = true;
  stderr_path_ = stderr_path;
  process_ = std::make_unique<ChildProcess>(argv, options);
  if (!process_->started()) {
    *error = "cannot start " + argv[0];
    return false;
  }
  return true;
}

bool OrboProcess::Send(const std::string& line) {
  return process_ && process_->Send(line);
}

void OrboProcess::CloseInput() {
  if (process_) process_->CloseInput();
}

std::string OrboProcess::WaitForLine(const std::function<bool(const std::string&)>& match,
                                     std::chrono::seconds timeout) {
  if (!process_) return std::string();
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int from = 0;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const int at = process_->WaitFor(match, from, std::max<int>(0, static_cast<int>(left.count())));
    if (at < 0) return std::string();
    const size_t index = static_cast<size_t>(at);
    if (taken_.size() <= index) taken_.resize(index + 1, false);
    if (!taken_[index]) {
      taken_[index] = true;
      last_ = index;
      return process_->Lines()[index];
    }
    from = at + 1;
  }
}

std::string OrboProcess::WaitForLine(const std::string& exact, std::chrono::seconds timeout) {
  return WaitForLine([&](const std::string& line) { return line == exact; }, timeout);
}

std::vector<std::string> OrboProcess::Lines() const {
  return process_ ? process_->Lines() : std::vector<std::string>();
}

int OrboProcess::Wait(std::chrono::seconds timeout) {
  if (!process_) return -1;
  return process_->Wait(static_cast<int>(std::chrono::milliseconds(timeout).count()));
}

::testing::AssertionResult OrboProcess::StartTool(const std::vector<std::string>& args,
                                                  const std::filesystem::path& tmp_dir) {
  std::string error;
  if (Start(std::string(ORBO_APP_DIR) + "/orbo", args, tmp_dir, tmp_dir / "stderr.txt", &error))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << error;
}

::testing::AssertionResult OrboProcess::Logged(const std::string& exact) {
  if (WaitForLine(exact, kPatience) == exact) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "missing " << exact << Diagnostics();
}

::testing::AssertionResult OrboProcess::Screenshot(const std::filesystem::path& path) {
  std::unique_ptr<cJSON, void (*)(cJSON*)> request(cJSON_CreateObject(), cJSON_Delete);
  cJSON_AddStringToObject(request.get(), "screenshot", path.c_str());
  std::unique_ptr<char, void (*)(void*)> line(cJSON_PrintUnformatted(request.get()), cJSON_free);
  if (!Send(line.get())) return ::testing::AssertionFailure() << "the control input is closed";
  // The tool logs the request's own line once the file is written.
  ::testing::AssertionResult logged = Logged(line.get());
  if (!logged || std::filesystem::exists(path)) return logged;
  return ::testing::AssertionFailure() << path << " is missing";
}

::testing::AssertionResult OrboProcess::Finish() {
  CloseInput();
  const int status = Wait(kPatience);
  if (status == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "exit status " << status << Diagnostics();
}

bool OrboProcess::EndedWithoutDisplay() {
  return Wait(std::chrono::seconds(5)) == kNoDisplay;
}

std::string OrboProcess::Diagnostics() const {
  std::string text = "\npage log:\n";
  for (const auto& line : Lines()) text += "  " + line + "\n";
  return text + "stderr:\n" + (stderr_path_.empty() ? std::string() : ReadAll(stderr_path_));
}

}  // namespace orbo::test
