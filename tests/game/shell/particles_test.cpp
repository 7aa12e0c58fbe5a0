// The game's particle effects: the library binding (loaded, missing, a
// symbol missing), the wrapper's play states, cache files and quad batch
// (against a recording table), and the real library drawing "object_found"
// on the software display device, checked by where its pixels fall.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "game/shell/particles/particlelib.h"
#include "game/shell/particles/particles.h"
#include "game/shell/particles/particlewrap.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "platform/task.h"
#include "tests/render/display_fixture.h"
#include "tests/support/testsupport.h"

namespace {

// --- A recording table for the wrapper's call sequences ---

struct Fake {
  std::vector<std::string> calls;
  bool interval1 = false, inInterval = true, updateResult = true, interrupt = false;
  bool Called(const std::string& call) const {
    for (const std::string& c : calls)
      if (c == call) return true;
    return false;
  }
};
Fake* gFake = nullptr;

void Note(const std::string& s) { gFake->calls.push_back(s); }

TMagicTable MakeFakeTable() {
  TMagicTable t = NullMagicTable();
  t.IsInterval1 = [](int) { return gFake->interval1; };
  t.InInterval = [](int) { return gFake->inInterval; };
  t.IsInterrupt = [](int) { return gFake->interrupt; };
  t.IsInterpolationMode = [](int) { return true; };
  t.Update = [](int h, double ms) {
    Note("Update " + std::to_string(h) + " " + std::to_string(int(ms)));
    return gFake->updateResult;
  };
  t.Restart = [](int h) { Note("Restart " + std::to_string(h)); };
  t.Stop = [](int h) { Note("Stop " + std::to_string(h)); };
  t.SetInterrupt = [](int h, bool on) {
    gFake->interrupt = on;
    Note("SetInterrupt " + std::to_string(h) + " " + std::to_string(on));
  };
  t.EmitterToInterval1 = [](int h, const char* file) {
    Note("ToInterval1 " + std::to_string(h) + " " + (file ? file : "(none)"));
    return int(kMagicSuccess);
  };
  t.UnloadEmitter = [](int h) { Note("Unload " + std::to_string(h)); };
  return t;
}

class ParticleWrapperTest : public ::testing::Test {
protected:
  void SetUp() override {
    gFake = &fake_;
    table_ = MakeFakeTable();
    SetMagicTable(&table_);
  }
  void TearDown() override {
    SetMagicTable(nullptr);
    gFake = nullptr;
  }
  Fake fake_;
  TMagicTable table_;
};

TEST_F(ParticleWrapperTest, InterruptedEmitterEndsWithoutStop) {
  MP_Manager manager;
  MP_Emitter e(5, &manager);
  EXPECT_EQ(e.GetState(), kEmitterRunning);
  e.Update(16);  // the first update restarts it
  EXPECT_EQ(fake_.calls, (std::vector<std::string>{"Restart 5", "Update 5 16"}));
  e.SetState(kEmitterInterrupted);
  EXPECT_TRUE(fake_.Called("SetInterrupt 5 1"));
  fake_.calls.clear();
  fake_.updateResult = false;  // the living particles are gone
  e.Update(16);
  EXPECT_EQ(e.GetState(), kEmitterStopped);
  EXPECT_FALSE(fake_.Called("Stop 5"));
  // A running emitter whose effect ends is stopped.
  MP_Emitter r(6, &manager);
  r.Update(16);
  EXPECT_TRUE(fake_.Called("Stop 6"));
  EXPECT_EQ(r.GetState(), kEmitterStopped);
}

TEST_F(ParticleWrapperTest, StateChanges) {
  MP_Manager manager;
  MP_Emitter e(7, &manager);
  e.SetState(kEmitterRunning);  // the same state: nothing
  EXPECT_TRUE(fake_.calls.empty());
  e.SetState(kEmitterInterrupted);
  e.SetState(kEmitterStopped);  // from interrupted: no Stop
  EXPECT_FALSE(fake_.Called("Stop 7"));
  e.SetState(kEmitterInterrupted);
  fake_.calls.clear();
  e.SetState(kEmitterRunning);  // clears the interrupt
  EXPECT_TRUE(fake_.Called("SetInterrupt 7 0"));
  e.SetState(kEmitterStopped);
  EXPECT_TRUE(fake_.Called("Stop 7"));
  e.SetState(42);  // stored as it is
  EXPECT_EQ(e.GetState(), 42);
  e.Update(10);
  EXPECT_FALSE(fake_.Called("Update 7 10"));
  // After the first start, leaving the interval brings the emitter back to its start.
  MP_Emitter f(8, &manager);
  f.Update(1);
  f.SetState(kEmitterStopped);
  fake_.inInterval = false;
  fake_.calls.clear();
  f.SetState(kEmitterRunning);
  EXPECT_EQ(fake_.calls, (std::vector<std::string>{"ToInterval1 8 (none)"}));
}

TEST_F(ParticleWrapperTest, CacheFilesOnlyInTheirOwnFolder) {
  testing_support::TempDir work, cache;
  testing_support::ScopedChdir cd(work.Path());
  fake_.interval1 = true;
  int n = ParticleCacheCounter();
  {
    // No cache folder (the game's choice): no names, no files touched, even
    // an unrelated "mp<n>" in the working folder.
    work.Write("mp" + std::to_string(n), "keep me");
    MP_Manager manager;
    manager.SetLoadOptions(1, 1, false, "");
    MP_Emitter e(3, &manager);
    e.Restart();
    e.Restart();
    EXPECT_EQ(fake_.calls, (std::vector<std::string>{"ToInterval1 3 (none)", "ToInterval1 3 (none)"}));
    EXPECT_EQ(testing_support::ReadFile(work.File("mp" + std::to_string(n))), "keep me");
    EXPECT_EQ(ParticleCacheCounter(), n);
  }
  {
    // A cache folder: "mp0", "mp1", ... there; a left-over file goes before
    // first use and each restart removes the previous file.
    MP_Manager manager;
    manager.SetLoadOptions(1, 1, false, cache.Path().c_str());
    EXPECT_EQ(manager.cacheFolder, cache.Path() + "/");
    std::string first = cache.File("mp" + std::to_string(n));
    std::string second = cache.File("mp" + std::to_string(n + 1));
    cache.Write("mp" + std::to_string(n), "left over");
    fake_.calls.clear();
    auto e = std::make_unique<MP_Emitter>(4, &manager);
    e->Restart();
    EXPECT_EQ(fake_.calls.back(), "ToInterval1 4 " + first);
    EXPECT_FALSE(testing_support::FileExists(first));
    cache.Write("mp" + std::to_string(n), "state");  // as a library might
    e->Restart();
    EXPECT_FALSE(testing_support::FileExists(first));
    EXPECT_EQ(e->GetCacheFile(), second);
    cache.Write("mp" + std::to_string(n + 1), "state");
    e.reset();
    EXPECT_FALSE(testing_support::FileExists(second));
    // Without interval 1: Magic_Restart and no file.
    fake_.interval1 = false;
    MP_Emitter plain(9, &manager);
    plain.Restart();
    EXPECT_EQ(fake_.calls.back(), "Restart 9");
    EXPECT_TRUE(plain.GetCacheFile().empty());
  }
}

TEST(ParticleBatchTest, GrowsByAQuarterWithTheQuadPattern) {
  BrindlewaxBuffer batch;
  EXPECT_EQ(batch.GetCapacity(), 10);
  for (int i = 0; i < 10; ++i) ASSERT_NE(batch.AddQuad(), nullptr);
  EXPECT_EQ(batch.GetCapacity(), 10);
  batch.AddQuad();  // the eleventh
  EXPECT_EQ(batch.GetCapacity(), 12);
  batch.AddQuad();
  batch.AddQuad();
  EXPECT_EQ(batch.GetCapacity(), 15);
  const uint16_t* idx = batch.GetIndices();
  const uint16_t expect[6] = {44, 45, 46, 47, 44, 46};  // quad 11
  for (int k = 0; k < 6; ++k) EXPECT_EQ(idx[66 + k], expect[k]);
  EXPECT_EQ(batch.GetVertices()[4 * 14 + 3].z, 0.0f);
  EXPECT_EQ(batch.GetVertices()[4 * 14 + 3].specular, 0u);
  // 16-bit indices: one batch holds at most 16384 quads.
  while (batch.GetCount() < BrindlewaxBuffer::kMaxQuads) ASSERT_NE(batch.AddQuad(), nullptr);
  EXPECT_EQ(batch.AddQuad(), nullptr);
  EXPECT_EQ(batch.GetIndices()[6 * 16383 + 3], 4 * 16383 + 3);
}

// --- The binding ---

TEST(ParticleLibraryTest, MissingLibraryGivesOneLineAndAGameWithoutParticles) {
  testing_support::TempDir dir;
  SetSetting("particlelibrary", TString((dir.Path() + "/libmagic.so").c_str()));
  TLogCapture log;
  EXPECT_FALSE(LoadMagicLibrary());
  EXPECT_FALSE(IsMagicLibraryLoaded());
  int file = 0;
  EXPECT_EQ(Magic().OpenFile("assets/particles/fire.ptc", &file), kMagicError);
  EXPECT_FALSE(Magic().Update(1, 10));
  EXPECT_EQ(Magic().GetNextParticle(), nullptr);
  EXPECT_EQ(Magic().GetEmitterName(1), nullptr);
  Magic().Stop(1);
  EXPECT_EQ(log.Count("Particle library"), 1u);
  EXPECT_TRUE(log.Contains("Particle library " + dir.Path() + "/libmagic.so not available: "));
  // The game's side plays on: no emitters, nothing drawn, nothing logged again.
  MP_Manager manager;
  EXPECT_EQ(manager.LoadFile("assets/particles/fire.ptc"), kMagicError);
  InitParticles();
  ASSERT_NE(GetParticleManager(), nullptr);
  EXPECT_EQ(GetParticleManager()->GetEmitterCount(), 0);
  AddParticleEmitter("object_found", 100, 100, 1, true, 0, 1);
  EXPECT_TRUE(GetShownEmitters().empty());
  UpdateParticles(0.016f);
  DrawParticleEmitter(1, 2.0f, TRect(0, 0, 1024, 768), 1);
  std::unique_ptr<TTask> task(NewParticleTextureTask());
  EXPECT_TRUE(task->DoTask());
  EXPECT_FALSE(AreOwnerEmittersVisible(0));
  ShutdownParticles();
  EXPECT_EQ(GetParticleManager(), nullptr);
  EXPECT_EQ(log.Count("Particle library"), 1u);
  ClearSettings();
}

TEST(ParticleLibraryTest, MissingEntryPointCountsAsNoLibrary) {
  // The C library loads but has none of the entry points.
  Dl_info info;
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&getpid), &info), 0);
  TLogCapture log;
  EXPECT_FALSE(LoadMagicLibrary(info.dli_fname));
  EXPECT_TRUE(log.Contains("not available: no entry point Magic_OpenFile"));
  EXPECT_EQ(Magic().LockParticlesType(1, 0), kMagicError);
  UnloadMagicLibrary();
}

