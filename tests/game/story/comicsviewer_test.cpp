// The comic viewers made by a real Lua script: their buttons through a whole
// comic, the clicks that finish pages, GoNext and GoPrev in the real script
// state, the comic marked as seen and the sounds in their groups.
#include <gtest/gtest.h>

#include "audio/sound.h"
#include "game/story/comicsviewer.h"
#include "tests/game/story/storyfixture.h"
#include "ui/button.h"

namespace storytest {
namespace {

constexpr uint32_t kGreen = 0xFF00C000u;

class ViewerTest : public TStoryTest {
protected:
  ViewerTest() {
    MainXml("<Game><Common animrate=\"16\"/></Game>");
    Solid("c/p.png", 200, 200, kGreen);
    Solid("b.png", 60, 40, 0xFF808080u);
    // Page i (1-based) starts its picture at 0.1 x i seconds.
    std::string pages;
    for (int i = 1; i <= 3; ++i)
      pages += "<page><fragm pict=\"c/p\" timepict=\"" + std::to_string(0.1 * i) + "\" fadetime=\"0.2\"/></page>";
    Write("comics/three.xml", "<C><Sound name=\"amb.ogg\"/>" + pages + "</C>");
    Write("comics/one.xml", "<C><page><fragm pict=\"c/p\" timepict=\"0.05\"/></page></C>");
    Write("comics/none.xml", "<C/>");
  }
  Comics_t* Open(const char* comic, const char* type = "Comics", const char* extra = "") {
    Lua(std::string("SetNameComicsToRun('") + comic + "') " + type + "{ x = 0, y = 0, w = 1024, h = 768, " + extra +
        " Button{ name = 'next', x = 880, y = 700, w = 60, h = 40, graphics = {'b', 'b', 'b'}, default = true, "
        "command = function() GoNext() end }, Button{ name = 'skip', x = 20, y = 700, w = 60, h = 40, "
        "graphics = {'b', 'b', 'b'}, cancel = true, command = function() skipped = (skipped or 0) + 1 end }, "
        "Button{ name = 'play', x = 880, y = 700, w = 60, h = 40, graphics = {'b', 'b', 'b'}, default = true, "
        "cancel = true, command = function() played = (played or 0) + 1 end }, "
        "Button{ name = 'tback', x = 400, y = 700, w = 60, h = 40, graphics = {'b', 'b', 'b'}, command = "
        "function() GoPrev() end }, Button{ name = 'tnext', x = 560, y = 700, w = 60, h = 40, "
        "graphics = {'b', 'b', 'b'}, command = function() GoNext() end } }()");
    return Find<Comics_t>();
  }
  // The viewer's updates for that many milliseconds.
  void Run(int ms) {
    for (int t = 0; t < ms; t += 16) Tick(16);
  }
  std::string Buttons() {
    std::string s;
    for (const char* b : {"next", "skip", "play", "tback", "tnext"})
      if (Shown(b)) s += std::string(s.empty() ? "" : " ") + b;
    return s;
  }
};

TEST_F(ViewerTest, ButtonsFollowThePagesThroughTheWholeComic) {
  Comics_t* c = Open("three.xml");
  ASSERT_NE(c, nullptr);
  EXPECT_STREQ(c->GetClassName(), "Comics_t");
  EXPECT_EQ(c->GetStep(), 0.016f);
  EXPECT_EQ(Buttons(), "");  // hidden from the start
  Run(64);
  EXPECT_EQ(Buttons(), "tnext");  // page 1 is not complete yet
  Run(64);
  EXPECT_EQ(Buttons(), "next skip tnext");
  Click(900, 710);  // "next"
  EXPECT_EQ(c->GetDocument()->GetCurrentPage(), 1);
  Run(16);
  EXPECT_EQ(Buttons(), "tback tnext");  // page 2 waits for its picture
  // A click on the page finishes it; the buttons follow on the next update.
  Click(500, 300);
  EXPECT_TRUE(c->GetDocument()->IsPageComplete());
  Run(16);
  EXPECT_EQ(Buttons(), "next skip tback tnext");
  Click(580, 710);  // "tnext"
  Run(400);
  EXPECT_EQ(Buttons(), "play tback");  // the end: only "play" and the way back
  // Back to a complete page: its buttons show at once, "play" goes.
  Click(420, 710);  // "tback"
  Run(16);
  EXPECT_EQ(c->GetDocument()->GetCurrentPage(), 1);
  EXPECT_EQ(Buttons(), "next skip tback tnext");
}

// The keys, as the comic's script gives them ("next" the default button,
// "skip" the cancel, "play" both): while a page still builds, Enter
// finishes it and Escape finishes it and skips; on a complete page they are
// the buttons'.
TEST_F(ViewerTest, EnterAndEscapeFinishAPageThatStillBuilds) {
  Comics_t* c = Open("three.xml");
  ASSERT_NE(c, nullptr);
  Run(16);
  ASSERT_FALSE(c->GetDocument()->IsPageComplete());
  Send(kEventUnicode, 0, 0, 13);
  EXPECT_TRUE(c->GetDocument()->IsPageComplete());
  EXPECT_EQ(c->GetDocument()->GetCurrentPage(), 0);
  EXPECT_EQ(Buttons(), "next skip tnext");
  Send(kEventUnicode, 0, 0, 13);  // "next"
  EXPECT_EQ(c->GetDocument()->GetCurrentPage(), 1);
  Run(16);
  ASSERT_FALSE(c->GetDocument()->IsPageComplete());
  Send(kEventUnicode, 0, 0, 27);
  Tick(16);
  EXPECT_TRUE(c->GetDocument()->IsPageComplete());
  EXPECT_EQ(Global("skipped"), "1");
  Click(580, 710);  // "tnext": the last page
  Run(16);
  ASSERT_FALSE(c->GetDocument()->IsPageComplete());
  Send(kEventUnicode, 0, 0, 27);
  Tick(16);
  EXPECT_EQ(Global("played"), "1");
  EXPECT_EQ(Global("skipped"), "1");
  Send(kEventUnicode, 0, 0, 13);
  Tick(16);
  EXPECT_EQ(Global("played"), "2");
}

TEST_F(ViewerTest, OnePageComicEndsWithPlayOnly) {
  Open("one.xml");
  Run(96);
  EXPECT_EQ(Buttons(), "play");
}

// A comic without pages is never complete: every button stays hidden, and
// clicks and page moves do nothing.
TEST_F(ViewerTest, ComicWithoutPagesKeepsEveryButtonHidden) {
  Comics_t* c = Open("none.xml");
  Click(500, 300);
  Lua("GoNext() GoPrev()");
  Run(200);
  EXPECT_EQ(Buttons(), "");
  EXPECT_EQ(c->GetDocument()->GetPageCount(), 0);
  DrawFrame();
  Comics_t* missing = nullptr;
  screen->DeleteChildren();
  Send(kEventTick);
  missing = Open("missing.xml");
  ASSERT_NE(missing, nullptr);
  Run(50);
  EXPECT_EQ(Buttons(), "");
}

// The globals belong to the newest viewer; when it goes they go back to the
// one before it, and to nil when none is left.
TEST_F(ViewerTest, GoNextAndGoPrevReachTheNewestViewer) {
  EXPECT_EQ(Global("GoNext"), "nil");
  Comics_t* first = Open("three.xml");
  Lua("SetNameComicsToRun('three.xml') Tutor{ x = 0, y = 0, w = 100, h = 100 }()");
  Tutor_t* second = Find<Tutor_t>();
  ASSERT_NE(second, nullptr);
  EXPECT_STREQ(second->GetClassName(), "Tutor_t");
  Lua("GoNext() GoNext()");
  EXPECT_EQ(second->GetDocument()->GetCurrentPage(), 2);
  EXPECT_EQ(first->GetDocument()->GetCurrentPage(), 0);
  Lua("GoPrev()");
  EXPECT_EQ(second->GetDocument()->GetCurrentPage(), 1);
  screen->RemoveChild(second);
  delete second;
  Lua("GoNext()");
  EXPECT_EQ(first->GetDocument()->GetCurrentPage(), 1);
  screen->DeleteChildren();
  Send(kEventTick);
  EXPECT_EQ(Global("GoNext"), "nil");
  EXPECT_EQ(Global("GoPrev"), "nil");
}

TEST_F(ViewerTest, ComicIsMarkedSeenAndItsSoundsPlayInTheirGroups) {
  platform.reset();  // the sounds play on the test's own sound manager
  StartSound();
  Ogg("music.ogg");
  Ogg("amb.ogg");
  EXPECT_FALSE(GetGameProgress().IsShown("three.xml"));
  Comics_t* c = Open("three.xml", "Comics", "music = 'music.ogg', bkColor = '10,20,30,255',");
  EXPECT_TRUE(GetGameProgress().IsShown("three.xml"));
  EXPECT_EQ(c->GetMusicName(), TString("music.ogg"));
  ASSERT_TRUE(c->GetMusicSound());
  ASSERT_TRUE(c->GetAmbientSound());
  EXPECT_EQ(c->GetMusicSound()->GetGroup(), 1001);
  EXPECT_EQ(c->GetAmbientSound()->GetGroup(), 1002);
  EXPECT_TRUE(c->GetMusicInstance());
  EXPECT_TRUE(c->GetAmbientInstance());
  // The silent twin starts nothing.
  screen->DeleteChildren();
  Send(kEventTick);
  Lua("SetNameComicsToRun('one.xml') Tutor{ x = 0, y = 0, w = 100, h = 100, music = 'music.ogg' }()");
  EXPECT_TRUE(GetGameProgress().IsShown("one.xml"));
  EXPECT_EQ(Find<Comics_t>(), nullptr);
}

// Frames: the page is drawn with its fade under the window's buttons.
TEST_F(ViewerTest, ViewerDrawsTheCurrentPage) {
  Open("one.xml");
  EXPECT_EQ(DrawFrame().At(100, 100), 0xFF000000u);
  Run(96);
  EXPECT_EQ(DrawFrame().At(100, 100), kGreen);
  EXPECT_EQ(DrawFrame().At(900, 710), 0xFF808080u);  // "play"
}

}  // namespace
}  // namespace storytest
