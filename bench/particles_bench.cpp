// Particles against sprites on the software display at 1024 x 768: 10,000
// living particles of one type (a 16 x 16 picture, alpha blending) drawn
// through the particle wrapper and the real particle library, against the
// same picture drawn as 10,000 sprites at the same places. Prints
// "ratio particles/sprites: X" (target at most 1.5), the median of seven
// runs with the two sides alternating. Same work: both frames are compared pixel by
// pixel (a pixel matches when the other frame has one within one pixel of it
// and 64 levels of each channel: the particle quads are filtered from the
// atlas and land about half a pixel off the sprites, which softens every
// edge); at most 2 % of the pixels may lack a match (they agree to under
// 0.01 %), and the particle side must have drawn all 10,000. The program
// fails otherwise.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "game/shell/particles/particlelib.h"
#include "game/shell/particles/particlewrap.h"
#include "platform/registry/asset.h"
#include "bench/benchutil.h"
#include "bench/compare.h"
#include "render/device/displayhandler.h"
#include "render/renderer.h"
#include "render/sdev/sdev.h"
#include "render/textures/texture.h"

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
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

}  // namespace

int main() {
  Scene& s = TheScene();
  bench::Require(s.ok, "the particle scene could not be set up");
  int drawn = 0;
  auto particles = [&] { bench::DrawFrame([&] { drawn = s.emitter->Render(); }); };
  auto sprites = [&] {
    bench::DrawFrame([&] {
      for (size_t i = 0; i < s.xs.size(); ++i) s.sprite->DrawAt(s.xs[i], s.ys[i], 1, 1, 0);
    });
  };
  particles();
  std::vector<uint32_t> a = bench::BackBufferPixels(kW, kH);
  sprites();
  std::vector<uint32_t> b = bench::BackBufferPixels(kW, kH);
  bench::Require(!a.empty() && !b.empty(), "the frames could not be read");
  bench::TPixelDiff d = bench::ComparePixels(a.data(), b.data(), kW, kH, 64);
  std::printf("same work: %d particles drawn; %.2f %% of pixels without a match within one pixel and 64 levels\n",
              drawn, d.unmatched * 100);
  bench::Require(drawn == kCount, "the particle side drew %d of %d", drawn, kCount);
  bench::Require(d.unmatched <= 0.02, "the frames differ: %.2f %% of pixels without a match (allowed 2 %%)",
                 d.unmatched * 100);
  bench::TComparison frame = bench::Alternate([&] { return bench::TimePerCall(particles, 0.2); },
                                              [&] { return bench::TimePerCall(sprites, 0.2); });
  bench::PrintMedians("frame of 10,000", frame, "particles", "sprites");
  bench::PrintRatio("particles/sprites", frame.Ratio());
  return 0;
}
