#include "app/window/skin_images.h"

#include <gdk/gdk.h>

#include <algorithm>

#include "base/file_util.h"
#include "base/logger.h"
#include "formats/branding/icon_files.h"

namespace orbo {

SkinImages::~SkinImages() {
  for (auto& [name, image] : cache_) {
    if (image != nullptr) g_object_unref(image);
  }
}

GdkPixbuf* SkinImages::Get(const std::string& name) {
  auto it = cache_.find(name);
  if (it != cache_.end()) return it->second;
  GdkPixbuf* image = LoadImageFile(dir_ / name);
  if (image == nullptr) ORBO_LOG_WARN("skin image %s missing", name.c_str());
  cache_[name] = image;
  return image;
}

GdkPixbuf* LoadImageFile(const std::filesystem::path& path) {
  GError* error = nullptr;
  GdkPixbuf* image = gdk_pixbuf_new_from_file(path.c_str(), &error);
  if (error != nullptr) g_error_free(error);
  return image;
}

GdkPixbuf* LoadIconFile(const std::filesystem::path& path, int max_height) {
  std::string bytes, image;
  GdkPixbuf* pixbuf = nullptr;
  if (ReadFileBytes(path, &bytes, size_t{4} << 20) &&
      PickIconImage(bytes, static_cast<size_t>(max_height), &image)) {
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    if (gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(image.data()), image.size(),
                                nullptr) &&
        gdk_pixbuf_loader_close(loader, nullptr)) {
      pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
      if (pixbuf != nullptr) g_object_ref(pixbuf);
    } else {
      gdk_pixbuf_loader_close(loader, nullptr);
    }
    g_object_unref(loader);
  }
  if (pixbuf == nullptr) pixbuf = LoadImageFile(path);
  if (pixbuf == nullptr || max_height <= 0 || gdk_pixbuf_get_height(pixbuf) <= max_height)
    return pixbuf;
  const int width =
      std::max(1, gdk_pixbuf_get_width(pixbuf) * max_height / gdk_pixbuf_get_height(pixbuf));
  GdkPixbuf* scaled = gdk_pixbuf_scale_simple(pixbuf, width, max_height, GDK_INTERP_BILINEAR);
  g_object_unref(pixbuf);
  return scaled;
}

void PaintImagePart(cairo_t* cr, GdkPixbuf* image, SkinBox src, SkinBox dest) {
  if (image == nullptr || src.w <= 0 || src.h <= 0 || dest.w <= 0 || dest.h <= 0) return;
  cairo_save(cr);
  cairo_rectangle(cr, dest.x, dest.y, dest.w, dest.h);
  cairo_clip(cr);
  cairo_translate(cr, dest.x, dest.y);
  cairo_scale(cr, dest.w / src.w, dest.h / src.h);
  gdk_cairo_set_source_pixbuf(cr, image, -src.x, -src.y);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_paint(cr);
  cairo_restore(cr);
}

void PaintThreeSlices(cairo_t* cr, GdkPixbuf* image, double srcY, double srcH, SkinBox dest) {
  if (image == nullptr) return;
  const double iw = gdk_pixbuf_get_width(image);
  const double side = std::min(50.0, std::min(iw / 2, dest.w / 2));
  PaintImagePart(cr, image, {0, srcY, side, srcH}, {dest.x, dest.y, side, dest.h});
  PaintImagePart(cr, image, {iw - side, srcY, side, srcH},
                 {dest.x + dest.w - side, dest.y, side, dest.h});
  const double column = std::min(5.0, iw - side);
  PaintImagePart(cr, image, {side, srcY, column, srcH},
                 {dest.x + side, dest.y, dest.w - 2 * side, dest.h});
}

}  // namespace orbo
