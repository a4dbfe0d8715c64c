// Writing a world as a picture file of a four-character file type.  The file is made
// whole in memory first and then replaces the destination in one step, so a failed
// export never destroys the file that was there.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "host/errors.hpp"
#include "image/geometry.hpp"
#include "image/pixmap.hpp"

namespace velmora::image {

inline constexpr Err kNoExporter = -2005;    // no exporter exists for the file type
inline constexpr Err kEncodeFailed = -8960;  // the encoder failed on the picture

struct ExportSettings {
  std::uint32_t type = 0;               // PICT, JPEG, ... (export_types.hpp)
  std::optional<std::int32_t> quality;  // 0..1024; none: the exporter's own default
  std::int16_t depth = 32;              // where the format can hold it (encoders.hpp)
  Fixed hres = to_fixed(72);
  Fixed vres = to_fixed(72);
  bool alpha = false;  // keep the world's transparency (holds_alpha types only)
};

// Whether a file type has an exporter.
bool has_exporter(std::uint32_t type);
// Whether a file type keeps transparency at a depth.
bool holds_alpha(std::uint32_t type, std::int16_t depth);

// The whole file of the settings' type.  -2005 for a type without exporter, -50 for a
// picture the format cannot hold (too large), -108 out of memory, -8960 encoder failure.
Err encode_picture_file(const Pixmap& world, const ExportSettings& settings,
                        std::vector<std::uint8_t>& out);

// Replaces (or creates) the file at a full native path with the bytes.  The system's
// reason becomes a picture-layer code: -120 folder missing, -54 not allowed, -44
// write-protected, -34 disk full, -47 busy, -36 other input/output failures.
Err write_picture_file(std::string_view native_path, std::span<const std::uint8_t> bytes);

// Both of the above.
Err export_picture(const Pixmap& world, const ExportSettings& settings,
                   std::string_view native_path);

}  // namespace velmora::image
