// The game on the software display at 1024 x 768.
//
// Scene frame: the play screen on the demo location loc11 (its picture, the
// thirteen objects, the panel with its buttons and the list of names, the
// coins), with a found object's and a hinted object's picture effects
// running, the location's own particles and 500 embers. Its draws are
// recorded and drawn again by SDL2's software renderer (bench/sdlreplay.h:
// SDL_RenderGeometry, alpha or additive blending, linear filtering where the
// game filters): "ratio lantern/sdl scene" (aim: at most 0.2), the frames
// compared pixel by pixel (within one pixel and 48 levels, at most 2 % of
// the pixels without a match: the renderers filter and round differently).
// The background frame (the location's picture alone, an opaque picture
// drawn texel for pixel, which the device copies) is the frame the particle,
// comic and journal frames below are put against; the copy itself is
// measured against SDL2's own blit in bench/render_bench.cpp ("ratio
// blit/sdl blit").
//
// Particles: the 500 embers alone (14 pixels, additive, filtered, their
// places in fractions of a pixel) against the memory floor of the same
// boxes: each living ember's rectangle taken from the particle library as
// the drawing takes it, and a saturating add of a colour over its box of
// pixels, with no sampling (the widest vector unit the processor has):
// "ratio embers/floor" is what sampling, blending and the device's
// machinery cost over touching the same memory (aim: at most 2.5); and against the background frame: "ratio
// particles/background". Turned particles (500 of 24 pixels, each turned its
// own way) against the same particles unturned, per pixel drawn (the pixels
// whose centres the quads cover): "ratio turned/unturned per pixel" (aim: at
// most 2). Each particle frame is checked against the plain drawing; the
// embers must change no pixel outside their boxes, and the floor must give
// exactly the saturating adds.
//
// Comic and journal frames: the first page of the demo's intro comic with
// everything started and faded in (pictures, captions, the lantern's
// flame), and the journal open on the first location's written page over
// the location's picture: "ratio comic/background" and "ratio
// journal/background" (aims: at most 3), against the same background frame.
//
// Each frame is checked before it is timed: the whole frame against the
// same frame drawn by the plain per-pixel formulas with text from its glyph
// runs ("plaindrawing"); at most 0.1 % of the pixels may differ by more than
// one level per channel (the kernels compute the same formulas exactly, so
// none should); the plain journal is drawn piece by piece, the fast one from
// its composed spread. The frames must also show what they draw (the panel,
// the captions, the journal's spread) against the background frame.
//
// Blocks game and location at rest: a frame (the window's step, then its
// drawing), CPU time, of the blocks game (its demo board, the tray and the
// pane, nothing carried, its opening message read and closed) against one
// of the demo location loc11 at rest (its objects, the panel, its own
// particles; nothing found, no effect running), both drawing about one
// screen of pixels: "ratio blocks/location" (aim: at most 1.1). Each frame
// is checked against the plain drawing (the blocks game's drawn piece by
// piece, the fast one from its composed picture, which it must be) and must
// show what it draws: the board's and the panel's pixels against the
// background frame.
//
// The blocks game runs in a child process, from a fresh start: no picture
// of another part is loaded or kept there.
//
// The main menu, the photo album and the walkthrough (game_startup.cpp):
// "ratio menu/sdl menu", a main-menu frame of the lantern program run
// headless against the same frame drawn by SDL2's software renderer; "ratio
// journal-open/journal-frame", the frame in which the album's journal opens
// against a frame of the open album; "ratio startup/frame"; "ratio
// decodes/pictures" and "ratio peak memory whole demo/all pictures decoded". A real window (game_window.cpp): "ratio window/headless" and
// "ratio window-with-xserver/headless", the CPU of a main-menu frame in an
// SDL window on Xvfb against the same frame headless.
//
// Parts named on the command line run alone: scene, particles, comic,
// journal, journalopen, blocks, menu, startup, window, pictures ("profile
// <part> [frames]" draws the frame of scene, embers, turned, unturned,
// comic, journal, blocks or location (at rest) 2,000 times, or as often as
// asked, for a profiler, and prints the least and the median time a frame
// took).
#include <unistd.h>

#include <immintrin.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>
#include <string>

#include "game/minigames/mg01window.h"
#include "game/scene/maingame.h"
#include "game/shell/widgets/texteffect.h"
#include "game/story/comics.h"
#include "game/story/logbook.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/particles/particlelib.h"
#include "game/shell/particles/particles.h"
#include "game/shell/particles/particlewrap.h"
#include "platform/folders.h"
#include "platform/log.h"
#include "platform/registry/asset.h"
#include "platform/stringtable.h"
#include "plugins/particles/magic_api.h"
#include "bench/benchutil.h"
#include "bench/compare.h"
#include "bench/game_startup.h"
#include "bench/game_window.h"
#include "bench/sdlreplay.h"
#include "render/device/displayhandler.h"
#include "render/renderer.h"
#include "render/sdev/fault.h"
#include "render/sdev/sdev.h"
#include "render/drawparams.h"
#include "render/text/textblock.h"
#include "render/textures/texture.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

