#include "resources/system_dialog_texts.hpp"

#include <array>

namespace velmora::resources {

namespace {

struct Row {
  SystemDialog dialog;
  SystemDialogTexts english, japanese;
};

constexpr std::array kRows = {
    Row{SystemDialog::OpenFile, {"Open", "Open", "Cancel"}, {"開く", "開く", "キャンセル"}},
    Row{SystemDialog::SaveFile,
        {"Save As", "Save", "Cancel"},
        {"名前を付けて保存", "保存", "キャンセル"}},
    Row{SystemDialog::Folder,
        {"Browse For Folder", "Select", "Cancel"},
        {"フォルダーの参照", "選択", "キャンセル"}},
    Row{SystemDialog::Color, {"Color", "Select", "Cancel"}, {"色の設定", "選択", "キャンセル"}},
};

}  // namespace

const SystemDialogTexts& system_dialog_texts(SystemDialog dialog, platform::Language language) {
  for (const Row& r : kRows) {
    if (r.dialog == dialog)
      return language == platform::Language::Japanese ? r.japanese : r.english;
  }
  return kRows.front().english;
}

}  // namespace velmora::resources
