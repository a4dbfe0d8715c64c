// The progress dialog on Windows: the module's template as a modeless dialog
// (CreateDialogIndirectParamW) whose state changes while the host's thread dispatches.
#include "platform/progress.hpp"
#include "platform/ui.hpp"
#include "platform/windows/dialog_template.hpp"

namespace velmora::platform {

namespace {

constexpr int kCancel = 2;
constexpr int kBar = 1006;
constexpr int kMessage = 1003;
constexpr int kRange = 1000;
// One stripe step of the barber pole, as a share of the bar.
constexpr int kStripeStep = 50;

class Win32ProgressDialog final : public ProgressDialog {
 public:
  Win32ProgressDialog() = default;
  ~Win32ProgressDialog() override {
    if (window_ != nullptr) DestroyWindow(window_);
    // Let the owner repaint where the dialog was.
    pump_messages();
  }
  Win32ProgressDialog(const Win32ProgressDialog&) = delete;
  Win32ProgressDialog& operator=(const Win32ProgressDialog&) = delete;

  bool open(const std::vector<WORD>& bytes) {
    window_ = CreateDialogIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()),
        win::dialog_owner(), &Win32ProgressDialog::proc, reinterpret_cast<LPARAM>(this));
    return window_ != nullptr && GetDlgItem(window_, kBar) != nullptr;
  }
  HWND window() const { return window_; }

  bool cancelled() const override { return cancelled_; }
  void hide() override { ShowWindow(window_, SW_HIDE); }
  void show_fraction(double fraction) override {
    const double f = fraction < 0 ? 0 : fraction > 1 ? 1 : fraction;
    SendDlgItemMessageW(window_, kBar, PBM_SETPOS, static_cast<WPARAM>(f * kRange), 0);
  }
  void advance_stripe() override {
    stripe_ = (stripe_ + kStripeStep) % (kRange + kStripeStep);
    SendDlgItemMessageW(window_, kBar, PBM_SETPOS, static_cast<WPARAM>(stripe_), 0);
  }

 private:
  static INT_PTR CALLBACK proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      SendDlgItemMessageW(dialog, kBar, PBM_SETRANGE32, 0, kRange);
      return TRUE;
    }
    auto* self = reinterpret_cast<Win32ProgressDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr) return FALSE;
    // Cancel and Escape (IDCANCEL) are the only ways the user can end a progress; the
    // dialog stays until the script closes it.
    if ((message == WM_COMMAND && LOWORD(wparam) == kCancel) || message == WM_CLOSE) {
      self->cancelled_ = true;
      return TRUE;
    }
    return FALSE;
  }

  HWND window_ = nullptr;
  bool cancelled_ = false;
  int stripe_ = 0;
};

}  // namespace

ProgressDialogOpen open_progress_dialog(const resources::DialogTemplate& t,
                                        const std::string& title, const std::string& message,
                                        std::unique_ptr<ProgressDialog>& out) {
  out.reset();
  if (!display_available()) return ProgressDialogOpen::NoDisplay;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  auto dialog = std::make_unique<Win32ProgressDialog>();
  if (!dialog->open(win::dialog_template_bytes(t, title, false))) {
    return ProgressDialogOpen::Failed;
  }
  if (!message.empty()) {
    SetDlgItemTextW(dialog->window(), kMessage, win::wide_from_utf8(message).c_str());
  }
  ShowWindow(dialog->window(), SW_SHOWNOACTIVATE);
  out = std::move(dialog);
  pump_messages();
  return ProgressDialogOpen::Shown;
}

}  // namespace velmora::platform
