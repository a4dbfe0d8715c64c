// The walk over an EXIF block: the header, the main IFD chain and, for each IFD of the
// chain, its Exif, GPS and interoperability sub-IFDs one level deep.
#include "image/exif_reader.hpp"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "image/exif_locate.hpp"
#include "image/exif_number.hpp"
#include "image/exif_tags.hpp"
#include "image/exif_tiff.hpp"
#include "image/exif_values.hpp"

namespace velmora::image {

IfdEntry decode_entry(const TiffData& tiff, std::uint64_t offset) {
  IfdEntry e;
  e.tag = tiff.u16(offset);
  e.type = tiff.u16(offset + 2);
  e.count = tiff.u32(offset + 4);
  std::memcpy(e.field.data(), tiff.at(offset + 8), 4);
  const bool bytes = e.type == field::kByte || e.type == field::kAscii || e.type == field::kSByte ||
                     e.type == field::kUndefined;
  if (bytes && e.count <= 4) {
    e.value = std::uint32_t{e.field[0]} | std::uint32_t{e.field[1]} << 8 |
              std::uint32_t{e.field[2]} << 16 | std::uint32_t{e.field[3]} << 24;
  } else {
    e.value = tiff.u32(offset + 8);
  }
  return e;
}

namespace {

constexpr std::uint64_t kEntrySize = 12;
// A real EXIF block has two or three IFDs in its main chain; a longer chain can only be
// a hostile block making the walk repeat itself.
constexpr std::size_t kMaxChainLength = 1024;

// Sub-IFD offsets an IFD of the main chain points to; 0 when absent.
struct SubIfds {
  std::uint32_t exif = 0;
  std::uint32_t gps = 0;
  std::uint32_t interop = 0;
};

class Walk {
 public:
  Walk(const TiffData& tiff, char* out, std::size_t capacity)
      : tiff_(tiff), out_(out), capacity_(capacity) {
    if (out_ != nullptr && capacity_ > 0) out_[0] = '\0';
  }

  void run();
  std::size_t length() const { return length_; }

 private:
  bool format_ifd(std::uint64_t offset, TagTable table, SubIfds* subs);
  bool emit(const std::string& line);

  const TiffData& tiff_;
  char* out_;
  std::size_t capacity_;
  std::size_t length_ = 0;
  std::string line_;
};

void Walk::run() {
  std::vector<std::uint64_t> visited;
  std::uint64_t link = 4;
  while (tiff_.contains(link, 4) && visited.size() < kMaxChainLength) {
    const std::uint64_t ifd = tiff_.u32(link);
    if (ifd == 0 || !tiff_.contains(ifd, 2)) return;
    // Links that lead back to an IFD already walked would walk it forever.
    if (std::find(visited.begin(), visited.end(), ifd) != visited.end()) return;
    visited.push_back(ifd);

    SubIfds subs;
    if (!format_ifd(ifd, TagTable::main, &subs)) return;
    // A sub-IFD pointer back to this IFD would only print it a second time.
    if (subs.exif != 0 && subs.exif != ifd && !format_ifd(subs.exif, TagTable::main, nullptr)) {
      return;
    }
    if (subs.gps != 0 && subs.gps != ifd && !format_ifd(subs.gps, TagTable::gps, nullptr)) return;
    if (subs.interop != 0 && subs.interop != ifd &&
        !format_ifd(subs.interop, TagTable::interop, nullptr)) {
      return;
    }
    link = ifd + 2 + kEntrySize * tiff_.u16(ifd);
  }
}

// One IFD's entries; `subs` collects the sub-IFD pointers of a main-chain IFD (null for
// a sub-IFD, whose own pointers are not followed).  False ends the whole walk.
bool Walk::format_ifd(std::uint64_t offset, TagTable table, SubIfds* subs) {
  if (!tiff_.contains(offset, 2)) return true;
  const std::uint16_t entries = tiff_.u16(offset);
  SubIfds ignored;
  SubIfds& found = subs != nullptr ? *subs : ignored;
  for (std::uint32_t i = 0; i < entries; ++i) {
    const std::uint64_t at = offset + 2 + kEntrySize * i;
    if (!tiff_.contains(at, kEntrySize)) break;
    const IfdEntry e = decode_entry(tiff_, at);
    switch (e.tag) {
      case tag::kMakerNote:
        found.exif = e.value;
        continue;
      case tag::kGpsPointer:
        found.gps = e.value;
        continue;
      case tag::kInteropPointer:
        found.interop = e.value;
        continue;
      case tag::kExifPointer:
        found.exif = e.value;
        break;
      default:
        break;
    }

    line_.clear();
    if (const std::string_view name = tag_name(table, e.tag); !name.empty()) {
      line_.append(name);
    } else {
      line_.append("TAG");
      append_decimal(line_, e.tag);
    }
    line_.push_back('=');
    switch (append_value(tiff_, e, line_)) {
      case ValueText::skipped:
        continue;
      case ValueText::too_long:
        return false;
      case ValueText::written:
        break;
    }
    line_.push_back(' ');
    if (!emit(line_)) return false;
  }
  return true;
}

// Measuring: counts the line.  Filling: appends it when it fits with the terminator.
// Both runs stop at the same place when the text would pass its ceiling.
bool Walk::emit(const std::string& line) {
  if (length_ + line.size() > kMaxExifText) return false;
  if (out_ != nullptr) {
    if (capacity_ - length_ < line.size() + 1) return false;
    std::memcpy(out_ + length_, line.data(), line.size());
    out_[length_ + line.size()] = '\0';
  }
  length_ += line.size();
  return true;
}

}  // namespace

std::size_t format_tiff(std::span<const std::uint8_t> tiff, char* out, std::size_t capacity) {
  if (out != nullptr && capacity == 0) return 0;
  if (tiff.size() < 8) {
    if (out != nullptr) out[0] = '\0';
    return 0;
  }
  ByteOrder order = ByteOrder::none;
  if (tiff[0] == 'I' && tiff[1] == 'I') order = ByteOrder::intel;
  if (tiff[0] == 'M' && tiff[1] == 'M') order = ByteOrder::motorola;
  const TiffData data(tiff, order);
  Walk walk(data, out, capacity);
  if (order != ByteOrder::none && data.u16(2) == 42) walk.run();
  return walk.length();
}

std::size_t format_exif(std::span<const std::uint8_t> file, char* out, std::size_t capacity) {
  MemorySource source(file);
  ExifLocation where;
  if (locate_exif(source, where) != LocateStatus::found) {
    if (out != nullptr && capacity > 0) out[0] = '\0';
    return 0;
  }
  return format_tiff(file.subspan(where.tiff_offset, where.tiff_size), out, capacity);
}

std::string exif_text(std::span<const std::uint8_t> file) {
  std::string text(format_exif(file, nullptr, 0) + 2, '\0');
  text.resize(format_exif(file, text.data(), text.size()));
  return text;
}

}  // namespace velmora::image
