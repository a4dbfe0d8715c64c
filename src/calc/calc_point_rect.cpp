// VeUtl_CalcPoint and VeUtl_CalcRect: coordinate arithmetic for laying out pictures and
// buttons.  Keys are examined in a fixed order; the first query answers and ends.
#include <algorithm>
#include <array>
#include <string_view>

#include "host/handlers.hpp"
#include "params/builder.hpp"
#include "params/readers.hpp"

namespace velmora::calc {

namespace {

using params::Builder;

std::int16_t wrap16(std::int32_t v) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint32_t>(v)));
}

Err answer(const Builder& b) { return host::set_result(b.str()); }

// A query answers with the coordinate; a setter stores the value's low 16 bits.
// Answers true when the handler is done (the query was answered).
bool query_or_set(const params::Store& s, std::string_view key, std::int16_t& coordinate,
                  Err& code) {
  bool has_value = false;
  std::int32_t value = 0;
  if (!params::query_or_integer(s, key, has_value, value)) return false;
  if (!has_value) {
    code = answer(Builder().integer(coordinate));
    return true;
  }
  coordinate = wrap16(value);
  return false;
}

}  // namespace

Err calc_point(Call& call) {
  const params::Store& s = call.params;
  Point pt;
  if (!params::point(s, "POINT", pt) && !params::item_point(s, 1, pt)) return kParamErr;

  Err code = kNoErr;
  if (query_or_set(s, "H", pt.h, code)) return code;
  if (query_or_set(s, "V", pt.v, code)) return code;

  Rect area;
  if (params::rect(s, "INSIDE", area)) {
    const bool inside =
        area.left <= pt.h && pt.h < area.right && area.top <= pt.v && pt.v < area.bottom;
    return answer(Builder().boolean(inside));
  }
  Point delta;
  if (params::point(s, "ADD", delta)) {
    pt.h = wrap16(pt.h + delta.h);
    pt.v = wrap16(pt.v + delta.v);
  }
  if (params::point(s, "SUB", delta)) {
    pt.h = wrap16(pt.h - delta.h);
    pt.v = wrap16(pt.v - delta.v);
  }
  return answer(Builder().point(pt));
}

namespace {

// TOPLEFT / BOTTOMRIGHT: a query answers the corner; a setter moves it.  A setter whose
// value is not a point leaves the corner where it was.
bool corner(const params::Store& s, std::string_view key, std::int16_t& h, std::int16_t& v,
            Err& code) {
  bool has_value = false;
  Point p{v, h};
  if (!params::query_or_point(s, key, has_value, p)) return false;
  if (!has_value) {
    code = answer(Builder().integer(h).text(",").integer(v));
    return true;
  }
  h = p.h;
  v = p.v;
  return false;
}

// WIDTH / HEIGHT: a query answers the extent; a setter moves the far edge.
bool extent(const params::Store& s, std::string_view key, std::int16_t near_edge,
            std::int16_t& far_edge, Err& code) {
  bool has_value = false;
  std::int32_t value = 0;
  if (!params::query_or_integer(s, key, has_value, value)) return false;
  if (!has_value) {
    code = answer(Builder().integer(static_cast<std::int32_t>(far_edge) - near_edge));
    return true;
  }
  far_edge = wrap16(near_edge + value);
  return false;
}

void offset(Rect& r, std::int32_t dh, std::int32_t dv) {
  r.left = wrap16(r.left + dh);
  r.right = wrap16(r.right + dh);
  r.top = wrap16(r.top + dv);
  r.bottom = wrap16(r.bottom + dv);
}

void inset(Rect& r, std::int32_t dh, std::int32_t dv) {
  r.left = wrap16(r.left + dh);
  r.right = wrap16(r.right - dh);
  r.top = wrap16(r.top + dv);
  r.bottom = wrap16(r.bottom - dv);
}

}  // namespace

Err calc_rect(Call& call) {
  const params::Store& s = call.params;
  Rect r;
  if (!params::rect(s, "RECT", r) && !params::item_rect(s, 1, r)) return kParamErr;

  Err code = kNoErr;
  if (query_or_set(s, "LEFT", r.left, code)) return code;
  if (query_or_set(s, "TOP", r.top, code)) return code;
  if (query_or_set(s, "RIGHT", r.right, code)) return code;
  if (query_or_set(s, "BOTTOM", r.bottom, code)) return code;
  if (corner(s, "TOPLEFT", r.left, r.top, code)) return code;
  if (corner(s, "BOTTOMRIGHT", r.right, r.bottom, code)) return code;
  if (extent(s, "WIDTH", r.left, r.right, code)) return code;
  if (extent(s, "HEIGHT", r.top, r.bottom, code)) return code;

  Rect outer;
  if (params::rect(s, "INSIDE", outer)) {
    const bool inside = !is_empty(r) && r.left >= outer.left && r.right <= outer.right &&
                        r.top >= outer.top && r.bottom <= outer.bottom;
    return answer(Builder().boolean(inside));
  }

  if (!is_empty(r)) {
    Point delta;
    if (params::point(s, "OFFSET", delta)) offset(r, delta.h, delta.v);
    std::int32_t n = 0;
    if (params::point(s, "INSET", delta)) {
      inset(r, delta.h, delta.v);
    } else if (params::validated_integer(s, "INSET", n)) {
      inset(r, wrap16(n), wrap16(n));
    }
    Rect other;
    if (params::rect(s, "UNION", other)) {
      r = Rect{std::min(r.top, other.top), std::min(r.left, other.left),
               std::max(r.bottom, other.bottom), std::max(r.right, other.right)};
    }
    if (params::rect(s, "INTERSECT", other)) {
      r = Rect{std::max(r.top, other.top), std::max(r.left, other.left),
               std::min(r.bottom, other.bottom), std::min(r.right, other.right)};
    }
  }
  if (is_empty(r)) r = Rect{};
  return answer(Builder().rect(r));
}

}  // namespace velmora::calc
