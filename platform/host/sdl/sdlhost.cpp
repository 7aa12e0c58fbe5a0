// The SDL2 host: one window. Frames reach it through the window's SDL
// renderer (a streaming texture, scaled by the graphics card) when that
// renderer is a hardware accelerator, else through SDL's window surface,
// copied or scaled on the CPU: an OpenGL on a software rasteriser costs
// several times the copy.
#include <SDL.h>
#include <SDL_syswm.h>
#if LANTERN_HAVE_X11 && defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#define LANTERN_READ_X11 1
#endif

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/host/hosts.h"
#include "platform/host/system.h"
#include "platform/log.h"

namespace {

uint32_t ModsFromSdl(Uint16 mod) {
  uint32_t m = 0;
  if (mod & KMOD_SHIFT) m |= HostMod::kShift;
  if (mod & KMOD_CTRL) m |= HostMod::kCtrl;
  if (mod & KMOD_ALT) m |= HostMod::kAlt;
  return m;
}

// SDL key -> host key code, with the extended bit for keys outside the main block.
uint32_t KeyFromSdl(const SDL_Keysym& ks, bool* extended) {
  *extended = false;
  SDL_Keycode k = ks.sym;
  if (k >= 'a' && k <= 'z') return static_cast<uint32_t>(k - 'a' + 'A');
  if (k >= '0' && k <= '9') return static_cast<uint32_t>(k);
  if (k >= SDLK_F1 && k <= SDLK_F12) return HostKey::kF1 + static_cast<uint32_t>(k - SDLK_F1);
  if (k >= SDLK_F13 && k <= SDLK_F24) return HostKey::kF1 + 12 + static_cast<uint32_t>(k - SDLK_F13);
  if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return HostKey::kNumpad0 + 1 + static_cast<uint32_t>(k - SDLK_KP_1);
  struct Entry {
    SDL_Keycode sdl;
    uint32_t key;
    bool extended;
  };
  static const Entry kTable[] = {
      {SDLK_BACKSPACE, HostKey::kBackspace, false}, {SDLK_TAB, HostKey::kTab, false},
      {SDLK_CLEAR, HostKey::kClear, false},         {SDLK_RETURN, HostKey::kEnter, false},
      {SDLK_KP_ENTER, HostKey::kEnter, true},       {SDLK_LSHIFT, HostKey::kShift, false},
      {SDLK_RSHIFT, HostKey::kShift, false},        {SDLK_LCTRL, HostKey::kControl, false},
      {SDLK_RCTRL, HostKey::kControl, true},        {SDLK_LALT, HostKey::kAlt, false},
      {SDLK_RALT, HostKey::kAlt, true},             {SDLK_PAUSE, HostKey::kPause, false},
      {SDLK_CAPSLOCK, HostKey::kCapsLock, false},   {SDLK_ESCAPE, HostKey::kEscape, false},
      {SDLK_SPACE, HostKey::kSpace, false},         {SDLK_PAGEUP, HostKey::kPageUp, true},
      {SDLK_PAGEDOWN, HostKey::kPageDown, true},    {SDLK_END, HostKey::kEnd, true},
      {SDLK_HOME, HostKey::kHome, true},            {SDLK_LEFT, HostKey::kLeft, true},
      {SDLK_UP, HostKey::kUp, true},                {SDLK_RIGHT, HostKey::kRight, true},
      {SDLK_DOWN, HostKey::kDown, true},            {SDLK_PRINTSCREEN, HostKey::kPrintScreen, true},
      {SDLK_INSERT, HostKey::kInsert, true},        {SDLK_DELETE, HostKey::kDelete, true},
      {SDLK_LGUI, HostKey::kLeftMeta, true},        {SDLK_RGUI, HostKey::kRightMeta, true},
      {SDLK_APPLICATION, HostKey::kMenu, true},     {SDLK_KP_0, HostKey::kNumpad0, false},
      {SDLK_KP_MULTIPLY, HostKey::kMultiply, false}, {SDLK_KP_PLUS, HostKey::kAdd, false},
      {SDLK_KP_MINUS, HostKey::kSubtract, false},   {SDLK_KP_PERIOD, HostKey::kDecimal, false},
      {SDLK_KP_DIVIDE, HostKey::kDivide, true},     {SDLK_NUMLOCKCLEAR, HostKey::kNumLock, true},
      {SDLK_SCROLLLOCK, HostKey::kScrollLock, false}, {SDLK_SEMICOLON, HostKey::kSemicolon, false},
      {SDLK_EQUALS, HostKey::kEquals, false},       {SDLK_COMMA, HostKey::kComma, false},
      {SDLK_MINUS, HostKey::kMinus, false},         {SDLK_PERIOD, HostKey::kPeriod, false},
      {SDLK_SLASH, HostKey::kSlash, false},         {SDLK_BACKQUOTE, HostKey::kBackquote, false},
      {SDLK_LEFTBRACKET, HostKey::kLeftBracket, false}, {SDLK_BACKSLASH, HostKey::kBackslash, false},
      {SDLK_RIGHTBRACKET, HostKey::kRightBracket, false}, {SDLK_QUOTE, HostKey::kQuote, false},
  };
  for (const Entry& e : kTable) {
    if (e.sdl == k) {
      *extended = e.extended;
      return e.key;
    }
  }
  return 0;
}

class TSdlHost : public THost {
public:
  TSdlHost() = default;
  ~TSdlHost() override {
    DestroyWindow();
    if (cursor_) SDL_FreeCursor(cursor_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
  }

  const char* GetName() const override { return "sdl"; }
  bool IsHeadless() const override { return false; }

  bool CreateWindow(const TString& title, int width, int height) override {
    DestroyWindow();
    window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                               SDL_WINDOW_ALLOW_HIGHDPI);
    if (!window_) {
      TraceOut("The main window could not be made: %s", SDL_GetError());
      return false;
    }
    ChoosePresentation();
    ReadMousePosition();
    SDL_StartTextInput();
    return true;
  }

