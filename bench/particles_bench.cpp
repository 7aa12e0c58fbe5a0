// Particles against sprites on the software display at 1024 x 768: 10,000
// living particles of one type (a 16 x 16 picture, alpha blending) drawn
// through the particle wrapper and the real particle library, against the
// same picture drawn as 10,000 sprites at the same places. Prints
// "ratio particles/sprites: X" (target at most 1.5), and the cost of one
// update of those 10,000 particles against one sprite frame
// ("ratio update/sprites: Y").
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "game/shell/particlelib.h"
#include "game/shell/particlewrap.h"
#include "platform/registry/asset.h"
#include "recorder.h"
#include "render/displayhandler.h"
#include "render/renderer.h"
#include "render/sdev/sdev.h"
#include "render/texture.h"

namespace {

constexpr int kW = 1024, kH = 768, kCount = 10000;

const char kEffect[] =
    "lantern-particles 1\n"
    "emitter field\nposition 512 384\nloop yes\nduration 0\n"
    "type motes\nframes 16 16 ember.png\nblend alpha\nburst 10000\nmax 10000\nlife 60000\n"
    "area rect 1000 740\nsize 16\ncolour 0 FFFFFFFF\nend\nend\n";

struct Scene {
  TAssetManager assets;
  sdev::FixedWindow window{kW, kH};
  MP_Manager* manager = nullptr;
  MP_Emitter* emitter = nullptr;
  TTextureRef sprite;
  std::vector<float> xs, ys;
  bool ok = false;

  Scene() {
    if (chdir(LANTERN_BENCH_SOURCE) != 0) return;
    SetAssetManager(&assets);
    CreateDisplayHandler()->Open(&window, kW, kH, false);
    if (!LoadMagicLibrary(LANTERN_BENCH_PARTICLES)) return;
    std::string path = std::string(LANTERN_BENCH_ROOT) + "/bench_particles.ptc";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
      std::fputs(kEffect, f);
      std::fclose(f);
    }
    manager = new MP_Manager;
    manager->LoadFile(path.c_str());
    manager->CreateAtlases("particles/textures/", 1024, 1024, 1, 0.1f);
    manager->CloseFiles();
    emitter = manager->FindEmitter("field");
    if (!emitter) return;
    emitter->Update(1);
    // The sprites go where the particles are.
    const TMagicTable& m = Magic();
    int sub = m.GetEmitter(emitter->GetHandle(), 0);
    m.LockParticlesType(sub, 0);
    while (const MagicParticle* p = m.GetNextParticle()) {
      xs.push_back(p->x);
      ys.push_back(p->y);
    }
    m.UnlockParticlesType();
    sprite = TTexture::Get("particles/textures/ember.png", TTexture::kFlagAlpha);
    ok = sprite && xs.size() == size_t(kCount);
    if (!ok) std::fprintf(stderr, "particles bench: setup failed (%zu particles)\n", xs.size());
  }
  ~Scene() {
    delete manager;
    sprite.reset();
    UnloadMagicLibrary();
    TRenderer::Destroy();
    DestroyDisplayHandler();
    SetAssetManager(nullptr);
  }
  template <typename F>
  void Frame(F draw) {
    TRenderer* r = TRenderer::GetInstance();
    r->BeginDraw();
    r->Begin2d();
    r->SetBlendMode(kBlendModeAlpha);
    draw();
    r->End2d();
    GetDisplayHandler()->EndDraw(false);
  }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void BM_Particles(benchmark::State& state) {
  Scene& s = TheScene();
  if (!s.ok) return state.SkipWithError("setup failed");
  int drawn = 0;
  for (auto _ : state) s.Frame([&] { drawn = s.emitter->Render(); });
  state.counters["drawn"] = drawn;
}

void BM_Sprites(benchmark::State& state) {
  Scene& s = TheScene();
  if (!s.ok) return state.SkipWithError("setup failed");
  for (auto _ : state)
    s.Frame([&] {
      for (size_t i = 0; i < s.xs.size(); ++i) s.sprite->DrawAt(s.xs[i], s.ys[i], 1, 1, 0);
    });
}

void BM_Update(benchmark::State& state) {
  Scene& s = TheScene();
  if (!s.ok) return state.SkipWithError("setup failed");
  for (auto _ : state) s.emitter->Update(0.5);  // short steps: the particles outlive the run
}

BENCHMARK(BM_Particles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sprites)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Update)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TBenchRecorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  recorder.PrintRatio("particles/sprites", "BM_Particles", "BM_Sprites");
  recorder.PrintRatio("update/sprites", "BM_Update", "BM_Sprites");
  return 0;
}
