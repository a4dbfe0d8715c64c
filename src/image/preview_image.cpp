// VeImg_PreviewImage: a thumbnail of a picture, fitted into a box without ever being
// enlarged, recorded as PICT at 72 dpi and put on the clipboard.
#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <string_view>

#include "files/path_spec.hpp"
#include "host/handlers.hpp"
#include "image/area_reduce.hpp"
#include "image/clipboard_picture.hpp"
#include "image/engine.hpp"
#include "image/pict.hpp"
#include "image/picture_errors.hpp"
#include "image/picture_source.hpp"
#include "image/render.hpp"
#include "params/readers.hpp"
#include "params/text_util.hpp"

namespace velmora::image {

namespace {

constexpr std::int32_t kDefaultBox = 80;
constexpr std::uint32_t kModernVersion = 0x04000000;  // 4.0: addresses
constexpr Pixel kFrameColour = kBlack;

std::int32_t box_side(const params::Store& s, std::string_view key) {
  const std::int32_t v = params::integer(s, key);
  return v > 0 ? v : kDefaultBox;
}

// The thumbnail's picture: the clipboard's, an address's, or a file's (no EPS preview,
// first page).
Err open_picture(std::string_view text, PictureSource& source) {
  if (params::equals_ignore_case(text, "clipboard:")) {
    std::vector<std::uint8_t> picture;
    if (const Err err = read_clipboard_picture(picture); err != kNoErr) return err;
    return source.open_memory(std::move(picture));
  }
  const bool modern = engine::version() >= kModernVersion;
  if (modern && (text.starts_with("http:") || text.starts_with("ftp:")))
    return source.open_address(std::string(text));
  files::PathSpec spec;
  if (const Err err = files::resolve_path(text, spec); err != kNoErr) return err;
  if (!spec.exists || spec.is_folder) return kFileNotFound;
  return source.open_file(spec.name, false, 0);
}

}  // namespace

PixRect thumbnail_size(std::int64_t width, std::int64_t height, std::int32_t box_w,
                       std::int32_t box_h) {
  // In floating point: 16.16 ratios lose the size of pictures wider than 32767 pixels,
  // and a side that rounds to nothing still keeps one pixel.
  const double sx = static_cast<double>(box_w) / static_cast<double>(width);
  const double sy = static_cast<double>(box_h) / static_cast<double>(height);
  const double k = sx >= 1 && sy >= 1 ? 1.0 : std::min(sx, sy);
  auto side = [k](std::int64_t n) {
    return static_cast<std::int32_t>(
        std::clamp<long long>(std::llround(static_cast<double>(n) * k), 1, INT32_MAX));
  };
  return PixRect{0, 0, side(width), side(height)};
}

namespace {

// The size a picture is decoded at for a thumbnail.  Decoders average whole blocks of
// the picture (or scale a JPEG in the DCT domain) before the thumbnail's own area
// averaging, and their block edges do not fall on the thumbnail's pixel edges: an edge
// blurs by up to one block.  Twice the thumbnail each way keeps the blocks within half
// a thumbnail pixel; large thumbnails keep their own size, so that the decoded picture
// stays within 2^24 pixels.
PixRect decode_box(const PixRect& target) {
  constexpr std::int64_t kDoubledPixels = std::int64_t{1} << 20;
  const std::int64_t pixels = std::int64_t{target.width()} * target.height();
  if (pixels > kDoubledPixels) return target;
  return PixRect{0, 0, target.width() * 2, target.height() * 2};
}

// A grey-scale picture's thumbnail keeps its grey levels: each pixel becomes the nearest
// of the 2^bits greys its depth (34, 36, 40) holds.
void to_grey_levels(Pixmap& world, std::int16_t depth) {
  const int levels = (1 << (depth - 32)) - 1;
  for (std::int32_t y = 0; y < world.height(); ++y) {
    Pixel* row = world.row(y);
    for (std::int32_t x = 0; x < world.width(); ++x) {
      const Pixel p = row[x];
      const int luminance = (red(p) * 30 + green(p) * 59 + blue(p) * 11 + 50) / 100;
      const int level = (luminance * levels + 127) / 255;
      const auto grey = static_cast<std::uint8_t>((level * 255 + levels / 2) / levels);
      row[x] = rgb(grey, grey, grey);
    }
  }
}

// A frame of `width` pixels drawn over the thumbnail's outer edge.
void draw_frame(Pixmap& world, std::int32_t width) {
  const PixRect b = world.bounds();
  world.fill(PixRect{b.left, b.top, b.right, b.top + width}, kFrameColour);
  world.fill(PixRect{b.left, b.bottom - width, b.right, b.bottom}, kFrameColour);
  world.fill(PixRect{b.left, b.top, b.left + width, b.bottom}, kFrameColour);
  world.fill(PixRect{b.right - width, b.top, b.right, b.bottom}, kFrameColour);
}

}  // namespace

Err preview_image(Call& call) {
  const params::Store& s = call.params;
  const char* value = params::text(s, "SRC");
  if (value == nullptr) value = params::text(s, "PATH");
  if (value == nullptr) return kParamErr;

  PictureSource source;
  if (const Err err = open_picture(value, source); err != kNoErr) return err;
  Description d;
  if (const Err err = source.describe(d); err != kNoErr) return err;
  if (d.bounds.empty()) return kBadPictureData;

  const PixRect target = thumbnail_size(d.bounds.width(), d.bounds.height(), box_side(s, "WIDTH"),
                                        box_side(s, "HEIGHT"));

  if (std::int64_t{target.width()} * target.height() > kMaxClipboardPixels) return kMemFull;
  Pixmap decoded;
  const PixRect box = decode_box(target);
  if (const Err err = source.decode(decoded, box.width(), box.height()); err != kNoErr) return err;
  source.close();  // a clipboard picture is let go once its pixels are out
  Pixmap thumbnail;
  if (const Err err = area_resample(decoded, target.width(), target.height(), thumbnail);
      err != kNoErr)
    return err;
  decoded = Pixmap();
  flatten_onto_white(thumbnail);  // thumbnails show transparent parts white

  if (params::has(s, "BORDER")) {
    const std::int32_t border = std::max(params::integer(s, "BORDER"), 1);
    draw_frame(thumbnail, std::min({border, target.width(), target.height()}));
  }

  // Recorded at the picture's depth where it is a grey scale; colour pictures in direct
  // colour.
  const bool grey = d.depth == 34 || d.depth == 36 || d.depth == 40;
  if (grey) to_grey_levels(thumbnail, d.depth);
  std::vector<std::uint8_t> pict;
  if (const Err err = write_pict(thumbnail, to_fixed(72), to_fixed(72), pict, kDitherCopy,
                                 grey ? d.depth : std::int16_t{32});
      err != kNoErr)
    return err;
  return write_clipboard_picture(pict);
}

}  // namespace velmora::image
