#include "ftp/status_lines.hpp"

#include "platform/debug.hpp"
#include "platform/text.hpp"

namespace velmora::ftp {
namespace {

using platform::FtpContext;
using platform::FtpStatus;

struct StatusLine {
  FtpStatus status;
  std::string_view line;
};

constexpr StatusLine kStatusLines[] = {
    {FtpStatus::kResolving, "IPアドレスの取得中.\n"},
    {FtpStatus::kResolved, "IPアドレスを取得終了.\n"},
    {FtpStatus::kConnecting, "サーバへ接続中.\n"},
    {FtpStatus::kConnected, "サーバへ接続終了.\n"},
    {FtpStatus::kSending, "要求発行中.\n"},
    {FtpStatus::kSent, "要求発行終了.\n"},
    {FtpStatus::kReceiving, "サーバの応答を待機中.\n"},
    {FtpStatus::kReceived, "サーバの応答終了.\n"},
    {FtpStatus::kClosing, "サーバから切断中.\n"},
    {FtpStatus::kClosed, "サーバから切断終了.\n"},
    {FtpStatus::kHandleCreated, "新規ハンドルが作成された.\n"},
    {FtpStatus::kHandleClosing, "ハンドルがクローズされた.\n"},
    {FtpStatus::kRequestComplete, "非同期捜査が終了した.\n"},
    {FtpStatus::kRedirect, "自動リダイレクトによる要求の転送中.\n"},
};

constexpr std::string_view kUploadLine = "\tUpload中.\n";
constexpr std::string_view kDownloadLine = "\tDownload中.\n";

void write_native(std::string_view utf8) {
  platform::debug_output(platform::utf8_to_native(utf8));
}

}  // namespace

std::string_view status_line(FtpStatus status) {
  for (const auto& entry : kStatusLines) {
    if (entry.status == status) return entry.line;
  }
  return {};
}

void report_status(FtpStatus status, FtpContext context) {
  const std::string_view line = status_line(status);
  if (line.empty()) return;
  write_native(line);
  if (status != FtpStatus::kReceiving) return;
  if (context == FtpContext::kUpload) write_native(kUploadLine);
  if (context == FtpContext::kDownload) write_native(kDownloadLine);
}

}  // namespace velmora::ftp
