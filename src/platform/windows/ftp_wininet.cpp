// FTP on Windows through WinINet, the system's internet library: its status callback
// numbers are the seam's, and its 12xxx error numbers are the ones scripts see.
#include "platform/ftp.hpp"
#include "platform/windows/ftp_receive.hpp"
#include "platform/windows/win32.hpp"
// After the system's headers, which must come first.
#include <algorithm>
#include <mutex>
#include <vector>

namespace velmora::platform {

namespace {

// WinINet calls back only for a non-zero context, so each work's context is offset by one.
DWORD_PTR context_value(FtpContext context) {
  return static_cast<DWORD_PTR>(context) + 1;
}

bool is_seam_status(DWORD status) {
  switch (status) {
    case INTERNET_STATUS_RESOLVING_NAME:
    case INTERNET_STATUS_NAME_RESOLVED:
    case INTERNET_STATUS_CONNECTING_TO_SERVER:
    case INTERNET_STATUS_CONNECTED_TO_SERVER:
    case INTERNET_STATUS_SENDING_REQUEST:
    case INTERNET_STATUS_REQUEST_SENT:
    case INTERNET_STATUS_RECEIVING_RESPONSE:
    case INTERNET_STATUS_RESPONSE_RECEIVED:
    case INTERNET_STATUS_CLOSING_CONNECTION:
    case INTERNET_STATUS_CONNECTION_CLOSED:
    case INTERNET_STATUS_HANDLE_CREATED:
    case INTERNET_STATUS_HANDLE_CLOSING:
    case INTERNET_STATUS_REQUEST_COMPLETE:
    case INTERNET_STATUS_REDIRECT:
      return true;
    default:
      return false;
  }
}

// Whether the server's last answer began with `code`.
bool server_said(std::wstring_view code) {
  DWORD detail = 0;
  wchar_t text[512];
  DWORD length = 512;
  if (!InternetGetLastResponseInfoW(&detail, text, &length)) return false;
  std::wstring_view answer(text, length);
  // The answer may carry the lines before it (the greeting); look at each line's start.
  for (std::size_t at = 0; at < answer.size();) {
    if (answer.substr(at, code.size()) == code) return true;
    const std::size_t next = answer.find(L'\n', at);
    if (next == std::wstring_view::npos) break;
    at = next + 1;
  }
  return false;
}

std::uint32_t last_internet_error() {
  const DWORD error = GetLastError();
  return error == 0 ? kFtpInternalError : error;
}

// WinINet wants the address without the brackets an IPv6 address is written in.
std::wstring host_name(const std::string& host) {
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    return win::wide(host.substr(1, host.size() - 2));
  }
  return win::wide(host);
}

class WinInetSession;

// The sessions alive now.  The library may still report on a connection from a thread of
// its own after the session closed it and went (a read cut short by the time-out ends
// there), so a notification reaches a session only while it is in this list.
class LiveSessions {
 public:
  static LiveSessions& get() {
    static LiveSessions list;
    return list;
  }
  void add(WinInetSession* s) {
    const std::lock_guard<std::mutex> lock(mutex_);
    sessions_.push_back(s);
  }
  void remove(WinInetSession* s) {
    const std::lock_guard<std::mutex> lock(mutex_);
    sessions_.erase(std::remove(sessions_.begin(), sessions_.end(), s), sessions_.end());
  }
  template <typename F>
  void with(WinInetSession* s, F f) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (std::find(sessions_.begin(), sessions_.end(), s) != sessions_.end()) f(*s);
  }

 private:
  std::mutex mutex_;
  std::vector<WinInetSession*> sessions_;
};

class WinInetSession final : public FtpSession {
 public:
  explicit WinInetSession(FtpStatusSink sink) : sink_(std::move(sink)) {
    LiveSessions::get().add(this);
  }

  ~WinInetSession() override {
    if (connection_ != nullptr) InternetCloseHandle(connection_);
    if (internet_ != nullptr) InternetCloseHandle(internet_);
    LiveSessions::get().remove(this);
  }

