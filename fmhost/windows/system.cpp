// fmhost on Windows: LoadLibraryW, the C runtime's environment and terminal test, and
// the Windows Imaging Component for PNG files.
#include "system.hpp"

#include <fcntl.h>
#include <io.h>
#include <wincodec.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace velmora::fmhost {

namespace {

// Result lines end in "\n" on every system, so that scripts compare them byte for byte.
const bool g_binary_stdout = [] {
  _setmode(_fileno(stdout), _O_BINARY);
  return true;
}();

std::wstring wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) {
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  }
  return out;
}

std::string utf8(const std::wstring& w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr,
                        nullptr);
  }
  return out;
}

std::string system_message(DWORD error) {
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = text != nullptr ? text : L"";
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(error) : utf8(message);
}

template <typename T>
struct Released {
  T* p = nullptr;
  ~Released() {
    if (p != nullptr) p->Release();
  }
};

// Encodes a bitmap source as PNG into `path`.
std::string encode_png(IWICImagingFactory* factory, IWICBitmapSource* source,
                       const std::string& path) {
  Released<IWICStream> stream;
  Released<IWICBitmapEncoder> encoder;
  Released<IWICBitmapFrameEncode> frame;
  UINT width = 0, height = 0;
  source->GetSize(&width, &height);
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (FAILED(factory->CreateStream(&stream.p)) ||
      FAILED(stream.p->InitializeFromFilename(wide(path).c_str(), GENERIC_WRITE)) ||
      FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder.p)) ||
      FAILED(encoder.p->Initialize(stream.p, WICBitmapEncoderNoCache)) ||
      FAILED(encoder.p->CreateNewFrame(&frame.p, nullptr)) ||
      FAILED(frame.p->Initialize(nullptr)) || FAILED(frame.p->SetSize(width, height)) ||
      FAILED(frame.p->SetPixelFormat(&format))) {
    return "cannot write " + path;
  }
  Released<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(&converter.p)) ||
      FAILED(converter.p->Initialize(source, format, WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)) ||
      FAILED(frame.p->WriteSource(converter.p, nullptr)) || FAILED(frame.p->Commit()) ||
      FAILED(encoder.p->Commit())) {
    return "cannot write " + path;
  }
  return {};
}

class Com {
 public:
  Com() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~Com() {
    if (ok_) CoUninitialize();
  }

 private:
  bool ok_;
};

}  // namespace

void* open_library(const std::string& path, std::string& why) {
  HMODULE library = LoadLibraryW(wide(path).c_str());
  if (library == nullptr) why = system_message(GetLastError());
  return reinterpret_cast<void*>(library);
}

void* library_symbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void close_library(void* library) {
  FreeLibrary(static_cast<HMODULE>(library));
}

std::string program_folder() {
  std::wstring path(MAX_PATH, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size()) return {};
  path.resize(n);
  return utf8(path.substr(0, path.find_last_of(L"\\/") + 1));
}

void set_environment(const char* name, const std::string& value) {
  _putenv_s(name, value.c_str());
}

bool input_is_terminal() {
  return _isatty(_fileno(stdin)) != 0;
}

std::string write_png(const std::uint32_t* pixels, int width, int height, const std::string& path) {
  Com com;
  Released<IWICImagingFactory> factory;
  Released<IWICBitmap> bitmap;
  // 0x00RRGGBB words are BGRx bytes in memory.
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&factory.p))) ||
      FAILED(factory.p->CreateBitmapFromMemory(
          static_cast<UINT>(width), static_cast<UINT>(height), GUID_WICPixelFormat32bppBGR,
          static_cast<UINT>(width) * 4, static_cast<UINT>(width) * static_cast<UINT>(height) * 4,
          reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(pixels)), &bitmap.p))) {
    return "cannot save the window to " + path + ": no picture encoder";
  }
  const std::string failure = encode_png(factory.p, bitmap.p, path);
  return failure.empty() ? failure : "cannot save the window to " + path;
}

std::string bmp_file_as_png(const std::vector<std::uint8_t>& bmp, const std::string& path) {
  Com com;
  Released<IWICImagingFactory> factory;
  Released<IWICStream> stream;
  Released<IWICBitmapDecoder> decoder;
  Released<IWICBitmapFrameDecode> frame;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&factory.p))) ||
      FAILED(factory.p->CreateStream(&stream.p)) ||
      FAILED(stream.p->InitializeFromMemory(const_cast<BYTE*>(bmp.data()),
                                            static_cast<DWORD>(bmp.size()))) ||
      FAILED(factory.p->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand,
                                                &decoder.p)) ||
      FAILED(decoder.p->GetFrame(0, &frame.p))) {
    return "the clipboard's bitmap cannot be read";
  }
  return encode_png(factory.p, frame.p, path);
}

}  // namespace velmora::fmhost
