// The layout of a Shell Link file, walked with every size and offset checked against the
// structure that holds it.  The LinkInfo checks follow what liblnk reads, not only what
// the format requires: it reads some names whatever the flags say (the device name), it
// copies a name one byte past its structure when the terminator is missing, and it takes
// the wide-name offsets from fields it reads whenever the narrow offset is large enough.
// Each of those reads must find its bytes, and its terminator, inside its own structure.
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

// LinkInfo flags and the header sizes liblnk knows (without, with one, with both wide
// path offsets).
constexpr std::uint32_t kVolumeAndLocalPath = 0x1;
constexpr std::uint32_t kNetworkLink = 0x2;
constexpr std::uint32_t kLinkInfoHeaders[] = {0x1C, 0x20, 0x24};

// Extra data blocks whose size the format fixes; liblnk reads their fields at fixed
// places, so a shorter (or longer) block is not one of them.
struct FixedBlock {
  std::uint32_t signature;
  std::uint32_t size;
};
constexpr FixedBlock kFixedBlocks[] = {
    {0xA0000001, 0x314},  // environment variables
    {0xA0000002, 0xCC},   // console
    {0xA0000003, 0x60},   // distributed link tracker
    {0xA0000004, 0x0C},   // console code page
    {0xA0000005, 0x10},   // special folder
    {0xA0000006, 0x314},  // darwin
    {0xA0000007, 0x314},  // icon location
    {0xA000000B, 0x1C},   // known folder
};
// Blocks of variable size, with the smallest size that holds their fixed fields.
constexpr FixedBlock kMinimumBlocks[] = {
    {0xA0000008, 0x88},  // shim layer
    {0xA0000009, 0x0C},  // property store
    {0xA000000C, 0x0A},  // item ID list
};

