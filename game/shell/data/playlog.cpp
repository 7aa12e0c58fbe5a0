#include "game/shell/data/playlog.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <thread>

#include "platform/folders.h"
#include "platform/host/system.h"
#include "platform/http.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "platform/shell/platform.h"
#include "platform/task.h"

namespace {

TPlayLogRecord gRecord;
std::function<void(const std::string&)> gUrlOpener;

constexpr int kMaxAttempts = 3;
constexpr uint32_t kPollMs[kMaxAttempts] = {100, 500, 1000};
constexpr size_t kMaxIdLength = 99;
constexpr size_t kAnswerLookedAt = 4095;

std::string Fixed(float value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%10.2f", double(value));
  return buf;
}

std::string Whole(int value) { return std::to_string(value); }

// The test server's address from the setting "playlogserver": an http or
// https address without its final "/"; empty when none (or a bad one) is set.
std::string ServerBase() {
  std::string base = GetSettingString("playlogserver").str();
  while (!base.empty() && (base.back() == '/' || base.back() == ' ')) base.pop_back();
  while (!base.empty() && base.front() == ' ') base.erase(0, 1);
  if (base.empty()) return "";
  if (base.compare(0, 7, "http://") != 0 && base.compare(0, 8, "https://") != 0) {
    TraceOut("Play statistics: the server \"%s\" is not an http or https address; nothing is sent", base.c_str());
    return "";
  }
  for (unsigned char c : base)
    if (c <= 0x20 || c == 0x7F) {
      TraceOut("Play statistics: the server address holds blanks or control characters; nothing is sent");
      return "";
    }
  return base;
}

// The file is the user's alone (0600), never written through a link.
void AppendLine(const std::string& path, const std::string& line) {
  if (path.empty()) return;
  size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) MakeFolders(path.substr(0, slash));
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  size_t done = 0;
  while (fd >= 0 && done < line.size()) {
    ssize_t n = ::write(fd, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += size_t(n);
  }
  if (fd >= 0) ::close(fd);
  if (done < line.size()) TraceOut("Play statistics: cannot append to %s", path.c_str());
}

struct TUploadJob {
  std::string url;
  std::vector<std::pair<std::string, std::string>> fields;
  std::string filePath, fileLine, levelName;
};

// Runs the queued uploads one after the other, one request at a time, driven
// by Pump calls that never wait.
class TUploader {
public:
  void Add(TUploadJob job) { queue_.push_back(std::move(job)); }

  bool Pump() {
    uint32_t now = HostMonotonicMs();
    if (attempt_ == 0) {
      if (queue_.empty()) return false;
      attempt_ = 1;
      Send(now);
      return true;
    }
    if (int32_t(now - nextPoll_) < 0) return true;
    int state = http_->GetState();
    if (state == TSimpleHttp::kRunning) {
      nextPoll_ = now + kPollMs[attempt_ - 1];
      return true;
    }
    bool ok = state == TSimpleHttp::kCompleted && Succeeded(http_->GetData());
    if (ok || attempt_ >= kMaxAttempts) {
      End(ok);
      return !queue_.empty();
    }
    ++attempt_;
    Send(now);
    return true;
  }

  void Finish(uint32_t maxMs) {
    uint32_t start = HostMonotonicMs();
    while (Pump() && HostMonotonicMs() - start < maxMs) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (attempt_ > 0 || !queue_.empty()) TraceOut("Play statistics: uploads still running at exit are cancelled");
    http_.reset(new TSimpleHttp);  // cancels a running request
    if (attempt_ > 0) End(false);
    for (const TUploadJob& job : queue_) AppendLine(job.filePath, job.fileLine);
    queue_.clear();
  }

  int LastAttempts() const { return lastAttempts_; }

private:
  static bool Succeeded(const char* answer) {
    if (!answer) return false;
    std::string head(answer, strnlen(answer, kAnswerLookedAt));
    return head.find("<Success>1</Success>") != std::string::npos;
  }

  void Send(uint32_t now) {
    const TUploadJob& job = queue_.front();
    http_->Open(TString(job.url), 1);
    for (const auto& field : job.fields) http_->AddParam(TString(field.first), TString(field.second));
    int setting = GetSettingInt("playlogtimeout", 10000);
    uint32_t total = uint32_t(setting <= 0 ? 10000 : std::max(100, setting));
    http_->SetTimeouts(std::min<uint32_t>(total, 5000), total);
    http_->Send(3);
    nextPoll_ = now + kPollMs[attempt_ - 1];
  }

  void End(bool ok) {
    const TUploadJob& job = queue_.front();
    TraceOut("Play statistics: the upload of \"%s\" %s after %d attempt(s)", job.levelName.c_str(),
             ok ? "succeeded" : "failed", attempt_);
    AppendLine(job.filePath, job.fileLine);
    lastAttempts_ = attempt_;
    attempt_ = 0;
    queue_.pop_front();
  }

  std::unique_ptr<TSimpleHttp> http_{new TSimpleHttp};
  std::deque<TUploadJob> queue_;
  int attempt_ = 0;  // 1..3 while a job runs
  uint32_t nextPoll_ = 0;
  int lastAttempts_ = 0;
};

TUploader& Uploader() {
  static TUploader uploader;
  return uploader;
}

// Pumps the uploads from the platform's task list until they are done.
class TPumpTask;
TPumpTask* gPumpTask = nullptr;
class TPumpTask : public TTask {
public:
  ~TPumpTask() override {
    if (gPumpTask == this) gPumpTask = nullptr;
  }
  bool DoTask() override { return PumpPlayLogUpload(); }
};

}  // namespace

const TPlayLogRecord& PlayLog::Get() { return gRecord; }

