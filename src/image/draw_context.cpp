#include "image/draw_context.hpp"

#include <algorithm>
#include <cmath>

#include "params/readers.hpp"
#include "platform/ui.hpp"

namespace velmora::image {

namespace {

PixRect from_window(const platform::WindowRect& r, std::int32_t dh, std::int32_t dv) {
  return offset(PixRect{r.left, r.top, r.right, r.bottom}, dh, dv);
}

platform::WindowRect to_client(const PixRect& r, std::int32_t origin_h, std::int32_t origin_v) {
  const PixRect c = offset(r, -origin_h, -origin_v);
  return {c.left, c.top, c.right, c.bottom};
}

PixRect union_of(const PixRect& a, const PixRect& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

}  // namespace

bool open_window_port(WindowPort& out) {
  platform::WindowSurface surface;
  if (!platform::window_surface(surface)) return false;
  std::int32_t h = 0, v = 0;
  platform::window_origin(h, v);
  out.origin_h = h;
  out.origin_v = v;
  out.target.pixels = surface.pixels;
  out.target.row_pixels = surface.row_pixels;
  out.target.bounds = from_window(surface.client, h, v);
  platform::WindowRect rects[16];
  const int n = platform::window_visible_region(rects, 16);
  out.visible.clear();
  for (int i = 0; i < n; ++i) {
    const PixRect r = intersect(from_window(rects[i], h, v), out.target.bounds);
    if (!r.empty()) out.visible.push_back(r);
  }
  return true;
}

void WindowPort::invalidate(const PixRect& r) const {
  if (r.empty()) return;
  const platform::WindowRect c = to_client(r, origin_h, origin_v);
  platform::invalidate_window(&c);
}

void WindowPort::validate_all() const {
  platform::validate_window(nullptr);
}

bool read_destination(const params::Store& s, const WindowPort* port, PixRect& out) {
  Rect r;
  const bool given =
      params::rect(s, "DESTRECT", r) || params::rect(s, "RECT", r) || params::item_rect(s, 1, r);
  if (given) {
    out = PixRect{r.left, r.top, r.right, r.bottom};
  } else if (port != nullptr) {
    out = port->bounds();
    out.left = 0;
  } else {
    out = PixRect{};
  }
  const std::int32_t origin_h = port != nullptr ? port->origin_h : 0;
  if (!out.empty() && origin_h == 0 && params::boolean(s, "STATUSAREA", false)) {
    out = offset(out, kStatusAreaWidth, 0);
  }
  return given;
}

bool take_window_origin(DrawContext& ctx, const WindowPort& port) {
  ctx.origin_h = port.origin_h;
  ctx.origin_v = port.origin_v;
  ctx.origin_set = port.origin_h != 0 || port.origin_v != 0;
  return true;
}

void decode_box(const DrawJob& job, std::int32_t& min_width, std::int32_t& min_height) {
  // How long one picture pixel's edges become once drawn.
  const double sx = std::hypot(job.matrix.a / 65536.0, job.matrix.b / 65536.0);
  const double sy = std::hypot(job.matrix.c / 65536.0, job.matrix.d / 65536.0);
  const double w = std::ceil(job.natural.width() * sx);
  const double h = std::ceil(job.natural.height() * sy);
  if (w >= job.natural.width() || h >= job.natural.height()) {
    min_width = min_height = 0;
    return;
  }
  min_width = std::max(1, static_cast<std::int32_t>(w));
  min_height = std::max(1, static_cast<std::int32_t>(h));
}

Err draw_job(PictureSource& source, const DrawJob& job, const RenderTarget& target,
             const std::vector<PixRect>& clips, PixRect& touched, bool* transparent) {
  touched = PixRect{};
  if (intersect(job.clip, target.bounds).empty()) return kNoErr;
  std::int32_t box_w = 0, box_h = 0;
  decode_box(job, box_w, box_h);
  Pixmap picture;
  if (const Err err = source.decode(picture, box_w, box_h); err != kNoErr) return err;
  // Sampled premultiplied, so that the colours under transparent pixels never show.
  const bool alpha = has_transparency(picture);
  if (alpha) premultiply(picture);
  if (transparent != nullptr) *transparent = alpha;

  // The decoded pixels may be fewer than the natural size: map them back onto it, then
  // move the used part to (0, 0) where the job's matrix starts.
  const PixRect decoded = picture.bounds();
  const Matrix to_natural = rect_to_rect(decoded, job.natural);
  Matrix m = translate(to_natural, to_fixed(-job.source.left), to_fixed(-job.source.top));
  m = concat(m, job.matrix);

  RenderJob r;
  r.source = map_rect(rect_to_rect(job.natural, decoded), job.source);
  r.matrix = m;
  r.quality = quality_from_level(job.quality_level);
  r.mode = job.mode;
  r.op_color = job.op_color;
  r.premultiplied = alpha;
  r.target_alpha = job.target_alpha;
  if (clips.empty()) {
    r.clip = job.clip;
    touched = render(picture, r, target);
    return kNoErr;
  }
  for (const PixRect& c : clips) {
    r.clip = intersect(job.clip, c);
    if (!r.clip.empty()) touched = union_of(touched, render(picture, r, target));
  }
  return kNoErr;
}

}  // namespace velmora::image
