// The event source: TPlatform::GetEvent and the key table.
#include <csignal>

#include "platform/log.h"
#include "platform/settings.h"
#include "platform/shell/platform.h"
#include "platform/time.h"

uint32_t TranslateHostKey(uint32_t key) {
  switch (key) {
    case HostKey::kUp: return PlatformKey::kUp;
    case HostKey::kDown: return PlatformKey::kDown;
    case HostKey::kLeft: return PlatformKey::kLeft;
    case HostKey::kRight: return PlatformKey::kRight;
    case HostKey::kInsert: return PlatformKey::kInsert;
    case HostKey::kPageUp: return PlatformKey::kPageUp;
    case HostKey::kPageDown: return PlatformKey::kPageDown;
    case HostKey::kDelete: return PlatformKey::kDelete;
    default: break;
  }
  // F13 and above would collide with the arrow codes; the framework has no codes for them.
  if (key == 0 || key > 0xFE || (key > (PlatformKey::kF1 + 11) && key < 0x88)) return 0;
  return key;
}

namespace {
bool IsWindowEvent(THostEventType t) {
  switch (t) {
    case THostEventType::kCloseRequest:
    case THostEventType::kFocusGained:
    case THostEventType::kFocusLost:
    case THostEventType::kMinimized:
    case THostEventType::kRestored:
    case THostEventType::kExposed:
    case THostEventType::kMouseEnter:
    case THostEventType::kMouseLeave:
    case THostEventType::kMoved: return true;
    default: return false;
  }
}

int ButtonBit(int button) { return (button >= 1 && button <= 5) ? 1 << button : 0; }

// Decodes UTF-8 text into code points. A surrogate pair written as two
// three-byte sequences is joined into one code point; lone surrogates and
// malformed bytes are dropped.
std::vector<uint32_t> DecodeText(const std::string& text) {
  std::vector<uint32_t> out;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  size_t n = text.size(), i = 0;
  auto next = [&](uint32_t* cp) -> bool {
    unsigned char c = s[i];
    int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > n) {
      ++i;
      return false;
    }
    uint32_t v = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; k < len; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) {
        ++i;
        return false;
      }
      v = (v << 6) | (s[i + k] & 0x3F);
    }
    static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    i += len;
    if (v < kMin[len] || v > 0x10FFFF) return false;
    *cp = v;
    return true;
  };
  while (i < n) {
    uint32_t cp = 0;
    if (!next(&cp)) continue;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      size_t save = i;
      uint32_t low = 0;
      if (i < n && next(&low) && low >= 0xDC00 && low <= 0xDFFF) {
        out.push_back(0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00));
      } else {
        i = save;  // a lone high surrogate: drop it, keep what follows
      }
      continue;
    }
    if (cp >= 0xDC00 && cp <= 0xDFFF) continue;
    out.push_back(cp);
  }
  return out;
}
}  // namespace

void TPlatform::SetActive(bool active) {
  if (active == lastActive_) return;
  lastActive_ = active;
  // Play time stops on deactivation and goes on from the same value on reactivation.
  if (!active) playStoppedAt_ = GetPlatformTime();
  else playPausedTotal_ += GetPlatformTime() - playStoppedAt_;
  if (app_->soundManager && hooks_.setSoundActive) hooks_.setSoundActive(app_->soundManager, active);
}

void TPlatform::NoteWindowEvent(const THostEvent& e) {
  THost* host = GetHost();
  switch (e.type) {
    case THostEventType::kFocusGained:
      pendingActivate_ = true;
      activeValue_ = true;
      activatedAt_ = GetPlatformTime();
      activationArmed_ = true;
      SetActive(true);
      break;
    case THostEventType::kRestored:
      if (host && host->HasFocus()) {
        pendingActivate_ = true;
        activeValue_ = true;
        SetActive(true);
      }
      break;
    case THostEventType::kFocusLost:
    case THostEventType::kMinimized:
      pendingActivate_ = true;
      activeValue_ = false;
      activationArmed_ = false;
      hoverArmed_ = false;
      SetActive(false);
      if (buttonsDown_) {  // the capture is lost with the focus
        buttonsDown_ = 0;
        if (host) host->CaptureMouse(false);
        pendingLeave_ = true;
      }
      break;
    case THostEventType::kExposed: pendingPaint_ = true; break;
    case THostEventType::kMoved:
      if (display_) display_->OnWindowMoved();
      break;
    case THostEventType::kCloseRequest: pendingClose_ = true; break;
    case THostEventType::kMouseLeave:
      hoverArmed_ = false;
      pendingLeave_ = true;
      break;
    default: break;
  }
}

