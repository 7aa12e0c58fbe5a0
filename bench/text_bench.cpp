// Text drawing: our vector fonts against SDL2_ttf. A paragraph of 250 and
// one of 2,000 characters, wrapped at 1000 pixels, are drawn at 18 and 40
// pixels into a 1024 x 3072 ARGB frame (tall enough for every line) by both, from the same DejaVu Serif
// face (ours converted to ".mvec" at build time):
//   cached:   fonts open and glyph caches warm (the layout is still done
//             every time on both sides);
//   uncached: every draw opens the font afresh and rasterises every glyph.
// A figure is the time of one draw at 18 plus one at 40, the median of seven
// runs with the two sides alternating. Prints, for each paragraph length,
//   "ratio lantern/sdl_ttf cached 250 chars: X", "... uncached 250 chars: Y",
//   "ratio lantern/sdl_ttf cached 2000 chars: X", "... uncached 2000 chars: Y"
// (lantern's time over SDL2_ttf's; the target is at most 1.0).
//
// Growth: lantern's cost of an 8,000-character paragraph against the
// 250-character one, per character (one at 18 px plus one at 40 px, fonts
// and glyph caches warm), in two parts:
//   "ratio layout8000/layout250 per char": the layout alone (a text block
//     made and freed: parsed, glyphs found, lines broken; at most 1.2);
//   "ratio draw8000/draw250fresh per char": the drawing alone of blocks laid
//     out once, into a frame tall enough for every line of the long text;
//     the short text goes to a fresh place of the frame at each call, down
//     the frame and round again, so that both sides write the frame's memory
//     the same way (drawn at one place, its few lines would stay in the
//     processor's cache; at most 1.1).
// Same work: the 8,000-character frame must hold 32 times the ink of the
// 250-character one within 10 %, every layout of a text give the same lines,
// and after the timing the frame must hold every timed drawing of the short
// text at its places.
//
// Same work: the two renderers place and smooth glyphs a little differently,
// and break lines where their glyph advances put them, so the frames are
// compared by their ink: the sum over the frame of how far each pixel is
// above the background must agree within 12 %; the inked area's left and top
// within a tenth of the font size (at least 2 pixels), its right edge within
// six font sizes (a word or two) and inside the wrap width, its bottom within
// that tenth plus 4 % of the text's height. The program fails otherwise.
#include <SDL.h>
#include <SDL_ttf.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/compare.h"
#include "render/text/font.h"
#include "render/text/minivecdraw.h"
#include "render/text/textblock.h"

namespace {

const char* const kFace = LANTERN_BENCH_FACE;  // the TrueType face both sides use
constexpr int kSizes[] = {18, 40};
constexpr int kW = 1024, kH = 3072;
constexpr int kTallH = 10240;  // every line of 8,000 characters at 40 px
constexpr uint32_t kBackground = 0xFF202020u;
constexpr double kInkTolerance = 0.12;

std::string Paragraph(size_t length) {
  static const char* words[] = {"lantern", "journal", "shadow", "a", "of", "hidden", "the", "key", "Mirror",
                                "whispers", "beneath", "old", "tower,", "clock", "and", "garden.", "Quietly",
                                "copper", "lamp", "map", "in", "velvet", "drawer;", "forgotten", "Evening"};
  std::string text;
  unsigned seed = 17;
  while (text.size() < length) {
    seed = seed * 1103515245u + 12345u;
    if (!text.empty()) text += ' ';
    text += words[(seed >> 16) % (sizeof(words) / sizeof(words[0]))];
  }
  text.resize(length);
  return text;
}

struct TFrame {
  std::vector<uint32_t> pixels = std::vector<uint32_t>(size_t(kW) * kH, kBackground);
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), kW, kH, 32, kW * 4,
                                                            SDL_PIXELFORMAT_ARGB8888);
  ~TFrame() { SDL_FreeSurface(surface); }
};

