// The renderer: draws a decoded picture through a matrix into a pixel target, clipped,
// with a sampling quality and a transfer mode.
#pragma once
#include <cstdint>

#include "image/geometry.hpp"
#include "image/pixmap.hpp"

namespace velmora::image {

enum class Quality : std::uint8_t {
  nearest,   // one source pixel per target pixel
  bilinear,  // four neighbours weighted
  area,      // bilinear, and an average over the footprint when reducing by 2 or more
};

// The importer's quality level (MIN 0, LOW 256, NORMAL 512, HIGH 768, MAX 1023,
// LOSSLESS 1024) as a sampling choice: below NORMAL nearest, NORMAL bilinear, above it
// area-averaging.
Quality quality_from_level(std::int32_t level);

// Pixels with a row stride covering `bounds` in drawing coordinates: a pixmap, or the
// host window's surface seen through its origin.
struct RenderTarget {
  Pixel* pixels = nullptr;
  std::int32_t row_pixels = 0;
  PixRect bounds;

  static RenderTarget of(Pixmap& p) {
    return RenderTarget{p.empty() ? nullptr : p.row(0), p.width(), p.bounds()};
  }
};

struct RenderJob {
  PixRect source;  // the part of the picture drawn, in the picture's pixel coordinates
  Matrix matrix;   // picture pixel coordinates to drawing coordinates
  PixRect clip;    // in drawing coordinates
  Quality quality = Quality::bilinear;
  std::int32_t mode = 0;      // transfer mode number (transfer_modes.hpp)
  Pixel op_color = 0x808080;  // operand colour, 0x00RRGGBB
  // The picture's pixels carry transparency, premultiplied by their alpha
  // (premultiply()): they are laid over what the target shows.
  bool premultiplied = false;
  // The target keeps a transparency of its own (a world that starts transparent):
  // what is drawn adds to its alpha.  Otherwise the target is opaque and its alpha
  // byte is left as it is.
  bool target_alpha = false;
};

// Whether any pixel of the picture is less than opaque.
bool has_transparency(const Pixmap& picture);
// Multiplies every pixel's colour by its alpha, in place.
void premultiply(Pixmap& picture);
// Lays every (straight, not premultiplied) pixel over white: the world becomes opaque.
void flatten_onto_white(Pixmap& world);

// Draws `job.source` of `picture` into the target.  Answers the rectangle of target
// pixels written (empty when none): a matrix without an inverse, an empty part or a
// clip outside the target draws nothing.
PixRect render(const Pixmap& picture, const RenderJob& job, const RenderTarget& target);

}  // namespace velmora::image
