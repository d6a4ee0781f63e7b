// The page side of the bridge in a JavaScriptCore context: the extension
// source with its native function, the page values and myobject.
#pragma once

#include <jsc/jsc.h>

#include <memory>
#include <string>
#include <vector>

#include "app/web/call_arguments.h"
#include "app/web/page_values.h"

namespace orbo {

// Where the native jsInvokeCPlusPlus sends a page call.
class PageCallSink {
 public:
  virtual ~PageCallSink() = default;
  // The commands the page's process answers itself (IsAnsweredInPage); the
  // result is returned to the page as a number. arg1 is argument 1's string value.
  virtual int AnswerInPage(int command, const std::string& arg1) = 0;
  // Every other call: the copied list goes to the window; the page gets
  // undefined.
  virtual void SendToWindow(const CallArgs& args) = 0;
};

// How a page value looks to the copy (boolean, number, string or other).
PageArg ToPageArg(JSCValue* value);

// Defines app.jsInvokeCPlusPlus in ctx by evaluating the extension source
// with its native declaration bound to a native function that copies the
// arguments and hands them to sink (kept alive by the function). False
// when the source could not be evaluated (the reason is logged). Calling
// it again on the same global object only re-runs the source.
bool InstallBridge(JSCContext* ctx, std::shared_ptr<PageCallSink> sink);

// Sets each value on the global object as a plain property, in order.
void SetPageValues(JSCContext* ctx, const std::vector<PageValue>& values);

// Sets window.myobject: an object whose accessor property "myval" returns
// the stored string; assigning a string stores it, assigning anything else
// throws "Invalid value type".
void InstallMyObject(JSCContext* ctx);

}  // namespace orbo
