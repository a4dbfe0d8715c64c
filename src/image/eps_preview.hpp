// The TIFF preview of an EPS file with the DOS binary header (bytes C5 D0 D3 C6): its
// place in the file, read from the first 28 bytes.
#pragma once
#include <cstdint>
#include <span>

#include "host/errors.hpp"

namespace velmora::image {

inline constexpr std::size_t kEpsHeaderSize = 28;

struct EpsPreview {
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
};

// `header`: the first bytes of the file; `file_size`: its length.  -50 for a missing
// signature, an empty TIFF preview, or a preview that lies outside the file.
Err find_eps_preview(std::span<const std::uint8_t> header, std::uint64_t file_size,
                     EpsPreview& out);

}  // namespace velmora::image