  void DestroyWindow() override {
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) {
      SDL_StopTextInput();
      SDL_DestroyWindow(window_);
    }
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
    textureW_ = textureH_ = 0;
  }

  bool HasWindow() const override { return window_ != nullptr; }
  void SetWindowTitle(const TString& title) override {
    title_ = title;
    if (window_) SDL_SetWindowTitle(window_, title.c_str());
  }
  TString GetWindowTitle() const override { return window_ ? TString(SDL_GetWindowTitle(window_)) : title_; }

  bool SetWindowMode(int width, int height, bool fullScreen) override {
    if (!window_) return false;
    if (fullScreen) {
      // Without a window manager nobody answers the full-screen request and
      // the window would keep its size: it covers the display by itself
      // first (a window manager then makes it full screen as asked).
      SDL_Rect bounds;
      int display = SDL_GetWindowDisplayIndex(window_);
      if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) == 0) {
        SDL_SetWindowPosition(window_, bounds.x, bounds.y);
        SDL_SetWindowSize(window_, bounds.w, bounds.h);
      }
      if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        TraceOut("Full screen refused: %s", SDL_GetError());
        return false;
      }
    } else {
      if (SDL_SetWindowFullscreen(window_, 0) != 0) {
        TraceOut("Leaving full screen failed: %s", SDL_GetError());
        return false;
      }
      SDL_SetWindowSize(window_, width, height);
      PlaceInUsableArea(width, height);
    }
    int w = 0, h = 0;
    GetOutputSize(&w, &h);
    TraceOut("Display: %s, %dx%d pixels", fullScreen ? "full screen" : "in a window", w, h);
    // Moves waiting from before the change are relative to the window as it
    // was; the pointer's place in the window now comes as the next move.
    SDL_PumpEvents();
    SDL_FlushEvent(SDL_MOUSEMOTION);
    ReadMousePosition();
    moveAfterModeChange_ = mouseX_ >= 0 && mouseY_ >= 0 && mouseX_ < w && mouseY_ < h;
    return true;
  }

  bool IsFullScreen() const override {
    return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
  }

  void GetOutputSize(int* width, int* height) const override {
    *width = *height = 0;
    if (renderer_ && SDL_GetRendererOutputSize(renderer_, width, height) == 0) return;
    if (window_) SDL_GetWindowSizeInPixels(window_, width, height);
  }

  void GetDesktopSize(int* width, int* height) const override {
    SDL_DisplayMode mode;
    int index = window_ ? SDL_GetWindowDisplayIndex(window_) : 0;
    if (SDL_GetDesktopDisplayMode(index < 0 ? 0 : index, &mode) == 0) {
      *width = mode.w;
      *height = mode.h;
    } else {
      *width = *height = 0;
    }
  }

  // The display's usable bounds (without panels) less the window's frame.
  void GetUsableSize(int* width, int* height) const override {
    SDL_Rect usable;
    if (!UsableBounds(&usable)) {
      GetDesktopSize(width, height);
      return;
    }
    int top = 0, left = 0, bottom = 0, right = 0;
    GetFrame(&top, &left, &bottom, &right);
    *width = std::max(1, usable.w - left - right);
    *height = std::max(1, usable.h - top - bottom);
  }

  void RaiseWindow() override {
    if (!window_) return;
    SDL_RestoreWindow(window_);
    SDL_RaiseWindow(window_);
  }

  bool HasFocus() const override {
    if (!window_) return false;
    Uint32 f = SDL_GetWindowFlags(window_);
    return (f & SDL_WINDOW_INPUT_FOCUS) && !(f & SDL_WINDOW_MINIMIZED);
  }
  bool IsMinimized() const override { return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED); }
  bool GetWindowPosition(int* x, int* y) const override {
    if (!window_) return false;
    SDL_GetWindowPosition(window_, x, y);
    return true;
  }

  bool PollEvent(THostEvent* out) override {
    PresentPending();
    if (moveAfterModeChange_) {
      moveAfterModeChange_ = false;
      *out = THostEvent();
      out->type = THostEventType::kMouseMove;
      out->x = mouseX_;
      out->y = mouseY_;
      out->mods = ModsFromSdl(static_cast<Uint16>(SDL_GetModState()));
      return true;
    }
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      if (Translate(e, out)) return true;
    }
    return false;
  }

  void Wait(uint32_t ms) override {
    PresentPending();
    SDL_WaitEventTimeout(nullptr, static_cast<int>(ms));
  }

  void CaptureMouse(bool capture) override { SDL_CaptureMouse(capture ? SDL_TRUE : SDL_FALSE); }

  // The place of the last mouse event, or the pointer's place read after the
  // window last changed its mode (SDL's own place is the last event's).
  bool GetMousePosition(int* x, int* y) const override {
    *x = mouseX_;
    *y = mouseY_;
    return window_ && SDL_GetMouseFocus() == window_;
  }

  void SetCursorImage(const uint32_t* argb, int width, int height, int pitchPixels, int hotX, int hotY) override {
    SDL_Cursor* made = nullptr;
    if (argb && width > 0 && height > 0 && pitchPixels >= width) {
      SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(argb), width, height, 32,
                                                          pitchPixels * 4, SDL_PIXELFORMAT_ARGB8888);
      if (s) {
        made = SDL_CreateColorCursor(s, std::clamp(hotX, 0, width - 1), std::clamp(hotY, 0, height - 1));
        SDL_FreeSurface(s);
      }
      if (!made) TraceOut("Cursor image refused: %s", SDL_GetError());
    }
    SDL_SetCursor(made ? made : SDL_GetDefaultCursor());
    if (cursor_) SDL_FreeCursor(cursor_);
    cursor_ = made;
  }

  void ShowCursor(bool show) override { SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE); }
  bool IsCursorShown() const override { return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE; }

  TString GetClipboardText() override {
    if (!SDL_HasClipboardText()) return TString();
    char* text = SDL_GetClipboardText();
    TString result(text ? text : "");
    SDL_free(text);
    return result;
  }
  bool SetClipboardText(const TString& text) override { return SDL_SetClipboardText(text.c_str()) == 0; }

  void ShowMessageBox(const TString& title, const TString& text, bool error) override {
    TraceOut("%s \"%s\": %s", error ? "Error box" : "Message box", title.c_str(), text.c_str());
    SDL_ShowSimpleMessageBox(error ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION, title.c_str(), text.c_str(),
                             window_);
  }

  bool OpenUrl(const TString& url, const TString& browser) override {
    return OpenUrlWith(url.str(), browser.str(), false);
  }

  void Present(const uint32_t* pixels, int width, int height, int pitchPixels) override {
    if (!window_ || !pixels || width <= 0 || height <= 0 || pitchPixels < width) return;
    if (std::this_thread::get_id() != mainThread_) {
      // The window belongs to the main thread: keep the frame for its next poll or wait.
      std::lock_guard<std::mutex> lock(pendingMutex_);
      pending_.resize(static_cast<size_t>(width) * height);
      for (int y = 0; y < height; ++y)
        std::memcpy(&pending_[static_cast<size_t>(y) * width], pixels + static_cast<size_t>(y) * pitchPixels,
                    static_cast<size_t>(width) * 4);
      pendingW_ = width;
      pendingH_ = height;
      hasPending_ = true;
      return;
    }
    PresentNow(pixels, width, height, pitchPixels);
  }

  void PresentNow(const uint32_t* pixels, int width, int height, int pitchPixels) {
    if (renderer_ ? PresentThroughRenderer(pixels, width, height, pitchPixels)
                  : PresentThroughSurface(pixels, width, height, pitchPixels))
      ++presents_;
  }

  uint64_t GetPresentCount() const override { return presents_; }
  void SetKeepLastFrame(bool keep) override { keepLastFrame_ = keep; }
  // Through the renderer: the output read back at each presentation. Through
  // the window surface: the window as the window system holds it now.
  bool SaveScreenshot(const TString& path) override {
    if (!renderer_ && window_) {
      std::vector<uint32_t> shown;
      int w = 0, h = 0;
      if (ReadWindow(&shown, &w, &h)) return WritePngFile(path.str(), shown.data(), w, h, w);
    }
    return WritePngFile(path.str(), lastW_ ? lastFrame_.data() : nullptr, lastW_, lastH_, lastW_);
  }

