#include "ops/box_ops_bundle.h"

#include "base/logger.h"

namespace orbo {
namespace {

class NoPrompts : public Prompts {
 public:
  void Message(const std::string&, const std::string& text) override {
    ORBO_LOG_INFO("message without a dialog: %s", text.c_str());
  }
  bool AskYesNo(const std::string&, const std::string& text) override {
    ORBO_LOG_INFO("question without a dialog, answered No: %s", text.c_str());
    return false;
  }
  std::optional<std::filesystem::path> OpenFile(const FileDialogOptions&) override { return {}; }
  std::optional<std::filesystem::path> SaveFile(const FileDialogOptions&) override { return {}; }
  std::optional<std::filesystem::path> PickFolder(const std::string&) override { return {}; }
};

class NoClipboard : public Clipboard {
 public:
  bool SetText(const std::string&) override { return false; }
};

template <typename T, typename Fallback>
T& OrOwn(T* given, std::unique_ptr<T>& own) {
  if (given) return *given;
  own = std::make_unique<Fallback>();
  return *own;
}

}  // namespace

BoxOpsBundle::BoxOpsBundle(const BoxOpsDeps& deps)
    : link_(deps.hid, *deps.sleeper, deps.linkOptions),
      ctx_(deps.appDir, link_, *deps.scripts, OrOwn<Prompts, NoPrompts>(deps.prompts, ownPrompts_),
           OrOwn<Clipboard, NoClipboard>(deps.clipboard, ownClipboard_), *deps.sleeper, deps.view,
           OrOwn<LocalAddressSource, SystemAddressSource>(deps.localAddresses, ownAddresses_)),
      step_(ctx_),
      dispatcher_(ctx_) {
  ctx_.clock = deps.clock;
}

BoxOpsBundle::~BoxOpsBundle() {
  link_.Close();
}

}  // namespace orbo