TEST(ParticleLibraryTest, RealLibraryResolvesAllEntryPoints) {
  SetSetting("particlelibrary", LANTERN_PARTICLE_LIBRARY);
  TLogCapture log;
  ASSERT_TRUE(LoadMagicLibrary());
  EXPECT_EQ(GetMagicLibraryPath(), LANTERN_PARTICLE_LIBRARY);
  EXPECT_TRUE(LoadMagicLibrary());  // loaded already
  EXPECT_NE(MagicExtras().GetLastError, nullptr);
  const TMagicTable& t = Magic();
  EXPECT_NE(&t, &NullMagicTable());
  const void* const* entries = reinterpret_cast<const void* const*>(&t);
  static_assert(sizeof(TMagicTable) == kMagicEntryPointCount * sizeof(void*), "44 entry points");
  for (int i = 0; i < kMagicEntryPointCount; ++i) EXPECT_NE(entries[i], nullptr) << i;
  EXPECT_EQ(log.Count("Particle library"), 0u);
  UnloadMagicLibrary();
  EXPECT_FALSE(IsMagicLibraryLoaded());
  ClearSettings();
}

// --- The real library on the software display ---

struct Lit {
  int count = 0;
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  double cx = 0, cy = 0;
};

Lit Measure(const sdev::test::Frame& f) {
  Lit l;
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x) {
      uint32_t p = f.At(x, y);
      int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      if (r + g + b < 24) continue;
      ++l.count;
      l.left = std::min(l.left, x);
      l.right = std::max(l.right, x + 1);
      l.top = std::min(l.top, y);
      l.bottom = std::max(l.bottom, y + 1);
      l.cx += x + 0.5;
      l.cy += y + 0.5;
    }
  if (l.count) {
    l.cx /= l.count;
    l.cy /= l.count;
  }
  return l;
}