private:
  // Software rasterisers behind an OpenGL renderer, by the renderer string
  // they report.
  static bool IsSoftwareGl(const char* name) {
    std::string n = name ? name : "";
    std::transform(n.begin(), n.end(), n.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    for (const char* soft : {"llvmpipe", "softpipe", "swrast", "software", "swiftshader", "basic render"})
      if (n.find(soft) != std::string::npos) return true;
    return false;
  }

  // The window's renderer when it is a hardware accelerator, else the
  // window surface. A renderer named in SDL_RENDER_DRIVER is kept as it is.
  void ChoosePresentation() {
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (!renderer_) {
      TraceOut("Display: no renderer (%s); frames go through the window surface", SDL_GetError());
      return;
    }
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(renderer_, &info);
    std::string what = info.name ? info.name : "?";
    bool hardware = (info.flags & SDL_RENDERER_ACCELERATED) != 0;
    if (hardware && what.rfind("opengl", 0) == 0) {
      // The renderer's context is current on this thread since its creation.
      using GetString = const unsigned char* (*)(unsigned);
      auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
      const unsigned char* gl = getString ? getString(0x1F01 /* GL_RENDERER */) : nullptr;
      if (gl) what += std::string(" on ") + reinterpret_cast<const char*>(gl);
      hardware = gl && !IsSoftwareGl(reinterpret_cast<const char*>(gl));
    }
    const char* asked = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    bool named = asked && *asked && (info.flags & SDL_RENDERER_ACCELERATED);
    if (hardware || named) {
      TraceOut("Display: frames go through the renderer %s", what.c_str());
      return;
    }
    SDL_DestroyRenderer(renderer_);
    renderer_ = nullptr;
    TraceOut("Display: the renderer %s is no graphics card; frames go through the window surface", what.c_str());
  }

  bool PresentThroughRenderer(const uint32_t* pixels, int width, int height, int pitchPixels) {
    if (!texture_ || textureW_ != width || textureH_ != height) {
      if (texture_) SDL_DestroyTexture(texture_);
      texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
      if (!texture_) {
        TraceOut("Presentation texture refused: %s", SDL_GetError());
        return false;
      }
      SDL_SetTextureScaleMode(texture_, SDL_ScaleModeLinear);
      textureW_ = width;
      textureH_ = height;
    }
    SDL_UpdateTexture(texture_, nullptr, pixels, pitchPixels * 4);
    int outW = 0, outH = 0;
    GetOutputSize(&outW, &outH);
    THostRect fit = FitFrame(width, height, outW, outH);
    SDL_Rect dst{fit.left, fit.top, fit.Width(), fit.Height()};
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, &dst);
    if (keepLastFrame_ && outW > 0 && outH > 0) {
      lastFrame_.resize(static_cast<size_t>(outW) * outH);
      if (SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_ARGB8888, lastFrame_.data(), outW * 4) == 0) {
        lastW_ = outW;
        lastH_ = outH;
      } else {
        lastW_ = lastH_ = 0;
      }
    }
    SDL_RenderPresent(renderer_);
    return true;
  }

  // The frame into the window surface: copied row by row at the window's
  // size, else scaled (bilinear) into the largest rectangle of its aspect,
  // with black bars around it.
  bool PresentThroughSurface(const uint32_t* pixels, int width, int height, int pitchPixels) {
    SDL_Surface* out = SDL_GetWindowSurface(window_);
    if (!out) {
      if (!surfaceRefused_) TraceOut("Display: no window surface: %s", SDL_GetError());
      surfaceRefused_ = true;
      return false;
    }
    surfaceRefused_ = false;
    const THostRect fit = FitFrame(width, height, out->w, out->h);
    if (fit.Width() <= 0 || fit.Height() <= 0) return false;
    const Uint32 format = out->format->format;
    // Same bytes as the frame (its alpha is ignored): rows go as they are.
    const bool sameLayout = format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888;
    bool ok = true;
    if (SDL_MUSTLOCK(out) && SDL_LockSurface(out) != 0) return false;
    const SDL_Rect bars[4] = {{0, 0, out->w, fit.top},
                              {0, fit.bottom, out->w, out->h - fit.bottom},
                              {0, fit.top, fit.left, fit.Height()},
                              {fit.right, fit.top, out->w - fit.right, fit.Height()}};
    for (const SDL_Rect& bar : bars)
      if (bar.w > 0 && bar.h > 0) SDL_FillRect(out, &bar, SDL_MapRGB(out->format, 0, 0, 0));
    auto* dst = static_cast<uint8_t*>(out->pixels) + static_cast<size_t>(fit.top) * out->pitch +
                static_cast<size_t>(fit.left) * out->format->BytesPerPixel;
    if (fit.Width() == width && fit.Height() == height) {
      if (sameLayout) {
        for (int y = 0; y < height; ++y)
          std::memcpy(dst + static_cast<size_t>(y) * out->pitch, pixels + static_cast<size_t>(y) * pitchPixels,
                      static_cast<size_t>(width) * 4);
      } else {
        ok = SDL_ConvertPixels(width, height, SDL_PIXELFORMAT_ARGB8888, pixels, pitchPixels * 4, format, dst,
                               out->pitch) == 0;
      }
      if (SDL_MUSTLOCK(out)) SDL_UnlockSurface(out);
    } else {
      if (SDL_MUSTLOCK(out)) SDL_UnlockSurface(out);
      // The frame as a surface of the window's layout, stretched into place.
      SDL_Surface* src = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels), width, height, 32,
                                                            pitchPixels * 4,
                                                            sameLayout ? format : Uint32(SDL_PIXELFORMAT_ARGB8888));
      SDL_Rect to{fit.left, fit.top, fit.Width(), fit.Height()};
      ok = src && (sameLayout ? SDL_SoftStretchLinear(src, nullptr, out, &to) == 0
                              : SDL_BlitScaled(src, nullptr, out, &to) == 0);
      if (src) SDL_FreeSurface(src);
    }
    if (!ok) {
      TraceOut("Display: the frame could not be put in the window surface: %s", SDL_GetError());
      return false;
    }
    return SDL_UpdateWindowSurface(window_) == 0;
  }

  // What the window shows now, as ARGB. Under X it is read from the X
  // server, so a window that did not get the size asked for shows as it is;
  // elsewhere it is the window surface.
  bool ReadWindow(std::vector<uint32_t>* px, int* w, int* h) {
#if LANTERN_READ_X11
    SDL_SysWMinfo wm;
    SDL_VERSION(&wm.version);
    if (SDL_GetWindowWMInfo(window_, &wm) && wm.subsystem == SDL_SYSWM_X11) {
      Display* display = wm.info.x11.display;
      XWindowAttributes attributes;
      if (!XGetWindowAttributes(display, wm.info.x11.window, &attributes)) return false;
      // A window that is not viewable cannot be read: an X error, not a crash.
      XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
      XImage* image = attributes.map_state == IsViewable
                          ? XGetImage(display, wm.info.x11.window, 0, 0, unsigned(attributes.width),
                                      unsigned(attributes.height), AllPlanes, ZPixmap)
                          : nullptr;
      XSync(display, False);
      XSetErrorHandler(previous);
      if (!image) {
        TraceOut("Screenshot: the window cannot be read from the X server");
        return false;
      }
      *w = image->width;
      *h = image->height;
      px->resize(static_cast<size_t>(*w) * *h);
      auto shift = [](unsigned long mask) {
        int s = 0;
        while (mask && !(mask & 1)) mask >>= 1, ++s;
        return s;
      };
      const int rs = shift(image->red_mask), gs = shift(image->green_mask), bs = shift(image->blue_mask);
      for (int y = 0; y < *h; ++y)
        for (int x = 0; x < *w; ++x) {
          unsigned long p = XGetPixel(image, x, y);
          (*px)[static_cast<size_t>(y) * *w + x] = 0xFF000000u | (uint32_t((p & image->red_mask) >> rs) & 0xFF) << 16 |
                                                  (uint32_t((p & image->green_mask) >> gs) & 0xFF) << 8 |
                                                  (uint32_t((p & image->blue_mask) >> bs) & 0xFF);
        }
      XDestroyImage(image);
      return true;
    }
#endif
    SDL_Surface* out = SDL_GetWindowSurface(window_);
    if (!out) return false;
    *w = out->w;
    *h = out->h;
    px->resize(static_cast<size_t>(*w) * *h);
    if (SDL_MUSTLOCK(out) && SDL_LockSurface(out) != 0) return false;
    bool ok = SDL_ConvertPixels(*w, *h, out->format->format, out->pixels, out->pitch, SDL_PIXELFORMAT_ARGB8888,
                                px->data(), *w * 4) == 0;
    if (SDL_MUSTLOCK(out)) SDL_UnlockSurface(out);
    for (uint32_t& p : *px) p |= 0xFF000000u;
    return ok;
  }

  // A frame presented from another thread, shown now on the main thread.
  void PresentPending() {
    if (!hasPending_.load(std::memory_order_acquire)) return;
    std::lock_guard<std::mutex> lock(pendingMutex_);
    hasPending_ = false;
    PresentNow(pending_.data(), pendingW_, pendingH_, pendingW_);
  }

  // The window manager's frame around the client area; none when it cannot
  // tell. A full-screen window has no frame: the one it had in a window, when
  // it was known, is the one it gets back.
  void GetFrame(int* top, int* left, int* bottom, int* right) const {
    int f[4] = {0, 0, 0, 0};
    if (window_ && !IsFullScreen() && SDL_GetWindowBordersSize(window_, &f[0], &f[1], &f[2], &f[3]) == 0 &&
        (f[0] | f[1] | f[2] | f[3]) != 0)
      std::copy(f, f + 4, frame_);
    *top = frame_[0];
    *left = frame_[1];
    *bottom = frame_[2];
    *right = frame_[3];
  }

  bool UsableBounds(SDL_Rect* bounds) const {
    int display = window_ ? SDL_GetWindowDisplayIndex(window_) : 0;
    return SDL_GetDisplayUsableBounds(display < 0 ? 0 : display, bounds) == 0 && bounds->w > 0 && bounds->h > 0;
  }

  // Centres a client area of width x height, frame included, in the
  // display's usable bounds (SDL would centre it on the whole display, under
  // a panel), its top-left corner never off the usable area.
  void PlaceInUsableArea(int width, int height) {
    SDL_Rect usable;
    if (!UsableBounds(&usable)) {
      SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
      return;
    }
    int top = 0, left = 0, bottom = 0, right = 0;
    GetFrame(&top, &left, &bottom, &right);
    const int x = usable.x + left + std::max(0, (usable.w - width - left - right) / 2);
    const int y = usable.y + top + std::max(0, (usable.h - height - top - bottom) / 2);
    SDL_SetWindowPosition(window_, x, y);
  }

  // The window manager tells the frame it puts around a window only after
  // the window shows: a window sized and placed before then may reach past
  // the usable area with its frame. Once the frame is known (or changes), such
  // a window is made smaller, its aspect kept, and placed again.
  void RefitWhenFramed() {
    if (!window_ || IsFullScreen()) return;
    int before[4];
    std::copy(frame_, frame_ + 4, before);
    int top = 0, left = 0, bottom = 0, right = 0;
    GetFrame(&top, &left, &bottom, &right);
    if (std::equal(before, before + 4, frame_)) return;
    int usableW = 0, usableH = 0, w = 0, h = 0;
    GetUsableSize(&usableW, &usableH);
    SDL_GetWindowSize(window_, &w, &h);
    if (w <= usableW && h <= usableH) return;
    const THostRect fit = FitFrame(w, h, usableW, usableH);
    if (fit.Width() <= 0 || fit.Height() <= 0) return;
    SDL_SetWindowSize(window_, fit.Width(), fit.Height());
    PlaceInUsableArea(fit.Width(), fit.Height());
    TraceOut("Display: framed, the window is made %dx%d to fit the screen's usable %dx%d", fit.Width(), fit.Height(),
             usableW, usableH);
  }

  // The pointer's place in the window now: the window may have moved under it.
  void ReadMousePosition() {
    int x = 0, y = 0, left = 0, top = 0;
    SDL_GetGlobalMouseState(&x, &y);
    SDL_GetWindowPosition(window_, &left, &top);
    x -= left;
    y -= top;
    ScaleToOutput(&x, &y);
    mouseX_ = x;
    mouseY_ = y;
  }

  // Window coordinates (points) -> drawable pixels, for high-density displays.
  void ScaleToOutput(int* x, int* y) const {
    if (!window_) return;
    int ww = 0, wh = 0, ow = 0, oh = 0;
    SDL_GetWindowSize(window_, &ww, &wh);
    GetOutputSize(&ow, &oh);
    PointsToPixels(x, y, ww, wh, ow, oh);
  }

  bool Translate(const SDL_Event& e, THostEvent* out) {
    *out = THostEvent();
    switch (e.type) {
      case SDL_QUIT:
        // With a window, its close box has already come as SDL_WINDOWEVENT_CLOSE.
        if (window_) return false;
        out->type = THostEventType::kCloseRequest;
        return true;
      case SDL_WINDOWEVENT:
        RefitWhenFramed();
        switch (e.window.event) {
          case SDL_WINDOWEVENT_CLOSE: out->type = THostEventType::kCloseRequest; return true;
          case SDL_WINDOWEVENT_FOCUS_GAINED: out->type = THostEventType::kFocusGained; return true;
          case SDL_WINDOWEVENT_FOCUS_LOST: out->type = THostEventType::kFocusLost; return true;
          case SDL_WINDOWEVENT_MINIMIZED: out->type = THostEventType::kMinimized; return true;
          case SDL_WINDOWEVENT_RESTORED: out->type = THostEventType::kRestored; return true;
          case SDL_WINDOWEVENT_EXPOSED:
          case SDL_WINDOWEVENT_SIZE_CHANGED: out->type = THostEventType::kExposed; return true;
          case SDL_WINDOWEVENT_ENTER: out->type = THostEventType::kMouseEnter; return true;
          case SDL_WINDOWEVENT_LEAVE: out->type = THostEventType::kMouseLeave; return true;
          case SDL_WINDOWEVENT_MOVED:
            ReadMousePosition();
            out->type = THostEventType::kMoved;
            out->x = e.window.data1;
            out->y = e.window.data2;
            return true;
          default: return false;
        }
      case SDL_MOUSEMOTION:
        out->type = THostEventType::kMouseMove;
        out->x = e.motion.x;
        out->y = e.motion.y;
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        static const int kButtons[] = {0, kHostButtonLeft, kHostButtonMiddle, kHostButtonRight, kHostButtonX1,
                                       kHostButtonX2};
        if (e.button.button >= sizeof(kButtons) / sizeof(kButtons[0])) return false;
        out->type = e.type == SDL_MOUSEBUTTONDOWN ? THostEventType::kButtonDown : THostEventType::kButtonUp;
        out->button = kButtons[e.button.button];
        out->x = e.button.x;
        out->y = e.button.y;
        break;
      }
      case SDL_MOUSEWHEEL: {
        int dy = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
        if (dy == 0) return false;
        out->type = THostEventType::kWheel;
        out->wheel = dy;
        out->x = mouseX_;
        out->y = mouseY_;
        out->mods = ModsFromSdl(static_cast<Uint16>(SDL_GetModState()));
        return true;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        bool extended = false;
        out->key = KeyFromSdl(e.key.keysym, &extended);
        if (!out->key) return false;
        out->type = e.type == SDL_KEYDOWN ? THostEventType::kKeyDown : THostEventType::kKeyUp;
        out->repeat = e.key.repeat != 0;
        out->mods = ModsFromSdl(e.key.keysym.mod) | (extended ? HostMod::kExtended : 0);
        return true;
      }
      case SDL_TEXTINPUT:
        out->type = THostEventType::kText;
        out->text = e.text.text;
        return !out->text.empty();
      default: return false;
    }
    // Mouse events: modifiers and drawable pixels.
    out->mods = ModsFromSdl(static_cast<Uint16>(SDL_GetModState()));
    ScaleToOutput(&out->x, &out->y);
    mouseX_ = out->x;
    mouseY_ = out->y;
    return true;
  }

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  SDL_Cursor* cursor_ = nullptr;
  int textureW_ = 0, textureH_ = 0;
  mutable int frame_[4] = {0, 0, 0, 0};  // the last window frame known: top, left, bottom, right
  std::atomic<int> mouseX_{0}, mouseY_{0};  // read by the display's helper thread
  TString title_;
  std::atomic<uint64_t> presents_{0};
  const std::thread::id mainThread_ = std::this_thread::get_id();
  std::mutex pendingMutex_;
  std::atomic<bool> hasPending_{false};
  std::vector<uint32_t> pending_;
  int pendingW_ = 0, pendingH_ = 0;
  bool keepLastFrame_ = false, surfaceRefused_ = false, moveAfterModeChange_ = false;
  std::vector<uint32_t> lastFrame_;
  int lastW_ = 0, lastH_ = 0;
};

}  // namespace

