// The image readers on files written at test time: PNG of every kind, JPEG
// (RGB, grey, CMYK, cut short, empty), JPEG-2000 (JP2 and code streams,
// precisions below and above 8 bits, signed samples), textures with "_a"
// companions and masks, and damaged or oversized files.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "image_writers.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "render/textures/imagereaders.h"
#include "render/textures/texturedata.h"
#include "tests/support/testsupport.h"

#include "display_fixture.h"

using namespace image_writers;

namespace {

class ImageTest : public ::testing::Test {
protected:
  ImageTest() : cd_(dir_.Path()) {}
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) { return dir_.Write(name, bytes); }
  testing_support::TempDir dir_;
  testing_support::ScopedChdir cd_;
};

std::vector<uint32_t> Pattern(int w, int h) {
  std::vector<uint32_t> p(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p[size_t(y) * w + x] = uint32_t((x * 40) & 0xFF) << 24 | uint32_t(x * 30) << 16 | uint32_t(y * 50) << 8 | 0x33;
  return p;
}

bool Load(const char* name, TDecodedImage* img) { return LoadImageFile(name, img); }

uint32_t At(const TDecodedImage& img, uint32_t x, uint32_t y) { return img.pixels[size_t(y) * img.side + x]; }

// A PNG whose header claims width x height (with a correct CRC), then no data.
std::vector<uint8_t> LyingPng(uint32_t width, uint32_t height) {
  std::vector<uint8_t> png = EncodePng(std::vector<uint32_t>(1, 0xFFFFFFFF), 1, 1);
  auto put = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) png[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
  };
  put(16, width);
  put(20, height);
  put(29, uint32_t(crc32(0, png.data() + 12, 17)));
  return png;
}

TEST_F(ImageTest, SideIsThePowerOfTwoOfTheLargerEdge) {
  EXPECT_EQ(ImageSide(300, 200), 512u);
  EXPECT_EQ(ImageSide(1, 1), 1u);
  EXPECT_EQ(ImageSide(2, 3), 4u);
  EXPECT_EQ(NextPowerOfTwo(0), 2u);
  EXPECT_EQ(NextPowerOfTwo(2), 2u);
  EXPECT_EQ(NextPowerOfTwo(3), 4u);
  EXPECT_EQ(NextPowerOfTwo(4), 4u);
  EXPECT_EQ(NextPowerOfTwo(5), 8u);
  EXPECT_EQ(MaskShift(0), 0);
  EXPECT_EQ(MaskShift(0x7E0), 5);
  EXPECT_EQ(CountMaskBits(0xF800), 5);
}

