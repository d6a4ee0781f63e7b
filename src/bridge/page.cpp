#include "bridge/page.h"

#include "base/js_escape.h"

namespace orbo {
namespace {

std::string AddTextScript(std::string_view text) {
  std::string script = "AddText(\"";
  script += JsEscape(text);
  script += "\");";
  return script;
}

}  // namespace

void PageScripts::RunScript(std::string_view text, int kind) const {
  if (view_ == nullptr) return;
  switch (kind) {
    case kMessageKey:
      view_->Evaluate(AddTextScript(LookupText(text)));
      break;
    case kScript:
      view_->Evaluate(std::string(text));
      break;
    case kLogText:
      view_->Evaluate(AddTextScript(text));
      break;
    default:
      break;
  }
}

}  // namespace orbo
