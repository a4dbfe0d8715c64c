// TIFF through libtiff into memory, over client procedures: LZW-compressed strips of
// palette, grey or RGB rows as the depth asks, with the resolution in inches.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "platform/linux/encoder_backends.hpp"

namespace velmora::platform::encoders {

namespace {

// A growing file in memory; libtiff seeks back to patch its directory offsets.
struct Stream {
  std::vector<std::uint8_t>* out;
  std::uint64_t pos = 0;
};

tmsize_t read_proc(thandle_t h, void* buf, tmsize_t n) {
  auto* s = static_cast<Stream*>(h);
  const std::uint64_t size = s->out->size();
  if (n <= 0 || s->pos >= size) return 0;
  const auto count = static_cast<std::size_t>(
      std::min<std::uint64_t>(static_cast<std::uint64_t>(n), size - s->pos));
  std::memcpy(buf, s->out->data() + s->pos, count);
  s->pos += count;
  return static_cast<tmsize_t>(count);
}
tmsize_t write_proc(thandle_t h, void* buf, tmsize_t n) {
  auto* s = static_cast<Stream*>(h);
  if (n < 0) return -1;
  const auto count = static_cast<std::size_t>(n);
  try {
    if (s->out->size() < s->pos + count) s->out->resize(s->pos + count);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  std::memcpy(s->out->data() + s->pos, buf, count);
  s->pos += count;
  return n;
}
toff_t seek_proc(thandle_t h, toff_t off, int whence) {
  auto* s = static_cast<Stream*>(h);
  const std::uint64_t base = whence == SEEK_CUR ? s->pos : whence == SEEK_END ? s->out->size() : 0;
  s->pos = base + off;
  return s->pos;
}
int close_proc(thandle_t) {
  return 0;
}
toff_t size_proc(thandle_t h) {
  return static_cast<Stream*>(h)->out->size();
}
int quiet(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

struct Handle {
  Stream stream;
  TIFF* tif = nullptr;
  explicit Handle(std::vector<std::uint8_t>& out) {
    stream.out = &out;
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    if (opts) {
      TIFFOpenOptionsSetErrorHandlerExtR(opts, quiet, nullptr);
      TIFFOpenOptionsSetWarningHandlerExtR(opts, quiet, nullptr);
      tif = TIFFClientOpenExt("picture", "wm", &stream, read_proc, write_proc, seek_proc,
                              close_proc, size_proc, nullptr, nullptr, opts);
      TIFFOpenOptionsFree(opts);
    }
  }
  ~Handle() {
    if (tif) TIFFClose(tif);
  }
  // Writes out the directory; false when that fails.
  bool finish() {
    TIFF* t = tif;
    tif = nullptr;
    const bool ok = TIFFFlush(t) == 1;
    TIFFClose(t);
    return ok;
  }
};

}  // namespace

EncodeStatus tiff_encode(const EncodeRequest& r, std::vector<std::uint8_t>& out) {
  out.clear();
  const int grey = grey_bits(r.depth);
  const int bits = grey ? grey : index_bits(r.depth);
  const bool indexed = bits > 0;
  Indexed reduced;
  if (indexed && !reduce_colours(r, bits, grey > 0, reduced)) return EncodeStatus::no_memory;
  std::vector<std::uint8_t> row;
  std::vector<std::uint16_t> map;
  try {
    row.resize(static_cast<std::size_t>(r.width) * 3);
    if (indexed && !grey) {
      const std::size_t entries = std::size_t{1} << bits;
      map.assign(entries * 3, 0);
      for (std::size_t i = 0; i < reduced.palette.size(); ++i) {
        const std::uint32_t c = reduced.palette[i];
        map[i] = static_cast<std::uint16_t>(((c >> 16) & 0xFF) * 257);
        map[entries + i] = static_cast<std::uint16_t>(((c >> 8) & 0xFF) * 257);
        map[2 * entries + i] = static_cast<std::uint16_t>((c & 0xFF) * 257);
      }
    }
  } catch (const std::bad_alloc&) {
    return EncodeStatus::no_memory;
  }
  Handle h(out);
  if (h.tif == nullptr) return EncodeStatus::no_memory;
  TIFF* tif = h.tif;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(r.width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(r.height));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, indexed ? bits : 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, indexed ? 1 : 3);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
               grey      ? PHOTOMETRIC_MINISBLACK
               : indexed ? PHOTOMETRIC_PALETTE
                         : PHOTOMETRIC_RGB);
  if (!map.empty()) {
    const std::size_t entries = map.size() / 3;
    TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + entries, map.data() + 2 * entries);
  }
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, r.hres / 65536.0);
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, r.vres / 65536.0);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
  for (std::int32_t y = 0; y < r.height; ++y) {
    const std::size_t start = static_cast<std::size_t>(y) * r.width;
    if (indexed) {
      pack_row(reduced.indices.data() + start, r.width, bits, row.data());
    } else {
      const std::uint32_t* src = r.pixels + start;
      const bool five = r.depth == 16;
      for (std::int32_t x = 0; x < r.width; ++x) {
        for (int c = 0; c < 3; ++c) {
          const auto v = static_cast<std::uint8_t>(src[x] >> (16 - 8 * c));
          row[3 * x + c] = five ? five_bits(v) : v;
        }
      }
    }
    if (TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0) != 1) {
      out.clear();
      return EncodeStatus::failed;
    }
  }
  if (!h.finish()) {
    out.clear();
    return EncodeStatus::failed;
  }
  return EncodeStatus::ok;
}

}  // namespace velmora::platform::encoders
