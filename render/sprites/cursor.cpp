#include "render/sprites/cursor.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "platform/log.h"
#include "platform/settings.h"

namespace {
int MaskBits(uint32_t m) { return __builtin_popcount(m); }
int MaskShift(uint32_t m) { return m ? __builtin_ctz(m) : 0; }

TRect Clip(const TRect& r, int w, int h) { return r.Intersect(TRect(0, 0, w, h)); }
}  // namespace

TMouseCursor::TMouseCursor(TCursorHost* host, std::recursive_timed_mutex* mutex)
    : host_(host), mutex_(mutex ? mutex : &ownMutex_) {
  std::random_device rd;
  mutexName_.Format("TDXContextMouseMutex:%x:%x:%x:%x", rd(), rd(), rd(), rd());
  if (host_) format_ = host_->GetFormat();
}

TMouseCursor::~TMouseCursor() = default;

// ------------------------------------------------------------------ runs

TCursorPixel TMouseCursor::MakePixel(uint32_t argb, uint8_t alpha, const TCursorFormat& format) {
  TCursorPixel p{};
  p.inverseAlpha = uint8_t(255 - alpha);
  const uint32_t r = (argb >> 16) & 255, g = (argb >> 8) & 255, b = argb & 255;
  if (format.bitsPerPixel == 15 || format.bitsPerPixel == 16) {
    const uint32_t masks[3] = {format.redMask, format.greenMask, format.blueMask};
    const uint32_t channels[3] = {r, g, b};
    for (int k = 0; k < 3; ++k) {
      uint32_t v = (alpha * channels[k]) >> (16 - MaskBits(masks[k]));
      p.value[k] = uint16_t((v << MaskShift(masks[k])) & masks[k]);
    }
  } else if (format.bitsPerPixel == 24 || format.bitsPerPixel == 32) {
    // Memory order of the colour bytes: blue, green, red.
    p.value[0] = uint16_t(alpha * b);
    p.value[1] = uint16_t(alpha * g);
    p.value[2] = uint16_t(alpha * r);
  }
  return p;
}

void TMouseCursor::BuildRuns(const uint32_t* argb, int width, int height, int pitch, bool keyed,
                             const TCursorFormat& format, std::vector<TCursorRun>& out) {
  out.clear();
  if (!argb) return;
  for (int y = 0; y < height; ++y) {
    const uint32_t* row = argb + size_t(y) * size_t(pitch);
    TCursorRun* run = nullptr;
    for (int x = 0; x < width; ++x) {
      uint32_t c = row[x];
      uint32_t r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255, a = c >> 24;
      // A keyed picture drops its magenta pixels; a picture that also carries
      // an alpha channel (a PNG drawn with soft edges) keeps it either way.
      bool transparent = a == 0 || (keyed && r >= 248 && g == 0 && b >= 248);
      if (transparent) {
        run = nullptr;
        continue;
      }
      if (!run) {
        out.push_back(TCursorRun{uint16_t(x), uint16_t(y), {}});
        run = &out.back();
      }
      run->pixels.push_back(MakePixel(c, uint8_t(a), format));
    }
  }
}

void TMouseCursor::BlendRuns(const std::vector<TCursorRun>& runs, const TCursorSurface& s,
                             const TCursorFormat& format) {
  const int bpp = format.BytesPerPixel();
  for (const TCursorRun& run : runs) {
    if (run.y >= s.height) continue;
    uint8_t* row = s.bits + size_t(run.y) * size_t(s.pitchBytes);
    int n = std::min<int>(int(run.pixels.size()), s.width - run.x);
    for (int i = 0; i < n; ++i) {
      const TCursorPixel& e = run.pixels[i];
      uint8_t* p = row + size_t(run.x + i) * bpp;
      if (format.bitsPerPixel == 15 || format.bitsPerPixel == 16) {
        uint32_t old = uint32_t(p[0] | (p[1] << 8));
        const uint32_t masks[3] = {format.redMask, format.greenMask, format.blueMask};
        uint32_t out = 0;
        for (int k = 0; k < 3; ++k) out |= (((e.inverseAlpha * (old & masks[k])) >> 8) + e.value[k]) & masks[k];
        p[0] = uint8_t(out);
        p[1] = uint8_t(out >> 8);
      } else if (format.bitsPerPixel == 24 || format.bitsPerPixel == 32) {
        for (int k = 0; k < 3; ++k) p[k] = uint8_t((p[k] * e.inverseAlpha + e.value[k]) >> 8);
      }
    }
  }
}

