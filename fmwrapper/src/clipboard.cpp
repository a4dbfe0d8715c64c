// The clipboard a host without a display keeps: named formats in the order they were
// added.  Calls come from the host's one thread, but a lock keeps a stray caller safe.
#include <fmx/FMHostServices.h>

#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "objects.hpp"

namespace {

struct Format {
  std::string name;
  std::vector<std::uint8_t> data;
};

std::mutex g_lock;
bool g_kept = false;
std::vector<Format> g_formats;

const Format* find(const char* name) {
  for (const Format& f : g_formats) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

}  // namespace

namespace velmora::fmw {

int32_t clipboard_host_kept() {
  const std::lock_guard<std::mutex> hold(g_lock);
  return g_kept ? 1 : 0;
}

uint32_t clipboard_format_count() {
  const std::lock_guard<std::mutex> hold(g_lock);
  return static_cast<uint32_t>(g_formats.size());
}

int32_t clipboard_format_name(uint32_t index, char* name, uint32_t nameSize) {
  const std::lock_guard<std::mutex> hold(g_lock);
  if (index >= g_formats.size() || name == nullptr || nameSize == 0) return 0;
  const std::string& n = g_formats[index].name;
  const std::size_t count = n.size() < nameSize - 1 ? n.size() : nameSize - 1;
  std::memcpy(name, n.data(), count);
  name[count] = '\0';
  return 1;
}

int32_t clipboard_read(const char* name, uint8_t* data, uint64_t* size) {
  const std::lock_guard<std::mutex> hold(g_lock);
  if (name == nullptr || size == nullptr) return 0;
  const Format* f = find(name);
  if (f == nullptr) return 0;
  if (data == nullptr) {
    *size = f->data.size();
    return 1;
  }
  const uint64_t count = *size < f->data.size() ? *size : f->data.size();
  if (count > 0) std::memcpy(data, f->data.data(), static_cast<std::size_t>(count));
  *size = count;
  return 1;
}

void clipboard_empty() {
  const std::lock_guard<std::mutex> hold(g_lock);
  std::vector<Format>().swap(g_formats);
}

int32_t clipboard_add(const char* name, const uint8_t* data, uint64_t size) {
  const std::lock_guard<std::mutex> hold(g_lock);
  if (name == nullptr || (data == nullptr && size > 0)) return 0;
  try {
    Format f{name, std::vector<std::uint8_t>(data, data + size)};
    // A name added twice keeps its first place and takes the new data.
    for (Format& existing : g_formats) {
      if (existing.name == f.name) {
        existing.data = std::move(f.data);
        return 1;
      }
    }
    g_formats.push_back(std::move(f));
    return 1;
  } catch (const std::bad_alloc&) {
    std::vector<Format>().swap(g_formats);
    return 0;
  }
}

}  // namespace velmora::fmw

extern "C" {

FMX_API void FMW_Host_KeepClipboard(int32_t keep) {
  const std::lock_guard<std::mutex> hold(g_lock);
  g_kept = keep != 0;
}

}  // extern "C"
