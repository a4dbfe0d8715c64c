// The zoom effect's frames, drawn by inverting a checked pattern on the window.
#pragma once

#include <chrono>

#include "image/draw_context.hpp"

namespace velmora::image {

// Frame i of `steps` between two rectangles; with `accelerate` the progress is squared.
PixRect zoom_frame(const PixRect& from, const PixRect& to, int i, int steps, bool accelerate);
// Inverts the pattern's pixels along the frame's outline within the visible parts;
// drawing the same frame twice restores the window.
void xor_frame(const WindowPort& port, const PixRect& frame);
// How long each of `frames` frames stays shown for a delay of `delay_ticks` (1/60 s): the
// delay asked for, shortened so that the whole effect never holds the host longer than
// kMaxEffectTime.
inline constexpr std::chrono::milliseconds kMaxEffectTime{10000};
std::chrono::microseconds frame_wait(int frames, int delay_ticks);

}  // namespace velmora::image
