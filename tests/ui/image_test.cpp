// The image window: sizes from the picture, the scale and the style; and the
// picture as drawn, compared by pixels.
#include <gtest/gtest.h>

#include "platform/log.h"
#include "render/renderer.h"
#include "stocktest.h"
#include "ui/image.h"

using stocktest::TStockFixture;

namespace {

// An 8 x 4 picture: red left half, green right half, with a blue top row.
uint32_t Quadrants(int x, int y) {
  if (y == 0) return 0xFF0000FFu;
  return x < 4 ? 0xFFFF0000u : 0xFF00FF00u;
}

}  // namespace

TEST(ImageWindow, SizesFromThePictureTheScaleAndTheStyle) {
  TStockFixture f;
  f.Png("wide.png", 1280, 768, [](int, int) { return 0xFF000000u; });
  f.Png("small.png", 800, 600, [](int, int) { return 0xFF000000u; });
  f.Png("bar.png", 101, 40, [](int, int) { return 0xFF000000u; });
  f.Png("tall.png", 640, 768, [](int, int) { return 0xFF000000u; });
  f.Lua("Bitmap{name='a', image='small.png', autoscale=true}()"
        "Bitmap{name='b', image='wide.png', autoscale=true}()"
        "Bitmap{name='c', image='small.png', autoscale=true, scale=2}()"
        "Bitmap{name='d', image='tall.png', autoscale=true}()"
        "Bitmap{name='e', image='bar.png', rotate=true}()"
        "Bitmap{name='g', image='bar.png', scale=0.5}()"
        "Bitmap{name='h', image='wide.png', w=30, h=20}()"
        "Bitmap{name='i', image='missing.png', w=30, h=20}()");
  auto size = [&](const char* n) {
    TImage* w = f.Find<TImage>(n);
    return std::to_string(w->GetWidth()) + "x" + std::to_string(w->GetHeight());
  };
  EXPECT_FLOAT_EQ(f.Find<TImage>("a")->GetScale(), 1.28f);
  EXPECT_EQ(size("a"), "1024x768");
  EXPECT_FLOAT_EQ(f.Find<TImage>("b")->GetScale(), 0.8f);
  EXPECT_EQ(size("b"), "1024x614");
  EXPECT_FLOAT_EQ(f.Find<TImage>("c")->GetScale(), 2.0f);
  EXPECT_FLOAT_EQ(f.Find<TImage>("d")->GetScale(), 1.6f);  // as high as the display: by its width
  EXPECT_EQ(size("d"), "1024x1229");
  EXPECT_EQ(size("e"), "40x101");
  EXPECT_EQ(size("g"), "51x20");
  EXPECT_EQ(size("h"), "30x20");
  EXPECT_EQ(size("i"), "30x20");
  EXPECT_FALSE(f.Find<TImage>("i")->HasImage());
  // Opaque unless the style asks for alpha.
  EXPECT_TRUE(f.Find<TImage>("a")->HasFlag(kWindowOpaque));
  f.Lua("Bitmap{name='j', image='bar.png', alpha=true, hflip=true}()");
  EXPECT_FALSE(f.Find<TImage>("j")->HasFlag(kWindowOpaque));

  TDrawParams flipped = f.Find<TImage>("j")->MakeDrawParams();
  EXPECT_EQ(flipped.flags, TDrawParams::kFlipHorizontal | TDrawParams::kAnchorAtCenter);
  TDrawParams turned = f.Find<TImage>("e")->MakeDrawParams();
  EXPECT_EQ(turned.center.x, 0.0f);
  EXPECT_EQ(turned.center.y, 40.0f);
}

