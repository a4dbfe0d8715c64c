// Composing animated GIF pages from the frames WIC decodes, as the Linux decoder does:
// the screen starts transparent, each frame's opaque pixels are laid at its offset
// (clipped to the screen), and its disposal method acts before the next frame.
#include "platform/windows/gif_pages.hpp"

#include <algorithm>
#include <new>
#include <vector>

namespace velmora::platform::win {

namespace {

constexpr std::uint32_t kClear = 0x00FFFFFFu;
constexpr UINT kDisposeBackground = 2, kDisposePrevious = 3;

bool read_number(IWICMetadataQueryReader* query, const wchar_t* name, UINT& value) {
  PROPVARIANT v;
  PropVariantInit(&v);
  if (FAILED(query->GetMetadataByName(name, &v))) return false;
  bool ok = true;
  switch (v.vt) {
    case VT_UI1:
      value = v.bVal;
      break;
    case VT_UI2:
      value = v.uiVal;
      break;
    case VT_UI4:
      value = v.ulVal;
      break;
    default:
      ok = false;
  }
  PropVariantClear(&v);
  return ok;
}

struct Placement {
  UINT left = 0, top = 0, disposal = 0;
};

Placement placement_of(IWICBitmapFrameDecode* frame) {
  Placement p;
  ComPtr<IWICMetadataQueryReader> query;
  if (FAILED(frame->GetMetadataQueryReader(query.put()))) return p;
  read_number(query.get(), L"/imgdesc/Left", p.left);
  read_number(query.get(), L"/imgdesc/Top", p.top);
  read_number(query.get(), L"/grctlext/Disposal", p.disposal);
  return p;
}

// A frame's own pixels as 0xAARRGGBB words; its transparent colour has alpha 0.
CodecStatus frame_pixels(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame,
                         std::int64_t limit, UINT& width, UINT& height,
                         std::vector<std::uint32_t>& pixels) {
  if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0)
    return CodecStatus::bad_data;
  // A frame far larger than the screen is damage, and would cost its size in memory.
  if (std::int64_t{width} * height > limit) return CodecStatus::bad_data;
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.put())) ||
      FAILED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                   nullptr, 0, WICBitmapPaletteTypeCustom))) {
    return CodecStatus::unsupported;
  }
  try {
    pixels.assign(std::size_t{width} * height, 0);
  } catch (const std::bad_alloc&) {
    return CodecStatus::no_memory;
  }
  const HRESULT copied =
      converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size() * 4),
                            reinterpret_cast<BYTE*>(pixels.data()));
  if (FAILED(copied))
    return copied == E_OUTOFMEMORY ? CodecStatus::no_memory : CodecStatus::bad_data;
  return CodecStatus::ok;
}

}  // namespace

bool gif_screen_size(IWICBitmapDecoder* decoder, UINT& width, UINT& height) {
  ComPtr<IWICMetadataQueryReader> query;
  if (FAILED(decoder->GetMetadataQueryReader(query.put()))) return false;
  return read_number(query.get(), L"/logscrdesc/Width", width) &&
         read_number(query.get(), L"/logscrdesc/Height", height) && width > 0 && height > 0;
}

CodecStatus compose_gif_page(IWICImagingFactory* factory, IWICBitmapDecoder* decoder, UINT index,
                             DecodedPicture& out) {
  UINT sw = 0, sh = 0;
  if (!gif_screen_size(decoder, sw, sh)) return CodecStatus::bad_data;
  const std::int64_t screen = std::int64_t{sw} * sh;
  if (screen > kMaxDecodedPixels) return CodecStatus::no_memory;
  const std::int64_t limit = std::min<std::int64_t>(4 * screen + 65536, kMaxDecodedPixels);
  std::vector<std::uint32_t> canvas, saved, patch;
  try {
    canvas.assign(static_cast<std::size_t>(screen), kClear);
  } catch (const std::bad_alloc&) {
    return CodecStatus::no_memory;
  }
  for (UINT i = 0; i <= index; ++i) {
    ComPtr<IWICBitmapFrameDecode> frame;
    UINT fw = 0, fh = 0;
    CodecStatus status = FAILED(decoder->GetFrame(i, frame.put()))
                             ? CodecStatus::bad_data
                             : frame_pixels(factory, frame.get(), limit, fw, fh, patch);
    // A damaged frame before the page leaves the frames around it.
    if (status != CodecStatus::ok) {
      if (i == index || status == CodecStatus::no_memory) return status;
      continue;
    }
    const Placement at = placement_of(frame.get());
    if (i < index && at.disposal == kDisposePrevious) {
      try {
        saved = canvas;
      } catch (const std::bad_alloc&) {
        return CodecStatus::no_memory;
      }
    }
    const UINT x0 = std::min(at.left, sw), x1 = std::min<UINT>(sw, at.left + fw);
    const UINT y0 = std::min(at.top, sh), y1 = std::min<UINT>(sh, at.top + fh);
    for (UINT y = y0; y < y1; ++y) {
      const std::uint32_t* src = patch.data() + std::size_t{y - at.top} * fw;
      std::uint32_t* dst = canvas.data() + std::size_t{y} * sw;
      for (UINT x = x0; x < x1; ++x) {
        const std::uint32_t p = src[x - at.left];
        if (p >> 24) dst[x] = p | 0xFF000000u;
      }
    }
    if (i == index) break;
    if (at.disposal == kDisposeBackground) {
      for (UINT y = y0; y < y1; ++y)
        std::fill(canvas.begin() + std::size_t{y} * sw + x0,
                  canvas.begin() + std::size_t{y} * sw + x1, kClear);
    } else if (at.disposal == kDisposePrevious && !saved.empty()) {
      canvas.swap(saved);
      saved.clear();
    }
  }
  out.width = static_cast<std::int32_t>(sw);
  out.height = static_cast<std::int32_t>(sh);
  out.pixels = std::move(canvas);
  return CodecStatus::ok;
}

}  // namespace velmora::platform::win
