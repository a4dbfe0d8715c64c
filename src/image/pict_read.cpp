// Reading pictures: the opcode stream is walked with every length checked against the
// bytes that remain; bitmap opcodes (BitsRect, BitsRgn, PackBitsRect, PackBitsRgn,
// DirectBitsRect, DirectBitsRgn) are drawn, everything else is skipped by its length.
#include <array>
#include <new>
#include <optional>

#include "image/byte_cursor.hpp"
#include "image/packbits.hpp"
#include "image/pict.hpp"
#include "image/picture_errors.hpp"

namespace velmora::image {

namespace {

// Where the picture record starts: right at the front, or after the header area.
std::optional<std::size_t> record_start(std::span<const std::uint8_t> bytes) {
  for (std::size_t start : {std::size_t{0}, kPictHeaderArea}) {
    if (bytes.size() < start + 12) continue;
    const std::uint8_t* v = bytes.data() + start + 10;
    const bool room_for_v2 = bytes.size() >= start + 14;
    if (room_for_v2 && v[0] == 0x00 && v[1] == 0x11 && v[2] == 0x02 && v[3] == 0xFF) return start;
    if (v[0] == 0x11 && v[1] == 0x01) return start;
  }
  return std::nullopt;
}

PixRect read_rect(ByteCursor& c) {
  PixRect r;
  r.top = c.sbe16();
  r.left = c.sbe16();
  r.bottom = c.sbe16();
  r.right = c.sbe16();
  return r;
}

// Data lengths of the opcodes that carry no picture.  kWordLength: a 16-bit length
// (including itself for regions and polygons) comes first; kSkipError: not read.
constexpr std::int16_t kWordCount = -1;    // a 16-bit count of the bytes that follow
constexpr std::int16_t kSizedRecord = -2;  // a 16-bit size that includes itself
constexpr std::int16_t kLongCount = -3;    // a 32-bit count of the bytes that follow
constexpr std::int16_t kText = -4;         // text opcodes: fixed part, then a counted string
constexpr std::int16_t kNotRead = -5;

struct OpRange {
  std::uint16_t first;
  std::uint16_t last;
  std::int16_t length;
  std::uint8_t text_prefix = 0;  // for kText
};

constexpr OpRange kOpcodes[] = {
    {0x00, 0x00, 0},
    {0x01, 0x01, kSizedRecord},
    {0x02, 0x02, 8},
    {0x03, 0x03, 2},
    {0x04, 0x04, 1},
    {0x05, 0x05, 2},
    {0x06, 0x06, 4},
    {0x07, 0x07, 4},
    {0x08, 0x08, 2},
    {0x09, 0x0A, 8},
    {0x0B, 0x0C, 4},
    {0x0D, 0x0D, 2},
    {0x0E, 0x0F, 4},
    {0x10, 0x10, 8},
    {0x11, 0x11, 1},
    {0x12, 0x14, kNotRead},
    {0x15, 0x16, 2},
    {0x17, 0x19, 0},
    {0x1A, 0x1B, 6},
    {0x1C, 0x1C, 0},
    {0x1D, 0x1D, 6},
    {0x1E, 0x1E, 0},
    {0x1F, 0x1F, 6},
    {0x20, 0x20, 8},
    {0x21, 0x21, 4},
    {0x22, 0x22, 6},
    {0x23, 0x23, 2},
    {0x24, 0x27, kWordCount},
    {0x28, 0x28, kText, 4},
    {0x29, 0x2A, kText, 1},
    {0x2B, 0x2B, kText, 2},
    {0x2C, 0x2F, kWordCount},
    {0x30, 0x37, 8},
    {0x38, 0x3F, 0},
    {0x40, 0x47, 8},
    {0x48, 0x4F, 0},
    {0x50, 0x57, 8},
    {0x58, 0x5F, 0},
    {0x60, 0x67, 12},
    {0x68, 0x6F, 4},
    {0x70, 0x77, kSizedRecord},
    {0x78, 0x7F, 0},
    {0x80, 0x87, kSizedRecord},
    {0x88, 0x8F, 0},
    {0x92, 0x97, kWordCount},
    {0x9C, 0x9F, kWordCount},
    {0xA0, 0xA0, 2},
    {0xA2, 0xAF, kWordCount},
    {0xB0, 0xCF, 0},
    {0xD0, 0xFE, kLongCount},
    {0x0C00, 0x0C00, 24},
    {0x7F00, 0x7FFF, 254},
    {0x8000, 0x80FF, 0},
    {0x8100, 0xFFFF, kLongCount},
};

bool skip_opcode(std::uint16_t op, ByteCursor& c) {
  if (op == 0xA1) {  // long comment: kind, then counted data
    c.skip(2);
    return c.skip(c.be16());
  }
  for (const OpRange& r : kOpcodes) {
    if (op < r.first || op > r.last) continue;
    switch (r.length) {
      case kWordCount:
        return c.skip(c.be16());
      case kSizedRecord: {
        const std::uint16_t size = c.be16();
        return size >= 2 && c.skip(size - 2u);
      }
      case kLongCount:
        return c.skip(c.be32());
      case kText:
        return c.skip(r.text_prefix) && c.skip(c.u8());
      case kNotRead:
        return false;
      default:
        return c.skip(static_cast<std::size_t>(r.length));
    }
  }
  // The reserved ranges 0x0100..0x7EFF carry (high byte * 2) bytes.
  if (op >= 0x0100 && op <= 0x7EFF) return c.skip(static_cast<std::size_t>(op >> 8) * 2);
  return false;
}

// The pixel layout of one bitmap opcode.
struct BitsHeader {
  bool direct = false;
  bool has_region = false;
  bool packed_op = false;
  std::size_t row_bytes = 0;
  PixRect bounds;
  std::uint16_t pack_type = 0;
  std::uint16_t pixel_size = 1;
  std::uint16_t cmp_count = 1;
  Fixed hres = to_fixed(72);
  Fixed vres = to_fixed(72);
  std::array<Pixel, 256> clut{};
  PixRect src, dst;
};

Err read_bits_header(std::uint16_t op, ByteCursor& c, BitsHeader& h) {
  h.direct = op == 0x9A || op == 0x9B;
  h.has_region = (op & 1) != 0;
  h.packed_op = op >= 0x98;
  if (h.direct) c.skip(4);
  const std::uint16_t rb = c.be16();
  const bool pixmap = (rb & 0x8000) != 0 || h.direct;
  h.row_bytes = rb & 0x3FFF;
  h.bounds = read_rect(c);
  h.clut.fill(kBlack);
  h.clut[0] = kWhite;
  if (pixmap) {
    c.skip(2);
    h.pack_type = c.be16();
    c.skip(4);
    h.hres = static_cast<Fixed>(c.be32());
    h.vres = static_cast<Fixed>(c.be32());
    c.skip(2);
    h.pixel_size = c.be16();
    h.cmp_count = c.be16();
    c.skip(2 + 12);
    if (!h.direct) {
      c.skip(4);
      const std::uint16_t flags = c.be16();
      const std::uint32_t entries = std::uint32_t{c.be16()} + 1;
      if (entries > 256) return kBadPictureData;
      for (std::uint32_t i = 0; i < entries && c.ok(); ++i) {
        const std::uint16_t value = c.be16();
        const std::uint16_t r = c.be16(), g = c.be16(), b = c.be16();
        const std::uint32_t index = (flags & 0x8000) ? i : value;
        if (index < 256) h.clut[index] = rgb(r >> 8, g >> 8, b >> 8);
      }
    }
  }
  h.src = read_rect(c);
  h.dst = read_rect(c);
  c.skip(2);  // transfer mode: drawing here is always a copy
  if (h.has_region) {
    const std::uint16_t size = c.be16();
    if (size < 2 || !c.skip(size - 2u)) return kBadPictureData;
  }
  if (!c.ok() || h.bounds.empty()) return kBadPictureData;
  const bool indexed_ok = !h.direct && (h.pixel_size == 1 || h.pixel_size == 2 ||
                                        h.pixel_size == 4 || h.pixel_size == 8);
  const bool direct_ok = h.direct && (h.pixel_size == 16 || h.pixel_size == 32) &&
                         (h.cmp_count == 3 || h.cmp_count == 4 || h.pixel_size == 16);
  if (!indexed_ok && !direct_ok) return kUnsupportedData;
  const std::int64_t w = h.bounds.width();
  if (w * h.bounds.height() > kMaxPixels) return kMemFull;
  // Pictures recorded by earlier versions of this module (and some other writers) let
  // a wide map's row bytes run into bit 14; when only that bit makes the rows long
  // enough, it is taken as part of the count.
  const std::size_t wide = rb & 0x7FFF;
  if (pixmap && static_cast<std::int64_t>(h.row_bytes) * 8 < w * h.pixel_size &&
      static_cast<std::int64_t>(wide) * 8 >= w * h.pixel_size) {
    h.row_bytes = wide;
  }
  if (static_cast<std::int64_t>(h.row_bytes) * 8 < w * h.pixel_size) return kBadPictureData;
  return kNoErr;
}

// How the rows are stored, and how many bytes one unpacked row has.
struct RowLayout {
  bool packed = false;
  bool counted = false;  // each row starts with its byte count
  std::size_t unit = 1;
  std::size_t bytes = 0;
};

RowLayout row_layout(const BitsHeader& h) {
  RowLayout l;
  l.bytes = h.row_bytes;
  if (!h.packed_op || h.row_bytes < 8) return l;
  std::uint16_t pt = h.pack_type;
  if (h.direct && pt == 0) pt = h.pixel_size == 32 ? 4 : 3;
  if (h.direct && pt == 1) return l;
  if (h.direct && pt == 2) {
    l.bytes = static_cast<std::size_t>(h.bounds.width()) * 3;
    return l;
  }
  l.packed = true;
  l.counted = true;
  if (h.direct && pt == 3) l.unit = 2;
  if (h.direct && pt == 4) l.bytes = static_cast<std::size_t>(h.bounds.width()) * h.cmp_count;
  return l;
}

void convert_row(const BitsHeader& h, const RowLayout& l, const std::uint8_t* in, Pixel* out) {
  const std::int32_t w = h.bounds.width();
  if (!h.direct) {
    const int bits = h.pixel_size;
    const int mask = (1 << bits) - 1;
    for (std::int32_t x = 0; x < w; ++x) {
      const std::size_t bit = static_cast<std::size_t>(x) * bits;
      const int index = (in[bit / 8] >> (8 - bits - bit % 8)) & mask;
      out[x] = h.clut[index];
    }
    return;
  }
  if (h.pixel_size == 16) {
    for (std::int32_t x = 0; x < w; ++x) {
      const unsigned v = (in[2 * x] << 8) | in[2 * x + 1];
      auto c5 = [](unsigned c) { return static_cast<std::uint8_t>((c << 3) | (c >> 2)); };
      out[x] = rgb(c5((v >> 10) & 31), c5((v >> 5) & 31), c5(v & 31));
    }
    return;
  }
  if (l.bytes == static_cast<std::size_t>(w) * h.cmp_count && l.packed) {
    // Colour planes: alpha first when there are four.  Copying a picture ignores its
    // alpha plane (writers commonly leave it zero), so the pixels are opaque.
    const std::size_t off = h.cmp_count == 4 ? static_cast<std::size_t>(w) : 0;
    for (std::int32_t x = 0; x < w; ++x) {
      out[x] = rgb(in[off + x], in[off + w + x], in[off + 2 * w + x]);
    }
  } else if (l.bytes == static_cast<std::size_t>(w) * 3) {
    for (std::int32_t x = 0; x < w; ++x) out[x] = rgb(in[3 * x], in[3 * x + 1], in[3 * x + 2]);
  } else {
    for (std::int32_t x = 0; x < w; ++x) out[x] = rgb(in[4 * x + 1], in[4 * x + 2], in[4 * x + 3]);
  }
}

// The fewest bytes the rows can take: a PackBits row of n bytes needs at least two
// bytes per 128, behind its count.
std::size_t least_row_data(const BitsHeader& h, const RowLayout& l) {
  if (!l.counted) return l.bytes;
  const std::size_t units = (l.bytes / l.unit + 127) / 128;
  return (h.row_bytes > 250 ? 2 : 1) + units * (1 + l.unit);
}

// The bytes of an unpacked row that converting it reads.
std::size_t row_bytes_read(const BitsHeader& h, const RowLayout& l) {
  const std::size_t w = static_cast<std::size_t>(h.bounds.width());
  if (!h.direct) return (w * static_cast<std::size_t>(h.pixel_size) + 7) / 8;
  if (h.pixel_size == 16) return 2 * w;
  if (l.packed && l.bytes == w * h.cmp_count) return l.bytes;
  if (l.bytes == w * 3) return l.bytes;
  return 4 * w;
}

Err read_rows(const BitsHeader& h, ByteCursor& c, Pixmap* image) {
  const RowLayout l = row_layout(h);
  // A pack type can promise rows shorter than the pixels need (a 16-bit picture stored as
  // planes of no colours): such a picture is damaged.
  if (l.bytes < row_bytes_read(h, l)) return kBadPictureData;
  std::vector<std::uint8_t> row;
  try {
    row.resize(l.bytes);
  } catch (const std::bad_alloc&) {
    return kMemFull;
  }
  for (std::int32_t y = 0; y < h.bounds.height(); ++y) {
    if (l.counted) {
      const std::size_t count = h.row_bytes > 250 ? c.be16() : c.u8();
      const auto data = c.take(count);
      if (!c.ok()) return kBadPictureData;
      if (image && !packbits_decode(data, row, l.unit)) return kBadPictureData;
    } else {
      const auto data = c.take(l.bytes);
      if (!c.ok()) return kBadPictureData;
      if (image) std::copy(data.begin(), data.end(), row.begin());
    }
    if (image) convert_row(h, l, row.data(), image->row(y));
  }
  return kNoErr;
}

// Walks the opcodes.  With `out`, every bitmap is drawn into it; `desc` is filled from
// the header and the first bitmap.  With `length` (and no `out`) every opcode is passed
// over to the end of the picture, whose offset it receives: an error answers that the
// bytes hold no whole picture.
Err walk(std::span<const std::uint8_t> bytes, Description& desc, Pixmap* out,
         std::size_t* length = nullptr) {
  const auto start = record_start(bytes);
  if (!start) return kNoImporter;
  ByteCursor c(bytes.subspan(*start));
  c.skip(2);
  desc.bounds = read_rect(c);
  if (desc.bounds.empty()) return kBadPictureData;
  if (std::int64_t{desc.bounds.width()} * desc.bounds.height() > kMaxPixels) return kMemFull;
  const bool v2 = bytes[*start + 10] == 0x00;
  c.skip(v2 ? 4 : 2);
  // The world is made when the first bitmap has proved readable, so that bytes which
  // are no picture never cost a frame's worth of memory.
  auto make_world = [&]() -> Err {
    return out && out->empty() ? out->create(desc.bounds) : kNoErr;
  };
  bool seen_bits = false;
  while (true) {
    if (v2 && (c.pos() % 2)) c.skip(1);
    const std::uint16_t op = v2 ? c.be16() : c.u8();
    // A picture cut short keeps what it drew.
    if (!c.ok()) return seen_bits && !length ? make_world() : kBadPictureData;
    if (op == 0x00FF || (!v2 && op == 0xFF)) {
      if (length) *length = *start + c.pos();
      return make_world();
    }
    if (op == 0x0C00) {
      const std::int16_t version = c.sbe16();
      c.skip(2);
      if (version == -2) {
        desc.hres = static_cast<Fixed>(c.be32());
        desc.vres = static_cast<Fixed>(c.be32());
        c.skip(8 + 4);
      } else {
        c.skip(20);
      }
      if (desc.hres <= 0) desc.hres = to_fixed(72);
      if (desc.vres <= 0) desc.vres = to_fixed(72);
      if (!c.ok()) return kBadPictureData;
      continue;
    }
    if (op >= 0x90 && op <= 0x9B && op != 0x92 && op != 0x93 && op != 0x94 && op != 0x95 &&
        op != 0x96 && op != 0x97) {
      BitsHeader h;
      if (const Err err = read_bits_header(op, c, h); err != kNoErr) return err;
      if (!seen_bits) {
        desc.depth = static_cast<std::int16_t>(h.pixel_size);
        if (h.direct && h.pixel_size == 32 && h.cmp_count == 3) desc.depth = 32;
        seen_bits = true;
        if (!out && !length) return kNoErr;
      }
      // Bounds the data cannot fill are refused before their pixels are allocated.
      const std::size_t least = least_row_data(h, row_layout(h));
      if (least * static_cast<std::size_t>(h.bounds.height()) > c.remaining())
        return kBadPictureData;
      if (!out) {
        if (const Err err = read_rows(h, c, nullptr); err != kNoErr) return err;
        continue;
      }
      Pixmap image;
      if (const Err err = image.create(h.bounds); err != kNoErr) return err;
      if (const Err err = read_rows(h, c, &image); err != kNoErr) return err;
      if (const Err err = make_world(); err != kNoErr) return err;
      copy_bits(image, h.src, *out, h.dst);
      continue;
    }
    if (!skip_opcode(op, c)) {
      if (!c.ok()) return seen_bits && !length ? make_world() : kBadPictureData;
      return kUnsupportedData;
    }
  }
}

}  // namespace

bool looks_like_pict(std::span<const std::uint8_t> bytes) {
  return record_start(bytes).has_value();
}

Err describe_pict(std::span<const std::uint8_t> bytes, Description& out) {
  Description desc;
  const Err err = walk(bytes, desc, nullptr);
  if (err != kNoErr) return err;
  out = desc;
  return kNoErr;
}

bool pict_length(std::span<const std::uint8_t> bytes, std::size_t& length) {
  Description desc;
  length = 0;
  return walk(bytes, desc, nullptr, &length) == kNoErr && length > 0;
}

Err read_pict(std::span<const std::uint8_t> bytes, Pixmap& out) {
  Description desc;
  Pixmap world;
  if (const Err err = walk(bytes, desc, &world); err != kNoErr) return err;
  out = std::move(world);
  return kNoErr;
}

}  // namespace velmora::image
