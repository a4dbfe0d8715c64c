// Inside the desktop companion: what its parts share, and the calls its table offers
// (each as the seam header of the same name describes it, for an open display).
#pragma once
#include "platform/linux/desktop/processes_x11.hpp"
#include "platform/linux/desktop_table.hpp"

namespace velmora::platform::desktop {

using linux_backend::DesktopServices;

// What the module lent the companion when it opened it.
const DesktopServices& services();
// The host's events, then the display's: after a dialog went, so that its owner repaints.
void pump_messages();

}  // namespace velmora::platform::desktop

namespace velmora::platform::gtk {

Clipboard& display_clipboard();
void keep_clipboard_contents();
DialogRun run_button_box(const resources::DialogTemplate& dialog, const ButtonBoxContent& content,
                         int& ended_by);
DialogRun run_input_box(const resources::DialogTemplate& dialog, InputBoxContent& content,
                        int& ended_by);
DialogRun pick_color(const SystemDialogNames& names, std::uint8_t rgb[3], bool& accepted);
DialogRun run_compression_dialog(CompressionDialogContent& content, bool& accepted);
DialogRun run_chooser(const ChooserRequest& request, ChooserOutcome& outcome, std::string& path);
std::string file_type_description(std::string_view extension);
ProgressDialogOpen open_progress_dialog(const resources::DialogTemplate& dialog,
                                        const std::string& title, const std::string& message,
                                        std::unique_ptr<ProgressDialog>& out);

}  // namespace velmora::platform::gtk
