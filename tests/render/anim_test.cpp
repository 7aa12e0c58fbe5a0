// The animation file formats: the binary ".anm" and its XML form, damaged files included.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/log.h"
#include "render/sprites/animfile.h"

TEST(AnimationFile, BinaryAndXmlForms) {
  TAnimationDesc desc;
  desc.loop = false;
  TAnimationFrame a;
  a.image = "anims/bird_01";
  a.ms = 80;
  TAnimationFrame b = a;
  b.dx = 3, b.dy = -2, b.rect = MakeRectXYWH(32, 0, 32, 16), b.ms = 120;
  desc.frames = {a, b};
  std::vector<uint8_t> bytes = WriteAnimationBinary(desc);
  TAnimationDesc back;
  ASSERT_TRUE(ParseAnimation(bytes.data(), bytes.size(), back));
  EXPECT_FALSE(back.loop);
  ASSERT_EQ(back.frames.size(), 2u);
  EXPECT_EQ(back.frames[1].image, "anims/bird_01");
  EXPECT_EQ(back.frames[1].rect, MakeRectXYWH(32, 0, 32, 16));
  EXPECT_EQ(back.frames[1].dx, 3);
  EXPECT_EQ(back.frames[1].dy, -2);
  EXPECT_EQ(back.frames[1].ms, 120u);

  std::string xml =
      "<anm ms='90'><frame image='a/one'/><frame ms='40' dx='1' rect='0,0,8,8'/><other/></anm>";
  ASSERT_TRUE(ParseAnimation(reinterpret_cast<const uint8_t*>(xml.data()), xml.size(), back));
  EXPECT_TRUE(back.loop);
  ASSERT_EQ(back.frames.size(), 2u);
  EXPECT_EQ(back.frames[0].ms, 90u);
  EXPECT_EQ(back.frames[1].image, "a/one");  // carried over
  EXPECT_EQ(back.frames[1].ms, 40u);
  EXPECT_EQ(back.frames[1].rect, MakeRectXYWH(0, 0, 8, 8));
}

TEST(AnimationFile, DamagedFilesRejected) {
  TAnimationDesc desc;
  desc.frames.resize(3);
  for (auto& f : desc.frames) f.image = "pic";
  std::vector<uint8_t> good = WriteAnimationBinary(desc);
  TAnimationDesc out;
  TString why;
  for (size_t n = 0; n < good.size(); ++n) {
    EXPECT_FALSE(ParseAnimation(good.data(), n, out, &why)) << n;
  }
  std::vector<uint8_t> lying = good;
  lying[4] = 0xFF, lying[5] = 0xFF;  // 65535 frames
  EXPECT_FALSE(ParseAnimationBinary(lying.data(), lying.size(), out, &why));
  std::vector<uint8_t> noName = good;
  noName[12 + 14] = 0;  // the first frame names no picture
  EXPECT_FALSE(ParseAnimationBinary(noName.data(), 12 + 15, out, &why));
  // Numbers out of the binary form's ranges are not taken.
  std::string big = "<anm><frame image='a' rect='5,0,355555555552,32' dx='99999'/></anm>";
  ASSERT_TRUE(ParseAnimation(reinterpret_cast<const uint8_t*>(big.data()), big.size(), out, &why));
  EXPECT_TRUE(out.frames[0].rect.IsEmpty());
  EXPECT_EQ(out.frames[0].dx, 32767);
  for (const char* x : {"", "<anm/>", "<anm><frame/></anm>", "<other><frame image='a'/></other>", "<anm><frame"}) {
    EXPECT_FALSE(ParseAnimation(reinterpret_cast<const uint8_t*>(x), std::strlen(x), out, &why)) << x;
  }
}

TEST(AnimationFile, DeeplyNestedXmlFormIsRefused) {
  std::string deep = "<anm><frame image='a'/>";
  for (int i = 0; i < 20000; ++i) deep += "<frame>";
  TAnimationDesc out;
  TString why;
  TLogCapture log;
  EXPECT_FALSE(ParseAnimation(reinterpret_cast<const uint8_t*>(deep.data()), deep.size(), out, &why));
  EXPECT_TRUE(log.Contains("animation is refused: elements nested deeper than 256 levels"));
  EXPECT_TRUE(out.frames.empty());
}
