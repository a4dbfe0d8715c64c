#include "resources/strings.hpp"

#include <array>

namespace velmora::resources {

namespace {

// Function names by ID, as the English table writes them before "( Parameter )".
constexpr std::array<std::string_view, 42> kFunctionNames = {
    "VeImg_DrawImage",      "VeImg_GrabImage",       "VeImg_SaveImage",
    "VeImg_ImageInfo",      "VeImg_ExifInfo",        "VeImg_PreviewImage",
    "VeImg_CompressImage",  "VeImg_CompressImageDialog", "VeImg_CheckArea",
    "VeImg_GetMousePos",    "VeImg_Effect",          "VeUtl_Version",
    "VeUtl_Tag",            "VeUtl_TagList",         "VeUtl_VolumeCount",
    "VeUtl_GetVolume",      "VeUtl_FolderItemCount", "VeUtl_GetFolderItem",
    "VeUtl_FileInfo",       "VeUtl_RenameFile",      "VeUtl_CopyFile",
    "VeUtl_MoveFile",       "VeUtl_NewFolder",       "VeUtl_DeleteFile",
    "VeUtl_EjectVolume",    "VeUtl_CalcColor",       "VeUtl_CalcPoint",
    "VeUtl_CalcRect",       "VeUtl_OpenFileDialog",  "VeUtl_OpenFolderDialog",
    "VeUtl_SaveFileDialog", "VeUtl_FindFile",        "VeUtl_UploadFile",
    "VeUtl_DownloadFile",   "VeUtl_LaunchApp",       "VeUtl_QuitApp",
    "VeUtl_PickColor",      "VeUtl_OpenProgress",    "VeUtl_UpdateProgress",
    "VeUtl_CloseProgress",  "VeUtl_Answer",          "VeUtl_Ask",
};

constexpr std::string_view kOptions = "VImg1YnYYnn";
constexpr std::string_view kName = "Velmora's FileMaker Plug-in 2";
constexpr std::string_view kDescriptionEnglish =
    "The graphics file of the various formats is taken in, and it lets me indicate it directly "
    "in the window.\nAnd, the function which is convenient for control of a file is full, too.";
constexpr std::string_view kDescriptionJapanese =
    "様々なフォーマットの画像ファイルを取り込んだり、直接ウィンドウに表示させることができます。\n"
    "また、ファイル管理に便利な機能もいっぱいです。\n\n";

}  // namespace

std::optional<std::string> module_string(int number, platform::Language language) {
  const bool japanese = language == platform::Language::Japanese;
  switch (number) {
    case kOptionsString:
      return std::string(kOptions);
    case kNameString:
      return std::string(kName);
    case kDescriptionString:
      return std::string(japanese ? kDescriptionJapanese : kDescriptionEnglish);
    default:
      break;
  }
  const int id = number - kFirstPrototypeString;
  if (id < 0 || id >= static_cast<int>(kFunctionNames.size())) return std::nullopt;
  // The Japanese table has the two dialog boxes' strings exchanged.
  int name_id = id;
  if (japanese && (id == 40 || id == 41)) name_id = id == 40 ? 41 : 40;
  std::string text(kFunctionNames[static_cast<std::size_t>(name_id)]);
  text += japanese ? "( 引数 )" : "( Parameter )";
  return text;
}

}  // namespace velmora::resources
