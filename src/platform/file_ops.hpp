// Changing the file system: copy, move, create and remove.  Paths are full native
// Windows-form paths (C:\Data\a.txt); the backend maps them onto its own file system.
// Each call answers true, or false with the platform's last error (fs.hpp) set to the
// Windows number of the reason (80 file exists, 145 folder not empty, ...).  A call that
// makes a name refuses one Windows would refuse (\ / : * ? " < > | and control
// characters) with 123.  A FIFO, socket or device is never opened to be copied (5).
#pragma once
#include <string_view>

#include "platform/fs.hpp"

namespace velmora::platform {

// Copies one file, keeping its modification time and attributes.  Never overwrites:
// 80 when `to` exists.  A copy that fails part-way removes what it wrote, so `to` is
// either the whole file or absent.  Uses the file system's clone or in-kernel copy.
bool copy_file(std::string_view from, std::string_view to);

// Moves (renames) a file or a folder.  Never overwrites: 183 when `to` exists.  A file
// moved to another file system is copied, flushed to disk and checked before the source
// is deleted; if any of that fails the source stays and the copy is removed.  A folder
// moves only within its file system (17 otherwise).
bool move_item(std::string_view from, std::string_view to);

// Copies a symbolic link as a link (its target text unchanged), never through it.  80
// when `to` exists; 50 where the destination's file system cannot hold links.
bool copy_link(std::string_view from, std::string_view to);

// True when the folder `inner` is the folder `outer` or lies anywhere inside it, links
// followed (an alias of a folder is the folder).  `inner` need not exist yet: its
// nearest existing folder decides.
bool same_or_inside(std::string_view inner, std::string_view outer);

// Creates one folder; its parent must exist (3 otherwise); 183 when the name is taken.
bool create_folder(std::string_view path);

// Removes an empty folder (145 when it holds anything, 267 for a file).
bool remove_folder(std::string_view path);

// Deletes a file; a read-only file is refused with 5, as is a folder.
bool delete_file(std::string_view path);

// While one lives, the file operations and folder scans remember where on disk each
// folder they met lies, so that a walk over a tree does not look every path up again
// from its drive's root (a lookup that also lists a folder to match letter case).
// Names inside a remembered folder are taken exactly as given, which suits a walker
// that hands back the names a scan reported.  For one tree operation at a time.
class FolderPlaces {
 public:
  FolderPlaces();
  ~FolderPlaces();
  FolderPlaces(const FolderPlaces&) = delete;
  FolderPlaces& operator=(const FolderPlaces&) = delete;

 private:
  bool owner_ = false;  // the outermost one keeps the memory
};

}  // namespace velmora::platform