class ParticleDrawTest : public DisplayTest {
protected:
  void SetUp() override {
    DisplayTest::SetUp();
    SetSetting("particlelibrary", LANTERN_PARTICLE_LIBRARY);
    cd_.reset(new testing_support::ScopedChdir(testing_support::SourceDir()));
    ASSERT_TRUE(Open(1024, 768));
    handler_->runRestoreTasks = [this]() {
      ++restoreTasksRun_;
      restore_.Run(0);
    };
  }
  void TearDown() override {
    ShutdownParticles();
    cd_.reset();
    DisplayTest::TearDown();
  }
  MP_Emitter* Find(const char* name) { return GetParticleManager()->FindEmitter(name); }
  std::vector<MagicParticle> Particles(MP_Emitter* e) {
    std::vector<MagicParticle> out;
    const TMagicTable& m = Magic();
    for (int i = 0; i < m.GetEmitterCount(e->GetHandle()); ++i) {
      int sub = m.GetEmitter(e->GetHandle(), i);
      for (int j = 0; j < m.GetParticlesTypeCount(sub); ++j) {
        m.LockParticlesType(sub, j);
        while (const MagicParticle* p = m.GetNextParticle()) out.push_back(*p);
        m.UnlockParticlesType();
      }
    }
    return out;
  }
  std::unique_ptr<testing_support::ScopedChdir> cd_;
  TTaskList restore_;
};