void DrawLantern(const std::string& text, TFrame& frame, int size) {
  TTextBlock* block =
      TTextBlock::Create(text.c_str(), 1000, 100000, 0, "fonts/default.mvec", size, TFloatColor(1, 1, 1, 1));
  block->DrawToPixels(TMiniVecPixels{frame.pixels.data(), kW, kH, kW}, TVec2(8, 8), 1e9f, 1, 0, 1);
  TTextBlock::Destroy(block);
}

void DrawSdl(const std::string& text, TTF_Font* font, TFrame& frame) {
  SDL_Surface* s = TTF_RenderUTF8_Blended_Wrapped(font, text.c_str(), SDL_Color{255, 255, 255, 255}, 1000);
  if (!s) {
    std::fprintf(stderr, "SDL2_ttf: %s\n", TTF_GetError());
    std::exit(1);
  }
  SDL_Rect dst{8, 8, 0, 0};
  SDL_BlitSurface(s, nullptr, frame.surface, &dst);
  SDL_FreeSurface(s);
}

TTF_Font* OpenSdlFont(int size) {
  TTF_Font* font = TTF_OpenFont(kFace, size);
  if (!font) {
    std::fprintf(stderr, "SDL2_ttf cannot open %s: %s\n", kFace, TTF_GetError());
    std::exit(1);
  }
  return font;
}

// The ink of a frame: how far its pixels are above the background, and where.
struct TInk {
  double total = 0;
  int left = kW, top = kH, right = -1, bottom = -1;
};
TInk Ink(const TFrame& frame) {
  TInk ink;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      int v = int(frame.pixels[size_t(y) * kW + x] >> 8 & 255) - int(kBackground >> 8 & 255);  // green
      if (v <= 0) continue;
      ink.total += v;
      if (v < 64) continue;  // the box counts clearly drawn pixels only
      ink.left = std::min(ink.left, x);
      ink.right = std::max(ink.right, x);
      ink.top = std::min(ink.top, y);
      ink.bottom = std::max(ink.bottom, y);
    }
  return ink;
}

// Both sides draw the paragraph at each size into a clean frame; their ink must agree.
void CheckSameWork(const std::string& text) {
  for (int size : kSizes) {
    TFrame ours, theirs;
    ClearFontCache();
    DrawLantern(text, ours, size);
    TTF_Font* font = OpenSdlFont(size);
    DrawSdl(text, font, theirs);
    TTF_CloseFont(font);
    TInk a = Ink(ours), b = Ink(theirs);
    const int near = std::max(2, size / 10);
    const double share = b.total > 0 ? a.total / b.total : 0;
    bench::Require(b.total > 0 && std::abs(share - 1) <= kInkTolerance,
                   "%zu characters at %d px: lantern's ink is %.3f of SDL2_ttf's (allowed 1 +- %.2f)", text.size(), size,
                   share, kInkTolerance);
    // Lines break where the glyph advances put them, which differ a little:
    // the right edges may be a few words apart, the last line a few pixels.
    const int height = b.bottom - b.top;
    bench::Require(std::abs(a.left - b.left) <= near && std::abs(a.top - b.top) <= near &&
                       std::abs(a.right - b.right) <= 6 * size && a.right <= 1008 + near && b.right <= 1008 + near &&
                       std::abs(a.bottom - b.bottom) <= near + height / 25,
                   "%zu characters at %d px: the inked area differs: lantern %d,%d-%d,%d, SDL2_ttf %d,%d-%d,%d",
                   text.size(), size, a.left, a.top, a.right, a.bottom, b.left, b.top, b.right, b.bottom);
    std::printf("same work, %zu characters at %d px: ink %.3f of SDL2_ttf's, box %d,%d-%d,%d against %d,%d-%d,%d\n",
                text.size(), size, share, a.left, a.top, a.right, a.bottom, b.left, b.top, b.right, b.bottom);
  }
}

