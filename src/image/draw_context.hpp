// The state of one draw, grab or save call from its begin phase to its end phase, the
// destination rectangle every record is placed in, and the host window seen as a
// drawing target.
#pragma once
#include <cstdint>
#include <vector>

#include "host/errors.hpp"
#include "image/picture_source.hpp"
#include "image/pixmap.hpp"
#include "image/render.hpp"
#include "image/transform.hpp"
#include "params/parser.hpp"

namespace velmora::image {

// Moves the destination clear of the host's status area.
inline constexpr std::int32_t kStatusAreaWidth = 69;

struct DrawContext {
  Pixmap offscreen;  // the world drawn into; empty: none (draws go to the window)
  bool grab = false;
  bool rect_given = false;
  PixRect rect;          // the destination, in drawing coordinates
  PictureSource source;  // opened early by a grab's begin phase
  bool source_open = false;
  bool origin_set = false;  // the window's origin is not (0, 0)
  std::int32_t origin_h = 0;
  std::int32_t origin_v = 0;
};

// The host's document window in drawing coordinates (client pixels shifted by the
// window's origin) with its visible parts.
struct WindowPort {
  RenderTarget target;
  std::int32_t origin_h = 0;
  std::int32_t origin_v = 0;
  std::vector<PixRect> visible;  // drawing coordinates

  // Client rectangle in drawing coordinates.
  const PixRect& bounds() const { return target.bounds; }
  // Marks a part (drawing coordinates) as needing a repaint.
  void invalidate(const PixRect& r) const;
  // Marks the whole client as painted.
  void validate_all() const;
};
// False when the host shows no document window.
bool open_window_port(WindowPort& out);

// The record's destination rectangle: DESTRECT, else RECT, else a positional rectangle
// (each only when not empty), moved right by the status area when STATUSAREA is true and
// the origin's h is 0.  Answers whether one was given.  Without one, `out` is the window
// port's rectangle with its left at 0 (shifted the same way), or empty without a window.
bool read_destination(const params::Store& s, const WindowPort* port, PixRect& out);

// Reads the window's origin into the context; false without a window.
bool take_window_origin(DrawContext& ctx, const WindowPort& port);

// Decodes the picture at the size it will be drawn (JPEG reduces in the DCT domain) and
// renders it by the job into the target, clipped to each of `clips` (none: the job's
// clip alone).  `touched` receives the bounds of what was written; `transparent`, when
// given, whether the picture had transparent parts (laid over what lies beneath).
Err draw_job(PictureSource& source, const DrawJob& job, const RenderTarget& target,
             const std::vector<PixRect>& clips, PixRect& touched, bool* transparent = nullptr);

// The 32-bit wrapping sum of the window's pixels in `area` as colour references
// (0x00BBGGRR); a pixel outside the visible parts counts 0xFFFFFFFF.
std::uint32_t area_checksum(const WindowPort& port, const PixRect& area);

// The size a picture of natural size w x h needs to be decoded at for the job's matrix:
// the box of a reduced decode, or (0, 0) for the full size.
void decode_box(const DrawJob& job, std::int32_t& min_width, std::int32_t& min_height);

}  // namespace velmora::image