// ------------------------------------------------------------------ images

bool TMouseCursor::SetMouseImage(const uint32_t* argb, int width, int height, int pitch, int hotX, int hotY,
                                 bool second) {
  if (!argb || width <= 0 || height <= 0 || pitch < width) {
    TraceOut("TMouseCursor::SetMouseImage: no picture, the cursor stays as it was");
    return false;
  }
  std::lock_guard<std::recursive_timed_mutex> lock(*mutex_);
  bool wasOnScreen = onScreen_;
  EraseMouse();
  Image& image = second ? second_ : main_;
  image.pixels.resize(size_t(width) * height);
  for (int y = 0; y < height; ++y) {
    std::memcpy(&image.pixels[size_t(y) * width], argb + size_t(y) * pitch, size_t(width) * 4);
  }
  image.width = width;
  image.height = height;
  image.hotX = hotX;
  image.hotY = hotY;
  useSecond_ = second;  // the picture just set is the one shown
  Rebuild();
  if (!software_ || unavailable_) {
    const Image& cur = Current();
    host_->ShowSystemCursor(true, cur.pixels.data(), cur.width, cur.height, cur.width, cur.hotX, cur.hotY);
  }
  if (wasOnScreen) {
    ResetMouseState();
    ReadPosition();
    DrawMouse(posX_, posY_, false);
  }
  return true;
}

void TMouseCursor::UseSecondImage(bool use) {
  std::lock_guard<std::recursive_timed_mutex> lock(*mutex_);
  if (use == useSecond_) return;
  EraseMouse();
  useSecond_ = use;
  Rebuild();
}

void TMouseCursor::Rebuild() {
  format_ = host_->GetFormat();
  BuildRuns(main_.pixels.data(), main_.width, main_.height, main_.width, true, format_, runs_);
  BuildRuns(second_.pixels.data(), second_.width, second_.height, second_.width, false, format_, runs2_);
  const Image& cur = Current();
  width_ = cur.width;
  height_ = cur.height;
  hotX_ = cur.hotX;
  hotY_ = cur.hotY;
  bufferPitch_ = width_ * format_.BytesPerPixel();
  for (auto& b : buffers_) b.assign(size_t(bufferPitch_) * height_, 0);
  onScreen_ = false;
  pendingPresent_ = false;
  rebuild_ = false;
}

void TMouseCursor::RestoreMouseImage() {
  std::lock_guard<std::recursive_timed_mutex> lock(*mutex_);
  if (restoring_) {
    TraceOut("Second concurrent call to RestoreMouseImage");
    return;
  }
  restoring_ = true;
  if (host_->IsDrawingSuspended()) {
    // Not now: the picture is rebuilt when drawing goes on.
    onScreen_ = false;
    rebuild_ = true;
  } else {
    Rebuild();
  }
  restoring_ = false;
}

void TMouseCursor::OnWindowMoved() {
  std::lock_guard<std::recursive_timed_mutex> lock(*mutex_);
  TRect bounds = host_->GetWindowBounds();
  if (bounds == windowBounds_) return;
  windowBounds_ = bounds;
  // Our screen copy moved with the window, so the cursor in it is taken away
  // properly (a plain "off the screen" flag would leave its picture behind).
  EraseMouse();
  onScreen_ = false;
  ReadPosition();
}

// ------------------------------------------------------------------ state

void TMouseCursor::ResetMouseState() {
  std::lock_guard<std::recursive_timed_mutex> lock(*mutex_);
  posX_ = posY_ = lastX_ = lastY_ = -1;
  positionKnown_ = false;
  onScreen_ = false;
  pendingPresent_ = false;
  saveIndex_ = 0;
}

void TMouseCursor::ReadPosition() {
  int x = -1, y = -1;
  positionKnown_ = host_->GetMousePosition(&x, &y);
  posX_ = positionKnown_ ? x : -1;
  posY_ = positionKnown_ ? y : -1;
}

