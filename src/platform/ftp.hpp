// The network seam: one FTP session with one server, as the transfer functions use it.
// Paths are native text (code page 932); failures are Windows error numbers (the
// internet library's 12xxx numbers for network failures), 0 is success.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::platform {

// Progress of the session, numbered as the internet library's status notifications.
enum class FtpStatus : int {
  kResolving = 10,
  kResolved = 11,
  kConnecting = 20,
  kConnected = 21,
  kSending = 30,
  kSent = 31,
  kReceiving = 40,
  kReceived = 41,
  kClosing = 50,
  kClosed = 51,
  kHandleCreated = 60,
  kHandleClosing = 70,
  kRequestComplete = 100,
  kRedirect = 110,
};

// The work a notification belongs to.
enum class FtpContext : int { kListing = 0, kConnection = 1, kDownload = 2, kUpload = 3 };

// Called on the caller's thread while the session works; it must not call the session.
using FtpStatusSink = std::function<void(FtpStatus, FtpContext)>;

struct FtpLogin {
  std::string host;  // name or address; an IPv6 address in brackets
  std::uint16_t port = 21;
  std::string user;  // empty: anonymous
  std::string password;
  bool passive = false;              // passive data connections, else active (PORT)
  bool secure = false;               // explicit TLS (AUTH TLS) on control and data
  std::uint32_t timeout_ms = 60000;  // connect, every server answer, and a stalled data transfer
};

struct FtpEntry {
  std::string name;  // native text, as the server spells it
  bool is_folder = false;
};

// Windows error numbers the seam answers besides the system's own.
inline constexpr std::uint32_t kFtpTimeout = 12002;
inline constexpr std::uint32_t kFtpServerRefused = 12003;  // "extended error": a 4xx/5xx answer
inline constexpr std::uint32_t kFtpInternalError = 12004;
inline constexpr std::uint32_t kFtpInvalidUrl = 12005;
inline constexpr std::uint32_t kFtpNameNotResolved = 12007;
inline constexpr std::uint32_t kFtpWrongPassword = 12014;
inline constexpr std::uint32_t kFtpCannotConnect = 12029;
inline constexpr std::uint32_t kFtpConnectionAborted = 12030;
inline constexpr std::uint32_t kFtpConnectionReset = 12031;
inline constexpr std::uint32_t kFtpSecureChannelError = 12157;
inline constexpr std::uint32_t kFtpInvalidCertificate = 12045;
inline constexpr std::uint32_t kFileExists = 80;

class FtpSession {
 public:
  virtual ~FtpSession() = default;

  // Connects and logs in; the session stays logged in until it is destroyed.
  virtual std::uint32_t connect(const FtpLogin& login) = 0;
  // The entries a path names: a folder's entries, or the one file.  A path that names
  // nothing answers 0 with no entries.
  virtual std::uint32_t list(std::string_view path, std::vector<FtpEntry>& out) = 0;
  // The server's current folder after log-in.
  virtual std::uint32_t current_folder(std::string& out) = 0;
  // Copies a remote file (binary) into a new local file.  Never replaces a local file
  // (kFileExists), and leaves no local file behind when it fails.
  virtual std::uint32_t get(std::string_view remote, std::string_view local) = 0;
  // Stores a local file (binary) under the remote path, replacing a remote file.
  virtual std::uint32_t put(std::string_view local, std::string_view remote) = 0;
};

// A new session, not yet connected.  Everything it opens is closed when it is destroyed.
std::unique_ptr<FtpSession> open_ftp_session(FtpStatusSink sink);

}  // namespace velmora::platform
