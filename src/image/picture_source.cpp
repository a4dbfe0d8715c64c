// Opening pictures: the source keys, path resolution, the EPS preview window and the
// choice of reader by the file's first bytes.
#include "image/picture_source.hpp"

#include <algorithm>
#include <cstring>
#include <new>
#include <span>
#include <utility>
#include <vector>

#include "files/path_spec.hpp"
#include "image/clipboard_picture.hpp"
#include "image/dib.hpp"
#include "image/engine.hpp"
#include "image/eps_preview.hpp"
#include "image/pict.hpp"
#include "image/picture_errors.hpp"
#include "image/raster_readers.hpp"
#include "params/readers.hpp"
#include "params/text_util.hpp"
#include "platform/codecs.hpp"
#include "platform/file_read.hpp"
#include "platform/fs.hpp"
#include "platform/url_fetch.hpp"

namespace velmora::image {

// The bytes of the picture: a window of a file (the whole file, or an EPS preview) or
// the held memory.
class SourceBytes final : public platform::CodecInput {
 public:
  SourceBytes(std::unique_ptr<platform::InputFile> file, std::uint64_t offset, std::uint64_t length)
      : file_(std::move(file)), offset_(offset), length_(length) {}
  explicit SourceBytes(const std::vector<std::uint8_t>* memory)
      : memory_(memory), length_(memory->size()) {}

  std::uint64_t size() const override { return length_; }
  bool read(std::uint64_t offset, std::uint8_t* dst, std::size_t n) override {
    if (offset > length_ || n > length_ - offset) return false;
    if (n == 0) return true;  // nothing to copy, and an empty buffer has no data pointer
    if (memory_) {
      std::memcpy(dst, memory_->data() + offset, n);
      return true;
    }
    if (n >= kDirect) return file_->read_at(offset_ + offset, dst, n);
    // Readers that ask for a few bytes at a time (a GIF's sub-blocks, PNG chunk
    // headers) are served from one larger read.
    if (offset < buffer_at_ || offset + n > buffer_at_ + buffer_.size()) {
      const auto count =
          static_cast<std::size_t>(std::min<std::uint64_t>(kBuffer, length_ - offset));
      try {
        buffer_.resize(count);
      } catch (const std::bad_alloc&) {
        return file_->read_at(offset_ + offset, dst, n);
      }
      if (!file_->read_at(offset_ + offset, buffer_.data(), count)) {
        buffer_.clear();
        return false;
      }
      buffer_at_ = offset;
    }
    std::memcpy(dst, buffer_.data() + (offset - buffer_at_), n);
    return true;
  }

