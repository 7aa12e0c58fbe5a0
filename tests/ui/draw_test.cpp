// Frames drawn by the window manager on the software display device and
// read back pixel by pixel: clip and viewport per window, exclusive right and
// bottom edges, the screen cleared under a dialog, and no frame without a change.
#include <gtest/gtest.h>

#include "platform/registry/asset.h"
#include "render/device/displayhandler.h"
#include "render/sdev/fault.h"
#include "ui/drawenvironment.h"
#include "uitest.h"

using namespace uitest;

namespace {

// Fills its whole rectangle with one colour.
class TFiller : public TWindow {
public:
  explicit TFiller(TFloatColor c) : color(c) {}
  void Draw() override { GetWindowManager()->GetEnvironment()->FillRect(TRect(0, 0, GetWidth(), GetHeight()), color); }
  TFloatColor color;
};

TEST(DrawFrame, WindowsFillTheirClippedRectanglesOnTheDevice) {
  TManualTimeScope time(1000);
  TAssetManager assets;
  TAssetManager* previous = SetAssetManager(&assets);
  sdev::FixedWindow device{320, 240};
  TDisplayHandler* handler = CreateDisplayHandler();
  ASSERT_TRUE(handler->Open(&device, 320, 240, false));
  {
    TRendererWindowEnvironment env;
    TWindowManager wm(&env);
    wm.SetRootWindow(new TScreen());
    EXPECT_EQ(TRect(0, 0, 320, 240), wm.GetRootWindow()->GetRect());
    auto* dialog = new TModalWindow();
    wm.PushModal(dialog);
    auto* panel = new TFiller(TFloatColor(0, 1, 0, 1));
    panel->MoveTo(100, 50);
    panel->SetSize(50, 40);
    dialog->AddChild(panel, true);
    auto* over = new TFiller(TFloatColor(0, 0, 1, 1));
    over->MoveTo(40, 30);
    over->SetSize(30, 30);
    panel->AddChild(over, true);
    TPlatformEvent tick;
    tick.type = kEventTick;
    time.Advance(20);
    wm.HandleEvent(tick);
    const sdev::test::Frame& f = sdev::test::LastFrame();
    ASSERT_EQ(320, f.width);
    auto rgb = [&](int x, int y) { return f.At(x, y) & 0xFFFFFFu; };
    EXPECT_EQ(0x00FF00u, rgb(100, 50));
    EXPECT_EQ(0x00FF00u, rgb(139, 85));
    EXPECT_EQ(0x0000FFu, rgb(140, 80));
    EXPECT_EQ(0x0000FFu, rgb(149, 89));
    EXPECT_EQ(0u, rgb(150, 89));  // right and bottom edges are exclusive,
    EXPECT_EQ(0u, rgb(145, 90));  // and the child is clipped to its parent
    EXPECT_EQ(0u, rgb(99, 50));
    EXPECT_EQ(0u, rgb(10, 10));
    uint64_t shown = sdev::test::FramesShown();
    time.Advance(20);
    wm.HandleEvent(tick);
    EXPECT_EQ(shown, sdev::test::FramesShown());
    over->MoveTo(0, 0);
    time.Advance(20);
    wm.HandleEvent(tick);
    EXPECT_EQ(shown + 1, sdev::test::FramesShown());
    EXPECT_EQ(0x00FF00u, sdev::test::LastFrame().At(149, 89) & 0xFFFFFFu);

    // Lua's FillRect between frames fills the display at once (clipped to the
    // root window); the screen under the dialog is not cleared, so the next
    // frame shows it.
    auto* script = new TWindowScript();
    wm.SetScript(script);
    script->DoLuaString("FillRect({10, 10, 20, 20}, {1, 0, 0, 1}) FillRect({310, 230, 400, 300}, {0, 0, 1, 1})",
                        "a test");
    EXPECT_EQ(shown + 1, sdev::test::FramesShown());  // no frame of its own
    wm.Invalidate();
    time.Advance(20);
    wm.HandleEvent(tick);
    const sdev::test::Frame& g = sdev::test::LastFrame();
    EXPECT_EQ(0xFF0000u, g.At(10, 10) & 0xFFFFFFu);
    EXPECT_EQ(0xFF0000u, g.At(19, 19) & 0xFFFFFFu);
    EXPECT_EQ(0u, g.At(20, 20) & 0xFFFFFFu);
    EXPECT_EQ(0x0000FFu, g.At(319, 239) & 0xFFFFFFu);
    delete script;
  }
  DestroyDisplayHandler();
  TRenderer::Destroy();
  SetAssetManager(previous);
}

}  // namespace