TEST(ImageWindow, ScaledFlippedAndTurnedPicturesByPixel) {
  TStockFixture f;
  f.Png("q.png", 8, 4, Quadrants);
  f.Lua("Bitmap{name='plain', x=10, y=10, image='q.png', scale=2}()"
        "Bitmap{name='flip', x=40, y=10, image='q.png', scale=2, hflip=true, vflip=true}()"
        "Bitmap{name='turn', x=70, y=10, image='q.png', rotate=true}()");
  TRenderer::GetInstance()->SetRenderOption("linearfilter", "0");  // scaled pixels stay whole
  const sdev::test::Frame& frame = f.DrawFrame();
  ASSERT_EQ(frame.width, 1024);
  auto at = [&](int x, int y) { return frame.At(x, y) & 0xFFFFFFu; };
  // Scale 2: 16 x 8 pixels, the blue row two pixels high.
  EXPECT_EQ(at(10, 10), 0x0000FFu);
  EXPECT_EQ(at(25, 11), 0x0000FFu);
  EXPECT_EQ(at(10, 12), 0xFF0000u);
  EXPECT_EQ(at(17, 17), 0xFF0000u);
  EXPECT_EQ(at(18, 17), 0x00FF00u);
  EXPECT_EQ(at(25, 17), 0x00FF00u);
  EXPECT_EQ(at(26, 12), 0x000000u);
  EXPECT_EQ(at(10, 18), 0x000000u);
  // Both flips: green left, blue row at the bottom.
  EXPECT_EQ(at(40, 10), 0x00FF00u);
  EXPECT_EQ(at(55, 10), 0xFF0000u);
  EXPECT_EQ(at(40, 17), 0x0000FFu);
  // A quarter turn clockwise: 4 x 8, the blue row down the right edge, red on top.
  EXPECT_EQ(at(73, 10), 0x0000FFu);
  EXPECT_EQ(at(73, 17), 0x0000FFu);
  EXPECT_EQ(at(70, 13), 0xFF0000u);
  EXPECT_EQ(at(70, 14), 0x00FF00u);
  EXPECT_EQ(at(74, 10), 0x000000u);
  EXPECT_EQ(at(70, 18), 0x000000u);
}

TEST(ImageWindow, HugeScalesFromStylesAndScriptsAreClampedWithALogLine) {
  TStockFixture f;
  f.Png("q.png", 8, 4, Quadrants);
  TLogCapture log;
  f.Lua("Bitmap{name='big', x=10, y=10, image='q.png', scale=1e10}()"
        "Bitmap{name='odd', image='q.png', scale=-1/0}()"
        "Bitmap{name='set', image='q.png'}()"
        "_SetBitmap('set', 'q.png', 1e30)");
  EXPECT_FLOAT_EQ(f.Find<TImage>("big")->GetScale(), float(kMaxWindowScale));
  EXPECT_EQ(f.Find<TImage>("big")->GetWidth(), 8 * int(kMaxWindowScale));
  EXPECT_FLOAT_EQ(f.Find<TImage>("odd")->GetScale(), 1.0f);
  EXPECT_FLOAT_EQ(f.Find<TImage>("set")->GetScale(), float(kMaxWindowScale));
  EXPECT_TRUE(log.Contains("Window big: scale 1e+10 is out of range; 64 is used"));
  EXPECT_TRUE(log.Contains("Window odd: scale -inf is out of range; 1 is used"));
  EXPECT_TRUE(log.Contains("Window set: scale 1e+30 is out of range; 64 is used"));
  // Beyond what a float holds: still clamped, no undefined conversion.
  f.Lua("_SetBitmap('set', 'q.png', 1e300)");
  EXPECT_FLOAT_EQ(f.Find<TImage>("set")->GetScale(), float(kMaxWindowScale));
  const sdev::test::Frame& frame = f.DrawFrame();  // draws the huge pictures
  EXPECT_EQ(frame.At(12, 12) & 0xFFFFFFu, 0x0000FFu);
  // Sane scales pass unchanged and quietly.
  log.Clear();
  f.Lua("_SetBitmap('set', 'q.png', 2.5)");
  EXPECT_FLOAT_EQ(f.Find<TImage>("set")->GetScale(), 2.5f);
  EXPECT_TRUE(log.Lines().empty());
}