void PlayLog::Reset() {
  std::string id = std::move(gRecord.testerId);
  gRecord = TPlayLogRecord();
  gRecord.testerId = std::move(id);
}

void PlayLog::SetLevelName(const TString& name) { gRecord.levelName = name; }
void PlayLog::AddTime(float seconds) { gRecord.timeLevelPlay += seconds; }
void PlayLog::CountClick() { ++gRecord.clicks; }
void PlayLog::CountFoundClick() { ++gRecord.foundClicks; }
void PlayLog::CountHint() { ++gRecord.hintsUsed; }

void PlayLog::NoteFirstHint() {
  if (gRecord.timeUntilFirstHint <= 0.0f) gRecord.timeUntilFirstHint = gRecord.timeLevelPlay;
}

void PlayLog::ComputeAverages() {
  TPlayLogRecord& r = gRecord;
  if (r.clicks > 0) r.ratioSuccessfulClicks = float(int64_t(r.foundClicks) * 100 / r.clicks);
  r.avgTimeBetweenClicks = r.clicks > 0 ? r.timeLevelPlay / float(r.clicks) : 0.0f;
  r.avgTimeBetweenItemsFound = r.foundClicks > 0 ? r.timeLevelPlay / float(r.foundClicks) : 0.0f;
}

std::vector<std::pair<std::string, std::string>> PlayLog::FormFields() {
  const TPlayLogRecord& r = gRecord;
  return {{"license", r.testerId},
          {"LevelName", r.levelName.str()},
          {"TimeLevelPlay", Fixed(r.timeLevelPlay)},
          {"avgTimeBetweenClicks", Fixed(r.avgTimeBetweenClicks)},
          {"NumberOfClicksGameField", Whole(r.clicks)},
          {"RatioSuccessfulClicks", Fixed(r.ratioSuccessfulClicks) + " %"},
          {"TimeUntilFirstHintUsed", Fixed(r.timeUntilFirstHint)},
          {"TotalHintsUsed", Whole(r.hintsUsed)},
          {"avgTimeBetweenItemsFound", Fixed(r.avgTimeBetweenItemsFound)}};
}

std::string PlayLog::FileLine() {
  auto fields = FormFields();
  std::string name = fields[1].second;
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  std::string line = "LevelName=" + name;
  for (size_t i = 2; i < fields.size(); ++i) line += "\t" + fields[i].first + fields[i].second;
  return line + "\t\n";
}

std::string TesterIdFromCommandLine(const std::string& commandLine) {
  std::vector<std::string> words;
  std::string word;
  for (char c : commandLine + " ") {
    if (c == ' ' || c == '\t') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (words.empty()) return "";
  const std::string& last = words.back();
  if (last[0] == '-' || last.find('=') != std::string::npos) return "";  // an option, not an id
  if (words.size() >= 2) {
    const std::string& before = words[words.size() - 2];
    if (before == "--cheat" || before == "-com_interval") return "";  // that option's value
  }
  bool plain = last.size() <= kMaxIdLength;
  for (unsigned char c : last)
    plain = plain && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
                      c == '.' || c == '-');
  if (!plain) {
    TraceOut("Play statistics: the last word of the command line is not a tester id; statistics stay off");
    return "";
  }
  return last;
}

void StartPlayLog(const std::string& commandLine) {
  gRecord.testerId = TesterIdFromCommandLine(commandLine);
  if (!gRecord.testerId.empty())
    TraceOut("Play statistics on for tester \"%s\" (server: %s)", gRecord.testerId.c_str(),
             ServerBase().empty() ? "none" : ServerBase().c_str());
}

std::string PlayLogFilePath() {
  if (gRecord.testerId.empty()) return "";
  const std::string documents = GetXdgUserFolder("DOCUMENTS", "Documents");
  if (documents.empty()) {
    TraceOut("Play statistics: there is no Documents folder (no home folder); no file is written");
    return "";
  }
  return documents + "/playlog" + gRecord.testerId + ".txt";
}

void WritePlayLogFile() { AppendLine(PlayLogFilePath(), PlayLog::FileLine()); }

void UploadPlayLog() {
  if (gRecord.testerId.empty()) return;
  PlayLog::ComputeAverages();
  std::string base = ServerBase();
  if (base.empty()) {
    WritePlayLogFile();
    return;
  }
  TUploadJob job;
  job.url = base + "/playlog.php";
  job.fields = PlayLog::FormFields();
  job.filePath = PlayLogFilePath();
  job.fileLine = PlayLog::FileLine();
  job.levelName = gRecord.levelName.str();
  Uploader().Add(std::move(job));
  PumpPlayLogUpload();  // sends the first attempt now
  TPlatform* platform = TPlatform::GetInstance();
  if (platform && !gPumpTask) {
    gPumpTask = new TPumpTask;
    platform->AddTask(gPumpTask);
  }
}

bool PumpPlayLogUpload() { return Uploader().Pump(); }

void FinishPlayLog(uint32_t maxMs) { Uploader().Finish(maxMs); }

int GetLastPlayLogAttempts() { return Uploader().LastAttempts(); }

void OpenGameOverPage() {
  if (gRecord.testerId.empty()) return;
  std::string base = ServerBase();
  if (base.empty()) return;
  std::string url = base + "/gameOver.php?license=" + TSimpleHttp::UrlEncode(gRecord.testerId);
  if (gUrlOpener) {
    gUrlOpener(url);
  } else if (TPlatform* platform = TPlatform::GetInstance()) {
    platform->OpenUrl(TString(url));
  } else {
    TraceOut("Play statistics: no platform to open %s", url.c_str());
  }
}

void SetPlayLogUrlOpener(std::function<void(const std::string&)> opener) { gUrlOpener = std::move(opener); }