TEST_F(ParticleDrawTest, ObjectFoundDrawnAtItsPointAndScale) {
  InitParticles();
  ASSERT_GE(GetParticleManager()->GetEmitterCount(), 4);
  AddParticleEmitter("object_found", 450, 330, 7, false, 0, 1);
  AddParticleEmitter("hint_3", 800, 600, 9, true, 0, 1);  // another owner
  for (int i = 0; i < 6; ++i) UpdateParticles(0.016f);
  const TRect screen(0, 0, 1024, 768);
  Lit one = Measure(Frame([&] { DrawParticleEmitter(7, 1.0f, screen, 1); }));
  EXPECT_EQ(TRenderer::GetInstance()->GetBlendMode(), kBlendModeAlpha);  // restored after the additive batch
  ASSERT_GT(one.count, 200);
  EXPECT_NEAR(one.cx, 450, 12);
  EXPECT_NEAR(one.cy, 330, 12);
  EXPECT_LT(one.left, 450);
  EXPECT_GT(one.right, 450);
  EXPECT_GT(one.left, 450 - 120);
  EXPECT_LT(one.right, 450 + 120);
  EXPECT_GT(one.top, 330 - 120);
  EXPECT_LT(one.bottom, 330 + 120);
  // Magnified 2x about the screen's centre M: everything lands at M + (q - M) x 2.
  Lit two = Measure(Frame([&] { DrawParticleEmitter(7, 2.0f, screen, 1); }));
  EXPECT_NEAR(two.cx, 512 + (one.cx - 512) * 2, 3);
  EXPECT_NEAR(two.cy, 384 + (one.cy - 384) * 2, 3);
  EXPECT_NEAR(two.right - two.left, 2 * (one.right - one.left), 6);
  EXPECT_NEAR(two.bottom - two.top, 2 * (one.bottom - one.top), 6);
  EXPECT_NEAR(double(two.count) / one.count, 4.0, 0.6);
  // At 1.5 about another centre (the rectangle's).
  const TRect half(100, 100, 500, 400);
  Lit mid = Measure(Frame([&] { DrawParticleEmitter(7, 1.5f, half, 1); }));
  EXPECT_NEAR(mid.cx, 300 + (one.cx - 300) * 1.5, 3);
  EXPECT_NEAR(mid.cy, 250 + (one.cy - 250) * 1.5, 3);
  // The emitter and its particles are back where they were, at scale 1.
  Lit again = Measure(Frame([&] { DrawParticleEmitter(7, 1.0f, screen, 1); }));
  EXPECT_EQ(again.count, one.count);
  EXPECT_NEAR(again.cx, one.cx, 0.01);
  float x = 0, y = 0;
  Find("object_found")->GetPosition(&x, &y, nullptr);
  EXPECT_EQ(x, 450);
  EXPECT_EQ(y, 330);
  // Another layer or owner draws nothing of it.
  EXPECT_EQ(Measure(Frame([&] { DrawParticleEmitter(7, 1.0f, screen, 2); })).count, 0);
  EXPECT_EQ(Measure(Frame([&] { DrawParticleEmitter(8, 1.0f, screen, 1); })).count, 0);
  Lit hint = Measure(Frame([&] { DrawParticleEmitter(9, 1.0f, screen, 1); }));
  EXPECT_GT(hint.count, 0);
  EXPECT_NEAR(hint.cx, 800, 40);
}