namespace {

constexpr int kW = 1024, kH = 768, kParticles = 500;
constexpr int kBenchOwner = 77;  // the turned and unturned particles: no screen draws them

// 500 slow embers that live a minute, longer than the run; and 500 larger
// particles, once unturned and once each turned its own way.
const char kEffect[] =
    "lantern-particles 1\n"
    "emitter bench_embers\nposition 512 320\nloop yes\nduration 0\n"
    "type embers\nframes 16 16 ember.png\nblend add\nburst 500\nmax 500\nlife 60000\n"
    "area rect 900 560\nsize 14\ncolour 0 FFFFC070\nend\nend\n"
    "emitter bench_unturned\nposition 512 384\nloop yes\nduration 0\n"
    "type flat\nframes 32 32 ember.png\nblend add\nburst 500\nmax 500\nlife 60000\n"
    "area rect 960 700\nsize 24\nrotation 0\ncolour 0 FFFFC070\nend\nend\n"
    "emitter bench_turned\nposition 512 384\nloop yes\nduration 0\n"
    "type turned\nframes 32 32 ember.png\nblend add\nburst 500\nmax 500\nlife 60000\n"
    "area rect 960 700\nsize 24\nrotation 0..360\ncolour 0 FFFFC070\nend\nend\n";

// The demo's texts for the captions, the journal and the list of names.
class TStrings : public TWindowEnvironment {
public:
  TString GetString(const TString& label, const TString* args, int count) override {
    return table.Has(label) ? ApplySubstitutions(table.GetString(label), args, count) : label;
  }
  TStringTable table;
};

// A new journal, made as the photo album and the mini-games make theirs (its
// pictures loaded), opening on the first location's page, entered and
// finished (its closing text written by the pen first).
std::unique_ptr<LogBook_t> OpenJournal() {
  LocationInfo& info = GetGameProgress().FindLocationInfo("loc11");
  info.SetStartDateTime("12.05.2024", "10:30");
  info.SetPassDateTime("12.05.2024", "10:52");
  info.passed = 1;
  auto journal = std::make_unique<LogBook_t>(nullptr);
  journal->lastLocation = journal->CountJournalPages() - 1;
  journal->Rebuild();
  journal->photosOnly = false;
  journal->locationCompleted = true;
  journal->zoomState = 0;
  journal->zoomSide = 2;
  journal->Open(LogBook_t::kJournal, 0);
  journal->StartOpening();
  return journal;
}

// Steps an opening journal until it is open and its page written.
bool FinishOpening(LogBook_t& journal) {
  for (int i = 0; i < 1000 && (!journal.IsOpen() || journal.IsWriting()); ++i) journal.Update(0.016f);
  for (int i = 0; i < 100; ++i) journal.Update(0.016f);
  return journal.IsOpen() && !journal.IsWriting();
}

// The demo's data on the software display in this process: main.xml, the
// texts, the particle library, and a window manager whose script makes the
// play screen ("MainGame") and the blocks game ("mg01window").
struct TBenchGame {
  TAssetManager assets;
  TStrings strings;
  sdev::FixedWindow window{kW, kH};
  TWindowManager* wm = nullptr;
  TWindowScript* script = nullptr;
  bool ready = false;

  TBenchGame() {
    if (chdir(LANTERN_BENCH_SOURCE) != 0) return;
    SetAssetManager(&assets);
    RefreshFileLayer();
    CreateDisplayHandler()->Open(&window, kW, kH, false);
    LoadMainXml();
    strings.table.Load("strings.xml");
    GetGameProgress().Reset();
    if (!LoadMagicLibrary(LANTERN_BENCH_PARTICLES)) return;
    InitParticles();
    wm = new TWindowManager(&strings);
    wm->SetRootWindow(new TScreen());
    script = new TWindowScript();
    wm->SetScript(script);
    RegisterSceneWindowTypes(wm);
    wm->RegisterWindowType("mg01window", TMG01Window::ClassCreator());
    ready = true;
  }
  ~TBenchGame() {
    delete wm;
    delete script;
    ShutdownParticles();
    UnloadMagicLibrary();
    TRenderer::Destroy();
    DestroyDisplayHandler();
    SetAssetManager(nullptr);
  }
  // A window of `type` over the whole display, made by the script, or null.
  template <typename T>
  T* Make(const char* type) {
    script->DoLuaString(std::string(type) + "{ name = '" + type + "', x = 0, y = 0, w = kMax, h = kMax }()", "bench");
    return WindowCast<T>(wm->GetRootWindow()->FindChild(type));
  }
};

struct SceneBench : TBenchGame {
  TMainGame* scene = nullptr;
  MP_Emitter *embers = nullptr, *unturned = nullptr, *turned = nullptr;
  TTextureRef background;
  std::unique_ptr<ComicsData> comic;
  std::unique_ptr<LogBook_t> journal;
  int living = 0;
  bool ok = false;

