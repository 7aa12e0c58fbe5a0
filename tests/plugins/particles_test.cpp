// The particle library through its entry points: the shared object is
// opened with dlopen for every test (a fresh library each time), effect
// files are written to a temporary folder, and particles are read back with
// Magic_LockParticlesType / Magic_GetNextParticle.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "plugins/particles/magic_api.h"
#include "tests/support/testsupport.h"

namespace {

struct Lib {
  void* handle = nullptr;
  template <typename F>
  F Get(const char* name) {
    void* sym = handle ? dlsym(handle, name) : nullptr;
    EXPECT_NE(sym, nullptr) << name;
    return reinterpret_cast<F>(sym);
  }
#define ENTRY(name) decltype(&::Magic_##name) name = Get<decltype(&::Magic_##name)>("Magic_" #name)
  Lib() : handle(dlopen(LANTERN_PARTICLE_LIBRARY, RTLD_NOW | RTLD_LOCAL)) {}
  bool ok = handle != nullptr;
  ENTRY(OpenFile);
  ENTRY(SetCurrentFolder);
  ENTRY(FindFirst);
  ENTRY(FindNext);
  ENTRY(LoadEmitter);
  ENTRY(CloseAllFiles);
  ENTRY(UnloadEmitter);
  ENTRY(SetLoopMode);
  ENTRY(SetEmitterPositionMode);
  ENTRY(CreateAtlases);
  ENTRY(GetEmitterCount);
  ENTRY(GetEmitter);
  ENTRY(GetParticlesTypeCount);
  ENTRY(LockParticlesType);
  ENTRY(UnlockParticlesType);
  ENTRY(GetTextureID);
  ENTRY(SetTextureID);
  ENTRY(GetTextureCount);
  ENTRY(GetTexture);
  ENTRY(IsIntensive);
  ENTRY(GetNextParticle);
  ENTRY(GetParticleRectangle);
  ENTRY(GetEmitterName);
  ENTRY(IsInterval1);
  ENTRY(EmitterToInterval1);
  ENTRY(Restart);
  ENTRY(InInterval);
  ENTRY(IsInterrupt);
  ENTRY(SetInterrupt);
  ENTRY(Stop);
  ENTRY(Update);
  ENTRY(GetEmitterPosition);
  ENTRY(SetEmitterPosition);
  ENTRY(SetScale);
  ENTRY(SetRandomSeed);
  ENTRY(GetLastError);
  ENTRY(GetParticleCount);
#undef ENTRY
  ~Lib() {
    if (handle) dlclose(handle);
  }
};

// The 44 entry points the game resolves.
const char* const kEntryPoints[] = {
    "OpenFile", "SetCurrentFolder", "FindFirst", "FindNext", "LoadEmitter", "SetInterpolationMode", "SetLoopMode",
    "SetEmitterPositionMode", "SetEmitterDirectionMode", "CloseAllFiles", "CreateAtlases", "GetEmitterCount",
    "GetEmitter", "GetParticlesTypeCount", "LockParticlesType", "GetTextureID", "SetTextureID", "GetTextureCount",
    "GetTexture", "UnlockParticlesType", "GetEmitterName", "IsInterval1", "EmitterToInterval1", "Restart",
    "InInterval", "IsInterrupt", "SetInterrupt", "Stop", "UnloadEmitter", "GetEmitterPosition",
    "SetEmitterPosition", "GetEmitterPositionMode", "SetScale", "IsInterpolationMode", "GetUpdateTime", "Update",
    "IsIntensive", "GetNextParticle", "GetParticleRectangle", "DuplicateEmitter", "SetEmitterDirection",
    "GetEmitterDirection", "GetEmitterDirectionMode", "GetScale"};

// One emitter around a single particle type; `type` holds the type's lines.
std::string Effect(const std::string& emitter, const std::string& type) {
  return "lantern-particles 1\n" + emitter + "\ntype t\nframes 8 8 dot.png\n" + type + "\nend\nend\n";
}

class ParticleLibTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(lib_.ok) << dlerror(); }

  // Writes and opens an effect file, loads the emitter of that name from the root.
  int Load(const std::string& text, const char* name = "e") {
    std::string path = dir_.Write("fx" + std::to_string(++files_) + ".ptc", text);
    int file = 0, emitter = 0;
    EXPECT_EQ(lib_.OpenFile(path.c_str(), &file), kMagicSuccess) << lib_.GetLastError();
    EXPECT_EQ(lib_.LoadEmitter(file, name, &emitter), kMagicSuccess);
    return emitter;
  }
  std::vector<MagicParticle> Particles(int emitter, int type = 0) {
    std::vector<MagicParticle> out;
    int sub = lib_.GetEmitter(emitter, 0);
    if (lib_.LockParticlesType(sub, type) != kMagicSuccess) return out;
    while (const MagicParticle* p = lib_.GetNextParticle()) out.push_back(*p);
    lib_.UnlockParticlesType();
    return out;
  }
  // Updates in steps of `step` ms for `total` ms; the last result.
  bool Run(int emitter, double total, double step = 10) {
    bool alive = true;
    for (double t = 0; t < total - 1e-9; t += step) alive = lib_.Update(emitter, step);
    return alive;
  }

  Lib lib_;
  testing_support::TempDir dir_;
  int files_ = 0;
};

