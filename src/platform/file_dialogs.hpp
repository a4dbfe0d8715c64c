// The system's file and folder choosers, owned by the host's window.  Paths cross this
// seam in Windows form as native text (C:\Data\a.txt, \\srv\pub\x); titles and filter
// labels are UTF-8.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialogs.hpp"

namespace velmora::platform {

// One entry of a chooser's type list: "JPEG image" with "*.jpg;*.jpeg".  Patterns match
// names without regard to letter case, as on the systems the scripts come from.
struct FileFilter {
  std::string label;
  std::string patterns;
};

enum class ChooserKind { OpenFile, SaveFile, Folder };

struct ChooserRequest {
  ChooserKind kind = ChooserKind::OpenFile;
  std::string title;         // the window's title
  std::string accept_label;  // empty: the toolkit's own (the system's on Windows)
  std::string cancel_label;
  std::string instruction;          // the text above the folder tree (folder chooser)
  std::string start_folder;         // native; empty: the system's choice
  std::string default_name;         // native; save chooser only, may carry a folder
  std::vector<FileFilter> filters;  // the first is selected; empty: no type list
  bool show_hidden = false;
};

enum class ChooserOutcome {
  Chosen,     // `path` holds the choice
  Cancelled,  // the user closed the chooser without a choice
  NoPath,     // the choice is no place this machine's drives or shares hold
};

// Runs the chooser modally.  DialogRun::Ended with the outcome, or why nothing ran.
DialogRun run_chooser(const ChooserRequest& request, ChooserOutcome& outcome, std::string& path);

// The description the system registers for files ending in `extension` (".jpg"), in
// UTF-8; empty when it knows none.
std::string file_type_description(std::string_view extension);

}  // namespace velmora::platform