namespace {
// Whether SDL_VIDEODRIVER names the driver (the variable may list several).
bool DriverAskedFor(const char* driver) {
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  std::string list = asked ? asked : "";
  size_t at = 0;
  while (at <= list.size()) {
    size_t end = list.find(',', at);
    if (end == std::string::npos) end = list.size();
    if (SDL_strcasecmp(list.substr(at, end - at).c_str(), driver) == 0) return true;
    at = end + 1;
  }
  return false;
}
}  // namespace

std::unique_ptr<THost> CreateSdlHost(std::string* why) {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  // The window surface is used only where no graphics card draws: it goes
  // straight to the window system, not through a renderer again.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    TraceOut("No video system: %s", SDL_GetError());
    if (why)
      *why = std::string("there is no display to show it on (") + SDL_GetError() +
             "); run it on a desktop, or give options=headless=1 to run without a window";
    return nullptr;
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  TraceOut("Video driver: %s", driver ? driver : "(none)");
  // Without a display SDL falls back to drivers that show nothing: a game
  // there would run unseen and never end. Only a run that asks for one gets it.
  if (driver && (SDL_strcasecmp(driver, "offscreen") == 0 || SDL_strcasecmp(driver, "dummy") == 0) &&
      !DriverAskedFor(driver)) {
    TraceOut("Video driver %s shows nothing: no window is opened", driver);
    if (why) {
      std::string displays;
      for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"})
        if (const char* value = std::getenv(name); value && *value)
          displays += std::string(displays.empty() ? "" : " or ") + name + "=" + value;
      *why = "there is no display to show it on (" +
             (displays.empty() ? std::string("neither DISPLAY nor WAYLAND_DISPLAY is set")
                               : displays + " cannot be opened") +
             ", and SDL fell back to its \"" + driver +
             "\" video driver, which shows nothing); run it on a desktop, or give options=headless=1 to run "
             "without a window";
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    return nullptr;
  }
  return std::make_unique<TSdlHost>();
}
