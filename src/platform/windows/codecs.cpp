// Picture codecs on Windows: the Windows Imaging Component decodes JPEG, PNG, TIFF and
// GIF (whose pages are composed in gif_pages.cpp).  Resolutions the file does not state are 72 dpi,
// as the picture layer expects, so JPEG and PNG densities are read from their own headers (WIC
// would answer 96).  A picture drawn much smaller than it is, or only in part, is copied out
// of the decoder a band of rows at a time into the block averages, never whole.
#include "platform/codecs.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "platform/shared/block_reduce.hpp"
#include "platform/windows/codec_stream.hpp"
#include "platform/windows/gif_pages.hpp"
#include "platform/windows/win32.hpp"

namespace velmora::platform {

namespace {

constexpr std::int32_t k72 = 72 << 16;

const GUID& container_of(CodecFormat format) {
  switch (format) {
    case CodecFormat::jpeg:
      return GUID_ContainerFormatJpeg;
    case CodecFormat::png:
      return GUID_ContainerFormatPng;
    case CodecFormat::tiff:
      return GUID_ContainerFormatTiff;
    case CodecFormat::gif:
      break;
  }
  return GUID_ContainerFormatGif;
}

std::int32_t dpi_fixed(double dpi) {
  if (!(dpi > 0) || dpi > 30000) return k72;
  return static_cast<std::int32_t>(std::lround(dpi * 65536.0));
}

std::uint32_t be32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

// JFIF's density: units 1 per inch, 2 per centimetre; 0 (aspect only) says nothing.
void jfif_density(CodecInput& in, CodecProbe& out) {
  std::uint8_t h[18];
  if (in.size() < sizeof h || !in.read(0, h, sizeof h)) return;
  if (h[0] != 0xFF || h[1] != 0xD8 || h[2] != 0xFF || h[3] != 0xE0 ||
      std::string_view(reinterpret_cast<const char*>(h + 6), 5) != std::string_view("JFIF\0", 5)) {
    return;
  }
  const int x = (h[14] << 8) | h[15], y = (h[16] << 8) | h[17];
  const double scale = h[13] == 1 ? 1.0 : h[13] == 2 ? 2.54 : 0.0;
  if (scale == 0.0 || x == 0 || y == 0) return;
  out.hres = dpi_fixed(x * scale);
  out.vres = dpi_fixed(y * scale);
}

// PNG's pHYs chunk (pixels per metre), looked for before the image data.
void png_density(CodecInput& in, CodecProbe& out) {
  std::uint64_t at = 8;
  for (int chunks = 0; chunks < 64 && at + 8 <= in.size(); ++chunks) {
    std::uint8_t head[8];
    if (!in.read(at, head, 8)) return;
    const std::uint32_t length = be32(head);
    const std::string_view type(reinterpret_cast<const char*>(head + 4), 4);
    if (type == "IDAT" || type == "IEND") return;
    if (type == "pHYs" && length == 9 && at + 17 <= in.size()) {
      std::uint8_t body[9];
      if (!in.read(at + 8, body, 9) || body[8] != 1) return;
      out.hres = dpi_fixed(be32(body) * 0.0254);
      out.vres = dpi_fixed(be32(body + 4) * 0.0254);
      return;
    }
    at += 12ull + length;
  }
}

struct PixelDepth {
  const GUID* format;
  std::int16_t png_tiff;  // grey below 8 bits: PNG says 32 + bits, TIFF 1 for two levels
  std::int16_t other;
};

constexpr PixelDepth kDepths[] = {
    {&GUID_WICPixelFormatBlackWhite, 33, 1}, {&GUID_WICPixelFormat2bppGray, 34, 34},
    {&GUID_WICPixelFormat4bppGray, 36, 36},  {&GUID_WICPixelFormat8bppGray, 40, 40},
    {&GUID_WICPixelFormat16bppGray, 40, 40}, {&GUID_WICPixelFormat1bppIndexed, 1, 1},
    {&GUID_WICPixelFormat2bppIndexed, 2, 2}, {&GUID_WICPixelFormat4bppIndexed, 4, 4},
    {&GUID_WICPixelFormat8bppIndexed, 8, 8},
};

// A GIF's depth is its global colour table's size (2 colours are 1 bit, as a 1-bit PNG):
// WIC always answers 8-bit indexes, so the table size is read from the screen descriptor.
std::int16_t gif_table_depth(CodecInput& in) {
  std::uint8_t packed = 0;
  if (!in.read(10, &packed, 1) || (packed & 0x80) == 0) return 8;
  constexpr std::int16_t kDepths[] = {1, 1, 2, 4, 4, 8, 8, 8, 8};
  return kDepths[(packed & 0x07) + 1];
}

std::int16_t depth_of(IWICImagingFactory* factory, CodecFormat format,
                      const WICPixelFormatGUID& pixel) {
  for (const PixelDepth& d : kDepths) {
    if (*d.format == pixel) return format == CodecFormat::png ? d.png_tiff : d.other;
  }
  if (format == CodecFormat::jpeg) {
    return pixel == GUID_WICPixelFormat32bppCMYK ? 32 : 24;
  }
  // Direct colour: with an alpha channel (or four channels) 32, else 24.
  win::ComPtr<IWICComponentInfo> info;
  win::ComPtr<IWICPixelFormatInfo2> pixel_info;
  UINT channels = 3;
  BOOL transparent = FALSE;
  if (SUCCEEDED(factory->CreateComponentInfo(pixel, info.put())) &&
      SUCCEEDED(info->QueryInterface(IID_IWICPixelFormatInfo2, pixel_info.put_void()))) {
    pixel_info->GetChannelCount(&channels);
    pixel_info->SupportsTransparency(&transparent);
  }
  return transparent || channels >= 4 ? 32 : 24;
}

// One frame of a picture, opened through the factory.
struct OpenFrame {
  win::ComScope com;
  win::ComPtr<IWICImagingFactory> factory;
  win::ComPtr<IWICBitmapDecoder> decoder;
  win::ComPtr<IWICBitmapFrameDecode> frame;
  UINT count = 0;
};

CodecStatus open_frame(CodecFormat format, CodecInput& in, int index, OpenFrame& f) {
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, f.factory.put_void())) ||
      FAILED(f.factory->CreateDecoder(container_of(format), nullptr, f.decoder.put()))) {
    return CodecStatus::unsupported;
  }
  IStream* stream = win::new_codec_stream(in);
  const HRESULT opened = f.decoder->Initialize(stream, WICDecodeMetadataCacheOnDemand);
  stream->Release();  // the decoder keeps its own reference
  if (FAILED(opened))
    return opened == E_OUTOFMEMORY ? CodecStatus::no_memory : CodecStatus::bad_data;
  if (FAILED(f.decoder->GetFrameCount(&f.count)) || f.count == 0) return CodecStatus::bad_data;
  if (index < 0 || static_cast<UINT>(index) >= f.count) return CodecStatus::bad_index;
  if (FAILED(f.decoder->GetFrame(static_cast<UINT>(index), f.frame.put()))) {
    return CodecStatus::bad_data;
  }
  return CodecStatus::ok;
}

}  // namespace