  SceneBench() {
    if (!ready) return;
    std::string path = std::string(LANTERN_BENCH_ROOT) + "/bench_scene.ptc";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
      std::fputs(kEffect, f);
      std::fclose(f);
    }
    GetParticleManager()->LoadFile(path.c_str());
    SetupParticleTextures();
    scene = Make<TMainGame>("MainGame");
    if (!scene || !scene->IsLoaded()) return;
    scene->Update();  // the first step: playing
    // Two objects found and one hinted, their effects half way.
    const auto& objects = scene->GetObjects();
    scene->ClickAt(TPoint(int(objects[0]->Center().x), int(objects[0]->Center().y)));
    scene->ClickAt(TPoint(int(objects[5]->Center().x), int(objects[5]->Center().y)));
    scene->UseHint();
    scene->Step(0.15f);
    AddParticleEmitter("bench_embers", 512, 320, kSceneParticleOwner, true, 0, 1);
    AddParticleEmitter("bench_unturned", 512, 384, kBenchOwner, true, 0, 1);
    AddParticleEmitter("bench_turned", 512, 384, kBenchOwner, true, 0, 1);
    embers = GetParticleManager()->FindEmitter("bench_embers");
    unturned = GetParticleManager()->FindEmitter("bench_unturned");
    turned = GetParticleManager()->FindEmitter("bench_turned");
    if (!embers || !unturned || !turned) return;
    for (MP_Emitter* e : {embers, unturned, turned}) e->Update(1);
    living = Living(embers);
    background = TTexture::Get("locations/loc11/bg");
    ok = background && living == kParticles && Living(unturned) == kParticles && Living(turned) == kParticles;
    if (!ok) std::fprintf(stderr, "game bench: setup failed (%d particles)\n", living);
  }
  static int Living(MP_Emitter* e) {
    const TMagicTable& m = Magic();
    int sub = m.GetEmitter(e->GetHandle(), 0), n = 0;
    m.LockParticlesType(sub, 0);
    while (m.GetNextParticle()) ++n;
    m.UnlockParticlesType();
    return n;
  }
  // The intro comic's first page, everything started and faded in.
  bool MakeComic() {
    comic = story::LoadComics("com_1.xml");
    if (comic->GetPageCount() == 0) return false;
    for (int i = 0; i < 600 && !comic->IsPageComplete(); ++i) comic->Update(0.016f);
    for (int i = 0; i < 200; ++i) comic->Update(0.016f);  // the last fades end
    int captions = 0;
    for (const auto& f : comic->pages[0]->fragments) captions += f->text && f->textStarted;
    return comic->IsPageComplete() && captions > 0;
  }
  // The journal open on the first location's page, entered and finished.
  bool MakeJournal() {
    journal = OpenJournal();
    return FinishOpening(*journal) && !journal->GetCurrentClosingText().IsEmpty();
  }
  ~SceneBench() {
    comic.reset();
    journal.reset();
    background.reset();
  }
};

// Pixels of `r` that differ between the two frames.
int Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, const TRect& r) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) n += a[size_t(y) * kW + size_t(x)] != b[size_t(y) * kW + size_t(x)];
  return n;
}

// The frame `draw` makes, drawn the plain way (every pixel by the plain
// formulas, text from its glyph runs) or the fast way.
std::vector<uint32_t> FrameOf(const std::function<void()>& draw, bool plain) {
  sdev::SetVectorLevel(plain ? 0 : 3);
  TTextBlock::SetPicturesEnabled(!plain);
  LogBook_t::SetComposingEnabled(!plain);
  TMG01Window::SetComposingEnabled(!plain);
  draw();
  if (!plain) draw();  // the second drawing of unchanged text makes its pictures
  std::vector<uint32_t> px = bench::BackBufferPixels(kW, kH);
  sdev::SetVectorLevel(3);
  TTextBlock::SetPicturesEnabled(true);
  LogBook_t::SetComposingEnabled(true);
  TMG01Window::SetComposingEnabled(true);
  return px;
}

// Checks the fast frame of `draw` against the plain one (the whole frame);
// returns the text pictures the fast frame made.
uint64_t CheckAgainstPlain(const char* what, const std::function<void()>& draw) {
  std::vector<uint32_t> plain = FrameOf(draw, true);
  uint64_t pictures = TTextBlock::GetPicturesMade();
  std::vector<uint32_t> fast = FrameOf(draw, false);
  pictures = TTextBlock::GetPicturesMade() - pictures;
  bench::Require(!plain.empty() && !fast.empty(), "the %s frame could not be read", what);
  bench::TFrameDiff d = bench::CompareFrames(fast.data(), plain.data(), kW, kH, 1);
  std::printf("%s frame against the plain drawing: %zu pixels differ, %zu by more than one level (largest %d)\n",
              what, d.differ, d.beyond, d.largest);
  bench::Require(d.beyond * 1000 <= size_t(kW) * kH,
                 "the %s frame is not the plain drawing's: %zu pixels differ by more than one level", what, d.beyond);
  return pictures;
}

void PrintPair(const char* what, const char* name, const std::function<void()>& a, const std::function<void()>& b) {
  bench::TComparison c = bench::Alternate([&] { return bench::TimePerCall(a, 0.2); },
                                          [&] { return bench::TimePerCall(b, 0.2); });
  bench::PrintMedians(what, c, name, "background");
  bench::PrintRatio(std::string(name) + "/background", c.Ratio());
}