TEST_F(ImageTest, PngOfEveryKindDecodesToBgraWithZeroPadding) {
  auto argb = Pattern(5, 3);
  Write("rgba.png", EncodePng(argb, 5, 3));
  TDecodedImage img;
  ASSERT_TRUE(Load("rgba.png", &img));
  EXPECT_EQ(img.side, 8u);
  EXPECT_TRUE(img.hasAlpha);
  EXPECT_EQ(At(img, 4, 2), argb[2 * 5 + 4]);
  EXPECT_EQ(At(img, 5, 0), 0u);
  EXPECT_EQ(At(img, 0, 3), 0u);
  TDecodedImage tight;  // the picture alone, rows width apart: the same pixels
  ASSERT_TRUE(LoadImageFile("rgba.png", &tight, true));
  ASSERT_TRUE(tight.tight);
  EXPECT_EQ(tight.pitch, 5u);
  for (uint32_t y = 0; y < 3; ++y)
    EXPECT_TRUE(std::equal(tight.pixels + y * 5, tight.pixels + y * 5 + 5, img.pixels + y * img.side)) << y;
  uint8_t bytes[4];
  std::memcpy(bytes, &img.pixels[1], 4);  // memory order blue, green, red, alpha
  EXPECT_EQ(bytes[0], 0x33);
  EXPECT_EQ(bytes[2], 30);
  EXPECT_EQ(bytes[3], 40);

  PngOptions il;
  il.interlaced = true;
  Write("interlaced.png", EncodePng(argb, 5, 3, il));
  TDecodedImage img2;
  ASSERT_TRUE(Load("interlaced", &img2));  // the extension is found
  ASSERT_EQ(img2.side, img.side);
  EXPECT_TRUE(std::equal(img.pixels, img.pixels + size_t(img.side) * img.side, img2.pixels));

  PngOptions ga;
  ga.type = PngOptions::kGreyAlpha;
  Write("ga.png", EncodePng({0x80C0FFFFu, 0x00100000u}, 2, 1, ga));
  ASSERT_TRUE(Load("ga.png", &img));
  EXPECT_EQ(At(img, 0, 0), 0x80C0C0C0u);
  EXPECT_EQ(At(img, 1, 0), 0x00101010u);
  // Grey of two bits widened to eight, and RGB, each with and without a colour made transparent.
  for (bool key : {false, true}) {
    PngOptions g2;
    g2.type = PngOptions::kGrey;
    g2.bitDepth = 2;
    if (key) g2.transparent = 0xFF555555u;
    Write("g2.png", EncodePng({0xFFAAAAAAu, 0xFF555555u, 0xFF000000u, 0xFFFFFFFFu, 0xFF555555u}, 5, 1, g2));
    ASSERT_TRUE(Load("g2.png", &img));
    EXPECT_EQ(img.hasAlpha, key);
    EXPECT_EQ(At(img, 0, 0), 0xFFAAAAAAu);
    EXPECT_EQ(At(img, 1, 0), key ? 0x00555555u : 0xFF555555u);
    EXPECT_EQ(At(img, 2, 0), 0xFF000000u);
    EXPECT_EQ(At(img, 3, 0), 0xFFFFFFFFu);
    PngOptions rgb;
    rgb.type = PngOptions::kRgb;
    if (key) rgb.transparent = 0xFF102030u;
    Write("rgb.png", EncodePng({0xFF102030u, 0xFF302010u, 0xFF102031u}, 3, 1, rgb));
    ASSERT_TRUE(Load("rgb.png", &img));
    EXPECT_EQ(img.hasAlpha, key);
    EXPECT_EQ(At(img, 0, 0), key ? 0x00102030u : 0xFF102030u);
    EXPECT_EQ(At(img, 1, 0), 0xFF302010u);
    EXPECT_EQ(At(img, 2, 0), 0xFF102031u);
  }

  PngOptions pal;
  pal.type = PngOptions::kPalette;
  pal.bitDepth = 4;
  pal.palette = {0xFF112233u, 0x40AABBCCu, 0xFF000000u};
  pal.indices = {0, 1, 2, 1};
  Write("pal.png", EncodePng({}, 4, 1, pal));
  ASSERT_TRUE(Load("pal.png", &img));
  EXPECT_TRUE(img.hasAlpha);
  EXPECT_EQ(At(img, 0, 0), 0xFF112233u);
  EXPECT_EQ(At(img, 1, 0), 0x40AABBCCu);
  uint8_t* indices = nullptr;
  uint8_t* palette = nullptr;
  uint32_t w = 0, h = 0;
  int bits = 0;
  bool alpha = false;
  ASSERT_TRUE(LoadPngImage("pal.png", &indices, &w, &h, &bits, "", &palette, &alpha, true));
  EXPECT_EQ(bits, 4);
  EXPECT_EQ(indices[3], 1);
  EXPECT_EQ(palette[4 + 2], 0xAA);  // entry 1: blue, green, red, alpha
  EXPECT_EQ(palette[4 + 3], 0x40);
  EXPECT_EQ(palette[8 + 3], 0xFF);  // past the transparency list: opaque
  EXPECT_EQ(palette[12 + 3], 0);  // unused entries are zero
  FreePngBuffer(indices);
  FreePngBuffer(palette);
}

