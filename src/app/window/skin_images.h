// SkinManager: the skin's images, loaded on first use from the skin
// directory and kept for the window's lifetime. An image that fails to load
// is remembered as missing and not tried again; its area stays unpainted.
#pragma once

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <filesystem>
#include <map>
#include <string>

namespace orbo {

class SkinImages {
 public:
  explicit SkinImages(std::filesystem::path skinDir) : dir_(std::move(skinDir)) {}
  ~SkinImages();
  SkinImages(const SkinImages&) = delete;
  SkinImages& operator=(const SkinImages&) = delete;

  // The image skinDir/name (name relative, "/" separated), or null when it
  // could not be loaded. Owned by this object.
  GdkPixbuf* Get(const std::string& name);

 private:
  const std::filesystem::path dir_;
  std::map<std::string, GdkPixbuf*> cache_;  // null: failed
};

// Loads an image or icon file (PNG, ICO, BMP); null when it cannot be read.
// The caller owns the result.
GdkPixbuf* LoadImageFile(const std::filesystem::path& path);
// An icon (or any image file) to show at most max_height pixels high: of an
// icon file the image that fits best (PickIconImage; icons that hold PNG
// images load too), scaled down when even the smallest is taller. A new
// reference, or null.
GdkPixbuf* LoadIconFile(const std::filesystem::path& path, int max_height);

struct SkinBox {
  double x = 0, y = 0, w = 0, h = 0;
};

// Paints the part src of image stretched over dest.
void PaintImagePart(cairo_t* cr, GdkPixbuf* image, SkinBox src, SkinBox dest);

// Paints rows [srcY, srcY + srcH) of a background image over dest in three
// slices: the image's left 50 pixels at the left, its right 50 at the
// right, and a 5-pixel column from x = 50 stretched over the rest.
void PaintThreeSlices(cairo_t* cr, GdkPixbuf* image, double srcY, double srcH, SkinBox dest);

}  // namespace orbo
