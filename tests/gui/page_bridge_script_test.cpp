// The page side of the bridge in a plain JavaScriptCore context: the
// extension source with its native declaration bound, the argument copy,
// the page values and myobject.
#include <gtest/gtest.h>
#include <jsc/jsc.h>

#include <memory>
#include <string>
#include <vector>

#include "app/web/bridge_source.h"
#include "app/web/glib_ptr.h"
#include "app/web/jsc_bridge.h"

namespace orbo {
namespace {

class RecordingSink : public PageCallSink {
 public:
  int AnswerInPage(int command, const std::string& arg1) override {
    answered.emplace_back(command, arg1);
    return command == 23 ? 1 : 42;
  }
  void SendToWindow(const CallArgs& args) override { sent.push_back(args); }

  std::vector<std::pair<int, std::string>> answered;
  std::vector<CallArgs> sent;
};

class PageScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_.reset(jsc_context_new());
    sink_ = std::make_shared<RecordingSink>();
    ASSERT_TRUE(InstallBridge(ctx_.get(), sink_));
  }

  // Evaluates code; the result as JSON text ("undefined" for undefined),
  // or "throws: <message>".
  std::string Eval(const std::string& code) {
    GObjectPtr<JSCValue> value(jsc_context_evaluate(ctx_.get(), code.c_str(), -1));
    if (JSCException* exception = jsc_context_get_exception(ctx_.get())) {
      std::string message = std::string("throws: ") + jsc_exception_get_message(exception);
      jsc_context_clear_exception(ctx_.get());
      return message;
    }
    if (jsc_value_is_undefined(value.get())) return "undefined";
    GCharPtr json(jsc_value_to_json(value.get(), 0));
    return json ? json.get() : "";
  }

  GObjectPtr<JSCContext> ctx_;
  std::shared_ptr<RecordingSink> sink_;
};

TEST(NativeDeclarationTest, ShippedSourceGetsItsNativeBound) {
  std::vector<std::string> names;
  const std::string bound = BindNativeDeclarations(kAppExtensionSource, "H", &names);
  EXPECT_EQ(names, std::vector<std::string>{"jsInvokeCPlusPlus"});
  EXPECT_EQ(bound.find("native function"), std::string::npos);
  // Only the declaration changes; the rest of the source stays as shipped.
  EXPECT_EQ(bound,
            "var app;if (!app)  app = {};(function() {  app.jsInvokeCPlusPlus = function(v1, v2) "
            "{    var jsInvokeCPlusPlus = H.jsInvokeCPlusPlus;    return jsInvokeCPlusPlus(v1, v2);"
            "  };})();");
}

TEST(NativeDeclarationTest, OnlyWellFormedDeclarationsAreRewritten) {
  std::vector<std::string> names;
  EXPECT_EQ(BindNativeDeclarations("native  function\tf ( );native function g();", "H", &names),
            "var f = H.f;var g = H.g;");
  EXPECT_EQ(names, (std::vector<std::string>{"f", "g"}));
  // Not declarations: missing semicolon, arguments, an identifier ending in
  // "native", a string that merely mentions the words.
  for (const char* text : {"native function f()", "native function f(a);", "xnative function f();",
                           "native function ();"}) {
    EXPECT_EQ(BindNativeDeclarations(text, "H", nullptr), text) << text;
  }
}

TEST_F(PageScriptTest, CommandsAnsweredInThePageReturnTheirNumber) {
  EXPECT_EQ(Eval("app.jsInvokeCPlusPlus('23', '')"), "1");
  EXPECT_EQ(Eval("app.jsInvokeCPlusPlus(' +24xyz', '{\"a\":1}')"), "42");
  // Answered with only v1 as well: the list then has one entry.
  EXPECT_EQ(Eval("app.jsInvokeCPlusPlus('23')"), "1");
  ASSERT_EQ(sink_->answered.size(), 3u);
  EXPECT_EQ(sink_->answered[1], std::make_pair(24, std::string("{\"a\":1}")));
  EXPECT_TRUE(sink_->sent.empty());
  // A number 23 is not a string: command 0, sent to the window.
  EXPECT_EQ(Eval("app.jsInvokeCPlusPlus(23, '')"), "undefined");
  EXPECT_EQ(sink_->sent.size(), 1u);
}

