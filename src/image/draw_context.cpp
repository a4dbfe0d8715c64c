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

// The part of the picture (in its own pixels) that the job draws into `shown` (drawing
// coordinates), widened by what sampling reads around each pixel and by the blocks a
// reduced decode averages; empty when that is all of the picture, or nothing is shown.
PixRect part_shown(const DrawJob& job, const PixRect& shown) {
  if (shown.empty()) return {};
  const double a = job.matrix.a / 65536.0, b = job.matrix.b / 65536.0;
  const double c = job.matrix.c / 65536.0, d = job.matrix.d / 65536.0;
  const double tx = job.matrix.tx / 65536.0, ty = job.matrix.ty / 65536.0;
  const double det = a * d - b * c;
  if (!(std::fabs(det) > 1e-12)) return {};
  const double ia = d / det, ib = -b / det, ic = -c / det, id = a / det;
  double min_x = 0, max_x = 0, min_y = 0, max_y = 0;
  bool first = true;
  for (const double x : {static_cast<double>(shown.left), static_cast<double>(shown.right)}) {
    for (const double y : {static_cast<double>(shown.top), static_cast<double>(shown.bottom)}) {
      const double u = ia * (x - tx) + ic * (y - ty), v = ib * (x - tx) + id * (y - ty);
      min_x = first ? u : std::min(min_x, u);
      max_x = first ? u : std::max(max_x, u);
      min_y = first ? v : std::min(min_y, v);
      max_y = first ? v : std::max(max_y, v);
      first = false;
    }
  }
  // One target pixel covers this many picture pixels each way; a reduced decode's block
  // is no larger, and sampling reads one block beyond the pixel's own.
  const double margin_x = 2 * std::ceil(std::fabs(ia) + std::fabs(ic)) + 2;
  const double margin_y = 2 * std::ceil(std::fabs(ib) + std::fabs(id)) + 2;
  auto whole = [](double v) {
    return static_cast<std::int32_t>(std::clamp(v, -2147483647.0, 2147483647.0));
  };
  const PixRect used = intersect(job.source, job.natural);
  const PixRect part = intersect(PixRect{whole(std::floor(min_x - margin_x) + job.source.left),
                                         whole(std::floor(min_y - margin_y) + job.source.top),
                                         whole(std::ceil(max_x + margin_x) + job.source.left),
                                         whole(std::ceil(max_y + margin_y) + job.source.top)},
                                 used);
  if (part.empty() || part == job.natural) return {};
  return part;
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
  // Only the part of the picture that can show is decoded: a picture too large to hold
  // whole still draws where the target lets it be seen.
  PixRect shown = intersect(job.clip, target.bounds);
  if (!clips.empty()) {
    PixRect within;
    for (const PixRect& c : clips) within = union_of(within, intersect(shown, c));
    shown = within;
  }
  Pixmap picture;
  PixRect decoded;  // the whole picture at the decoded scale; `picture` may be a part of it
  if (const Err err = source.decode_part(part_shown(job, shown), box_w, box_h, picture, decoded);
      err != kNoErr)
    return err;
  // Sampled premultiplied, so that the colours under transparent pixels never show.
  const bool alpha = has_transparency(picture);
  if (alpha) premultiply(picture);
  if (transparent != nullptr) *transparent = alpha;

  // The decoded pixels may be fewer than the natural size: map them back onto it, then
  // move the used part to (0, 0) where the job's matrix starts.
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
