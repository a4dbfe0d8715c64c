// The file and folder choosers: GTK's file chooser dialog, owned by the host's window.
// Windows-form paths are placed on this machine through the drive table.
#include <gio/gio.h>
#include <gtk/gtk.h>

#include <optional>
#include <utility>

#include "platform/linux/caseless_glob.hpp"
#include "platform/linux/desktop/companion.hpp"
#include "platform/linux/desktop/gtk_templates.hpp"
#include "platform/text.hpp"

namespace velmora::platform::gtk {

namespace {

struct KindStyle {
  GtkFileChooserAction action;
  const char* name;  // the widget name the test automation finds it by
  const char* accept_label;
};

constexpr KindStyle style_of(ChooserKind kind) {
  switch (kind) {
    case ChooserKind::SaveFile:
      return {GTK_FILE_CHOOSER_ACTION_SAVE, "save-file", "_Save"};
    case ChooserKind::Folder:
      return {GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "open-folder", "_Select"};
    case ChooserKind::OpenFile:
      break;
  }
  return {GTK_FILE_CHOOSER_ACTION_OPEN, "open-file", "_Open"};
}

void add_filters(GtkFileChooser* chooser, const std::vector<FileFilter>& filters) {
  for (std::size_t i = 0; i < filters.size(); ++i) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, filters[i].label.c_str());
    const std::string& list = filters[i].patterns;
    std::size_t start = 0;
    while (start <= list.size()) {
      std::size_t end = list.find(';', start);
      if (end == std::string::npos) end = list.size();
      const std::string one = list.substr(start, end - start);
      if (!one.empty())
        gtk_file_filter_add_pattern(filter, linux_backend::caseless_glob(one).c_str());
      start = end + 1;
    }
    gtk_file_chooser_add_filter(chooser, filter);  // the chooser takes the reference
    if (i == 0) gtk_file_chooser_set_filter(chooser, filter);
  }
}

std::optional<std::string> host_folder(const std::string& native) {
  if (native.empty()) return std::nullopt;
  std::optional<std::string> host = desktop::services().host_path(native);
  if (!host || !g_file_test(host->c_str(), G_FILE_TEST_IS_DIR)) return std::nullopt;
  return host;
}

// The save chooser's starting name; a name with a folder in front starts in that folder.
// Answers the starting folder it asked the chooser for, if any.
std::optional<std::string> set_default_name(GtkFileChooser* chooser, const std::string& native) {
  if (native.empty()) return std::nullopt;
  std::size_t cut = std::string::npos;
  for (std::size_t i = 0; i < native.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(native[i]);
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF)) {
      ++i;  // a double-byte character: its second byte is never a separator
    } else if (c == '\\') {
      cut = i;
    }
  }
  std::optional<std::string> folder;
  if (cut != std::string::npos) {
    folder = host_folder(native.substr(0, cut + 1));
    if (folder) gtk_file_chooser_set_current_folder(chooser, folder->c_str());
  }
  const std::string name = cut == std::string::npos ? native : native.substr(cut + 1);
  gtk_file_chooser_set_current_name(chooser, native_to_utf8(name).c_str());
  return folder;
}

void add_instruction(GtkWidget* dialog, const std::string& text) {
  if (text.empty()) return;
  GtkWidget* label = gtk_label_new(text.c_str());
  gtk_widget_set_name(label, "1003");  // the message control of the module's dialogs
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  gtk_widget_set_margin_start(label, 6);
  gtk_widget_set_margin_end(label, 6);
  gtk_widget_set_margin_top(label, 6);
  GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_box_pack_start(GTK_BOX(area), label, FALSE, FALSE, 0);
  gtk_box_reorder_child(GTK_BOX(area), label, 0);
  gtk_widget_show(label);
}

}  // namespace

DialogRun run_chooser(const ChooserRequest& request, ChooserOutcome& outcome, std::string& path) {
  outcome = ChooserOutcome::Cancelled;
  path.clear();
  const KindStyle style = style_of(request.kind);
  // The module's labels, in its language: GTK's own would follow the process's locale.
  const char* cancel = request.cancel_label.empty() ? "_Cancel" : request.cancel_label.c_str();
  const char* accept =
      request.accept_label.empty() ? style.accept_label : request.accept_label.c_str();
  GtkWidget* dialog =
      gtk_file_chooser_dialog_new(request.title.c_str(), owner_window(), style.action, cancel,
                                  GTK_RESPONSE_CANCEL, accept, GTK_RESPONSE_ACCEPT, nullptr);
  if (dialog == nullptr) return DialogRun::Failed;
  gtk_widget_set_name(dialog, style.name);
  // Named as the module's own dialogs name OK and Cancel.
  for (const auto& [response, name] :
       {std::pair{GTK_RESPONSE_ACCEPT, "1"}, std::pair{GTK_RESPONSE_CANCEL, "2"}}) {
    if (GtkWidget* b = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), response)) {
      gtk_widget_set_name(b, name);
    }
  }
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  gtk_file_chooser_set_show_hidden(chooser, request.show_hidden ? TRUE : FALSE);
  add_filters(chooser, request.filters);
  std::optional<std::string> start = host_folder(request.start_folder);
  if (start) gtk_file_chooser_set_current_folder(chooser, start->c_str());
  if (request.kind == ChooserKind::SaveFile) {
    if (auto folder = set_default_name(chooser, request.default_name)) start = std::move(folder);
  }
  // The chooser takes up a starting folder asynchronously; the test automation waits for it.
  if (start) {
    std::string wanted = *start;
    while (wanted.size() > 1 && wanted.back() == '/') wanted.pop_back();
    g_object_set_data_full(G_OBJECT(dialog), "velmora-start-folder", g_strdup(wanted.c_str()),
                           g_free);
  }
  if (request.kind == ChooserKind::Folder) add_instruction(dialog, request.instruction);

  const int response = run_modal(dialog);
  if (response == GTK_RESPONSE_ACCEPT || response == GTK_RESPONSE_OK) {
    gchar* chosen = gtk_file_chooser_get_filename(chooser);
    std::optional<std::string> native;
    if (chosen != nullptr) native = desktop::services().native_from_host(chosen);
    g_free(chosen);
    if (native) {
      path = std::move(*native);
      outcome = ChooserOutcome::Chosen;
    } else {
      outcome = ChooserOutcome::NoPath;
    }
  }
  gtk_widget_destroy(dialog);
  desktop::pump_messages();
  return DialogRun::Ended;
}

std::string file_type_description(std::string_view extension) {
  if (extension.size() < 2 || extension.front() != '.') return {};
  const std::string name = "x" + native_to_utf8(extension);
  gboolean uncertain = FALSE;
  gchar* type = g_content_type_guess(name.c_str(), nullptr, 0, &uncertain);
  std::string out;
  if (type != nullptr && !uncertain && !g_content_type_is_unknown(type)) {
    gchar* description = g_content_type_get_description(type);
    if (description != nullptr) out = description;
    g_free(description);
  }
  g_free(type);
  return out;
}

}  // namespace velmora::platform::gtk
