// The layout of a Shell Link file, walked with every size checked against what is left.
#include "platform/linux/lnk_bounds.hpp"

#include <cstdint>

namespace velmora::platform::linux_backend {

namespace {

constexpr std::uint32_t kHeaderSize = 0x4C;
constexpr std::uint32_t kHasIdList = 0x01;
constexpr std::uint32_t kHasLinkInfo = 0x02;
constexpr std::uint32_t kIsUnicode = 0x80;
// The string data items present, in file order, each announced by its own flag.
constexpr std::uint32_t kStringFlags[] = {0x04, 0x08, 0x10, 0x20, 0x40};

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool u16(std::uint16_t& out) {
    if (left() < 2) return false;
    out = static_cast<std::uint16_t>(byte(pos_) | byte(pos_ + 1) << 8);
    pos_ += 2;
    return true;
  }
  bool u32_at(std::size_t at, std::uint32_t& out) const {
    if (at > bytes_.size() || bytes_.size() - at < 4) return false;
    out = byte(at) | byte(at + 1) << 8 | byte(at + 2) << 16 |
          static_cast<std::uint32_t>(byte(at + 3)) << 24;
    return true;
  }
  bool u32(std::uint32_t& out) {
    if (!u32_at(pos_, out)) return false;
    pos_ += 4;
    return true;
  }
  bool skip(std::uint64_t n) {
    if (n > left()) return false;
    pos_ += static_cast<std::size_t>(n);
    return true;
  }
  std::size_t pos() const { return pos_; }
  std::size_t left() const { return bytes_.size() - pos_; }

 private:
  std::uint32_t byte(std::size_t at) const { return static_cast<unsigned char>(bytes_[at]); }
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

// A zero-terminated text (8-bit, or 16-bit when wide) starting at `at` inside `area`.
bool text_fits(std::string_view area, std::uint32_t at, bool wide) {
  std::size_t step = wide ? 2 : 1;
  for (std::size_t i = at; i + step <= area.size(); i += step) {
    if (area[i] == 0 && (!wide || area[i + 1] == 0)) return true;
  }
  return false;
}

// The LinkInfo structure: its header, then the volume ID, local base path, network
// share link and path suffix, each inside it, in the order the format lays them out.
bool link_info_fits(std::string_view info) {
  Reader r(info);
  std::uint32_t size = 0, header = 0, flags = 0, volume = 0, local = 0, network = 0, suffix = 0;
  if (!r.u32_at(0, size) || !r.u32_at(4, header) || !r.u32_at(8, flags) || !r.u32_at(12, volume) ||
      !r.u32_at(16, local) || !r.u32_at(20, network) || !r.u32_at(24, suffix)) {
    return false;
  }
  if (size != info.size() || (header != 0x1C && header < 0x24) || header > size) return false;
  std::uint32_t floor = header;  // each part begins after the one before
  auto part_ok = [&](std::uint32_t at) {
    if (at < floor || at >= size) return false;
    floor = at;
    return true;
  };
  if (flags & 0x1) {
    std::uint32_t volume_size = 0, label = 0;
    if (!part_ok(volume) || !r.u32_at(volume, volume_size) || volume_size < 0x10 ||
        volume_size > size - volume || !r.u32_at(volume + 12, label)) {
      return false;
    }
    std::string_view area = info.substr(volume, volume_size);
    if (label == 0x14) {
      if (volume_size < 0x14 || !r.u32_at(volume + 16, label) || label < 0x14) return false;
      if (label >= volume_size || !text_fits(area, label, true)) return false;
    } else if (label < 0x10 || label >= volume_size || !text_fits(area, label, false)) {
      return false;
    }
    if (!part_ok(local) || !text_fits(info, local, false)) return false;
  }
  if (flags & 0x2) {
    std::uint32_t link_size = 0, link_flags = 0, net_name = 0, device = 0;
    if (!part_ok(network) || !r.u32_at(network, link_size) || link_size < 0x14 ||
        link_size > size - network || !r.u32_at(network + 4, link_flags) ||
        !r.u32_at(network + 8, net_name) || !r.u32_at(network + 12, device)) {
      return false;
    }
    std::string_view area = info.substr(network, link_size);
    if (net_name < 0x14 || net_name >= link_size || !text_fits(area, net_name, false)) return false;
    if ((link_flags & 0x1) &&
        (device < 0x14 || device >= link_size || !text_fits(area, device, false))) {
      return false;
    }
    if (net_name > 0x14) {  // the wide names follow the fixed fields
      std::uint32_t net_wide = 0, device_wide = 0;
      if (link_size < 0x1C || !r.u32_at(network + 20, net_wide) ||
          !r.u32_at(network + 24, device_wide)) {
        return false;
      }
      if (net_wide < 0x1C || net_wide >= link_size || !text_fits(area, net_wide, true)) {
        return false;
      }
      if ((link_flags & 0x1) &&
          (device_wide < 0x1C || device_wide >= link_size || !text_fits(area, device_wide, true))) {
        return false;
      }
    }
  }
  if (!part_ok(suffix) || !text_fits(info, suffix, false)) return false;
  if (header >= 0x24) {
    std::uint32_t local_wide = 0, suffix_wide = 0;
    if (!r.u32_at(28, local_wide) || !r.u32_at(32, suffix_wide)) return false;
    if ((flags & 0x1) && (!part_ok(local_wide) || !text_fits(info, local_wide, true))) {
      return false;
    }
    if (suffix_wide != 0 && (!part_ok(suffix_wide) || !text_fits(info, suffix_wide, true))) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool shortcut_layout_fits(std::string_view bytes) {
  Reader r(bytes);
  std::uint32_t header_size = 0, flags = 0;
  if (!r.u32(header_size) || header_size != kHeaderSize) return false;
  if (!r.u32_at(20, flags) || !r.skip(kHeaderSize - 4)) return false;

  if (flags & kHasIdList) {
    std::uint16_t size = 0;
    if (!r.u16(size) || !r.skip(size)) return false;
  }
  if (flags & kHasLinkInfo) {
    std::uint32_t size = 0;
    if (!r.u32_at(r.pos(), size) || size > r.left()) return false;
    if (!link_info_fits(bytes.substr(r.pos(), size))) return false;
    r.skip(size);
  }
  for (std::uint32_t flag : kStringFlags) {
    if ((flags & flag) == 0) continue;
    std::uint16_t count = 0;
    if (!r.u16(count) ||
        !r.skip(static_cast<std::uint64_t>(count) * ((flags & kIsUnicode) ? 2 : 1))) {
      return false;
    }
  }
  // Extra data blocks, up to the terminal block (a size below 4) or the end.
  while (r.left() >= 4) {
    std::uint32_t size = 0;
    r.u32_at(r.pos(), size);
    if (size < 4) break;
    if (!r.skip(size)) return false;
  }
  return true;
}

}  // namespace velmora::platform::linux_backend
