#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/host/hosts.h"
#include "platform/host/inputscript.h"
#include "platform/host/system.h"
#include "platform/log.h"
#include "platform/time.h"

namespace {
constexpr size_t kMaxScriptBytes = 64u << 20;
}

THeadlessHost::THeadlessHost() {
  if (!IsManualTime()) {
    SetManualTime(true, 0);
    ownsClock_ = true;
  }
  start_ = GetPlatformTime();
}

THeadlessHost::~THeadlessHost() {
  if (ownsClock_) SetManualTime(false);
}

void THeadlessHost::PushEvent(const THostEvent& event, uint32_t atMs) {
  Timed t{atMs, seq_++, event};
  auto it = std::upper_bound(queue_.begin(), queue_.end(), t,
                             [](const Timed& a, const Timed& b) { return a.at < b.at; });
  queue_.insert(it, std::move(t));
}

bool THeadlessHost::LoadInputScript(const std::string& path, const std::string& baseFolder, std::string* why) {
  auto refuse = [&](const std::string& reason) {
    TraceOut("Input script %s: %s", path.c_str(), reason.c_str());
    if (why) *why = "its input script " + path + ": " + reason;
    return false;
  };
  std::ifstream in(path, std::ios::binary);
  if (!in) return refuse(std::string("cannot read the file (") + std::strerror(errno) + ")");
  std::string text;
  text.resize(kMaxScriptBytes + 1);
  in.read(&text[0], static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  if (in.bad()) return refuse("cannot read the file (not a file)");
  if (text.size() > kMaxScriptBytes) return refuse("larger than " + std::to_string(kMaxScriptBytes) + " bytes; refused");
  std::vector<std::string> errors;
  std::vector<TScriptedEvent> events = ParseInputScript(text, &errors);
  for (const auto& e : errors) TraceOut("Input script %s: %s", path.c_str(), e.c_str());
  for (auto& e : events) {
    if (e.event.type == THostEventType::kScreenshot) {
      ++screenshots_;
      if (!baseFolder.empty() && !e.event.text.empty() && e.event.text[0] != '/')
        e.event.text = baseFolder + "/" + e.event.text;
    }
    PushEvent(e.event, e.at);
  }
  TraceOut("Input script %s: %zu events", path.c_str(), events.size());
  return true;
}

void THeadlessHost::SetDesktopSize(int width, int height) {
  desktopW_ = std::max(1, width);
  desktopH_ = std::max(1, height);
}

bool THeadlessHost::CreateWindow(const TString& title, int width, int height) {
  if (width <= 0 || height <= 0) return false;
  title_ = title;
  windowW_ = width;
  windowH_ = height;
  hasWindow_ = true;
  focused_ = true;
  minimized_ = false;
  fullScreen_ = false;
  return true;
}

void THeadlessHost::DestroyWindow() {
  hasWindow_ = false;
  focused_ = false;
  captured_ = false;
}

bool THeadlessHost::SetWindowMode(int width, int height, bool fullScreen) {
  if (!hasWindow_ || width <= 0 || height <= 0) return false;
  windowW_ = width;
  windowH_ = height;
  fullScreen_ = fullScreen;
  return true;
}

void THeadlessHost::SetUsableSize(int width, int height) {
  usableW_ = std::max(0, width);
  usableH_ = std::max(0, height);
}

void THeadlessHost::SetPixelsPerPoint(double pixelsPerPoint) {
  pixelsPerPoint_ = pixelsPerPoint > 0 ? pixelsPerPoint : 1.0;
}

void THeadlessHost::GetOutputSize(int* width, int* height) const {
  // The window's (or in full screen the desktop's) points, as pixels.
  *width = static_cast<int>(std::lround((fullScreen_ ? desktopW_ : windowW_) * pixelsPerPoint_));
  *height = static_cast<int>(std::lround((fullScreen_ ? desktopH_ : windowH_) * pixelsPerPoint_));
}

void THeadlessHost::GetDesktopSize(int* width, int* height) const {
  *width = desktopW_;
  *height = desktopH_;
}

void THeadlessHost::GetUsableSize(int* width, int* height) const {
  *width = usableW_ ? std::min(usableW_, desktopW_) : desktopW_;
  *height = usableH_ ? std::min(usableH_, desktopH_) : desktopH_;
}

bool THeadlessHost::PollEvent(THostEvent* event) {
  uint32_t now = GetPlatformTime() - start_;
  for (;;) {
    if (queue_.empty() || static_cast<int32_t>(now - queue_.front().at) < 0) return false;
    *event = std::move(queue_.front().event);
    queue_.pop_front();
    if (event->type != THostEventType::kScreenshot) break;
    // The frame presented last, as the "screenshot" setting writes it at the
    // end; one not written is told as that one is (and the run ends with 1).
    TLogCapture reason;
    if (SaveScreenshot(TString(event->text))) {
      TraceOut("Screenshot written to %s (frame %llu)", event->text.c_str(),
               static_cast<unsigned long long>(GetPresentCount()));
      continue;
    }
    ++unwrittenScreenshots_;
    std::string said = "the screenshot " + event->text + " was not written";
    for (const std::string& line : reason.Lines())
      if (line.rfind("Screenshot ", 0) == 0) said = line;
    TraceOut("Input script: the screenshot %s could not be written", event->text.c_str());
    std::fprintf(stderr, "lantern: input script: %s\n", said.c_str());
  }
  // The window's own state follows its events, as a real window's would.
  switch (event->type) {
    case THostEventType::kFocusGained: focused_ = true; break;
    case THostEventType::kFocusLost:
      focused_ = false;
      keysDown_.clear();  // the keys go up with the focus
      break;
    case THostEventType::kMinimized: minimized_ = true; break;
    case THostEventType::kRestored: minimized_ = false; break;
    case THostEventType::kMoved:
      windowX_ = event->x;
      windowY_ = event->y;
      break;
    case THostEventType::kMouseLeave: mouseX_ = mouseY_ = -1; break;
    // A key pressed again before its release is held down: the press repeats, as a keyboard's does.
    case THostEventType::kKeyDown:
      if (!keysDown_.insert(event->key).second) event->repeat = true;
      break;
    case THostEventType::kKeyUp: keysDown_.erase(event->key); break;
    case THostEventType::kMouseMove:
    case THostEventType::kButtonDown:
    case THostEventType::kButtonUp:
      if (pixelsPerPoint_ != 1.0) {
        int pixelsW = 0, pixelsH = 0;
        THeadlessHost::GetOutputSize(&pixelsW, &pixelsH);
        PointsToPixels(&event->x, &event->y, fullScreen_ ? desktopW_ : windowW_, fullScreen_ ? desktopH_ : windowH_,
                       pixelsW, pixelsH);
      }
      mouseX_ = event->x;
      mouseY_ = event->y;
      break;
    case THostEventType::kWheel:
      if (event->x < 0) {
        event->x = mouseX_;
        event->y = mouseY_;
      }
      break;
    default: break;
  }
  return true;
}

void THeadlessHost::Wait(uint32_t ms) { PlatformSleep(ms); }

bool THeadlessHost::GetMousePosition(int* x, int* y) const {
  *x = mouseX_;
  *y = mouseY_;
  return mouseX_ >= 0;
}

void THeadlessHost::SetCursorImage(const uint32_t* argb, int width, int height, int pitchPixels, int hotX, int hotY) {
  cursor_.clear();
  if (!argb || width <= 0 || height <= 0 || pitchPixels < width) return;
  for (int y = 0; y < height; ++y)
    cursor_.insert(cursor_.end(), argb + static_cast<size_t>(y) * pitchPixels,
                   argb + static_cast<size_t>(y) * pitchPixels + width);
}

bool THeadlessHost::SetClipboardText(const TString& text) {
  clipboard_ = text;
  return true;
}

void THeadlessHost::ShowMessageBox(const TString& title, const TString& text, bool error) {
  TraceOut("%s \"%s\": %s", error ? "Error box" : "Message box", title.c_str(), text.c_str());
}

bool THeadlessHost::OpenUrl(const TString& url, const TString& browser) {
  if (!IsOpenableUrl(url.str())) return OpenUrlWith(url.str(), browser.str(), true);  // logs the refusal
  urls_.push_back(url.str());
  if (browser.IsEmpty()) {
    TraceOut("OpenUrl: %s (headless: no browser started)", url.c_str());
    return true;
  }
  return OpenUrlWith(url.str(), browser.str(), true);
}

void THeadlessHost::SetKeepLastFrame(bool keep) {
  std::lock_guard<std::mutex> lock(frameMutex_);
  if (!keep) TakeLentFrame();  // the frame shown until now stays the last kept
  keep_ = keep;
}

void THeadlessHost::Present(const uint32_t* pixels, int width, int height, int pitchPixels) {
  if (!pixels || width <= 0 || height <= 0 || pitchPixels < width) return;
  std::lock_guard<std::mutex> lock(frameMutex_);
  if (!keep_) {
    ++presents_;
    return;
  }
  lent_ = pixels;
  lentPitch_ = pitchPixels;
  frameWidth_ = width;
  frameHeight_ = height;
  TakeLentFrame();
  ++presents_;
}

void THeadlessHost::PresentLent(const uint32_t* pixels, int width, int height, int pitchPixels) {
  if (!pixels || width <= 0 || height <= 0 || pitchPixels < width) return;
  std::lock_guard<std::mutex> lock(frameMutex_);
  if (!keep_) {
    ++presents_;
    return;
  }
  lent_ = pixels;
  lentPitch_ = pitchPixels;
  frameWidth_ = width;
  frameHeight_ = height;
  ++presents_;
}

void THeadlessHost::ReturnFrame() {
  std::lock_guard<std::mutex> lock(frameMutex_);
  TakeLentFrame();
}

void THeadlessHost::TakeLentFrame() const {
  if (!lent_) return;
  frame_.resize(static_cast<size_t>(frameWidth_) * frameHeight_);
  for (int y = 0; y < frameHeight_; ++y)
    std::copy(lent_ + static_cast<size_t>(y) * lentPitch_, lent_ + static_cast<size_t>(y) * lentPitch_ + frameWidth_,
              frame_.begin() + static_cast<size_t>(y) * frameWidth_);
  lent_ = nullptr;
  ++copies_;
}

const std::vector<uint32_t>& THeadlessHost::GetLastFrame() const {
  std::lock_guard<std::mutex> lock(frameMutex_);
  TakeLentFrame();
  return frame_;
}

bool THeadlessHost::SaveScreenshot(const TString& path) {
  std::lock_guard<std::mutex> lock(frameMutex_);
  TakeLentFrame();
  return WritePngFile(path.str(), frame_.empty() ? nullptr : frame_.data(), frameWidth_, frameHeight_, frameWidth_);
}
