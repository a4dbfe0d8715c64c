// One FTP transfer between a local file and a server, as both transfer functions run it.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/ftp.hpp"

namespace velmora::ftp {

enum class Direction { kUpload, kDownload };

struct TransferRequest {
  Direction direction = Direction::kDownload;
  std::string local_path;  // full native path, resolved
  std::string url;
  std::string user;      // used when the URL names no user
  std::string password;  // used when the URL carries no password
  std::uint32_t timeout_ms = 60000;
  bool passive = false;
};

// Answers 0, a Windows error number (80 an existing local file, 2 no such file, 12xxx
// network failures), or -1 when the URL's scheme is not FTP.
std::int32_t transfer(const TransferRequest& request);

// The same over sessions made by `open_session`, called once the local side is settled.
using SessionFactory = std::function<std::unique_ptr<platform::FtpSession>()>;
std::int32_t transfer(const TransferRequest& request, const SessionFactory& open_session);

}  // namespace velmora::ftp
