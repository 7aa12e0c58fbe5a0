// The effect-file reader: the demo files and the documented example read,
// damaged and oversized text is refused with the line it failed on.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "plugins/particles/effectfile.h"
#include "tests/support/testsupport.h"

using namespace particles;

namespace {

bool Read(const std::string& text, std::string* error = nullptr) {
  EffectFile f;
  std::string e;
  bool ok = ReadEffectFile(text.data(), text.size(), f, e);
  if (error) *error = e;
  return ok;
}

TEST(EffectFileTest, EveryDemoFileReads) {
  std::filesystem::path dir = std::filesystem::path(testing_support::SourceDir()) / "assets" / "particles";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".ptc") continue;
    EffectFile f;
    std::string error;
    EXPECT_TRUE(LoadEffectFile(entry.path().c_str(), f, error)) << entry.path() << ": " << error;
    EXPECT_FALSE(f.emitters.empty()) << entry.path();
    ++files;
  }
  EXPECT_GE(files, 4);
}

TEST(EffectFileTest, ReadsEveryField) {
  const std::string text =
      "lantern-particles 1   # header\n"
      "folder fx\n"
      " emitter \"big one\"\n"
      "  position 10 -20\n  loop yes\n  prewarm 250\n  duration 0\n  step 20\n  direction 45\n"
      "  layer first\n   offset 3 4\n   start 100\n   stop 900\n"
      "   type sparks\n"
      "    frames 16 8 a.png sub/b.png\n    animate loop 12\n    blend add\n    rate 50.5\n    burst 7\n"
      "    max 300\n    life 100..200\n    speed -5..5\n    direction -90\n    spread 30\n"
      "    size 4..6 1\n    rotation 0..360\n    spin -10..10\n    gravity 1 2\n    drag 0.5\n"
      "    area rect 30 40\n    colour 0 FF000000 0.5 80FFFFFF 1 00FFFFFF\n"
      "   end\n  end\n end\nend\n";
  EffectFile f;
  std::string error;
  ASSERT_TRUE(ReadEffectFile(text.data(), text.size(), f, error)) << error;
  ASSERT_EQ(f.folders.size(), 2u);
  EXPECT_EQ(f.folders[1].name, "fx");
  ASSERT_EQ(f.emitters.size(), 1u);
  const EmitterDesc& e = *f.emitters[0];
  EXPECT_EQ(e.name, "big one");
  EXPECT_EQ(e.x, 10);
  EXPECT_EQ(e.y, -20);
  EXPECT_TRUE(e.loop);
  EXPECT_EQ(e.prewarm, 250);
  EXPECT_EQ(e.duration, 0);
  EXPECT_EQ(e.step, 20);
  EXPECT_EQ(e.direction, 45);
  ASSERT_EQ(e.layers.size(), 1u);
  const LayerDesc& l = e.layers[0];
  EXPECT_EQ(l.offsetX, 3);
  EXPECT_EQ(l.stop, 900);
  const TypeDesc& t = l.types.at(0);
  ASSERT_EQ(t.frames.size(), 2u);
  EXPECT_EQ(t.frames[1].file, "sub/b.png");
  EXPECT_EQ(t.frames[1].width, 16);
  EXPECT_EQ(t.frames[1].height, 8);
  EXPECT_EQ(t.animate, Animate::kLoop);
  EXPECT_EQ(t.fps, 12);
  EXPECT_TRUE(t.additive);
  EXPECT_FLOAT_EQ(t.rate, 50.5f);
  EXPECT_EQ(t.burst, 7);
  EXPECT_EQ(t.maxCount, 300);
  EXPECT_EQ(t.life.lo, 100);
  EXPECT_EQ(t.life.hi, 200);
  EXPECT_EQ(t.speed.lo, -5);
  EXPECT_EQ(t.sizeEnd.lo, 1);
  EXPECT_EQ(t.sizeEnd.hi, 1);
  EXPECT_EQ(t.area, Area::kRect);
  EXPECT_EQ(t.areaH, 40);
  ASSERT_EQ(t.colors.size(), 3u);
  EXPECT_EQ(t.colors[1].argb, 0x80FFFFFFu);
}

