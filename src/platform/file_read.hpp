// Reading a file that already exists: open by its full native path (Windows form, code
// page 932, as path resolution makes it), ask its size, read at any offset, close.
// Other readers and writers are not locked out while it is open.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velmora::platform {

class InputFile {
 public:
  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile() { close(); }

  // Opens an existing file for reading; false (last error set) for a missing item, a
  // folder or a file that may not be read.  A file already open is closed first.
  bool open(std::string_view native_path);
  bool is_open() const { return handle_ >= 0; }
  // The size in bytes when the file was opened.
  std::uint64_t size() const { return size_; }
  // Reads exactly n bytes at offset; false (last error set) when they cannot all be read.
  bool read_at(std::uint64_t offset, void* dst, std::size_t n);
  void close();

 private:
  std::intptr_t handle_ = -1;
  std::uint64_t size_ = 0;
};

}  // namespace velmora::platform