// One run of a side: one draw at each size, each timed over several calls.
double LanternRun(const std::string& text, bool cached) {
  TFrame frame;
  double total = 0;
  for (int size : kSizes) {
    if (cached) DrawLantern(text, frame, size);  // warm the font and glyph caches
    total += bench::TimePerCall([&] {
      if (!cached) ClearFontCache();  // the font file is read again, every glyph rasterised again
      DrawLantern(text, frame, size);
    });
  }
  return total;
}

double SdlRun(const std::string& text, bool cached) {
  TFrame frame;
  double total = 0;
  for (int size : kSizes) {
    if (cached) {
      TTF_Font* font = OpenSdlFont(size);
      DrawSdl(text, font, frame);
      total += bench::TimePerCall([&] { DrawSdl(text, font, frame); });
      TTF_CloseFont(font);
    } else {
      total += bench::TimePerCall([&] {
        TTF_Font* font = OpenSdlFont(size);
        DrawSdl(text, font, frame);
        TTF_CloseFont(font);
      });
    }
  }
  return total;
}

// Lantern's text blocks of `text`, one at 18 px and one at 40 px.
struct TBlocks {
  explicit TBlocks(const std::string& text) {
    for (int size : kSizes)
      blocks.push_back(
          TTextBlock::Create(text.c_str(), 1000, 100000, 0, "fonts/default.mvec", size, TFloatColor(1, 1, 1, 1)));
  }
  ~TBlocks() {
    for (TTextBlock* b : blocks) TTextBlock::Destroy(b);
  }
  // Lines of both blocks.
  int Lines() const { return blocks[0]->GetLineCount() + blocks[1]->GetLineCount(); }
  // How tall the two drawings are together, one under the other.
  int Height() const {
    return int(std::ceil(blocks[0]->GetLineHeight() * float(blocks[0]->GetLineCount()) +
                         blocks[1]->GetLineHeight() * float(blocks[1]->GetLineCount()))) + 8;
  }
  // Both blocks at (8, y), the second under the first.
  void Draw(std::vector<uint32_t>& pixels, float y) const {
    const TMiniVecPixels target{pixels.data(), kW, kTallH, kW};
    blocks[0]->DrawToPixels(target, TVec2(8, y), 1e9f, 1, 0, 1);
    blocks[1]->DrawToPixels(target, TVec2(8, y + blocks[0]->GetLineHeight() * float(blocks[0]->GetLineCount())), 1e9f,
                            1, 0, 1);
  }
  std::vector<TTextBlock*> blocks;
};

double Ink(const std::vector<uint32_t>& pixels, size_t from = 0, size_t to = size_t(-1)) {
  double ink = 0;
  to = std::min(to, pixels.size());
  for (size_t i = from; i < to; ++i) ink += std::max(0, int(pixels[i] >> 8 & 255) - int(kBackground >> 8 & 255));
  return ink;
}

// Seconds per character of laying `text` out (the two blocks made and freed);
// every layout must give `lines` lines.
double LayoutRun(const std::string& text, int lines) {
  int wrong = 0;
  const double seconds = bench::TimePerCall(
      [&] {
        TBlocks b(text);
        wrong += b.Lines() != lines;
      },
      0.2);
  bench::Require(wrong == 0, "%d timed layouts of %zu characters gave other lines", wrong, text.size());
  return seconds / double(text.size());
}