TEST_F(ImageTest, SixteenBitPngIsStrippedAndGammaCorrected) {
  PngOptions o;
  o.type = PngOptions::kRgb;
  o.bitDepth = 16;
  o.gamma = 1 / 2.2;  // already for the screen: unchanged
  Write("g22.png", EncodePng({0xFF808080u}, 1, 1, o));
  TDecodedImage img;
  ASSERT_TRUE(Load("g22.png", &img));
  EXPECT_TRUE(Near(At(img, 0, 0), 0xFF808080u));
  EXPECT_FALSE(img.hasAlpha);
  o.gamma = 1.0;  // linear: brightened for a 2.2 screen
  Write("g10.png", EncodePng({0xFF808080u}, 1, 1, o));
  ASSERT_TRUE(Load("g10.png", &img));
  int expect = int(std::lround(std::pow(128.5 / 255.0, 1 / 2.2) * 255));
  EXPECT_NEAR(int(At(img, 0, 0) & 0xFF), expect, 2);
}

TEST_F(ImageTest, DamagedPngsFailCleanly) {
  auto good = EncodePng(Pattern(16, 16), 16, 16);
  TLogCapture log;
  Write("cut.png", std::vector<uint8_t>(good.begin(), good.begin() + long(good.size() / 2)));
  TDecodedImage img;
  EXPECT_FALSE(Load("cut.png", &img));
  EXPECT_TRUE(log.Contains("Read Error"));
  Write("empty.png", {});
  EXPECT_FALSE(Load("empty.png", &img));
  Write("huge.png", LyingPng(65535, 1));
  EXPECT_FALSE(Load("huge.png", &img));
  EXPECT_TRUE(log.Contains("image size out of range"));
  Write("noise.png", std::vector<uint8_t>(300, 0x89));
  EXPECT_FALSE(Load("noise.png", &img));
}

TEST_F(ImageTest, RiffPaletteReplacesColoursWithinTheImagesPalette) {
  PngOptions pal;
  pal.type = PngOptions::kPalette;
  pal.bitDepth = 8;
  pal.palette = {0xFF000000u, 0xFF000000u};
  pal.indices = {0, 1};
  Write("p.png", EncodePng({}, 2, 1, pal));
  // A palette that claims 1000 entries: only the image's two are replaced.
  std::vector<uint8_t> riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'P', 'A', 'L', ' ', 'd', 'a', 't', 'a',
                               0xFF, 0xFF, 0, 0, 0, 3, 0xE8, 3};
  for (int i = 0; i < 3; ++i) riff.insert(riff.end(), {uint8_t(10 * (i + 1)), 20, 30, 0});
  Write("p.pal", riff);
  uint8_t* px = nullptr;
  uint32_t w, h;
  int bits;
  bool alpha;
  ASSERT_TRUE(LoadPngImage("p.png", &px, &w, &h, &bits, "p.pal", nullptr, &alpha, false));
  EXPECT_EQ(reinterpret_cast<uint32_t*>(px)[0], 0xFF0A141Eu);
  EXPECT_EQ(reinterpret_cast<uint32_t*>(px)[1], 0xFF14141Eu);
  FreePngBuffer(px);
  // Any RIFF file is read, and its chunk size gives the count, (size - 8) / 4:
  // 16 gives two entries whatever the count field says; 12 gives one.
  for (uint8_t size : {16, 12}) {
    std::vector<uint8_t> other = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'N', 'Y', ' ', 'b', 'l', 'o', 'b',
                                  size, 0, 0, 0, 0, 3, 1, 0, 1, 2, 3, 0, 4, 5, 6, 0};
    Write("o.pal", other);
    ASSERT_TRUE(LoadPngImage("p.png", &px, &w, &h, &bits, "o.pal", nullptr, &alpha, false));
    EXPECT_EQ(reinterpret_cast<uint32_t*>(px)[0], 0xFF010203u);
    EXPECT_EQ(reinterpret_cast<uint32_t*>(px)[1], size == 16 ? 0xFF040506u : 0xFF000000u);
    FreePngBuffer(px);
  }
}

// A "RIFF" palette holding all of its `entries` (entry k: red k, green 7k, blue 255 - k).
std::vector<uint8_t> RiffPalette(uint32_t entries) {
  uint32_t chunk = 4 + 4 * entries;
  std::vector<uint8_t> riff = {'R', 'I', 'F', 'F'};
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) riff.push_back(uint8_t(v >> (8 * i)));
  };
  put(12 + chunk, 4);
  riff.insert(riff.end(), {'P', 'A', 'L', ' ', 'd', 'a', 't', 'a'});
  put(chunk, 4);
  put(0x300, 2);
  put(entries, 2);
  for (uint32_t k = 0; k < entries; ++k) riff.insert(riff.end(), {uint8_t(k), uint8_t(7 * k), uint8_t(255 - k), 0});
  return riff;
}

