// VeUtl_CalcColor: read a colour, query or replace components, invert, lighten, darken,
// and put a swatch of it on the clipboard.
#include <string_view>
#include <vector>

#include "host/handlers.hpp"
#include "image/clipboard_picture.hpp"
#include "image/pict.hpp"
#include "image/pixmap.hpp"
#include "params/builder.hpp"
#include "params/readers.hpp"
#include "platform/ui.hpp"

namespace velmora::calc {

namespace {

using params::Builder;

std::uint16_t clamp_component(std::int32_t v) {
  if (v > 255) return 65535;
  if (v < 0) return 0;
  return static_cast<std::uint16_t>(v * 257);
}

std::uint16_t lighter(std::uint16_t c) {
  return static_cast<std::uint16_t>((static_cast<std::uint32_t>(c) + 65535u) >> 1);
}
std::uint16_t darker(std::uint16_t c) {
  return static_cast<std::uint16_t>(c >> 1);
}

template <typename F>
void each(RgbColor& c, F f) {
  c.red = f(c.red);
  c.green = f(c.green);
  c.blue = f(c.blue);
}

// A query answers the component's high byte; a setter clamps to 0..255.
bool component(const params::Store& s, std::string_view key, std::uint16_t& value, Err& code) {
  bool has_value = false;
  std::int32_t n = 0;
  if (!params::query_or_integer(s, key, has_value, n)) return false;
  if (!has_value) {
    code = host::set_result(Builder().integer(value >> 8).str());
    return true;
  }
  value = clamp_component(n);
  return false;
}

image::Pixel pixel_of(const RgbColor& c) {
  return image::rgb(static_cast<std::uint8_t>(c.red >> 8), static_cast<std::uint8_t>(c.green >> 8),
                    static_cast<std::uint8_t>(c.blue >> 8));
}

// The swatch is drawn off screen, so nothing in the host's window changes; as recorded in
// the window's port it still needs a window, and without one there is no picture.
Err put_swatch_on_clipboard(const RgbColor& colour, Point size, bool raised) {
  if (platform::host_window() == 0) return kMemFull;
  const std::int32_t w = size.h;
  const std::int32_t h = size.v;
  if (w <= 0 || h <= 0) return kParamErr;
  if (std::int64_t{w} * h > image::kMaxClipboardPixels) return kMemFull;
  image::Pixmap swatch;
  if (swatch.create(image::PixRect{0, 0, w, h}, pixel_of(colour)) != kNoErr) return kMemFull;
  if (raised) {
    RgbColor dark = colour;
    RgbColor light = colour;
    each(dark, darker);
    each(light, lighter);
    swatch.fill({1, h - 1, w, h}, pixel_of(dark));   // bottom row, from x = 1
    swatch.fill({w - 1, 0, w, h}, pixel_of(dark));   // right column
    swatch.fill({0, 0, w - 1, 1}, pixel_of(light));  // top row, up to x = w - 2
    swatch.fill({0, 0, 1, h - 1}, pixel_of(light));  // left column, up to y = h - 2
  }
  std::vector<std::uint8_t> pict;
  if (image::write_pict(swatch, image::to_fixed(72), image::to_fixed(72), pict) != kNoErr)
    return kMemFull;
  return image::write_clipboard_picture(pict);
}

}  // namespace

Err calc_color(Call& call) {
  const params::Store& s = call.params;
  RgbColor c;
  if (!params::color(s, "COLOR", c) && !params::item_color(s, 1, c)) return kParamErr;

  Err code = kNoErr;
  if (component(s, "RED", c.red, code)) return code;
  if (component(s, "GREEN", c.green, code)) return code;
  if (component(s, "BLUE", c.blue, code)) return code;

  if (params::has(s, "INVERT")) each(c, [](std::uint16_t v) { return std::uint16_t(65535 - v); });
  if (params::has(s, "LIGHTEN")) each(c, lighter);
  if (params::has(s, "DARKEN")) each(c, darker);

  const bool raised = params::has(s, "SAMPLE3D");
  if (raised || params::has(s, "SAMPLE")) {
    Point size{16, 16};
    if (!params::point(s, "SAMPLE3D", size)) params::point(s, "SAMPLE", size);
    if (const Err e = put_swatch_on_clipboard(c, size, raised); e != kNoErr) return e;
  }
  return host::set_result(Builder().color(c).str());
}

}  // namespace velmora::calc
