// The shortcut layout check in front of liblnk: well-formed links pass, and every layout
// that would make liblnk read past a structure (or past its buffer) is turned away.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/linux/lnk_bounds.hpp"
#include "platform/shortcut.hpp"

namespace {

using velmora::platform::shortcut_target_from_bytes;
using velmora::platform::linux_backend::shortcut_layout_fits;

std::string le32(std::uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
          static_cast<char>(v >> 24)};
}
std::string le16(std::uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8)};
}
std::string wide(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += std::string{c, '\0'};
  return out + std::string(2, '\0');
}

// The 76-byte header with the link flags.
std::string header(std::uint32_t flags) {
  std::string h =
      le32(0x4C) +
      std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
  h += le32(flags) + le32(0x20);
  h.resize(0x4C, '\0');
  return h;
}

// A LinkInfo of header size 0x1C: flags, the offsets of its parts, then the parts.
struct LinkInfo {
  std::uint32_t flags = 0, volume = 0, local = 0, network = 0, suffix = 0;
  std::string body;  // the bytes after the header
  std::string bytes() const {
    std::uint32_t size = 0x1C + static_cast<std::uint32_t>(body.size());
    return le32(size) + le32(0x1C) + le32(flags) + le32(volume) + le32(local) + le32(network) +
           le32(suffix) + body;
  }
};

// A link to a share: the network part is the LinkInfo's first part.
std::string network_part(std::uint32_t link_flags, std::uint32_t device_at,
                         const std::string& tail) {
  std::string names = std::string("\\\\srv\\pub") + '\0' + tail;
  return le32(0x14 + static_cast<std::uint32_t>(names.size())) + le32(link_flags) + le32(0x14) +
         le32(device_at) + le32(0x20000) + names;
}

std::string share_link(std::uint32_t link_flags, std::uint32_t device_at, const std::string& tail,
                       std::uint32_t suffix_at = 0) {
  LinkInfo info;
  info.flags = 0x2;
  info.network = 0x1C;
  info.body = network_part(link_flags, device_at, tail);
  info.suffix = suffix_at ? suffix_at : 0x1C + static_cast<std::uint32_t>(info.body.size());
  if (!suffix_at) info.body += std::string("dir\\f.txt") + '\0';
  return header(0x2) + info.bytes() + le32(0);
}

// A link to a local path, with the volume ID given.
std::string local_link(const std::string& volume, const std::string& path = "C:\\a.txt") {
  LinkInfo info;
  info.flags = 0x1;
  info.volume = 0x1C;
  info.local = 0x1C + static_cast<std::uint32_t>(volume.size());
  info.body = volume + path + '\0';
  info.suffix = 0x1C + static_cast<std::uint32_t>(info.body.size());
  info.body += '\0';
  return header(0x2) + info.bytes() + le32(0);
}

std::string volume(std::uint32_t label_at, const std::string& rest, std::uint32_t size = 0) {
  std::string fields = le32(3) + le32(0x1234) + le32(label_at) + rest;
  return le32(size ? size : 4 + static_cast<std::uint32_t>(fields.size())) + fields;
}

TEST(ShortcutLayout, WellFormedLinksPass) {
  std::string share = share_link(0, 0, "");
  EXPECT_TRUE(shortcut_layout_fits(share));
  EXPECT_EQ(shortcut_target_from_bytes(share), "\\\\srv\\pub\\dir\\f.txt");

  std::string device = share_link(0x1, 0x1E, std::string("Z:") + '\0');
  EXPECT_TRUE(shortcut_layout_fits(device));

  std::string narrow = local_link(volume(0x10, std::string("DISK") + '\0'));
  EXPECT_TRUE(shortcut_layout_fits(narrow));
  EXPECT_EQ(shortcut_target_from_bytes(narrow), "C:\\a.txt");

  // A wide label: its offset follows the fixed fields, which then hold one more offset.
  std::string wide_label = local_link(volume(0x14, le32(0x18) + "L" + '\0' + "\0\0" + wide("W")));
  EXPECT_TRUE(shortcut_layout_fits(wide_label));
  EXPECT_EQ(shortcut_target_from_bytes(wide_label), "C:\\a.txt");
}

