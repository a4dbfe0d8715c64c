// JPEG through libjpeg-turbo.  The source manager pulls the file a block at a time, so
// a probe reads the headers only; decoding asks the library for 1/2, 1/4 or 1/8 scale
// when the caller's box allows it, which skips most of the inverse DCT work.
#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>
// jpeglib.h expects size_t and FILE to be declared before it.
#include <jpeglib.h>
// After jpeglib.h: the message codes that say memory ran out.
#include <jerror.h>

#include "platform/linux/codec_backends.hpp"
#include "platform/shared/block_reduce.hpp"

namespace velmora::platform::codecs {

namespace {

constexpr std::size_t kBlock = 64 * 1024;
// The library's own working memory (a progressive picture's coefficients, mainly) is
// held within this; a picture that needs more is refused rather than decoded.
constexpr long kLibraryMemory = 256L * 1024 * 1024;
// Pictures of more pixels than this (32768 x 32768) are refused: decoding their every
// block would take far too long, however small they are drawn.
constexpr std::uint64_t kMaxSourcePixels = std::uint64_t{1} << 30;

struct Source {
  jpeg_source_mgr pub;
  CodecInput* in;
  std::uint64_t pos;
  JOCTET buffer[kBlock];
};

struct ErrorTrap {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void init_source(j_decompress_ptr) {}
void term_source(j_decompress_ptr) {}

boolean fill_input_buffer(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<Source*>(cinfo->src);
  const std::uint64_t size = src->in->size();
  std::size_t n = 0;
  if (src->pos < size) {
    n = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, size - src->pos));
    if (!src->in->read(src->pos, src->buffer, n)) n = 0;
    src->pos += n;
  }
  if (n == 0) {
    // A file cut short ends as if its end marker were there; what is missing stays grey.
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    n = 2;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = n;
  return TRUE;
}

void skip_input_data(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<Source*>(cinfo->src);
  if (count <= 0) return;
  const auto n = static_cast<std::size_t>(count);
  if (n <= src->pub.bytes_in_buffer) {
    src->pub.next_input_byte += n;
    src->pub.bytes_in_buffer -= n;
    return;
  }
  src->pos += n - src->pub.bytes_in_buffer;
  src->pub.bytes_in_buffer = 0;
}

[[noreturn]] void error_exit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorTrap*>(cinfo->err)->jump, 1);
}
void output_message(j_common_ptr) {}
void emit_message(j_common_ptr, int) {}

// Everything one decompression needs, kept off the stack frame that longjmp returns to.
struct Session {
  jpeg_decompress_struct cinfo;
  ErrorTrap err;
  Source src;
  std::vector<std::uint32_t> row;
  BlockReducer reducer;

  explicit Session(CodecInput& in) {
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = error_exit;
    err.pub.output_message = output_message;
    err.pub.emit_message = emit_message;
    src.in = &in;
    src.pos = 0;
    src.pub.init_source = init_source;
    src.pub.fill_input_buffer = fill_input_buffer;
    src.pub.skip_input_data = skip_input_data;
    src.pub.resync_to_restart = jpeg_resync_to_restart;
    src.pub.term_source = term_source;
    src.pub.bytes_in_buffer = 0;
    src.pub.next_input_byte = nullptr;
  }
};

// IFD0's XResolution, YResolution and ResolutionUnit in an EXIF block (the APP1 data
// behind "Exif\0\0"), every read checked against the block.  False when it has none.
bool exif_resolution(const JOCTET* data, std::size_t size, double& x, double& y) {
  if (size < 6 + 8 || std::memcmp(data, "Exif\0\0", 6) != 0) return false;
  const JOCTET* t = data + 6;
  const std::size_t n = size - 6;
  const bool intel = t[0] == 'I' && t[1] == 'I';
  if (!intel && !(t[0] == 'M' && t[1] == 'M')) return false;
  auto u16 = [&](std::size_t at) -> std::uint32_t {
    return intel ? t[at] | (t[at + 1] << 8) : (t[at] << 8) | t[at + 1];
  };
  auto u32 = [&](std::size_t at) -> std::uint32_t {
    return intel ? u16(at) | (u16(at + 2) << 16) : (u16(at) << 16) | u16(at + 2);
  };
  if (u16(2) != 42) return false;
  const std::uint64_t ifd = u32(4);
  if (ifd + 2 > n) return false;
  const std::uint32_t count = u16(static_cast<std::size_t>(ifd));
  double rx = 0, ry = 0;
  std::uint32_t unit = 2;  // inches unless the block says otherwise
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t e = ifd + 2 + 12 * std::uint64_t{i};
    if (e + 12 > n) break;
    const auto at = static_cast<std::size_t>(e);
    const std::uint32_t tag = u16(at), type = u16(at + 2);
    if (tag == 0x0128 && type == 3) unit = u16(at + 8);
    if ((tag == 0x011A || tag == 0x011B) && type == 5) {
      const std::uint64_t value = u32(at + 8);
      if (value + 8 > n) continue;
      const std::uint32_t num = u32(static_cast<std::size_t>(value));
      const std::uint32_t den = u32(static_cast<std::size_t>(value) + 4);
      if (den == 0) continue;
      (tag == 0x011A ? rx : ry) = static_cast<double>(num) / den;
    }
  }
  if (!(rx > 0) || !(ry > 0) || (unit != 2 && unit != 3)) return false;
  const double per_inch = unit == 3 ? 2.54 : 1.0;
  x = rx * per_inch;
  y = ry * per_inch;
  return true;
}

