// Harness of the shared-widget tests: a temporary asset folder as the working
// folder, a display on the software device (1024 x 768) read back frame by
// frame, the manual clock, pictures and Ogg files written at test time, and
// main.xml loaded from text. TWidgetWindowTest adds a window manager with its
// Lua script, the root screen, the stock and the shell widget types.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry/asset.h"
#include "platform/time.h"
#include "render/device/displayhandler.h"
#include "render/sdev/fault.h"
#include "render/textures/texture.h"
#include "tests/render/display_fixture.h"
#include "tests/support/testsupport.h"
#include "ui/drawenvironment.h"
#include "ui/message.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

class TSoundManager;

namespace widgettest {

// ARGB of one frame pixel, and channel distance.
inline int Channel(uint32_t c, int shift) { return int((c >> shift) & 0xFF); }
inline bool Close(uint32_t a, uint32_t b, int tolerance = 2) { return Near(a, b, tolerance); }

class TWidgetTest : public ::testing::Test {
protected:
  TWidgetTest();
  ~TWidgetTest() override;

  // A file under the asset folder ("assets/" + name).
  void Write(const std::string& name, const std::string& text);
  // A PNG under the asset folder, pixels from fn(x, y) -> ARGB (the file's
  // extension may say otherwise: pictures are recognised by their bytes).
  void Png(const std::string& name, int w, int h, const std::function<uint32_t(int, int)>& fn);
  void Solid(const std::string& name, int w, int h, uint32_t argb) {
    Png(name, w, h, [argb](int, int) { return argb; });
  }
  // A short Ogg file under the asset folder.
  void Ogg(const std::string& name, uint32_t frames = 4410);
  // Writes main.xml and loads it as the game settings document.
  void MainXml(const std::string& text);
  // A sound manager on the manual output (no thread).
  void StartSound();
  // Opens the display again on a device of that configuration.
  void ReopenDisplay(const sdev::test::Config& config);
  // One frame: cleared to `clear`, `draw` inside 2-D drawing, presented.
  const sdev::test::Frame& Frame(const std::function<void()>& draw, uint32_t clear = 0xFF000000u);

  testing_support::TempDir dir;
  testing_support::ScopedChdir cd{dir.Path()};
  TManualTimeScope time{1000};
  TAssetManager assets;
  TestWindow window;
  TDisplayHandler* handler = nullptr;
  std::unique_ptr<TSoundManager> sound;
};

// Records every message without a target that the manager delivers.
class TRecorder : public TMessageListener {
public:
  bool OnMessage(TMessage* m) override;
  std::vector<std::string> seen;  // "type:text"
};

class TWidgetWindowTest : public TWidgetTest {
protected:
  TWidgetWindowTest();
  ~TWidgetWindowTest() override;

  // Runs Lua text in a coroutine of its own, as a window's script text runs.
  void Lua(const std::string& text) { script->DoLuaString(text, "a test"); }
  std::string Global(const char* name);
  double Number(const char* name);
  void Send(uint32_t type, int x = 0, int y = 0, uint32_t a = 0, uint32_t b = 0);
  void Move(int x, int y) { Send(kEventMouseMove, x, y); }
  void Down(int x, int y) { Send(kEventLeftDown, x, y); }
  void Up(int x, int y) { Send(kEventLeftUp, x, y); }
  void Click(int x, int y) { Move(x, y); Down(x, y); Up(x, y); }
  // Advances the clock and delivers a tick (the top modal window's tasks, posted messages).
  void Tick(uint32_t ms);
  // Draws a frame of the window tree and returns it.
  const sdev::test::Frame& DrawFrame();

  TWindowEnvironment env;
  TRendererWindowEnvironment drawEnv;
  TWindowManager* wm = nullptr;
  TScreen* screen = nullptr;
  TWindowScript* script = nullptr;
  TRecorder recorder;
};

}  // namespace widgettest