TEST_F(ParticleDrawTest, OneShotEndsAndStops) {
  InitParticles();
  AddParticleEmitter("object_found", 300, 300, 1, true, 0, 0);
  MP_Emitter* e = Find("object_found");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->GetState(), kEmitterRunning);
  for (int i = 0; i < 200 && e->GetState() != kEmitterStopped; ++i) UpdateParticles(0.016f);
  EXPECT_EQ(e->GetState(), kEmitterStopped);
  EXPECT_EQ(Measure(Frame([&] { DrawParticleEmitter(1, 1.0f, TRect(0, 0, 1024, 768), 0); })).count, 0);
  // Added again: it plays once more.
  AddParticleEmitter("object_found", 300, 300, 1, true, 0, 0);
  UpdateParticles(0.05f);
  EXPECT_GT(Particles(e).size(), 10u);
}

TEST_F(ParticleDrawTest, AddingTheSameNameTwiceRestartsOneEmitter) {
  InitParticles();
  for (int i = 0; i < GetParticleManager()->GetEmitterCount(); ++i)
    EXPECT_EQ(GetParticleManager()->GetEmitter(i)->GetState(), kEmitterStopped);
  AddParticleEmitter("object_found", 100, 100, 1, true, 0, 0);
  UpdateParticles(0.1f);
  MP_Emitter* e = Find("object_found");
  size_t before = Particles(e).size();
  EXPECT_GT(before, 0u);
  AddParticleEmitter("object_found", 600, 400, 1, true, 0, 0);
  ASSERT_EQ(GetShownEmitters().size(), 2u);
  EXPECT_EQ(GetShownEmitters()[0], GetShownEmitters()[1]);
  EXPECT_TRUE(Particles(e).empty());  // restarted
  float x = 0, y = 0;
  e->GetPosition(&x, &y, nullptr);
  EXPECT_EQ(x, 600);
  EXPECT_EQ(y, 400);
  UpdateParticles(0.016f);
  for (const MagicParticle& p : Particles(e)) EXPECT_LT(std::hypot(p.x - 600, p.y - 400), 40);
  DestroyAllEmitters();
  EXPECT_TRUE(GetShownEmitters().empty());
  EXPECT_EQ(e->GetState(), kEmitterStopped);
  EXPECT_NE(Find("object_found"), nullptr);  // still loaded
}

