#include "stocktest.h"

#include "platform/settings.h"
#include "render/renderer.h"
#include "tests/render/image_writers.h"
#include "tests/support/luaglobal.h"
#include "ui/stockwindows.h"

namespace stocktest {

TStockDisplay::TStockDisplay() {
  sdev::test::Fault::Install(sdev::test::DefaultConfig());
  SetSetting("userfolder", TString(userDir.Path()));
  SetAssetManager(&assets);
  window.width = 1024;
  window.height = 768;
  handler = CreateDisplayHandler();
  handler->Open(&window, 1024, 768, false);
}

TStockDisplay::~TStockDisplay() {
  TRenderer::Destroy();
  DestroyDisplayHandler();
  SetAssetManager(nullptr);
  ClearSettings();
}

bool TListener::OnMessage(TMessage* m) {
  seen.push_back(std::to_string(m->type) + ":" + m->text.str());
  return false;
}

TStockFixture::TStockFixture() {
  RegisterStockWindows(wm);
  wm->AddListener(&listener);
}

TStockFixture::~TStockFixture() {
  wm->RemoveListener(&listener);
  // The windows hold textures: they go while the display still exists.
  delete wm;
  wm = nullptr;
}

void TStockFixture::Png(const std::string& name, int w, int h, const std::function<uint32_t(int, int)>& fn) {
  std::vector<uint32_t> argb(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) argb[size_t(y) * w + x] = fn(x, y);
  dir.Write("assets/" + name, image_writers::EncodePng(argb, w, h));
}

void TStockFixture::RecordLua() {
  Lua("gLog = {} while true do local m = WaitForMessage() if m then table.insert(gLog, m.type .. ':' .. m.name) end end");
}

std::vector<std::string> TStockFixture::LuaLog() {
  return testing_support::LuaGlobalList(script->GetState(), "gLog");
}

const sdev::test::Frame& TStockFixture::DrawFrame() {
  wm->SetEnvironment(&drawEnv);
  wm->Invalidate();
  Tick(50);
  wm->SetEnvironment(&env);
  return sdev::test::LastFrame();
}

}  // namespace stocktest
