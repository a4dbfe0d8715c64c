// Messages of the error envelope, by code.  The runner asks for entry k mod 100 + 1 of
// list 23000 + k div 100 (k = -code - 1); this table is that set of lists.
#include <array>
#include <string_view>

#include "resources/strings.hpp"

namespace velmora::resources {

namespace {

struct Message {
  int code;
  std::string_view english;
  std::string_view japanese;
};

constexpr std::array kMessages = {
    Message{-1, "An unexpected internal failure occurred.", "予期しない内部エラーが発生しました。"},
    Message{-2, "The file was not found.", "ファイルが見つかりません。"},
    Message{-3, "The path was not found.", "パスが見つかりません。"},
    Message{-4, "This function is not implemented yet.", "この関数はまだ実装されていません。"},
    Message{-5, "Access is denied.", "アクセスが拒否されました。"},
    Message{-7, "No display is available for windows or dialogs.", "ウィンドウやダイアログを表示するディスプレイがありません。"},
    Message{-33, "The directory is full.", "ディレクトリがいっぱいです。"},
    Message{-34, "The disk is full.", "ディスクがいっぱいです。"},
    Message{-35, "No such volume.", "ボリュームがありません。"},
    Message{-36, "An I/O error occurred.", "入出力エラーが発生しました。"},
    Message{-37, "The name is not valid.", "名前が正しくありません。"},
    Message{-39, "The end of the file was reached.", "ファイルの終わりに達しました。"},
    Message{-43, "The file was not found.", "ファイルが見つかりません。"},
    Message{-44, "The disk is write-protected.", "ディスクが書き込み禁止です。"},
    Message{-45, "The file is locked.", "ファイルがロックされています。"},
    Message{-47, "The file is busy.", "ファイルは使用中です。"},
    Message{-48, "The file already exists.", "ファイルは既に存在します。"},
    Message{-50, "The parameter is not valid.", "パラメータが正しくありません。"},
    Message{-54, "Permission was denied.", "アクセス権がありません。"},
    Message{-61, "Write permission was denied.", "書き込み権がありません。"},
    Message{-80, "The file exists.", "ファイルが存在します。"},
    Message{-102, "The clipboard lists a picture but holds no data for it.", "クリップボードに画像のデータがありません。"},
    Message{-103, "The clipboard could not be opened.", "クリップボードを開けません。"},
    Message{-104, "The clipboard holds no picture.", "クリップボードに画像がありません。"},
    Message{-108, "Not enough memory.", "メモリが不足しています。"},
    Message{-120, "The folder was not found.", "フォルダが見つかりません。"},
    Message{-128, "The user cancelled.", "ユーザによってキャンセルされました。"},
    Message{-1000, "The file could not be opened.", "ファイルを開けません。"},
    Message{-1001, "The file could not be read.", "ファイルを読み込めません。"},
    Message{-2003, "No reader recognises this kind of picture.", "この種類の画像を読み込めるものがありません。"},
    Message{-2005, "No exporter exists for this type of file.", "この種類のファイルを書き出す機能がありません。"},
    Message{-2093, "The picture engine could not be loaded.", "画像エンジンを読み込めません。"},
    Message{-2094, "The picture engine is incomplete.", "画像エンジンが不完全です。"},
    Message{-2095, "The picture engine is not available.", "画像エンジンが利用できません。"},
    Message{-8960, "The picture could not be compressed.", "画像を圧縮できませんでした。"},
    Message{-8961, "No compressor exists for this codec.", "この圧縮方式の圧縮機能がありません。"},
    Message{-8962, "This variant of the picture format cannot be read.", "この形式の画像は読み込めません。"},
    Message{-8969, "The picture data is damaged.", "画像データが壊れています。"},
    Message{-12002, "The FTP server did not answer in time.", "FTPサーバの応答がタイムアウトしました。"},
    Message{-12003, "The FTP server refused the request.", "FTPサーバが要求を拒否しました。"},
    Message{-12004, "An internal network error occurred.", "ネットワークの内部エラーが発生しました。"},
    Message{-12005, "The URL is not valid.", "URLが正しくありません。"},
    Message{-12006, "The URL scheme is not supported.", "URLのスキームはサポートされていません。"},
    Message{-12007, "The server name could not be resolved.", "サーバ名を解決できません。"},
    Message{-12014, "The user name or password is wrong.", "ユーザ名またはパスワードが正しくありません。"},
    Message{-12017, "The network operation was cancelled.", "ネットワーク操作がキャンセルされました。"},
    Message{-12029, "The connection to the server could not be made.", "サーバに接続できません。"},
    Message{-12030, "The connection was aborted during the transfer.", "転送中に接続が中断されました。"},
    Message{-12031, "The connection was reset by the server.", "サーバによって接続がリセットされました。"},
    Message{-12045, "The certificate of the server is not trusted.", "サーバの証明書は信頼されていません。"},
    Message{-12157, "The secure connection could not be made.", "セキュリティで保護された接続を確立できません。"},
};

// The envelope writes a message between apostrophes without escaping it, so that a
// message can never break the answer apart it must not hold one.
constexpr bool no_apostrophes() {
  for (const Message& m : kMessages) {
    if (m.english.find('\'') != std::string_view::npos) return false;
    if (m.japanese.find('\'') != std::string_view::npos) return false;
  }
  return true;
}
static_assert(no_apostrophes(), "messages are written between apostrophes unescaped");

}  // namespace

std::optional<std::string_view> indexed_message(int list, int index, platform::Language language) {
  if (list < 23000 || index < 1 || index > 100) return std::nullopt;
  const int k = (list - 23000) * 100 + (index - 1);
  const int code = -k - 1;
  for (const Message& m : kMessages) {
    if (m.code == code) {
      const std::string_view text =
          language == platform::Language::Japanese ? m.japanese : m.english;
      if (text.empty()) return std::nullopt;
      return text;
    }
  }
  return std::nullopt;
}

}  // namespace velmora::resources
