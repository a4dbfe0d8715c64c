// The visible entries of a folder, in the file system's order, shared by
// FolderItemCount, GetFolderItem and FileInfo's ITEMCOUNT so that all three agree.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "host/errors.hpp"
#include "platform/fs.hpp"

namespace velmora::files {

// Entry names with a ':' after each folder's name.
using Listing = std::vector<std::string>;

// The visible entries of `folder` (a full native path): names not beginning with a dot
// and without the hidden or system attribute.  Listings of the last few folders are kept
// in the shared state, each under a change watch, and reused only while the system
// reports no change of that folder, so that walking N entries by number reads the
// folder once and walking several folders in turn costs each folder once.  A folder that
// cannot be watched is listed on every call.  0, or the system's error number when the
// folder cannot be searched; `out` stays valid until the next call.
// `seen` is the folder's identity when the caller has just looked at it (PathSpec's),
// saving a second look.
Err visible_entries(const std::string& folder, const Listing*& out,
                    const std::optional<platform::FileIdentity>& seen = std::nullopt);

// Forgets the kept listings (tests, and callers that changed the folder themselves).
void forget_listing();

}  // namespace velmora::files