TEST_F(ParticleDrawTest, PositionSentinelAndVisibilityGroups) {
  InitParticles();
  AddParticleEmitter("object_found", -200, -200, 1, false, 0, 0);
  float x = 0, y = 0;
  Find("object_found")->GetPosition(&x, &y, nullptr);
  EXPECT_EQ(x, 512);  // the effect file's own place
  EXPECT_EQ(y, 384);
  AddParticleEmitter("object_found", -200, 50, 1, false, 0, 0);
  Find("object_found")->GetPosition(&x, &y, nullptr);
  EXPECT_EQ(x, -200);
  EXPECT_EQ(y, 50);
  EXPECT_TRUE(Find("object_found")->visible);  // group 0 is always visible
  AddParticleEmitter("hint_3", 10, 10, 1, false, 5, 0);
  AddParticleEmitter("fire", 10, 10, 1, true, 6, 0);
  EXPECT_FALSE(AreOwnerEmittersVisible(5));
  EXPECT_TRUE(AreOwnerEmittersVisible(6));
  EXPECT_FALSE(AreOwnerEmittersVisible(77));
  SetOwnerEmittersVisible(5, true);
  SetOwnerEmittersVisible(6, false);
  EXPECT_TRUE(AreOwnerEmittersVisible(5));
  EXPECT_FALSE(Find("fire")->visible);
  AddParticleEmitter("no such effect", 1, 1, 1, true, 0, 0);
  EXPECT_EQ(GetShownEmitters().size(), 4u);
}