void describe(const jpeg_decompress_struct& cinfo, CodecProbe& out) {
  out.width = static_cast<std::int32_t>(cinfo.image_width);
  out.height = static_cast<std::int32_t>(cinfo.image_height);
  out.depth = cinfo.num_components == 1 ? 40 : cinfo.num_components == 4 ? 32 : 24;
  out.hres = out.vres = 72 << 16;
  if (cinfo.saw_JFIF_marker && cinfo.X_density > 0 && cinfo.Y_density > 0) {
    // Unit 1: dots per inch; 2: dots per centimetre; 0: an aspect ratio only.
    const double per_unit = cinfo.density_unit == 1 ? 1.0 : cinfo.density_unit == 2 ? 2.54 : 0.0;
    if (per_unit > 0) {
      out.hres = dpi_fixed(cinfo.X_density * per_unit);
      out.vres = dpi_fixed(cinfo.Y_density * per_unit);
      out.image_count = 1;
      return;
    }
  }
  // Cameras write no JFIF density but give the resolution in the EXIF block.
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next) {
    double x = 0, y = 0;
    if (m->marker == JPEG_APP0 + 1 && exif_resolution(m->data, m->data_length, x, y)) {
      out.hres = dpi_fixed(x);
      out.vres = dpi_fixed(y);
      break;
    }
  }
  out.image_count = 1;
}

}  // namespace

CodecStatus jpeg_probe(CodecInput& in, int index, CodecProbe& out) {
  if (index > 0) return CodecStatus::bad_index;
  auto session = std::make_unique<Session>(in);
  jpeg_decompress_struct& cinfo = session->cinfo;
  if (setjmp(session->err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return CodecStatus::bad_data;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.src = &session->src.pub;
  jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&cinfo);
    return CodecStatus::bad_data;
  }
  describe(cinfo, out);
  jpeg_destroy_decompress(&cinfo);
  return CodecStatus::ok;
}

namespace {

// Photoshop writes CMYK inverted (an Adobe marker says so); others write it plain.
void cmyk_to_argb(std::uint32_t* p, std::size_t n, bool inverted) {
  for (std::size_t i = 0; i < n; ++i) {
    std::uint8_t b[4];
    std::memcpy(b, p + i, 4);
    std::uint32_t c = b[0], m = b[1], y = b[2], k = b[3];
    if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    const std::uint32_t r = c * k / 255, g = m * k / 255, bl = y * k / 255;
    p[i] = 0xFF000000u | (r << 16) | (g << 8) | bl;
  }
}

}  // namespace

