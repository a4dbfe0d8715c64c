// The progress dialog as a modeless GTK dialog built from its template.  It lives on
// the host's thread and changes only while that thread dispatches its events.
#include <gtk/gtk.h>

#include "platform/linux/desktop/companion.hpp"
#include "platform/linux/desktop/gtk_templates.hpp"
#include "platform/linux/desktop/ui_automation.hpp"

namespace velmora::platform::gtk {

namespace {

constexpr int kCancel = 2;
constexpr int kBar = 1006;
constexpr int kMessage = 1003;

// One stripe step of the barber pole, as a share of the bar's width.
constexpr double kPulseStep = 0.05;

class GtkProgressDialog final : public ProgressDialog {
 public:
  GtkProgressDialog(GtkWidget* dialog, GtkWidget* bar) : dialog_(dialog), bar_(bar) {
    // Held so that the pointers stay valid even when the window is destroyed elsewhere.
    g_object_ref(dialog_);
    g_object_ref(bar_);
    g_signal_connect(dialog_, "response", G_CALLBACK(on_response), this);
    // The template has no close box; a delete request (Escape) only cancels.
    g_signal_connect(dialog_, "delete-event", G_CALLBACK(on_delete), this);
  }
  ~GtkProgressDialog() override {
    g_signal_handlers_disconnect_by_data(dialog_, this);
    gtk_widget_destroy(dialog_);
    g_object_unref(bar_);
    g_object_unref(dialog_);
    // Let the owner repaint where the dialog was.
    desktop::pump_messages();
  }
  GtkProgressDialog(const GtkProgressDialog&) = delete;
  GtkProgressDialog& operator=(const GtkProgressDialog&) = delete;

  bool cancelled() const override { return cancelled_; }
  void hide() override { gtk_widget_hide(dialog_); }
  void show_fraction(double fraction) override {
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(bar_), fraction);
    automation::release(dialog_);
  }
  void advance_stripe() override {
    gtk_progress_bar_pulse(GTK_PROGRESS_BAR(bar_));
    automation::release(dialog_);
  }

 private:
  static void on_response(GtkDialog*, gint response, gpointer self) {
    // Cancel and Escape are the only ways the user can end a progress.
    if (response == kCancel || response == GTK_RESPONSE_DELETE_EVENT) {
      static_cast<GtkProgressDialog*>(self)->cancelled_ = true;
    }
  }
  static gboolean on_delete(GtkWidget*, GdkEvent*, gpointer self) {
    static_cast<GtkProgressDialog*>(self)->cancelled_ = true;
    return TRUE;
  }

  GtkWidget* dialog_;
  GtkWidget* bar_;
  bool cancelled_ = false;
};

}  // namespace

ProgressDialogOpen open_progress_dialog(const resources::DialogTemplate& t,
                                        const std::string& title, const std::string& message,
                                        std::unique_ptr<ProgressDialog>& out) {
  out.reset();
  BuiltDialog d = build_dialog(t);
  GtkWidget* bar = d.control(kBar);
  if (d.dialog == nullptr || bar == nullptr) {
    if (d.dialog != nullptr) gtk_widget_destroy(d.dialog);
    return ProgressDialogOpen::Failed;
  }
  // The script goes on while the dialog shows: it must not grab the host's input.
  gtk_window_set_modal(GTK_WINDOW(d.dialog), FALSE);
  if (!title.empty()) gtk_window_set_title(GTK_WINDOW(d.dialog), title.c_str());
  if (GtkWidget* label = d.control(kMessage); label != nullptr && !message.empty()) {
    gtk_label_set_text(GTK_LABEL(label), message.c_str());
  }
  gtk_progress_bar_set_pulse_step(GTK_PROGRESS_BAR(bar), kPulseStep);
  out = std::make_unique<GtkProgressDialog>(d.dialog, bar);
  // Test automation waits until the dialog shows its first value.
  automation::attach(d.dialog);
  automation::hold(d.dialog);
  gtk_widget_show(d.dialog);
  desktop::pump_messages();
  return ProgressDialogOpen::Shown;
}

}  // namespace velmora::platform::gtk
