// The native side's only way to talk to the page: running scripts in it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace orbo {

// How RunScript turns its text into a script.
enum PageScriptKind : int {
  kMessageKey = 0,  // AddText("...") with the localised text of a message key
  kScript = 1,      // the text is JavaScript, run unchanged
  kLogText = 2,     // AddText("...") with the text itself
};

// The page end of the bridge: the web view in the desktop tool, the JSON
// line writer in the headless host. Evaluate never waits for the script to
// run, may be called from any thread, keeps the order of its calls and
// drops scripts while no page exists.
class PageView {
 public:
  virtual ~PageView() = default;
  virtual void Evaluate(const std::string& script) = 0;
  // Loads url in the main frame; the same url as last time reloads it
  // ignoring the cache. A path without a scheme is a local file.
  virtual void Navigate(const std::string& url) = 0;
  // True when the view shows a page that has finished loading; the box
  // worker does not start a cycle's work while a page is loading.
  virtual bool IsReady() const = 0;
};

// RunScript: builds the script for a kind and hands it to the view. Every
// text placed inside a script literal goes through JsEscape. Holds no state
// of its own beyond the two references, so any number of copies (the main
// window's, the link step's, the operations') behave alike. Callable from
// any thread as long as view and lookup are.
class PageScripts {
 public:
  using TextLookup = std::function<std::string(std::string_view key)>;
  PageScripts(PageView* view, TextLookup lookup) : view_(view), lookup_(std::move(lookup)) {}

  // kMessageKey: AddText("<escaped text of key>"); kLogText: AddText("<escaped
  // text>"); kScript: text unchanged; any other kind, or no view: nothing.
  void RunScript(std::string_view text, int kind) const;
  // Shortcuts for the three kinds.
  void ShowKey(std::string_view key) const { RunScript(key, kMessageKey); }
  void ShowLog(std::string_view text) const { RunScript(text, kLogText); }
  void Run(std::string_view script) const { RunScript(script, kScript); }
  // The localised text of key; empty without a lookup or for a missing key.
  std::string LookupText(std::string_view key) const {
    return lookup_ ? lookup_(key) : std::string();
  }

 private:
  PageView* view_;
  TextLookup lookup_;
};

}  // namespace orbo
