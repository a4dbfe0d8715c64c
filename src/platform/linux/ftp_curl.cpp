// The FTP session on libcurl.  One easy handle per session keeps the control connection
// open between the log-in, the listings and the transfer; everything is synchronous on
// the caller's thread.  The wire speaks UTF-8 (RFC 2640); callers speak native text.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "ftp/listing.hpp"
#include "params/text_util.hpp"
#include "platform/fs.hpp"
#include "platform/ftp.hpp"
#include "platform/linux/curl_library.hpp"
#include "platform/linux/drive_map.hpp"
#include "platform/linux/file_checks.hpp"
#include "platform/text.hpp"

namespace velmora::platform {
namespace {

constexpr long kReceiveBuffer = 512 * 1024;
constexpr long kSendBuffer = 2 * 1024 * 1024;
// A listing larger than this is not a folder anyone browses by hand; refuse to buffer it.
constexpr std::size_t kMaxListingBytes = 64u * 1024 * 1024;
// What a data connection must move in every time-out period to count as making progress.
// A server that drips a byte now and then would otherwise hold the host's thread for as
// long as it likes (libcurl's own speed check is satisfied by a byte a second).
constexpr curl_off_t kProgressBytes = 1024;

using Clock = std::chrono::steady_clock;

struct CurlErrorRow {
  CURLcode code;
  std::uint32_t error;
};

// libcurl's failures as the internet library of the Windows build numbers them.
constexpr CurlErrorRow kCurlErrors[] = {
    {CURLE_UNSUPPORTED_PROTOCOL, 12006},  // unrecognised scheme
    {CURLE_URL_MALFORMAT, kFtpInvalidUrl},
    {CURLE_COULDNT_RESOLVE_HOST, kFtpNameNotResolved},
    {CURLE_COULDNT_CONNECT, kFtpCannotConnect},
    {CURLE_WEIRD_SERVER_REPLY, kFtpServerRefused},
    {CURLE_REMOTE_ACCESS_DENIED, kFtpServerRefused},
    {CURLE_FTP_ACCEPT_FAILED, kFtpCannotConnect},
    {CURLE_FTP_WEIRD_PASS_REPLY, kFtpWrongPassword},
    {CURLE_FTP_ACCEPT_TIMEOUT, kFtpTimeout},
    {CURLE_FTP_WEIRD_PASV_REPLY, kFtpServerRefused},
    {CURLE_FTP_WEIRD_227_FORMAT, kFtpServerRefused},
    {CURLE_FTP_CANT_GET_HOST, kFtpCannotConnect},
    {CURLE_FTP_COULDNT_SET_TYPE, kFtpServerRefused},
    {CURLE_PARTIAL_FILE, kFtpConnectionAborted},
    {CURLE_FTP_COULDNT_RETR_FILE, kFtpServerRefused},
    {CURLE_QUOTE_ERROR, kFtpServerRefused},
    {CURLE_UPLOAD_FAILED, kFtpServerRefused},
    {CURLE_OUT_OF_MEMORY, winerr::kNotEnoughMemory},
    {CURLE_OPERATION_TIMEDOUT, kFtpTimeout},
    {CURLE_FTP_PORT_FAILED, kFtpServerRefused},
    {CURLE_FTP_COULDNT_USE_REST, kFtpServerRefused},
    {CURLE_SSL_CONNECT_ERROR, kFtpSecureChannelError},
    {CURLE_ABORTED_BY_CALLBACK, 12017},  // operation cancelled
    {CURLE_GOT_NOTHING, kFtpConnectionAborted},
    {CURLE_SEND_ERROR, kFtpConnectionReset},
    {CURLE_RECV_ERROR, kFtpConnectionReset},
    {CURLE_PEER_FAILED_VERIFICATION, kFtpInvalidCertificate},
    {CURLE_SSL_CERTPROBLEM, kFtpSecureChannelError},
    {CURLE_SSL_CIPHER, kFtpSecureChannelError},
    {CURLE_SSL_CACERT_BADFILE, kFtpSecureChannelError},
    {CURLE_USE_SSL_FAILED, kFtpSecureChannelError},
    {CURLE_LOGIN_DENIED, kFtpWrongPassword},
    {CURLE_REMOTE_DISK_FULL, kFtpServerRefused},
    {CURLE_REMOTE_FILE_EXISTS, kFtpServerRefused},
    {CURLE_REMOTE_FILE_NOT_FOUND, kFtpServerRefused},
    {CURLE_FTP_PRET_FAILED, kFtpServerRefused},
    {CURLE_FTP_BAD_FILE_LIST, kFtpServerRefused},
};

std::uint32_t error_from_curl(CURLcode code) {
  for (const auto& row : kCurlErrors) {
    if (row.code == code) return row.error;
  }
  return kFtpInternalError;
}

bool is_unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

// Percent-encodes a UTF-8 path for an ftp URL, keeping its "/" separators.
std::string encode_path(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(utf8.size() * 3);
  for (unsigned char c : utf8) {
    if (is_unreserved(c) || c == '/') {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

// Whether a native path ends in a "\\" of its own (not the second byte of a double-byte
// character).
bool ends_with_separator(std::string_view native) {
  bool separator = false;
  for (std::size_t i = 0; i < native.size(); ++i) {
    const auto c = static_cast<unsigned char>(native[i]);
    separator = c == '\\';
    if (params::is_lead_byte(c)) ++i;
  }
  return separator;
}

// A line end or a NUL inside a path would end the FTP command and start another.
bool safe_on_wire(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// Host names: letters, digits, '.', '-', '_' and any non-ASCII byte (an international
// name); an address in brackets holds hex digits, ':', '.' and a zone after '%'.
bool valid_host(std::string_view host) {
  if (host.empty()) return false;
  if (host.front() == '[') {
    if (host.size() < 3 || host.back() != ']') return false;
    for (unsigned char c : host.substr(1, host.size() - 2)) {
      if (!std::isxdigit(c) && c != ':' && c != '.' && c != '%' && !std::isalnum(c)) return false;
    }
    return true;
  }
  for (unsigned char c : host) {
    if (c >= 0x80) continue;
    if (!std::isalnum(c) && c != '.' && c != '-' && c != '_') return false;
  }
  return true;
}

// A local file being written: an unnamed file in the target's folder that gets its name
// only once it is complete, so that a failed download leaves nothing behind.
class IncomingFile {
 public:
  ~IncomingFile() { discard(); }

  std::uint32_t open(const std::string& target) {
    target_ = target;
    const auto slash = target.rfind('/');
    const std::string folder = slash == 0 ? "/" : target.substr(0, slash);
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ >= 0) return 0;
    // File systems without unnamed files: a hidden temporary name beside the target.
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
      char name[64];
      std::snprintf(name, sizeof name, "/.velmora-%08x.part", random());
      temp_ = folder + name;
      fd_ = ::open(temp_.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
      if (fd_ >= 0) return 0;
      if (errno != EEXIST) break;
    }
    temp_.clear();
    return error_from_errno(errno);
  }

  // Writes all of the bytes; false (errno kept) on failure.
  bool write(const char* data, std::size_t size) {
    while (size > 0) {
      const ssize_t n = ::write(fd_, data, size);
      if (n < 0) {
        if (errno == EINTR) continue;
        errno_ = errno;
        return false;
      }
      data += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }

  int write_errno() const { return errno_; }

  // Gives the complete file its name; never replaces an existing item.
  std::uint32_t publish() {
    std::uint32_t result = 0;
    if (temp_.empty()) {
      const std::string self = "/proc/self/fd/" + std::to_string(fd_);
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        result = link_error(errno);
      }
    } else if (::link(temp_.c_str(), target_.c_str()) != 0) {
      result = link_error(errno);
    }
    if (::close(fd_) != 0 && result == 0) {
      result = error_from_errno(errno);
      ::unlink(target_.c_str());
    }
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    return result;
  }

 private:
  static std::uint32_t link_error(int e) { return e == EEXIST ? kFileExists : error_from_errno(e); }

  void discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
  }

  std::string target_;
  std::string temp_;  // empty for an unnamed file
  int fd_ = -1;
  int errno_ = 0;
};

class CurlFtpSession final : public FtpSession {
 public:
  explicit CurlFtpSession(FtpStatusSink sink) : sink_(std::move(sink)) {
    lib_ = linux_backend::curl_library();
    curl_ = lib_ != nullptr ? lib_->easy_init() : nullptr;
  }

  ~CurlFtpSession() override {
    if (!curl_) return;
    lib_->easy_cleanup(curl_);  // closes the control connection (QUIT)
    notify(FtpStatus::kHandleClosing, FtpContext::kConnection);
  }

  bool valid() const { return curl_ != nullptr; }

  std::uint32_t connect(const FtpLogin& login) override {
    if (!valid_host(login.host)) return kFtpInvalidUrl;
    login_ = login;
    base_url_ = "ftp://" + native_to_utf8(login.host) + ":" + std::to_string(login.port);
    notify(FtpStatus::kHandleCreated, FtpContext::kConnection);
    notify(FtpStatus::kResolving, FtpContext::kConnection);
    resolving_ = true;
    // Logging in with no file to fetch: USER, PASS and PWD, then the connection waits.
    prepare(FtpContext::kConnection, base_url_ + "/");
    lib_->easy_setopt(curl_, CURLOPT_NOBODY, 1L);
    const std::uint32_t err = perform();
    if (err != 0) return err;
    char* entry = nullptr;
    if (lib_->easy_getinfo(curl_, CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry) {
      entry_path_ = utf8_to_native(entry);
    }
    return 0;
  }

  std::uint32_t list(std::string_view path, std::vector<FtpEntry>& out) override {
    out.clear();
    const std::string utf8 = native_to_utf8(path);
    if (!safe_on_wire(utf8)) return 0;
    // A folder is listed from inside it; anything else by name from its parent folder.
    std::string folder = utf8;
    std::string name;
    if (!folder.empty() && folder.back() != '/') {
      const auto slash = folder.rfind('/');
      name = slash == std::string::npos ? folder : folder.substr(slash + 1);
      folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
    }
    notify(FtpStatus::kHandleCreated, FtpContext::kListing);
    std::string text;
    const std::string command = "LIST " + name;
    prepare(FtpContext::kListing, url_for(folder));
    if (!name.empty()) lib_->easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, command.c_str());
    lib_->easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &append_listing);
    lib_->easy_setopt(curl_, CURLOPT_WRITEDATA, &text);
    const std::uint32_t err = perform();
    notify(FtpStatus::kHandleClosing, FtpContext::kListing);
    // The server's refusal of a folder or a name is how a missing entry shows.
    if (err == kFtpServerRefused) return 0;
    if (err != 0) return err;
    for (auto& entry : ftp::parse_listing(text)) {
      out.push_back({utf8_to_native(entry.name), entry.is_folder});
    }
    return 0;
  }

  std::uint32_t current_folder(std::string& out) override {
    if (entry_path_.empty()) return kFtpServerRefused;
    out = entry_path_;
    return 0;
  }

  std::uint32_t get(std::string_view remote, std::string_view local) override {
    const std::string utf8 = native_to_utf8(remote);
    if (utf8.empty() || utf8.back() == '/' || !safe_on_wire(utf8)) return kFtpServerRefused;
    // A target ending in "\" names a folder, and one that is not there cannot be written
    // into: the system refuses such a file name rather than making a file of the folder's.
    if (ends_with_separator(local)) return winerr::kPathNotFound;
    const auto target = linux_backend::host_path(local);
    if (!target) return last_error();
    struct stat st;
    if (::lstat(target->c_str(), &st) == 0) return kFileExists;

    IncomingFile file;
    if (const auto err = file.open(*target)) return err;
    notify(FtpStatus::kHandleCreated, FtpContext::kDownload);
    prepare(FtpContext::kDownload, url_for(utf8));
    // No SIZE first: a server that will not size a file it lists (550) still hands it
    // over, as it does to the Windows build.  A transfer cut short is still told by the
    // server's final answer.
    lib_->easy_setopt(curl_, CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
    lib_->easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &write_file);
    lib_->easy_setopt(curl_, CURLOPT_WRITEDATA, &file);
    std::uint32_t err = perform();
    notify(FtpStatus::kHandleClosing, FtpContext::kDownload);
    if (last_code_ == CURLE_WRITE_ERROR) err = error_from_errno(file.write_errno());
    if (err != 0) return err;  // the incoming file goes with `file`
    return file.publish();
  }

  std::uint32_t put(std::string_view local, std::string_view remote) override {
    const std::string utf8 = native_to_utf8(remote);
    if (utf8.empty() || utf8.back() == '/' || !safe_on_wire(utf8)) return kFtpServerRefused;
    const auto source = linux_backend::host_path(local);
    if (!source) return last_error();
    // A FIFO would hold the host's thread until someone writes to it, a device would
    // send without end: only a regular file is ever opened.
    int open_err = 0;
    const int fd = linux_backend::open_regular(*source, open_err);
    if (fd < 0) return open_err != 0 ? error_from_errno(open_err) : last_error();
    struct stat st;
    if (::fstat(fd, &st) != 0) {
      const int e = errno;
      ::close(fd);
      return error_from_errno(e);
    }
    OutgoingFile file{fd, 0};
    notify(FtpStatus::kHandleCreated, FtpContext::kUpload);
    prepare(FtpContext::kUpload, url_for(utf8));
    lib_->easy_setopt(curl_, CURLOPT_UPLOAD, 1L);
    lib_->easy_setopt(curl_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(st.st_size));
    lib_->easy_setopt(curl_, CURLOPT_READFUNCTION, &read_file);
    lib_->easy_setopt(curl_, CURLOPT_READDATA, &file);
    std::uint32_t err = perform();
    notify(FtpStatus::kHandleClosing, FtpContext::kUpload);
    ::close(fd);
    if (file.read_errno != 0) err = error_from_errno(file.read_errno);
    return err;
  }

 private:
  struct OutgoingFile {
    int fd;
    int read_errno;
  };

  static std::size_t write_file(char* data, std::size_t size, std::size_t count, void* user) {
    auto* file = static_cast<IncomingFile*>(user);
    return file->write(data, size * count) ? size * count : 0;
  }

  static std::size_t read_file(char* buffer, std::size_t size, std::size_t count, void* user) {
    auto* file = static_cast<OutgoingFile*>(user);
    for (;;) {
      const ssize_t n = ::read(file->fd, buffer, size * count);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno == EINTR) continue;
      file->read_errno = errno;
      return CURL_READFUNC_ABORT;
    }
  }

  static std::size_t append_listing(char* data, std::size_t size, std::size_t count, void* user) {
    auto* text = static_cast<std::string*>(user);
    if (text->size() + size * count > kMaxListingBytes) return 0;
    text->append(data, size * count);
    return size * count;
  }

  // Absolute paths go to the server as such ("%2F" is the leading "/"); others are taken
  // from the log-in folder.
  std::string url_for(std::string_view utf8_path) const {
    if (!utf8_path.empty() && utf8_path.front() == '/') {
      return base_url_ + "/%2F" + encode_path(utf8_path.substr(1));
    }
    return base_url_ + "/" + encode_path(utf8_path);
  }

  // A clean request on the session's handle; the live connection is kept.
  void prepare(FtpContext context, const std::string& url) {
    context_ = context;
    lib_->easy_reset(curl_);
    const long seconds = static_cast<long>((login_.timeout_ms + 999) / 1000);
    lib_->easy_setopt(curl_, CURLOPT_URL, url.c_str());
    lib_->easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, "ftp");
    lib_->easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    lib_->easy_setopt(curl_, CURLOPT_ERRORBUFFER, error_text_);
    const std::string user = native_to_utf8(login_.user);
    const std::string password = native_to_utf8(login_.password);
    if (!user.empty()) {
      lib_->easy_setopt(curl_, CURLOPT_USERNAME, user.c_str());
      lib_->easy_setopt(curl_, CURLOPT_PASSWORD, password.c_str());
    }
    lib_->easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(login_.timeout_ms));
    lib_->easy_setopt(curl_, CURLOPT_SERVER_RESPONSE_TIMEOUT, seconds);
    lib_->easy_setopt(curl_, CURLOPT_ACCEPTTIMEOUT_MS, static_cast<long>(login_.timeout_ms));
    // A data connection that moves nothing for the time-out counts as timed out.
    lib_->easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    lib_->easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME, seconds);
    lib_->easy_setopt(curl_, CURLOPT_FTPPORT, login_.passive ? nullptr : "-");
    lib_->easy_setopt(curl_, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    if (login_.secure) {
      lib_->easy_setopt(curl_, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
      // The trusted issuers: the system's, unless the usual OpenSSL variables name others
      // (a company's own authority, a test server's certificate).
      if (const char* file = std::getenv("SSL_CERT_FILE"))
        lib_->easy_setopt(curl_, CURLOPT_CAINFO, file);
      if (const char* dir = std::getenv("SSL_CERT_DIR"))
        lib_->easy_setopt(curl_, CURLOPT_CAPATH, dir);
    }
    lib_->easy_setopt(curl_, CURLOPT_BUFFERSIZE, kReceiveBuffer);
    lib_->easy_setopt(curl_, CURLOPT_UPLOAD_BUFFERSIZE, kSendBuffer);
    lib_->easy_setopt(curl_, CURLOPT_OPENSOCKETFUNCTION, &open_socket);
    lib_->easy_setopt(curl_, CURLOPT_OPENSOCKETDATA, this);
    lib_->easy_setopt(curl_, CURLOPT_CLOSESOCKETFUNCTION, &close_socket);
    lib_->easy_setopt(curl_, CURLOPT_CLOSESOCKETDATA, this);
    lib_->easy_setopt(curl_, CURLOPT_DEBUGFUNCTION, &on_debug);
    lib_->easy_setopt(curl_, CURLOPT_DEBUGDATA, this);
    lib_->easy_setopt(curl_, CURLOPT_VERBOSE, 1L);
    lib_->easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
    lib_->easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, &on_progress);
    lib_->easy_setopt(curl_, CURLOPT_XFERINFODATA, this);
  }

