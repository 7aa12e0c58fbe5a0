// The SDL2 host: one window with a renderer and a streaming texture that
// receives each presented frame.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>
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
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer_) TraceOut("No renderer for the main window: %s", SDL_GetError());
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
      SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    return true;
  }

  bool IsFullScreen() const override {
    return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
  }

  void GetOutputSize(int* width, int* height) const override {
    *width = *height = 0;
    if (renderer_ && SDL_GetRendererOutputSize(renderer_, width, height) == 0) return;
    if (window_) SDL_GetWindowSize(window_, width, height);
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

  bool GetMousePosition(int* x, int* y) const override {
    SDL_GetMouseState(x, y);
    ScaleToOutput(x, y);
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
    if (!renderer_ || !pixels || width <= 0 || height <= 0 || pitchPixels < width) return;
    if (std::this_thread::get_id() != mainThread_) {
      // The renderer belongs to the main thread: keep the frame for its next poll or wait.
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
    if (!texture_ || textureW_ != width || textureH_ != height) {
      if (texture_) SDL_DestroyTexture(texture_);
      texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
      if (!texture_) {
        TraceOut("Presentation texture refused: %s", SDL_GetError());
        return;
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
    ++presents_;
  }

  uint64_t GetPresentCount() const override { return presents_; }
  void SetKeepLastFrame(bool keep) override { keepLastFrame_ = keep; }
  bool SaveScreenshot(const TString& path) override {
    return WritePngFile(path.str(), lastW_ ? lastFrame_.data() : nullptr, lastW_, lastH_, lastW_);
  }

private:
  // A frame presented from another thread, shown now on the main thread.
  void PresentPending() {
    if (!hasPending_.load(std::memory_order_acquire)) return;
    std::lock_guard<std::mutex> lock(pendingMutex_);
    hasPending_ = false;
    PresentNow(pending_.data(), pendingW_, pendingH_, pendingW_);
  }

  // Window coordinates (points) -> drawable pixels, for high-density displays.
  void ScaleToOutput(int* x, int* y) const {
    if (!window_) return;
    int ww = 0, wh = 0, ow = 0, oh = 0;
    SDL_GetWindowSize(window_, &ww, &wh);
    GetOutputSize(&ow, &oh);
    if (ww > 0 && wh > 0 && (ww != ow || wh != oh)) {
      *x = static_cast<int>(static_cast<int64_t>(*x) * ow / ww);
      *y = static_cast<int>(static_cast<int64_t>(*y) * oh / wh);
    }
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
        SDL_GetMouseState(&out->x, &out->y);
        break;
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
    return true;
  }

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  SDL_Cursor* cursor_ = nullptr;
  int textureW_ = 0, textureH_ = 0;
  TString title_;
  std::atomic<uint64_t> presents_{0};
  const std::thread::id mainThread_ = std::this_thread::get_id();
  std::mutex pendingMutex_;
  std::atomic<bool> hasPending_{false};
  std::vector<uint32_t> pending_;
  int pendingW_ = 0, pendingH_ = 0;
  bool keepLastFrame_ = false;
  std::vector<uint32_t> lastFrame_;
  int lastW_ = 0, lastH_ = 0;
};

}  // namespace

std::unique_ptr<THost> CreateSdlHost() {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    TraceOut("No video system: %s", SDL_GetError());
    return nullptr;
  }
  return std::make_unique<TSdlHost>();
}