TEST(ShortcutLayout, NamesThatRunPastTheirStructure) {
  // The device name is read whenever its offset is set, device flag or not; unterminated
  // at the end of the LinkInfo, its copy runs past liblnk's buffer.
  std::string share = std::string("\\\\srv\\pub") + '\0';
  std::string unterminated = share_link(0, 0x14 + static_cast<std::uint32_t>(share.size()),
                                        std::string(83, 'D'), 0x1C + 0x14);
  EXPECT_FALSE(shortcut_layout_fits(unterminated));
  EXPECT_EQ(shortcut_target_from_bytes(unterminated), std::nullopt);
  // The same with the device flag set, and a device offset inside the fixed fields.
  EXPECT_FALSE(shortcut_layout_fits(share_link(0x1, 0x1E, "Z:")));
  EXPECT_FALSE(shortcut_layout_fits(share_link(0x1, 0x10, std::string("Z:") + '\0')));
  // A suffix without its terminator.
  LinkInfo info;
  info.flags = 0x2;
  info.network = 0x1C;
  info.body = network_part(0, 0, "") + "dir";
  info.suffix = 0x1C + static_cast<std::uint32_t>(info.body.size()) - 3;
  EXPECT_FALSE(shortcut_layout_fits(header(0x2) + info.bytes()));
}

TEST(ShortcutLayout, VolumeFieldsThatRunPastTheVolume) {
  // A label offset above 0x10 makes liblnk read the wide-label offset at 0x10: the volume
  // must hold it.
  EXPECT_FALSE(shortcut_layout_fits(local_link(volume(0x11, std::string(2, '\0'), 0x12))));
  // A label offset above 0x14 is still read with a wide label, whose offset must fit.
  EXPECT_FALSE(shortcut_layout_fits(local_link(volume(0x18, le32(0x200) + "abcd" + '\0'))));
  // A wide label without its two-byte terminator inside the volume.
  EXPECT_FALSE(shortcut_layout_fits(local_link(volume(0x14, le32(0x18) + "L" + '\0' + "\0\0W"))));
  // A volume claiming more bytes than the LinkInfo has, and one too short for its fields.
  EXPECT_FALSE(shortcut_layout_fits(local_link(volume(0x10, std::string("D") + '\0', 0x400))));
  EXPECT_FALSE(shortcut_layout_fits(local_link(volume(0x10, "", 0x0C))));
}

TEST(ShortcutLayout, HeadersListsAndExtraBlocks) {
  std::string good = share_link(0, 0, "");
  // LinkInfo header sizes other than the three liblnk knows.
  std::string odd = good;
  odd[0x4C + 4] = 0x22;
  EXPECT_FALSE(shortcut_layout_fits(odd));
  // An ID list whose items do not end with the empty item where its size says.
  std::string list = header(0x3) + le16(6) + le16(4) + "ab" + le16(0);
  EXPECT_TRUE(shortcut_layout_fits(list + good.substr(0x4C)));
  std::string short_item = header(0x3) + le16(6) + le16(6) + "ab" + le16(0);
  EXPECT_FALSE(shortcut_layout_fits(short_item + good.substr(0x4C)));
  // Extra data: a block of a fixed-size kind with another size, then one that fits.
  std::string body = good.substr(0, good.size() - 4);
  std::string special = le32(0x10) + le32(0xA0000005) + le32(0x24) + le32(0);
  EXPECT_TRUE(shortcut_layout_fits(body + special + le32(0)));
  std::string cut = le32(0x0C) + le32(0xA0000005) + le32(0x24);
  EXPECT_FALSE(shortcut_layout_fits(body + cut + le32(0)));
  EXPECT_FALSE(shortcut_layout_fits(body + le32(6) + "ab" + le32(0)));
}

}  // namespace
