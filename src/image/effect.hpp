// The zoom effect's frames, drawn by inverting a checked pattern on the window.
#pragma once

#include "image/draw_context.hpp"

namespace velmora::image {

// Frame i of `steps` between two rectangles; with `accelerate` the progress is squared.
PixRect zoom_frame(const PixRect& from, const PixRect& to, int i, int steps, bool accelerate);
// Inverts the pattern's pixels along the frame's outline within the visible parts;
// drawing the same frame twice restores the window.
void xor_frame(const WindowPort& port, const PixRect& frame);

}  // namespace velmora::image