TEST_F(ParticleLibTest, ExportsEveryEntryPoint) {
  ASSERT_EQ(sizeof(kEntryPoints) / sizeof(kEntryPoints[0]), 44u);
  for (const char* name : kEntryPoints)
    EXPECT_NE(dlsym(lib_.handle, (std::string("Magic_") + name).c_str()), nullptr) << name;
}

TEST_F(ParticleLibTest, EmissionFollowsRateAndLife) {
  // 100 particles a second living exactly 500 ms: 1 per 10 ms, at most 50 alive.
  int e = Load(Effect("emitter e\nloop yes\nduration 0", "rate 100\nlife 500"));
  EXPECT_TRUE(Run(e, 200));
  EXPECT_EQ(lib_.GetParticleCount(e), 20);
  EXPECT_TRUE(Run(e, 290));
  EXPECT_EQ(lib_.GetParticleCount(e), 49);
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(Run(e, 230));
    int n = lib_.GetParticleCount(e);
    EXPECT_GE(n, 49);
    EXPECT_LE(n, 50);
  }
  // Ages are spread evenly: the oldest is just under the life.
  std::vector<MagicParticle> ps = Particles(e);
  float oldest = 0;
  for (const MagicParticle& p : ps) oldest = std::max(oldest, p.age);
  EXPECT_GT(oldest, 0.95f);
  EXPECT_LT(oldest, 1.0f);
}

TEST_F(ParticleLibTest, RateIsKeptAcrossUnevenSteps) {
  int e = Load(Effect("emitter e\nloop yes\nduration 0", "rate 30\nlife 10000"));
  // 1 s in odd-sized steps still gives 30 particles.
  double steps[] = {1, 3.5, 17, 250, 0.25, 45, 183.25, 500};
  for (double s : steps) lib_.Update(e, s);
  EXPECT_EQ(lib_.GetParticleCount(e), 30);
}

TEST_F(ParticleLibTest, OneShotEndsAndUpdateReturnsFalse) {
  // Emits for 300 ms; the last particle lives 200 ms: over after 500 ms.
  int e = Load(Effect("emitter e\nloop no\nduration 300", "rate 100\nlife 200\nburst 5"));
  lib_.SetLoopMode(e, 0);
  EXPECT_TRUE(lib_.Update(e, 10));
  EXPECT_EQ(lib_.GetParticleCount(e), 6);  // the burst and one from the rate
  double t = 10;
  while (lib_.Update(e, 10)) {
    t += 10;
    ASSERT_LT(t, 2000);
  }
  t += 10;
  EXPECT_GE(t, 500);
  EXPECT_LE(t, 510);
  // The ended effect is rewound: the next update plays it again from the start.
  EXPECT_EQ(lib_.GetParticleCount(e), 0);
  EXPECT_TRUE(lib_.Update(e, 10));
  EXPECT_EQ(lib_.GetParticleCount(e), 6);
}

