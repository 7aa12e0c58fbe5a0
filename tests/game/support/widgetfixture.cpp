#include "tests/game/support/widgetfixture.h"

#include <tinyxml.h>

#include <filesystem>

#include "audio/datasource.h"
#include "audio/mixer/softsound.h"
#include "audio/soundmanager.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/widgets/gameutils.h"
#include "game/shell/widgets/shadow.h"
#include "game/shell/widgets/shellwidgets.h"
#include "platform/folders.h"
#include "platform/settings.h"
#include "render/renderer.h"
#include "script/luaapi.h"
#include "tests/audio/oggmaker.h"
#include "tests/render/image_writers.h"
#include "tests/support/luaglobal.h"
#include "ui/stockwindows.h"

namespace widgettest {

TWidgetTest::TWidgetTest() {
  sdev::test::Fault::Install(sdev::test::DefaultConfig());
  SetSetting("userfolder", TString(dir.File("user")));
  SetAssetManager(&assets);
  RegisterOggDataSourceBuilder();
  RefreshFileLayer();
  window.width = 1024;
  window.height = 768;
  handler = CreateDisplayHandler();
  handler->Open(&window, 1024, 768, false);
  ResetShadowState();
}

TWidgetTest::~TWidgetTest() {
  sound.reset();
  SetSoftSoundOutput(TSoftOutputKind::kAuto);
  GetMainXml().Clear();
  LoadLevelModel();
  LoadToolList();
  ResetShadowState();
  TRenderer::Destroy();
  DestroyDisplayHandler();
  sdev::test::Fault::Install(sdev::test::DefaultConfig());
  SetAssetManager(nullptr);
  ClearSettings();
  RefreshFileLayer();
}

void TWidgetTest::Write(const std::string& name, const std::string& text) {
  dir.Write("assets/" + name, text);
  RefreshFileLayer();
}

void TWidgetTest::Png(const std::string& name, int w, int h, const std::function<uint32_t(int, int)>& fn) {
  std::vector<uint32_t> argb(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) argb[size_t(y) * size_t(w) + size_t(x)] = fn(x, y);
  dir.Write("assets/" + name, image_writers::EncodePng(argb, w, h));
  RefreshFileLayer();
}

void TWidgetTest::Ogg(const std::string& name, uint32_t frames) {
  std::filesystem::create_directories(std::filesystem::path(dir.File("assets/" + name)).parent_path());
  ogg_test::MakeOgg(dir.File("assets/" + name), frames, 44100, 2);
  RefreshFileLayer();
}

void TWidgetTest::MainXml(const std::string& text) {
  Write("main.xml", text);
  LoadMainXml();
}

void TWidgetTest::StartSound() {
  SetSoftSoundOutput(TSoftOutputKind::kManual);
  sound = std::make_unique<TSoundManager>(false);
  sound->Init();
}

void TWidgetTest::ReopenDisplay(const sdev::test::Config& config) {
  TRenderer::Destroy();
  DestroyDisplayHandler();
  sdev::test::Fault::Install(config);
  handler = CreateDisplayHandler();
  handler->Open(&window, 1024, 768, false);
}

const sdev::test::Frame& TWidgetTest::Frame(const std::function<void()>& draw, uint32_t clear) {
  TRenderer* r = TRenderer::GetInstance();
  EXPECT_TRUE(r->BeginDraw());
  handler->FillRect(0, 0, handler->GetWidth(), handler->GetHeight(), clear, nullptr);
  bool in = r->Begin2d();
  r->SetBlendMode(kBlendModeAlpha);
  draw();
  if (in) r->End2d();
  r->DrawDebugOverlay(true);
  return sdev::test::LastFrame();
}

bool TRecorder::OnMessage(TMessage* m) {
  seen.push_back(std::to_string(m->type) + ":" + m->text.str());
  return false;
}

TWidgetWindowTest::TWidgetWindowTest() {
  wm = new TWindowManager(&env);
  screen = new TScreen();
  wm->SetRootWindow(screen);
  script = new TWindowScript();
  wm->SetScript(script);
  RegisterStockWindows(wm);
  RegisterShellWidgetTypes(wm);
  wm->AddListener(&recorder);
}

TWidgetWindowTest::~TWidgetWindowTest() {
  wm->RemoveListener(&recorder);
  // Windows hold textures and sounds: they go while the display and the sound manager exist.
  delete wm;
  delete script;
}

std::string TWidgetWindowTest::Global(const char* name) {
  return testing_support::LuaGlobalText(script->GetState(), name);
}

double TWidgetWindowTest::Number(const char* name) {
  return testing_support::LuaGlobalNumber(script->GetState(), name);
}

void TWidgetWindowTest::Send(uint32_t type, int x, int y, uint32_t a, uint32_t b) {
  TPlatformEvent e;
  e.type = type;
  e.x = x;
  e.y = y;
  e.a = a;
  e.b = b;
  wm->HandleEvent(e);
}

void TWidgetWindowTest::Tick(uint32_t ms) {
  time.Advance(ms);
  env.RunPlatformTasks(0);
  Send(kEventTick);
}

const sdev::test::Frame& TWidgetWindowTest::DrawFrame() {
  wm->SetEnvironment(&drawEnv);
  wm->Invalidate();
  time.Advance(20);
  Send(kEventTick);
  wm->SetEnvironment(&env);
  return sdev::test::LastFrame();
}

}  // namespace widgettest