CodecStatus jpeg_decode(CodecInput& in, int index, std::int32_t min_width, std::int32_t min_height,
                        const PixelWindow& window, DecodedPicture& out) {
  if (index > 0) return CodecStatus::bad_index;
  auto session = std::make_unique<Session>(in);
  jpeg_decompress_struct& cinfo = session->cinfo;
  volatile CodecStatus failure = CodecStatus::bad_data;
  if (setjmp(session->err.jump)) {
    const int code = session->err.pub.msg_code;
    jpeg_destroy_decompress(&cinfo);
    if (code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE) return CodecStatus::no_memory;
    return failure;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = kLibraryMemory;
  cinfo.src = &session->src.pub;
  jpeg_read_header(&cinfo, TRUE);
  // Every block is entropy-decoded whatever the scale: pictures beyond this are refused
  // at once rather than decoded for many seconds.
  if (std::uint64_t{cinfo.image_width} * cinfo.image_height > kMaxSourcePixels) {
    failure = CodecStatus::no_memory;
    error_exit(reinterpret_cast<j_common_ptr>(&cinfo));
  }
  // The largest reduction whose result still covers the box.
  unsigned denom = 1;
  if (min_width > 0 && min_height > 0) {
    for (unsigned d : {8u, 4u, 2u}) {
      if ((cinfo.image_width + d - 1) / d >= static_cast<unsigned>(min_width) &&
          (cinfo.image_height + d - 1) / d >= static_cast<unsigned>(min_height)) {
        denom = d;
        break;
      }
    }
  }
  cinfo.scale_num = 1;
  cinfo.scale_denom = denom;
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
  jpeg_calc_output_dimensions(&cinfo);
  const auto ow = static_cast<std::int32_t>(cinfo.output_width);
  const auto oh = static_cast<std::int32_t>(cinfo.output_height);
  // Rows still twice the box or more are averaged in blocks as they arrive.
  const std::int32_t k = block_factor(ow, oh, min_width, min_height);
  if (k > 1) {
    // The rows are averaged further: the simpler chroma upsampling (merged with the
    // colour conversion) costs nothing that the averages would keep.
    cinfo.do_fancy_upsampling = FALSE;
  }
  // The window in output pixels (each covers denom x denom of the picture's own).
  PixelWindow part;
  if (!window.empty()) {
    const auto d = static_cast<std::int64_t>(denom);
    part.left = static_cast<std::int32_t>(std::clamp<std::int64_t>(window.left / d, 0, ow));
    part.top = static_cast<std::int32_t>(std::clamp<std::int64_t>(window.top / d, 0, oh));
    part.right =
        static_cast<std::int32_t>(std::clamp<std::int64_t>((window.right + d - 1) / d, 0, ow));
    part.bottom =
        static_cast<std::int32_t>(std::clamp<std::int64_t>((window.bottom + d - 1) / d, 0, oh));
    if (part.empty() || (part.left == 0 && part.top == 0 && part.right == ow && part.bottom == oh))
      part = PixelWindow{};
  }
  if (k == 1 && part.empty() && too_big(ow, oh)) {
    failure = CodecStatus::no_memory;
    error_exit(reinterpret_cast<j_common_ptr>(&cinfo));
  }
  // The library sets up its own buffers first: a picture they would not fit (a
  // progressive one of vast size) is refused before the output costs anything.
  jpeg_start_decompress(&cinfo);
  const bool inverted = cinfo.saw_Adobe_marker;
  if (k > 1 || !part.empty()) {
    BlockReducer& reducer = session->reducer;
    std::vector<std::uint32_t>& row = session->row;
    CodecStatus st = CodecStatus::no_memory;
    try {
      row.resize(static_cast<std::size_t>(ow));
      st = reducer.start(ow, oh, k, BlockReducer::Order::bands, out, 0xFFFFFFFFu, part);
    } catch (const std::bad_alloc&) {
    }
    if (st != CodecStatus::ok) {
      failure = st;
      error_exit(reinterpret_cast<j_common_ptr>(&cinfo));
    }
    // Only the columns of the kept blocks are transformed and converted, with an iMCU
    // column more on each side (the chroma at a cut's edges is smoothed with what lies
    // beyond); rows above them are skipped, rows below never read.
    JDIMENSION x0 = 0, columns = cinfo.output_width;
    if (!part.empty()) {
      const std::int64_t imcu =
          static_cast<std::int64_t>(cinfo.max_h_samp_factor) * cinfo.min_DCT_scaled_size;
      const std::int64_t lo = std::max<std::int64_t>(0, part.left / k * k - imcu);
      const std::int64_t hi = std::min<std::int64_t>(
          ow, (static_cast<std::int64_t>(part.right) + k - 1) / k * k + imcu);
      x0 = static_cast<JDIMENSION>(lo);
      columns = static_cast<JDIMENSION>(hi - lo);
      if (columns < cinfo.output_width) jpeg_crop_scanline(&cinfo, &x0, &columns);
      const auto first = static_cast<JDIMENSION>(reducer.first_row());
      if (first > 0) jpeg_skip_scanlines(&cinfo, first);
    }
    const auto last = static_cast<JDIMENSION>(reducer.last_row());
    while (cinfo.output_scanline < last) {
      const auto y = static_cast<std::int32_t>(cinfo.output_scanline);
      auto* dst = reinterpret_cast<JSAMPROW>(row.data());
      if (jpeg_read_scanlines(&cinfo, &dst, 1) != 1) break;
      if (cmyk) cmyk_to_argb(row.data(), columns, inverted);
      reducer.add(y, row.data(), static_cast<std::int32_t>(x0), 1,
                  static_cast<std::int32_t>(columns));
    }
    reducer.finish();
    if (cinfo.output_scanline < cinfo.output_height) {
      // The rest of the picture is not needed.
      jpeg_destroy_decompress(&cinfo);
      return CodecStatus::ok;
    }
  } else {
    if (!allocate(out, ow, oh)) {
      failure = CodecStatus::no_memory;
      error_exit(reinterpret_cast<j_common_ptr>(&cinfo));
    }
    while (cinfo.output_scanline < cinfo.output_height) {
      auto* row = reinterpret_cast<JSAMPROW>(
          out.pixels.data() + static_cast<std::size_t>(cinfo.output_scanline) * out.width);
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    if (cmyk) cmyk_to_argb(out.pixels.data(), out.pixels.size(), inverted);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return CodecStatus::ok;
}

}  // namespace velmora::platform::codecs
