// GIF through giflib.  A probe reads the screen descriptor and walks the records,
// skipping each frame's compressed blocks without decompressing them, to count frames.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/linux/codec_backends.hpp"

namespace velmora::platform::codecs {

namespace {

struct Stream {
  CodecInput* in;
  std::uint64_t pos = 0;
};

int read_func(GifFileType* gif, GifByteType* dst, int n) {
  auto* s = static_cast<Stream*>(gif->UserData);
  const std::uint64_t size = s->in->size();
  if (n <= 0 || s->pos >= size) return 0;
  const auto count = static_cast<std::size_t>(
      std::min<std::uint64_t>(static_cast<std::uint64_t>(n), size - s->pos));
  if (!s->in->read(s->pos, dst, count)) return 0;
  s->pos += count;
  return static_cast<int>(count);
}

struct Handle {
  Stream stream;
  GifFileType* gif = nullptr;
  explicit Handle(CodecInput& in) {
    stream.in = &in;
    int error = 0;
    gif = DGifOpen(&stream, read_func, &error);
  }
  ~Handle() {
    int error = 0;
    if (gif) DGifCloseFile(gif, &error);
  }
};

// Frames may overhang the screen a little, but one far larger than it is damage, and
// would cost its whole size in memory when decoded.
bool plausible_frame(const GifFileType* gif) {
  const std::int64_t screen = std::int64_t{gif->SWidth} * gif->SHeight;
  const std::int64_t frame = std::int64_t{gif->Image.Width} * gif->Image.Height;
  return frame <= 4 * screen + 65536 && frame <= kMaxDecodedPixels;
}

// Counts the frames; -1 when a frame is implausibly large.
std::int32_t count_frames(GifFileType* gif) {
  std::int32_t frames = 0;
  GifRecordType type = UNDEFINED_RECORD_TYPE;
  while (DGifGetRecordType(gif, &type) == GIF_OK && type != TERMINATE_RECORD_TYPE) {
    if (type == IMAGE_DESC_RECORD_TYPE) {
      if (DGifGetImageDesc(gif) != GIF_OK) break;
      if (!plausible_frame(gif)) return -1;
      int code_size = 0;
      GifByteType* block = nullptr;
      if (DGifGetCode(gif, &code_size, &block) != GIF_OK) break;
      while (block != nullptr) {
        if (DGifGetCodeNext(gif, &block) != GIF_OK) return frames + 1;
      }
      ++frames;
    } else if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(gif, &code, &ext) != GIF_OK) break;
      while (ext != nullptr) {
        if (DGifGetExtensionNext(gif, &ext) != GIF_OK) return frames;
      }
    }
  }
  return frames;
}

}  // namespace

CodecStatus gif_probe(CodecInput& in, int index, CodecProbe& out) {
  Handle h(in);
  if (!h.gif) return CodecStatus::bad_data;
  if (h.gif->SWidth <= 0 || h.gif->SHeight <= 0) return CodecStatus::bad_data;
  const std::int32_t frames = count_frames(h.gif);
  if (frames < 0) return CodecStatus::bad_data;
  if (index > 0 && index >= frames) return CodecStatus::bad_index;
  out.width = h.gif->SWidth;
  out.height = h.gif->SHeight;
  // The global colour table's size is the depth: 2 colours are 1 bit, as a 1-bit PNG.
  const ColorMapObject* map = h.gif->SColorMap;
  out.depth = 8;
  if (map != nullptr && map->BitsPerPixel >= 1 && map->BitsPerPixel <= 8) {
    constexpr std::int16_t kDepths[] = {1, 1, 2, 4, 4, 8, 8, 8, 8};
    out.depth = kDepths[map->BitsPerPixel];
  }
  out.hres = out.vres = 72 << 16;
  out.image_count = frames > 0 ? frames : 1;
  return CodecStatus::ok;
}