uint32_t RiffColour(uint32_t k) { return 0xFF000000u | (k & 0xFF) << 16 | ((7 * k) & 0xFF) << 8 | ((255 - k) & 0xFF); }

TEST_F(ImageTest, PaletteFileWithMoreEntriesThanTheImageIsCappedAtTheImagesPalette) {
  for (uint32_t colours : {256u, 4u}) {
    SCOPED_TRACE(colours);
    PngOptions pal;
    pal.type = PngOptions::kPalette;
    pal.bitDepth = colours == 256 ? 8 : 2;
    for (uint32_t k = 0; k < colours; ++k) pal.palette.push_back(0xFF101010u + k);
    for (uint32_t k = 0; k < 256; ++k) pal.indices.push_back(uint8_t(k % colours));
    Write("indexed.png", EncodePng({}, 16, 16, pal));
    for (uint32_t entries : {257u, 310u, 1000u}) {  // one past the largest palette, and far past it
      SCOPED_TRACE(entries);
      Write("big.pal", RiffPalette(entries));
      uint8_t* px = nullptr;
      uint8_t* palette = nullptr;
      uint32_t w = 0, h = 0;
      int bits = 0;
      bool alpha = false;
      ASSERT_TRUE(LoadPngImage("indexed.png", &px, &w, &h, &bits, "big.pal", nullptr, &alpha, false));
      const uint32_t* argb = reinterpret_cast<const uint32_t*>(px);
      for (uint32_t k = 0; k < 256; ++k) ASSERT_EQ(argb[k], RiffColour(k % colours)) << "pixel " << k;
      FreePngBuffer(px);

      ASSERT_TRUE(LoadPngImage("indexed.png", &px, &w, &h, &bits, "big.pal", &palette, &alpha, true));
      for (uint32_t k = 0; k < 256; ++k) {
        uint32_t want = k < colours ? RiffColour(k) : 0;  // entries past the image's palette stay empty
        uint32_t got = uint32_t(palette[4 * k + 3]) << 24 | uint32_t(palette[4 * k + 2]) << 16 |
                       uint32_t(palette[4 * k + 1]) << 8 | palette[4 * k];
        ASSERT_EQ(got, want) << "entry " << k;
      }
      EXPECT_EQ(px[255], 255 % colours);
      FreePngBuffer(px);
      FreePngBuffer(palette);
    }
  }
}

TEST_F(ImageTest, JpegReaderSurvivesEmptyCutAndUnsupportedFiles) {
  std::vector<uint32_t> flat(32 * 16, 0xFF3080C0u);
  auto jpg = EncodeJpeg(flat, 32, 16);
  Write("flat.jpg", jpg);
  TDecodedImage img;
  ASSERT_TRUE(Load("flat.jpg", &img));
  EXPECT_EQ(img.side, 32u);
  EXPECT_TRUE(Near(At(img, 31, 15), 0xFF3080C0u, 2));
  EXPECT_EQ(At(img, 0, 16), 0u);  // zero padding
  // An application marker several reads of the source long is skipped whole.
  std::vector<uint8_t> marked(jpg.begin(), jpg.begin() + 2);
  const size_t length = 20000;
  marked.insert(marked.end(), {0xFF, 0xEB, uint8_t(length >> 8), uint8_t(length & 0xFF)});
  marked.resize(marked.size() + length - 2, 0x5A);
  marked.insert(marked.end(), jpg.begin() + 2, jpg.end());
  Write("marked.jpg", marked);
  ASSERT_TRUE(Load("marked.jpg", &img));
  EXPECT_TRUE(Near(At(img, 31, 15), 0xFF3080C0u, 2));
  Write("grey.jpg", EncodeJpeg(std::vector<uint32_t>(8 * 8, 0xFF404040u), 8, 8, 1));
  ASSERT_TRUE(Load("grey.jpg", &img));
  EXPECT_TRUE(Near(At(img, 3, 3), 0xFF404040u, 1));
  TLogCapture log;
  Write("zero.jpg", {});
  uint32_t* px = nullptr;
  uint32_t w, h, side;
  EXPECT_FALSE(LoadJpegTexture("zero.jpg", &px, &w, &h, &side));
  EXPECT_EQ(px, nullptr);
  EXPECT_TRUE(log.Contains("LoadJpegTexture: zero.jpg:"));
  auto big = EncodeJpeg(Pattern(256, 128), 256, 128, 3, 90);
  Write("cut.jpg", std::vector<uint8_t>(big.begin(), big.begin() + long(big.size() / 2)));
  ASSERT_TRUE(LoadJpegTexture("cut.jpg", &px, &w, &h, &side));  // decodes with the fake end marker
  EXPECT_EQ(h, 128u);
  EXPECT_TRUE(Near(px[1], Pattern(256, 128)[1] | 0xFF000000u, 8));
  FreeJpegBuffer(px);
  Write("cmyk.jpg", EncodeJpeg(flat, 32, 16, 4));
  EXPECT_FALSE(Load("cmyk.jpg", &img));
  Write("wide.jpg", EncodeJpeg(std::vector<uint32_t>(9000, 0xFF000000u), 9000, 1));
  EXPECT_FALSE(Load("wide.jpg", &img));
  EXPECT_TRUE(log.Contains("out of range"));
}

