// Arbitrary parameter text through the drawing path: every record's transform and
// placement of a small picture, rendered in each quality into a small world, plus the
// zoom frames between two rectangles.  Wild sizes, angles and offsets must neither
// crash nor write outside the world.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/effect.hpp"
#include "image/render.hpp"
#include "image/transform.hpp"
#include "params/parser.hpp"
#include "params/readers.hpp"

using namespace velmora;
using namespace velmora::image;

namespace {

const Pixmap& picture() {
  static const Pixmap p = [] {
    Pixmap m;
    m.create({0, 0, 7, 5});
    for (std::int32_t y = 0; y < 5; ++y) {
      for (std::int32_t x = 0; x < 7; ++x) m.set(x, y, rgb(x * 30, y * 50, 0x80, x * 36));
    }
    return m;
  }();
  return p;
}

void draw_record(const params::Store& s) {
  DrawJob job;
  if (apply_transform(s, 7, 5, job) != kNoErr) return;
  Rect r;
  PixRect dest{0, 0, 64, 48};
  if (params::rect(s, "RECT", r)) dest = PixRect{r.left, r.top, r.right, r.bottom};
  apply_placement(s, dest, job);

  Pixmap world;
  world.create({-8, -6, 56, 42});
  for (Quality q : {Quality::nearest, Quality::bilinear, Quality::area}) {
    // As the drawing step does: the used part moved to (0, 0), then the job's matrix.
    const Matrix to_part =
        translate(identity(), to_fixed(-job.source.left), to_fixed(-job.source.top));
    RenderJob rj{job.source, concat(to_part, job.matrix), job.clip, q, job.mode, job.op_color};
    const PixRect touched = render(picture(), rj, RenderTarget::of(world));
    if (!touched.empty() && !world.bounds().contains(touched)) __builtin_trap();
  }
  Rect from;
  if (params::rect(s, "SRCRECT", from)) {
    const PixRect a{from.left, from.top, from.right, from.bottom};
    const int steps = params::integer(s, "STEP") & 0xFF;
    for (int i = 0; i <= steps; ++i) (void)zoom_frame(a, dest, i, steps == 0 ? 8 : steps, true);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  std::vector<char> scratch(text.size(), 0);
  params::Store store;
  store.prepare();
  store.parse_first(text.data(), scratch.data());
  int records = 0;
  do {
    draw_record(store);
  } while (++records < 8 && store.next_record());
  store.release();
  return 0;
}
