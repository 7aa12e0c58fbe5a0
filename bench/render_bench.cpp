// The display against SDL2's own software renderer, drawing the same frame
// into a 1024 x 768 ARGB target: a full-screen background, 150 alpha-blended
// 128 x 128 sprites, 30 turned and scaled sprites (filtered), 1000 coloured
// line segments. Prints "ratio lantern/sdl: X" (target at most 0.5) and
// "ratio blit/memcpy: Y" (a full-screen opaque blit against a memcpy of the
// same bytes; target at most 2), and the frame time in milliseconds (target
// under 4 on one core).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/registry/asset.h"
#include "recorder.h"
#include "render/displayhandler.h"
#include "render/renderer.h"
#include "render/sdev/fault.h"
#include "render/sdev/sdev.h"
#include "render/texture.h"

namespace {

constexpr int kW = 1024, kH = 768, kSprites = 150, kTurned = 30, kLines = 1000;

struct Placement {
  float x, y, angle, scale;
};

// The same positions, angles and colours for both sides.
struct Scene {
  std::vector<Placement> sprites, turned;
  std::vector<float> lines;  // x0 y0 x1 y1
  std::vector<uint32_t> colors;
  Scene() {
    uint32_t seed = 12345;
    auto next = [&]() {
      seed = seed * 1103515245u + 12345u;
      return float((seed >> 8) & 0xFFFF) / 65535.0f;
    };
    for (int i = 0; i < kSprites; ++i) sprites.push_back({float(int(next() * (kW - 128))), float(int(next() * (kH - 128))), 0, 1});
    for (int i = 0; i < kTurned; ++i)
      turned.push_back({64 + next() * (kW - 128), 64 + next() * (kH - 128), next() * 6.283f, 0.5f + next()});
    for (int i = 0; i < kLines; ++i) {
      for (int k = 0; k < 4; ++k) lines.push_back(k % 2 ? next() * kH : next() * kW);
      colors.push_back(0xFF000000u | (uint32_t(next() * 0xFFFFFF) & 0xFFFFFF));
    }
  }
};

const Scene& TheScene() {
  static Scene s;
  return s;
}

uint32_t Background(int x, int y) { return 0xFF000000u | uint32_t((x * 7) & 0xFF) << 16 | uint32_t((y * 3) & 0xFF) << 8 | 0x40; }
uint32_t Sprite(int x, int y) {
  int dx = x - 64, dy = y - 64;
  int d = int(std::sqrt(float(dx * dx + dy * dy)) * 4);
  uint32_t a = uint32_t(std::max(0, 255 - d));
  return a << 24 | uint32_t(x * 2) << 16 | uint32_t(y * 2) << 8 | 0x80;
}

// --- Lantern ---

struct LanternSide {
  TAssetManager assets;
  sdev::FixedWindow window{kW, kH};
  TTextureRef background, sprite;
  std::vector<TScreenVertex> lines;
  LanternSide() {
    SetAssetManager(&assets);
    CreateDisplayHandler()->Open(&window, kW, kH, false);
    background = Make(kW, kH, Background);
    sprite = Make(128, 128, Sprite);
    const Scene& s = TheScene();
    for (int i = 0; i < kLines; ++i)
      for (int k = 0; k < 2; ++k)
        lines.push_back(TScreenVertex{s.lines[size_t(i) * 4 + k * 2], s.lines[size_t(i) * 4 + k * 2 + 1], 0, 1,
                                      s.colors[size_t(i)], 0, 0, 0});
  }
  ~LanternSide() {
    background.reset();
    sprite.reset();
    TRenderer::Destroy();
    DestroyDisplayHandler();
    SetAssetManager(nullptr);
  }
  static TTextureRef Make(int w, int h, uint32_t (*fn)(int, int)) {
    TTextureRef t = TTexture::CreateBlank(uint32_t(w), uint32_t(h), false);
    uint32_t* px = nullptr;
    uint32_t pitch = 0;
    t->Lock(&px, &pitch);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) px[size_t(y) * pitch + x] = fn(x, y);
    t->Unlock();
    return t;
  }
  void Frame() {
    TRenderer* r = TRenderer::GetInstance();
    r->BeginDraw();
    r->Begin2d();
    background->DrawAt(0, 0, 1, 1, 0, TDrawParams::kAnchorAtCenter);
    const Scene& s = TheScene();
    for (const auto& p : s.sprites) sprite->DrawAt(p.x, p.y, 1, 1, 0, TDrawParams::kAnchorAtCenter);
    for (const auto& p : s.turned) sprite->DrawAt(p.x, p.y, 1, p.scale, p.angle);
    r->SetTexture(TTextureRef());
    TVertexSet set;
    set.format = 3;
    set.vertices = lines.data();
    set.count = uint32_t(lines.size());
    r->DrawVertices(kPrimLineList, &set);
    r->End2d();
    GetDisplayHandler()->EndDraw(false);
  }
};