TEST_F(ParticleLibTest, LoopingEffectDoesNotEnd) {
  int e = Load(Effect("emitter e\nloop yes\nduration 100", "burst 3\nlife 50"));
  // A new burst every 100 ms cycle, each living 50 ms.
  for (int cycle = 0; cycle < 20; ++cycle) {
    EXPECT_TRUE(lib_.Update(e, 25));
    EXPECT_EQ(lib_.GetParticleCount(e), 3) << cycle;
    EXPECT_TRUE(lib_.Update(e, 50));
    EXPECT_EQ(lib_.GetParticleCount(e), 0) << cycle;
    EXPECT_TRUE(lib_.Update(e, 25));
  }
}

TEST_F(ParticleLibTest, InterruptLetsLivingParticlesPlayOut) {
  int e = Load(Effect("emitter e\nloop yes\nduration 0", "rate 100\nlife 400"));
  Run(e, 1000);
  EXPECT_EQ(lib_.GetParticleCount(e), 40);
  lib_.SetInterrupt(e, true);
  EXPECT_TRUE(lib_.IsInterrupt(e));
  EXPECT_TRUE(lib_.Update(e, 100));
  EXPECT_EQ(lib_.GetParticleCount(e), 30);  // none new, the oldest ten gone
  EXPECT_TRUE(lib_.Update(e, 200));
  EXPECT_EQ(lib_.GetParticleCount(e), 10);
  EXPECT_TRUE(lib_.Update(e, 95));
  EXPECT_FALSE(lib_.Update(e, 10));  // the last one is gone: the effect has ended
  EXPECT_EQ(lib_.GetParticleCount(e), 0);
  // Still interrupted: nothing starts until the interrupt is cleared.
  EXPECT_FALSE(lib_.Update(e, 100));
  lib_.SetInterrupt(e, false);
  EXPECT_TRUE(lib_.Update(e, 100));
  EXPECT_EQ(lib_.GetParticleCount(e), 10);
}

TEST_F(ParticleLibTest, PositionModeMovesLivingParticles) {
  int e = Load(Effect("emitter e\nposition 100 50\nloop yes\nduration 0", "rate 100\nlife 10000"));
  Run(e, 100);
  ASSERT_EQ(Particles(e).size(), 10u);
  for (const MagicParticle& p : Particles(e)) EXPECT_FLOAT_EQ(p.x, 100);
  // Off: the living particles stay where they are, new ones come from the new place.
  lib_.SetEmitterPositionMode(e, false);
  lib_.SetEmitterPosition(e, 300, 50);
  for (const MagicParticle& p : Particles(e)) EXPECT_FLOAT_EQ(p.x, 100);
  Run(e, 50);
  int atNew = 0;
  for (const MagicParticle& p : Particles(e)) atNew += p.x == 300;
  EXPECT_EQ(atNew, 5);
  // On: all of them move by the same amount.
  lib_.SetEmitterPositionMode(e, true);
  lib_.SetEmitterPosition(e, 310, 70);
  std::vector<MagicParticle> ps = Particles(e);
  ASSERT_EQ(ps.size(), 15u);
  for (size_t i = 0; i < ps.size(); ++i) {
    EXPECT_TRUE(ps[i].x == 110 || ps[i].x == 310) << ps[i].x;
    EXPECT_FLOAT_EQ(ps[i].y, 70);
  }
  float x = 0, y = 0;
  lib_.GetEmitterPosition(e, &x, &y);
  EXPECT_EQ(x, 310);
  EXPECT_EQ(y, 70);
}

TEST_F(ParticleLibTest, SameSeedGivesSameParticles) {
  const std::string text = Effect("emitter e\nloop yes\nduration 0",
                                  "rate 200\nlife 300..900\nspeed 10..90\nspread 360\nsize 4..9 1..3\n"
                                  "rotation 0..360\nspin -90..90\narea circle 20\ngravity 0 30");
  auto record = [&](uint32_t seed) {
    lib_.SetRandomSeed(seed);
    int e = Load(text);
    Run(e, 500, 16);
    std::vector<MagicParticle> ps = Particles(e);
    lib_.UnloadEmitter(e);
    return ps;
  };
  std::vector<MagicParticle> a = record(7), b = record(7), c = record(8);
  ASSERT_GT(a.size(), 50u);
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].x, b[i].x);
    EXPECT_EQ(a[i].y, b[i].y);
    EXPECT_EQ(a[i].size, b[i].size);
    EXPECT_EQ(a[i].angle, b[i].angle);
    EXPECT_EQ(a[i].color, b[i].color);
  }
  size_t same = 0;
  for (size_t i = 0; i < std::min(a.size(), c.size()); ++i) same += a[i].x == c[i].x && a[i].y == c[i].y;
  EXPECT_LT(same, a.size() / 4);
}