void TMouseCursor::SetSoftwareCursor(bool on) {
  std::lock_guard<std::recursive_timed_mutex> lock(*mutex_);
  if (on == software_) return;
  software_ = on;
  const Image& cur = Current();
  if (!on) {
    EraseMouse();
    host_->ShowSystemCursor(true, cur.pixels.empty() ? nullptr : cur.pixels.data(), cur.width, cur.height,
                            cur.width, cur.hotX, cur.hotY);
  } else if (!unavailable_) {
    host_->ShowSystemCursor(false, nullptr, 0, 0, 0, 0, 0);
    DrawMouse(-1, -1, true);
  }
}

void TMouseCursor::MarkUnavailable() {
  std::lock_guard<std::recursive_timed_mutex> lock(*mutex_);
  EraseMouse();
  unavailable_ = true;
  // Never leave the player without a pointer: the system one takes over.
  const Image& cur = Current();
  host_->ShowSystemCursor(true, cur.pixels.empty() ? nullptr : cur.pixels.data(), cur.width, cur.height,
                          cur.width, cur.hotX, cur.hotY);
  TraceOut("TMouseCursor: no room for the software cursor, using the system pointer");
}

// ------------------------------------------------------------------ drawing

TCursorSurface TMouseCursor::Buffer(int index) {
  return TCursorSurface{buffers_[index].data(), width_, height_, bufferPitch_};
}

void TMouseCursor::CopyRect(const TCursorSurface& from, int fx, int fy, const TCursorSurface& to, int tx, int ty,
                            int w, int h) {
  const int bpp = format_.BytesPerPixel();
  for (int y = 0; y < h; ++y) {
    std::memcpy(to.bits + size_t(ty + y) * to.pitchBytes + size_t(tx) * bpp,
                from.bits + size_t(fy + y) * from.pitchBytes + size_t(fx) * bpp, size_t(w) * bpp);
  }
}

bool TMouseCursor::CanDraw(bool forced) {
  if (pendingPresent_) return false;  // the frame with the cursor in it is not shown yet
  if (!positionKnown_) {
    if (!forced) return false;
    ReadPosition();
    if (!positionKnown_) return false;
  }
  if (!forced && host_->GetTime() - lastDraw_ < kThrottleMs) return false;
  TPoint origin = host_->GetClientOrigin();
  TRect r = MakeRectXYWH(origin.x + posX_ - hotX_, origin.y + posY_ - hotY_, width_, height_);
  TRect desk = host_->GetDesktopRect();
  if (r.Intersect(desk) != r) {
    host_->Invalidate();
    return false;
  }
  // Forced draws between frames only in full screen, and not with "-pq=".
  if (forced && (!host_->IsFullScreen() || HasPqArgument())) return false;
  return true;
}

bool TMouseCursor::Restore(bool backBuffer) {
  if (!onScreen_ || width_ <= 0) return true;
  TCursorSurface target;
  if (!host_->LockTarget(backBuffer, &target)) {
    rebuild_ = true;
    onScreen_ = false;
    return false;
  }
  TRect old = MakeRectXYWH(lastX_ - hotX_, lastY_ - hotY_, width_, height_);
  TRect c = Clip(old, target.width, target.height);
  if (!c.IsEmpty()) {
    CopyRect(Buffer(saveIndex_), c.left - old.left, c.top - old.top, target, c.left, c.top, c.Width(), c.Height());
  }
  host_->UnlockTarget(backBuffer);
  return true;
}

void TMouseCursor::EraseMouse() {
  std::lock_guard<std::recursive_timed_mutex> lock(*mutex_);
  if (!onScreen_) return;
  Restore(false);
  onScreen_ = false;
  if (positionKnown_) {
    ResetMouseState();
    host_->Invalidate();
  }
}

void TMouseCursor::RestoreBackBuffer() {
  std::lock_guard<std::recursive_timed_mutex> lock(*mutex_);
  if (lastX_ == -1 && lastY_ == -1) return;
  bool on = onScreen_;
  onScreen_ = true;  // Restore works on what was drawn last
  Restore(true);
  onScreen_ = on;
}

void TMouseCursor::NotifyPresented() {
  std::lock_guard<std::recursive_timed_mutex> lock(*mutex_);
  // The new frame holds the cursor only when it was drawn into it.
  onScreen_ = pendingPresent_;
  pendingPresent_ = false;
}