 private:
  static constexpr std::size_t kBuffer = 256 * 1024;
  static constexpr std::size_t kDirect = 64 * 1024;
  std::unique_ptr<platform::InputFile> file_;
  const std::vector<std::uint8_t>* memory_ = nullptr;
  std::uint64_t offset_ = 0;
  std::uint64_t length_ = 0;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t buffer_at_ = 0;
};

namespace {

constexpr std::size_t kHeadBytes = kPictHeaderArea + 16;
// Pictures read whole into memory (PICT) beyond this size are refused.
constexpr std::uint64_t kMaxHeldBytes = std::uint64_t{1} << 30;
// What is read of a PICT or BMP file for its headers, at first.
constexpr std::uint64_t kDescribeBytes = 64 * 1024;
// Pictures fetched from an address beyond this size are refused.
constexpr std::uint64_t kMaxFetchedBytes = std::uint64_t{1} << 28;

constexpr std::uint32_t kModernVersion = 0x04000000;  // 4.0: addresses and pages

bool starts_with(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

bool has_eps_extension(std::string_view path) {
  return path.size() >= 4 && params::equals_ignore_case(path.substr(path.size() - 4), ".eps");
}

Err from_status(platform::CodecStatus status) {
  switch (status) {
    case platform::CodecStatus::ok:
      return kNoErr;
    case platform::CodecStatus::bad_data:
      return kBadPictureData;
    case platform::CodecStatus::unsupported:
      return kUnsupportedData;
    case platform::CodecStatus::no_memory:
      return kMemFull;
    case platform::CodecStatus::bad_index:
      return kParamErr;
  }
  return kBadPictureData;
}

platform::CodecFormat codec_of(PictureKind kind) {
  switch (kind) {
    case PictureKind::png:
      return platform::CodecFormat::png;
    case PictureKind::tiff:
      return platform::CodecFormat::tiff;
    case PictureKind::gif:
      return platform::CodecFormat::gif;
    default:
      return platform::CodecFormat::jpeg;
  }
}

// What an address's transfer answers, in the internet library's numbering.
Err from_fetch(platform::FetchResult result) {
  struct Row {
    platform::FetchResult result;
    Err code;
  };
  constexpr Row kRows[] = {
      {platform::FetchResult::ok, kNoErr},
      {platform::FetchResult::not_found, kFileNotFound},
      {platform::FetchResult::refused, -12003},
      {platform::FetchResult::bad_address, -12005},
      {platform::FetchResult::name_unknown, -12007},
      {platform::FetchResult::cannot_connect, -12029},
      {platform::FetchResult::timeout, -12002},
      {platform::FetchResult::too_large, kMemFull},
  };
  for (const Row& r : kRows) {
    if (r.result == result) return r.code;
  }
  return -12004;  // any other failure of the transfer
}

// The kinds the hand-written readers take, each with its reader's format.
constexpr std::pair<PictureKind, RasterFormat> kRasterKinds[] = {
    {PictureKind::tga, RasterFormat::tga},
    {PictureKind::sgi, RasterFormat::sgi},
    {PictureKind::psd, RasterFormat::psd},
    {PictureKind::qtif, RasterFormat::qtif},
};

const RasterFormat* raster_format(PictureKind kind) {
  for (const auto& [k, format] : kRasterKinds)
    if (k == kind) return &format;
  return nullptr;
}

bool is_codec_kind(PictureKind kind) {
  return kind != PictureKind::pict && kind != PictureKind::bmp && raster_format(kind) == nullptr;
}

struct Signature {
  std::size_t offset;
  std::string_view bytes;
  PictureKind kind;
};

constexpr Signature kSignatures[] = {
    {0, std::string_view("\xFF\xD8\xFF", 3), PictureKind::jpeg},
    {0, std::string_view("\x89PNG\r\n\x1A\n", 8), PictureKind::png},
    {0, std::string_view("II*\0", 4), PictureKind::tiff},
    {0, std::string_view("MM\0*", 4), PictureKind::tiff},
    {0, std::string_view("II+\0", 4), PictureKind::tiff},
    {0, std::string_view("MM\0+", 4), PictureKind::tiff},
    {0, "GIF87a", PictureKind::gif},
    {0, "GIF89a", PictureKind::gif},
};

}  // namespace

Err detect_kind(const std::uint8_t* head, std::size_t n, PictureKind& out) {
  for (const Signature& s : kSignatures) {
    if (n >= s.offset + s.bytes.size() &&
        std::memcmp(head + s.offset, s.bytes.data(), s.bytes.size()) == 0) {
      out = s.kind;
      return kNoErr;
    }
  }
  const std::span<const std::uint8_t> bytes(head, n);
  if (RasterFormat format; sniff_raster_magic(bytes, format)) {
    for (const auto& [kind, f] : kRasterKinds)
      if (f == format) out = kind;
    return kNoErr;
  }
  if (looks_like_bmp(bytes)) {
    out = PictureKind::bmp;
    return kNoErr;
  }
  if (looks_like_pict(bytes)) {
    out = PictureKind::pict;
    return kNoErr;
  }
  if (sniff_tga(bytes)) {
    out = PictureKind::tga;
    return kNoErr;
  }
  return kNoImporter;
}

PictureSource::PictureSource() = default;
PictureSource::~PictureSource() = default;

Err PictureSource::open(const params::Store& params) {
  const bool modern = engine::version() >= kModernVersion;
  const char* value = params::text(params, "SRC");
  if (value == nullptr) value = params::text(params, "PATH");
  if (value == nullptr) return kParamErr;
  const std::string_view text(value);
  if (params::equals_ignore_case(text, "clipboard:")) {
    std::vector<std::uint8_t> picture;
    if (const Err err = read_clipboard_picture(picture); err != kNoErr) return err;
    return open_memory(std::move(picture));
  }
  // Pages are chosen in any picture the layer reads from a file or an address.
  const std::int32_t page = modern ? params::integer(params, "PAGE") : 0;
  if (modern && (starts_with(text, "http:") || starts_with(text, "ftp:")))
    return open_address(std::string(text), page);

  files::PathSpec spec;
  if (const Err err = files::resolve_path(text, spec); err != kNoErr) return err;
  if (!spec.exists || spec.is_folder) return kFileNotFound;
  return open_file(spec.name, has_eps_extension(spec.name), page);
}

Err PictureSource::open_file(std::string_view native_path, bool eps, std::int32_t page) {
  close();
  auto file = std::make_unique<platform::InputFile>();
  if (!file->open(native_path)) {
    // A FIFO, socket or device is there but is no picture file: say so, not "not found".
    const platform::SysError why = platform::last_error();
    return why == platform::winerr::kAccessDenied ? static_cast<Err>(why) : kFileNotFound;
  }
  std::uint64_t offset = 0;
  std::uint64_t length = file->size();
  if (eps) {
    std::uint8_t header[kEpsHeaderSize] = {};
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length, kEpsHeaderSize));
    if (!file->read_at(0, header, n)) return kParamErr;
    EpsPreview preview;
    if (const Err err = find_eps_preview({header, n}, length, preview); err != kNoErr) return err;
    offset = preview.offset;
    length = preview.length;
  }
  try {
    bytes_ = std::make_unique<SourceBytes>(std::move(file), offset, length);
  } catch (const std::bad_alloc&) {
    return kMemFull;
  }
  eps_ = eps;
  index_ = page >= 2 ? page - 1 : 0;
  if (const Err err = detect(); err != kNoErr) {
    close();
    return err;
  }
  // The preview of an EPS file is read as TIFF and nothing else.
  if (eps_ && kind_ != PictureKind::tiff) {
    close();
    return kBadPictureData;
  }
  open_ = true;
  return kNoErr;
}

