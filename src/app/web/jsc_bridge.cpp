#include "app/web/jsc_bridge.h"

#include "app/web/bridge_source.h"
#include "app/web/glib_ptr.h"
#include "base/logger.h"
#include "base/utf.h"

namespace orbo {
namespace {

constexpr char kNativeName[] = "jsInvokeCPlusPlus";
// Not writable, not enumerable, not configurable.
constexpr JSCValuePropertyFlags kNoFlags = static_cast<JSCValuePropertyFlags>(0);

// Logs and clears a pending exception; true when there was one.
bool TakeException(JSCContext* ctx, const char* what) {
  JSCException* exception = jsc_context_get_exception(ctx);
  if (exception == nullptr) return false;
  GCharPtr report(jsc_exception_report(exception));
  ORBO_LOG_ERROR("%s: %s", what, report ? report.get() : "(no report)");
  jsc_context_clear_exception(ctx);
  return true;
}

JSCValue* OnNativeCall(GPtrArray* args, gpointer user_data) {
  auto& sink = *static_cast<std::shared_ptr<PageCallSink>*>(user_data);
  std::vector<PageArg> page_args;
  page_args.reserve(args->len);
  for (guint i = 0; i < args->len; ++i) {
    page_args.push_back(ToPageArg(static_cast<JSCValue*>(g_ptr_array_index(args, i))));
  }
  const CallArgs copied = CopyCallArgs(page_args);
  JSCContext* ctx = jsc_context_get_current();
  if (std::optional<int> command = AnsweredInPage(copied)) {
    const int result = sink->AnswerInPage(*command, ArgText(copied, 1));
    return jsc_value_new_number(ctx, result);
  }
  sink->SendToWindow(copied);
  return jsc_value_new_undefined(ctx);
}

void DeleteSink(gpointer user_data) {
  delete static_cast<std::shared_ptr<PageCallSink>*>(user_data);
}

JSCValue* GetMyVal(gpointer user_data) {
  const auto* stored = static_cast<std::string*>(user_data);
  return jsc_value_new_string(jsc_context_get_current(), stored->c_str());
}

void SetMyVal(JSCValue* value, gpointer user_data) {
  if (!jsc_value_is_string(value)) {
    jsc_context_throw(jsc_context_get_current(), "Invalid value type");
    return;
  }
  GCharPtr text(jsc_value_to_string(value));
  *static_cast<std::string*>(user_data) = text ? text.get() : "";
}

void DeleteMyVal(gpointer user_data) {
  delete static_cast<std::string*>(user_data);
}

}  // namespace

PageArg ToPageArg(JSCValue* value) {
  PageArg arg;
  if (jsc_value_is_boolean(value)) {
    arg.type = PageArg::Type::kBoolean;
    arg.boolean = jsc_value_to_boolean(value);
  } else if (jsc_value_is_number(value)) {
    arg.type = PageArg::Type::kNumber;
    arg.number = jsc_value_to_double(value);
  } else if (jsc_value_is_string(value)) {
    arg.type = PageArg::Type::kString;
    GCharPtr text(jsc_value_to_string(value));
    arg.text = text ? text.get() : "";
  }
  return arg;
}

bool InstallBridge(JSCContext* ctx, std::shared_ptr<PageCallSink> sink) {
  GObjectPtr<JSCValue> global(jsc_context_get_global_object(ctx));
  const std::string holder_name(kNativeHolderName);
  if (!jsc_value_object_has_property(global.get(), holder_name.c_str())) {
    GObjectPtr<JSCValue> holder(jsc_value_new_object(ctx, nullptr, nullptr));
    GObjectPtr<JSCValue> native(jsc_value_new_function_variadic(
        ctx, kNativeName, G_CALLBACK(OnNativeCall),
        new std::shared_ptr<PageCallSink>(std::move(sink)), DeleteSink, JSC_TYPE_VALUE));
    // Neither the holder nor its function can be replaced, deleted or
    // enumerated by the page.
    jsc_value_object_define_property_data(holder.get(), kNativeName, kNoFlags, native.get());
    jsc_value_object_define_property_data(global.get(), holder_name.c_str(), kNoFlags,
                                          holder.get());
    if (TakeException(ctx, "defining the native bridge")) return false;
  }
  const std::string source =
      BindNativeDeclarations(kAppExtensionSource, kNativeHolderName, nullptr);
  GObjectPtr<JSCValue> result(
      jsc_context_evaluate_with_source_uri(ctx, source.c_str(), -1, kAppExtensionName, 1));
  return !TakeException(ctx, "running the bridge source");
}

void SetPageValues(JSCContext* ctx, const std::vector<PageValue>& values) {
  for (const PageValue& value : values) {
    GObjectPtr<JSCValue> js;
    if (const std::string* text = std::get_if<std::string>(&value.value)) {
      js.reset(jsc_value_new_string(ctx, SanitizeUtf8(*text).c_str()));
    } else {
      js.reset(jsc_value_new_number(ctx, std::get<int>(value.value)));
    }
    jsc_context_set_value(ctx, value.name.c_str(), js.get());
  }
}

void InstallMyObject(JSCContext* ctx) {
  GObjectPtr<JSCValue> object(jsc_value_new_object(ctx, nullptr, nullptr));
  jsc_value_object_define_property_accessor(
      object.get(), "myval",
      static_cast<JSCValuePropertyFlags>(JSC_VALUE_PROPERTY_CONFIGURABLE |
                                         JSC_VALUE_PROPERTY_ENUMERABLE),
      JSC_TYPE_VALUE, G_CALLBACK(GetMyVal), G_CALLBACK(SetMyVal), new std::string(), DeleteMyVal);
  jsc_context_set_value(ctx, "myobject", object.get());
}

}  // namespace orbo
