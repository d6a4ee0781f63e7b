#include "support/page_host.h"

#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace orbo::test {
namespace {

std::vector<std::string> PageHostArgs(const std::filesystem::path& appDir,
                                      const std::vector<std::string>& extra) {
  // Tests of the page host run without the virtual port; the port's own
  // tests start the host themselves, with a runtime folder of their own.
  std::vector<std::string> args = {std::string(ORBO_APP_DIR) + "/orbo-cli", "page", "--no-port",
                                   "--app-dir", appDir.string()};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

std::vector<std::string> WithWrapper(std::vector<std::string> wrapper,
                                     const std::vector<std::string>& args) {
  wrapper.insert(wrapper.end(), args.begin(), args.end());
  return wrapper;
}

ChildOptions WithInput() {
  ChildOptions options;
  options.inputPipe = true;
  return options;
}

}  // namespace

PageHost::PageHost(const std::filesystem::path& appDir, const std::vector<std::string>& extra,
                   const std::vector<std::string>& wrapper)
    : process_(WithWrapper(wrapper, PageHostArgs(appDir, extra)), WithInput()) {}

PageHost::~PageHost() {
  if (!finished_) Finish();
}

int PageHost::WaitForScript(const std::string& script, int from, int timeout_ms) {
  return WaitFor([&](const std::string& line) { return JsonString(line, "script") == script; },
                 from, timeout_ms);
}

int PageHost::Finish(int timeout_ms) {
  finished_ = true;
  process_.CloseInput();
  return process_.Wait(timeout_ms);
}

std::vector<std::string> PageHost::Scripts(int from) const {
  std::vector<std::string> scripts;
  const std::vector<std::string> lines = Lines();
  for (size_t i = static_cast<size_t>(std::max(from, 0)); i < lines.size(); ++i) {
    if (auto s = JsonString(lines[i], "script")) scripts.push_back(*s);
  }
  return scripts;
}

std::string PageCall(const std::string& v1, const std::string& v2) {
  cJSON* call = cJSON_CreateArray();
  cJSON_AddItemToArray(call, cJSON_CreateString(v1.c_str()));
  cJSON_AddItemToArray(call, cJSON_CreateString(v2.c_str()));
  char* text = cJSON_PrintUnformatted(call);
  std::string line = text;
  cJSON_free(text);
  cJSON_Delete(call);
  return line;
}

std::vector<std::string> RunOperation(PageHost& host, const std::string& code,
                                      const std::string& v2, const std::string& first,
                                      const std::string& last, int timeout_ms) {
  const int from = static_cast<int>(host.Lines().size());
  host.Send(PageCall(code, v2));
  const int begin = host.WaitForScript(first, from, timeout_ms);
  const int end = begin < 0 ? -1 : host.WaitForScript(last, begin + 1, timeout_ms);
  EXPECT_GE(begin, 0) << "no " << first << " after code " << code << "\n"
                      << JoinLines(host.Lines());
  EXPECT_GE(end, 0) << "no " << last << " after code " << code << "\n" << JoinLines(host.Lines());
  std::vector<std::string> scripts;
  if (begin < 0 || end < 0) return scripts;
  const std::vector<std::string> lines = host.Lines();
  for (int i = begin; i <= end; ++i) {
    if (auto s = JsonString(lines[static_cast<size_t>(i)], "script")) scripts.push_back(*s);
  }
  return scripts;
}

std::optional<std::string> JsonString(const std::string& line, const char* key) {
  cJSON* obj = cJSON_Parse(line.c_str());
  std::optional<std::string> value;
  const cJSON* v = cJSON_GetObjectItemCaseSensitive(obj, key);
  if (cJSON_IsString(v)) value = v->valuestring;
  cJSON_Delete(obj);
  return value;
}

std::string KeyScript(const std::string& key) {
  return "AddText(\"@" + key + "\");";
}

std::string LogScript(const std::string& text) {
  return "AddText(\"" + text + "\");";
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& l : lines) all += l + "\n";
  return all;
}

}  // namespace orbo::test
