// VeUtl_PickColor (ID 36): the system's colour dialog, fully open, starting on COLOR
// (white when missing), answering the chosen colour as r,g,b.
#include "dialogs/dialog_text.hpp"
#include "host/handlers.hpp"
#include "params/builder.hpp"
#include "params/readers.hpp"
#include "platform/dialogs.hpp"
#include "platform/module.hpp"
#include "resources/system_dialog_texts.hpp"

namespace velmora::dialogs {

Err pick_color(Call& call) {
  const params::Store& s = call.params;
  const resources::SystemDialogTexts& own =
      resources::system_dialog_texts(resources::SystemDialog::Color, platform::ui_language());
  platform::SystemDialogNames names{field_text(s, "MESSAGE", kMessageField),
                                    std::string(own.accept), std::string(own.cancel)};
  if (names.title.empty()) names.title = own.title;
  std::uint8_t rgb[3] = {255, 255, 255};
  RgbColor start;
  if (params::color(s, "COLOR", start)) {
    rgb[0] = static_cast<std::uint8_t>(start.red >> 8);
    rgb[1] = static_cast<std::uint8_t>(start.green >> 8);
    rgb[2] = static_cast<std::uint8_t>(start.blue >> 8);
  }

  bool accepted = false;
  const platform::DialogRun run = platform::pick_color(names, rgb, accepted);
  if (run == platform::DialogRun::NoDisplay) return kNoDisplay;
  if (run == platform::DialogRun::Failed) return kGeneralErr;
  if (!accepted) return kUserCanceled;
  // Each 8-bit value goes to the high byte, so the answer gives it back unchanged.
  const RgbColor chosen{static_cast<std::uint16_t>(rgb[0] << 8),
                        static_cast<std::uint16_t>(rgb[1] << 8),
                        static_cast<std::uint16_t>(rgb[2] << 8)};
  return host::set_result(params::Builder().color(chosen).str());
}

}  // namespace velmora::dialogs