TEST_F(ParticleLibTest, ScaleMagnifiesAboutTheEmitter) {
  int e = Load(Effect("emitter e\nposition 200 100\nloop yes\nduration 0",
                      "burst 1\nrate 0\nlife 10000\nspeed 100\ndirection 0\nsize 10"));
  lib_.Update(e, 100);  // 10 pixels right of the emitter
  std::vector<MagicParticle> ps = Particles(e);
  ASSERT_EQ(ps.size(), 1u);
  EXPECT_NEAR(ps[0].x, 210, 0.01);
  EXPECT_EQ(ps[0].size, 10);
  lib_.SetScale(e, 2.5f);
  ps = Particles(e);
  EXPECT_NEAR(ps[0].x, 225, 0.01);
  EXPECT_NEAR(ps[0].y, 100, 0.01);
  EXPECT_EQ(ps[0].size, 25);
}

TEST_F(ParticleLibTest, RectangleCornersGoRoundFromTopLeft) {
  MagicParticle p = {};
  p.x = 100;
  p.y = 50;
  p.size = 20;
  MagicTexture tall = {};
  tall.imageWidth = 10;
  tall.imageHeight = 20;  // twice as high as wide
  MagicQuad q;
  lib_.GetParticleRectangle(&p, &tall, &q);
  const float ex[4] = {90, 110, 110, 90}, ey[4] = {30, 30, 70, 70};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(q.x[i], ex[i]) << i;
    EXPECT_FLOAT_EQ(q.y[i], ey[i]) << i;
  }
  // Turned a quarter clockwise: the top-left corner comes to the top right.
  p.angle = 90;
  lib_.GetParticleRectangle(&p, &tall, &q);
  EXPECT_NEAR(q.x[0], 120, 1e-3);
  EXPECT_NEAR(q.y[0], 40, 1e-3);
  EXPECT_NEAR(q.x[2], 80, 1e-3);
  EXPECT_NEAR(q.y[2], 60, 1e-3);
}

TEST_F(ParticleLibTest, ColourRampAndFramesFollowAge) {
  int e = Load("lantern-particles 1\nemitter e\nloop yes\nduration 0\ntype t\n"
               "frames 8 8 a.png b.png c.png d.png\nanimate life\nburst 1\nlife 1000\n"
               "colour 0 FF000000 1 FFFFFFFF\nend\nend\n");
  lib_.Update(e, 1);
  lib_.Update(e, 499);
  std::vector<MagicParticle> ps = Particles(e);
  ASSERT_EQ(ps.size(), 1u);
  EXPECT_NEAR(ps[0].age, 0.5, 1e-3);
  EXPECT_EQ(ps[0].frame, 2);
  EXPECT_EQ(ps[0].color, 0xFF808080u);
  lib_.Update(e, 300);
  EXPECT_EQ(Particles(e)[0].frame, 3);
}

TEST_F(ParticleLibTest, PrewarmedEffectStartsInItsInterval) {
  int e = Load(Effect("emitter e\nloop yes\nprewarm 400\nduration 0", "rate 50\nlife 1000"));
  EXPECT_TRUE(lib_.IsInterval1(e));
  lib_.Restart(e);
  EXPECT_FALSE(lib_.InInterval(e));
  EXPECT_FALSE(lib_.InInterval(lib_.GetEmitter(e, 0)));
  EXPECT_EQ(lib_.GetParticleCount(e), 0);
  EXPECT_EQ(lib_.EmitterToInterval1(e, nullptr), kMagicSuccess);
  EXPECT_TRUE(lib_.InInterval(e));
  EXPECT_EQ(lib_.GetParticleCount(e), 20);
  lib_.Stop(e);
  EXPECT_EQ(lib_.GetParticleCount(e), 0);
  EXPECT_FALSE(lib_.InInterval(e));
  int plain = Load(Effect("emitter e\nloop yes", "rate 1"));
  EXPECT_FALSE(lib_.IsInterval1(plain));
  EXPECT_TRUE(lib_.InInterval(plain));
}

