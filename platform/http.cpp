#include "platform/http.h"

#include <curl/curl.h>

#include <chrono>

#include "platform/file.h"
#include "platform/log.h"
#include "platform/settings.h"

namespace {

constexpr size_t kMaxAnswer = 64u << 20;

std::once_flag gCurlInit;

struct TAnswer {
  std::string bytes;
  bool tooLarge = false;
  const std::atomic<bool>* cancel = nullptr;
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
  auto* answer = static_cast<TAnswer*>(user);
  size_t n = size * count;
  if (answer->cancel->load() || answer->bytes.size() + n > kMaxAnswer) {
    answer->tooLarge = !answer->cancel->load();
    return 0;  // stops the transfer
  }
  answer->bytes.append(data, n);
  return n;
}

}  // namespace

TSimpleHttp::TSimpleHttp() {
  std::call_once(gCurlInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  connectMs_ = GetSettingInt("httpconnecttimeout", 10000);
  totalMs_ = GetSettingInt("httptimeout", 30000);
}

TSimpleHttp::~TSimpleHttp() { Cancel(); }

std::string TSimpleHttp::UrlEncode(const std::string& text) { return PercentEncode(text); }

void TSimpleHttp::Open(const TString& address, int post, const char* outputFile) {
  address_ = address.str();
  post_ = post == 1;
  output_ = outputFile ? outputFile : "";
  form_.clear();
}

void TSimpleHttp::AddParam(const TString& name, const TString& value) {
  if (!form_.empty()) form_ += '&';
  form_ += UrlEncode(name.str()) + "=" + UrlEncode(value.str());
}

void TSimpleHttp::SetTimeouts(uint32_t connectMs, uint32_t totalMs) {
  connectMs_ = long(connectMs);
  totalMs_ = long(totalMs);
}

void TSimpleHttp::Cancel() {
  cancel_ = true;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (multi_) curl_multi_wakeup(static_cast<CURLM*>(multi_));
  }
  if (worker_.joinable()) worker_.join();
  cancel_ = false;
}

void TSimpleHttp::Send(int flags) {
  Cancel();
  data_.clear();
  status_ = 0;
  std::string url = address_;
  if (!post_ && !form_.empty()) url += (url.find('?') == std::string::npos ? "?" : "&") + form_;
  state_.store(kRunning, std::memory_order_release);
  worker_ = std::thread(&TSimpleHttp::Run, this, url, form_, post_, output_, connectMs_, totalMs_);
}

const char* TSimpleHttp::GetData() const { return GetState() == kCompleted ? data_.c_str() : nullptr; }

int TSimpleHttp::Wait(uint32_t ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return GetState() != kRunning; });
  return GetState();
}

void TSimpleHttp::Run(std::string url, std::string body, bool post, std::string output, long connectMs,
                      long totalMs) {
  TAnswer answer;
  answer.cancel = &cancel_;
  CURL* easy = curl_easy_init();
  CURLM* multi = curl_multi_init();
  CURLcode result = CURLE_FAILED_INIT;
  long status = 0;
  if (easy && multi) {
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, connectMs > 0 ? connectMs : 1L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, totalMs > 0 ? totalMs : 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "lantern");
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &answer);
    if (post) {
      curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, long(body.size()));
      curl_easy_setopt(easy, CURLOPT_COPYPOSTFIELDS, body.c_str());
    }
    curl_multi_add_handle(multi, easy);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      multi_ = multi;
    }
    int running = 1;
    while (running && !cancel_) {
      if (curl_multi_perform(multi, &running) != CURLM_OK) break;
      if (running) curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    }
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &left))
      if (msg->msg == CURLMSG_DONE) result = msg->data.result;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      multi_ = nullptr;
    }
    curl_multi_remove_handle(multi, easy);
  }
  if (multi) curl_multi_cleanup(multi);
  if (easy) curl_easy_cleanup(easy);

  bool ok = !cancel_ && result == CURLE_OK && status < 400;
  if (cancel_) {
    TraceOut("HTTP: request to %s cancelled", url.c_str());
  } else if (answer.tooLarge) {
    TraceOut("HTTP: the answer from %s is larger than %zu bytes", url.c_str(), kMaxAnswer);
    ok = false;
  } else if (result != CURLE_OK) {
    TraceOut("HTTP: request to %s failed: %s", url.c_str(), curl_easy_strerror(result));
  } else if (status >= 400) {
    TraceOut("HTTP: %s answered with status %ld", url.c_str(), status);
  }
  if (ok && !output.empty()) {
    TFile file;
    if (!file.Open(TString(output), "wb") || file.Write(answer.bytes.data(), answer.bytes.size()) != answer.bytes.size()) {
      TraceOut("HTTP: cannot write the answer to %s", output.c_str());
      ok = false;
    }
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    status_ = status;
    data_ = std::move(answer.bytes);
    state_.store(ok ? kCompleted : kNoRequest, std::memory_order_release);
  }
  done_.notify_all();
}
