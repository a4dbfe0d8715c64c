// GIF through giflib.  A probe reads the screen descriptor and walks the records,
// skipping each frame's compressed blocks without decompressing them, to count frames.
#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

#include "platform/linux/codec_backends.hpp"
#include "platform/shared/block_reduce.hpp"

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
// Pages after the first are composed on a canvas of the whole screen; larger screens
// than this are refused rather than held.
constexpr std::int64_t kMaxCanvasPixels = std::int64_t{1} << 25;
// The library decompresses a few nanoseconds per pixel, however little the frame holds:
// frames larger than this are refused at once rather than decoded for seconds.
constexpr std::int64_t kMaxFramePixels = std::int64_t{1} << 27;

// Frame rows in the order the file holds them: in four passes when interlaced.
std::int32_t frame_row(std::int32_t i, std::int32_t height, bool interlaced) {
  if (!interlaced) return i;
  constexpr std::int32_t kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    const std::int32_t rows = (height - kStart[pass] + kStep[pass] - 1) / kStep[pass];
    if (i < rows) return kStart[pass] + i * kStep[pass];
    i -= std::max(rows, 0);
  }
  return -1;
}

// A frame with its colours looked up once: every index to an opaque pixel, or to none.
struct Frame {
  GifImageDesc desc;
  int transparent;
  std::array<std::uint32_t, 256> colours;

  Frame(const GifFileType* gif, int transparent_index)
      : desc(gif->Image), transparent(transparent_index) {
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    colours.fill(0xFF000000u);
    const int n = map ? std::min(map->ColorCount, 256) : 0;
    for (int i = 0; i < n; ++i) {
      const GifColorType c = map->Colors[i];
      colours[static_cast<std::size_t>(i)] =
          0xFF000000u | (std::uint32_t{c.Red} << 16) | (std::uint32_t{c.Green} << 8) | c.Blue;
    }
  }
};

// One line of a frame drawn over `row` (a screen row), leaving transparent pixels alone.
void draw_line(const GifFileType* gif, const Frame& f, const GifPixelType* line,
               std::uint32_t* row) {
  const int x0 = std::max(0, -f.desc.Left);
  const int x1 = std::min(f.desc.Width, gif->SWidth - f.desc.Left);
  std::uint32_t* dst = row + f.desc.Left;
  if (f.transparent < 0 || f.transparent > 255) {
    for (int x = x0; x < x1; ++x) dst[x] = f.colours[line[x]];
    return;
  }
  for (int x = x0; x < x1; ++x) {
    if (line[x] != f.transparent) dst[x] = f.colours[line[x]];
  }
}

// The screen rectangle a frame covers.
struct Span {
  int x0, x1, y0, y1;
};
Span on_screen(const GifFileType* gif, const GifImageDesc& d) {
  return Span{std::max(0, d.Left), std::min(gif->SWidth, d.Left + d.Width), std::max(0, d.Top),
              std::min(gif->SHeight, d.Top + d.Height)};
}

// Decodes the frames one line at a time.  Page N is the animation as it shows frame N:
// every frame before it drawn over the ones before on a canvas and disposed of as its
// control block says (2: its area cleared, 3: what lay under it put back).  The first
// page needs no canvas: its lines go straight into the block averages, and what lies
// outside the frame is transparent.
class Composer {
 public:
  Composer(GifFileType* gif, int index, std::int32_t k, const PixelWindow& window,
           DecodedPicture& out)
      : gif_(gif), index_(index), k_(k), window_(window), out_(out) {}

  CodecStatus run() {
    try {
      line_.resize(65536);
      row_.assign(static_cast<std::size_t>(gif_->SWidth), kClear);
      if (index_ > 0) {
        canvas_.assign(static_cast<std::size_t>(gif_->SWidth) * gif_->SHeight, kClear);
      }
    } catch (const std::bad_alloc&) {
      return CodecStatus::no_memory;
    }
    GraphicsControlBlock gcb = no_control();
    int frame = 0;
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    while (DGifGetRecordType(gif_, &type) == GIF_OK && type != TERMINATE_RECORD_TYPE) {
      if (type == EXTENSION_RECORD_TYPE) {
        if (!read_extension(gcb)) break;
        continue;
      }
      if (type != IMAGE_DESC_RECORD_TYPE) continue;
      if (DGifGetImageDesc(gif_) != GIF_OK) break;
      if (!plausible_frame(gif_)) return CodecStatus::bad_data;
      if (std::int64_t{gif_->Image.Width} * gif_->Image.Height > kMaxFramePixels)
        return CodecStatus::no_memory;
      const Frame f(gif_, gcb.TransparentColor);
      if (frame == index_) return index_ == 0 ? stream(f) : last_on_canvas(f);
      if (!compose(f, gcb.DisposalMode)) return CodecStatus::no_memory;
      gcb = no_control();
      ++frame;
    }
    // A damaged tail still leaves the frames read before it.
    return index_ > 0 ? CodecStatus::bad_index : CodecStatus::bad_data;
  }

 private:
  static GraphicsControlBlock no_control() {
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    return gcb;
  }

