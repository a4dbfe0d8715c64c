// VeImg_ExifInfo: the EXIF tags of a JPEG file as one line of NAME=value items.  Only
// the file's head up to the end of its EXIF segment is read, however big the picture.
#include "image/exif_info.hpp"

#include <new>
#include <string>
#include <vector>

#include "files/path_spec.hpp"
#include "host/handlers.hpp"
#include "image/exif_locate.hpp"
#include "image/exif_reader.hpp"
#include "params/readers.hpp"
#include "platform/file_read.hpp"

namespace velmora::image {
namespace {

class FileSource final : public ByteSource {
 public:
  explicit FileSource(platform::InputFile& file) : file_(file) {}
  std::uint64_t size() const override { return file_.size(); }
  bool read(std::uint64_t offset, std::uint8_t* dst, std::size_t n) override {
    return file_.read_at(offset, dst, n);
  }

 private:
  platform::InputFile& file_;
};

}  // namespace

Err exif_info(Call& call) {
  const char* path = params::text(call.params, "SRC");
  if (path == nullptr) path = params::text(call.params, "PATH");
  if (path == nullptr) return kParamErr;

  files::PathSpec spec;
  if (const Err err = files::resolve_path(path, spec); err != kNoErr) return err;
  if (!spec.exists) return kFileNotFound;

  std::vector<std::uint8_t> tiff;
  {
    platform::InputFile file;
    if (!file.open(spec.name)) return kExifOpenFailed;
    FileSource source(file);
    if (load_exif(source, tiff) == LocateStatus::read_failed) return kExifReadFailed;
  }

  // Measure, then fill a buffer of exactly that size.
  const std::size_t length = format_tiff(tiff, nullptr, 0);
  std::string text;
  try {
    text.assign(length + 2, '\0');
  } catch (const std::bad_alloc&) {
    return host::set_result(std::string_view{});
  }
  text.resize(format_tiff(tiff, text.data(), text.size()));
  return host::set_result(text);
}

}  // namespace velmora::image
