// Listing a folder once and keeping the answer while the folder stays as it was.
#include "files/folder_listing.hpp"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "host/shared_state.hpp"
#include "platform/folder_scan.hpp"
#include "platform/folder_watch.hpp"
#include "platform/fs.hpp"

namespace velmora::files {

namespace {

// Folders whose listings are kept at once: enough for a script that walks a few folders
// in turn, or walks one while asking about each of its sub-folders.
constexpr std::size_t kKeptFolders = 16;

// A listing is kept only under a watch begun before it was read, so that any change of
// the folder since (an entry added, removed, renamed, hidden or shown) is known; the
// folder's identity guards against the path now naming another folder.
struct Kept {
  std::string folder;
  platform::FileIdentity identity;
  std::unique_ptr<platform::FolderWatch> watch;
  Listing entries;
  std::uint64_t used = 0;
};

struct FolderCache final : host::PersistentState {
  std::vector<Kept> kept;
  std::uint64_t clock = 0;
  Listing unwatched;  // the last listing of a folder that cannot be watched
};

// Without a shared block (before initialisation, in tools) the listings are still kept,
// for the life of the process.
std::unique_ptr<host::PersistentState>& cache_slot() {
  if (host::SharedState* shared = host::shared_state()) return shared->folder_cache;
  static std::unique_ptr<host::PersistentState> local;
  return local;
}

FolderCache& cache() {
  std::unique_ptr<host::PersistentState>& slot = cache_slot();
  if (dynamic_cast<FolderCache*>(slot.get()) == nullptr) slot = std::make_unique<FolderCache>();
  return static_cast<FolderCache&>(*slot);
}

// One pass over the folder's entries, without a status query per entry: names, kinds and
// the hidden and system attributes are all a listing shows.
Err list(const std::string& folder, Listing& out) {
  std::vector<platform::ScanEntry> entries;
  if (!platform::scan_folder(folder, entries, platform::ScanFor::kListing)) {
    return static_cast<Err>(platform::last_error());
  }
  out.reserve(entries.size());
  for (platform::ScanEntry& e : entries) {
    if (e.name.empty() || e.name[0] == '.' || e.hidden) continue;
    if (e.folder) e.name.push_back(':');
    out.push_back(std::move(e.name));
  }
  return kNoErr;
}

}  // namespace

Err visible_entries(const std::string& folder, const Listing*& out,
                    const std::optional<platform::FileIdentity>& seen) {
  FolderCache& c = cache();
  platform::FileIdentity identity;
  bool known = seen.has_value();
  if (known) {
    identity = *seen;
  } else {
    known = platform::identity(folder, identity);
  }
  auto hit =
      std::find_if(c.kept.begin(), c.kept.end(), [&](const Kept& k) { return k.folder == folder; });
  if (hit != c.kept.end()) {
    if (known && hit->identity == identity && !hit->watch->changed()) {
      hit->used = ++c.clock;
      out = &hit->entries;
      return kNoErr;
    }
    c.kept.erase(hit);
  }

  Kept fresh;
  fresh.watch = known ? platform::watch_folder(folder) : nullptr;
  if (Err err = list(folder, fresh.entries); err != kNoErr) return err;
  if (!fresh.watch) {
    // Nothing tells when this folder changes: its listing serves this call only.
    c.unwatched = std::move(fresh.entries);
    out = &c.unwatched;
    return kNoErr;
  }
  fresh.folder = folder;
  fresh.identity = identity;
  fresh.used = ++c.clock;
  if (c.kept.size() >= kKeptFolders) {
    c.kept.erase(std::min_element(c.kept.begin(), c.kept.end(),
                                  [](const Kept& a, const Kept& b) { return a.used < b.used; }));
  }
  c.kept.push_back(std::move(fresh));
  out = &c.kept.back().entries;
  return kNoErr;
}

void forget_listing() {
  cache_slot().reset();
}

}  // namespace velmora::files
