// VeUtl_UploadFile and VeUtl_DownloadFile: one handler, two directions.
#include <cstdint>
#include <string>
#include <string_view>

#include "files/path_spec.hpp"
#include "ftp/transfer.hpp"
#include "host/call.hpp"
#include "host/handlers.hpp"
#include "params/readers.hpp"
#include "params/text_util.hpp"

namespace velmora::ftp {
namespace {

constexpr int kCredentialBuffer = 128;  // user and password, with the terminator
constexpr std::int32_t kDefaultTimeoutSeconds = 60;
// Longer than any sensible wait, and small enough that milliseconds fit in 32 bits.
constexpr std::int32_t kMaxTimeoutSeconds = 24 * 60 * 60;

std::string credential(const params::Store& store, std::string_view key) {
  char buffer[kCredentialBuffer] = {};
  params::bounded_text(store, key, buffer, kCredentialBuffer - 1);
  buffer[kCredentialBuffer - 1] = '\0';
  return buffer;
}

// 0, missing or negative: a minute.
std::uint32_t timeout_ms(const params::Store& store) {
  std::int32_t seconds = params::integer(store, "TIMEOUT");
  if (seconds <= 0) seconds = kDefaultTimeoutSeconds;
  if (seconds > kMaxTimeoutSeconds) seconds = kMaxTimeoutSeconds;
  return static_cast<std::uint32_t>(seconds) * 1000u;
}

bool names_a_url(std::string_view path) {
  return path.starts_with("http:") || path.starts_with("ftp:");
}

Err run_transfer(host::Call& call, Direction direction) {
  const params::Store& store = call.params;
  TransferRequest request;
  request.direction = direction;
  request.user = credential(store, "USER");
  request.password = credential(store, "PASSWORD");
  request.timeout_ms = timeout_ms(store);
  const char* mode = params::text(store, "MODE");
  request.passive = mode && params::equals_ignore_case(mode, "PASSIVE");

  const char* url = params::text(store, "URL");
  if (!url) return kParamErr;
  request.url = url;

  const bool upload = direction == Direction::kUpload;
  const char* local = params::text(store, upload ? "SRC" : "DEST");
  if (!local || names_a_url(local)) return kParamErr;
  files::PathSpec spec;
  if (const Err err = files::resolve_path(local, spec)) return err;
  if (upload && !spec.exists) return kFileNotFound;
  request.local_path = spec.name;

  return static_cast<Err>(-transfer(request));
}

}  // namespace

Err upload_file(host::Call& call) {
  return run_transfer(call, Direction::kUpload);
}
Err download_file(host::Call& call) {
  return run_transfer(call, Direction::kDownload);
}

}  // namespace velmora::ftp
