// Text drawing: our vector fonts against SDL2_ttf, in one run. The same
// 2,000-character paragraph, wrapped at 1000 pixels, is drawn at 18 and 40
// pixels into a 1024 x 768 ARGB frame by both, from the same DejaVu Serif
// face (ours converted to ".mvec" at build time):
//   cached:   fonts open and glyph caches warm (the layout is still done
//             every time on both sides);
//   uncached: every draw opens the font afresh and rasterises every glyph.
// Prints "ratio lantern/sdl_ttf cached: X" and "ratio lantern/sdl_ttf uncached: Y"
// (lantern's time over SDL2_ttf's; the target is at most 1.0).
#include <SDL.h>
#include <SDL_ttf.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/recorder.h"
#include "render/font.h"
#include "render/minivecdraw.h"
#include "render/textblock.h"

namespace {

const char* const kFace = LANTERN_BENCH_FACE;  // the TrueType face both sides use

std::string Paragraph() {
  static const char* words[] = {"lantern", "journal", "shadow", "a", "of", "hidden", "the", "key", "Mirror",
                                "whispers", "beneath", "old", "tower,", "clock", "and", "garden.", "Quietly",
                                "copper", "lamp", "map", "in", "velvet", "drawer;", "forgotten", "Evening"};
  std::string text;
  unsigned seed = 17;
  while (text.size() < 2000) {
    seed = seed * 1103515245u + 12345u;
    if (!text.empty()) text += ' ';
    text += words[(seed >> 16) % (sizeof(words) / sizeof(words[0]))];
  }
  text.resize(2000);
  return text;
}

struct TFrame {
  std::vector<uint32_t> pixels = std::vector<uint32_t>(1024 * 768, 0xFF202020u);
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), 1024, 768, 32, 1024 * 4,
                                                            SDL_PIXELFORMAT_ARGB8888);
  ~TFrame() { SDL_FreeSurface(surface); }
};

const std::string& Text() {
  static const std::string text = Paragraph();
  return text;
}

void DrawLantern(TFrame& frame, int size) {
  TTextBlock* block =
      TTextBlock::Create(Text().c_str(), 1000, 100000, 0, "fonts/default.mvec", size, TFloatColor(1, 1, 1, 1));
  block->DrawToPixels(TMiniVecPixels{frame.pixels.data(), 1024, 768, 1024}, TVec2(8, 8), 1e9f, 1, 0, 1);
  TTextBlock::Destroy(block);
}

void DrawSdl(TTF_Font* font, TFrame& frame) {
  SDL_Surface* text = TTF_RenderUTF8_Blended_Wrapped(font, Text().c_str(), SDL_Color{255, 255, 255, 255}, 1000);
  if (!text) std::abort();
  SDL_Rect dst{8, 8, 0, 0};
  SDL_BlitSurface(text, nullptr, frame.surface, &dst);
  SDL_FreeSurface(text);
}

void BM_LanternCached(benchmark::State& state) {
  TFrame frame;
  int size = int(state.range(0));
  DrawLantern(frame, size);  // warm the font and glyph caches
  for (auto _ : state) DrawLantern(frame, size);
}

void BM_LanternUncached(benchmark::State& state) {
  TFrame frame;
  int size = int(state.range(0));
  for (auto _ : state) {
    ClearFontCache();  // the font file is read again, every glyph rasterised again
    DrawLantern(frame, size);
  }
}

void BM_SdlTtfCached(benchmark::State& state) {
  TFrame frame;
  TTF_Font* font = TTF_OpenFont(kFace, int(state.range(0)));
  if (!font) std::abort();
  DrawSdl(font, frame);
  for (auto _ : state) DrawSdl(font, frame);
  TTF_CloseFont(font);
}

void BM_SdlTtfUncached(benchmark::State& state) {
  TFrame frame;
  for (auto _ : state) {
    TTF_Font* font = TTF_OpenFont(kFace, int(state.range(0)));
    if (!font) std::abort();
    DrawSdl(font, frame);
    TTF_CloseFont(font);
  }
}

BENCHMARK(BM_LanternCached)->Arg(18)->Arg(40)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SdlTtfCached)->Arg(18)->Arg(40)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LanternUncached)->Arg(18)->Arg(40)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SdlTtfUncached)->Arg(18)->Arg(40)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  // "fonts/default.mvec" is found under the build folder's assets/.
  if (chdir(LANTERN_BENCH_ROOT) != 0) return 1;
  if (TTF_Init() != 0) return 1;
  benchmark::Initialize(&argc, argv);
  TBenchRecorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  auto sum = [&](const char* name) {
    return recorder.times[std::string(name) + "/18"] + recorder.times[std::string(name) + "/40"];
  };
  double lc = sum("BM_LanternCached"), sc = sum("BM_SdlTtfCached");
  double lu = sum("BM_LanternUncached"), su = sum("BM_SdlTtfUncached");
  if (lc > 0 && sc > 0) std::printf("ratio lantern/sdl_ttf cached: %.3f\n", lc / sc);
  if (lu > 0 && su > 0) std::printf("ratio lantern/sdl_ttf uncached: %.3f\n", lu / su);
  ClearFontCache();
  TTF_Quit();
  return 0;
}
