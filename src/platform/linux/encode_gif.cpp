// GIF through giflib into memory: one frame, at most 256 colours (2^depth for the
// indexed depths, grey levels for the grey depths).
#include <gif_lib.h>

#include <new>

#include "platform/linux/encoder_backends.hpp"

namespace velmora::platform::encoders {

namespace {

int write_func(GifFileType* gif, const GifByteType* data, int n) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
  try {
    out->insert(out->end(), data, data + n);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return n;
}

// GIF colour maps hold a power of two entries, at least two.
int map_bits(std::size_t colours) {
  int bits = 1;
  while ((std::size_t{1} << bits) < colours) ++bits;
  return bits;
}

}  // namespace

EncodeStatus gif_encode(const EncodeRequest& r, std::vector<std::uint8_t>& out) {
  out.clear();
  if (r.width > 0xFFFF || r.height > 0xFFFF) return EncodeStatus::bad_input;
  const int grey = grey_bits(r.depth);
  const int bits = grey ? grey : index_bits(r.depth) ? index_bits(r.depth) : 8;
  Indexed reduced;
  if (!reduce_colours(r, bits, grey > 0, reduced)) return EncodeStatus::no_memory;

  const int size = 1 << map_bits(reduced.palette.size());
  ColorMapObject* map = GifMakeMapObject(size, nullptr);
  if (map == nullptr) return EncodeStatus::no_memory;
  for (int i = 0; i < size; ++i) {
    const std::uint32_t c = i < static_cast<int>(reduced.palette.size()) ? reduced.palette[i] : 0;
    map->Colors[i] = {static_cast<GifByteType>(c >> 16), static_cast<GifByteType>(c >> 8),
                      static_cast<GifByteType>(c)};
  }
  int error = 0;
  GifFileType* gif = EGifOpen(&out, write_func, &error);
  if (gif == nullptr) {
    GifFreeMapObject(map);
    return EncodeStatus::no_memory;
  }
  bool ok = EGifPutScreenDesc(gif, r.width, r.height, map->BitsPerPixel, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, r.width, r.height, false, nullptr) == GIF_OK;
  for (std::int32_t y = 0; ok && y < r.height; ++y) {
    GifByteType* line = reduced.indices.data() + static_cast<std::size_t>(y) * r.width;
    ok = EGifPutLine(gif, line, r.width) == GIF_OK;
  }
  // Closing writes the trailer and frees the file (and the screen map it copied).
  if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
  GifFreeMapObject(map);
  if (!ok) {
    out.clear();
    return EncodeStatus::failed;
  }
  return EncodeStatus::ok;
}

}  // namespace velmora::platform::encoders
