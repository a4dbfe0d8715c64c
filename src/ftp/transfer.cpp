#include "ftp/transfer.hpp"

#include <optional>
#include <string_view>
#include <vector>

#include "files/path_spec.hpp"
#include "ftp/remote_search.hpp"
#include "ftp/status_lines.hpp"
#include "ftp/url.hpp"
#include "params/text_util.hpp"

namespace velmora::ftp {
namespace {

constexpr std::int32_t kNotFtp = -1;
constexpr std::int32_t kNoSuchFile = 2;     // Windows: the file cannot be found
constexpr std::int32_t kFileExists = 80;    // Windows: the file exists
constexpr std::int32_t kNameTooLong = 206;  // Windows: file name or extension too long
constexpr std::uint16_t kDefaultFtpPort = 21;

enum class LocalKind { kNone, kFile, kFolder };

// A regular file counts as a file whatever its archive attribute: the attribute says
// whether a backup is due, not what the entry is.
LocalKind local_kind(std::string_view native_path) {
  files::PathSpec spec;
  if (files::resolve_path(native_path, spec) != 0 || !spec.exists) return LocalKind::kNone;
  return spec.is_folder ? LocalKind::kFolder : LocalKind::kFile;
}

bool ends_with_backslash(std::string_view path) {
  return !path.empty() && path.back() == '\\' &&
         !params::is_second_byte(path.data(), path.data() + path.size() - 1);
}

// The last component of a path, split at "/" or "\"; second bytes of double-byte
// characters are not separators.
std::string_view last_component(std::string_view path) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (params::is_lead_byte(static_cast<unsigned char>(path[i]))) {
      ++i;
      continue;
    }
    if (path[i] == '/' || path[i] == '\\') start = i + 1;
  }
  return path.substr(start);
}

struct Plan {
  std::string local;
  std::string remote;
};

// Where a download lands: the path itself when nothing is there, or the remote file's
// name inside a folder.  An existing file is never overwritten.
std::int32_t plan_download(const TransferRequest& request, const UrlParts& url, Plan& plan) {
  std::string_view local = request.local_path;
  std::string_view tested = local;
  if (ends_with_backslash(tested)) tested.remove_suffix(1);
  plan.remote = url.path;
  switch (local_kind(tested)) {
    case LocalKind::kNone:
      plan.local = std::string(local);
      return 0;
    case LocalKind::kFile:
      return kFileExists;
    case LocalKind::kFolder:
      break;
  }
  const std::string_view name = last_component(url.path);
  if (name.empty()) {
    plan.local = std::string(local);
    return 0;
  }
  plan.local = std::string(tested) + "\\" + std::string(name);
  if (plan.local.size() >= files::kMaxPath) return kNameTooLong;
  if (local_kind(plan.local) != LocalKind::kNone) return kFileExists;
  return 0;
}

// What an upload sends where: a URL ending in "/" names the remote folder.
std::int32_t plan_upload(const TransferRequest& request, const UrlParts& url, Plan& plan) {
  if (local_kind(request.local_path) != LocalKind::kFile) return kNoSuchFile;
  plan.local = request.local_path;
  plan.remote = url.path;
  if (!request.url.empty() && request.url.back() == '/') {
    plan.remote += std::string(last_component(request.local_path));
  }
  return 0;
}

platform::FtpLogin login_for(const TransferRequest& request, const UrlParts& url) {
  platform::FtpLogin login;
  login.host = url.host;
  login.port = url.port != 0 ? url.port : kDefaultFtpPort;
  login.user = !url.user.empty() ? url.user : request.user;
  login.password = !url.password.empty() ? url.password : request.password;
  login.passive = request.passive;
  login.secure = is_secure_scheme(url.scheme);
  login.timeout_ms = request.timeout_ms;
  return login;
}

bool remote_exists(platform::FtpSession& session, std::string_view path) {
  std::vector<platform::FtpEntry> entries;
  return session.list(path, entries) == 0 && !entries.empty();
}

struct Prepared {
  UrlParts url;
  Plan plan;
};

// Everything decided before the network is touched: the scheme, the local side, and
// which remote path to use.
std::int32_t prepare(const TransferRequest& request, Prepared& out) {
  // A URL that cannot be split still goes on, with empty parts, and fails at connecting.
  const std::optional<UrlParts> split = split_url(request.url);
  if (split && !is_ftp_scheme(split->scheme)) return kNotFtp;
  out.url = split.value_or(UrlParts{});
  return request.direction == Direction::kUpload ? plan_upload(request, out.url, out.plan)
                                                 : plan_download(request, out.url, out.plan);
}

std::int32_t run(const TransferRequest& request, Prepared& prepared,
                 platform::FtpSession& session) {
  Plan& plan = prepared.plan;
  if (const auto err = session.connect(login_for(request, prepared.url))) {
    return static_cast<std::int32_t>(err);
  }
  if (request.direction == Direction::kUpload) {
    // An existing remote file is replaced; nothing to look up first.
    return static_cast<std::int32_t>(session.put(plan.local, plan.remote));
  }
  if (!remote_exists(session, plan.remote)) {
    const auto corrected = find_ignoring_case(session, plan.remote);
    if (!corrected) return kNoSuchFile;
    plan.remote = *corrected;
  }
  return static_cast<std::int32_t>(session.get(plan.remote, plan.local));
}

}  // namespace

std::int32_t transfer(const TransferRequest& request, const SessionFactory& open_session) {
  Prepared prepared;
  if (const auto err = prepare(request, prepared)) return err;
  const auto session = open_session();
  if (!session) return static_cast<std::int32_t>(platform::kFtpInternalError);
  return run(request, prepared, *session);
}

std::int32_t transfer(const TransferRequest& request) {
  return transfer(request, [] { return platform::open_ftp_session(&report_status); });
}

}  // namespace velmora::ftp
