// TSimpleHttp: one HTTP or HTTPS GET or POST at a time, run on a worker
// thread of its own, polled by the caller.
//
// Form values are percent-encoded (every byte but A-Z a-z 0-9 - . _ ~) and
// joined as name=value pairs with "&"; a POST sends them as
// application/x-www-form-urlencoded, a GET appends them to the address. Every
// request has a connect time-out and a total time-out (settings
// "httpconnecttimeout" and "httptimeout", in milliseconds; 10 and 30 seconds
// by default), so a silent server can never hold the caller for ever. An
// answer with a status of 400 or more counts as a failure. Redirects are
// followed (at most 5, HTTP and HTTPS only). Part of platform/; uses libcurl.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "platform/string.h"

class TSimpleHttp {
public:
  static constexpr int kRunning = 0;
  static constexpr int kCompleted = 1;
  static constexpr int kNoRequest = 2;  // none sent, or the last one failed

  TSimpleHttp();
  // Cancels a running request and waits for its thread.
  ~TSimpleHttp();
  TSimpleHttp(const TSimpleHttp&) = delete;
  TSimpleHttp& operator=(const TSimpleHttp&) = delete;

  // Prepares a request (post 1 = POST) and clears the form data. With an
  // output file (a virtual name such as "user:answer.txt") the answer is also
  // written there.
  void Open(const TString& address, int post, const char* outputFile = nullptr);
  // Appends name=value (both percent-encoded) to the form data.
  void AddParam(const TString& name, const TString& value);
  // Starts the request, cancelling and dropping a previous one. `flags` are
  // accepted for callers and not used.
  void Send(int flags = 0);
  // kRunning, kCompleted or kNoRequest.
  int GetState() const { return state_.load(std::memory_order_acquire); }
  // The answer's bytes, zero-terminated, once the state is kCompleted; else null.
  const char* GetData() const;
  // The HTTP status of the last answer (0 when none came).
  long GetStatus() const { return status_; }
  // Blocks until the state leaves kRunning or `ms` pass; returns the state.
  int Wait(uint32_t ms);

  // Replaces the time-outs of the next Send (milliseconds).
  void SetTimeouts(uint32_t connectMs, uint32_t totalMs);
  const std::string& GetFormData() const { return form_; }

  static std::string UrlEncode(const std::string& text);

private:
  void Cancel();
  void Run(std::string url, std::string body, bool post, std::string output, long connectMs, long totalMs);

  std::string address_, form_, output_;
  bool post_ = false;
  long connectMs_ = 0, totalMs_ = 0;
  std::thread worker_;
  std::atomic<int> state_{kNoRequest};
  std::atomic<bool> cancel_{false};
  std::string data_;
  long status_ = 0;
  mutable std::mutex mutex_;  // guards multi_ and the wait
  std::condition_variable done_;
  void* multi_ = nullptr;  // the running request's curl multi handle
};