void BM_Lantern(benchmark::State& state) {
  LanternSide side;
  for (auto _ : state) side.Frame();
}

// --- SDL2's software renderer ---

struct SdlSide {
  SDL_Surface* target = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture *background = nullptr, *sprite = nullptr;
  SdlSide() {
    target = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 32, SDL_PIXELFORMAT_ARGB8888);
    renderer = SDL_CreateSoftwareRenderer(target);
    background = Make(kW, kH, Background, SDL_BLENDMODE_NONE);
    sprite = Make(128, 128, Sprite, SDL_BLENDMODE_BLEND);
  }
  ~SdlSide() {
    SDL_DestroyTexture(background);
    SDL_DestroyTexture(sprite);
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(target);
  }
  SDL_Texture* Make(int w, int h, uint32_t (*fn)(int, int), SDL_BlendMode mode) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) static_cast<uint32_t*>(s->pixels)[size_t(y) * (s->pitch / 4) + x] = fn(x, y);
    SDL_Texture* t = SDL_CreateTextureFromSurface(renderer, s);
    SDL_FreeSurface(s);
    SDL_SetTextureBlendMode(t, mode);
    SDL_SetTextureScaleMode(t, SDL_ScaleModeLinear);
    return t;
  }
  void Frame() {
    SDL_RenderCopy(renderer, background, nullptr, nullptr);
    const Scene& s = TheScene();
    for (const auto& p : s.sprites) {
      SDL_Rect d{int(p.x), int(p.y), 128, 128};
      SDL_RenderCopy(renderer, sprite, nullptr, &d);
    }
    for (const auto& p : s.turned) {
      int size = int(128 * p.scale);
      SDL_Rect d{int(p.x) - size / 2, int(p.y) - size / 2, size, size};
      SDL_RenderCopyEx(renderer, sprite, nullptr, &d, double(p.angle) * 57.29578, nullptr, SDL_FLIP_NONE);
    }
    for (int i = 0; i < kLines; ++i) {
      uint32_t c = s.colors[size_t(i)];
      SDL_SetRenderDrawColor(renderer, uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255);
      const float* l = &s.lines[size_t(i) * 4];
      SDL_RenderDrawLineF(renderer, l[0], l[1], l[2], l[3]);
    }
    SDL_RenderPresent(renderer);
  }
};

void BM_Sdl(benchmark::State& state) {
  SdlSide side;
  for (auto _ : state) side.Frame();
}

// --- A full-screen opaque blit against memcpy ---

void BM_Blit(benchmark::State& state) {
  sdev::DirectDraw* dd = nullptr;
  sdev::DirectDraw::Create(nullptr, &dd);
  dd->SetCooperativeLevel(nullptr, sdev::kCoopNormal);
  sdev::SurfaceDesc d;
  d.flags = sdev::kSdCaps | sdev::kSdWidth | sdev::kSdHeight;
  d.width = kW;
  d.height = kH;
  d.caps = sdev::caps::kOffscreenPlain | sdev::caps::kSystemMemory;
  sdev::Surface *a = nullptr, *b = nullptr;
  dd->CreateSurface(d, &a);
  dd->CreateSurface(d, &b);
  for (auto _ : state) {
    b->Blt(nullptr, a, nullptr, sdev::kBltWait, nullptr);
    benchmark::DoNotOptimize(b->Bits());
  }
  a->Release();
  b->Release();
  dd->Release();
}

void BM_Memcpy(benchmark::State& state) {
  std::vector<uint32_t> a(size_t(kW) * kH, 1), b(size_t(kW) * kH);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), a.size() * 4);
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_Lantern)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sdl)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Blit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  SDL_SetMainReady();
  benchmark::Initialize(&argc, argv);
  TBenchRecorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  recorder.PrintRatio("lantern/sdl", "BM_Lantern", "BM_Sdl");
  recorder.PrintRatio("blit/memcpy", "BM_Blit", "BM_Memcpy");
  if (recorder.times["BM_Lantern"] > 0) std::printf("frame ms lantern: %.3f\n", recorder.times["BM_Lantern"]);
  benchmark::Shutdown();
  return 0;
}