TEST_F(ParticleDrawTest, AtlasHoldsThePicturesAndSurvivesARestore) {
  // An extra effect whose 32 x 32 spark is stretched to 64 x 64 in the atlas.
  testing_support::TempDir fx;
  std::string file = fx.Write("big.ptc",
                              "lantern-particles 1\nemitter big\nloop yes\nduration 0\n"
                              "type t\nframes 64 64 spark.png\nburst 1\nlife 60000\nsize 64\nend\nend\n");
  InitParticles();
  MP_Manager* m = GetParticleManager();
  int lists = m->GetFrameListCount();
  ASSERT_GT(lists, 4);
  m->SetLoadOptions(1, 1, true, nullptr);
  ASSERT_EQ(m->LoadFile(file.c_str()), kMagicSuccess);
  EXPECT_EQ(m->LoadFile((fx.Path() + "/missing.ptc").c_str()), kMagicError);
  restore_.Add(NewParticleTextureTask());
  SetupParticleTextures();
  EXPECT_EQ(m->GetFrameListCount(), lists + 1);
  // The type's texture id names its frame list.
  MP_Emitter* big = Find("big");
  const TMagicTable& lib = Magic();
  int sub = lib.GetEmitter(big->GetHandle(), 0);
  ASSERT_EQ(lib.LockParticlesType(sub, 0), kMagicSuccess);
  MP_FrameList* list = m->GetFrameList(lib.GetTextureID());
  const MagicTexture* rec = lib.GetTexture(0);
  lib.UnlockParticlesType();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->GetFrameCount(), 1);
  EXPECT_EQ(list->GetFrame(0)->GetTexture(), rec);
  ASSERT_EQ(rec->width, 64);
  auto* atlas = dynamic_cast<MP_Atlas_WRAP*>(m->GetAtlasAt(list->atlasIndex));
  ASSERT_NE(atlas, nullptr);
  TTextureRef spark = TTexture::GetFlagged("particles/textures/spark.png?alpha,slow");
  ASSERT_TRUE(spark);
  auto checkCopy = [&]() {
    uint32_t *a = nullptr, *s = nullptr, ap = 0, sp = 0;
    ASSERT_TRUE(atlas->GetTexture()->Lock(&a, &ap));
    ASSERT_TRUE(spark->Lock(&s, &sp));
    int x0 = int(rec->left * 1024), y0 = int(rec->top * 1024);
    int differ = 0, lit = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        uint32_t want = s[size_t(y / 2) * sp + size_t(x / 2)];  // each picture pixel as a 2 x 2 block
        differ += a[size_t(y0 + y) * ap + size_t(x0 + x)] != want;
        lit += (want >> 24) != 0;
      }
    spark->Unlock();
    atlas->GetTexture()->Unlock();
    EXPECT_EQ(differ, 0);
    EXPECT_GT(lit, 400);
  };
  checkCopy();
  // The display is lost and comes back: the restore task lays the atlases
  // out again, without piling up frame lists.
  AddParticleEmitter("big", 500, 400, 3, true, 0, 0);
  UpdateParticles(0.016f);
  Lit before = Measure(Frame([&] { DrawParticleEmitter(3, 1.0f, TRect(0, 0, 1024, 768), 0); }));
  EXPECT_GT(before.count, 300);
  int base = restoreTasksRun_;
  sdev::test::Fault::LoseDevice();
  EXPECT_FALSE(TRenderer::GetInstance()->BeginDraw());
  sdev::test::Fault::RegainFocus();
  Lit after = Measure(Frame([&] { DrawParticleEmitter(3, 1.0f, TRect(0, 0, 1024, 768), 0); }));
  EXPECT_EQ(restoreTasksRun_, base + 1);
  EXPECT_EQ(m->GetFrameListCount(), lists + 1);
  EXPECT_EQ(after.count, before.count);
  checkCopy();
}

TEST_F(ParticleDrawTest, LoadsFoldersWithTheLoadOptions) {
  testing_support::TempDir fx;
  std::string file = fx.Write("tree.ptc",
                              "lantern-particles 1\n"
                              "emitter top\ntype t\nframes 4 4 a.png\nend\nend\n"
                              "folder a\n folder b\n  emitter deep\n  type t\n  frames 4 4 a.png\n  end\n  end\n end\n"
                              " emitter middle\n type t\n frames 4 4 a.png\n end\n end\nend\n");
  MP_Manager m;
  m.SetLoadOptions(2, 0, true, nullptr);
  ASSERT_EQ(m.LoadFile(file.c_str()), kMagicSuccess);
  ASSERT_EQ(m.GetEmitterCount(), 3);
  const TMagicTable& lib = Magic();
  const char* order[] = {"top", "deep", "middle"};
  for (int i = 0; i < 3; ++i) {
    int h = m.GetEmitter(i)->GetHandle();
    EXPECT_STREQ(lib.GetEmitterName(h), order[i]);
    EXPECT_FALSE(lib.IsInterpolationMode(h));  // 2: off
    EXPECT_TRUE(lib.GetEmitterPositionMode(h));
    EXPECT_TRUE(lib.GetEmitterDirectionMode(h));
  }
  EXPECT_EQ(m.GetEmitter(3), nullptr);
  EXPECT_EQ(m.FindEmitter("middle"), m.GetEmitter(2));
  EXPECT_EQ(m.FindEmitter("Middle"), nullptr);
  // A damaged file is refused with a line naming it.
  TLogCapture log;
  std::string bad = fx.Write("bad.ptc", "lantern-particles 1\nemitter x\n");
  EXPECT_EQ(m.LoadFile(bad.c_str()), kMagicError);
  EXPECT_TRUE(log.Contains("bad.ptc refused: "));
  EXPECT_EQ(m.GetEmitterCount(), 3);
}

}  // namespace