bool TPlatform::NextFlagEvent(TPlatformEvent* ev) {
  if (pendingActivate_) {
    pendingActivate_ = false;
    ev->type = kEventActivate;
    ev->a = activeValue_ ? 1 : 0;
  } else if (pendingPaint_) {
    pendingPaint_ = false;
    ev->type = kEventPaint;
  } else if (pendingClose_) {
    pendingClose_ = false;
    ev->type = kEventClose;
  } else if (pendingLeave_) {
    pendingLeave_ = false;
    ev->type = kEventMouseLeave;
    ev->x = lastGameX_;
    ev->y = lastGameY_;
  } else {
    return false;
  }
  return true;
}

void TPlatform::FillMouse(const THostEvent& e, uint32_t type, uint32_t a, TPlatformEvent* out) {
  out->type = type;
  out->a = a;
  WindowToGame(e.x, e.y, &out->x, &out->y);
  out->b = e.mods & (PlatformMod::kShift | PlatformMod::kCtrl | PlatformMod::kAlt);
  lastGameX_ = out->x;
  lastGameY_ = out->y;
}

bool TPlatform::TranslateKey(const THostEvent& e, TPlatformEvent* out) {
  bool down = e.type == THostEventType::kKeyDown;
  if (down && e.key == HostKey::kEnter && (e.mods & HostMod::kAlt)) {
    if (e.repeat) return false;
    SetFullScreen(!IsFullScreen());
    out->type = kEventModeChange;
    out->a = IsFullScreen() ? 1 : 0;
    return true;
  }
  uint32_t code = TranslateHostKey(e.key);
  if (!code) return false;
  // Enter and Escape press buttons and change screens: a held one acts once,
  // its auto-repeats make no events (a held Backspace or arrow key repeats).
  if (down && e.repeat && (code == PlatformKey::kEnter || code == PlatformKey::kEscape)) return false;
  out->type = down ? kEventKeyDown : kEventKeyUp;
  out->a = code;
  out->b = e.mods & (PlatformMod::kShift | PlatformMod::kCtrl | PlatformMod::kAlt | PlatformMod::kExtended);
  // These four keys also arrive as characters, repeats included.
  if (down && !(e.mods & HostMod::kAlt) &&
      (code == PlatformKey::kBackspace || code == PlatformKey::kTab || code == PlatformKey::kEnter || code == PlatformKey::kEscape)) {
    TPlatformEvent ch;
    ch.type = kEventChar;
    ch.a = code;
    ch.b = out->b & ~PlatformMod::kExtended;
    queued_.push_back(ch);
  }
  return true;
}

void TPlatform::QueueText(const std::string& utf8) {
  for (uint32_t cp : DecodeText(utf8)) {
    // Control characters come from the key events above, not from text.
    if (cp < 0x20 || cp == 0x7F) continue;
    TPlatformEvent ch;
    ch.type = kEventUnicode;
    ch.a = cp;
    queued_.push_back(ch);
  }
}