TPoint TMouseCursor::DrawMouse(int x, int y, bool intoBackBuffer, bool helperThread) {
  std::unique_lock<std::recursive_timed_mutex> lock(*mutex_, std::defer_lock);
  if (helperThread) {
    if (!lock.try_lock_for(std::chrono::milliseconds(kHelperWaitMs))) return TPoint(-1, -1);
  } else {
    lock.lock();
  }
  // A lost surface is rebuilt by the next frame.
  if (rebuild_ && intoBackBuffer) RestoreMouseImage();
  if (rebuild_ || host_->IsCursorSuppressed()) return TPoint(posX_, posY_);
  if (!software_ || unavailable_) {
    ReadPosition();
    return TPoint(posX_, posY_);
  }
  const bool forced = x != -1;
  if (forced) {
    posX_ = x;
    posY_ = y;
    positionKnown_ = true;
  }
  if (!intoBackBuffer && (!CanDraw(forced) || !host_->FrontHoldsFrame())) return TPoint(posX_, posY_);
  const bool wasKnown = positionKnown_;
  if (!forced) ReadPosition();
  if (!positionKnown_) return TPoint(-1, -1);
  if (!(host_->IsFlipDone() || intoBackBuffer || !wasKnown)) return TPoint(posX_, posY_);
  if (width_ <= 0 || height_ <= 0) return TPoint(posX_, posY_);
  if (!intoBackBuffer && onScreen_ && posX_ == lastX_ && posY_ == lastY_ && !forced) return TPoint(posX_, posY_);

  TCursorSurface target;
  if (!host_->LockTarget(intoBackBuffer, &target)) {
    rebuild_ = true;
    onScreen_ = false;
    return TPoint(posX_, posY_);
  }
  const TRect now = MakeRectXYWH(posX_ - hotX_, posY_ - hotY_, width_, height_);
  const TRect newClip = Clip(now, target.width, target.height);
  if (!host_->IsFullScreen() && !intoBackBuffer && newClip != now) {
    // Leaving the client area of a window: take the cursor away instead.
    host_->UnlockTarget(intoBackBuffer);
    EraseMouse();
    ReadPosition();
    return TPoint(posX_, posY_);
  }
  const int spare = 1 - saveIndex_;
  TCursorSurface save = Buffer(spare), old = Buffer(saveIndex_), comp = Buffer(2);
  // 7: the background under the new place.
  if (!newClip.IsEmpty()) {
    CopyRect(target, newClip.left, newClip.top, save, newClip.left - now.left, newClip.top - now.top,
             newClip.Width(), newClip.Height());
  }
  // 8: where the old cursor covers the new place, the old saved background
  // is the true background.
  const bool oldOnTarget = onScreen_ && !intoBackBuffer;
  const TRect before = MakeRectXYWH(lastX_ - hotX_, lastY_ - hotY_, width_, height_);
  if (oldOnTarget) {
    TRect overlap = newClip.Intersect(before);
    if (!overlap.IsEmpty()) {
      CopyRect(old, overlap.left - before.left, overlap.top - before.top, save, overlap.left - now.left,
               overlap.top - now.top, overlap.Width(), overlap.Height());
    }
  }
  std::memcpy(comp.bits, save.bits, buffers_[2].size());
  BlendRuns(useSecond_ && !runs2_.empty() ? runs2_ : runs_, comp, format_);
  if (oldOnTarget) {
    TRect c = Clip(before, target.width, target.height);
    if (!c.IsEmpty()) {
      CopyRect(old, c.left - before.left, c.top - before.top, target, c.left, c.top, c.Width(), c.Height());
    }
  }
  if (!newClip.IsEmpty()) {
    CopyRect(comp, newClip.left - now.left, newClip.top - now.top, target, newClip.left, newClip.top,
             newClip.Width(), newClip.Height());
  }
  host_->UnlockTarget(intoBackBuffer);
  // 9.
  saveIndex_ = spare;
  lastX_ = posX_;
  lastY_ = posY_;
  lastDraw_ = host_->GetTime();
  if (intoBackBuffer) {
    onScreen_ = false;
    pendingPresent_ = true;
  } else {
    onScreen_ = true;
  }
  return TPoint(posX_, posY_);
}