Err PictureSource::open_address(const std::string& url, std::int32_t page) {
  close();
  std::vector<std::uint8_t> fetched;
  try {
    const Err err = from_fetch(platform::fetch_url(url, kMaxFetchedBytes, fetched));
    if (err != kNoErr) return err;
    memory_ = std::move(fetched);
    bytes_ = std::make_unique<SourceBytes>(&memory_);
  } catch (const std::bad_alloc&) {
    close();
    return kMemFull;
  }
  index_ = page >= 2 ? page - 1 : 0;
  if (const Err err = detect(); err != kNoErr) {
    close();
    return err;
  }
  open_ = true;
  return kNoErr;
}

Err PictureSource::open_memory(std::vector<std::uint8_t> picture) {
  close();
  try {
    memory_.assign(kPictHeaderArea, 0);
    memory_.insert(memory_.end(), picture.begin(), picture.end());
    bytes_ = std::make_unique<SourceBytes>(&memory_);
  } catch (const std::bad_alloc&) {
    close();
    return kMemFull;
  }
  held_ = true;
  if (!looks_like_pict(memory_)) {
    close();
    return kBadPictureData;
  }
  kind_ = PictureKind::pict;
  open_ = true;
  return kNoErr;
}

void PictureSource::close() {
  bytes_.reset();
  memory_.clear();
  memory_.shrink_to_fit();
  open_ = eps_ = held_ = false;
  index_ = 0;
}

Err PictureSource::detect() {
  std::uint8_t head[kHeadBytes] = {};
  const std::size_t n =
      static_cast<std::size_t>(std::min<std::uint64_t>(bytes_->size(), kHeadBytes));
  if (!bytes_->read(0, head, n)) return kBadPictureData;
  return detect_kind(head, n, kind_);
}

Err PictureSource::load_all() {
  if (held_ || !memory_.empty()) return kNoErr;
  // The front of the file, read further only while the picture's end is not in it: the
  // bytes behind a picture (a file of gigabytes) are never read.
  const std::uint64_t size = bytes_->size();
  for (std::uint64_t n = std::min(size, kDescribeBytes);; n = std::min(size, n * 16)) {
    if (n > kMaxHeldBytes) {
      memory_.clear();
      return kMemFull;
    }
    try {
      memory_.resize(static_cast<std::size_t>(n));
    } catch (const std::bad_alloc&) {
      memory_.clear();
      return kMemFull;
    }
    if (!bytes_->read(0, memory_.data(), memory_.size())) {
      memory_.clear();
      return kBadPictureData;
    }
    std::size_t length = 0;
    if (pict_length(memory_, length)) {
      memory_.resize(length);
      return kNoErr;
    }
    if (n == size) return kNoErr;
  }
}

