// Picture files simple enough to write by hand: Targa, SGI image, Photoshop (flat RGB),
// and the picture layer's own image file (an image description atom and a data atom
// holding PNG bytes).  All write 24-bit colour.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "host/errors.hpp"
#include "image/pixmap.hpp"

namespace velmora::image {

Err write_tga(const Pixmap& world, std::vector<std::uint8_t>& out);
Err write_sgi(const Pixmap& world, std::vector<std::uint8_t>& out);
Err write_psd(const Pixmap& world, Fixed hres, Fixed vres, std::vector<std::uint8_t>& out);
// `png`: the encoded picture the data atom carries.
Err write_qtif(const Pixmap& world, Fixed hres, Fixed vres, std::span<const std::uint8_t> png,
               std::vector<std::uint8_t>& out);

}  // namespace velmora::image
