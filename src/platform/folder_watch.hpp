// Change notices for folders: whether anything a listing shows may have changed since a
// watch began, told by the system rather than guessed from time stamps (which miss a
// changed attribute of an entry, and changes within one tick of a coarse clock).
#pragma once
#include <memory>
#include <string_view>

namespace velmora::platform {

class FolderWatch {
 public:
  virtual ~FolderWatch() = default;
  // True once an entry of the folder was added, removed or renamed, or had its attributes
  // changed, or the folder itself was removed or moved, or notices may have been lost;
  // it stays true.
  virtual bool changed() = 0;
};

// A watch on a folder (a full native path), begun now; none when the system cannot
// report its changes (no notice service, a network file system that does not report
// other machines' changes, limits reached), and then nothing may be kept for it.
std::unique_ptr<FolderWatch> watch_folder(std::string_view folder);

}  // namespace velmora::platform
