// Per-picture transform (trim, quality, transfer mode, size, flip, rotation) and its
// placement in the destination (display modes, anchors, offset and scroll), both as
// changes to one drawing job.
#pragma once
#include <cstdint>
#include <string_view>

#include "host/errors.hpp"
#include "image/geometry.hpp"
#include "image/render.hpp"
#include "params/parser.hpp"

namespace velmora::image {

// How one picture is drawn.  The matrix maps the used part of the picture, with that
// part's top-left corner at (0, 0), into drawing coordinates.
struct DrawJob {
  PixRect natural;  // the whole picture: (0, 0, width, height)
  PixRect source;   // the part used (TRIMRECT), in the picture's coordinates
  Matrix matrix;
  PixRect clip;
  std::int32_t quality_level = 512;  // the importer's quality number
  std::int32_t mode = 0;             // transfer mode number
  Pixel op_color = 0x808080;         // 0x00RRGGBB
  bool target_alpha = false;         // drawn into a world that keeps its transparency
};

inline constexpr std::string_view kQualityKeywords = "MIN,LOW,NORMAL,HIGH,MAX,LOSSLESS";
inline constexpr std::int32_t kQualityLevels[] = {0, 256, 512, 768, 1023, 1024};
inline constexpr std::string_view kDisplayModeKeywords =
    "ScaleToFit,ShrinkToFit,EnlargeToFit,Fill,FULLSCREEN,ANCHORED";
inline constexpr std::string_view kAnchorKeywords =
    "TOPLEFT,TOPRIGHT,BOTTOMLEFT,BOTTOMRIGHT,CENTER";

// Keyword positions of DISPLAYMODE; 0 (absent or unmatched) places like ANCHORED.
enum class DisplayMode {
  anchored_default = 0,
  scale_to_fit = 1,
  shrink_to_fit = 2,
  enlarge_to_fit = 3,
  fill = 4,
  fullscreen = 5,
  anchored = 6,
};
// Keyword positions of ANCHOR; 0 (absent or unmatched) is the centre.
enum class Anchor {
  center_default = 0,
  top_left = 1,
  top_right = 2,
  bottom_left = 3,
  bottom_right = 4,
  center = 5,
};

// TRIMRECT, QUALITY, GRAPHICSMODE/OPCOLOR, WIDTH/HEIGHT, FLIP and ROTATE of the record
// applied to a job over a picture of the given natural size.  -50 when TRIMRECT misses
// the picture.
Err apply_transform(const params::Store& s, std::int32_t width, std::int32_t height, DrawJob& job);

// DISPLAYMODE, ANCHOR, OFFSET and SCROLL: fits or anchors the job's picture in `dest`,
// which also becomes the clip.
void apply_placement(const params::Store& s, const PixRect& dest, DrawJob& job);

// ---- the pieces, for reuse and tests ---------------------------------------------

// The scale of a fitting mode for the ratios sx = D.width/S.width, sy = D.height/S.height.
Fixed fit_scale(DisplayMode mode, Fixed sx, Fixed sy);
// The matrix after fitting the picture's mapped bounds `s` into `d` by `mode`.
Matrix place(const Matrix& m, const PixRect& s, const PixRect& d, DisplayMode mode, Anchor anchor,
             Fixed extra_dx, Fixed extra_dy);
// The ROTATE value in degrees, 0..359 (RIGHT 90, LEFT 270); 0 when absent.
std::int32_t rotation_degrees(const params::Store& s);

// The matrix moved (by less than a pixel each way) so that the top-left corner of a
// width x height picture mapped through it lands on a whole pixel.
Matrix snap_to_pixels(const Matrix& m, std::int32_t width, std::int32_t height);
// The part of a picture mapped by the job's matrix: where it lands, before clipping.
PixRect placed_bounds(const DrawJob& job);

}  // namespace velmora::image