CodecStatus probe_picture(CodecFormat format, CodecInput& in, int index, CodecProbe& out) {
  OpenFrame f;
  const CodecStatus status = open_frame(format, in, index, f);
  if (status != CodecStatus::ok) return status;
  UINT width = 0, height = 0;
  WICPixelFormatGUID pixel{};
  if (FAILED(f.frame->GetSize(&width, &height)) || width == 0 || height == 0 ||
      width > 0x7FFFFFFF || height > 0x7FFFFFFF || FAILED(f.frame->GetPixelFormat(&pixel))) {
    return CodecStatus::bad_data;
  }
  // A GIF's pages are as large as its logical screen, not as the frame's own patch.
  if (format == CodecFormat::gif) win::gif_screen_size(f.decoder.get(), width, height);
  out.width = static_cast<std::int32_t>(width);
  out.height = static_cast<std::int32_t>(height);
  out.depth =
      format == CodecFormat::gif ? gif_table_depth(in) : depth_of(f.factory.get(), format, pixel);
  out.image_count = static_cast<std::int32_t>(f.count);
  out.hres = out.vres = k72;
  switch (format) {
    case CodecFormat::jpeg:
      jfif_density(in, out);
      break;
    case CodecFormat::png:
      png_density(in, out);
      break;
    case CodecFormat::tiff: {
      double x = 0, y = 0;
      if (SUCCEEDED(f.frame->GetResolution(&x, &y))) {
        out.hres = dpi_fixed(x);
        out.vres = dpi_fixed(y);
      }
      break;
    }
    case CodecFormat::gif:
      break;  // GIF cannot hold a resolution
  }
  return CodecStatus::ok;
}

