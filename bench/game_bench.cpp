// The game on the software display at 1024 x 768.
//
// Scene frame: the play screen on the demo location loc11 (its picture, the
// thirteen objects, the panel with its buttons and the list of names, the
// coins), with a found object's and a hinted object's picture effects
// running and 500 living particles of the scene, against a frame that only
// draws the location's picture. Prints "ratio scene/background: X" (aim: at
// most 2.2), and "ratio particles/background: Y" for the 500 particles alone.
// The background frame itself (an opaque picture drawn texel for pixel,
// which the device copies) is put against a memcpy of the frame's bytes:
// "ratio background/memcpy" (no aim: it says how near the memory limit the
// denominator of the other ratios is).
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
// Start-up and playthrough (game_startup.cpp): "ratio startup/frame: Z" and
// "ratio playthrough/frames: W".
// A real window (game_window.cpp): "ratio window/headless: V", the CPU of a
// main-menu frame in an SDL window on Xvfb against the same frame headless.
//
// Parts named on the command line run alone: scene, comic, journal,
// startup, window, playthrough ("profile <part>" draws the frame of scene,
// particles, comic or journal 2,000 times for a profiler).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <cstring>
#include <vector>
#include <string>

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
#include "render/device/displayhandler.h"
#include "render/renderer.h"
#include "render/sdev/sdev.h"
#include "render/drawparams.h"
#include "render/text/textblock.h"
#include "render/textures/texture.h"
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

// The demo's texts for the captions, the journal and the list of names.
class TStrings : public TWindowEnvironment {
public:
  TString GetString(const TString& label, const TString* args, int count) override {
    return table.Has(label) ? ApplySubstitutions(table.GetString(label), args, count) : label;
  }
  TStringTable table;
};

struct SceneBench {
  TAssetManager assets;
  TStrings strings;
  sdev::FixedWindow window{kW, kH};
  TWindowManager* wm = nullptr;
  TWindowScript* script = nullptr;
  TMainGame* scene = nullptr;
  TTextureRef background;
  std::unique_ptr<ComicsData> comic;
  std::unique_ptr<LogBook_t> journal;
  int living = 0;
  bool ok = false;

  SceneBench() {
    if (chdir(LANTERN_BENCH_SOURCE) != 0) return;
    SetAssetManager(&assets);
    RefreshFileLayer();
    CreateDisplayHandler()->Open(&window, kW, kH, false);
    LoadMainXml();
    strings.table.Load("strings.xml");
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

    wm = new TWindowManager(&strings);
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
    LocationInfo& info = GetGameProgress().FindLocationInfo("loc11");
    info.SetStartDateTime("12.05.2024", "10:30");
    info.SetPassDateTime("12.05.2024", "10:52");
    info.passed = 1;
    journal = std::make_unique<LogBook_t>(nullptr);
    journal->lastLocation = journal->CountJournalPages() - 1;
    journal->Rebuild();
    journal->photosOnly = false;
    journal->locationCompleted = true;  // its closing text shows, written by the pen first
    journal->zoomState = 0;
    journal->zoomSide = 2;
    journal->Open(LogBook_t::kJournal, 0);
    journal->StartOpening();
    for (int i = 0; i < 1000 && (!journal->IsOpen() || journal->IsWriting()); ++i) journal->Update(0.016f);
    for (int i = 0; i < 100; ++i) journal->Update(0.016f);
    return journal->IsOpen() && !journal->IsWriting() && !journal->GetCurrentClosingText().IsEmpty();
  }
  ~SceneBench() {
    comic.reset();
    journal.reset();
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

// The frame `draw` makes, drawn the plain way (every pixel by the plain
// formulas, text from its glyph runs) or the fast way.
std::vector<uint32_t> FrameOf(const std::function<void()>& draw, bool plain) {
  sdev::SetVectorLevel(plain ? 0 : 3);
  TTextBlock::SetPicturesEnabled(!plain);
  LogBook_t::SetComposingEnabled(!plain);
  draw();
  if (!plain) draw();  // the second drawing of unchanged text makes its pictures
  std::vector<uint32_t> px = bench::BackBufferPixels(kW, kH);
  sdev::SetVectorLevel(3);
  TTextBlock::SetPicturesEnabled(true);
  LogBook_t::SetComposingEnabled(true);
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

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> parts(argv + 1, argv + argc);
  const bool profile = !parts.empty() && parts[0] == "profile";
  if (profile) parts.erase(parts.begin());
  auto wanted = [&](const char* part) {
    return parts.empty() || std::find(parts.begin(), parts.end(), part) != parts.end();
  };
  TLogCapture quiet;  // the demo data's missing sounds and the like
  SceneBench s;
  bench::Require(s.ok, "the scene could not be set up (%d particles)", s.living);
  using TFrame = std::function<void()>;
  TFrame scene = [&] { bench::DrawFrame([&] { s.scene->Draw(); }); };
  TFrame background = [&] {
    bench::DrawFrame([&] { s.background->DrawAt(0, 0, 1.0f, 1.0f, 0.0f, TDrawParams::kAnchorAtCenter); });
  };
  TFrame particles = [&] { bench::DrawFrame([&] { DrawParticleEmitter(kSceneParticleOwner, 1.0f, TRect(0, 0, kW, kH), 1); }); };
  TFrame comic = [&] { bench::DrawFrame([&] { s.comic->Draw(); }); };
  TFrame journal = [&] {
    bench::DrawFrame([&] {
      s.background->DrawAt(0, 0, 1.0f, 1.0f, 0.0f, TDrawParams::kAnchorAtCenter);
      s.journal->Draw();
    });
  };
  if (wanted("comic")) bench::Require(s.MakeComic(), "the demo comic's first page could not be shown");
  if (wanted("journal")) bench::Require(s.MakeJournal(), "the journal could not be opened on a written page");
  if (profile) {
    const TFrame& frame = wanted("comic") ? comic : wanted("journal") ? journal : wanted("particles") ? particles : scene;
    for (int i = 0; i < 2000; ++i) frame();
    return 0;
  }
  std::vector<uint32_t> back = FrameOf(background, false);
  if (wanted("scene")) {
    CheckAgainstPlain("scene", scene);
    std::vector<uint32_t> a = FrameOf(scene, false);
    // Both drew the location: a corner that nothing covers is the same; the
    // scene has its panel and its objects on top.
    int corner = Differing(a, back, TRect(0, 0, 60, 36)), panel = Differing(a, back, TRect(0, 640, kW, kH));
    std::printf("same location: %d of 2160 corner pixels differ; the panel changes %d pixels; %d particles live\n",
                corner, panel, s.living);
    bench::Require(corner == 0, "the scene's picture is not the background's (%d pixels differ)", corner);
    bench::Require(panel > kW * 64, "the scene drew no panel");
    PrintPair("frame", "scene", scene, background);
    std::vector<uint32_t> from(back), to(back.size());
    TFrame copy = [&] { std::memcpy(to.data(), from.data(), to.size() * 4); };
    bench::TComparison c = bench::Alternate([&] { return bench::TimePerCall(background, 0.2); },
                                            [&] { return bench::TimePerCall(copy, 0.2); });
    bench::PrintMedians("the background frame", c, "background", "memcpy of the frame");
    bench::PrintRatio("background/memcpy", c.Ratio());
    PrintPair("the scene's 500 particles alone", "particles", particles, background);
  }
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
  if (wanted("startup"))
    if (int failed = PrintStartupRatio()) return failed;
  if (wanted("window"))
    if (int failed = PrintWindowRatio()) return failed;
  if (wanted("playthrough")) return PrintPlaythroughRatio(background);
  return 0;
}
