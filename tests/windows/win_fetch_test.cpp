// Picture addresses fetched through WinINet from a small HTTP server this test runs on
// 127.0.0.1: the body, a missing item, a refusal and the size cap.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/url_fetch.hpp"

namespace velmora::platform {
namespace {

// Answers GET /picture with 1000 bytes, /gone with 404, anything else with 500, until
// stopped.  One request per connection.
class TinyHttpServer {
 public:
  TinyHttpServer() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    listen(listener_, 8);
    thread_ = std::thread([this] { serve(); });
  }
  ~TinyHttpServer() {
    stop_ = true;
    closesocket(listener_);  // ends the accept
    thread_.join();
    WSACleanup();
  }
  std::string url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

 private:
  void serve() {
    while (!stop_) {
      SOCKET client = accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) return;
      std::string request;
      char buffer[1024];
      while (request.find("\r\n\r\n") == std::string::npos) {
        const int n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<std::size_t>(n));
      }
      std::string answer;
      if (request.rfind("GET /picture ", 0) == 0) {
        answer = "HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(1000, 'p');
      } else if (request.rfind("GET /gone ", 0) == 0) {
        answer = "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n";
      } else {
        answer = "HTTP/1.0 500 Server Error\r\nContent-Length: 0\r\n\r\n";
      }
      send(client, answer.data(), static_cast<int>(answer.size()), 0);
      shutdown(client, SD_SEND);
      closesocket(client);
    }
  }

  SOCKET listener_ = INVALID_SOCKET;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(WinFetch, BodiesMissingItemsRefusalsAndTheCap) {
  TinyHttpServer server;
  std::vector<std::uint8_t> bytes;
  ASSERT_EQ(fetch_url(server.url("/picture"), 4096, bytes), FetchResult::ok);
  EXPECT_EQ(bytes.size(), 1000u);
  EXPECT_EQ(bytes.front(), 'p');
  EXPECT_EQ(fetch_url(server.url("/gone"), 4096, bytes), FetchResult::not_found);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(fetch_url(server.url("/broken"), 4096, bytes), FetchResult::refused);
  EXPECT_EQ(fetch_url(server.url("/picture"), 999, bytes), FetchResult::too_large);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(fetch_url(server.url("/picture with space"), 4096, bytes), FetchResult::bad_address);
}

}  // namespace
}  // namespace velmora::platform