TEST_F(ParticleLibTest, WalksFoldersWithARecordPerLevel) {
  std::string path = dir_.Write("tree.ptc",
                                "lantern-particles 1\n"
                                "emitter top\ntype t\nframes 4 4 a.png\nend\nend\n"
                                "folder \"outer folder\"\n"
                                "  folder inner\n    emitter deep\n    type t\n    frames 4 4 a.png\n    end\n    end\n  end\n"
                                "  emitter middle\n  type t\n  frames 4 4 a.png\n  end\n  end\n"
                                "end\n");
  int file = 0;
  ASSERT_EQ(lib_.OpenFile(path.c_str(), &file), kMagicSuccess);
  ASSERT_EQ(lib_.SetCurrentFolder(file, ""), kMagicSuccess);
  MagicFind root = {};
  ASSERT_STREQ(lib_.FindFirst(file, &root, 3), "top");
  EXPECT_NE(root.isEmitter, 0);
  ASSERT_STREQ(lib_.FindNext(file, &root), "outer folder");
  EXPECT_EQ(root.isEmitter, 0);
  // A nested walk with its own record does not disturb the outer one.
  ASSERT_EQ(lib_.SetCurrentFolder(file, "outer folder"), kMagicSuccess);
  MagicFind outer = {};
  ASSERT_STREQ(lib_.FindFirst(file, &outer, 3), "inner");
  ASSERT_EQ(lib_.SetCurrentFolder(file, "inner"), kMagicSuccess);
  MagicFind inner = {};
  ASSERT_STREQ(lib_.FindFirst(file, &inner, 3), "deep");
  int deep = 0;
  EXPECT_EQ(lib_.LoadEmitter(file, "deep", &deep), kMagicSuccess);
  EXPECT_EQ(lib_.LoadEmitter(file, "middle", &deep), kMagicError);  // not in this folder
  EXPECT_EQ(lib_.FindNext(file, &inner), nullptr);
  ASSERT_EQ(lib_.SetCurrentFolder(file, ".."), kMagicSuccess);
  ASSERT_STREQ(lib_.FindNext(file, &outer), "middle");
  EXPECT_EQ(lib_.FindNext(file, &outer), nullptr);
  ASSERT_EQ(lib_.SetCurrentFolder(file, ".."), kMagicSuccess);
  EXPECT_EQ(lib_.FindNext(file, &root), nullptr);
  // ".." at the root stays there; an unknown folder is an error.
  EXPECT_EQ(lib_.SetCurrentFolder(file, ".."), kMagicSuccess);
  EXPECT_EQ(lib_.SetCurrentFolder(file, "nowhere"), kMagicError);
  int top = 0;
  EXPECT_EQ(lib_.LoadEmitter(file, "top", &top), kMagicSuccess);
  EXPECT_STREQ(lib_.GetEmitterName(top), "top");
  // Only emitters, only folders.
  MagicFind only = {};
  EXPECT_STREQ(lib_.FindFirst(file, &only, kMagicFindFolders), "outer folder");
  EXPECT_STREQ(lib_.FindFirst(file, &only, kMagicFindEmitters), "top");
  EXPECT_EQ(lib_.FindNext(file, &only), nullptr);
  // Emitters outlive their files.
  lib_.CloseAllFiles();
  EXPECT_EQ(lib_.SetCurrentFolder(file, ""), kMagicError);
  EXPECT_STREQ(lib_.GetEmitterName(deep), "deep");
  EXPECT_TRUE(lib_.Update(deep, 10));
}