// --- Particles ---

// A rectangle of target pixels [x0, x1) x [y0, y1).
struct TBox {
  int x0, y0, x1, y1;
};

// The triangles `draw` sends to the device, recorded.
std::vector<sdev::test::DrawCall> Recorded(const std::function<void()>& draw) {
  std::vector<sdev::test::DrawCall> calls;
  sdev::test::SetDrawRecorder([&](const sdev::test::DrawCall& call) {
    calls.push_back(call);
    calls.back().texels = nullptr;  // not kept past the call
  });
  draw();
  sdev::test::SetDrawRecorder(nullptr);
  return calls;
}

// The pixels a quad of two triangles covers, as the device's rule counts
// them: the box of its corners (centres from ceil(min - 0.5) to ceil(max -
// 0.5) - 1), within the target.
std::vector<TBox> QuadBoxes(const std::vector<sdev::test::DrawCall>& calls) {
  std::vector<TBox> boxes;
  for (const sdev::test::DrawCall& call : calls)
    for (size_t k = 0; k + 6 <= call.indices.size(); k += 6) {
      float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
      for (size_t j = k; j < k + 6; ++j) {
        const auto& v = call.vertices[call.indices[j]];
        x0 = std::min(x0, v.x);
        x1 = std::max(x1, v.x);
        y0 = std::min(y0, v.y);
        y1 = std::max(y1, v.y);
      }
      TBox b{std::max(0, int(std::ceil(x0 - 0.5f))), std::max(0, int(std::ceil(y0 - 0.5f))),
             std::min(kW, int(std::ceil(x1 - 0.5f))), std::min(kH, int(std::ceil(y1 - 0.5f)))};
      if (b.x0 < b.x1 && b.y0 < b.y1) boxes.push_back(b);
    }
  return boxes;
}

// The pixels whose centres the triangles cover (a centre on an edge counts once).
uint64_t CoveredPixels(const std::vector<sdev::test::DrawCall>& calls) {
  uint64_t n = 0;
  for (const sdev::test::DrawCall& call : calls)
    for (size_t k = 0; k + 3 <= call.indices.size(); k += 3) {
      const auto& a = call.vertices[call.indices[k]];
      const auto& b = call.vertices[call.indices[k + 1]];
      const auto& c = call.vertices[call.indices[k + 2]];
      const int x0 = std::max(0, int(std::floor(std::min({a.x, b.x, c.x})))),
                x1 = std::min(kW, int(std::ceil(std::max({a.x, b.x, c.x}))));
      const int y0 = std::max(0, int(std::floor(std::min({a.y, b.y, c.y})))),
                y1 = std::min(kH, int(std::ceil(std::max({a.y, b.y, c.y}))));
      const double area = double(b.x - a.x) * (c.y - a.y) - double(c.x - a.x) * (b.y - a.y);
      if (area == 0) continue;
      auto edge = [&](const sdev::test::DrawCall::Vertex& p, const sdev::test::DrawCall::Vertex& q, double x,
                      double y) { return ((q.x - p.x) * (y - p.y) - (x - p.x) * (q.y - p.y)) * (area > 0 ? 1 : -1); };
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
          const double px = x + 0.5, py = y + 0.5;
          n += edge(a, b, px, py) >= 0 && edge(b, c, px, py) >= 0 && edge(c, a, px, py) > 0;
        }
    }
  return n;
}

constexpr uint32_t kFloorColour = 0x00302010u;

// The memory floor: a saturating add of kFloorColour over every box of the
// frame (rows of pitch pixels), with the widest vector unit there is.
__attribute__((target("avx512f,avx512bw"))) void FloorAvx512(uint32_t* px, size_t pitch,
                                                             const std::vector<TBox>& boxes) {
  const __m512i add = _mm512_set1_epi32(int(kFloorColour));
  for (const TBox& b : boxes)
    for (int y = b.y0; y < b.y1; ++y) {
      uint32_t* row = px + size_t(y) * pitch + b.x0;
      for (int x = 0, n = b.x1 - b.x0; x < n; x += 16) {
        const __mmask16 m = n - x >= 16 ? __mmask16(0xFFFF) : __mmask16((1u << (n - x)) - 1);
        _mm512_mask_storeu_epi32(row + x, m, _mm512_adds_epu8(_mm512_maskz_loadu_epi32(m, row + x), add));
      }
    }
}

