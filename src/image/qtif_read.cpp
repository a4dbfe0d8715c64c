// Reading the picture layer's own image files: top-level atoms, of which the image
// description ('idsc') names the codec, size, depth and resolution and the data atom
// ('idat') holds the coded picture.  JPEG (the common case), PNG (what SaveImage
// writes), TIFF and GIF data are read by their codecs through a window onto the atom.
#include <vector>

#include "image/byte_cursor.hpp"
#include "image/picture_errors.hpp"
#include "image/raster_formats.hpp"
#include "image/raster_readers.hpp"

namespace velmora::image {

namespace {

constexpr std::uint32_t kDescriptionAtom = 0x69647363;  // 'idsc'
constexpr std::uint32_t kDataAtom = 0x69646174;         // 'idat'
constexpr std::uint32_t kProfileAtom = 0x69696363;      // 'iicc', a colour profile
constexpr std::size_t kDescriptionSize = 86;
// Files of more atoms than this are not walked further.
constexpr int kMaxAtoms = 4096;

struct CodecName {
  std::uint32_t code;
  platform::CodecFormat format;
};

constexpr CodecName kCodecs[] = {
    {0x6A706567, platform::CodecFormat::jpeg},  // 'jpeg'
    {0x706E6720, platform::CodecFormat::png},   // 'png '
    {0x74696666, platform::CodecFormat::tiff},  // 'tiff'
    {0x67696620, platform::CodecFormat::gif},   // 'gif '
};

// A part of another input.
class Window final : public platform::CodecInput {
 public:
  Window(platform::CodecInput& in, std::uint64_t offset, std::uint64_t length)
      : in_(in), offset_(offset), length_(length) {}
  std::uint64_t size() const override { return length_; }
  bool read(std::uint64_t offset, std::uint8_t* dst, std::size_t n) override {
    if (offset > length_ || n > length_ - offset) return false;
    return in_.read(offset_ + offset, dst, n);
  }

 private:
  platform::CodecInput& in_;
  std::uint64_t offset_;
  std::uint64_t length_;
};

struct ImageFile {
  platform::CodecFormat format = platform::CodecFormat::jpeg;
  std::uint64_t data = 0;  // the data atom's contents
  std::uint64_t data_length = 0;
  std::int16_t depth = 0;
  Fixed hres = 0;
  Fixed vres = 0;
};

bool is_depth(std::int16_t d) {
  for (const std::int16_t known : {1, 2, 4, 8, 16, 24, 32, 34, 36, 40})
    if (d == known) return true;
  return false;
}

Err parse_description(std::span<const std::uint8_t> atom, ImageFile& f) {
  ByteCursor c(atom);
  c.skip(4);  // its own size
  const std::uint32_t codec = c.be32();
  c.skip(6 + 2 + 2 + 2 + 4 + 4 + 4 + 2 + 2);  // up to the resolution
  f.hres = static_cast<Fixed>(c.be32());
  f.vres = static_cast<Fixed>(c.be32());
  c.skip(4 + 2 + 32);
  f.depth = c.sbe16();
  if (!c.ok()) return kBadPictureData;
  for (const CodecName& n : kCodecs) {
    if (n.code == codec) {
      f.format = n.format;
      return kNoErr;
    }
  }
  return kUnsupportedData;
}

Err parse(platform::CodecInput& in, ImageFile& f) {
  bool described = false, has_data = false;
  std::uint64_t pos = 0;
  std::vector<std::uint8_t> header;
  for (int atoms = 0; atoms < kMaxAtoms && pos < in.size() && !(described && has_data); ++atoms) {
    if (!read_bytes(in, pos, 8, header)) return kBadPictureData;
    ByteCursor c(header);
    std::uint64_t size = c.be32();
    const std::uint32_t type = c.be32();
    std::uint64_t head = 8;
    if (size == 1) {  // a 64-bit size follows
      if (!read_bytes(in, pos + 8, 8, header)) return kBadPictureData;
      ByteCursor wide(header);
      size = (std::uint64_t{wide.be32()} << 32) | wide.be32();
      head = 16;
    } else if (size == 0) {  // the atom runs to the end
      size = in.size() - pos;
    }
    if (size < head || size > in.size() - pos) return kBadPictureData;
    if (type == kDescriptionAtom && !described) {
      std::vector<std::uint8_t> atom;
      if (size - head < kDescriptionSize || !read_bytes(in, pos + head, kDescriptionSize, atom))
        return kBadPictureData;
      if (const Err err = parse_description(atom, f); err != kNoErr) return err;
      described = true;
    } else if (type == kDataAtom && !has_data) {
      f.data = pos + head;
      f.data_length = size - head;
      has_data = true;
    }
    pos += size;
  }
  return described && has_data ? kNoErr : kBadPictureData;
}

Err from_status(platform::CodecStatus status) {
  switch (status) {
    case platform::CodecStatus::ok:
      return kNoErr;
    case platform::CodecStatus::unsupported:
      return kUnsupportedData;
    case platform::CodecStatus::no_memory:
      return kMemFull;
    default:
      return kBadPictureData;
  }
}

}  // namespace

bool sniff_qtif(std::span<const std::uint8_t> head) {
  ByteCursor c(head);
  c.skip(4);
  const std::uint32_t type = c.be32();
  return c.ok() && (type == kDescriptionAtom || type == kDataAtom || type == kProfileAtom);
}

Err describe_qtif(platform::CodecInput& in, Description& out) {
  ImageFile f;
  if (const Err err = parse(in, f); err != kNoErr) return err;
  Window data(in, f.data, f.data_length);
  platform::CodecProbe probe;
  if (const Err err = from_status(platform::probe_picture(f.format, data, 0, probe)); err != kNoErr)
    return err;
  out = Description{};
  // The size is the coded picture's, which is what is drawn; the description speaks for
  // depth and resolution, the coded picture where it says nothing usable.
  out.bounds = PixRect{0, 0, probe.width, probe.height};
  out.depth = is_depth(f.depth) ? f.depth : probe.depth;
  out.hres = f.hres > 0 ? f.hres : probe.hres;
  out.vres = f.vres > 0 ? f.vres : probe.vres;
  return kNoErr;
}

Err read_qtif(platform::CodecInput& in, std::int32_t min_width, std::int32_t min_height,
              Pixmap& out) {
  ImageFile f;
  if (const Err err = parse(in, f); err != kNoErr) return err;
  Window data(in, f.data, f.data_length);
  platform::DecodedPicture picture;
  if (const Err err =
          from_status(platform::decode_picture(f.format, data, 0, min_width, min_height, picture));
      err != kNoErr)
    return err;
  Pixmap world;
  if (world.adopt(PixRect{0, 0, picture.width, picture.height}, std::move(picture.pixels)) !=
      kNoErr)
    return kBadPictureData;
  out = std::move(world);
  return kNoErr;
}

}  // namespace velmora::image
