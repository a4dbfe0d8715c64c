// The clipboard fmhost keeps when it shows no window: loaded from a picture file before
// the calls and saved to a file after them.
#pragma once

#include <string>

namespace velmora::fmhost {

// Puts a picture file on the kept clipboard in the format other programs would offer it
// in (PNG, JPEG, TIFF, GIF as such, a BMP file as a DIB, a PICT file as "Mac-PICT").
// Answers an explanation on failure.
std::string load_clipboard(const std::string& path);
// Writes the clipboard's picture: PNG when the name ends in .png, else a PICT file (its
// 512-byte header area, then the picture).  Answers an explanation on failure.
std::string save_clipboard(const std::string& path);

}  // namespace velmora::fmhost