__attribute__((target("avx2"))) void FloorAvx2(uint32_t* px, size_t pitch, const std::vector<TBox>& boxes) {
  const __m256i add = _mm256_set1_epi32(int(kFloorColour));
  for (const TBox& b : boxes)
    for (int y = b.y0; y < b.y1; ++y) {
      uint32_t* row = px + size_t(y) * pitch + b.x0;
      for (int x = 0, n = b.x1 - b.x0; x < n; x += 8) {
        const int left = std::min(8, n - x);
        const __m256i m = _mm256_cmpgt_epi32(_mm256_set1_epi32(left), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
        int* p = reinterpret_cast<int*>(row + x);
        _mm256_maskstore_epi32(p, m, _mm256_adds_epu8(_mm256_maskload_epi32(p, m), add));
      }
    }
}

uint32_t AddSaturated(uint32_t p, uint32_t add) {
  uint32_t r = 0;
  for (int sh = 0; sh < 32; sh += 8) r |= std::min(255u, ((p >> sh) & 255) + ((add >> sh) & 255)) << sh;
  return r;
}

void FloorPlain(uint32_t* px, size_t pitch, const std::vector<TBox>& boxes) {
  for (const TBox& b : boxes)
    for (int y = b.y0; y < b.y1; ++y)
      for (int x = b.x0; x < b.x1; ++x) {
        uint32_t& p = px[size_t(y) * pitch + size_t(x)];
        p = AddSaturated(p, kFloorColour);
      }
}

// The box of pixels of each living particle of the emitter, from its
// rectangle as the drawing takes it (the corners' box, centres from
// ceil(min - 0.5) to ceil(max - 0.5) - 1, within the target).
void ParticleBoxes(MP_Emitter* emitter, std::vector<TBox>& boxes) {
  boxes.clear();
  const TMagicTable& m = Magic();
  MP_Manager* manager = GetParticleManager();
  for (int i = m.GetEmitterCount(emitter->GetHandle()) - 1; i >= 0; --i) {
    const int sub = m.GetEmitter(emitter->GetHandle(), i);
    for (int j = m.GetParticlesTypeCount(sub) - 1; j >= 0; --j) {
      if (m.LockParticlesType(sub, j) != kMagicSuccess) continue;
      MP_FrameList* list = manager->GetFrameList(m.GetTextureID());
      while (const MagicParticle* p = m.GetNextParticle()) {
        MP_Frame* frame = list ? list->GetFrame(p->frame) : nullptr;
        if (!frame) continue;
        MagicQuad q;
        m.GetParticleRectangle(p, frame->GetTexture(), &q);
        const float x0 = std::min({q.x[0], q.x[1], q.x[2], q.x[3]}), x1 = std::max({q.x[0], q.x[1], q.x[2], q.x[3]});
        const float y0 = std::min({q.y[0], q.y[1], q.y[2], q.y[3]}), y1 = std::max({q.y[0], q.y[1], q.y[2], q.y[3]});
        TBox b{std::max(0, int(std::ceil(x0 - 0.5f))), std::max(0, int(std::ceil(y0 - 0.5f))),
               std::min(kW, int(std::ceil(x1 - 0.5f))), std::min(kH, int(std::ceil(y1 - 0.5f)))};
        if (b.x0 < b.x1 && b.y0 < b.y1) boxes.push_back(b);
      }
      m.UnlockParticlesType();
    }
  }
}

void Floor(const std::vector<TBox>& boxes) {
  sdev::Surface* back = GetDisplayHandler()->Data().backBuffer;
  void* bits = nullptr;
  int32_t pitch = 0;
  if (sdev::Failed(back->Lock(nullptr, &bits, &pitch, 0))) return;
  static const bool avx512 = __builtin_cpu_supports("avx512bw"), avx2 = __builtin_cpu_supports("avx2");
  auto* px = static_cast<uint32_t*>(bits);
  if (avx512)
    FloorAvx512(px, size_t(pitch) / 4, boxes);
  else if (avx2)
    FloorAvx2(px, size_t(pitch) / 4, boxes);
  else
    FloorPlain(px, size_t(pitch) / 4, boxes);
  back->Unlock();
}

// The frame cleared to a dark grey, then `draw`.
std::function<void()> OnClearFrame(const std::function<void()>& draw) {
  return [draw] {
    bench::DrawFrame([&] {
      GetDisplayHandler()->FillRect(0, 0, kW, kH, 0xFF202428u, nullptr);
      draw();
    });
  };
}

void CompareParticles(SceneBench& s, const std::function<void()>& background) {
  using TFrame = std::function<void()>;
  TFrame embers = [&] { bench::DrawFrame([&] { s.embers->Render(); }); };
  // The embers on a cleared frame: against the plain drawing, and against the boxes.
  CheckAgainstPlain("embers", OnClearFrame([&] { s.embers->Render(); }));
  std::vector<sdev::test::DrawCall> calls;
  const std::vector<uint32_t> cleared = FrameOf(OnClearFrame([] {}), false);
  const std::vector<uint32_t> lit =
      FrameOf(OnClearFrame([&] { calls = Recorded([&] { s.embers->Render(); }); }), false);
  const std::vector<TBox> boxes = QuadBoxes(calls);
  bench::Require(boxes.size() == size_t(kParticles), "the embers made %zu boxes, not %d", boxes.size(), kParticles);
  std::vector<uint8_t> inBox(size_t(kW) * kH, 0);
  uint64_t boxPixels = 0;
  for (const TBox& b : boxes) {
    boxPixels += uint64_t(b.x1 - b.x0) * uint64_t(b.y1 - b.y0);
    for (int y = b.y0; y < b.y1; ++y) std::fill(&inBox[size_t(y) * kW + b.x0], &inBox[size_t(y) * kW + b.x1], 1);
  }
  size_t changed = 0, outside = 0;
  for (size_t i = 0; i < lit.size(); ++i)
    if (lit[i] != cleared[i]) {
      ++changed;
      outside += !inBox[i];
    }
  bench::Require(changed > 0 && outside == 0, "the embers changed %zu pixels, %zu of them outside their boxes", changed,
                 outside);
  // The floor: its boxes those the drawing covers, its pixels the plain saturating adds.
  std::vector<TBox> floorBoxes;
  ParticleBoxes(s.embers, floorBoxes);
  bool sameBoxes = floorBoxes.size() == boxes.size();
  for (size_t i = 0; sameBoxes && i < boxes.size(); ++i)
    sameBoxes = floorBoxes[i].x0 == boxes[i].x0 && floorBoxes[i].y0 == boxes[i].y0 && floorBoxes[i].x1 == boxes[i].x1 &&
                floorBoxes[i].y1 == boxes[i].y1;
  bench::Require(sameBoxes, "the floor's boxes are not those the embers' quads cover");
  std::vector<uint32_t> expected = cleared;
  FloorPlain(expected.data(), kW, boxes);
  const std::vector<uint32_t> floored = FrameOf(OnClearFrame([&] { Floor(boxes); }), false);
  bench::Require(floored == expected, "the floor is not the saturating adds over the boxes");
  std::printf("embers: %zu boxes of %llu pixels in all, %zu pixels changed, none outside the boxes; the floor takes "
              "the same boxes and gives exactly the saturating adds\n",
              boxes.size(), (unsigned long long)boxPixels, changed);
  TFrame floor = [&] {
    bench::DrawFrame([&] {
      ParticleBoxes(s.embers, floorBoxes);
      Floor(floorBoxes);
    });
  };
  bench::TComparison c = bench::Alternate([&] { return bench::TimePerCall(embers, 0.2); },
                                          [&] { return bench::TimePerCall(floor, 0.2); });
  bench::PrintMedians("the 500 embers", c, "drawn", "the floor of their boxes", 1e6, "us");
  bench::PrintRatio("embers/floor", c.Ratio());
  PrintPair("the 500 embers alone", "particles", embers, background);

  // Turned against unturned, per pixel drawn.
  CheckAgainstPlain("unturned", OnClearFrame([&] { s.unturned->Render(); }));
  CheckAgainstPlain("turned", OnClearFrame([&] { s.turned->Render(); }));
  std::vector<sdev::test::DrawCall> flatCalls, turnedCalls;
  FrameOf(OnClearFrame([&] { flatCalls = Recorded([&] { s.unturned->Render(); }); }), false);
  FrameOf(OnClearFrame([&] { turnedCalls = Recorded([&] { s.turned->Render(); }); }), false);
  const uint64_t flatPixels = CoveredPixels(flatCalls), turnedPixels = CoveredPixels(turnedCalls);
  size_t turnedQuads = 0;
  for (const auto& call : turnedCalls)
    for (size_t k = 0; k + 6 <= call.indices.size(); k += 6) {
      const auto& a = call.vertices[call.indices[k]];
      const auto& b = call.vertices[call.indices[k + 1]];
      turnedQuads += a.x != b.x && a.y != b.y;
    }
  bench::Require(flatPixels > 0 && turnedPixels > 0 && QuadBoxes(flatCalls).size() == size_t(kParticles) &&
                     turnedQuads * 10 >= size_t(kParticles) * 9,
                 "the particles did not draw as they should (%zu turned of %d)", turnedQuads, kParticles);
  std::printf("particles: 500 unturned cover %llu pixels, 500 turned (%zu of them at a slant) %llu\n",
              (unsigned long long)flatPixels, turnedQuads, (unsigned long long)turnedPixels);
  TFrame flatFrame = [&] { bench::DrawFrame([&] { s.unturned->Render(); }); };
  TFrame turnedFrame = [&] { bench::DrawFrame([&] { s.turned->Render(); }); };
  bench::TComparison t =
      bench::Alternate([&] { return bench::TimePerCall(turnedFrame, 0.2) / double(turnedPixels); },
                       [&] { return bench::TimePerCall(flatFrame, 0.2) / double(flatPixels); });
  bench::PrintMedians("500 particles of 24 pixels, per pixel drawn", t, "turned", "unturned", 1e9, "ns");
  bench::PrintRatio("turned/unturned per pixel", t.Ratio());
}

// The scene frame against the same draws by SDL2's software renderer.
void CompareWithSdl(const std::function<void()>& scene) {
  bench::TSdlReplay sdl(kW, kH);
  std::string why;
  FrameOf(scene, false);  // the text pictures made, as every later frame draws them
  bench::Require(sdl.Record(scene, &why), "the scene cannot be drawn by SDL: %s", why.c_str());
  const std::vector<uint32_t> ours = FrameOf(scene, false);
  sdl.Draw();
  const std::vector<uint32_t> theirs = sdl.Pixels();
  const bench::TPixelDiff d = bench::ComparePixels(ours.data(), theirs.data(), kW, kH, 48);
  std::printf("same work: SDL drew the scene's %zu batches (%zu triangles); %.2f %% of the pixels without a match "
              "within one pixel and 48 levels (mean difference in place %.2f per channel)\n",
              sdl.Batches(), sdl.Triangles(), d.unmatched * 100, d.meanAbs);
  bench::Require(d.unmatched <= 0.02, "SDL's frame is not the scene: %.2f %% of the pixels without a match",
                 d.unmatched * 100);
  bench::TComparison c = bench::Alternate([&] { return bench::TimePerCall(scene, 0.2); },
                                          [&] { return bench::TimePerCall([&] { sdl.Draw(); }, 0.2); });
  bench::PrintMedians("the scene frame", c, "lantern", "SDL2 software renderer");
  bench::PrintRatio("lantern/sdl scene", c.Ratio());
}

// The location's picture, the frame the others are checked against.
void DrawBackground(const TTextureRef& background) {
  background->DrawAt(0, 0, 1.0f, 1.0f, 0.0f, TDrawParams::kAnchorAtCenter);
}

// The blocks game and the location loc11, both at rest.
struct TRestingGames : TBenchGame {
  TMainGame* location = nullptr;
  TMG01Window* blocks = nullptr;
  TTextureRef background;
  bool ok = false;
  TRestingGames() {
    if (!ready) return;
    location = Make<TMainGame>("MainGame");
    if (!location || !location->IsLoaded()) return;
    location->Update();  // the first step: playing
    for (int i = 0; i < 200; ++i) location->Step(0.016f);
    SetMiniGameLevel(1);
    blocks = Make<TMG01Window>("mg01window");
    if (!blocks || blocks->IsLoadFailed()) return;
    // Its opening message read and closed, as the player does, and its shadow gone.
    TutorScripts_t& tutor = blocks->GetTutor();
    for (int i = 0; i < 600 && !tutor.IsScreenShown(); ++i) blocks->Update();
    for (int i = 0; i < 20 && tutor.IsActive(); ++i) {
      const TPoint close(704, 545);
      blocks->OnMouseMove(close);
      blocks->OnMouseDown(close);
      blocks->OnMouseUp(close);
      for (int k = 0; k < 100; ++k) blocks->Update();
    }
    if (tutor.IsActive()) return;
    background = TTexture::Get("locations/loc11/bg");
    ok = background != nullptr;
  }
  // A frame: the window's step (the window manager gives it one every
  // frame), then its drawing.
  void BlocksFrame() {
    blocks->Update();
    bench::DrawFrame([&] { blocks->Draw(); });
  }
  void LocationFrame() {
    location->Update();
    bench::DrawFrame([&] { location->Draw(); });
  }
};

int PrintBlocksRatio() {
  TRestingGames g;
  bench::Require(g.ok, "blocks: the blocks game and the location could not be set up");
  CheckAgainstPlain("blocks", [&] { g.BlocksFrame(); });
  CheckAgainstPlain("location", [&] { g.LocationFrame(); });
  const std::vector<uint32_t> blocks = FrameOf([&] { g.BlocksFrame(); }, false);
  const std::vector<uint32_t> location = FrameOf([&] { g.LocationFrame(); }, false);
  const std::vector<uint32_t> back = FrameOf([&] { bench::DrawFrame([&] { DrawBackground(g.background); }); }, false);
  const int board = Differing(blocks, back, TRect(320, 110, 704, 494)), panel = Differing(location, back, TRect(0, 640, kW, kH));
  std::printf("blocks game: %d pixels of its board differ from the location's picture; the location's panel %d; "
              "the game drawn from %s\n",
              board, panel, g.blocks->IsComposedDrawn() ? "its composed picture" : "its pieces");
  bench::Require(board > 300 * 300 && panel > kW * 64, "blocks: the board or the panel is not drawn");
  bench::Require(g.blocks->IsComposedDrawn(), "blocks: the game at rest was not drawn from its composed picture");
  bench::TComparison c =
      bench::Alternate([&] { return bench::TimePerCall([&] { g.BlocksFrame(); }, 0.2, bench::CpuSeconds); },
                       [&] { return bench::TimePerCall([&] { g.LocationFrame(); }, 0.2, bench::CpuSeconds); });
  bench::PrintMedians("a frame at rest, CPU", c, "the blocks game", "the location");
  bench::PrintRatio("blocks/location", c.Ratio());
  return 0;
}

}  // namespace