TEST_F(PageScriptTest, OtherCallsGoToTheWindowWithTheirTypes) {
  EXPECT_EQ(Eval("app.jsInvokeCPlusPlus('11', 'USB:Download')"), "undefined");
  EXPECT_EQ(Eval("app.jsInvokeCPlusPlus(7, 2.5)"), "undefined");
  EXPECT_EQ(Eval("app.jsInvokeCPlusPlus(true, -0)"), "undefined");
  EXPECT_EQ(Eval("app.jsInvokeCPlusPlus('5')"), "undefined");
  EXPECT_EQ(Eval("app.jsInvokeCPlusPlus(null, 'x')"), "undefined");
  EXPECT_EQ(Eval("app.jsInvokeCPlusPlus({}, [])"), "undefined");
  ASSERT_EQ(sink_->sent.size(), 6u);
  EXPECT_EQ(sink_->sent[0], (CallArgs{std::string("11"), std::string("USB:Download")}));
  EXPECT_EQ(sink_->sent[1], (CallArgs{int32_t{7}, 2.5}));
  EXPECT_EQ(sink_->sent[2], (CallArgs{true, -0.0}));
  EXPECT_EQ(sink_->sent[3], (CallArgs{std::string("5")}));  // v2 undefined: one entry
  EXPECT_EQ(sink_->sent[4], (CallArgs{std::nullopt, std::string("x")}));
  EXPECT_TRUE(sink_->sent[5].empty());
}

TEST_F(PageScriptTest, PageCannotReachOrReplaceTheNativeFunction) {
  EXPECT_EQ(Eval("Object.keys(this).indexOf('__orboNative')"), "-1");
  Eval("__orboNative.jsInvokeCPlusPlus = function() { return 'hijacked'; }");
  Eval("__orboNative = {}");
  Eval("delete __orboNative");
  EXPECT_EQ(Eval("app.jsInvokeCPlusPlus('23', '')"), "1");
  // Installing again on the same global only re-runs the source.
  EXPECT_TRUE(InstallBridge(ctx_.get(), sink_));
  EXPECT_EQ(Eval("app.jsInvokeCPlusPlus('23', '')"), "1");
}

TEST_F(PageScriptTest, MyObjectStoresStringsAndRefusesOtherValues) {
  InstallMyObject(ctx_.get());
  EXPECT_EQ(Eval("myobject.myval"), "\"\"");
  EXPECT_EQ(Eval("myobject.myval = 'abc'; myobject.myval"), "\"abc\"");
  EXPECT_EQ(Eval("myobject.myval = 5"), "throws: Invalid value type");
  EXPECT_EQ(Eval("myobject.myval = undefined"), "throws: Invalid value type");
  EXPECT_EQ(Eval("myobject.myval"), "\"abc\"");
}

TEST_F(PageScriptTest, PageValuesAreSetInOrderWithTheirTypes) {
  AppSettings settings;
  settings.lang = "zh";
  settings.oem = 1;
  settings.mode = 2;
  settings.first = 1;
  settings.rep = "box";
  settings.timeZoneName = "CET";
  settings.virCom = "COM7";
  const std::string servers = std::string("China") + '\x02' + "Europe";
  SetPageValues(ctx_.get(), BuildPageValues(settings, servers, "Europe", "2.3.4"));
  EXPECT_EQ(Eval("[jsValue, CurrentAppLang, nOem, nAppMode, nFirst, nRep, nTimeZone, "
                 "szServerList, curserver, CurVirCom, CurSoftVer]"),
            "[\"C++ created Value!\",\"zh\",1,2,1,\"box\",\"CET\",\"China\\u0002Europe\","
            "\"Europe\",\"COM7: Virtual Serial Port\",\"2.3.4\"]");
  EXPECT_EQ(Eval("Object.keys(this).filter(k => k[0] === 'n').join()"),
            "\"nOem,nAppMode,nFirst,nRep,nTimeZone\"");

  // No COM name: nothing to announce.
  settings.virCom.clear();
  SetPageValues(ctx_.get(), BuildPageValues(settings, servers, "China", "0.1.0"));
  EXPECT_EQ(Eval("CurVirCom"), "\"\"");
}

}  // namespace
}  // namespace orbo