bool TPlatform::TranslateInput(const THostEvent& e, TPlatformEvent* out) {
  THost* host = GetHost();
  uint32_t now = GetPlatformTime();
  switch (e.type) {
    case THostEventType::kMouseMove:
      FillMouse(e, kEventMouseMove, 0, out);
      hoverArmed_ = true;
      lastMoveAt_ = now;
      return true;
    case THostEventType::kButtonDown: {
      int bit = ButtonBit(e.button);
      if (!bit) return false;
      bool dropped = activationArmed_ && now - activatedAt_ < kActivationClickMs;
      activationArmed_ = false;
      hoverArmed_ = false;
      if (dropped) {
        // The click that brought the window to the front is not a click on the game.
        droppedButtons_ |= bit;
        return false;
      }
      buttonsDown_ |= bit;
      switch (e.button) {
        case kHostButtonLeft:
          if (host) host->CaptureMouse(true);
          FillMouse(e, kEventLeftDown, 0, out);
          break;
        case kHostButtonRight: FillMouse(e, kEventButton, kButtonRightDown, out); break;
        case kHostButtonMiddle: FillMouse(e, kEventButton, kButtonMiddleDown, out); break;
        default: FillMouse(e, kEventButton, kButtonExtraDown, out); break;
      }
      return true;
    }
    case THostEventType::kButtonUp: {
      int bit = ButtonBit(e.button);
      if (!bit) return false;
      if (droppedButtons_ & bit) {
        droppedButtons_ &= ~bit;
        return false;
      }
      buttonsDown_ &= ~bit;
      switch (e.button) {
        case kHostButtonLeft:
          if (host && !buttonsDown_) host->CaptureMouse(false);
          FillMouse(e, kEventLeftUp, 0, out);
          break;
        case kHostButtonRight: FillMouse(e, kEventButton, kButtonRightUp, out); break;
        case kHostButtonMiddle: FillMouse(e, kEventButton, kButtonMiddleUp, out); break;
        default: FillMouse(e, kEventButton, kButtonExtraUp, out); break;
      }
      return true;
    }
    case THostEventType::kWheel:
      if (e.wheel == 0) return false;
      FillMouse(e, kEventButton, e.wheel > 0 ? kButtonWheelForward : kButtonWheelBack, out);
      return true;
    case THostEventType::kKeyDown:
    case THostEventType::kKeyUp: return TranslateKey(e, out);
    case THostEventType::kText:
      QueueText(e.text);
      if (queued_.empty()) return false;
      *out = queued_.front();
      queued_.pop_front();
      return true;
    default: return false;
  }
}

void TPlatform::IdleWork() {
  if (app_->PollRaiseRequest()) {
    TraceOut("Single instance: another copy was started on this user folder and ended; this one comes to the front");
    if (GetHost()) GetHost()->RaiseWindow();
  }
  if (app_->soundManager && hooks_.updateSoundManager) hooks_.updateSoundManager(app_->soundManager);
  app_->tasks.Run(0);
}

void TPlatform::GetEvent(TPlatformEvent* ev) {
  THost* host = GetHost();
  for (;;) {
    *ev = TPlatformEvent();
    if (!quitPosted_) {
      if (int signal = GetQuitSignal()) {
        TraceOut("Signal %s: the game quits as its own quit does, with its save",
                 signal == SIGTERM ? "SIGTERM" : signal == SIGINT ? "SIGINT" : signal == SIGHUP ? "SIGHUP" : "?");
        PostQuit(128 + signal);
      }
    }
    if (frameLimit_ && host && !quitPosted_ && host->GetPresentCount() >= frameLimit_) {
      TraceOut("Stopping after %llu presented frames", static_cast<unsigned long long>(frameLimit_));
      PostQuit(0);
    }
    // What the window itself reported becomes flags; stop at the first input event.
    THostEvent e;
    while (host && !haveLookahead_ && host->PollEvent(&e)) {
      if (IsWindowEvent(e.type)) {
        NoteWindowEvent(e);
      } else {
        lookahead_ = std::move(e);
        haveLookahead_ = true;
      }
    }
    if (NextFlagEvent(ev)) return;
    if (quitPosted_) {
      ev->type = kEventQuit;
      ev->a = static_cast<uint32_t>(exitCode_);
      return;
    }
    if (!queued_.empty()) {
      *ev = queued_.front();
      queued_.pop_front();
      return;
    }
    if (haveLookahead_) {
      haveLookahead_ = false;
      if (TranslateInput(lookahead_, ev)) return;
      continue;  // nothing the framework takes; look at the next one
    }
    uint32_t now = GetPlatformTime();
    if (hoverArmed_ && !buttonsDown_ && now - lastMoveAt_ >= kHoverDelayMs) {
      hoverArmed_ = false;
      ev->type = kEventHover;
      ev->x = lastGameX_;
      ev->y = lastGameY_;
      return;
    }
    IdleWork();
    if (host) host->Wait(1);
    else PlatformSleep(1);
    ev->type = kEventTick;
    return;
  }
}
