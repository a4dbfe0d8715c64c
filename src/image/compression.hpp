// The standard image compression of CompressImage and its dialog: the codecs offered,
// the settings (codec type, spatial quality, depth) and compressing a world with them.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "host/errors.hpp"
#include "image/description.hpp"
#include "image/pixmap.hpp"
#include "params/parser.hpp"

namespace velmora::image {

inline constexpr Err kNoCodec = -8961;  // no compressor for the codec type

enum class CodecCarrier { jpeg, png, tiff, gif, none };

struct CodecEntry {
  std::uint32_t type;       // four-character codec type
  std::string_view name;    // shown in the settings dialog
  CodecCarrier carrier;     // the encoder that does the work
  std::uint32_t file_type;  // the file type whose exporter writes the same bytes; 0: none
};

// In the order the settings dialog lists them.
extern const std::array<CodecEntry, 6> kCodecs;
const CodecEntry* find_codec(std::uint32_t type);

struct CompressSettings {
  std::uint32_t codec = 0;
  std::int32_t quality = 512;  // 0..1024
  std::int16_t depth = 24;
};

// What the compressor derives from a picture: JPEG at normal quality, at the
// picture's own depth (direct colour as 24 bits).
CompressSettings default_settings(const Description& picture);

// CODEC, QUALITY (held to 0..1024) and DEPTH where given.  -50 for a depth no picture has.
Err read_settings(const params::Store& s, CompressSettings& settings);

// Compresses and decompresses the world as the codec does, so that `out` shows what the
// settings keep of it.  -8961 for a codec without compressor.
Err compress_world(const Pixmap& world, const CompressSettings& settings, Pixmap& out);

}  // namespace velmora::image