namespace {

constexpr std::uint32_t kClear = 0x00FFFFFFu;

// One frame's opaque pixels over the picture so far, clipped to the screen.
void draw_frame(const GifFileType* gif, const SavedImage& frame, int transparent,
                DecodedPicture& out) {
  const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
  const GifImageDesc& d = frame.ImageDesc;
  for (int y = 0; y < d.Height; ++y) {
    const int ty = d.Top + y;
    if (ty < 0 || ty >= gif->SHeight) continue;
    for (int x = 0; x < d.Width; ++x) {
      const int tx = d.Left + x;
      if (tx < 0 || tx >= gif->SWidth) continue;
      const int idx = frame.RasterBits[static_cast<std::size_t>(y) * d.Width + x];
      if (idx == transparent) continue;
      std::uint32_t& p = out.pixels[static_cast<std::size_t>(ty) * gif->SWidth + tx];
      if (map && idx < map->ColorCount) {
        const GifColorType c = map->Colors[idx];
        p = 0xFF000000u | (std::uint32_t{c.Red} << 16) | (std::uint32_t{c.Green} << 8) | c.Blue;
      } else {
        p = 0xFF000000u;
      }
    }
  }
}

// A frame's area made transparent again.
void clear_frame(const GifFileType* gif, const GifImageDesc& d, DecodedPicture& out) {
  const int x0 = std::max(0, d.Left), x1 = std::min(gif->SWidth, d.Left + d.Width);
  const int y0 = std::max(0, d.Top), y1 = std::min(gif->SHeight, d.Top + d.Height);
  for (int y = y0; y < y1; ++y) {
    std::uint32_t* row = out.pixels.data() + static_cast<std::size_t>(y) * gif->SWidth;
    std::fill(row + x0, row + std::max(x0, x1), kClear);
  }
}

}  // namespace

CodecStatus gif_decode(CodecInput& in, int index, DecodedPicture& out) {
  Handle h(in);
  if (!h.gif) return CodecStatus::bad_data;
  GifFileType* gif = h.gif;
  if (gif->SWidth <= 0 || gif->SHeight <= 0) return CodecStatus::bad_data;
  if (too_big(gif->SWidth, gif->SHeight)) return CodecStatus::no_memory;
  {
    // The frames are checked before the library allocates them.
    Handle check(in);
    if (!check.gif || count_frames(check.gif) < 0) return CodecStatus::bad_data;
  }
  // A damaged tail still leaves the frames read before it.
  DGifSlurp(gif);
  if (gif->ImageCount <= index || gif->SavedImages == nullptr)
    return index > 0 ? CodecStatus::bad_index : CodecStatus::bad_data;
  if (!allocate(out, gif->SWidth, gif->SHeight)) return CodecStatus::no_memory;
  // Page N is the animation as it shows frame N: every frame before it drawn over the
  // ones before, then disposed of as its control block says (2: its area cleared, 3: the
  // picture before it restored).
  std::fill(out.pixels.begin(), out.pixels.end(), kClear);
  std::vector<std::uint32_t> saved;
  for (int i = 0; i <= index; ++i) {
    const SavedImage& frame = gif->SavedImages[i];
    if (frame.RasterBits == nullptr) {
      if (i == index) return CodecStatus::bad_data;
      continue;
    }
    GraphicsControlBlock gcb;
    gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(gif, i, &gcb);
    if (i < index && gcb.DisposalMode == DISPOSE_PREVIOUS) {
      try {
        saved = out.pixels;
      } catch (const std::bad_alloc&) {
        return CodecStatus::no_memory;
      }
    }
    draw_frame(gif, frame, gcb.TransparentColor, out);
    if (i == index) break;
    if (gcb.DisposalMode == DISPOSE_BACKGROUND) {
      clear_frame(gif, frame.ImageDesc, out);
    } else if (gcb.DisposalMode == DISPOSE_PREVIOUS && !saved.empty()) {
      out.pixels.swap(saved);
      saved.clear();
    }
  }
  return CodecStatus::ok;
}

}  // namespace velmora::platform::codecs
