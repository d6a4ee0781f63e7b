#include "app/web/bridge_message.h"

#include <vector>

#include "base/utf.h"

namespace orbo {
namespace {

GVariant* EncodeArg(const std::optional<CallArg>& arg) {
  if (!arg) return g_variant_new_tuple(nullptr, 0);
  if (const bool* b = std::get_if<bool>(&*arg)) return g_variant_new_boolean(*b);
  if (const int32_t* i = std::get_if<int32_t>(&*arg)) return g_variant_new_int32(*i);
  if (const std::string* s = std::get_if<std::string>(&*arg)) {
    // GVariant strings must be valid UTF-8; page strings are, apart from
    // lone surrogates, which become U+FFFD.
    return g_variant_new_string(SanitizeUtf8(*s).c_str());
  }
  return g_variant_new_double(std::get<double>(*arg));
}

std::optional<CallArg> DecodeArg(GVariant* entry) {
  GVariant* inner = g_variant_is_of_type(entry, G_VARIANT_TYPE_VARIANT)
                        ? g_variant_get_variant(entry)
                        : g_variant_ref(entry);
  std::optional<CallArg> arg;
  if (g_variant_is_of_type(inner, G_VARIANT_TYPE_BOOLEAN)) {
    arg = static_cast<bool>(g_variant_get_boolean(inner));
  } else if (g_variant_is_of_type(inner, G_VARIANT_TYPE_INT32)) {
    arg = static_cast<int32_t>(g_variant_get_int32(inner));
  } else if (g_variant_is_of_type(inner, G_VARIANT_TYPE_STRING)) {
    arg = std::string(g_variant_get_string(inner, nullptr));
  } else if (g_variant_is_of_type(inner, G_VARIANT_TYPE_DOUBLE)) {
    arg = g_variant_get_double(inner);
  }
  g_variant_unref(inner);
  return arg;
}

}  // namespace

GVariant* EncodeCallArgs(const CallArgs& args) {
  std::vector<GVariant*> children;
  children.reserve(args.size());
  for (const auto& arg : args) children.push_back(g_variant_new_variant(EncodeArg(arg)));
  return g_variant_new_tuple(children.data(), children.size());
}

CallArgs DecodeCallArgs(GVariant* value) {
  CallArgs args;
  if (value == nullptr || !g_variant_is_of_type(value, G_VARIANT_TYPE_TUPLE)) return args;
  const gsize n = g_variant_n_children(value);
  for (gsize i = 0; i < n; ++i) {
    GVariant* entry = g_variant_get_child_value(value, i);
    args.push_back(DecodeArg(entry));
    g_variant_unref(entry);
  }
  return args;
}

GVariant* EncodeExtensionConfig(const ExtensionConfig& config) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a{sv}"));
  // A path is bytes, not necessarily UTF-8.
  g_variant_builder_add(&builder, "{sv}", "app-dir",
                        g_variant_new_bytestring(config.appDir.c_str()));
  g_variant_builder_add(&builder, "{sv}", "monitor-url",
                        g_variant_new_string(SanitizeUtf8(config.monitorUrl).c_str()));
  return g_variant_builder_end(&builder);
}

bool DecodeExtensionConfig(GVariant* value, ExtensionConfig* config) {
  if (value == nullptr || !g_variant_is_of_type(value, G_VARIANT_TYPE("a{sv}"))) return false;
  const gchar* app_dir = nullptr;
  if (!g_variant_lookup(value, "app-dir", "^&ay", &app_dir)) return false;
  config->appDir = app_dir;
  const gchar* monitor = nullptr;
  config->monitorUrl = g_variant_lookup(value, "monitor-url", "&s", &monitor) ? monitor : "";
  return true;
}

}  // namespace orbo
