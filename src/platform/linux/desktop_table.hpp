// Linux backend only: what the module and its desktop companion VELMORA2-desktop.so say to
// each other.  Everything that needs GTK or X11 lives in the companion, so that the module
// itself loads on a server without any desktop library; the module opens the companion
// only when a display is named, and the companion's one export is the table below.
//
// Both files come from one build of the seam: the calls take the seam's own C++ types,
// so kDesktopVersion changes whenever this table or a type it carries changes, and a
// companion of another version is not used.  What the companion needs of the module's
// state (the host's window and events, the drive table) it is lent through
// DesktopServices, so that there is one of each per process.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clipboard.hpp"
#include "platform/compression_dialog.hpp"
#include "platform/dialogs.hpp"
#include "platform/file_dialogs.hpp"
#include "platform/processes.hpp"
#include "platform/progress.hpp"
#include "resources/dialog_templates.hpp"

namespace velmora::platform::linux_backend {

inline constexpr std::uint32_t kDesktopVersion = 2;
inline constexpr const char* kDesktopFile = "VELMORA2-desktop.so";
inline constexpr const char* kDesktopEntry = "VelmoraDesktop_Table";

// What the module lends the companion.  Kept by the companion for the life of the process.
struct DesktopServices {
  std::uint32_t struct_size;  // sizeof(DesktopServices) of the module's build
  // The host document window's native window (a GtkWindow*) when it is shown, else null.
  void* (*owner_window)();
  // Lets the host repaint and handle its own waiting events.
  void (*pump_host_events)();
  // The drive table: Windows-form native paths to host paths and back (drive_map.hpp).
  std::optional<std::string> (*host_path)(std::string_view native_path);
  std::optional<std::string> (*native_from_host)(std::string_view host_path);
};

// What the companion offers: the seam's calls that need the desktop, each as the seam
// header describes it, for a display that open() has opened.
struct DesktopTable {
  std::uint32_t struct_size;  // sizeof(DesktopTable) of the companion's build
  std::uint32_t version;      // kDesktopVersion of the companion's build
  // Opens the display; false when none can be opened here, and then nothing else in the
  // table may be called.
  bool (*open)(const DesktopServices* services);
  // Dispatches the display's waiting events (the host's own go through its services).
  void (*pump_messages)();
  Clipboard* (*clipboard)();
  void (*keep_clipboard_contents)();
  DialogRun (*run_button_box)(const resources::DialogTemplate& dialog,
                              const ButtonBoxContent& content, int& ended_by);
  DialogRun (*run_input_box)(const resources::DialogTemplate& dialog, InputBoxContent& content,
                             int& ended_by);
  DialogRun (*pick_color)(const SystemDialogNames& names, std::uint8_t rgb[3], bool& accepted);
  DialogRun (*run_compression_dialog)(CompressionDialogContent& content, bool& accepted);
  DialogRun (*run_chooser)(const ChooserRequest& request, ChooserOutcome& outcome,
                           std::string& path);
  std::string (*file_type_description)(std::string_view extension);
  ProgressDialogOpen (*open_progress_dialog)(const resources::DialogTemplate& dialog,
                                             const std::string& title, const std::string& message,
                                             std::unique_ptr<ProgressDialog>& out);
  CloseOutcome (*close_windows)(const std::vector<std::uint32_t>& process_ids, int& asked);
};

}  // namespace velmora::platform::linux_backend