TEST_F(ImageTest, Jpeg2000PrecisionsAndEdgePadding) {
  std::vector<int32_t> grey = {0, 5, 15, 1, 2, 3};  // 3 x 2 at 4 bits
  Write("g4.jp2", EncodeJpeg2000({grey}, 3, 2, 4));
  TDecodedImage img;
  ASSERT_TRUE(Load("g4", &img));
  EXPECT_EQ(At(img, 1, 0), 0xFF505050u);
  EXPECT_EQ(At(img, 2, 0), 0xFFF0F0F0u);
  EXPECT_EQ(At(img, 3, 0), At(img, 2, 0));  // the row repeats its last pixel
  EXPECT_EQ(At(img, 3, 3), At(img, 2, 1));  // rows below repeat the last row
  std::vector<int32_t> r = {255, 0}, g = {0, 128}, b = {10, 20}, a = {255, 64};
  Write("rgba.j2k", EncodeJpeg2000({r, g, b, a}, 2, 1, 8, true));
  ASSERT_TRUE(Load("rgba.j2k", &img));
  EXPECT_TRUE(img.hasAlpha);
  EXPECT_EQ(At(img, 0, 0), 0xFFFF000Au);
  EXPECT_EQ(At(img, 1, 0), 0x40008014u);
  Write("rgb.jp2", EncodeJpeg2000({{200, 3}, {1, 90}, {60, 250}}, 2, 1, 8));  // no alpha: opaque
  ASSERT_TRUE(Load("rgb.jp2", &img));
  EXPECT_FALSE(img.hasAlpha);
  EXPECT_EQ(At(img, 0, 0), 0xFFC8013Cu);
  EXPECT_EQ(At(img, 1, 0), 0xFF035AFAu);
  Write("ga.j2k", EncodeJpeg2000({{30, 220}, {255, 16}}, 2, 1, 8, true));  // grey and alpha, no colour space
  ASSERT_TRUE(Load("ga.j2k", &img));
  EXPECT_TRUE(img.hasAlpha);
  EXPECT_EQ(At(img, 0, 0), 0xFF1E1E1Eu);
  EXPECT_EQ(At(img, 1, 0), 0x10DCDCDCu);
  std::vector<int32_t> deep = {4095, 2048};  // 12 bits are shifted down
  Write("d12.jp2", EncodeJpeg2000({deep}, 2, 1, 12));
  ASSERT_TRUE(Load("d12.jp2", &img));
  EXPECT_EQ(At(img, 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(At(img, 1, 0), 0xFF808080u);
  // Signed samples count from the lowest: -128 is black, 0 the middle grey, 127 white (and 12 bits the same, shifted).
  Write("s8.j2k", EncodeJpeg2000({{-128, 0, 127}}, 3, 1, 8, true, true));
  ASSERT_TRUE(Load("s8.j2k", &img));
  EXPECT_EQ(At(img, 0, 0), 0xFF000000u);
  EXPECT_EQ(At(img, 1, 0), 0xFF808080u);
  EXPECT_EQ(At(img, 2, 0), 0xFFFFFFFFu);
  Write("s12.jp2", EncodeJpeg2000({{-2048, -16, 2047}}, 3, 1, 12, false, true));
  ASSERT_TRUE(Load("s12.jp2", &img));
  EXPECT_EQ(At(img, 0, 0), 0xFF000000u);
  EXPECT_EQ(At(img, 1, 0), 0xFF7F7F7Fu);
  EXPECT_EQ(At(img, 2, 0), 0xFFFFFFFFu);
  auto j = EncodeJpeg2000({grey}, 3, 2, 4);
  Write("cut.jp2", std::vector<uint8_t>(j.begin(), j.begin() + 40));
  EXPECT_FALSE(Load("cut.jp2", &img));
  Write("wide.jp2", EncodeJpeg2000({std::vector<int32_t>(9000, 1)}, 9000, 1, 8));
  EXPECT_FALSE(Load("wide.jp2", &img));
}

// A raw code stream of a tiny picture whose size marker is made to claim
// side x side (one tile): the decoder would fill the whole picture from it.
std::vector<uint8_t> ClaimingJ2k(int components, uint32_t side) {
  std::vector<std::vector<int32_t>> samples(size_t(components), std::vector<int32_t>(64, 7));
  std::vector<uint8_t> j = EncodeJpeg2000(samples, 8, 8, 8, true);
  auto put = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) j[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
  };
  EXPECT_EQ(j[2], 0xFF);
  EXPECT_EQ(j[3], 0x51);  // the size marker follows the start of the stream
  put(8, side);   // width
  put(12, side);  // height
  put(24, side);  // tile width
  put(28, side);  // tile height
  return j;
}

TEST_F(ImageTest, TinyFilesClaimingHugePicturesAreRefusedBeforeDecoding) {
  const TImageLimit limit = GetImageLimit();  // no display: the largest picture any device may take
  EXPECT_EQ(limit.maxWidth, 8192u);
  EXPECT_EQ(limit.maxDecodeBytes, uint64_t(8192) * 8192 * 4);
  auto bomb = ClaimingJ2k(1, 8192);
  EXPECT_LT(bomb.size(), 200u);
  Write("bomb.j2k", bomb);
  TDecodedImage img;
  TLogCapture log;
  EXPECT_FALSE(Load("bomb.j2k", &img));
  EXPECT_TRUE(log.Contains("LoadJpeg2000Texture: bomb.j2k refused: decoding 8192x8192 would take 512 MB, more than "
                           "the 256 MB allowed"));
  EXPECT_EQ(img.pixels, nullptr);
  Write("colour.j2k", ClaimingJ2k(4, 4096));  // 64 MB of pixels and 256 MB of samples
  EXPECT_FALSE(Load("colour.j2k", &img));
  EXPECT_TRUE(log.Contains("colour.j2k refused: decoding 4096x4096 would take 320 MB"));
  // A picture no texture could hold never reaches a decoder.
  log.Clear();
  Write("tall.png", LyingPng(1, 9000));
  EXPECT_FALSE(Load("tall.png", &img));
  EXPECT_TRUE(log.Contains("out of range"));
}

// --- Textures from files ---

class TextureFileTest : public DisplayTest {};

TEST_F(TextureFileTest, NamesTryJp2ThenPngThenJpgAndMasksGiveAlpha) {
  ASSERT_TRUE(Open());
  testing_support::ScopedChdir cd(dir_.Path());
  dir_.Write("pic.png", EncodePng(std::vector<uint32_t>(4, 0xFF00FF00u), 2, 2));
  dir_.Write("pic.jp2", EncodeJpeg2000({{255, 255, 255, 255}, {0, 0, 0, 0}, {0, 0, 0, 0}}, 2, 2, 8));
  TString name = "pic?alpha,slow";
  ASSERT_TRUE(FindImageFile(name));
  EXPECT_EQ(name, "pic.jp2");
  dir_.Write("only.png", EncodePng(std::vector<uint32_t>(4, 0xFF00FF00u), 2, 2));
  name = "only?alpha";
  ASSERT_TRUE(FindImageFile(name));
  EXPECT_EQ(name, "only.png");

  dir_.Write("photo.jpg", EncodeJpeg(std::vector<uint32_t>(8 * 8, 0xFF2050F0u), 8, 8));
  std::vector<uint32_t> mask(8 * 8);
  for (int i = 0; i < 64; ++i) mask[size_t(i)] = (i % 8) < 4 ? 0xFFFFFFFFu : 0xFF000000u;
  PngOptions grey;
  grey.type = PngOptions::kGrey;
  dir_.Write("photo_a.png", EncodePng(mask, 8, 8, grey));
  TTextureRef t = TTexture::GetWithMask("photo.jpg", "photo_a.png");
  ASSERT_TRUE(t);
  EXPECT_EQ(TTexture::GetWithMask("photo.jpg", "photo_a.png"), t);  // shared by key
  const auto& f = Frame([&] { t->DrawAt(0, 0, 1, 1, 0, TDrawParams::kAnchorAtCenter); }, 0xFF000000u);
  EXPECT_TRUE(Near(f.At(1, 1), 0xFF2050F0u, 2));
  EXPECT_EQ(f.At(6, 1), 0xFF000000u);  // masked out
  TTextureRef red = TTexture::Get("pic");
  ASSERT_TRUE(red);
  const auto& g = Frame([&] { red->DrawAt(10, 10, 1, 1, 0, TDrawParams::kAnchorAtCenter); });
  EXPECT_EQ(g.At(10, 10), 0xFFFF0000u);  // the JPEG-2000 file won
  TLogCapture log;
  EXPECT_FALSE(TTexture::Get("nothing-here"));
  EXPECT_TRUE(log.Contains("TTexture: cannot load nothing-here"));
}

TEST_F(TextureFileTest, ManyPicturesDecodedSideBySideComeBackInOrderAsGetGivesThem) {
  ASSERT_TRUE(Open());
  testing_support::ScopedChdir cd(dir_.Path());
  // Eleven frames (three groups of decoding), one already loaded, one
  // missing, one damaged and one listed twice.
  std::vector<TString> names;
  for (int i = 0; i < 11; ++i) {
    std::string name = "frame" + std::to_string(i) + ".png";
    dir_.Write(name, EncodePng(std::vector<uint32_t>(6 * 4, 0xFF000000u | uint32_t(20 * i) << 8 | 7u), 6, 4));
    names.push_back(TString(name.c_str()));
  }
  std::vector<uint8_t> cut = EncodePng(std::vector<uint32_t>(64 * 64, 0xFF102030u), 64, 64);
  cut.resize(cut.size() / 2);
  dir_.Write("cut.png", cut);
  TTextureRef early = TTexture::Get("frame3.png");
  ASSERT_TRUE(early);
  names.insert(names.begin() + 5, "missing.png");
  names.insert(names.begin() + 2, "cut.png");
  names.push_back("frame0.png");
  TLogCapture log;
  std::vector<TTextureRef> got = TTexture::GetMany(names);
  ASSERT_EQ(got.size(), names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == "missing.png" || names[i] == "cut.png") {
      EXPECT_FALSE(got[i]) << i;
      continue;
    }
    ASSERT_TRUE(got[i]) << i;
    EXPECT_EQ(got[i], TTexture::Get(names[i])) << i;  // registered under Get's key
  }
  EXPECT_EQ(got[4], early);          // frame3, loaded before: shared
  EXPECT_EQ(got.back(), got[0]);     // listed twice: one texture
  EXPECT_EQ(log.Count("TTexture: cannot load missing.png"), 1u);
  EXPECT_EQ(log.Count("TTexture: cannot load cut.png"), 1u);
  EXPECT_EQ(log.Count("LoadPngImage: cut.png"), 1u);  // decoded once, its reason logged once
  // Each frame draws its own colour.
  const auto& f = Frame([&] {
    for (size_t i = 0; i < got.size(); ++i)
      if (got[i]) got[i]->DrawAt(float(8 * i), 0, 1, 1, 0, TDrawParams::kAnchorAtCenter);
  });
  for (size_t i = 0; i < got.size(); ++i) {
    if (!got[i]) continue;
    int frame = std::atoi(names[i].c_str() + 5);
    EXPECT_EQ(f.At(int(8 * i) + 2, 2), 0xFF000000u | uint32_t(20 * frame) << 8 | 7u) << i;
  }
  // Nothing left held: a second call finds every picture loaded.
  EXPECT_EQ(TTexture::GetMany({"frame7.png", "frame8.png"})[1], got[10]);
}

