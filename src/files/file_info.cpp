// VeUtl_FileInfo: one file, folder, volume or shortcut described as result items.
#include <cstdio>
#include <optional>
#include <string>

#include "files/folder_listing.hpp"
#include "files/path_notation.hpp"
#include "files/path_spec.hpp"
#include "host/handlers.hpp"
#include "params/builder.hpp"
#include "params/readers.hpp"
#include "params/text_util.hpp"
#include "platform/fs.hpp"
#include "platform/shortcut.hpp"
#include "platform/volumes.hpp"

namespace velmora::files {

namespace {

constexpr std::size_t kNameEscapeLimit = 256;

enum class Kind { File, Folder, Volume, Shortcut };

struct KindName {
  Kind kind;
  std::string_view name;
};
constexpr KindName kKindNames[] = {{Kind::File, "file"},
                                   {Kind::Folder, "folder"},
                                   {Kind::Volume, "volume"},
                                   {Kind::Shortcut, "shortcut"}};

std::string_view kind_name(Kind kind) {
  for (const KindName& k : kKindNames) {
    if (k.kind == kind) return k.name;
  }
  return "file";
}

// What step 4 learns of the item.
struct Item {
  std::string path;  // full path without a trailing backslash
  std::string name;
  platform::FileEntry entry;
  Kind kind = Kind::File;
  bool share_root = false;
  std::optional<platform::FileIdentity> identity;  // as resolved, when the platform told it
};

bool is_shortcut_name(std::string_view name) {
  return name.size() >= 4 && params::equals_ignore_case(name.substr(name.size() - 4), ".lnk");
}

// The item looked up: a share root or a drive by its attributes, anything else by a
// directory search for its own name (which gives the name as stored on disk).
Err look_up(const PathSpec& spec, Item& item) {
  item.path = spec.name;
  item.identity = spec.identity;
  if (ends_with_backslash(item.path)) item.path.pop_back();
  std::uint32_t attributes = 0;
  if (is_share_root(item.path)) {
    if (!platform::get_attributes(item.path + "\\", attributes)) return kDirNotFound;
    item.name = item.path.substr(name_start(item.path));
    item.entry.attributes = attributes;
    item.share_root = true;
  } else if (item.path.size() == 2 && item.path[1] == ':') {
    if (!platform::get_attributes(item.path + "\\", attributes)) return kDirNotFound;
    item.name = item.path.substr(0, 1);
    item.entry.attributes = attributes;
  } else {
    std::unique_ptr<platform::DirectorySearch> search = platform::find_first(item.path, item.entry);
    if (!search) return kDirNotFound;
    search->close();
    item.name = item.entry.name;
  }
  bool folder = item.entry.is_folder();
  bool volume_path = item.share_root || (item.path.size() == 2 && item.path[1] == ':');
  item.kind = folder && volume_path         ? Kind::Volume
              : folder                      ? Kind::Folder
              : is_shortcut_name(item.name) ? Kind::Shortcut
                                            : Kind::File;
  return kNoErr;
}

std::string volume_root(const Item& item) {
  return item.path.size() >= 2 && item.path[1] == ':' ? item.path.substr(0, 2) + "\\"
                                                      : item.path + "\\";
}

std::string date_text(const platform::LocalTime& t) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%d.%d.%d", t.year, t.month, t.day);
  return buffer;
}

std::string time_text(const platform::LocalTime& t) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d", t.hour, t.minute, t.second);
  return buffer;
}

// A path item in the answer: escaped, and in network notation for server paths.
void add_path(params::Builder& b, std::string_view key, std::string_view native) {
  b.quoted_item(key, to_network_notation(native));
}

