// Network services not yet built on Windows: every FTP session fails to connect with the
// internet library's internal-error number, every picture address fails to fetch.
#include "platform/ftp.hpp"
#include "platform/url_fetch.hpp"

namespace velmora::platform {

namespace {

class PendingSession final : public FtpSession {
 public:
  std::uint32_t connect(const FtpLogin&) override { return kFtpInternalError; }
  std::uint32_t list(std::string_view, std::vector<FtpEntry>&) override {
    return kFtpInternalError;
  }
  std::uint32_t current_folder(std::string&) override { return kFtpInternalError; }
  std::uint32_t get(std::string_view, std::string_view) override { return kFtpInternalError; }
  std::uint32_t put(std::string_view, std::string_view) override { return kFtpInternalError; }
};

}  // namespace

std::unique_ptr<FtpSession> open_ftp_session(FtpStatusSink) {
  return std::make_unique<PendingSession>();
}

FetchResult fetch_url(const std::string&, std::uint64_t, std::vector<std::uint8_t>&) {
  return FetchResult::failed;
}

}  // namespace velmora::platform
