// A picture opened for the picture functions: a file (named by SRC, else PATH; an EPS
// file through its TIFF preview), or PICT data held in memory.  The kind is told by the
// bytes, never by the name.  Measuring reads headers only; decoding yields a world.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/errors.hpp"
#include "image/description.hpp"
#include "image/pixmap.hpp"
#include "params/parser.hpp"

namespace velmora::image {

enum class PictureKind { pict, bmp, jpeg, png, tiff, gif, tga, sgi, psd, qtif };

class SourceBytes;

class PictureSource {
 public:
  PictureSource();
  ~PictureSource();
  PictureSource(const PictureSource&) = delete;
  PictureSource& operator=(const PictureSource&) = delete;

  // From the keys SRC, else PATH, and PAGE.  -50 without either key; "clipboard:" (any
  // letter case) reads the clipboard's picture; http:/ftp: addresses are fetched into
  // memory; clipboard, network, path and reader errors otherwise.
  Err open(const params::Store& params);
  // A file by its full native path; `page` 1-based (0 and 1: the first image).
  Err open_file(std::string_view native_path, bool eps, std::int32_t page);
  // The picture at an http: or ftp: address, fetched whole into memory.  Network
  // failures answer the internet library's numbers (-12002 time-out, -12007 name not
  // resolved, -12029 no connection, ...), -43 when the server has no such item.  `page`
  // as for open_file.
  Err open_address(const std::string& url, std::int32_t page = 0);
  // PICT data handed in (a picture record without the header area); the source holds
  // it behind a 512-byte header area, as a PICT file.
  Err open_memory(std::vector<std::uint8_t> picture);
  void close();

  bool is_open() const { return open_; }
  PictureKind kind() const { return kind_; }
  bool is_eps() const { return eps_; }
  // PICT data held in memory, counted with its header area; 0 for file sources.
  std::size_t held_size() const { return held_ ? memory_.size() : 0; }

  Err describe(Description& out);
  // With a box (both > 0) the reader may decode at a reduced size that still covers it.
  Err decode(Pixmap& out, std::int32_t min_width = 0, std::int32_t min_height = 0);
  // As decode(), needing only the part of the picture inside `window` (in its own pixels;
  // empty: all of it).  `whole` receives the extent of the whole picture at the decoded
  // scale; `out` may hold only a part of it, its bounds placing that part in `whole`.
  Err decode_part(const PixRect& window, std::int32_t min_width, std::int32_t min_height,
                  Pixmap& out, PixRect& whole);

 private:
  Err detect();
  Err load_all();  // PICT is read from memory

  bool open_ = false;
  bool eps_ = false;
  bool held_ = false;
  PictureKind kind_ = PictureKind::pict;
  std::int32_t index_ = 0;
  std::unique_ptr<SourceBytes> bytes_;
  std::vector<std::uint8_t> memory_;
};

// The kind a file's first bytes announce (at least 528 of them when the file has that
// many, so that a PICT file's header area can be passed over); -2003 when none.
Err detect_kind(const std::uint8_t* head, std::size_t n, PictureKind& out);

}  // namespace velmora::image
