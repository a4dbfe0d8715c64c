// fmhost on Linux: dlopen, /proc/self/exe, cairo and gdk-pixbuf for PNG files.
#include "system.hpp"

#include <cairo.h>
#include <dlfcn.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

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

std::string write_png(const std::uint32_t* pixels, int width, int height, const std::string& path) {
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(pixels)), CAIRO_FORMAT_RGB24,
      width, height, width * 4);
  const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    return "cannot save the window to " + path + ": " + cairo_status_to_string(status);
  }
  return {};
}

std::string bmp_file_as_png(const std::vector<std::uint8_t>& file, const std::string& path) {
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("bmp", nullptr);
  if (loader == nullptr) return "no BMP reader to turn the clipboard's bitmap into PNG";
  std::string failure;
  GError* error = nullptr;
  if (gdk_pixbuf_loader_write(loader, file.data(), file.size(), &error) &&
      gdk_pixbuf_loader_close(loader, &error)) {
    GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
    if (pixbuf == nullptr || !gdk_pixbuf_save(pixbuf, path.c_str(), "png", &error, nullptr)) {
      failure = "cannot write " + path;
    }
  } else {
    gdk_pixbuf_loader_close(loader, nullptr);
    failure = "the clipboard's bitmap cannot be read";
  }
  if (error != nullptr) {
    failure += std::string(": ") + error->message;
    g_error_free(error);
  }
  g_object_unref(loader);
  return failure;
}

}  // namespace velmora::fmhost