void CompareGrowth() {
  const std::string shortText = Paragraph(250), longText = Paragraph(8000);
  const TBlocks shortBlocks(shortText), longBlocks(longText);
  std::vector<uint32_t> pixels(size_t(kW) * kTallH, kBackground);
  // The ink: the long text once, the short text once, from clean frames.
  longBlocks.Draw(pixels, 8);
  const double longInk = Ink(pixels);
  std::fill(pixels.begin(), pixels.end(), kBackground);
  shortBlocks.Draw(pixels, 8);
  const double shortInk = Ink(pixels);
  const double share = shortInk > 0 ? longInk / shortInk / 32 : 0;
  bench::Require(std::abs(share - 1) <= 0.1, "8,000 characters give %.3f times 32 times the ink of 250", share);
  std::printf("same work: 8,000 characters give %.3f x 32 times the ink of 250\n", share);

  bench::TComparison layout =
      bench::Alternate([&] { return LayoutRun(longText, longBlocks.Lines()); },
                       [&] { return LayoutRun(shortText, shortBlocks.Lines()); });
  std::printf("checked: every timed layout gave the same lines (%d and %d)\n", longBlocks.Lines(), shortBlocks.Lines());
  bench::PrintMedians("layout per character (a block at 18 px and one at 40 px)", layout, "8000 chars", "250 chars",
                      1e9, "ns");
  bench::PrintRatio("layout8000/layout250 per char", layout.Ratio());

  // The short text's places down a frame of its own: as many as fit, round again.
  const int step = shortBlocks.Height(), places = (kTallH - 16) / step;
  std::vector<uint32_t> shortPixels(size_t(kW) * kTallH, kBackground);
  std::fill(pixels.begin(), pixels.end(), kBackground);
  int next = 0;
  auto drawShort = [&] {
    shortBlocks.Draw(shortPixels, float(8 + next * step));
    next = (next + 1) % places;
  };
  bench::TComparison draw = bench::Alternate(
      [&] { return bench::TimePerCall([&] { longBlocks.Draw(pixels, 8); }, 0.2) / 8000; },
      [&] { return bench::TimePerCall(drawShort, 0.2) / 250; });
  // Drawing white text again only brightens what it covers: the long frame
  // must hold at least the long text's ink, every place of the short frame at
  // least the short text's, and nothing between the places be touched.
  bench::Require(Ink(pixels) >= longInk * 0.99, "after the timing the long text's frame holds %.3f of its ink",
                 Ink(pixels) / longInk);
  for (int k = 0; k < places; ++k) {
    const size_t from = size_t(8 + k * step) * kW, to = from + size_t(step) * kW;
    const double ink = Ink(shortPixels, from, to);
    bench::Require(ink >= shortInk * 0.99, "after the timing the short text's place %d holds %.3f of its ink", k,
                   ink / shortInk);
  }
  const double outside = Ink(shortPixels, size_t(8 + places * step) * kW) + Ink(shortPixels, 0, size_t(8) * kW);
  bench::Require(outside == 0, "the short text's frame has ink outside its places");
  std::printf("checked: after the timing the long text's frame holds its ink, and the short text's frame its ink at "
              "every one of the %d places\n", places);
  bench::PrintMedians("drawing per character (a block at 18 px and one at 40 px)", draw, "8000 chars",
                      "250 chars at a fresh place", 1e9, "ns");
  bench::PrintRatio("draw8000/draw250fresh per char", draw.Ratio());
}

}  // namespace

int main(int argc, char** argv) {
  // "fonts/default.mvec" is found under the build folder's assets/.
  if (chdir(LANTERN_BENCH_ROOT) != 0) return 1;
  // "profile <characters>": only lays that many characters out, 2,000,000
  // characters' worth, for a profiler.
  if (argc == 3 && std::string(argv[1]) == "profile") {
    const std::string text = Paragraph(size_t(std::atoi(argv[2])));
    for (size_t done = 0; !text.empty() && done < 2000000; done += text.size()) TBlocks b(text);
    return 0;
  }
  if (TTF_Init() != 0) return 1;
  for (size_t length : {size_t(250), size_t(2000)}) {
    const std::string text = Paragraph(length);
    CheckSameWork(text);
    for (bool cached : {true, false}) {
      bench::TComparison c =
          bench::Alternate([&] { return LanternRun(text, cached); }, [&] { return SdlRun(text, cached); });
      std::string what = std::string(cached ? "cached " : "uncached ") + std::to_string(length) + " chars";
      bench::PrintMedians(what + " (one draw at 18 px plus one at 40 px)", c, "lantern", "SDL2_ttf");
      bench::PrintRatio("lantern/sdl_ttf " + what, c.Ratio());
    }
  }
  CompareGrowth();
  ClearFontCache();
  TTF_Quit();
  return 0;
}
