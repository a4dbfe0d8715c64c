// VeUtl_Ask (ID 41, the button box) and VeUtl_Answer (ID 40, the input box): modal
// dialogs over the host's window answering the button pressed or the text typed.
#include "dialogs/dialog_text.hpp"
#include "host/handlers.hpp"
#include "params/readers.hpp"
#include "platform/dialogs.hpp"
#include "platform/module.hpp"
#include "platform/text.hpp"

namespace velmora::dialogs {

namespace {

constexpr int kOkButton = 1;
constexpr int kCancelButton = 2;

constexpr platform::StandardIcon kIcons[] = {
    platform::StandardIcon::None, platform::StandardIcon::Stop, platform::StandardIcon::Note,
    platform::StandardIcon::Caution, platform::StandardIcon::Question};

// A CANCEL or OTHER key: its presence shows the button, its value (unless it is the
// key's own word, exactly) is the label.
bool optional_button(const params::Store& s, std::string_view key, std::string& label) {
  if (!params::has(s, key)) return false;
  label = field_text(s, key, kLabelField);
  if (label == key) label.clear();
  return true;
}

// The Other button (1002), and a dialog that ended without any button, answer OTHER.
std::string_view button_keyword(int ended_by) {
  if (ended_by == kOkButton) return "OK";
  if (ended_by == kCancelButton) return "CANCEL";
  return "OTHER";
}

}  // namespace

Err ask(Call& call) {
  const params::Store& s = call.params;
  if (params::text(s, "MESSAGE") == nullptr) return kParamErr;
  platform::ButtonBoxContent box;
  box.message = field_text(s, "MESSAGE", kMessageField);
  box.description = field_text(s, "DESCRIPTION", kMessageField);
  box.ok_label = field_text(s, "OK", kLabelField);
  box.cancel_shown = optional_button(s, "CANCEL", box.cancel_label);
  box.other_shown = optional_button(s, "OTHER", box.other_label);
  box.icon = kIcons[params::keyword(s, "ICON", "STOP,NOTE,CAUTION,QUESTION")];
  // WIDTH is read for its default but the layout keeps the template's width.
  std::int32_t width = 0;
  if (!params::validated_integer(s, "WIDTH", width)) {
    width = box.icon == platform::StandardIcon::None ? 330 : 375;
  }
  (void)width;

  int ended_by = 0;
  const resources::DialogTemplate* t =
      resources::dialog_template(resources::kButtonBoxTemplate, platform::ui_language());
  if (t != nullptr) {
    const platform::DialogRun run = platform::run_button_box(*t, box, ended_by);
    if (run == platform::DialogRun::NoDisplay) return kNoDisplay;
    if (run == platform::DialogRun::Failed) ended_by = 0;
  }
  return host::set_result(button_keyword(ended_by));
}

Err answer(Call& call) {
  const params::Store& s = call.params;
  if (params::text(s, "MESSAGE") == nullptr) return kParamErr;
  platform::InputBoxContent box;
  box.message = field_text(s, "MESSAGE", kMessageField);
  box.ok_label = field_text(s, "OK", kLabelField);
  box.cancel_label = field_text(s, "CANCEL", kLabelField);
  box.text = field_text(s, "DEFAULT", kMessageField);
  box.needs_something = params::boolean(s, "NEEDSOMETHING", false);
  box.password = params::boolean(s, "PASSWORD", false);

  const resources::DialogTemplate* t =
      resources::dialog_template(resources::kInputBoxTemplate, platform::ui_language());
  if (t == nullptr) return kGeneralErr;
  int ended_by = 0;
  const platform::DialogRun run = platform::run_input_box(*t, box, ended_by);
  if (run == platform::DialogRun::NoDisplay) return kNoDisplay;
  if (run == platform::DialogRun::Failed) return kGeneralErr;
  if (ended_by != kOkButton) return kUserCanceled;
  return host::set_result(cut_to_field(platform::utf8_to_native(box.text), kMessageField));
}

}  // namespace velmora::dialogs
