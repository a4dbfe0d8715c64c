// fmhost on Linux: dlopen, /proc/self/exe, libpng for PNG files (BMP pictures through
// the desktop companion).
#include "system.hpp"

#include <dlfcn.h>
#include <png.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "linux/desktop_table.hpp"

namespace velmora::fmhost {

void* open_library(const std::string& path, std::string& why) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* error = dlerror();
    why = error ? error : "unknown error";
  }
  return library;
}

void* library_symbol(void* library, const char* name) {
  return dlsym(library, name);
}

void close_library(void* library) {
  dlclose(library);
}

std::string program_folder() {
  char exe[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return {};
  std::string path(exe, static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

void set_environment(const char* name, const std::string& value) {
  setenv(name, value.c_str(), 1);
}

bool input_is_terminal() {
  return isatty(STDIN_FILENO) != 0;
}

namespace {

struct PngFile {
  std::FILE* file = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngFile() {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    if (file) std::fclose(file);
  }
};

}  // namespace

// The window is saved after every scripted run, often as a benchmark's last step: a
// low zlib level with the Sub filter writes it several times faster than the library's
// defaults, at a size close to theirs for photographs.
std::string write_png(const std::uint32_t* pixels, int width, int height, const std::string& path) {
  PngFile f;
  f.file = std::fopen(path.c_str(), "wb");
  if (f.file == nullptr) return "cannot save the window to " + path;
  f.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (f.png) f.info = png_create_info_struct(f.png);
  if (!f.png || !f.info) return "cannot save the window to " + path + ": out of memory";
  std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
  if (setjmp(png_jmpbuf(f.png))) return "cannot save the window to " + path;
  png_init_io(f.png, f.file);
  png_set_IHDR(f.png, f.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(f.png, 1);
  png_set_filter(f.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_write_info(f.png, f.info);
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* in = pixels + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<png_byte>(in[x] >> 16);
      row[3 * x + 1] = static_cast<png_byte>(in[x] >> 8);
      row[3 * x + 2] = static_cast<png_byte>(in[x]);
    }
    png_write_row(f.png, row.data());
  }
  png_write_end(f.png, f.info);
  if (std::fflush(f.file) != 0) return "cannot save the window to " + path;
  return {};
}

std::string bmp_file_as_png(const std::vector<std::uint8_t>& file, const std::string& path) {
  const FmhostDesktop* d = desktop();
  if (d == nullptr) return "no BMP reader to turn the clipboard's bitmap into PNG";
  char failure[512] = {};
  if (d->bmp_as_png(file.data(), file.size(), path.c_str(), failure, sizeof failure) != 0) {
    return failure;
  }
  return {};
}

}  // namespace velmora::fmhost
