#include "tests/game/support/localhttp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace gametest {

namespace {
int ListenOnLoopback(int* port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) std::abort();
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  *port = ntohs(addr.sin_port);
  return fd;
}
}  // namespace

TLocalHttpServer::TLocalHttpServer(std::vector<Reply> script) : script_(std::move(script)) {
  if (script_.empty()) script_.push_back(kSuccess);
  listen_ = ListenOnLoopback(&port_);
  listen(listen_, 8);
  if (pipe(stop_) != 0) std::abort();
  thread_ = std::thread([this] { Serve(); });
}

TLocalHttpServer::~TLocalHttpServer() {
  if (write(stop_[1], "x", 1) != 1) std::abort();
  thread_.join();
  for (int fd : held_) close(fd);
  close(listen_);
  close(stop_[0]);
  close(stop_[1]);
}

std::string TLocalHttpServer::BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

int TLocalHttpServer::Connections() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return connections_;
}

std::vector<std::string> TLocalHttpServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

std::string TLocalHttpServer::Body(const std::string& request) {
  size_t at = request.find("\r\n\r\n");
  return at == std::string::npos ? "" : request.substr(at + 4);
}

std::string TLocalHttpServer::RefusingUrl() {
  int port = 0;
  close(ListenOnLoopback(&port));  // bound, never listened on, closed: connections are refused
  return "http://127.0.0.1:" + std::to_string(port);
}

bool TLocalHttpServer::WaitReadable(int fd, int timeoutMs) {
  pollfd fds[2] = {{fd, POLLIN, 0}, {stop_[0], POLLIN, 0}};
  return poll(fds, 2, timeoutMs) > 0 && !(fds[1].revents & POLLIN) && (fds[0].revents & (POLLIN | POLLHUP));
}

void TLocalHttpServer::Serve() {
  while (WaitReadable(listen_, -1)) {
    int conn = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
    if (conn < 0) continue;
    Reply reply;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      reply = script_[std::min<size_t>(size_t(connections_), script_.size() - 1)];
      ++connections_;
    }
    std::string req;
    char buf[4096];
    size_t headerEnd = std::string::npos, contentLength = 0;
    while (req.size() < (1u << 20) && WaitReadable(conn, 5000)) {
      ssize_t n = read(conn, buf, sizeof buf);
      if (n <= 0) break;
      req.append(buf, size_t(n));
      if (headerEnd == std::string::npos && (headerEnd = req.find("\r\n\r\n")) != std::string::npos) {
        size_t at = req.find("Content-Length: ");
        if (at != std::string::npos && at < headerEnd) contentLength = std::strtoul(req.c_str() + at + 16, nullptr, 10);
      }
      if (headerEnd != std::string::npos && req.size() >= headerEnd + 4 + contentLength) break;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(req);
    }
    if (reply == kNeverAnswer) {
      held_.push_back(conn);
      continue;
    }
    if (reply != kCloseSocket) {
      int status = reply == kServerError ? 500 : 200;
      std::string answer = reply == kSuccess ? "<Result><Success>1</Success></Result>"
                           : reply == kRefusal ? "<Result><Success>0</Success></Result>"
                                               : "internal error";
      std::string text = "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Length: " +
                         std::to_string(answer.size()) + "\r\nConnection: close\r\n\r\n" + answer;
      if (write(conn, text.data(), text.size()) < 0) {
      }
    }
    close(conn);
  }
}

}  // namespace gametest
