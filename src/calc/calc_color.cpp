// VeUtl_CalcColor: read a colour, query or replace components, invert, lighten, darken,
// and put a swatch of it on the clipboard.
#include <string_view>

#include "host/handlers.hpp"
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
std::uint16_t darker(std::uint16_t c) { return static_cast<std::uint16_t>(c >> 1); }

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

// The swatch is recorded in the host window's drawing port; without a window there is
// no picture to put on the clipboard.
Err put_swatch_on_clipboard(const RgbColor&, Point, bool /*raised*/) {
  if (platform::host_window() == 0) return kMemFull;
  return kNotImplemented;
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
