// Picture encoders on Windows: the Windows Imaging Component writes JPEG, PNG, TIFF and
// GIF into memory from a raster already reduced to the depth asked for
// (encode_raster.hpp); 16 bits keeps five bits a component.
#include "platform/encoders.hpp"

#include <algorithm>

#include "platform/codecs.hpp"
#include "platform/windows/encode_raster.hpp"
#include "platform/windows/win32.hpp"

namespace velmora::platform {

namespace {

const GUID& container_of(EncodeFormat format) {
  switch (format) {
    case EncodeFormat::jpeg:
      return GUID_ContainerFormatJpeg;
    case EncodeFormat::png:
      return GUID_ContainerFormatPng;
    case EncodeFormat::tiff:
      return GUID_ContainerFormatTiff;
    case EncodeFormat::gif:
      break;
  }
  return GUID_ContainerFormatGif;
}

int grey_bits(std::int16_t depth) {
  return depth == 34 ? 2 : depth == 36 ? 4 : depth == 40 ? 8 : 0;
}
int index_bits(std::int16_t depth) {
  return depth == 1 || depth == 2 || depth == 4 || depth == 8 ? depth : 0;
}

// What each format is handed for a depth: JPEG grey or colour, GIF always indexed.
void raster_request(EncodeFormat format, std::int16_t depth, win::RasterRequest& kind, int& bits) {
  const int grey = grey_bits(depth);
  const int index = index_bits(depth);
  if (format == EncodeFormat::jpeg) {
    kind = grey ? win::RasterRequest::grey : win::RasterRequest::bgr24;
    bits = grey ? 8 : 24;
  } else if (format == EncodeFormat::gif) {
    kind = win::RasterRequest::indexed;
    bits = grey ? grey : index ? index : 8;
  } else if (grey) {
    kind = win::RasterRequest::grey;
    bits = grey;
  } else if (index) {
    kind = win::RasterRequest::indexed;
    bits = index;
  } else {
    kind = depth == 32 ? win::RasterRequest::bgra32 : win::RasterRequest::bgr24;
    bits = depth == 32 ? 32 : 24;
  }
}

WICPixelFormatGUID pixel_format(const win::Raster& raster, EncodeFormat format) {
  switch (raster.kind) {
    case win::RasterKind::bgr24:
      return GUID_WICPixelFormat24bppBGR;
    case win::RasterKind::bgra32:
      return GUID_WICPixelFormat32bppBGRA;
    case win::RasterKind::grey:
      return raster.bits == 2   ? GUID_WICPixelFormat2bppGray
             : raster.bits == 4 ? GUID_WICPixelFormat4bppGray
                                : GUID_WICPixelFormat8bppGray;
    case win::RasterKind::indexed:
      break;
  }
  // GIF wants whole bytes of index.
  if (format == EncodeFormat::gif) return GUID_WICPixelFormat8bppIndexed;
  return raster.bits == 1   ? GUID_WICPixelFormat1bppIndexed
         : raster.bits == 2 ? GUID_WICPixelFormat2bppIndexed
         : raster.bits == 4 ? GUID_WICPixelFormat4bppIndexed
                            : GUID_WICPixelFormat8bppIndexed;
}

std::uint8_t five_bits(std::uint32_t v) {
  const std::uint32_t top = v & 0xF8;
  return static_cast<std::uint8_t>(top | (top >> 5));
}

// The whole of a memory stream's bytes.
bool stream_bytes(IStream* stream, std::vector<std::uint8_t>& out) {
  LARGE_INTEGER zero{};
  ULARGE_INTEGER end{};
  if (FAILED(stream->Seek(zero, STREAM_SEEK_END, &end)) ||
      FAILED(stream->Seek(zero, STREAM_SEEK_SET, nullptr))) {
    return false;
  }
  out.resize(static_cast<std::size_t>(end.QuadPart));
  ULONG got = 0;
  return out.empty() ||
         (SUCCEEDED(stream->Read(out.data(), static_cast<ULONG>(out.size()), &got)) &&
          got == out.size());
}

// A palette WIC makes for a picture with more colours than `colours`.
bool reduced_palette(IWICImagingFactory* factory, const EncodeRequest& r, UINT colours,
                     std::vector<std::uint32_t>& out) {
  win::ComPtr<IWICBitmap> bitmap;
  win::ComPtr<IWICPalette> palette;
  const UINT stride = static_cast<UINT>(r.width) * 4;
  if (FAILED(factory->CreateBitmapFromMemory(
          static_cast<UINT>(r.width), static_cast<UINT>(r.height), GUID_WICPixelFormat32bppBGR,
          stride, stride * static_cast<UINT>(r.height),
          reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(r.pixels)), bitmap.put())) ||
      FAILED(factory->CreatePalette(palette.put())) ||
      FAILED(palette->InitializeFromBitmap(bitmap.get(), colours, FALSE))) {
    return false;
  }
  UINT count = 0;
  palette->GetColorCount(&count);
  std::vector<WICColor> colors(count);
  if (count == 0 || FAILED(palette->GetColors(count, colors.data(), &count))) return false;
  out.clear();
  for (UINT i = 0; i < count && i < colours; ++i) out.push_back(colors[i] & 0xFFFFFF);
  return true;
}

}  // namespace