namespace {

// Rows copied out of the decoder at one time for the block averages.
constexpr std::uint64_t kBandBytes = std::uint64_t{16} << 20;

// The picture's rows through the block averages, a band at a time: a picture drawn much
// smaller than it is, or only partly, is never held whole.
CodecStatus decode_reduced(IWICBitmapSource* source, UINT width, UINT height, std::int32_t k,
                           const PixelWindow& window, DecodedPicture& out) {
  BlockReducer reducer;
  const auto w = static_cast<std::int32_t>(width), h = static_cast<std::int32_t>(height);
  if (const CodecStatus st =
          reducer.start(w, h, k, BlockReducer::Order::bands, out, 0xFFFFFFFFu, window);
      st != CodecStatus::ok)
    return st;
  const UINT stride = width * 4;
  const auto rows = static_cast<std::int32_t>(
      std::clamp<std::uint64_t>(kBandBytes / stride, 1, static_cast<std::uint64_t>(h)));
  std::vector<std::uint32_t> band;
  try {
    band.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows));
  } catch (const std::bad_alloc&) {
    return CodecStatus::no_memory;
  }
  for (std::int32_t y = reducer.first_row(); y < reducer.last_row(); y += rows) {
    const std::int32_t n = std::min(rows, reducer.last_row() - y);
    const WICRect rect{0, y, w, n};
    const HRESULT copied = source->CopyPixels(&rect, stride, stride * static_cast<UINT>(n),
                                              reinterpret_cast<BYTE*>(band.data()));
    if (FAILED(copied)) {
      out.pixels.clear();
      return copied == E_OUTOFMEMORY ? CodecStatus::no_memory : CodecStatus::bad_data;
    }
    for (std::int32_t i = 0; i < n; ++i)
      reducer.add_row(y + i, band.data() + static_cast<std::size_t>(i) * width);
  }
  reducer.finish();
  return CodecStatus::ok;
}

}  // namespace

CodecStatus decode_picture(CodecFormat format, CodecInput& in, int index, std::int32_t min_width,
                           std::int32_t min_height, DecodedPicture& out,
                           const PixelWindow& window) {
  OpenFrame f;
  const CodecStatus status = open_frame(format, in, index, f);
  if (status != CodecStatus::ok) return status;
  UINT width = 0, height = 0;
  if (format == CodecFormat::gif && win::gif_screen_size(f.decoder.get(), width, height)) {
    return win::compose_gif_page(f.factory.get(), f.decoder.get(), static_cast<UINT>(index), out);
  }
  if (FAILED(f.frame->GetSize(&width, &height)) || width == 0 || height == 0 ||
      width > 0x7FFFFFFF || height > 0x7FFFFFFF) {
    return CodecStatus::bad_data;
  }
  // 0xAARRGGBB words are BGRA bytes in memory.
  win::ComPtr<IWICFormatConverter> converter;
  if (FAILED(f.factory->CreateFormatConverter(converter.put())) ||
      FAILED(converter->Initialize(f.frame.get(), GUID_WICPixelFormat32bppBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom))) {
    return CodecStatus::unsupported;
  }
  const std::int32_t k = block_factor(width, height, min_width, min_height);
  const bool part = !window.empty() &&
                    (window.left > 0 || window.top > 0 || window.right < static_cast<INT>(width) ||
                     window.bottom < static_cast<INT>(height));
  if (k > 1 || part) return decode_reduced(converter.get(), width, height, k, window, out);
  if (static_cast<std::int64_t>(width) * height > kMaxDecodedPixels) return CodecStatus::no_memory;
  out.pixels.assign(static_cast<std::size_t>(width) * height, 0);
  const UINT stride = width * 4;
  const HRESULT copied =
      converter->CopyPixels(nullptr, stride, static_cast<UINT>(out.pixels.size() * 4),
                            reinterpret_cast<BYTE*>(out.pixels.data()));
  if (FAILED(copied)) {
    out.pixels.clear();
    return copied == E_OUTOFMEMORY ? CodecStatus::no_memory : CodecStatus::bad_data;
  }
  out.width = static_cast<std::int32_t>(width);
  out.height = static_cast<std::int32_t>(height);
  return CodecStatus::ok;
}

}  // namespace velmora::platform
