// The drive table: which host directory each drive letter stands for.  Built once per
// process from VELMORA_DRIVES when it is set, else from the mount table.
#include <blkid/blkid.h>
#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/linux/drive_map.hpp"

namespace velmora::platform::linux_backend {

namespace {

struct MountEntry {
  std::string source;
  std::string point;
  std::string type;
};

struct TypeName {
  std::string_view name;
  DriveType type;
};

constexpr TypeName kTypeNames[] = {
    {"fixed", DriveType::Fixed},     {"removable", DriveType::Removable},
    {"cdrom", DriveType::CdRom},     {"network", DriveType::Remote},
    {"ramdisk", DriveType::RamDisk},
};

// Folders whose block-device mounts are the system's own business, not drives.
constexpr std::string_view kSystemMountPrefixes[] = {"/boot", "/proc", "/sys",    "/dev",
                                                     "/snap", "/etc",  "/var/lib"};

bool equal_ascii_nocase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::string unescape_octal(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' && s[i + 2] >= '0' &&
        s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
      out.push_back(
          static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

namespace {

// udev writes unsafe bytes of a label as \xNN.
std::string unescape_hex(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x' &&
        std::isxdigit(static_cast<unsigned char>(s[i + 2])) &&
        std::isxdigit(static_cast<unsigned char>(s[i + 3]))) {
      out.push_back(static_cast<char>(std::stoi(std::string(s.substr(i + 2, 2)), nullptr, 16)));
      i += 3;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

std::vector<MountEntry> read_mounts() {
  std::vector<MountEntry> mounts;
  std::ifstream in("/proc/self/mounts");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    MountEntry m;
    if (fields >> m.source >> m.point >> m.type) {
      m.source = unescape_octal(m.source);
      m.point = unescape_octal(m.point);
      mounts.push_back(std::move(m));
    }
  }
  return mounts;
}

std::string real_path(const std::string& path) {
  char buffer[PATH_MAX];
  if (::realpath(path.c_str(), buffer) == nullptr) return path;
  return buffer;
}

std::string read_first_line(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

bool is_directory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The file-system type of the mount that holds `directory` (the longest mount point).
std::string file_system_of(const std::vector<MountEntry>& mounts, const std::string& directory) {
  std::string dir = real_path(directory.empty() ? "/" : directory);
  std::size_t best = 0;
  std::string type;
  for (const MountEntry& m : mounts) {
    const std::string& p = m.point;
    bool holds =
        p == "/" || dir == p ||
        (dir.size() > p.size() && dir.compare(0, p.size(), p) == 0 && dir[p.size()] == '/');
    if (holds && p.size() >= best) {
      best = p.size();
      type = m.type;
    }
  }
  return type;
}

std::string device_of(const std::vector<MountEntry>& mounts, const std::string& point) {
  std::string device;
  for (const MountEntry& m : mounts) {
    if (m.point == point) device = m.source;
  }
  return device;
}

// The label udev published for a device; empty when there is none (or no udev).
std::string published_label(const std::string& device) {
  std::string target = real_path(device);
  DIR* dir = ::opendir("/dev/disk/by-label");
  if (dir == nullptr) return {};
  std::string label;
  while (dirent* e = ::readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    if (real_path(std::string("/dev/disk/by-label/") + e->d_name) == target) {
      label = unescape_hex(e->d_name);
      break;
    }
  }
  ::closedir(dir);
  return label;
}

// The label in the file system's own superblock, for machines without udev (containers)
// or devices it has not seen; empty when the device cannot be read.
std::string superblock_label(const std::string& device) {
  blkid_probe probe = blkid_new_probe_from_filename(device.c_str());
  if (probe == nullptr) return {};
  blkid_probe_enable_superblocks(probe, 1);
  blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_LABEL);
  std::string label;
  const char* value = nullptr;
  if (blkid_do_safeprobe(probe) == 0 &&
      blkid_probe_lookup_value(probe, "LABEL", &value, nullptr) == 0 && value != nullptr) {
    label = value;
  }
  blkid_free_probe(probe);
  return label;
}

std::string label_of(const std::string& device) {
  if (device.rfind("/dev/", 0) != 0) return {};
  std::string label = published_label(device);
  return label.empty() ? superblock_label(device) : label;
}

DriveType type_of(const std::string& device) {
  if (device.rfind("/dev/", 0) != 0) return DriveType::Fixed;
  std::string name = real_path(device);
  name = name.substr(name.rfind('/') + 1);
  std::string sys = real_path("/sys/class/block/" + name);
  std::string disk = sys;
  if (::access((sys + "/partition").c_str(), F_OK) == 0) disk = sys.substr(0, sys.rfind('/'));
  if (name.rfind("sr", 0) == 0 || read_first_line(disk + "/device/type") == "5") {
    return DriveType::CdRom;
  }
  if (read_first_line(disk + "/removable") == "1" || disk.find("/usb") != std::string::npos) {
    return DriveType::Removable;
  }
  return DriveType::Fixed;
}

std::string strip_trailing_slashes(std::string dir) {
  while (!dir.empty() && dir.back() == '/') dir.pop_back();
  return dir;
}

// One entry of VELMORA_DRIVES: LETTER=DIR[,label=L][,type=T][,fs=F][,confined], or
// //server/share=DIR[,confined] for a mounted share.
void parse_entry(std::string_view entry, const std::vector<MountEntry>& mounts,
                 std::vector<Drive>& drives, std::vector<Share>& shares) {
  std::size_t eq = entry.find('=');
  if (eq == std::string_view::npos) return;
  std::string_view key = entry.substr(0, eq);
  std::string_view rest = entry.substr(eq + 1);
  std::vector<std::string_view> parts;
  while (true) {
    std::size_t comma = rest.find(',');
    parts.push_back(rest.substr(0, comma));
    if (comma == std::string_view::npos) break;
    rest = rest.substr(comma + 1);
  }
  std::string directory = strip_trailing_slashes(std::string(parts[0]));
  if (parts[0].empty() || parts[0][0] != '/') return;
  const bool confined = std::any_of(parts.begin() + 1, parts.end(), [](std::string_view option) {
    return equal_ascii_nocase(option, "confined");
  });

  if (key.size() > 2 && (key.substr(0, 2) == "//" || key.substr(0, 2) == "\\\\")) {
    std::string_view names = key.substr(2);
    std::size_t sep = names.find_first_of("/\\");
    if (sep == std::string_view::npos || sep == 0 || sep + 1 >= names.size()) return;
    shares.push_back({std::string(names.substr(0, sep)), std::string(names.substr(sep + 1)),
                      directory, confined});
    return;
  }
  if (key.size() != 1 || !std::isalpha(static_cast<unsigned char>(key[0]))) return;
  Drive d;
  d.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(key[0])));
  d.directory = directory;
  d.confined = confined;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    std::string_view option = parts[i];
    std::size_t oe = option.find('=');
    if (oe == std::string_view::npos) continue;
    std::string_view name = option.substr(0, oe), value = option.substr(oe + 1);
    if (equal_ascii_nocase(name, "label")) d.label = std::string(value);
    if (equal_ascii_nocase(name, "fs")) d.file_system = std::string(value);
    if (equal_ascii_nocase(name, "type")) {
      for (const TypeName& t : kTypeNames) {
        if (equal_ascii_nocase(value, t.name)) d.type = t.type;
      }
    }
  }
  if (d.file_system.empty()) d.file_system = file_system_of(mounts, d.directory);
  // A directory that is itself a mount point stands for that medium, so a mounted device
  // declared here can be ejected like one the default table found.
  d.device = device_of(mounts, real_path(d.directory.empty() ? "/" : d.directory));
  if (d.label.empty()) d.label = label_of(d.device);
  bool taken = std::any_of(drives.begin(), drives.end(),
                           [&](const Drive& other) { return other.letter == d.letter; });
  if (!taken) drives.push_back(std::move(d));
}

bool is_system_mount(const std::string& point) {
  for (std::string_view prefix : kSystemMountPrefixes) {
    if (point.rfind(prefix, 0) == 0 &&
        (point.size() == prefix.size() || point[prefix.size()] == '/')) {
      return true;
    }
  }
  return false;
}

// Shares a CIFS mount (source //server/share) or a GVFS mount provides.
void add_mounted_shares(const std::vector<MountEntry>& mounts, std::vector<Share>& shares) {
  for (const MountEntry& m : mounts) {
    if ((m.type == "cifs" || m.type == "smb3" || m.type == "smbfs") &&
        m.source.rfind("//", 0) == 0) {
      std::string names = m.source.substr(2);
      std::size_t sep = names.find('/');
      if (sep == std::string::npos || sep == 0) continue;
      std::string share = names.substr(sep + 1);
      if (share.find('/') != std::string::npos) continue;  // a sub-folder mount
      shares.push_back({names.substr(0, sep), share, strip_trailing_slashes(m.point)});
    }
  }
  std::string gvfs = "/run/user/" + std::to_string(::getuid()) + "/gvfs";
  DIR* dir = ::opendir(gvfs.c_str());
  if (dir == nullptr) return;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;  // smb-share:server=srv,share=pub
    if (name.rfind("smb-share:", 0) != 0) continue;
    std::string server, share;
    std::istringstream fields(name.substr(10));
    std::string field;
    while (std::getline(fields, field, ',')) {
      if (field.rfind("server=", 0) == 0) server = field.substr(7);
      if (field.rfind("share=", 0) == 0) share = field.substr(6);
    }
    if (!server.empty() && !share.empty()) shares.push_back({server, share, gvfs + "/" + name});
  }
  ::closedir(dir);
}

struct Table {
  std::vector<Drive> drives;
  std::vector<Share> shares;
};

Table build_table() {
  Table table;
  std::vector<MountEntry> mounts = read_mounts();
  if (const char* env = std::getenv("VELMORA_DRIVES"); env != nullptr && *env != '\0') {
    std::string_view rest = env;
    while (!rest.empty()) {
      std::size_t semi = rest.find(';');
      parse_entry(rest.substr(0, semi), mounts, table.drives, table.shares);
      if (semi == std::string_view::npos) break;
      rest = rest.substr(semi + 1);
    }
    std::sort(table.drives.begin(), table.drives.end(),
              [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
    return table;
  }

  Drive root;
  root.letter = 'C';
  root.device = device_of(mounts, "/");
  root.file_system = file_system_of(mounts, "/");
  root.label = label_of(root.device);
  root.type = DriveType::Fixed;
  table.drives.push_back(root);

  std::vector<std::string> devices_seen{root.device};
  char next = 'D';
  for (const MountEntry& m : mounts) {
    if (next > 'Z') break;
    if (m.source.rfind("/dev/", 0) != 0 || m.source.rfind("/dev/loop", 0) == 0) continue;
    if (m.point == "/" || is_system_mount(m.point) || !is_directory(m.point)) continue;
    if (std::find(devices_seen.begin(), devices_seen.end(), m.source) != devices_seen.end()) {
      continue;  // a second mount (bind) of a device that already has a letter
    }
    devices_seen.push_back(m.source);
    Drive d;
    d.letter = next++;
    d.directory = strip_trailing_slashes(m.point);
    d.device = m.source;
    d.file_system = m.type;
    d.label = label_of(m.source);
    d.type = type_of(m.source);
    table.drives.push_back(std::move(d));
  }
  add_mounted_shares(mounts, table.shares);
  return table;
}

const Table& table() {
  static const Table t = build_table();
  return t;
}

}  // namespace

const std::vector<Drive>& drives() {
  return table().drives;
}
const std::vector<Share>& shares() {
  return table().shares;
}

const Drive* drive_for_letter(char letter) {
  char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  for (const Drive& d : drives()) {
    if (d.letter == upper) return &d;
  }
  return nullptr;
}

const Share* find_share(std::string_view server, std::string_view share) {
  for (const Share& s : shares()) {
    if (equal_ascii_nocase(s.server, server) && equal_ascii_nocase(s.share, share)) return &s;
  }
  return nullptr;
}

}  // namespace velmora::platform::linux_backend