Err add_contents(params::Builder& b, const Item& item) {
  if (item.kind == Kind::Folder || item.kind == Kind::Volume) {
    const Listing* entries = nullptr;
    const bool volume = item.kind == Kind::Volume;
    if (visible_entries(volume ? volume_root(item) : item.path, entries,
                        volume ? std::nullopt : item.identity) != kNoErr) {
      return kDirNotFound;
    }
    b.item("ITEMCOUNT", static_cast<std::int64_t>(entries->size()));
  }
  if (item.kind == Kind::Volume) {
    std::string root = volume_root(item);
    platform::DriveType type = platform::drive_type(root);
    b.item("EJECTABLE",
           (type == platform::DriveType::Removable || type == platform::DriveType::CdRom)
               ? "True"
               : "False");
    std::uint64_t total = 0, available = 0;
    if (platform::disk_free_space(root, total, available)) {
      b.item("SIZE", std::to_string(total));
      b.item("FREE", std::to_string(available));
    }
  }
  if (item.kind == Kind::File) {
    std::string size = std::to_string(item.entry.size);
    b.item("SIZE", size).item("DATASIZE", size);
    std::size_t dot = item.name.rfind('.');
    std::string_view extension =
        dot == std::string::npos ? std::string_view() : std::string_view(item.name).substr(dot + 1);
    b.text(" EXTENSION='").text(extension).text("'");
  }
  return kNoErr;
}

Err add_flags_and_times(params::Builder& b, const Item& item) {
  const std::uint32_t a = item.entry.attributes;
  b.item("LOCKED", (a & platform::attr::kReadOnly) != 0 ? "True" : "False");
  b.item("INVISIBLE", (a & platform::attr::kHidden) != 0 ? "True" : "False");
  platform::LocalTime created, modified;
  if (!platform::to_local_time(item.entry.creation, created) ||
      !platform::to_local_time(item.entry.modification, modified)) {
    return static_cast<Err>(platform::last_error());
  }
  b.item("CREATEDDATE", date_text(created)).item("CREATEDTIME", time_text(created));
  b.item("MODIFIEDDATE", date_text(modified)).item("MODIFIEDTIME", time_text(modified));
  return kNoErr;
}

void add_location(params::Builder& b, const Item& item, const PathSpec& spec) {
  if (item.kind == Kind::Volume) {
    std::string file_system;
    if (!platform::volume_information(volume_root(item), nullptr, &file_system) ||
        file_system.empty()) {
      file_system = "Unknown";
    }
    b.item("FILESYSTEM", file_system);
    if (item.share_root) {
      std::string_view rest = std::string_view(item.path).substr(2);
      b.item("SERVER", rest.substr(0, find_backslash(rest)));
      if (std::optional<std::string> computer = platform::computer_name()) {
        b.item("USER", *computer);
      }
    }
  } else {
    std::string full;
    if (platform::full_path_name(item.path, full)) {
      add_path(b, "LOCATION", std::string_view(full).substr(0, name_start(full)));
    }
  }
  add_path(b, "PATH", spec.name);
  if (item.kind == Kind::Shortcut) {
    if (std::optional<std::string> target = platform::shortcut_target(item.path)) {
      b.quoted_item("ORIGINAL", *target);  // the target as recorded, not re-notated
    }
  }
}

}  // namespace

Err file_info(Call& call) {
  const char* path = params::text(call.params, "PATH");
  if (path == nullptr) return kParamErr;
  PathSpec spec;
  if (Err err = resolve_path(path, spec); err != kNoErr) return err;
  if (!spec.exists) return kFileNotFound;

  Item item;
  if (Err err = look_up(spec, item); err != kNoErr) return err;

  params::Builder b;
  b.text("NAME='").text(params::escape(item.name, kNameEscapeLimit)).text("'");
  b.item("KIND", kind_name(item.kind));
  if (Err err = add_contents(b, item); err != kNoErr) return err;
  if (item.kind != Kind::Volume) {
    if (Err err = add_flags_and_times(b, item); err != kNoErr) return err;
  }
  if (params::has(call.params, "EXTRA")) add_location(b, item, spec);
  return host::set_result(b.str());
}

}  // namespace velmora::files
