// orbo-skingen NAME OUT: draws one image of the tool's default skin (the
// caption background, the caption buttons' three-state strips, the program
// icon) with cairo and writes it to OUT. PNG, or BMP for the frame's own
// buttons, whose skin files are bitmaps. Build-time helper; does not ship.
#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

namespace {

constexpr int kCell = 20;  // one button state: 20 x 22
constexpr int kCellHeight = 22;
constexpr double kCaptionTop[3] = {0.16, 0.33, 0.52};     // caption gradient, top
constexpr double kCaptionBottom[3] = {0.09, 0.22, 0.36};  // and bottom (48 px)

using Glyph = std::function<void(cairo_t*)>;

void Rgb(cairo_t* cr, const double c[3], double alpha = 1.0) {
  cairo_set_source_rgba(cr, c[0], c[1], c[2], alpha);
}

// The caption background: a 48-pixel gradient band over a solid body that
// the frame also uses for its side and bottom borders.
void DrawBackground(cairo_t* cr, int w, int h) {
  cairo_pattern_t* band = cairo_pattern_create_linear(0, 0, 0, 48);
  cairo_pattern_add_color_stop_rgb(band, 0, kCaptionTop[0], kCaptionTop[1], kCaptionTop[2]);
  cairo_pattern_add_color_stop_rgb(band, 1, kCaptionBottom[0], kCaptionBottom[1],
                                   kCaptionBottom[2]);
  cairo_set_source(cr, band);
  cairo_rectangle(cr, 0, 0, w, 48);
  cairo_fill(cr);
  cairo_pattern_destroy(band);
  Rgb(cr, kCaptionBottom);
  cairo_rectangle(cr, 0, 48, w, h - 48);
  cairo_fill(cr);
  // A thin light line under the caption.
  cairo_set_source_rgba(cr, 1, 1, 1, 0.18);
  cairo_rectangle(cr, 0, 47, w, 1);
  cairo_fill(cr);
}

// A strip of three states (normal, hover, pressed) left to right. opaque:
// painted on the caption colour (bitmaps have no transparency).
void DrawStrip(cairo_t* cr, bool opaque, const Glyph& glyph) {
  for (int state = 0; state < 3; ++state) {
    cairo_save(cr);
    cairo_translate(cr, state * kCell, 0);
    cairo_rectangle(cr, 0, 0, kCell, kCellHeight);
    cairo_clip(cr);
    if (opaque) {
      const double mid[3] = {(kCaptionTop[0] + kCaptionBottom[0]) / 2,
                             (kCaptionTop[1] + kCaptionBottom[1]) / 2,
                             (kCaptionTop[2] + kCaptionBottom[2]) / 2};
      Rgb(cr, mid);
      cairo_paint(cr);
    }
    if (state > 0) {
      cairo_set_source_rgba(cr, state == 1 ? 1 : 0, state == 1 ? 1 : 0, state == 1 ? 1 : 0,
                            state == 1 ? 0.22 : 0.35);
      cairo_rectangle(cr, 1, 1, kCell - 2, kCellHeight - 2);
      cairo_fill(cr);
    }
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_set_line_width(cr, 1.6);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    if (state == 2) cairo_translate(cr, 0.5, 0.5);  // pressed: the glyph sinks a little
    glyph(cr);
    cairo_restore(cr);
  }
}

void Minimise(cairo_t* cr) {
  cairo_move_to(cr, 5, 15.5);
  cairo_line_to(cr, 15, 15.5);
  cairo_stroke(cr);
}
void Maximise(cairo_t* cr) {
  cairo_rectangle(cr, 5.5, 6.5, 9, 9);
  cairo_stroke(cr);
}
void Close(cairo_t* cr) {
  cairo_move_to(cr, 5.5, 6.5);
  cairo_line_to(cr, 14.5, 15.5);
  cairo_move_to(cr, 14.5, 6.5);
  cairo_line_to(cr, 5.5, 15.5);
  cairo_stroke(cr);
}
void Monitor(cairo_t* cr) {  // a screen on a stand
  cairo_rectangle(cr, 3.5, 4.5, 13, 9);
  cairo_stroke(cr);
  cairo_move_to(cr, 10, 13.5);
  cairo_line_to(cr, 10, 17);
  cairo_move_to(cr, 6.5, 17.5);
  cairo_line_to(cr, 13.5, 17.5);
  cairo_stroke(cr);
}
void Setup(cairo_t* cr) {  // a cog
  const double cx = 10, cy = 11;
  for (int i = 0; i < 8; ++i) {
    const double a = i * M_PI / 4;
    cairo_move_to(cr, cx + 4.5 * std::cos(a), cy + 4.5 * std::sin(a));
    cairo_line_to(cr, cx + 7 * std::cos(a), cy + 7 * std::sin(a));
  }
  cairo_stroke(cr);
  cairo_arc(cr, cx, cy, 4.5, 0, 2 * M_PI);
  cairo_stroke(cr);
  cairo_arc(cr, cx, cy, 1.6, 0, 2 * M_PI);
  cairo_fill(cr);
}
void Config(cairo_t* cr) {  // three sliders
  for (int i = 0; i < 3; ++i) {
    const double y = 6.5 + i * 4.5;
    cairo_move_to(cr, 4, y);
    cairo_line_to(cr, 16, y);
    cairo_stroke(cr);
    cairo_arc(cr, i == 1 ? 13 : 7, y, 1.8, 0, 2 * M_PI);
    cairo_fill(cr);
  }
}
void About(cairo_t* cr) {  // an "i" in a ring
  cairo_arc(cr, 10, 11, 7, 0, 2 * M_PI);
  cairo_stroke(cr);
  cairo_arc(cr, 10, 7.5, 1.1, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_move_to(cr, 10, 10);
  cairo_line_to(cr, 10, 15);
  cairo_stroke(cr);
}

// The program icon: an orange rounded square with a white ring.
void DrawIcon(cairo_t* cr, int size) {
  const double r = size * 0.2, s = size;
  cairo_new_sub_path(cr);
  cairo_arc(cr, s - r, r, r, -M_PI / 2, 0);
  cairo_arc(cr, s - r, s - r, r, 0, M_PI / 2);
  cairo_arc(cr, r, s - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, r, r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, 0.95, 0.52, 0.12);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_set_line_width(cr, s * 0.14);
  cairo_arc(cr, s / 2, s / 2, s * 0.27, 0, 2 * M_PI);
  cairo_stroke(cr);
}

bool Write(cairo_surface_t* surface, const std::string& out, bool bmp) {
  if (!bmp) return cairo_surface_write_to_png(surface, out.c_str()) == CAIRO_STATUS_SUCCESS;
  const int w = cairo_image_surface_get_width(surface);
  const int h = cairo_image_surface_get_height(surface);
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h);
  cairo_surface_flush(surface);
  const unsigned char* src = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  unsigned char* dst = gdk_pixbuf_get_pixels(pixbuf);
  const int row = gdk_pixbuf_get_rowstride(pixbuf);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const unsigned char* p = src + y * stride + x * 4;  // opaque ARGB32, little-endian BGRA
      unsigned char* q = dst + y * row + x * 3;
      q[0] = p[2];
      q[1] = p[1];
      q[2] = p[0];
    }
  }
  GError* error = nullptr;
  const bool ok = gdk_pixbuf_save(pixbuf, out.c_str(), "bmp", &error, nullptr);
  if (!ok) std::fprintf(stderr, "orbo-skingen: %s\n", error != nullptr ? error->message : "");
  if (error != nullptr) g_error_free(error);
  g_object_unref(pixbuf);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: orbo-skingen NAME OUT\n");
    return 2;
  }
  const std::string name = argv[1];
  const std::string out = argv[2];
  struct Strip {
    const char* name;
    Glyph glyph;
    bool bmp;
  } strips[] = {
      {"monitor.png", Monitor, false},
      {"set.png", Setup, false},
      {"config.png", Config, false},
      {"about.png", About, false},
      {"dialog/dlg_minimize_button.bmp", Minimise, true},
      {"dialog/dlg_maxmize_button.bmp", Maximise, true},
      {"dialog/dlg_close_btn.bmp", Close, true},
  };
  cairo_surface_t* surface = nullptr;
  bool bmp = false;
  for (const Strip& s : strips) {
    if (name != s.name) continue;
    surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 3 * kCell, kCellHeight);
    cairo_t* cr = cairo_create(surface);
    DrawStrip(cr, s.bmp, s.glyph);
    cairo_destroy(cr);
    bmp = s.bmp;
  }
  if (name == "dialog/DialogBkg.png" || name == "orbo.png") {
    const bool icon = name == "orbo.png";
    surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, icon ? 32 : 120, icon ? 32 : 120);
    cairo_t* cr = cairo_create(surface);
    if (icon) {
      DrawIcon(cr, 32);
    } else {
      DrawBackground(cr, 120, 120);
    }
    cairo_destroy(cr);
  }
  if (surface == nullptr) {
    std::fprintf(stderr, "orbo-skingen: no image named %s\n", name.c_str());
    return 2;
  }
  const bool ok = Write(surface, out, bmp);
  cairo_surface_destroy(surface);
  return ok ? 0 : 1;
}