  std::uint32_t connect(const FtpLogin& login) override {
    if (login.host.empty() || login.host.find_first_of(" /\\") != std::string::npos) {
      return kFtpInvalidUrl;
    }
    // The system's FTP client speaks no TLS.
    if (login.secure) return kFtpSecureChannelError;
    internet_ = InternetOpenW(L"Velmora", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (internet_ == nullptr) return last_internet_error();
    timeout_ms_ = login.timeout_ms;
    DWORD timeout = login.timeout_ms;
    for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                               INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_SEND_TIMEOUT,
                               INTERNET_OPTION_DATA_RECEIVE_TIMEOUT}) {
      InternetSetOptionW(internet_, option, &timeout, sizeof timeout);
    }
    InternetSetStatusCallbackW(internet_, &WinInetSession::status_callback);
    const std::wstring host = host_name(login.host);
    const std::wstring user = win::wide(login.user);
    const std::wstring password = win::wide(login.password);
    connection_ = InternetConnectW(
        internet_, host.c_str(), login.port, user.empty() ? nullptr : user.c_str(),
        user.empty() ? nullptr : password.c_str(), INTERNET_SERVICE_FTP,
        login.passive ? INTERNET_FLAG_PASSIVE : 0, reinterpret_cast<DWORD_PTR>(this));
    if (connection_ == nullptr) {
      const std::uint32_t error = last_internet_error();
      // A refused log-in (530) is a wrong name or password, whichever number this
      // version of the library reports it under.
      if (error == ERROR_INTERNET_LOGIN_FAILURE && server_said(L"530")) return kFtpWrongPassword;
      return error;
    }
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD length = MAX_PATH + 1;
    if (FtpGetCurrentDirectoryW(connection_, folder, &length)) entry_path_ = win::narrow(folder);
    return 0;
  }

  std::uint32_t list(std::string_view path, std::vector<FtpEntry>& out) override {
    out.clear();
    if (connection_ == nullptr) return kFtpInternalError;
    WorkScope work(*this, FtpContext::kListing);
    WIN32_FIND_DATAW data{};
    const std::wstring pattern = win::wide(path);
    HINTERNET find =
        FtpFindFirstFileW(connection_, pattern.empty() ? nullptr : pattern.c_str(), &data,
                          INTERNET_FLAG_RELOAD, context_value(FtpContext::kListing));
    if (find == nullptr) {
      const DWORD error = GetLastError();
      // An empty folder, or the server's refusal of a name: nothing is there.
      if (error == ERROR_NO_MORE_FILES || error == ERROR_INTERNET_EXTENDED_ERROR) return 0;
      return error == 0 ? kFtpInternalError : error;
    }
    std::uint32_t result = 0;
    do {
      const std::wstring_view name(data.cFileName);
      if (name == L"." || name == L"..") continue;
      out.push_back({win::narrow(name), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (InternetFindNextFileW(find, &data));
    if (GetLastError() != ERROR_NO_MORE_FILES) result = last_internet_error();
    InternetCloseHandle(find);
    return result;
  }

  std::uint32_t current_folder(std::string& out) override {
    if (entry_path_.empty()) return kFtpServerRefused;
    out = entry_path_;
    return 0;
  }

  std::uint32_t get(std::string_view remote, std::string_view local) override {
    if (connection_ == nullptr) return kFtpInternalError;
    if (remote.empty() || remote.back() == '/') return kFtpServerRefused;
    const std::wstring target = win::wide(local);
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) return kFileExists;
    // The file takes its name only once it is whole: a failed or cut-off transfer leaves
    // nothing under the name, not even part of the file.
    const std::wstring part = target + L".~part" + std::to_wstring(GetCurrentProcessId());
    WorkScope work(*this, FtpContext::kDownload);
    // Read here rather than by FtpGetFile, whose reads no time-out bounds (win::receive_ftp_file).
    HINTERNET request = FtpOpenFileW(connection_, win::wide(remote).c_str(), GENERIC_READ,
                                     FTP_TRANSFER_TYPE_BINARY | INTERNET_FLAG_RELOAD,
                                     context_value(FtpContext::kDownload));
    if (request == nullptr) return last_internet_error();
    HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      InternetCloseHandle(request);
      return error;
    }
    const std::uint32_t received = win::receive_ftp_file(request, file, timeout_ms_);
    if (!CloseHandle(file) || received != 0) {
      const std::uint32_t error = received != 0 ? received : GetLastError();
      DeleteFileW(part.c_str());
      return error;
    }
    if (!MoveFileExW(part.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
      const DWORD error = GetLastError();
      DeleteFileW(part.c_str());
      return error == ERROR_ALREADY_EXISTS ? kFileExists : error;
    }
    return 0;
  }

  std::uint32_t put(std::string_view local, std::string_view remote) override {
    if (connection_ == nullptr) return kFtpInternalError;
    if (remote.empty() || remote.back() == '/') return kFtpServerRefused;
    const std::wstring source = win::wide(local);
    const DWORD a = GetFileAttributesW(source.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return GetLastError();
    if ((a & FILE_ATTRIBUTE_DIRECTORY) != 0) return winerr::kAccessDenied;
    WorkScope work(*this, FtpContext::kUpload);
    if (FtpPutFileW(connection_, source.c_str(), win::wide(remote).c_str(),
                    FTP_TRANSFER_TYPE_BINARY, context_value(FtpContext::kUpload))) {
      return 0;
    }
    return last_internet_error();
  }

 private:
  // The work a notification without its own context belongs to.
  class WorkScope {
   public:
    WorkScope(WinInetSession& s, FtpContext c) : s_(s), previous_(s.work_) {
      s.work_ = c;
      s.notify(FtpStatus::kHandleCreated, c);
    }
    ~WorkScope() {
      s_.notify(FtpStatus::kHandleClosing, s_.work_);
      s_.work_ = previous_;
    }
    WorkScope(const WorkScope&) = delete;
    WorkScope& operator=(const WorkScope&) = delete;

   private:
    WinInetSession& s_;
    FtpContext previous_;
  };

  void notify(FtpStatus status, FtpContext context) {
    if (sink_) sink_(status, context);
  }

  static void CALLBACK status_callback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID, DWORD) {
    if (!is_seam_status(status) || context == 0) return;
    // The connection's own context is the session; a work's is its number plus one.
    if (context > 4) {
      LiveSessions::get().with(reinterpret_cast<WinInetSession*>(context), [&](WinInetSession& s) {
        s.notify(static_cast<FtpStatus>(status), s.work_);
      });
      return;
    }
    // Each work's own handle is announced once, by WorkScope.
    if (status == INTERNET_STATUS_HANDLE_CREATED || status == INTERNET_STATUS_HANDLE_CLOSING) {
      return;
    }
    if (current_ != nullptr) {
      current_->notify(static_cast<FtpStatus>(status), static_cast<FtpContext>(context - 1));
    }
  }

 public:
  // The session working on this thread, for notifications that carry only a work number.
  static thread_local WinInetSession* current_;

 private:
  FtpStatusSink sink_;
  HINTERNET internet_ = nullptr;
  HINTERNET connection_ = nullptr;
  std::string entry_path_;
  std::uint32_t timeout_ms_ = 60000;
  FtpContext work_ = FtpContext::kConnection;
};

thread_local WinInetSession* WinInetSession::current_ = nullptr;

// Makes a session the current one of its thread while it is alive.
class CurrentSession final : public FtpSession {
 public:
  explicit CurrentSession(FtpStatusSink sink) : session_(std::move(sink)) {}
  std::uint32_t connect(const FtpLogin& login) override {
    Use use(&session_);
    return session_.connect(login);
  }
  std::uint32_t list(std::string_view path, std::vector<FtpEntry>& out) override {
    Use use(&session_);
    return session_.list(path, out);
  }
  std::uint32_t current_folder(std::string& out) override { return session_.current_folder(out); }
  std::uint32_t get(std::string_view remote, std::string_view local) override {
    Use use(&session_);
    return session_.get(remote, local);
  }
  std::uint32_t put(std::string_view local, std::string_view remote) override {
    Use use(&session_);
    return session_.put(local, remote);
  }

 private:
  struct Use {
    explicit Use(WinInetSession* s) : previous(WinInetSession::current_) {
      WinInetSession::current_ = s;
    }
    ~Use() { WinInetSession::current_ = previous; }
    WinInetSession* previous;
  };
  WinInetSession session_;
};

}  // namespace

std::unique_ptr<FtpSession> open_ftp_session(FtpStatusSink sink) {
  return std::make_unique<CurrentSession>(std::move(sink));
}

}  // namespace velmora::platform
