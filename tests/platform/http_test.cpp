// TSimpleHttp against an HTTP server on 127.0.0.1 that the test runs itself.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/http.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "tests/support/testsupport.h"

namespace {

// Serves one connection at a time: it reads a request and, depending on the
// mode, answers at once, answers after Release(), or never answers.
class TLoopbackServer {
public:
  enum Mode { kAnswer, kHold, kSilent };
  explicit TLoopbackServer(Mode mode, std::string answer = "<Success>1</Success>", int status = 200)
      : mode_(mode), answer_(std::move(answer)), status_(status) {
    listen_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    listen(listen_, 4);
    if (pipe(stop_) != 0) std::abort();
    thread_ = std::thread([this] { Serve(); });
  }
  ~TLoopbackServer() {
    if (write(stop_[1], "x", 1) != 1) std::abort();
    thread_.join();
    close(listen_);
    close(stop_[0]);
    close(stop_[1]);
  }
  std::string Url(const std::string& path = "/playlog.php") const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    cv_.notify_all();
  }
  std::string Request() {
    std::lock_guard<std::mutex> lock(mutex_);
    return request_;
  }
  // Blocks until a whole request has arrived.
  void WaitForRequest() {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [this] { return !request_.empty(); });
  }

private:
  bool WaitReadable(int fd) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {stop_[0], POLLIN, 0}};
    return poll(fds, 2, -1) > 0 && !(fds[1].revents & POLLIN);
  }
  void Serve() {
    while (WaitReadable(listen_)) {
      int conn = accept(listen_, nullptr, nullptr);
      if (conn < 0) continue;
      std::string req;
      char buf[4096];
      size_t headerEnd = std::string::npos, contentLength = 0;
      while (WaitReadable(conn)) {
        ssize_t n = read(conn, buf, sizeof buf);
        if (n <= 0) break;
        req.append(buf, size_t(n));
        if (headerEnd == std::string::npos && (headerEnd = req.find("\r\n\r\n")) != std::string::npos) {
          size_t at = req.find("Content-Length: ");
          if (at != std::string::npos && at < headerEnd) contentLength = std::stoul(req.substr(at + 16));
        }
        if (headerEnd != std::string::npos && req.size() >= headerEnd + 4 + contentLength) break;
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        request_ = req;
        cv_.notify_all();
      }
      if (mode_ == kSilent) {
        WaitReadable(stop_[0]);  // holds the connection until the server stops
      } else {
        if (mode_ == kHold) {
          std::unique_lock<std::mutex> lock(mutex_);
          cv_.wait(lock, [this] { return released_; });
        }
        std::string reply = "HTTP/1.1 " + std::to_string(status_) + " X\r\nContent-Length: " +
                            std::to_string(answer_.size()) + "\r\nConnection: close\r\n\r\n" + answer_;
        if (write(conn, reply.data(), reply.size()) < 0) break;
      }
      close(conn);
    }
  }
  Mode mode_;
  std::string answer_;
  int status_;
  int listen_ = -1, port_ = 0, stop_[2] = {-1, -1};
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool released_ = false;
  std::string request_;
};

TEST(Http, PostSendsEncodedFormAndCompletes) {
  TLoopbackServer server(TLoopbackServer::kHold);
  TSimpleHttp http;
  EXPECT_EQ(http.GetState(), TSimpleHttp::kNoRequest);
  http.Open(TString(server.Url()), 1);
  http.AddParam("name", "J\xC3\xBCrgen & co=1+2");
  http.AddParam("id", "a b/c?~");
  EXPECT_EQ(http.GetFormData(), "name=J%C3%BCrgen%20%26%20co%3D1%2B2&id=a%20b%2Fc%3F~");
  http.Send(3);
  EXPECT_EQ(http.GetState(), TSimpleHttp::kRunning);
  EXPECT_EQ(http.GetData(), nullptr);
  server.Release();
  ASSERT_EQ(http.Wait(20000), TSimpleHttp::kCompleted);
  EXPECT_STREQ(http.GetData(), "<Success>1</Success>");
  std::string req = server.Request();
  EXPECT_EQ(req.rfind("POST /playlog.php HTTP/1.1\r\n", 0), 0u) << req;
  EXPECT_NE(req.find("Content-Type: application/x-www-form-urlencoded"), std::string::npos);
  EXPECT_EQ(req.substr(req.find("\r\n\r\n") + 4), http.GetFormData());
}

TEST(Http, GetAppendsTheFormAndWritesTheOutputFile) {
  testing_support::TempDir dir;
  SetSetting("userfolder", TString(dir.Path()));
  TLoopbackServer server(TLoopbackServer::kAnswer, "hello");
  TSimpleHttp http;
  http.Open(TString(server.Url("/q?x=1")), 0, "user:answer.txt");
  http.AddParam("tester", "me");
  http.Send();
  ASSERT_EQ(http.Wait(20000), TSimpleHttp::kCompleted);
  EXPECT_EQ(server.Request().rfind("GET /q?x=1&tester=me HTTP/1.1", 0), 0u);
  EXPECT_EQ(testing_support::ReadFile(dir.File("answer.txt")), "hello");
  SetSetting("userfolder", "");
}

TEST(Http, FailuresGiveStateTwo) {
  int port;
  {
    TLoopbackServer closed(TLoopbackServer::kAnswer);
    port = std::stoi(closed.Url().substr(17));
  }
  TLogCapture log;
  TSimpleHttp http;
  http.Open(TString::Printf("http://127.0.0.1:%d/", port), 1);
  http.Send();
  EXPECT_EQ(http.Wait(20000), TSimpleHttp::kNoRequest);  // connection refused
  EXPECT_EQ(http.GetData(), nullptr);

  TLoopbackServer notFound(TLoopbackServer::kAnswer, "missing", 404);
  http.Open(TString(notFound.Url()), 0);
  http.Send();
  EXPECT_EQ(http.Wait(20000), TSimpleHttp::kNoRequest);
  EXPECT_EQ(http.GetStatus(), 404);
  http.Open("file:///etc/passwd", 0);
  http.Send();
  EXPECT_EQ(http.Wait(20000), TSimpleHttp::kNoRequest);
  EXPECT_EQ(log.Count("HTTP:"), 3u);
}

TEST(Http, SilentServerEndsByTimeout) {
  TLoopbackServer server(TLoopbackServer::kSilent);
  TSimpleHttp http;
  http.SetTimeouts(2000, 300);
  http.Open(TString(server.Url()), 1);
  http.Send();
  EXPECT_EQ(http.Wait(30000), TSimpleHttp::kNoRequest);
}

TEST(Http, DestructionAndResendCancelARunningRequest) {
  TLoopbackServer server(TLoopbackServer::kSilent);
  auto start = std::chrono::steady_clock::now();
  {
    TSimpleHttp http;
    http.SetTimeouts(60000, 60000);
    http.Open(TString(server.Url()), 1);
    http.Send();
    server.WaitForRequest();
    EXPECT_EQ(http.GetState(), TSimpleHttp::kRunning);
    http.Send();  // drops the first request
    EXPECT_EQ(http.GetState(), TSimpleHttp::kRunning);
  }
  // Far below the time-outs: the destructor did not wait for them.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

}  // namespace
