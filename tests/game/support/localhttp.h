// A small HTTP/1.1 server on 127.0.0.1 (a port the system picks) run by a
// test in a thread of its own. Each connection gets the next scripted reply
// (the last one repeats); every request is recorded whole.
#pragma once
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace gametest {

class TLocalHttpServer {
public:
  enum Reply {
    kSuccess,      // 200 with "<Success>1</Success>"
    kRefusal,      // 200 with "<Success>0</Success>"
    kServerError,  // 500
    kNeverAnswer,  // reads the request and never answers (the connection stays open)
    kCloseSocket,  // reads the request and closes the connection without a word
  };
  explicit TLocalHttpServer(std::vector<Reply> script);
  ~TLocalHttpServer();
  TLocalHttpServer(const TLocalHttpServer&) = delete;
  TLocalHttpServer& operator=(const TLocalHttpServer&) = delete;

  // "http://127.0.0.1:<port>".
  std::string BaseUrl() const;
  int Connections() const;
  std::vector<std::string> Requests() const;
  // The body of a recorded request (after the blank line).
  static std::string Body(const std::string& request);
  // An address on which nothing listens (a connection is refused).
  static std::string RefusingUrl();

private:
  bool WaitReadable(int fd, int timeoutMs);
  void Serve();

  std::vector<Reply> script_;
  int listen_ = -1, port_ = 0, stop_[2] = {-1, -1};
  std::vector<int> held_;
  std::thread thread_;
  mutable std::mutex mutex_;
  int connections_ = 0;
  std::vector<std::string> requests_;
};

}  // namespace gametest
