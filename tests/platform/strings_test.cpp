#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "platform/color.h"
#include "platform/geometry.h"
#include "platform/random.h"
#include "platform/string.h"

namespace {
TEST(Utf8, CharLengthNeverStepsPastTheTerminator) {
  EXPECT_EQ(Utf8CharLength(""), 0);
  EXPECT_EQ(Utf8CharLength(nullptr), 0);
  EXPECT_EQ(Utf8CharLength("a"), 1);
  EXPECT_EQ(Utf8CharLength("\xC3\xA9"), 2);
  EXPECT_EQ(Utf8CharLength("\xE2\x82\xAC"), 3);
  EXPECT_EQ(Utf8CharLength("\xF0\x9F\x98\x80"), 4);
  // Lead bytes whose sequence is cut by the end of the string.
  EXPECT_EQ(Utf8CharLength("\xF0"), 1);
  EXPECT_EQ(Utf8CharLength("\xF0\x9F"), 2);
  EXPECT_EQ(Utf8CharLength("\xE2\x82"), 2);
  EXPECT_EQ(Utf8CharLength("\x80"), 1);  // stray continuation byte
  // Walking a truncated string ends exactly on the terminator.
  const char text[] = "ab\xF0\x9F";
  const char* p = text;
  while (*p) p += Utf8CharLength(p);
  EXPECT_EQ(p, text + 4);
  EXPECT_EQ(Utf8CharCount("h\xC3\xA9llo\xF0"), 6);
}

TEST(Utf8, DecodeRejectsMalformedInput) {
  EXPECT_EQ(DecodeUtf8("A"), 0x41u);
  EXPECT_EQ(DecodeUtf8("\xC3\xA9"), 0xE9u);
  EXPECT_EQ(DecodeUtf8("\xF0\x9F\x98\x80"), 0x1F600u);
  EXPECT_EQ(DecodeUtf8(""), 0u);
  EXPECT_EQ(DecodeUtf8("\xC3"), 0u);               // truncated
  EXPECT_EQ(DecodeUtf8("\xE2\x82"), 0u);           // truncated
  EXPECT_EQ(DecodeUtf8("\x80"), 0u);               // continuation first
  EXPECT_EQ(DecodeUtf8("\xC3\x41"), 0u);           // bad continuation
  EXPECT_EQ(DecodeUtf8("\xC0\xAF"), 0u);           // overlong
  EXPECT_EQ(DecodeUtf8("\xED\xA0\x80"), 0u);       // surrogate
  EXPECT_EQ(DecodeUtf8("\xF4\x90\x80\x80"), 0u);   // above U+10FFFF
  EXPECT_EQ(DecodeUtf8("\xFF"), 0u);
  for (uint32_t cp : {0x41u, 0xE9u, 0x20ACu, 0x1F600u, 0x10FFFFu})
    EXPECT_EQ(DecodeUtf8(TString::FromCodePoint(cp).c_str()), cp);
  EXPECT_EQ(TString::FromCodePoint(0xD800), "");
}

TEST(Utf8, LettersOfAnyScript) {
  // e-diaeresis, Greek omega, Cyrillic em, a Han letter, Devanagari ka, Arabic alef.
  for (uint32_t cp : {uint32_t('a'), uint32_t('Z'), 0xEBu, 0x3A9u, 0x43Cu, 0x5C71u, 0x915u, 0x627u})
    EXPECT_TRUE(IsLetterOfAnyScript(cp)) << std::hex << cp;
  // Digits, space, underscore, punctuation, a no-break space, a right quote,
  // a combining acute, a snowman, a face, beyond Unicode.
  for (uint32_t cp : {uint32_t('0'), uint32_t(' '), uint32_t('_'), uint32_t('.'), 0xA0u, 0x2019u, 0x301u, 0x2603u,
                      0x1F600u, 0x110000u})
    EXPECT_FALSE(IsLetterOfAnyScript(cp)) << std::hex << cp;
}

TEST(TStringOps, FindSubstringToIntFormatAndLowerCase) {
  TString s("sounds/click?group=1000&x");
  EXPECT_EQ(s.Find("?"), 12);
  EXPECT_EQ(s.Find("zz"), -1);
  EXPECT_EQ(s.FindChar('/'), 6);
  EXPECT_EQ(TString("a/b/c").FindChar('/', TString::kFindBackwards), 3);
  EXPECT_EQ(s.FindChar('#'), -1);
  EXPECT_EQ(s.Substring(0, 12), "sounds/click");
  EXPECT_EQ(s.Substring(19).ToInt(), 1000);
  EXPECT_EQ(s.Substring(100), "");
  EXPECT_EQ(TString("").ToInt(), 0);
  EXPECT_EQ(TString(" -42x").ToInt(), -42);
  EXPECT_EQ(TString("abc").ToInt(), 0);
  EXPECT_EQ(TString().Length(), 0);
  EXPECT_STREQ(TString().c_str(), "");
  TString f;
  f.AssignFormat("%s;%d;%d", "a", 1, 2);
  EXPECT_EQ(f, "a;1;2");
  std::string longText(10000, 'q');
  f.Format("<%s>", longText.c_str());  // past the stack buffer
  EXPECT_EQ(f.Length(), 10002);
  EXPECT_TRUE(TString("a") < TString("b"));
  EXPECT_EQ(TString("ab") + "cd", "abcd");
  // Players' names are compared in lower case: ASCII letters only, UTF-8 bytes untouched.
  EXPECT_EQ(TString("AnN \xC3\x9C-Z1").ToLower(), "ann \xC3\x9C-z1");
}

TEST(SplitStringTest, TrimsAndDropsEmptyPieces) {
  std::vector<std::string> out;
  SplitString("", ';', out);
  EXPECT_TRUE(out.empty());
  SplitString(" a ; ;b;\tc\t;;", ';', out);
  EXPECT_EQ(out, (std::vector<std::string>{"a", "b", "c"}));
}

TEST(Colours, PackingAndFloatColours) {
  TColor c(0x80FF4020u);
  EXPECT_EQ(c.GetAlpha(), 0x80);
  EXPECT_EQ(c.GetRed(), 0xFF);
  EXPECT_EQ(c.GetGreen(), 0x40);
  EXPECT_EQ(c.GetBlue(), 0x20);
  c.SetAlpha(0x11);
  EXPECT_EQ(c.value, 0x11FF4020u);
  TFloatColor f = MakeFloatColor(255, 0, 51, 255);
  EXPECT_FLOAT_EQ(f.g, 0.0f);
  EXPECT_FLOAT_EQ(f.b, 0.2f);
  EXPECT_EQ(f.ToColor().value, 0xFFFF0033u);
}

TEST(Geometry, RectsAreExclusiveAndMatricesUseRowVectors) {
  TRect r = MakeRectXYWH(10, 20, 5, 5);
  EXPECT_TRUE(r.Contains(10, 20));
  EXPECT_FALSE(r.Contains(15, 20));
  EXPECT_FALSE(r.Contains(10, 25));
  EXPECT_EQ(r.Intersect(TRect(12, 0, 100, 22)), TRect(12, 20, 15, 22));
  EXPECT_EQ(r.Union(TRect(0, 0, 1, 1)), TRect(0, 0, 15, 25));

  TMat3 m;
  m.Translate(5, 7);
  m.Rotate(float(M_PI / 2));
  TVec2 p = m.Transform(TVec2(1, 0));  // rotated to (0, 1), translation kept
  EXPECT_NEAR(p.x, 5.0f, 1e-5);
  EXPECT_NEAR(p.y, 8.0f, 1e-5);
  TMat3 rot = MakeRotationMatrix(0.5f);
  EXPECT_FLOAT_EQ(rot.m[0][1], std::sin(0.5f));
  EXPECT_FLOAT_EQ(rot.m[1][0], -std::sin(0.5f));
  TVec2 zero;
  zero.Normalize();
  EXPECT_EQ(zero, TVec2(0, 0));
}

TEST(Random, DefaultGeneratorsRepeatUnitDoublesStayBelowOneAndRangesHoldBothEnds) {
  TRandom a, b;
  for (int i = 0; i < 100; ++i) EXPECT_EQ(a.Next(), b.Next());
  // Reference output of MT19937 seeded by the array {0x123, 0x234, 0x345, 0x456}.
  TRandom ref;
  EXPECT_EQ(ref.Next(), 1067595299u);
  EXPECT_EQ(ref.Next(), 955945823u);
  for (int i = 0; i < 1000; ++i) {
    double d = RandomUnitDouble(a);
    EXPECT_GE(d, 0.0);
    EXPECT_LT(d, 1.0);
  }
  // Range holds both its ends: the games draw indices with Range(0, count - 1).
  std::set<int> seen;
  for (int i = 0; i < 300; ++i) {
    const int v = a.Range(-1, 2);
    ASSERT_GE(v, -1);
    ASSERT_LE(v, 2);
    seen.insert(v);
  }
  EXPECT_EQ(seen, (std::set<int>{-1, 0, 1, 2}));
  EXPECT_EQ(a.Range(7, 7), 7);
  uint32_t g1[4], g2[4];
  MakeGuid(g1);
  MakeGuid(g2);
  EXPECT_NE(std::vector<uint32_t>(g1, g1 + 4), std::vector<uint32_t>(g2, g2 + 4));
}
}  // namespace