TEST_F(ParticleLibTest, AtlasRecordsStayInsideAndNeverOverlap) {
  // Frames of many sizes: 64 x 64 ones fill more than one 256 x 256 atlas,
  // and a 400 x 300 one must shrink to fit at all.
  std::string text = "lantern-particles 1\n";
  const char* sizes[] = {"64 64", "32 16", "17 33", "400 300", "5 5", "100 20", "64 64"};
  int n = 0;
  for (const char* size : sizes) {
    text += "emitter e" + std::to_string(n++) + "\n";
    for (int t = 0; t < 2; ++t) {
      text += "type t" + std::to_string(t) + "\nframes " + size;
      for (int f = 0; f < 3; ++f) text += " f" + std::to_string(f) + ".png";
      text += "\nend\n";
    }
    text += "end\n";
  }
  std::string path = dir_.Write("atlas.ptc", text);
  int file = 0;
  ASSERT_EQ(lib_.OpenFile(path.c_str(), &file), kMagicSuccess);
  std::vector<int> emitters;
  for (int i = 0; i < n; ++i) {
    int e = 0;
    ASSERT_EQ(lib_.LoadEmitter(file, ("e" + std::to_string(i)).c_str(), &e), kMagicSuccess);
    emitters.push_back(e);
  }
  lib_.CloseAllFiles();
  struct Placed {
    MagicTexture rec;
    int id;
  };
  auto collect = [&]() {
    std::vector<Placed> all;
    for (int e : emitters) {
      EXPECT_EQ(lib_.GetParticlesTypeCount(e), 2);
      for (int t = 0; t < 2; ++t) {
        EXPECT_EQ(lib_.LockParticlesType(lib_.GetEmitter(e, 0), t), kMagicSuccess);
        int id = lib_.GetTextureID();
        EXPECT_EQ(lib_.GetTextureCount(), 3);
        for (int f = 0; f < 3 && lib_.GetTexture(f); ++f) all.push_back({*lib_.GetTexture(f), id});
        EXPECT_EQ(lib_.GetTexture(3), nullptr);
        lib_.SetTextureID(1000 + t);  // the game overwrites the ids
        lib_.UnlockParticlesType();
      }
    }
    return all;
  };
  auto check = [&](const std::vector<Placed>& all) {
    int atlases = 0;
    for (const Placed& p : all) {
      const MagicTexture& r = p.rec;
      EXPECT_EQ(p.id, r.atlas);  // the texture id is the atlas index
      atlases = std::max(atlases, r.atlas + 1);
      EXPECT_NE(r.data, nullptr);
      EXPECT_EQ(r.atlasWidth, 256);
      EXPECT_EQ(r.atlasHeight, 256);
      int x0 = int(r.left * 256), y0 = int(r.top * 256);
      EXPECT_EQ(int(std::lround(r.right * 256)) - x0, r.width);
      EXPECT_EQ(int(std::lround(r.bottom * 256)) - y0, r.height);
      EXPECT_GE(x0, 1);
      EXPECT_GE(y0, 1);
      EXPECT_LE(x0 + r.width, 255);
      EXPECT_LE(y0 + r.height, 255);
      EXPECT_GT(r.width, 0);
      EXPECT_LE(r.width, r.imageWidth);
    }
    EXPECT_GE(atlases, 2);
    for (size_t i = 0; i < all.size(); ++i)
      for (size_t j = i + 1; j < all.size(); ++j) {
        const MagicTexture &a = all[i].rec, &b = all[j].rec;
        if (a.atlas != b.atlas) continue;
        int ax = int(a.left * 256), ay = int(a.top * 256), bx = int(b.left * 256), by = int(b.top * 256);
        bool apart = ax + a.width <= bx || bx + b.width <= ax || ay + a.height <= by || by + b.height <= ay;
        EXPECT_TRUE(apart) << i << " and " << j;
      }
  };
  ASSERT_EQ(lib_.CreateAtlases(256, 256, 1, 0.1f), kMagicSuccess);
  std::vector<Placed> first = collect();
  check(first);
  // The big frames shrank and keep their shape roughly.
  const MagicTexture& big = first[3 * 2 * 3].rec;
  EXPECT_EQ(big.imageWidth, 400);
  EXPECT_LT(big.width, 254);
  // A second layout after the game changed the ids: the same places, ids reset.
  ASSERT_EQ(lib_.CreateAtlases(256, 256, 1, 0.1f), kMagicSuccess);
  std::vector<Placed> second = collect();
  check(second);
  ASSERT_EQ(first.size(), second.size());
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].rec.left, second[i].rec.left);
    EXPECT_EQ(first[i].rec.top, second[i].rec.top);
    EXPECT_EQ(first[i].id, second[i].id);
  }
  EXPECT_EQ(lib_.CreateAtlases(0, 256, 1, 0.1f), kMagicError);
}

