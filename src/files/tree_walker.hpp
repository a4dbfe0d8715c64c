// The tree walker behind CopyFile, MoveFile, DeleteFile and RenameFile: one file, or a
// folder with everything in it.  Sub-folders whose names begin with a dot are left
// alone (neither copied, moved nor deleted); dot-named files are handled like any other.
// Nothing is rolled back: a walk that stops on a failure leaves what it has done.
#pragma once
#include <string_view>

namespace velmora::files {

enum class TreeOp { kCopy, kMove, kDelete };

// Runs the operation on `source` (a full native path).  Copy and move put a file into
// `destination` when that is an existing folder (keeping the name), else at that path;
// a folder always goes into `destination`, which must be an existing folder.  False
// with the platform's last error set (80 when a copied file is already there, ...).
bool run_tree(TreeOp op, std::string_view source, std::string_view destination);

}  // namespace velmora::files
