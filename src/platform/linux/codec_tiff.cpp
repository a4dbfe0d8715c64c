// TIFF through libtiff, opened over the codec input with client procedures.  A probe
// reads the directory chain (for the page count) and the chosen page's tags only.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
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

tmsize_t read_proc(thandle_t h, void* buf, tmsize_t n) {
  auto* s = static_cast<Stream*>(h);
  const std::uint64_t size = s->in->size();
  if (n <= 0 || s->pos >= size) return 0;
  const std::uint64_t count = std::min<std::uint64_t>(static_cast<std::uint64_t>(n), size - s->pos);
  if (!s->in->read(s->pos, static_cast<std::uint8_t*>(buf), static_cast<std::size_t>(count)))
    return -1;
  s->pos += count;
  return static_cast<tmsize_t>(count);
}
tmsize_t write_proc(thandle_t, void*, tmsize_t) {
  return -1;
}
toff_t seek_proc(thandle_t h, toff_t off, int whence) {
  auto* s = static_cast<Stream*>(h);
  std::uint64_t base = whence == SEEK_CUR ? s->pos : whence == SEEK_END ? s->in->size() : 0;
  s->pos = base + off;
  return s->pos;
}
int close_proc(thandle_t) {
  return 0;
}
toff_t size_proc(thandle_t h) {
  return static_cast<Stream*>(h)->in->size();
}

int quiet(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

struct Handle {
  Stream stream;
  TIFF* tif = nullptr;
  explicit Handle(CodecInput& in) {
    stream.in = &in;
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    if (opts) {
      TIFFOpenOptionsSetErrorHandlerExtR(opts, quiet, nullptr);
      TIFFOpenOptionsSetWarningHandlerExtR(opts, quiet, nullptr);
      TIFFOpenOptionsSetMaxSingleMemAlloc(opts, 256 * 1024 * 1024);
      // "m": no memory mapping (there is no file to map); "h": read only the header now.
      tif = TIFFClientOpenExt("picture", "rm", &stream, read_proc, write_proc, seek_proc,
                              close_proc, size_proc, nullptr, nullptr, opts);
      TIFFOpenOptionsFree(opts);
    }
  }
  ~Handle() {
    if (tif) TIFFClose(tif);
  }
};

std::int16_t depth_of(TIFF* tif) {
  std::uint16_t bps = 1, spp = 1, photometric = PHOTOMETRIC_RGB, extra = 0;
  std::uint16_t* extra_types = nullptr;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extra, &extra_types);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  switch (photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
      if (extra > 0) return 32;
      if (bps == 1) return 1;
      return static_cast<std::int16_t>(bps >= 8 ? 40 : 32 + bps);
    case PHOTOMETRIC_PALETTE:
      return static_cast<std::int16_t>(bps > 8 ? 8 : bps);
    case PHOTOMETRIC_SEPARATED:
      return 32;
    default:
      return spp - extra >= 3 && extra > 0 ? 32 : 24;
  }
}

std::int32_t resolution(TIFF* tif, ttag_t tag, std::uint16_t unit) {
  float value = 0;
  if (!TIFFGetField(tif, tag, &value) || !(value > 0)) return 72 << 16;
  if (unit == RESUNIT_CENTIMETER) return dpi_fixed(value * 2.54);
  if (unit == RESUNIT_NONE) return 72 << 16;
  return dpi_fixed(value);
}

CodecStatus select(TIFF* tif, int index, std::int32_t& count) {
  count = static_cast<std::int32_t>(TIFFNumberOfDirectories(tif));
  if (count < 1) return CodecStatus::bad_data;
  if (index >= count) return CodecStatus::bad_index;
  if (index > 0 && !TIFFSetDirectory(tif, static_cast<tdir_t>(index))) return CodecStatus::bad_data;
  return CodecStatus::ok;
}

}  // namespace

CodecStatus tiff_probe(CodecInput& in, int index, CodecProbe& out) {
  Handle h(in);
  if (!h.tif) return CodecStatus::bad_data;
  std::int32_t count = 0;
  if (const CodecStatus st = select(h.tif, index, count); st != CodecStatus::ok) return st;
  std::uint32_t w = 0, ht = 0;
  if (!TIFFGetField(h.tif, TIFFTAG_IMAGEWIDTH, &w) ||
      !TIFFGetField(h.tif, TIFFTAG_IMAGELENGTH, &ht) || w == 0 || ht == 0 || w > 0x7FFFFFFF ||
      ht > 0x7FFFFFFF)
    return CodecStatus::bad_data;
  std::uint16_t unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(h.tif, TIFFTAG_RESOLUTIONUNIT, &unit);
  out.width = static_cast<std::int32_t>(w);
  out.height = static_cast<std::int32_t>(ht);
  out.depth = depth_of(h.tif);
  out.hres = resolution(h.tif, TIFFTAG_XRESOLUTION, unit);
  out.vres = resolution(h.tif, TIFFTAG_YRESOLUTION, unit);
  out.image_count = count;
  return CodecStatus::ok;
}

