// Reading the flat composite of Photoshop files (and their large-document form): bitmap,
// grey, duotone (its grey data), indexed and RGB, 8 or 16 bits a channel (16 keep their
// high byte), raw or PackBits.  CMYK, Lab, multichannel, 32-bit and ZIP-coded composites
// are refused rather than drawn wrongly.  The resolution comes from the resource block.
#include <algorithm>
#include <array>
#include <vector>

#include "image/byte_cursor.hpp"
#include "image/packbits.hpp"
#include "image/picture_errors.hpp"
#include "image/raster_formats.hpp"
#include "image/raster_readers.hpp"

namespace velmora::image {

namespace {

constexpr std::size_t kHeaderSize = 26;
constexpr std::uint16_t kResolutionResource = 0x03ED;
// Resource blocks larger than this are not searched for the resolution when measuring.
constexpr std::uint32_t kMaxResourceBlock = 64u << 20;

enum class Mode : std::uint16_t { bitmap = 0, grey = 1, indexed = 2, rgb = 3, duotone = 8 };

struct PsdHeader {
  bool large = false;  // the large-document form: wider lengths and row counts
  std::uint16_t channels = 0;
  std::uint32_t height = 0;
  std::uint32_t width = 0;
  std::uint16_t bits = 0;
  std::uint16_t mode = 0;
};

bool parse_header(std::span<const std::uint8_t> head, PsdHeader& h) {
  ByteCursor c(head);
  if (c.be32() != 0x38425053) return false;  // "8BPS"
  const std::uint16_t version = c.be16();
  c.skip(6);
  h.channels = c.be16();
  h.height = c.be32();
  h.width = c.be32();
  h.bits = c.be16();
  h.mode = c.be16();
  if (!c.ok() || (version != 1 && version != 2)) return false;
  h.large = version == 2;
  const std::uint32_t limit = h.large ? 300000 : 30000;
  return h.channels >= 1 && h.channels <= 56 && h.width >= 1 && h.height >= 1 && h.width <= limit &&
         h.height <= limit;
}

// The variants read, and the channels each takes from the composite.
Err colour_channels(const PsdHeader& h, int& used) {
  switch (static_cast<Mode>(h.mode)) {
    case Mode::bitmap:
      used = 1;
      return h.bits == 1 ? kNoErr : kUnsupportedData;
    case Mode::grey:
    case Mode::duotone:
    case Mode::indexed:
      used = 1;
      break;
    case Mode::rgb:
      used = 3;
      break;
    default:
      return kUnsupportedData;
  }
  if (h.bits != 8 && (h.bits != 16 || static_cast<Mode>(h.mode) == Mode::indexed))
    return kUnsupportedData;
  return h.channels >= used ? kNoErr : kBadPictureData;
}

std::int16_t depth_of(const PsdHeader& h, bool with_alpha) {
  switch (static_cast<Mode>(h.mode)) {
    case Mode::bitmap:
      return 1;
    case Mode::indexed:
      return 8;
    case Mode::rgb:
      return with_alpha ? 32 : 24;
    default:
      return 40;
  }
}

// The resolution resource of a resource block, when it has one.
void find_resolution(std::span<const std::uint8_t> block, Description& out) {
  ByteCursor c(block);
  while (c.remaining() >= 12) {
    c.skip(4);  // the resource's signature
    const std::uint16_t id = c.be16();
    const std::uint8_t name = c.u8();
    c.skip(name + ((name + 1) & 1));  // the name, padded to an even length with its count
    const std::uint32_t size = c.be32();
    const auto data = c.take(size);
    c.skip(size & 1);
    if (!c.ok()) return;
    if (id == kResolutionResource && data.size() >= 12) {
      ByteCursor r(data);
      const auto h = static_cast<Fixed>(r.be32());
      r.skip(4);
      const auto v = static_cast<Fixed>(r.be32());
      if (h > 0) out.hres = h;
      if (v > 0) out.vres = v;
      return;
    }
  }
}

// The sections in front of the composite: where each begins, read from their lengths.
struct Sections {
  std::uint64_t colour_data = 0;
  std::uint32_t colour_length = 0;
  std::uint64_t resources = 0;
  std::uint32_t resources_length = 0;
  std::uint64_t layers = 0;
  std::uint64_t layers_length = 0;
  std::uint64_t image = 0;
};

bool locate(platform::CodecInput& in, const PsdHeader& h, Sections& s) {
  std::vector<std::uint8_t> word;
  auto be32_at = [&](std::uint64_t offset, std::uint32_t& v) {
    if (!read_bytes(in, offset, 4, word)) return false;
    v = (std::uint32_t{word[0]} << 24) | (std::uint32_t{word[1]} << 16) |
        (std::uint32_t{word[2]} << 8) | word[3];
    return true;
  };
  s.colour_data = kHeaderSize + 4;
  if (!be32_at(kHeaderSize, s.colour_length)) return false;
  s.resources = s.colour_data + s.colour_length + 4;
  if (!be32_at(s.resources - 4, s.resources_length)) return false;
  s.layers = s.resources + s.resources_length + (h.large ? 8 : 4);
  std::uint32_t high = 0, low = 0;
  if (h.large && !be32_at(s.layers - 8, high)) return false;
  if (!be32_at(s.layers - 4, low)) return false;
  s.layers_length = (std::uint64_t{high} << 32) | low;
  if (s.layers_length > in.size()) return false;
  s.image = s.layers + s.layers_length;
  return s.image <= in.size();
}

// Whether the composite's first channel after the colours is its transparency: the
// layer information says so with a negative layer count.  Other extra channels are
// saved selections, never drawn.  `layers`: the start of the layer section.
bool composite_has_alpha(std::span<const std::uint8_t> layers, const PsdHeader& h) {
  ByteCursor c(layers);
  const std::uint64_t high = h.large ? c.be32() : 0;
  const std::uint64_t info_length = (high << 32) | c.be32();
  const auto count = static_cast<std::int16_t>(c.be16());
  return c.ok() && info_length >= 2 && count < 0;
}

// A white matte the composite was laid on is taken off again where it is translucent.
Pixel unmatte(Pixel p) {
  const std::uint32_t a = alpha(p);
  if (a == 0 || a == 255) return p;
  auto channel = [a](std::uint32_t c) {
    const std::int32_t v = (static_cast<std::int32_t>(c) - 255 + static_cast<std::int32_t>(a)) *
                           255 / static_cast<std::int32_t>(a);
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
  };
  return rgb(channel(red(p)), channel(green(p)), channel(blue(p)), static_cast<std::uint8_t>(a));
}

}  // namespace

bool sniff_psd(std::span<const std::uint8_t> head) {
  ByteCursor c(head);
  if (c.be32() != 0x38425053) return false;
  const std::uint16_t version = c.be16();
  return c.ok() && (version == 1 || version == 2);
}

Err describe_psd(platform::CodecInput& in, Description& out) {
  std::vector<std::uint8_t> head;
  PsdHeader h;
  if (!read_bytes(in, 0, kHeaderSize, head) || !parse_header(head, h)) return kBadPictureData;
  int used = 0;
  if (const Err err = colour_channels(h, used); err != kNoErr) return err;
  Sections s;
  if (!locate(in, h, s)) return kBadPictureData;
  out = Description{};
  out.bounds =
      PixRect{0, 0, static_cast<std::int32_t>(h.width), static_cast<std::int32_t>(h.height)};
  std::vector<std::uint8_t> layers;
  const bool alpha_channel =
      static_cast<Mode>(h.mode) == Mode::rgb && h.channels > 3 &&
      read_bytes(in, s.layers,
                 static_cast<std::size_t>(std::min<std::uint64_t>(s.layers_length, 10)), layers) &&
      composite_has_alpha(layers, h);
  out.depth = depth_of(h, alpha_channel);
  std::vector<std::uint8_t> block;
  if (s.resources_length <= kMaxResourceBlock &&
      read_bytes(in, s.resources, s.resources_length, block)) {
    find_resolution(block, out);
  }
  return kNoErr;
}

Err read_psd(std::span<const std::uint8_t> file, Pixmap& out) {
  PsdHeader h;
  if (!parse_header(file, h)) return kBadPictureData;
  int used = 0;
  if (const Err err = colour_channels(h, used); err != kNoErr) return err;
  SpanInput in(file);
  Sections s;
  if (!locate(in, h, s)) return kBadPictureData;
  const bool with_alpha =
      static_cast<Mode>(h.mode) == Mode::rgb && h.channels > 3 &&
      composite_has_alpha(file.subspan(static_cast<std::size_t>(s.layers),
                                       static_cast<std::size_t>(s.layers_length)),
                          h);
  if (with_alpha) used = 4;

  std::array<Pixel, 256> palette{};
  palette.fill(kBlack);
  if (static_cast<Mode>(h.mode) == Mode::indexed) {
    // 256 reds, then 256 greens, then 256 blues.
    if (s.colour_length < 768) return kBadPictureData;
    const auto map = file.subspan(static_cast<std::size_t>(s.colour_data), 768);
    for (std::size_t i = 0; i < 256; ++i) palette[i] = rgb(map[i], map[256 + i], map[512 + i]);
  }

  ByteCursor c(file);
  c.seek(static_cast<std::size_t>(s.image));
  const std::uint16_t compression = c.be16();
  if (!c.ok()) return kBadPictureData;
  if (compression > 1) return compression <= 3 ? kUnsupportedData : kBadPictureData;
  const bool packed = compression == 1;

  const std::size_t row_bytes =
      h.bits == 1 ? (std::size_t{h.width} + 7) / 8 : std::size_t{h.width} * (h.bits / 8);
  const std::size_t rows = std::size_t{h.height} * h.channels;
  // Packed rows: a table of every row's length, then the rows one after the other.
  std::vector<std::uint32_t> lengths;
  if (packed) {
    const std::size_t entry = h.large ? 4 : 2;
    if (c.remaining() / entry < rows) return kBadPictureData;
    lengths.resize(rows);
    std::uint64_t total = 0;
    for (std::uint32_t& n : lengths) total += n = h.large ? c.be32() : c.be16();
    if (total > c.remaining()) return kBadPictureData;
  } else if (c.remaining() / row_bytes < std::size_t{h.height} * used) {
    return kBadPictureData;
  }

  Pixmap world;
  if (const Err err = make_world(h.width, h.height, world); err != kNoErr) return err;
  std::vector<std::uint8_t> row(row_bytes);
  for (int ch = 0; ch < used; ++ch) {
    for (std::uint32_t y = 0; y < h.height; ++y) {
      if (packed) {
        const auto in_row = c.take(lengths[std::size_t{h.height} * ch + y]);
        if (!c.ok() || !packbits_decode(in_row, row)) return kBadPictureData;
      } else {
        const auto in_row = c.take(row_bytes);
        if (!c.ok()) return kBadPictureData;
        std::copy(in_row.begin(), in_row.end(), row.begin());
      }
      Pixel* dst = world.row(static_cast<std::int32_t>(y));
      const std::size_t step = h.bits / 8;  // 16-bit values keep their high byte
      for (std::uint32_t x = 0; x < h.width; ++x) {
        switch (static_cast<Mode>(h.mode)) {
          case Mode::bitmap:
            dst[x] = row[x / 8] & (0x80 >> (x % 8)) ? kBlack : kWhite;
            break;
          case Mode::indexed:
            dst[x] = palette[row[x]];
            break;
          case Mode::rgb: {
            const int shift = ch == 3 ? 24 : 16 - 8 * ch;
            dst[x] = (dst[x] & ~(Pixel{0xFF} << shift)) | (Pixel{row[x * step]} << shift);
            break;
          }
          default: {
            const Pixel v = row[x * step];
            dst[x] = 0xFF000000u | (v << 16) | (v << 8) | v;
          }
        }
      }
    }
  }
  if (with_alpha) {
    for (std::int32_t y = 0; y < world.height(); ++y) {
      Pixel* r = world.row(y);
      for (std::int32_t x = 0; x < world.width(); ++x) r[x] = unmatte(r[x]);
    }
  }
  out = std::move(world);
  return kNoErr;
}

}  // namespace velmora::image
