// VeImg_DrawImage: pictures drawn into the host's document window, one per record,
// placed in the destination rectangle; optionally composed offscreen first and shown
// in one piece at the end.
#include <memory>
#include <new>

#include "host/handlers.hpp"
#include "image/draw_context.hpp"
#include "image/transfer_modes.hpp"
#include "params/readers.hpp"
#include "platform/ui.hpp"

namespace velmora::image {

namespace {

DrawContext* context_of(Call& call) {
  return static_cast<DrawContext*>(call.context);
}

// Writes `color` (0x00RRGGBB) over r, keeping each pixel's alpha byte.
void fill_rect(const RenderTarget& target, const PixRect& r, Pixel color) {
  const PixRect part = intersect(r, target.bounds);
  for (std::int32_t y = part.top; y < part.bottom; ++y) {
    Pixel* row =
        target.pixels + static_cast<std::ptrdiff_t>(y - target.bounds.top) * target.row_pixels;
    for (std::int32_t x = part.left; x < part.right; ++x) {
      Pixel& p = row[x - target.bounds.left];
      p = (p & 0xFF000000) | (color & 0x00FFFFFF);
    }
  }
}

// Copies the pixels of `from` inside r to `to` (both in drawing coordinates).
void copy_rect(const RenderTarget& from, const RenderTarget& to, const PixRect& r) {
  const PixRect part = intersect(intersect(r, from.bounds), to.bounds);
  for (std::int32_t y = part.top; y < part.bottom; ++y) {
    const Pixel* in = from.pixels +
                      static_cast<std::ptrdiff_t>(y - from.bounds.top) * from.row_pixels +
                      (part.left - from.bounds.left);
    Pixel* out = to.pixels + static_cast<std::ptrdiff_t>(y - to.bounds.top) * to.row_pixels +
                 (part.left - to.bounds.left);
    for (std::int32_t x = 0; x < part.width(); ++x) {
      out[x] = (out[x] & 0xFF000000) | (in[x] & 0x00FFFFFF);
    }
  }
}

// A world over `dest` holding what the window shows there.
Err create_window_world(DrawContext& ctx, const WindowPort& port, const PixRect& dest) {
  if (const Err err = ctx.offscreen.create(dest); err != kNoErr) return err;
  copy_rect(port.target, RenderTarget::of(ctx.offscreen), dest);
  return kNoErr;
}

// Shows the world in the window, within its visible parts, and disposes of it.
void flush_world(DrawContext& ctx) {
  if (ctx.offscreen.empty()) return;
  WindowPort port;
  if (open_window_port(port)) {
    const RenderTarget world = RenderTarget::of(ctx.offscreen);
    for (const PixRect& v : port.visible) copy_rect(world, port.target, v);
    port.invalidate(intersect(ctx.offscreen.bounds(), port.bounds()));
  }
  ctx.offscreen = Pixmap{};
}

// ERASE on the first record: a colour, or true for the background (white).  Answers
// whether it erased.
bool erase_first(const params::Store& s, const RenderTarget& target,
                 const std::vector<PixRect>& clips, const PixRect& dest) {
  if (!s.first_record() || !params::has(s, "ERASE")) return false;
  Pixel color = 0x00FFFFFF;
  RgbColor c;
  if (params::color(s, "ERASE", c)) {
    color = rgb(static_cast<std::uint8_t>(c.red >> 8), static_cast<std::uint8_t>(c.green >> 8),
                static_cast<std::uint8_t>(c.blue >> 8), 0);
  } else if (!params::boolean(s, "ERASE", false)) {
    return false;
  }
  if (clips.empty()) {
    fill_rect(target, dest, color);
    return true;
  }
  for (const PixRect& clip : clips) fill_rect(target, intersect(dest, clip), color);
  return true;
}

}  // namespace

Err draw_image_begin(Call& call) {
  auto* ctx = new (std::nothrow) DrawContext;
  if (ctx == nullptr) return kMemFull;
  call.context = ctx;
  WindowPort port;
  const bool window = open_window_port(port);
  if (window) take_window_origin(*ctx, port);
  ctx->rect_given = read_destination(call.params, window ? &port : nullptr, ctx->rect);
  if (!ctx->rect_given) return kParamErr;
  if (!window) return kNoDisplay;
  if (params::boolean(call.params, "OFFSCREEN", false)) {
    return create_window_world(*ctx, port, ctx->rect);
  }
  return kNoErr;
}

Err draw_image(Call& call) {
  DrawContext* ctx = context_of(call);
  if (ctx == nullptr) return kParamErr;
  const params::Store& s = call.params;

  PictureSource source;
  if (const Err err = source.open(s); err != kNoErr) return err;
  Description d;
  if (const Err err = source.describe(d); err != kNoErr) return err;

  DrawJob job;
  if (const Err err = apply_transform(s, d.bounds.width(), d.bounds.height(), job); err != kNoErr)
    return err;
  const PixRect dest = ctx->rect_given ? ctx->rect : ctx->offscreen.bounds();
  if (dest.empty()) return kParamErr;
  apply_placement(s, dest, job);

  WindowPort port;
  if (!open_window_port(port)) return kNoDisplay;
  if (!ctx->offscreen.empty() && !ctx->offscreen.bounds().contains(dest)) {
    flush_world(*ctx);
    if (const Err err = create_window_world(*ctx, port, dest); err != kNoErr) return err;
  }

  const bool offscreen = !ctx->offscreen.empty();
  const RenderTarget target = offscreen ? RenderTarget::of(ctx->offscreen) : port.target;
  const std::vector<PixRect> none;
  const std::vector<PixRect>& clips = offscreen ? none : port.visible;
  const bool erased = erase_first(s, target, clips, dest);

  PixRect touched;
  const Err err = draw_job(source, job, target, clips, touched);
  if (!offscreen) port.invalidate(erased ? intersect(dest, port.bounds()) : touched);
  return err;
}

Err draw_image_end(Call& call, Err code) {
  std::unique_ptr<DrawContext> ctx(context_of(call));
  call.context = nullptr;
  if (ctx == nullptr) return code;
  flush_world(*ctx);
  // Painted now: the host must not repaint over the picture.
  WindowPort port;
  PixRect last;
  if (open_window_port(port) && read_destination(call.params, &port, last)) port.validate_all();
  // A shown window repaints now rather than at the host's next turn of its loop.
  platform::pump_messages();
  return code;
}

}  // namespace velmora::image
