// The exporters by file type, and the safe write of the file they make.
#include "image/exporter.hpp"

#include <array>

#include "image/dib.hpp"
#include "image/export_types.hpp"
#include "image/pict.hpp"
#include "image/raster_writers.hpp"
#include "platform/encoders.hpp"
#include "platform/file_write.hpp"

namespace velmora::image {

namespace {

Err from_status(platform::EncodeStatus status) {
  switch (status) {
    case platform::EncodeStatus::ok:
      return kNoErr;
    case platform::EncodeStatus::bad_input:
      return kParamErr;
    case platform::EncodeStatus::no_memory:
      return kMemFull;
    case platform::EncodeStatus::failed:
      return kEncodeFailed;
  }
  return kEncodeFailed;
}

Err encode(platform::EncodeFormat format, const Pixmap& world, const ExportSettings& s,
           std::vector<std::uint8_t>& out) {
  platform::EncodeRequest r;
  r.pixels = world.pixels().data();
  r.width = world.width();
  r.height = world.height();
  r.depth = s.depth;
  r.quality = s.quality.value_or(platform::kQualityHigh);
  r.hres = s.hres;
  r.vres = s.vres;
  r.alpha = s.alpha && holds_alpha(s.type, s.depth);
  return from_status(platform::encode_picture(format, r, out));
}

Err pict_file(const Pixmap& w, const ExportSettings& s, std::vector<std::uint8_t>& out) {
  std::vector<std::uint8_t> record;
  if (const Err err = write_pict(w, s.hres, s.vres, record); err != kNoErr) return err;
  try {
    out.assign(kPictHeaderArea, 0);
    out.insert(out.end(), record.begin(), record.end());
  } catch (const std::bad_alloc&) {
    return kMemFull;
  }
  return kNoErr;
}

Err qtif_file(const Pixmap& w, const ExportSettings& s, std::vector<std::uint8_t>& out) {
  ExportSettings full = s;
  full.depth = 24;
  std::vector<std::uint8_t> png;
  if (const Err err = encode(platform::EncodeFormat::png, w, full, png); err != kNoErr) return err;
  return write_qtif(w, s.hres, s.vres, png, out);
}

struct Exporter {
  std::uint32_t type;
  Err (*write)(const Pixmap&, const ExportSettings&, std::vector<std::uint8_t>&);
};

constexpr std::array kExporters = {
    Exporter{kTypePict, pict_file},
    Exporter{kTypeQtif, qtif_file},
    Exporter{kTypeBmp,
             [](const Pixmap& w, const ExportSettings& s, std::vector<std::uint8_t>& out) {
               return write_dib(w, s.hres, s.vres, true, out);
             }},
    Exporter{kTypeJpeg,
             [](const Pixmap& w, const ExportSettings& s, std::vector<std::uint8_t>& out) {
               return encode(platform::EncodeFormat::jpeg, w, s, out);
             }},
    Exporter{kTypePng,
             [](const Pixmap& w, const ExportSettings& s, std::vector<std::uint8_t>& out) {
               return encode(platform::EncodeFormat::png, w, s, out);
             }},
    Exporter{kTypeTiff,
             [](const Pixmap& w, const ExportSettings& s, std::vector<std::uint8_t>& out) {
               return encode(platform::EncodeFormat::tiff, w, s, out);
             }},
    Exporter{kTypeGif,
             [](const Pixmap& w, const ExportSettings& s, std::vector<std::uint8_t>& out) {
               return encode(platform::EncodeFormat::gif, w, s, out);
             }},
    Exporter{kTypeTga, [](const Pixmap& w, const ExportSettings&,
                          std::vector<std::uint8_t>& out) { return write_tga(w, out); }},
    Exporter{kTypeSgi, [](const Pixmap& w, const ExportSettings&,
                          std::vector<std::uint8_t>& out) { return write_sgi(w, out); }},
    Exporter{kTypePsd,
             [](const Pixmap& w, const ExportSettings& s, std::vector<std::uint8_t>& out) {
               return write_psd(w, s.hres, s.vres, out);
             }},
};

const Exporter* find(std::uint32_t type) {
  for (const Exporter& e : kExporters) {
    if (e.type == type) return &e;
  }
  return nullptr;
}

struct WriteError {
  platform::SysError system;
  Err code;
};
constexpr std::array kWriteErrors = {
    WriteError{platform::winerr::kFileNotFound, kDirNotFound},
    WriteError{platform::winerr::kPathNotFound, kDirNotFound},
    WriteError{platform::winerr::kInvalidDrive, kDirNotFound},
    WriteError{platform::winerr::kBadNetPath, kDirNotFound},
    WriteError{platform::winerr::kAccessDenied, -54},
    WriteError{platform::winerr::kWriteProtect, -44},
    WriteError{platform::winerr::kDiskFull, -34},
    WriteError{platform::winerr::kSharingViolation, -47},
    WriteError{platform::winerr::kLockViolation, -47},
    WriteError{platform::winerr::kNotEnoughMemory, kMemFull},
};

}  // namespace

bool has_exporter(std::uint32_t type) {
  return find(type) != nullptr;
}

bool holds_alpha(std::uint32_t type, std::int16_t depth) {
  return type == kTypePng && depth == 32;
}

Err encode_picture_file(const Pixmap& world, const ExportSettings& settings,
                        std::vector<std::uint8_t>& out) {
  out.clear();
  const Exporter* e = find(settings.type);
  if (e == nullptr) return kNoExporter;
  if (world.empty()) return kParamErr;
  const Err err = e->write(world, settings, out);
  if (err != kNoErr) out.clear();
  return err;
}

Err write_picture_file(std::string_view native_path, std::span<const std::uint8_t> bytes) {
  if (platform::replace_file(native_path, bytes)) return kNoErr;
  const platform::SysError reason = platform::last_error();
  for (const WriteError& w : kWriteErrors) {
    if (w.system == reason) return w.code;
  }
  return -36;
}

Err export_picture(const Pixmap& world, const ExportSettings& settings,
                   std::string_view native_path) {
  std::vector<std::uint8_t> bytes;
  if (const Err err = encode_picture_file(world, settings, bytes); err != kNoErr) return err;
  return write_picture_file(native_path, bytes);
}

}  // namespace velmora::image