namespace {

// Draws the frame again and again for a profiler and prints the least and
// the median time a frame took (for comparing builds on a busy machine).
int Profile(const std::function<void()>& frame, int frames) {
  std::vector<double> took;
  for (int i = 0; i < frames; ++i) {
    const auto start = std::chrono::steady_clock::now();
    frame();
    took.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(took.begin(), took.end());
  std::printf("profile: %d frames, least %.1f us, median %.1f us\n", frames, took.front(), took[took.size() / 2]);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> parts(argv + 1, argv + argc);
  const bool profile = !parts.empty() && parts[0] == "profile";
  if (profile) parts.erase(parts.begin());
  int profileFrames = 2000;  // "profile <part> <frames>"
  if (profile && parts.size() >= 2 && std::atoi(parts.back().c_str()) > 0) {
    profileFrames = std::atoi(parts.back().c_str());
    parts.pop_back();
  }
  auto wanted = [&](const char* part) {
    return parts.empty() || std::find(parts.begin(), parts.end(), part) != parts.end();
  };
  TLogCapture quiet;  // the demo data's missing sounds and the like
  if (profile && !parts.empty() && (parts[0] == "blocks" || parts[0] == "location")) {
    TRestingGames g;
    bench::Require(g.ok, "blocks: the blocks game and the location could not be set up");
    if (parts[0] == "location") return Profile([&] { g.LocationFrame(); }, profileFrames);
    return Profile([&] { g.BlocksFrame(); }, profileFrames);
  }
  // The parts that start afresh (a child process, or runs of the program),
  // before anything is loaded here.
  if (!profile) {
    if (wanted("journalopen"))
      if (int failed = PrintJournalOpenRatio()) return failed;
    if (wanted("blocks"))
      if (int failed = InChild(PrintBlocksRatio)) return failed;
    if (wanted("menu"))
      if (int failed = PrintMenuRatio()) return failed;
    if (wanted("startup"))
      if (int failed = PrintStartupRatio()) return failed;
    if (wanted("window"))
      if (int failed = PrintWindowRatio()) return failed;
    if (wanted("pictures"))
      if (int failed = PrintPicturesRatios()) return failed;
    if (!wanted("scene") && !wanted("particles") && !wanted("comic") && !wanted("journal")) return 0;
  }
  SceneBench s;
  bench::Require(s.ok, "the scene could not be set up (%d particles)", s.living);
  using TFrame = std::function<void()>;
  TFrame scene = [&] { bench::DrawFrame([&] { s.scene->Draw(); }); };
  TFrame background = [&] { bench::DrawFrame([&] { DrawBackground(s.background); }); };
  TFrame comic = [&] { bench::DrawFrame([&] { s.comic->Draw(); }); };
  TFrame journal = [&] {
    bench::DrawFrame([&] {
      DrawBackground(s.background);
      s.journal->Draw();
    });
  };
  if (wanted("comic")) bench::Require(s.MakeComic(), "the demo comic's first page could not be shown");
  if (wanted("journal")) bench::Require(s.MakeJournal(), "the journal could not be opened on a written page");
  if (profile) {
    TFrame embers = [&] { bench::DrawFrame([&] { s.embers->Render(); }); };
    TFrame turned = [&] { bench::DrawFrame([&] { s.turned->Render(); }); };
    TFrame unturned = [&] { bench::DrawFrame([&] { s.unturned->Render(); }); };
    const TFrame& frame = wanted("comic")      ? comic
                          : wanted("journal")  ? journal
                          : wanted("embers")   ? embers
                          : wanted("turned")   ? turned
                          : wanted("unturned") ? unturned
                                               : scene;
    return Profile(frame, profileFrames);
  }
  std::vector<uint32_t> back = FrameOf(background, false);
  if (wanted("scene")) {
    CheckAgainstPlain("scene", scene);
    std::vector<uint32_t> a = FrameOf(scene, false);
    // Both drew the location: a corner that nothing covers is the same; the
    // scene has its panel and its objects on top.
    int corner = Differing(a, back, TRect(0, 0, 60, 36)), panel = Differing(a, back, TRect(0, 640, kW, kH));
    std::printf("same location: %d of 2160 corner pixels differ; the panel changes %d pixels; %d embers live\n",
                corner, panel, s.living);
    bench::Require(corner == 0, "the scene's picture is not the background's (%d pixels differ)", corner);
    bench::Require(panel > kW * 64, "the scene drew no panel");
    CompareWithSdl(scene);
  }
  if (wanted("particles")) CompareParticles(s, background);
  if (wanted("comic")) {
    uint64_t pictures = CheckAgainstPlain("comic", comic);
    int captions = 0;
    std::vector<uint32_t> a = FrameOf(comic, false);
    for (const auto& f : s.comic->pages[0]->fragments)
      if (f->text) captions += Differing(a, back, TRect(int(f->text->x), int(f->text->y), int(f->text->x) + f->text->w,
                                                          int(f->text->y) + f->text->h)) > 0;
    std::printf("comic: %d captions drawn from %llu text pictures\n", captions, (unsigned long long)pictures);
    bench::Require(captions >= 2 && pictures >= 2, "the comic page shows no captions from pictures");
    PrintPair("comic page", "comic", comic, background);
  }
  if (wanted("journal")) {
    CheckAgainstPlain("journal", journal);
    std::printf("journal: its still spread drawn from %s\n",
                s.journal->IsSpreadComposed() ? "its composed picture" : "its pieces");
    bench::Require(s.journal->IsSpreadComposed(), "the journal's still spread was not drawn from its composed picture");
    PrintPair("journal open", "journal", journal, background);
  }
  return 0;
}