namespace {

// The rows converted at one time (a strip or a row of tiles) are held within this.
constexpr std::uint64_t kMaxBandBytes = std::uint64_t{64} << 20;
// A compressed strip taller than the band bound is decoded from its start for each band
// it is read in; beyond this many bands per strip the work would grow out of bounds.
constexpr std::uint32_t kMaxBandsPerStrip = 4;

struct RgbaImage {
  TIFFRGBAImage img{};
  bool begun = false;
  ~RgbaImage() {
    if (begun) TIFFRGBAImageEnd(&img);
  }
};

// libtiff packs A, B, G, R from the high byte down, premultiplied by alpha; the engine
// wants A, R, G, B as straight colours.
void to_straight_argb(std::uint32_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    std::uint32_t v = (p[i] & 0xFF00FF00u) | ((p[i] & 0xFF) << 16) | ((p[i] >> 16) & 0xFF);
    const std::uint32_t a = v >> 24;
    if (a != 0xFF) {
      auto c = [a](std::uint32_t x) { return std::min<std::uint32_t>(255, (x * 255 + a / 2) / a); };
      v = a == 0
              ? 0
              : (a << 24) | (c((v >> 16) & 0xFF) << 16) | (c((v >> 8) & 0xFF) << 8) | c(v & 0xFF);
    }
    p[i] = v;
  }
}

// The rows converted at one time: a row of tiles, or a strip (in parts when it is
// taller than the bound allows).  0 when no band within the bound will do.
std::uint32_t band_rows(TIFF* tif, std::uint32_t w, std::uint32_t h) {
  const std::uint64_t row_bytes = std::uint64_t{w} * 4;
  const std::uint64_t fit = kMaxBandBytes / row_bytes;
  std::uint32_t rows = 0;
  if (TIFFIsTiled(tif)) {
    if (!TIFFGetField(tif, TIFFTAG_TILELENGTH, &rows) || rows == 0) return 0;
    return rows <= fit ? std::min(rows, h) : 0;
  }
  rows = h;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rows);
  rows = std::clamp<std::uint32_t>(rows, 1, h);
  if (rows <= fit) return rows;
  if (fit == 0) return 0;
  std::uint16_t compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  if (compression != COMPRESSION_NONE && (rows + fit - 1) / fit > kMaxBandsPerStrip) return 0;
  // Parts of a strip start on whole rows of chroma blocks (subsampled YCbCr).
  return static_cast<std::uint32_t>(fit >= 16 ? fit / 16 * 16 : fit);
}

}  // namespace

CodecStatus tiff_decode(CodecInput& in, int index, std::int32_t min_width, std::int32_t min_height,
                        const PixelWindow& window, DecodedPicture& out) {
  Handle h(in);
  if (!h.tif) return CodecStatus::bad_data;
  std::int32_t count = 0;
  if (const CodecStatus st = select(h.tif, index, count); st != CodecStatus::ok) return st;
  std::uint32_t w = 0, ht = 0;
  TIFFGetField(h.tif, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(h.tif, TIFFTAG_IMAGELENGTH, &ht);
  if (w == 0 || ht == 0 || w > 0x7FFFFFFF || ht > 0x7FFFFFFF) return CodecStatus::bad_data;
  // Whole pictures beyond the limit are refused before the library sets anything up; a
  // reduced or partial decode is measured by the reducer.
  if (too_big(w, ht) && (min_width <= 0 || min_height <= 0) && window.empty())
    return CodecStatus::no_memory;
  char message[1024];
  RgbaImage rgba;
  if (!TIFFRGBAImageOK(h.tif, message) || !TIFFRGBAImageBegin(&rgba.img, h.tif, 0, message))
    return CodecStatus::unsupported;
  rgba.begun = true;
  rgba.img.req_orientation = ORIENTATION_TOPLEFT;
  // Pictures stored bottom up come out of each band flipped: their bands are taken from
  // the bottom of the picture up, their rows from the band's last up.
  const std::uint16_t o = rgba.img.orientation;
  const bool bottom_up = o == ORIENTATION_BOTLEFT || o == ORIENTATION_BOTRIGHT ||
                         o == ORIENTATION_LEFTBOT || o == ORIENTATION_RIGHTBOT;
  const std::uint32_t rows = band_rows(h.tif, w, ht);
  if (rows == 0) return CodecStatus::no_memory;

  const auto width = static_cast<std::int32_t>(w), height = static_cast<std::int32_t>(ht);
  BlockReducer reducer;
  if (const CodecStatus st =
          reducer.start(width, height, block_factor(w, ht, min_width, min_height),
                        BlockReducer::Order::bands, out, 0xFFFFFFFFu, window);
      st != CodecStatus::ok)
    return st;
  std::vector<std::uint32_t> band;
  try {
    band.resize(static_cast<std::size_t>(w) * rows);
  } catch (const std::bad_alloc&) {
    return CodecStatus::no_memory;
  }
  for (std::uint32_t first = 0; first < ht; first += rows) {
    const std::uint32_t n = std::min(rows, ht - first);
    // Bands that hold no kept row are not read at all.
    const std::uint32_t y0 = bottom_up ? ht - first - n : first;
    if (y0 + n <= static_cast<std::uint32_t>(reducer.first_row()) ||
        y0 >= static_cast<std::uint32_t>(reducer.last_row()))
      continue;
    rgba.img.row_offset = static_cast<int>(first);
    rgba.img.col_offset = 0;
    if (!TIFFRGBAImageGet(&rgba.img, band.data(), w, n)) return CodecStatus::bad_data;
    to_straight_argb(band.data(), std::size_t{w} * n);
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::uint32_t r = bottom_up ? n - 1 - i : i;
      const std::uint32_t y = bottom_up ? ht - first - n + r : first + r;
      reducer.add_row(static_cast<std::int32_t>(y), band.data() + std::size_t{w} * r);
    }
  }
  reducer.finish();
  return CodecStatus::ok;
}

}  // namespace velmora::platform::codecs