Err PictureSource::describe(Description& out) {
  if (!open_) return kParamErr;
  if (const RasterFormat* format = raster_format(kind_))
    return index_ > 0 ? kParamErr : describe_raster(*format, *bytes_, out);
  if (is_codec_kind(kind_)) {
    platform::CodecProbe probe;
    if (const Err err =
            from_status(platform::probe_picture(codec_of(kind_), *bytes_, index_, probe));
        err != kNoErr)
      return err;
    out = Description{};
    out.bounds = PixRect{0, 0, probe.width, probe.height};
    out.depth = probe.depth;
    out.hres = probe.hres;
    out.vres = probe.vres;
    out.image_count = probe.image_count;
    return kNoErr;
  }
  if (index_ > 0) return kParamErr;
  auto describe_bytes = [&](std::span<const std::uint8_t> bytes) {
    return kind_ == PictureKind::pict ? describe_pict(bytes, out) : describe_dib(bytes, false, out);
  };
  if (held_ || !memory_.empty()) return describe_bytes(memory_);
  // Headers only: the front of the file, read further only while the walk to the first
  // bitmap runs out of bytes (a file of gigabytes is not read for its size).
  const std::uint64_t size = bytes_->size();
  for (std::uint64_t n = std::min(size, kDescribeBytes);; n = std::min(size, n * 16)) {
    if (n > kMaxHeldBytes) return kMemFull;
    std::vector<std::uint8_t> head;
    try {
      head.resize(static_cast<std::size_t>(n));
    } catch (const std::bad_alloc&) {
      return kMemFull;
    }
    if (!bytes_->read(0, head.data(), head.size())) return kBadPictureData;
    const Err err = describe_bytes(head);
    if (err != kBadPictureData || n == size) return err;
  }
}

Err PictureSource::decode(Pixmap& out, std::int32_t min_width, std::int32_t min_height) {
  PixRect whole;
  return decode_part(PixRect{}, min_width, min_height, out, whole);
}

namespace {

// The decoder's pixels become the world's (a large picture is never held twice), placed
// in the whole decoded picture.
Err adopt_decoded(platform::DecodedPicture& picture, Pixmap& out, PixRect& whole) {
  const PixRect bounds{picture.left, picture.top, picture.left + picture.width,
                       picture.top + picture.height};
  Pixmap world;
  if (world.adopt(bounds, std::move(picture.pixels)) != kNoErr) return kBadPictureData;
  const PixRect all = picture.whole_width > 0 && picture.whole_height > 0
                          ? PixRect{0, 0, picture.whole_width, picture.whole_height}
                          : bounds;
  if (!all.contains(bounds)) return kBadPictureData;
  out = std::move(world);
  whole = all;
  return kNoErr;
}

}  // namespace

Err PictureSource::decode_part(const PixRect& window, std::int32_t min_width,
                               std::int32_t min_height, Pixmap& out, PixRect& whole) {
  if (!open_) return kParamErr;
  if (const RasterFormat* format = raster_format(kind_)) {
    if (index_ > 0) return kParamErr;
    const Err err = decode_raster(*format, *bytes_, min_width, min_height, out);
    if (err == kNoErr) whole = out.bounds();
    return err;
  }
  if (index_ > 0 && !is_codec_kind(kind_)) return kParamErr;
  const platform::PixelWindow part{window.left, window.top, window.right, window.bottom};
  platform::DecodedPicture picture;
  if (kind_ == PictureKind::bmp) {
    // Read a band of rows at a time, never whole.
    if (const Err err = read_bmp(*bytes_, min_width, min_height, part, picture); err != kNoErr)
      return err;
    return adopt_decoded(picture, out, whole);
  }
  if (is_codec_kind(kind_)) {
    if (const Err err = from_status(platform::decode_picture(codec_of(kind_), *bytes_, index_,
                                                             min_width, min_height, picture, part));
        err != kNoErr)
      return err;
    return adopt_decoded(picture, out, whole);
  }
  if (const Err err = load_all(); err != kNoErr) return err;
  if (const Err err = read_pict(memory_, out); err != kNoErr) return err;
  whole = out.bounds();
  return kNoErr;
}

}  // namespace velmora::image
