// Owning pointers for GLib reference-counted objects.
#pragma once

#include <glib-object.h>

#include <memory>

namespace orbo {

struct GObjectUnref {
  void operator()(gpointer object) const {
    if (object != nullptr) g_object_unref(object);
  }
};
// Owns one reference to a GObject.
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GVariantUnref {
  void operator()(GVariant* value) const {
    if (value != nullptr) g_variant_unref(value);
  }
};
// Owns one (non-floating) reference to a GVariant.
using GVariantPtr = std::unique_ptr<GVariant, GVariantUnref>;

struct GFree {
  void operator()(gpointer p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<gchar, GFree>;

}  // namespace orbo