// A device with square textures only.
class SquareTextureTest : public DisplayTest {
protected:
  sdev::test::Config Config() override {
    sdev::test::Config c = sdev::test::DefaultConfig();
    c.adapters[0].d3dDevices[0].second.squareOnly = 1;
    return c;
  }
};

TEST_F(SquareTextureTest, AWidePictureIsPaddedBelowWithZero) {
  ASSERT_TRUE(Open());
  testing_support::ScopedChdir cd(dir_.Path());
  dir_.Write("wide.png", EncodePng(std::vector<uint32_t>(8 * 2, 0xFF102030u), 8, 2));
  TTextureRef t = TTexture::Get("wide.png");
  ASSERT_TRUE(t);
  ASSERT_EQ(t->GetAllocatedSize(), TPoint(8, 8));
  uint32_t* px = nullptr;
  uint32_t pitch = 0;
  ASSERT_TRUE(t->Lock(&px, &pitch));
  for (uint32_t y = 0; y < 8; ++y)
    for (uint32_t x = 0; x < 8; ++x) EXPECT_EQ(px[y * pitch + x], y < 2 ? 0xFF102030u : 0u) << x << "," << y;
  t->Unlock();
}

// A device whose largest texture is 1024 x 1024.
class SmallTextureTest : public DisplayTest {
protected:
  sdev::test::Config Config() override {
    sdev::test::Config c = sdev::test::DefaultConfig();
    for (auto& device : c.adapters[0].d3dDevices) device.second.maxTextureWidth = device.second.maxTextureHeight = 1024;
    return c;
  }
};