TEST(EffectFileTest, RefusesDamagedText) {
  const std::string head = "lantern-particles 1\n";
  const std::string type = "type t\nframes 4 4 a.png\n";
  struct Case {
    std::string text;
    std::string why;
  } cases[] = {
      {"", "empty"},
      {"lantern-particles 2\n", "first line"},
      {head + "emitter e\n" + type + "end\n", "not closed"},
      {head + "end\n", "without a block"},
      {head + "emitter e\n" + type + "rate lots\nend\nend\n", "line 5"},
      {head + "emitter e\n" + type + "rate nan\nend\nend\n", "not a number"},
      {head + "emitter e\n" + type + "rate 1e999\nend\nend\n", "not a number"},
      {head + "emitter e\n" + type + "rate 0x10\nend\nend\n", "not a number"},
      {head + "emitter e\n" + type + "life 0\nend\nend\n", "outside"},
      {head + "emitter e\n" + type + "life 9..3\nend\nend\n", "backwards"},
      {head + "emitter e\n" + type + "colour 0.5 FF 1 FFFFFFFF\nend\nend\n", "ARGB"},
      {head + "emitter e\n" + type + "colour 1 FFFFFFFF 0 FFFFFFFF\nend\nend\n", "back in time"},
      {head + "emitter e\ntype t\nframes 4 4 ../../etc/passwd\nend\nend\n", "\"..\""},
      {head + "emitter e\ntype t\nframes 4 4 /abs.png\nend\nend\n", "relative"},
      {head + "emitter e\ntype t\nframes 0 4 a.png\nend\nend\n", "outside"},
      {head + "emitter e\ntype t\nend\nend\n", "needs \"frames\""},
      {head + "emitter e\n" + type + "wobble 3\nend\nend\n", "not allowed"},
      {head + "emitter e\n" + type + "end\nend\nemitter e\n" + type + "end\nend\n", "twice"},
      {head + "emitter e\n" + type + "end\nlayer l\nend\nend\n", "either"},
      {head + "emitter \"open\n", "not closed"},
      {head + "folder a/b\nend\n", "separator"},
      {head + "emitter e\n" + type + std::string("blend a\0b\nend\nend\n", 18), "NUL"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(Read(c.text, &error)) << c.text;
    EXPECT_NE(error.find(c.why), std::string::npos) << c.text << " -> " << error;
  }
}

TEST(EffectFileTest, LimitsHold) {
  std::string error;
  // Folders nested past the limit, and right at it.
  std::string deep = "lantern-particles 1\n";
  for (int i = 0; i < kMaxDepth + 1; ++i) deep += "folder f\n";
  for (int i = 0; i < kMaxDepth + 1; ++i) deep += "end\n";
  EXPECT_FALSE(Read(deep, &error));
  EXPECT_NE(error.find("too deeply"), std::string::npos);
  std::string ok = "lantern-particles 1\n";
  for (int i = 0; i < kMaxDepth; ++i) ok += "folder f\n";
  for (int i = 0; i < kMaxDepth; ++i) ok += "end\n";
  EXPECT_TRUE(Read(ok, &error)) << error;
  // A line over 1024 bytes; a file over 1 MiB.
  EXPECT_FALSE(Read("lantern-particles 1\n# " + std::string(1100, 'x') + "\n", &error));
  EXPECT_NE(error.find("longer"), std::string::npos);
  std::string big = "lantern-particles 1\n";
  while (big.size() <= kMaxFileBytes) big += "# padding padding padding padding padding\n";
  EXPECT_FALSE(Read(big, &error));
  EXPECT_NE(error.find("1 MiB"), std::string::npos);
  // Frames per type.
  std::string frames = "lantern-particles 1\nemitter e\ntype t\nframes 4 4";
  for (int i = 0; i <= kMaxFrames; ++i) frames += " a.png";
  EXPECT_FALSE(Read(frames + "\nend\nend\n", &error));
  EXPECT_NE(error.find("too many frames"), std::string::npos);
}

}  // namespace