  std::uint32_t perform() {
    error_text_[0] = '\0';
    timed_out_ = false;
    waiting_since_ = Clock::now();  // the greeting, or the first answer, is awaited
    awaiting_answer_ = true;
    window_open_ = false;
    last_code_ = lib_->easy_perform(curl_);
    if (last_code_ == CURLE_ABORTED_BY_CALLBACK && timed_out_) return kFtpTimeout;
    return last_code_ == CURLE_OK ? 0 : error_from_curl(last_code_);
  }

  Clock::duration timeout() const { return std::chrono::milliseconds(login_.timeout_ms); }

  // Bounds every wait of a request by the time-out: each answer of the server must be
  // complete within it of the command (or of the connection, for the greeting), and once
  // data flows, each period of that length must move kProgressBytes.  libcurl's own
  // limits stay in place for what they cover (the connection, a silent server).
  static int on_progress(void* user, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up) {
    auto* self = static_cast<CurlFtpSession*>(user);
    const Clock::time_point now = Clock::now();
    if (self->awaiting_answer_ && now - self->waiting_since_ >= self->timeout()) {
      self->timed_out_ = true;
      return 1;
    }
    const curl_off_t moved = down + up;
    if (moved == 0) return 0;
    if (!self->window_open_) {
      self->window_open_ = true;
      self->window_start_ = now;
      self->window_bytes_ = moved;
    } else if (now - self->window_start_ >= self->timeout()) {
      if (moved - self->window_bytes_ < kProgressBytes) {
        self->timed_out_ = true;
        return 1;
      }
      self->window_start_ = now;
      self->window_bytes_ = moved;
    }
    return 0;
  }

