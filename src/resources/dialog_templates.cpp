#include "resources/dialog_templates.hpp"

#include <array>

namespace velmora::resources {

namespace {

using K = ControlKind;

constexpr std::array kButtonBoxEn = {
    ControlTemplate{1, K::DefaultButton, 184, 36, 50, 14, "OK"},
    ControlTemplate{2, K::Button, 117, 36, 50, 14, "Cancel"},
    ControlTemplate{1002, K::Button, 7, 36, 50, 14, "Other"},
    ControlTemplate{1003, K::Text, 53, 7, 181, 10, "Message1"},
    ControlTemplate{1004, K::Text, 53, 18, 181, 10, "Message2"},
    ControlTemplate{1005, K::Icon, 7, 7, 20, 20, ""},
};
constexpr std::array kButtonBoxJa = {
    ControlTemplate{1, K::DefaultButton, 184, 36, 50, 14, "OK"},
    ControlTemplate{2, K::Button, 117, 36, 50, 14, "キャンセル"},
    ControlTemplate{1002, K::Button, 7, 36, 50, 14, "その他"},
    ControlTemplate{1003, K::Text, 53, 7, 181, 10, "スタティック"},
    ControlTemplate{1004, K::Text, 53, 18, 181, 10, "スタティック"},
    ControlTemplate{1005, K::Icon, 7, 7, 21, 20, ""},
};

constexpr std::array kProgressEn = {
    ControlTemplate{2, K::Button, 169, 15, 50, 14, "Cancel"},
    ControlTemplate{1006, K::ProgressBar, 7, 17, 151, 12, ""},
    ControlTemplate{1003, K::Text, 7, 4, 174, 10, "Please Wait..."},
};
constexpr std::array kProgressJa = {
    ControlTemplate{2, K::Button, 169, 17, 50, 14, "中止"},
    ControlTemplate{1006, K::ProgressBar, 7, 19, 151, 12, ""},
    ControlTemplate{1003, K::Text, 7, 4, 128, 10, "少しお待ちください..."},
};

constexpr std::array kInputBoxEn = {
    ControlTemplate{1007, K::Edit, 7, 21, 217, 13, ""},
    ControlTemplate{1, K::DefaultButton, 109, 37, 50, 14, "OK"},
    ControlTemplate{2, K::Button, 174, 37, 50, 14, "Cancel"},
    ControlTemplate{1003, K::Text, 7, 7, 217, 10, "Message"},
};
constexpr std::array kInputBoxJa = {
    ControlTemplate{1007, K::Edit, 7, 21, 217, 13, ""},
    ControlTemplate{1, K::DefaultButton, 109, 37, 50, 14, "OK"},
    ControlTemplate{2, K::Button, 174, 37, 50, 14, "キャンセル"},
    ControlTemplate{1003, K::Text, 7, 7, 217, 10, "スタティック"},
};

struct Entry {
  platform::Language language;
  DialogTemplate dialog;
};

constexpr std::array kTemplates = {
    Entry{platform::Language::English,
          {kButtonBoxTemplate, "Message", 241, 57, false, kButtonBoxEn}},
    Entry{platform::Language::Japanese,
          {kButtonBoxTemplate, "メッセージ", 241, 57, false, kButtonBoxJa}},
    Entry{platform::Language::English,
          {kProgressTemplate, "It is dealing...", 226, 36, false, kProgressEn}},
    Entry{platform::Language::Japanese, {kProgressTemplate, "処理中", 226, 38, false, kProgressJa}},
    Entry{platform::Language::English,
          {kInputBoxTemplate, "Input Message", 231, 58, true, kInputBoxEn}},
    Entry{platform::Language::Japanese,
          {kInputBoxTemplate, "メッセージの入力", 231, 58, true, kInputBoxJa}},
};

}  // namespace

const DialogTemplate* dialog_template(int id, platform::Language language) {
  for (const Entry& e : kTemplates) {
    if (e.dialog.id == id && e.language == language) return &e.dialog;
  }
  return nullptr;
}

}  // namespace velmora::resources
