// A scripted box behind a real BoxLink, a page that records what it is
// shown, and an OpsContext over them, for the box operations' unit tests.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "link/box_link.h"
#include "ops/context/ops_context.h"
#include "platform/clipboard.h"
#include "platform/local_addresses.h"
#include "support/fake_sleeper.h"
#include "support/recording_view.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

namespace orbo::test {

// Answers each command by the longest matching prefix rule; a command
// without a rule (or with a silent one) gets nothing back. Every reply is
// handed out by Read as one stream until consumed or purged.
class ScriptedBox : public Transport {
 public:
  // Replies to every command that starts with prefix; successive commands
  // take successive replies, the last one repeats.
  void Answer(const std::string& prefix, std::vector<std::string> replies) {
    rules_[prefix] = std::deque<std::string>(replies.begin(), replies.end());
  }
  void Answer(const std::string& prefix, const std::string& reply) {
    Answer(prefix, std::vector<std::string>{reply});
  }
  // The reply arrives one byte per read.
  void Trickle(bool on) { trickle_ = on; }
  void FailWrites(bool on) { failWrites_ = on; }

  bool Write(const void* data, size_t length, int64_t* count) override {
    if (failWrites_) {
      *count = 0;
      return false;
    }
    const std::string command(static_cast<const char*>(data), length);
    commands.push_back(command);
    *count = static_cast<int64_t>(length);
    pending_.clear();
    const std::string* best = nullptr;
    for (auto& [prefix, replies] : rules_) {
      if (command.compare(0, prefix.size(), prefix) == 0 &&
          (!best || prefix.size() > best->size())) {
        best = &prefix;
      }
    }
    if (best) {
      auto& replies = rules_[*best];
      pending_ = replies.front();
      if (replies.size() > 1) replies.pop_front();
    }
    return true;
  }
  bool Read(void* buffer, size_t length, int64_t* count) override {
    size_t n = std::min(length, pending_.size());
    if (trickle_) n = std::min<size_t>(n, 1);
    std::copy_n(pending_.data(), n, static_cast<char*>(buffer));
    pending_.erase(0, n);
    *count = static_cast<int64_t>(n);
    return true;
  }
  void Purge() override { pending_.clear(); }

  // Commands whose text starts with prefix.
  int CountOf(const std::string& prefix) const {
    int n = 0;
    for (const auto& c : commands) n += c.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    return n;
  }

  std::vector<std::string> commands;

 private:
  std::map<std::string, std::deque<std::string>> rules_;
  std::string pending_;
  bool trickle_ = false;
  bool failWrites_ = false;
};

class RecordingClipboard : public Clipboard {
 public:
  bool SetText(const std::string& text) override {
    texts.push_back(text);
    return true;
  }
  std::vector<std::string> texts;
};

class OpsTest : public ::testing::Test {
 protected:
  OpsTest()
      : link_(nullptr, sleeper_),
        scripts_(&view_, [this](std::string_view key) { return Lookup(key); }),
        addresses_(std::vector<std::string>{}),
        ctx_(dir_.path(), link_, scripts_, prompts_, clipboard_, sleeper_, &view_, addresses_) {
    link_.Attach(&box_);
  }

  // Message keys show as "@key", except those given a text here.
  std::string Lookup(std::string_view key) const {
    auto it = texts_.find(std::string(key));
    return it != texts_.end() ? it->second : "@" + std::string(key);
  }

  // What the page was told: AddText bodies as they were escaped, other
  // scripts whole.
  std::vector<std::string> Shown() const {
    std::vector<std::string> out;
    for (const std::string& s : view_.scripts()) {
      const std::string head = "AddText(\"";
      const std::string tail = "\");";
      if (s.compare(0, head.size(), head) == 0 && s.size() >= head.size() + tail.size()) {
        out.push_back(s.substr(head.size(), s.size() - head.size() - tail.size()));
      } else {
        out.push_back(s);
      }
    }
    return out;
  }

  TempDir dir_;
  FakeSleeper sleeper_;
  ScriptedBox box_;
  BoxLink link_;
  RecordingView view_;
  std::map<std::string, std::string> texts_;
  PageScripts scripts_;
  ScriptedPrompts prompts_;
  RecordingClipboard clipboard_;
  FixedAddressSource addresses_;
  OpsContext ctx_;
};

}  // namespace orbo::test