EncodeStatus encode_picture(EncodeFormat format, const EncodeRequest& request,
                            std::vector<std::uint8_t>& out) {
  out.clear();
  if (request.pixels == nullptr || request.width <= 0 || request.height <= 0 ||
      !valid_depth(request.depth)) {
    return EncodeStatus::bad_input;
  }
  const std::size_t count =
      static_cast<std::size_t>(request.width) * static_cast<std::size_t>(request.height);
  if (count > static_cast<std::size_t>(kMaxDecodedPixels)) return EncodeStatus::no_memory;
  EncodeRequest r = request;
  // 16 bits: five bits a component, kept by rounding the pixels before they are written.
  std::vector<std::uint32_t> five;
  if (r.depth == 16) {
    five.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t p = r.pixels[i];
      five[i] = (p & 0xFF000000u) | (std::uint32_t{five_bits(p >> 16)} << 16) |
                (std::uint32_t{five_bits(p >> 8)} << 8) | five_bits(p);
    }
    r.pixels = five.data();
  }

  win::ComScope com;
  win::ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, factory.put_void()))) {
    return EncodeStatus::failed;
  }
  win::RasterRequest kind;
  int bits = 0;
  raster_request(format, r.depth, kind, bits);
  std::vector<std::uint32_t> reduced;
  win::Raster raster;
  if (kind == win::RasterRequest::indexed && bits > 1 &&
      !win::own_colours(r, std::size_t{1} << bits, reduced) &&
      !reduced_palette(factory.get(), r, 1u << bits, reduced)) {
    return EncodeStatus::failed;
  }
  if (!win::make_raster(r, kind, bits, reduced, raster)) return EncodeStatus::failed;
  WICPixelFormatGUID source_format = pixel_format(raster, format);
  if (format == EncodeFormat::gif && raster.bits < 8) {
    // Whole bytes of index for GIF: unpack by making the raster again at 8 bits, with the
    // same palette.
    win::Raster bytes;
    if (!win::make_raster(r, kind, 8, raster.palette, bytes)) return EncodeStatus::failed;
    bytes.palette = raster.palette;
    raster = std::move(bytes);
  }

  win::ComPtr<IWICBitmap> bitmap;
  win::ComPtr<IWICPalette> palette;
  win::ComPtr<IStream> stream;
  win::ComPtr<IWICBitmapEncoder> encoder;
  win::ComPtr<IWICBitmapFrameEncode> frame;
  win::ComPtr<IPropertyBag2> options;
  if (FAILED(factory->CreateBitmapFromMemory(
          static_cast<UINT>(r.width), static_cast<UINT>(r.height), source_format, raster.stride,
          static_cast<UINT>(raster.bytes.size()), raster.bytes.data(), bitmap.put()))) {
    return EncodeStatus::no_memory;
  }
  if (!raster.palette.empty()) {
    std::vector<WICColor> colours;
    for (const std::uint32_t c : raster.palette) colours.push_back(0xFF000000u | c);
    if (FAILED(factory->CreatePalette(palette.put())) ||
        FAILED(palette->InitializeCustom(colours.data(), static_cast<UINT>(colours.size()))) ||
        FAILED(bitmap->SetPalette(palette.get()))) {
      return EncodeStatus::failed;
    }
  }
  if (FAILED(factory->CreateEncoder(container_of(format), nullptr, encoder.put())) ||
      FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) ||
      FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.put(), options.put()))) {
    return EncodeStatus::failed;
  }
  if (format == EncodeFormat::jpeg && options) {
    PROPBAG2 name{};
    name.dwType = PROPBAG2_TYPE_DATA;
    name.vt = VT_R4;
    name.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R4;
    value.fltVal = static_cast<float>(std::clamp(r.quality, 0, kQualityLossless)) /
                   static_cast<float>(kQualityLossless);
    options->Write(1, &name, &value);
  }
  WICPixelFormatGUID written = source_format;
  if (FAILED(frame->Initialize(options.get())) ||
      FAILED(frame->SetSize(static_cast<UINT>(r.width), static_cast<UINT>(r.height))) ||
      FAILED(frame->SetPixelFormat(&written))) {
    return EncodeStatus::failed;
  }
  if (format != EncodeFormat::gif) frame->SetResolution(r.hres / 65536.0, r.vres / 65536.0);
  if (palette) frame->SetPalette(palette.get());
  // The encoder may write a format near the one asked for: convert to it.
  win::ComPtr<IWICFormatConverter> converter;
  IWICBitmapSource* source = bitmap.get();
  if (written != source_format) {
    if (FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(bitmap.get(), written, WICBitmapDitherTypeNone, palette.get(),
                                     0, WICBitmapPaletteTypeCustom))) {
      return EncodeStatus::failed;
    }
    source = converter.get();
  }
  if (FAILED(frame->WriteSource(source, nullptr)) || FAILED(frame->Commit()) ||
      FAILED(encoder->Commit())) {
    return EncodeStatus::failed;
  }
  if (!stream_bytes(stream.get(), out)) {
    out.clear();
    return EncodeStatus::no_memory;
  }
  return EncodeStatus::ok;
}

}  // namespace velmora::platform
