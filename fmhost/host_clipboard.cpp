#include "host_clipboard.hpp"

#include <fmx/FMHostServices.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#include "system.hpp"

namespace velmora::fmhost {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kPictHeaderArea = 512;
constexpr std::size_t kBmpFileHeader = 14;
constexpr std::string_view kPict = "Mac-PICT";
constexpr std::string_view kDib = "CF_DIB";

struct Magic {
  std::string_view bytes;
  const char* format;
};
constexpr Magic kCoded[] = {
    {std::string_view("\x89PNG\r\n\x1A\n", 8), "image/png"},
    {std::string_view("\xFF\xD8\xFF", 3), "image/jpeg"},
    {std::string_view("II*\0", 4), "image/tiff"},
    {std::string_view("MM\0*", 4), "image/tiff"},
    {"GIF87a", "image/gif"},
    {"GIF89a", "image/gif"},
};

bool starts_with(const Bytes& b, std::size_t at, std::string_view s) {
  return b.size() >= at + s.size() && std::memcmp(b.data() + at, s.data(), s.size()) == 0;
}

// A picture record starts with its size and frame, then the version opcode: 0x11 0x01
// (version 1) or 0x00 0x11 0x02 0xFF (version 2).
bool pict_record_at(const Bytes& b, std::size_t at) {
  return starts_with(b, at + 10, std::string_view("\x11\x01", 2)) ||
         starts_with(b, at + 10, std::string_view("\x00\x11\x02\xFF", 4));
}

bool read_file(const std::string& path, Bytes& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool write_file(const std::string& path, const std::uint8_t* data, std::size_t n) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(n));
  return static_cast<bool>(out);
}

bool clipboard_data(std::string_view name, Bytes& out) {
  const std::string key(name);
  std::uint64_t size = 0;
  if (!VelmoraHost_Services()->clipboardRead(key.c_str(), nullptr, &size) || size == 0)
    return false;
  out.resize(static_cast<std::size_t>(size));
  return VelmoraHost_Services()->clipboardRead(key.c_str(), out.data(), &size) != 0;
}

bool add(std::string_view name, const std::uint8_t* data, std::size_t n) {
  VelmoraHost_Services()->clipboardEmpty();
  return VelmoraHost_Services()->clipboardAdd(std::string(name).c_str(), data, n) != 0;
}

std::string dib_as_png(const Bytes& dib, const std::string& path) {
  std::uint32_t offset = kBmpFileHeader;
  if (dib.size() >= 40) {
    std::uint32_t header = 0, colours = 0, compression = 0;
    std::uint16_t bits = 0;
    std::memcpy(&header, dib.data(), 4);
    std::memcpy(&bits, dib.data() + 14, 2);
    std::memcpy(&compression, dib.data() + 16, 4);
    std::memcpy(&colours, dib.data() + 32, 4);
    if (colours == 0 && bits <= 8) colours = 1u << bits;
    if (colours > 256) colours = 256;
    offset += header + colours * 4 + (compression == 3 && header == 40 ? 12 : 0);
  }
  // The file header, then the bitmap as it is.
  Bytes file(kBmpFileHeader + dib.size(), 0);
  file[0] = 'B';
  file[1] = 'M';
  const std::uint32_t total = static_cast<std::uint32_t>(file.size());
  std::memcpy(file.data() + 2, &total, 4);
  std::memcpy(file.data() + 10, &offset, 4);
  std::copy(dib.begin(), dib.end(), file.begin() + kBmpFileHeader);
  return bmp_file_as_png(file, path);
}

bool ends_with_png(const std::string& path) {
  if (path.size() < 4) return false;
  std::string tail = path.substr(path.size() - 4);
  for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return tail == ".png";
}

}  // namespace

std::string load_clipboard(const std::string& path) {
  Bytes bytes;
  if (!read_file(path, bytes)) return "cannot read " + path;
  for (const Magic& m : kCoded) {
    if (starts_with(bytes, 0, m.bytes)) {
      return add(m.format, bytes.data(), bytes.size()) ? "" : "no memory for the clipboard";
    }
  }
  bool ok = false;
  if (starts_with(bytes, 0, "BM") && bytes.size() > kBmpFileHeader) {
    ok = add(kDib, bytes.data() + kBmpFileHeader, bytes.size() - kBmpFileHeader);
  } else if (pict_record_at(bytes, kPictHeaderArea)) {
    ok = add(kPict, bytes.data() + kPictHeaderArea, bytes.size() - kPictHeaderArea);
  } else if (pict_record_at(bytes, 0)) {
    ok = add(kPict, bytes.data(), bytes.size());
  } else {
    return path + " is not a picture file fmhost can put on the clipboard";
  }
  return ok ? "" : "no memory for the clipboard";
}

std::string save_clipboard(const std::string& path) {
  Bytes bytes;
  if (ends_with_png(path)) {
    if (clipboard_data("image/png", bytes)) {
      return write_file(path, bytes.data(), bytes.size()) ? "" : "cannot write " + path;
    }
    if (clipboard_data(kDib, bytes)) return dib_as_png(bytes, path);
    return "the clipboard holds no bitmap to save as PNG";
  }
  if (!clipboard_data(kPict, bytes)) return "the clipboard holds no PICT picture";
  bytes.insert(bytes.begin(), kPictHeaderArea, 0);
  return write_file(path, bytes.data(), bytes.size()) ? "" : "cannot write " + path;
}

}  // namespace velmora::fmhost