TEST_F(ParticleLibTest, LayersAreSubEmittersWithTheirOwnTypes) {
  int e = Load("lantern-particles 1\nemitter e\nloop no\nduration 1000\n"
               "layer a\noffset 10 0\ntype x\nframes 4 4 a.png\nblend add\nburst 2\nlife 5000\nend\n"
               "type y\nframes 4 4 a.png\nburst 3\nlife 5000\nend\nend\n"
               "layer b\nstart 500\ntype z\nframes 4 4 a.png\nburst 4\nlife 5000\nend\nend\nend\n");
  ASSERT_EQ(lib_.GetEmitterCount(e), 2);
  int a = lib_.GetEmitter(e, 0), b = lib_.GetEmitter(e, 1);
  EXPECT_EQ(lib_.GetEmitter(e, 2), 0);
  EXPECT_STREQ(lib_.GetEmitterName(b), "b");
  EXPECT_EQ(lib_.GetParticlesTypeCount(a), 2);
  EXPECT_EQ(lib_.GetParticlesTypeCount(b), 1);
  lib_.Update(e, 100);
  EXPECT_EQ(lib_.GetParticleCount(e), 5);  // layer b starts at 500 ms
  ASSERT_EQ(lib_.LockParticlesType(a, 0), kMagicSuccess);
  EXPECT_TRUE(lib_.IsIntensive());
  const MagicParticle* p = lib_.GetNextParticle();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->x, 10);
  lib_.UnlockParticlesType();
  EXPECT_EQ(lib_.GetNextParticle(), nullptr);
  lib_.Update(e, 450);
  EXPECT_EQ(lib_.GetParticleCount(e), 9);
}

TEST_F(ParticleLibTest, BadHandlesAndFilesChangeNothing) {
  int file = 0;
  EXPECT_EQ(lib_.OpenFile(dir_.File("missing.ptc").c_str(), &file), kMagicError);
  EXPECT_NE(std::string(lib_.GetLastError()).find("cannot open"), std::string::npos);
  std::string bad = dir_.Write("bad.ptc", "lantern-particles 1\nemitter e\ntype t\nframes 4 4 a.png\nrate lots\n");
  EXPECT_EQ(lib_.OpenFile(bad.c_str(), &file), kMagicError);
  EXPECT_NE(std::string(lib_.GetLastError()).find("line 5"), std::string::npos) << lib_.GetLastError();
  EXPECT_EQ(lib_.OpenFile(nullptr, &file), kMagicError);
  EXPECT_FALSE(lib_.Update(12345, 10));
  EXPECT_EQ(lib_.GetEmitterName(12345), nullptr);
  EXPECT_EQ(lib_.LockParticlesType(12345, 0), kMagicError);
  EXPECT_EQ(lib_.GetNextParticle(), nullptr);
  EXPECT_EQ(lib_.GetTexture(0), nullptr);
  lib_.Stop(12345);
  lib_.UnloadEmitter(12345);
  lib_.SetEmitterPosition(12345, 1, 2);
  lib_.GetParticleRectangle(nullptr, nullptr, nullptr);
  EXPECT_EQ(lib_.FindFirst(999, nullptr, 3), nullptr);
  MagicFind f = {};
  EXPECT_EQ(lib_.FindFirst(999, &f, 3), nullptr);
  f.folder = 1 << 20;  // a damaged record
  EXPECT_EQ(lib_.FindNext(999, &f), nullptr);
  // An unloaded emitter's handle is dead, also while its type was locked.
  int e = Load(Effect("emitter e\nloop yes", "rate 100"));
  lib_.Update(e, 100);
  ASSERT_EQ(lib_.LockParticlesType(e, 0), kMagicSuccess);
  lib_.UnloadEmitter(e);
  EXPECT_EQ(lib_.GetNextParticle(), nullptr);
  EXPECT_FALSE(lib_.Update(e, 10));
}

}  // namespace
