// Listing a folder once and keeping the answer while the folder stays as it was.
#include "files/folder_listing.hpp"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>

#include "files/path_notation.hpp"
#include "host/shared_state.hpp"
#include "platform/fs.hpp"

namespace velmora::files {

namespace {

struct FolderCache final : host::PersistentState {
  std::string folder;
  platform::FileIdentity identity;
  std::int64_t listed_at = 0;  // nanoseconds since 1970, when the listing began
  Listing entries;
};

// File time stamps come from a coarse clock: a folder changed less than this before a
// listing began may change again without its stamps moving, so that listing is not
// reused.
constexpr std::int64_t kStampSlackNs = 100'000'000;

std::int64_t total_ns(const platform::FileTime& t) {
  return t.seconds * 1'000'000'000 + t.nanoseconds;
}

bool settled(const FolderCache& c) {
  std::int64_t last_change =
      std::max(total_ns(c.identity.modification), total_ns(c.identity.change));
  return last_change + kStampSlackNs < c.listed_at;
}

// Without a shared block (before initialisation, in tools) one listing is still kept,
// for the life of the process.
std::unique_ptr<host::PersistentState>& cache_slot() {
  if (host::SharedState* shared = host::shared_state()) return shared->folder_cache;
  static std::unique_ptr<host::PersistentState> local;
  return local;
}

bool visible(const platform::FileEntry& e) {
  if (e.name.empty() || e.name[0] == '.') return false;
  return (e.attributes & (platform::attr::kHidden | platform::attr::kSystem)) == 0;
}

Err list(const std::string& folder, Listing& out) {
  std::string pattern = folder + (ends_with_backslash(folder) ? "*.*" : "\\*.*");
  platform::FileEntry entry;
  std::unique_ptr<platform::DirectorySearch> search = platform::find_first(pattern, entry);
  if (!search) {
    // A folder with nothing in it has no first entry: that is an empty listing.
    if (platform::last_error() == platform::winerr::kFileNotFound) return kNoErr;
    return static_cast<Err>(platform::last_error());
  }
  do {
    if (visible(entry)) out.push_back(entry.is_folder() ? entry.name + ":" : entry.name);
  } while (search->next(entry));
  if (platform::last_error() != platform::winerr::kNoMoreFiles) {
    Err failed = static_cast<Err>(platform::last_error());
    search->close();
    return failed;
  }
  if (!search->close()) return static_cast<Err>(platform::last_error());
  return kNoErr;
}

std::int64_t now_nanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

Err visible_entries(const std::string& folder, const Listing*& out) {
  std::unique_ptr<host::PersistentState>& slot = cache_slot();
  platform::FileIdentity identity;
  bool known = platform::identity(folder, identity);
  if (auto* cache = dynamic_cast<FolderCache*>(slot.get());
      cache != nullptr && known && cache->folder == folder && cache->identity == identity &&
      settled(*cache)) {
    out = &cache->entries;
    return kNoErr;
  }
  auto fresh = std::make_unique<FolderCache>();
  fresh->listed_at = now_nanoseconds();
  if (Err err = list(folder, fresh->entries); err != kNoErr) return err;
  if (known) {
    fresh->folder = folder;
    fresh->identity = identity;
  }
  slot = std::move(fresh);
  out = &static_cast<FolderCache*>(slot.get())->entries;
  return kNoErr;
}

void forget_listing() {
  cache_slot().reset();
}

}  // namespace velmora::files