  void notify(FtpStatus status, FtpContext context) {
    if (sink_) sink_(status, context);
  }

  static curl_socket_t open_socket(void* user, curlsocktype, curl_sockaddr* address) {
    auto* self = static_cast<CurlFtpSession*>(user);
    if (self->resolving_) {
      self->notify(FtpStatus::kResolved, self->context_);
      self->resolving_ = false;
    }
    self->notify(FtpStatus::kConnecting, self->context_);
    self->connecting_ = true;
    const int fd = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    return fd < 0 ? CURL_SOCKET_BAD : fd;
  }

  static int close_socket(void* user, curl_socket_t fd) {
    auto* self = static_cast<CurlFtpSession*>(user);
    self->notify(FtpStatus::kClosing, self->context_);
    const int result = ::close(fd);
    self->notify(FtpStatus::kClosed, self->context_);
    return result;
  }

  // Turns libcurl's trace into status notifications.  The trace's own text (which holds
  // the PASS command) is never passed on.
  static int on_debug(CURL*, curl_infotype type, char*, std::size_t, void* user) {
    auto* self = static_cast<CurlFtpSession*>(user);
    if (self->connecting_ && type != CURLINFO_DATA_IN && type != CURLINFO_DATA_OUT) {
      self->connecting_ = false;
      self->notify(FtpStatus::kConnected, self->context_);
    }
    if (type == CURLINFO_HEADER_OUT) {
      self->awaiting_answer_ = true;
      self->waiting_since_ = Clock::now();
      self->notify(FtpStatus::kSending, self->context_);
      self->notify(FtpStatus::kSent, self->context_);
      self->notify(FtpStatus::kReceiving, self->context_);
    } else if (type == CURLINFO_HEADER_IN) {
      self->awaiting_answer_ = false;
      self->notify(FtpStatus::kReceived, self->context_);
    }
    return 0;
  }

  CURL* curl_ = nullptr;
  FtpStatusSink sink_;
  FtpLogin login_;
  std::string base_url_;
  std::string entry_path_;
  FtpContext context_ = FtpContext::kConnection;
  CURLcode last_code_ = CURLE_OK;
  bool resolving_ = false;
  bool connecting_ = false;
  // The time-out watch of the request under way (on_progress).
  bool timed_out_ = false;
  bool awaiting_answer_ = false;
  Clock::time_point waiting_since_;
  bool window_open_ = false;
  Clock::time_point window_start_;
  curl_off_t window_bytes_ = 0;
  char error_text_[CURL_ERROR_SIZE] = {};
  const linux_backend::CurlLibrary* lib_ = nullptr;
};

}  // namespace

std::unique_ptr<FtpSession> open_ftp_session(FtpStatusSink sink) {
  auto session = std::make_unique<CurlFtpSession>(std::move(sink));
  if (!session->valid()) return nullptr;
  return session;
}

}  // namespace velmora::platform
