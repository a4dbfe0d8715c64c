// JPEG through libjpeg-turbo into memory.  The picture layer's quality (0..1023, 1024
// lossless) becomes the library's 1..100 scale; the top qualities keep full colour
// resolution (no chroma subsampling).  Grey depths write one component.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
// jpeglib.h expects size_t and FILE to be declared before it.
#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <new>
#include <vector>

#include "platform/linux/encoder_backends.hpp"

namespace velmora::platform::encoders {

namespace {

struct ErrorTrap {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void error_exit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorTrap*>(cinfo->err)->jump, 1);
}
void output_message(j_common_ptr) {}

constexpr std::size_t kBlock = 64 * 1024;

// Collects the compressed bytes in the caller's vector, a block at a time.
struct Destination {
  jpeg_destination_mgr pub;
  std::vector<std::uint8_t>* out;
  JOCTET buffer[kBlock];
};

void init_destination(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<Destination*>(cinfo->dest);
  d->pub.next_output_byte = d->buffer;
  d->pub.free_in_buffer = kBlock;
}

bool append(j_compress_ptr cinfo, std::size_t n) {
  auto* d = reinterpret_cast<Destination*>(cinfo->dest);
  try {
    d->out->insert(d->out->end(), d->buffer, d->buffer + n);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

boolean empty_output_buffer(j_compress_ptr cinfo) {
  if (!append(cinfo, kBlock)) error_exit(reinterpret_cast<j_common_ptr>(cinfo));
  init_destination(cinfo);
  return TRUE;
}

void term_destination(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<Destination*>(cinfo->dest);
  if (!append(cinfo, kBlock - d->pub.free_in_buffer)) {
    error_exit(reinterpret_cast<j_common_ptr>(cinfo));
  }
}

// Everything one compression needs, kept off the stack frame that longjmp returns to.
struct Session {
  jpeg_compress_struct cinfo;
  ErrorTrap err;
  Destination dest;
  std::vector<JSAMPLE> row;

  explicit Session(std::vector<std::uint8_t>& out) {
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = error_exit;
    err.pub.output_message = output_message;
    dest.out = &out;
    dest.pub.init_destination = init_destination;
    dest.pub.empty_output_buffer = empty_output_buffer;
    dest.pub.term_destination = term_destination;
  }
};

std::uint16_t density(std::int32_t fixed) {
  const long dpi = std::lround(fixed / 65536.0);
  return static_cast<std::uint16_t>(std::clamp(dpi, 1L, 65535L));
}

int library_quality(std::int32_t quality) {
  const std::int32_t q = std::clamp(quality, 0, kQualityLossless);
  return std::clamp((q * 100 + 511) / 1023, 1, 100);
}

}  // namespace

EncodeStatus jpeg_encode(const EncodeRequest& r, std::vector<std::uint8_t>& out) {
  const bool grey = grey_bits(r.depth) > 0;
  out.clear();
  auto session = std::make_unique<Session>(out);
  jpeg_compress_struct& cinfo = session->cinfo;
  try {
    session->row.resize(static_cast<std::size_t>(r.width) * (grey ? 1 : 3));
  } catch (const std::bad_alloc&) {
    return EncodeStatus::no_memory;
  }
  if (setjmp(session->err.jump)) {
    jpeg_destroy_compress(&cinfo);
    out.clear();
    return EncodeStatus::failed;
  }
  jpeg_create_compress(&cinfo);
  cinfo.dest = &session->dest.pub;
  cinfo.image_width = static_cast<JDIMENSION>(r.width);
  cinfo.image_height = static_cast<JDIMENSION>(r.height);
  cinfo.input_components = grey ? 1 : 3;
  cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, library_quality(r.quality), TRUE);
  if (r.quality >= 1023 && !grey) {
    for (int c = 0; c < cinfo.num_components; ++c) {
      cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    }
  }
  cinfo.optimize_coding = TRUE;
  cinfo.write_JFIF_header = TRUE;
  cinfo.density_unit = 1;  // dots per inch
  cinfo.X_density = density(r.hres);
  cinfo.Y_density = density(r.vres);
  jpeg_start_compress(&cinfo, TRUE);
  JSAMPLE* row = session->row.data();
  while (cinfo.next_scanline < cinfo.image_height) {
    const std::uint32_t* src = r.pixels + static_cast<std::size_t>(cinfo.next_scanline) * r.width;
    for (std::int32_t x = 0; x < r.width; ++x) {
      const std::uint32_t p = src[x];
      if (grey) {
        row[x] = luminance(p);
      } else {
        row[3 * x] = static_cast<JSAMPLE>(p >> 16);
        row[3 * x + 1] = static_cast<JSAMPLE>(p >> 8);
        row[3 * x + 2] = static_cast<JSAMPLE>(p);
      }
    }
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return EncodeStatus::ok;
}

}  // namespace velmora::platform::encoders
