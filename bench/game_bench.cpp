// The game on the software display at 1024 x 768.
//
// Scene frame: the play screen on the demo location loc11 (its picture, the
// thirteen objects, the panel with its buttons and the list of names, the
// coins), with a found object's and a hinted object's picture effects
// running and 500 living particles of the scene, against a frame that only
// draws the location's picture. Prints "ratio scene/background: X" (aim: at
// most 3), and "ratio particles/background: Y" for the 500 particles alone.
//
// A real window (game_window.cpp): "ratio window/headless: V", the CPU of a
// main-menu frame in an SDL window on Xvfb against the same frame headless.
//
// Start-up (game_startup.cpp): "ratio startup/frame: Z", the program's
// start-up to its first main-menu frame in main-menu frames (aim: under 60).
// The playthrough (game_startup.cpp): "ratio playthrough/frames: W", the
// CPU time of the whole headless walkthrough of the demo per presented
// frame, in background frames.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>
#include <string>

#include "game/scene/maingame.h"
#include "game/shell/gameprogress.h"
#include "game/shell/gamesettings.h"
#include "game/shell/particlelib.h"
#include "game/shell/particles.h"
#include "game/shell/particlewrap.h"
#include "platform/folders.h"
#include "platform/log.h"
#include "platform/registry/asset.h"
#include "plugins/particles/magic_api.h"
#include "bench/benchutil.h"
#include "bench/compare.h"
#include "bench/game_startup.h"
#include "bench/game_window.h"
#include "render/displayhandler.h"
#include "render/renderer.h"
#include "render/sdev/sdev.h"
#include "render/drawparams.h"
#include "render/texture.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

namespace {

constexpr int kW = 1024, kH = 768, kParticles = 500;

// 500 slow embers that live a minute, longer than the run.
const char kEffect[] =
    "lantern-particles 1\n"
    "emitter bench_embers\nposition 512 320\nloop yes\nduration 0\n"
    "type embers\nframes 16 16 ember.png\nblend add\nburst 500\nmax 500\nlife 60000\n"
    "area rect 900 560\nsize 14\ncolour 0 FFFFC070\nend\nend\n";

struct SceneBench {
  TAssetManager assets;
  sdev::FixedWindow window{kW, kH};
  TWindowManager* wm = nullptr;
  TWindowScript* script = nullptr;
  TMainGame* scene = nullptr;
  TTextureRef background;
  int living = 0;
  bool ok = false;

  SceneBench() {
    if (chdir(LANTERN_BENCH_SOURCE) != 0) return;
    SetAssetManager(&assets);
    RefreshFileLayer();
    CreateDisplayHandler()->Open(&window, kW, kH, false);
    LoadMainXml();
    GetGameProgress().Reset();
    if (!LoadMagicLibrary(LANTERN_BENCH_PARTICLES)) return;
    InitParticles();
    std::string path = std::string(LANTERN_BENCH_ROOT) + "/bench_scene.ptc";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
      std::fputs(kEffect, f);
      std::fclose(f);
    }
    GetParticleManager()->LoadFile(path.c_str());
    SetupParticleTextures();

    wm = new TWindowManager();
    wm->SetRootWindow(new TScreen());
    script = new TWindowScript();
    wm->SetScript(script);
    RegisterSceneWindowTypes(wm);
    script->DoLuaString("MainGame{ name = 'MainGame', x = 0, y = 0, w = kMax, h = kMax }()", "bench");
    scene = WindowCast<TMainGame>(wm->GetRootWindow()->FindChild("MainGame"));
    if (!scene || !scene->IsLoaded()) return;
    scene->Update();  // the first step: playing
    // Two objects found and one hinted, their effects half way.
    const auto& objects = scene->GetObjects();
    scene->ClickAt(TPoint(int(objects[0]->Center().x), int(objects[0]->Center().y)));
    scene->ClickAt(TPoint(int(objects[5]->Center().x), int(objects[5]->Center().y)));
    scene->UseHint();
    scene->Step(0.15f);
    AddParticleEmitter("bench_embers", 512, 320, kSceneParticleOwner, true, 0, 1);
    if (MP_Emitter* e = GetParticleManager()->FindEmitter("bench_embers")) {
      e->Update(1);
      const TMagicTable& m = Magic();
      int sub = m.GetEmitter(e->GetHandle(), 0);
      m.LockParticlesType(sub, 0);
      while (m.GetNextParticle()) ++living;
      m.UnlockParticlesType();
    }
    background = TTexture::Get("locations/loc11/bg");
    ok = background && living == kParticles;
    if (!ok) std::fprintf(stderr, "game bench: setup failed (%d particles)\n", living);
  }
  ~SceneBench() {
    background.reset();
    delete wm;
    delete script;
    ShutdownParticles();
    UnloadMagicLibrary();
    TRenderer::Destroy();
    DestroyDisplayHandler();
    SetAssetManager(nullptr);
  }
};

// Pixels of `r` that differ between the two frames.
int Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, const TRect& r) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) n += a[size_t(y) * kW + size_t(x)] != b[size_t(y) * kW + size_t(x)];
  return n;
}

}  // namespace

int main() {
  TLogCapture quiet;  // the demo data's missing sounds and the like
  SceneBench s;
  bench::Require(s.ok, "the scene could not be set up (%d particles)", s.living);
  auto scene = [&] { bench::DrawFrame([&] { s.scene->Draw(); }); };
  auto background = [&] {
    bench::DrawFrame([&] { s.background->DrawAt(0, 0, 1.0f, 1.0f, 0.0f, TDrawParams::kAnchorAtCenter); });
  };
  auto particles = [&] { bench::DrawFrame([&] { DrawParticleEmitter(kSceneParticleOwner, 1.0f, TRect(0, 0, kW, kH), 1); }); };
  scene();
  std::vector<uint32_t> a = bench::BackBufferPixels(kW, kH);
  background();
  std::vector<uint32_t> b = bench::BackBufferPixels(kW, kH);
  bench::Require(!a.empty() && !b.empty(), "the frames could not be read");
  // Both drew the location: a corner that nothing covers is the same; the
  // scene has its panel and its objects on top.
  int corner = Differing(a, b, TRect(0, 0, 60, 36)), panel = Differing(a, b, TRect(0, 640, kW, kH));
  std::printf("same location: %d of 2160 corner pixels differ; the panel changes %d pixels; %d particles live\n",
              corner, panel, s.living);
  bench::Require(corner == 0, "the scene's picture is not the background's (%d pixels differ)", corner);
  bench::Require(panel > kW * 64, "the scene drew no panel");
  bench::TComparison frame = bench::Alternate([&] { return bench::TimePerCall(scene, 0.2); },
                                              [&] { return bench::TimePerCall(background, 0.2); });
  bench::PrintMedians("frame", frame, "scene", "background");
  bench::PrintRatio("scene/background", frame.Ratio());
  bench::TComparison alone = bench::Alternate([&] { return bench::TimePerCall(particles, 0.2); },
                                              [&] { return bench::TimePerCall(background, 0.2); });
  bench::PrintMedians("the scene's 500 particles alone", alone, "particles", "background");
  bench::PrintRatio("particles/background", alone.Ratio());
  if (int failed = PrintStartupRatio()) return failed;
  if (int failed = PrintWindowRatio()) return failed;
  return PrintPlaythroughRatio(frame.MedianB());
}