std::uint32_t u16_at(std::string_view bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

std::uint32_t u32_at(std::string_view bytes, std::size_t at) {
  return u16_at(bytes, at) | u16_at(bytes, at + 2) << 16;
}

// A zero-terminated text (8-bit, or 16-bit when wide) starting at `at` inside `area`,
// scanned as liblnk scans it (wide texts in steps of two from their start).
bool text_fits(std::string_view area, std::uint32_t at, bool wide) {
  std::size_t step = wide ? 2 : 1;
  for (std::size_t i = at; i + step <= area.size(); i += step) {
    if (area[i] == 0 && (!wide || area[i + 1] == 0)) return true;
  }
  return false;
}

// An optional text inside a structure: absent (offset 0) or starting past the structure's
// fixed fields and ending inside it.
bool optional_text_fits(std::string_view area, std::uint32_t at, std::uint32_t fixed, bool wide) {
  return at == 0 || (at >= fixed && at < area.size() && text_fits(area, at, wide));
}

// The volume ID: size, drive type, serial number, label offset, and the wide label
// offset when the label offset leaves room for it.
bool volume_fits(std::string_view volume) {
  if (volume.size() < 0x10) return false;
  std::uint32_t label = u32_at(volume, 12);
  std::uint32_t fixed = 0x10;
  std::uint32_t wide_label = 0;
  if (label > 0x10) {
    if (volume.size() < 0x14) return false;
    wide_label = u32_at(volume, 16);
    fixed = 0x14;
  }
  return optional_text_fits(volume, label, fixed, false) &&
         optional_text_fits(volume, wide_label, fixed, true);
}

// The network share link: size, flags, share name and device name offsets, provider type,
// and the two wide offsets when the share name offset leaves room for them.
bool network_fits(std::string_view link) {
  if (link.size() < 0x14) return false;
  std::uint32_t name = u32_at(link, 8);
  std::uint32_t device = u32_at(link, 12);
  std::uint32_t fixed = 0x14;
  std::uint32_t wide_name = 0, wide_device = 0;
  if (name > 0x14) {
    if (link.size() < 0x1C) return false;
    wide_name = u32_at(link, 20);
    wide_device = u32_at(link, 24);
    fixed = 0x1C;
  }
  // The share name is what the target is made of; the device name is read when its
  // offset is set, whatever the flags say.
  return name != 0 && optional_text_fits(link, name, fixed, false) &&
         optional_text_fits(link, device, fixed, false) &&
         optional_text_fits(link, wide_name, fixed, true) &&
         optional_text_fits(link, wide_device, fixed, true);
}

// A structure inside the LinkInfo at `at`, sized by its own first field.
bool part_fits(std::string_view info, std::uint32_t at, std::uint32_t header,
               std::string_view& part) {
  if (at < header || at > info.size() || info.size() - at < 4) return false;
  std::uint32_t size = u32_at(info, at);
  if (size > info.size() - at) return false;
  part = info.substr(at, size);
  return true;
}

// The LinkInfo structure: its header, then the volume ID, local base path, network share
// link and path suffix, each inside it.
bool link_info_fits(std::string_view info) {
  if (info.size() < 0x1C) return false;
  std::uint32_t header = u32_at(info, 4);
  std::uint32_t flags = u32_at(info, 8);
  bool known = false;
  for (std::uint32_t size : kLinkInfoHeaders) known = known || header == size;
  if (!known || header > info.size()) return false;
  std::uint32_t local_wide = header > 0x1C ? u32_at(info, 28) : 0;
  std::uint32_t suffix_wide = header > 0x20 ? u32_at(info, 32) : 0;

  if (flags & kVolumeAndLocalPath) {
    std::string_view volume;
    if (!part_fits(info, u32_at(info, 12), header, volume) || !volume_fits(volume)) return false;
    if (!optional_text_fits(info, u32_at(info, 16), header, false) ||
        !optional_text_fits(info, local_wide, header, true)) {
      return false;
    }
  }
  if (flags & kNetworkLink) {
    std::string_view link;
    if (!part_fits(info, u32_at(info, 20), header, link) || !network_fits(link)) return false;
  }
  // The suffix is read whenever its offset is set, whatever the flags say.
  return optional_text_fits(info, u32_at(info, 24), header, false) &&
         optional_text_fits(info, suffix_wide, header, true);
}

// The ID list: items, each sized by its first two bytes, up to an empty terminal item
// that ends exactly where the list's own size says.
bool id_list_fits(std::string_view list) {
  std::size_t at = 0;
  while (true) {
    if (list.size() - at < 2) return false;
    std::uint32_t size = u16_at(list, at);
    if (size == 0) return at + 2 == list.size();
    if (size < 2 || size > list.size() - at) return false;
    at += size;
  }
}

// One extra data block of a known kind has the size its kind requires.
bool extra_block_fits(std::uint32_t size, std::uint32_t signature) {
  for (const FixedBlock& block : kFixedBlocks) {
    if (block.signature == signature) return size == block.size;
  }
  for (const FixedBlock& block : kMinimumBlocks) {
    if (block.signature == signature) return size >= block.size;
  }
  return true;
}

}  // namespace

bool shortcut_layout_fits(std::string_view bytes) {
  if (bytes.size() < kHeaderSize || u32_at(bytes, 0) != kHeaderSize) return false;
  std::uint32_t flags = u32_at(bytes, 20);
  std::size_t at = kHeaderSize;
  auto left = [&] { return bytes.size() - at; };

  if (flags & kHasIdList) {
    if (left() < 2) return false;
    std::uint32_t size = u16_at(bytes, at);
    at += 2;
    if (size > left() || !id_list_fits(bytes.substr(at, size))) return false;
    at += size;
  }
  if (flags & kHasLinkInfo) {
    if (left() < 4) return false;
    std::uint32_t size = u32_at(bytes, at);
    if (size > left() || !link_info_fits(bytes.substr(at, size))) return false;
    at += size;
  }
  for (std::uint32_t flag : kStringFlags) {
    if ((flags & flag) == 0) continue;
    if (left() < 2) return false;
    std::uint64_t length = std::uint64_t{u16_at(bytes, at)} * ((flags & kIsUnicode) ? 2 : 1);
    at += 2;
    if (length > left()) return false;
    at += static_cast<std::size_t>(length);
  }
  // Extra data blocks, up to the terminal block (a size below 4) or the end.
  while (left() >= 4) {
    std::uint32_t size = u32_at(bytes, at);
    if (size < 4) break;
    if (size < 8 || size > left() || !extra_block_fits(size, u32_at(bytes, at + 4))) return false;
    at += size;
  }
  return true;
}

}  // namespace velmora::platform::linux_backend