  bool read_extension(GraphicsControlBlock& gcb) {
    int code = 0;
    GifByteType* ext = nullptr;
    if (DGifGetExtension(gif_, &code, &ext) != GIF_OK) return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && ext != nullptr && ext[0] >= 4)
      DGifExtensionToGCB(ext[0], ext + 1, &gcb);
    while (ext != nullptr) {
      if (DGifGetExtensionNext(gif_, &ext) != GIF_OK) return false;
    }
    return true;
  }

  // Reads the frame's lines, handing each on-screen one with its screen row to `take`.
  // The data ending early leaves the lines not read as they were.
  template <typename Take>
  void read_lines(const Frame& f, Take take) {
    for (std::int32_t i = 0; i < f.desc.Height; ++i) {
      if (DGifGetLine(gif_, line_.data(), f.desc.Width) != GIF_OK) return;
      const std::int32_t r = frame_row(i, f.desc.Height, f.desc.Interlace);
      const std::int64_t y = std::int64_t{f.desc.Top} + r;
      if (r >= 0 && y >= 0 && y < gif_->SHeight) take(static_cast<std::int32_t>(y), line_.data());
    }
  }

  std::uint32_t* canvas_row(std::int32_t y) {
    return canvas_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(gif_->SWidth);
  }

  // A frame before the page, drawn on the canvas and disposed of.
  bool compose(const Frame& f, int disposal) {
    const Span s = on_screen(gif_, f.desc);
    const bool visible = s.x1 > s.x0 && s.y1 > s.y0;
    const std::size_t span = visible ? static_cast<std::size_t>(s.x1 - s.x0) : 0;
    std::vector<std::uint32_t> under;
    if (disposal == DISPOSE_PREVIOUS && visible) {
      try {
        under.resize(span * static_cast<std::size_t>(s.y1 - s.y0));
      } catch (const std::bad_alloc&) {
        return false;
      }
      for (int y = s.y0; y < s.y1; ++y)
        std::copy_n(canvas_row(y) + s.x0, span, under.data() + (y - s.y0) * span);
    }
    read_lines(f, [&](std::int32_t y, const GifPixelType* line) {
      draw_line(gif_, f, line, canvas_row(y));
    });
    if (!visible) return true;
    for (int y = s.y0; y < s.y1; ++y) {
      std::uint32_t* row = canvas_row(y) + s.x0;
      if (disposal == DISPOSE_BACKGROUND) std::fill(row, row + span, kClear);
      if (!under.empty()) std::copy_n(under.data() + (y - s.y0) * span, span, row);
    }
    return true;
  }

  CodecStatus last_on_canvas(const Frame& f) {
    read_lines(f, [&](std::int32_t y, const GifPixelType* line) {
      draw_line(gif_, f, line, canvas_row(y));
    });
    BlockReducer reducer;
    if (const CodecStatus st = reducer.start(gif_->SWidth, gif_->SHeight, k_,
                                             BlockReducer::Order::bands, out_, kClear, window_);
        st != CodecStatus::ok)
      return st;
    for (std::int32_t y = 0; y < gif_->SHeight; ++y) reducer.add_row(y, canvas_row(y));
    reducer.finish();
    return CodecStatus::ok;
  }

  // The first page: only the frame's own part of each line is summed (transparent
  // pixels add nothing); interlaced lines arrive out of order.
  CodecStatus stream(const Frame& f) {
    BlockReducer reducer;
    if (const CodecStatus st =
            reducer.start(gif_->SWidth, gif_->SHeight, k_,
                          f.desc.Interlace ? BlockReducer::Order::any : BlockReducer::Order::bands,
                          out_, kClear, window_);
        st != CodecStatus::ok)
      return st;
    const Span s = on_screen(gif_, f.desc);
    if (s.x1 > s.x0) {
      read_lines(f, [&](std::int32_t y, const GifPixelType* line) {
        if (!reducer.wants_row(y)) return;
        std::fill(row_.begin() + s.x0, row_.begin() + s.x1, kClear);
        draw_line(gif_, f, line, row_.data());
        reducer.add(y, row_.data() + s.x0, s.x0, 1, s.x1 - s.x0);
      });
    }
    reducer.finish();
    return CodecStatus::ok;
  }

  GifFileType* gif_;
  int index_;
  std::int32_t k_;
  PixelWindow window_;
  DecodedPicture& out_;
  std::vector<GifPixelType> line_;
  std::vector<std::uint32_t> row_;
  std::vector<std::uint32_t> canvas_;
};

}  // namespace

CodecStatus gif_decode(CodecInput& in, int index, std::int32_t min_width, std::int32_t min_height,
                       const PixelWindow& window, DecodedPicture& out) {
  Handle h(in);
  if (!h.gif) return CodecStatus::bad_data;
  GifFileType* gif = h.gif;
  if (gif->SWidth <= 0 || gif->SHeight <= 0) return CodecStatus::bad_data;
  const std::int64_t screen = std::int64_t{gif->SWidth} * gif->SHeight;
  if (index > 0 && screen > kMaxCanvasPixels) return CodecStatus::no_memory;
  const std::int32_t k = block_factor(gif->SWidth, gif->SHeight, min_width, min_height);
  return Composer(gif, index, k, window, out).run();
}

}  // namespace velmora::platform::codecs
