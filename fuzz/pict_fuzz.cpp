// Arbitrary bytes through the picture reader, as a record and behind the header area.
// Describing and drawing must agree on the frame, a drawn picture must be as big as its
// frame says, and the bytes up to the end the picture's length names must draw it alike.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "image/pict.hpp"

namespace {

void check(std::span<const std::uint8_t> bytes) {
  using namespace velmora::image;
  Description desc;
  const auto described = describe_pict(bytes, desc);
  // Frames are drawn whole; beyond this size only the walk without drawing is fuzzed.
  if (described == 0 && std::int64_t{desc.bounds.width()} * desc.bounds.height() > (1 << 16))
    return;
  Pixmap world;
  const auto drawn = read_pict(bytes, world);
  if (drawn == 0) {
    if (described != 0 || world.bounds() != desc.bounds) std::abort();
    if (world.pixels().size() != static_cast<std::size_t>(desc.bounds.width()) *
                                     static_cast<std::size_t>(desc.bounds.height()))
      std::abort();
    std::size_t length = 0;
    if (pict_length(bytes, length)) {
      if (length > bytes.size()) std::abort();
      Pixmap front;
      if (read_pict(bytes.first(length), front) != 0 || front.pixels() != world.pixels())
        std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Keep frames small enough for the fuzzer's memory limit.
  if (size > 1 << 16) return 0;
  check({data, size});
  std::vector<std::uint8_t> file(velmora::image::kPictHeaderArea, 0);
  file.insert(file.end(), data, data + size);
  check(file);
  return 0;
}
