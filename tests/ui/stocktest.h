// Harness of the stock window tests: a display on the software device (so
// textures load and frames can be read back), the window script of the
// toolkit harness with the real stock window types, PNG files written into the
// asset folder, and recorders of the messages that reach listeners and Lua.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/registry/asset.h"
#include "render/device/displayhandler.h"
#include "tests/render/display_fixture.h"
#include "ui/drawenvironment.h"
#include "uitest.h"

namespace stocktest {

// The display, made before the window tree and gone after it.
class TStockDisplay {
public:
  TStockDisplay();
  ~TStockDisplay();
  testing_support::TempDir userDir;
  TAssetManager assets;
  TestWindow window;
  TDisplayHandler* handler = nullptr;
};

// Records every message without a target that the manager delivers.
class TListener : public TMessageListener {
public:
  bool OnMessage(TMessage* m) override;
  std::vector<std::string> seen;  // "type:text"
};

class TStockFixture : public TStockDisplay, public uitest::TLuaFixture {
public:
  TStockFixture();
  ~TStockFixture();

  // A PNG of w x h under assets/, pixels from fn(x, y) -> ARGB.
  void Png(const std::string& name, int w, int h, const std::function<uint32_t(int, int)>& fn);
  // A window of the screen by name, as the class asked for (null otherwise).
  template <class T>
  T* Find(const char* name) { return WindowCast<T>(screen->FindChild(name)); }
  // Starts a Lua loop that appends every message it gets to gLog ("type:name").
  void RecordLua();
  std::vector<std::string> LuaLog();
  // Press, move and release of the left button (screen coordinates).
  void Down(int x, int y) { Send(kEventLeftDown, x, y); }
  void Up(int x, int y) { Send(kEventLeftUp, x, y); }
  void Move(int x, int y) { Send(kEventMouseMove, x, y); }
  // Draws a frame through the renderer and returns it.
  const sdev::test::Frame& DrawFrame();

  TListener listener;
  TRendererWindowEnvironment drawEnv;
};

}  // namespace stocktest