TEST_F(SmallTextureTest, PicturesAreHeldToTheDevicesLargestTexture) {
  ASSERT_TRUE(Open());
  testing_support::ScopedChdir cd(dir_.Path());
  const TImageLimit limit = GetImageLimit();
  EXPECT_EQ(limit.maxWidth, 1024u);
  EXPECT_EQ(limit.maxHeight, 1024u);
  EXPECT_EQ(limit.maxDecodeBytes, kMinImageDecodeBytes);  // 4 MB of texture: the floor holds
  dir_.Write("column.png", EncodePng(std::vector<uint32_t>(8192, 0xFF102030u), 1, 8192));
  dir_.Write("wide.jpg", EncodeJpeg(std::vector<uint32_t>(2048 * 2, 0xFF102030u), 2048, 2));
  dir_.Write("wide.jp2", EncodeJpeg2000({std::vector<int32_t>(2048 * 2, 9)}, 2048, 2, 8));
  dir_.Write("fits.png", EncodePng(std::vector<uint32_t>(1024 * 2, 0xFF102030u), 1024, 2));
  TLogCapture log;
  EXPECT_FALSE(TTexture::Get("column.png"));
  EXPECT_TRUE(log.Contains("LoadPngImage: column.png refused: 1x8192 is larger than the display's largest texture "
                           "(1024x1024)"));
  TDecodedImage img;
  EXPECT_FALSE(LoadImageFile("wide.jpg", &img));
  EXPECT_TRUE(log.Contains("LoadJpegTexture: wide.jpg refused: 2048x2 is larger"));
  EXPECT_FALSE(LoadImageFile("wide.jp2", &img));
  EXPECT_TRUE(log.Contains("LoadJpeg2000Texture: wide.jp2 refused: 2048x2 is larger"));
  TTextureRef fits = TTexture::Get("fits.png");
  ASSERT_TRUE(fits);
  EXPECT_EQ(fits->GetWidth(), 1024u);
}

}  // namespace
