// The slider: orientation, value and thumb, dragging and paging as a parent
// window hears them, and a slider without size.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/log.h"
#include "stocktest.h"
#include "ui/image.h"
#include "ui/slider.h"

using stocktest::TStockFixture;

namespace {

class SliderTest : public ::testing::Test {
protected:
  SliderTest() {
    f.wm->RegisterWindowType("Probe", uitest::TProbe::ClassCreator());
    f.Png("thumb.png", 20, 20, [](int, int) { return 0xFFFFFFFFu; });
    f.Png("rail.png", 8, 6, [](int, int) { return 0xFF4080C0u; });
  }
  // A 300-pixel horizontal slider inside a probe at (100, 100).
  TSlider* Make(const std::string& extra = "") {
    f.Lua("Probe{name='p', x=100, y=100, w=400, h=100, Slider{name='s', x=0, y=10, w=300, h=20, "
          "sliderimage='thumb.png', railtop='rail.png', railmid='rail.png', railbot='rail.png'" + extra + "}}()");
    return f.Find<TSlider>("s");
  }
  // The messages the slider's parent heard.
  std::vector<std::string> Heard() {
    std::vector<std::string> out;
    for (auto& e : f.Find<uitest::TProbe>("p")->events)
      if (e.rfind("msg", 0) == 0) out.push_back(e);
    return out;
  }
  TStockFixture f;
};

}  // namespace

TEST_F(SliderTest, OrientationValueAndThumb) {
  f.Lua("Slider{name='h', w=200, h=20}() Slider{name='v', w=200, h=20, hslider=false}()"
        "Slider{name='z', w=200, h=20, hslider=0}() Slider{name='t', w=20, h=200}()");
  EXPECT_TRUE(f.Find<TSlider>("h")->IsHorizontal());
  EXPECT_FALSE(f.Find<TSlider>("v")->IsHorizontal());
  EXPECT_FALSE(f.Find<TSlider>("z")->IsHorizontal());
  EXPECT_FALSE(f.Find<TSlider>("t")->IsHorizontal());

  TSlider* s = Make(", value=0.5");
  EXPECT_TRUE(Heard().empty());  // the style's value is set silently
  EXPECT_EQ(s->GetThumb()->GetRect().left, 140);
  EXPECT_EQ(s->GetThickness(), 20);
  EXPECT_EQ(s->GetHeight(), 20);
  s->SetValue(1.5f, true);
  EXPECT_EQ(s->GetValue(), 1.0f);
  EXPECT_EQ(s->GetThumb()->GetRect().left, 280);
  s->SetValue(-3, false);
  EXPECT_EQ(s->GetValue(), 0.0f);
  EXPECT_EQ(Heard(), std::vector<std::string>{"msg 9 s"});
}

TEST_F(SliderTest, DraggingReportsEveryMoveAndTheRailPages) {
  TSlider* s = Make(", value=0.5");
  // Without a rollover picture the thumb keeps its own under the pointer and while dragged.
  const TTextureRef own = s->GetThumb()->GetTexture();
  ASSERT_TRUE(own);
  TRect thumb = s->GetThumb()->GetScreenRect();
  f.Move(thumb.left + 5, thumb.top + 5);
  EXPECT_EQ(s->GetThumb()->GetTexture(), own);
  f.Down(thumb.left + 5, thumb.top + 5);
  EXPECT_TRUE(s->IsDragging());
  f.Move(100 + 30, 115);     // x 30 of 300
  EXPECT_EQ(s->GetThumb()->GetTexture(), own);
  f.Move(100 + 600, 300);    // far outside: clamped
  f.Move(100 + 150, 115);
  f.Up(100 + 150, 115);
  EXPECT_FALSE(s->IsDragging());
  EXPECT_EQ(Heard(), (std::vector<std::string>{"msg 9 s", "msg 9 s", "msg 9 s", "msg 10 s"}));
  EXPECT_FLOAT_EQ(s->GetValue(), 0.5f);

  // A press on the rail before or after the thumb pages and leaves the value.
  f.Find<uitest::TProbe>("p")->events.clear();
  f.Click(100 + 5, 115);
  EXPECT_FLOAT_EQ(s->GetPressValue(), 0.0f);  // the thumb's middle cannot go left of 10
  f.Click(100 + 220, 115);
  EXPECT_FLOAT_EQ(s->GetPressValue(), 0.75f);  // (220 - 10) of 280
  f.Click(100 + 295, 115);
  EXPECT_FLOAT_EQ(s->GetPressValue(), 1.0f);
  EXPECT_EQ(Heard(), (std::vector<std::string>{"msg 11 s", "msg 12 s", "msg 12 s"}));
  EXPECT_FLOAT_EQ(s->GetValue(), 0.5f);
}

TEST_F(SliderTest, ASliderWithoutLengthStaysAtTheStart) {
  f.Lua("Slider{name='s', sliderimage='thumb.png', hslider=true}()");
  TSlider* s = f.Find<TSlider>("s");
  ASSERT_EQ(s->GetWidth(), 0);
  s->OnMouseDown(TPoint(5, 5));
  s->OnMouseMove(TPoint(50, 5));
  EXPECT_FALSE(std::isnan(s->GetValue()));
  EXPECT_EQ(s->GetValue(), 0.0f);
  EXPECT_EQ(s->GetThumb()->GetRect().left, 0);
  s->SetValue(std::nanf(""), true);
  EXPECT_EQ(s->GetValue(), 0.0f);
  // Drawn with a rail shorter than its caps: nothing inverted, nothing broken.
  f.Lua("Slider{name='short', x=10, y=300, w=5, h=20, hslider=true, railtop='rail.png', railmid='rail.png', railbot='rail.png'}()");
  f.DrawFrame();
}

TEST_F(SliderTest, AHugeScaleIsClampedWithALogLine) {
  TLogCapture log;
  TSlider* s = Make(", scale=1e9, value=0.5");
  EXPECT_TRUE(log.Contains("Window s: scale 1e+09 is out of range; 64 is used"));
  EXPECT_EQ(s->GetThumb()->GetWidth(), 20 * int(kMaxWindowScale));
  EXPECT_EQ(s->GetThickness(), 20 * int(kMaxWindowScale));
  EXPECT_EQ(s->GetThumb()->GetRect().left, 0);  // longer than the slider: stays at the start
  f.Lua("Slider{name='tall', x=0, y=200, w=20, h=300, hslider=false, sliderimage='thumb.png', scale=1e9, value=0.5}()");
  ASSERT_TRUE(f.Find<TSlider>("tall"));
  EXPECT_EQ(f.Find<TSlider>("tall")->GetThumb()->GetRect().top, 0);  // upright, the same
  // A scale of 0 is kept: thumb and rail have no size, the value still works.
  f.Lua("Slider{name='flat', x=0, y=300, w=300, h=20, sliderimage='thumb.png', railtop='rail.png', "
        "railmid='rail.png', railbot='rail.png', scale=0}()");
  TSlider* flat = f.Find<TSlider>("flat");
  ASSERT_TRUE(flat);
  EXPECT_EQ(flat->GetThumb()->GetWidth(), 0);
  EXPECT_EQ(flat->GetThickness(), 0);
  flat->SetValue(0.5f, true);
  EXPECT_EQ(flat->GetValue(), 0.5f);
  f.DrawFrame();
}
