// The wallpaper gallery: earned slots and their export, the page layout and
// slides, selection, the commands, SetUserWallpaper through a recording
// command runner, what a frame shows, and the guards against bad data.
#include "game/shell/screens/gallery.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "game/shell/widgets/gamebutton.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/widgets/shadow.h"
#include "game/shell/data/userinfo.h"
#include "game/shell/screens/wallpaper.h"
#include "platform/host/desktop.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "script/luaapi.h"
#include "tests/game/support/widgetfixture.h"
#include "tests/support/envguard.h"
#include "tests/support/luaglobal.h"

namespace {

using Argv = std::vector<std::string>;

class TRecordingRunner : public TCommandRunner {
public:
  int Run(const Argv& argv, uint32_t) override {
    runs.push_back(argv);
    return 0;
  }
  std::vector<Argv> runs;
};

constexpr uint32_t kBack = 0xFF102030, kLocked = 0xFF808080, kGreen = 0xFF20C040, kBlue = 0xFF3040E0;
constexpr uint32_t kRed = 0xFFE02020, kYellow = 0xFFF0E010;

uint32_t WallpaperPixel(int x, int y, int k) { return 0xFF000000u | uint32_t(x * 40) << 16 | uint32_t(y * 60) << 8 | uint32_t(k); }

class GalleryTest : public widgettest::TWidgetWindowTest {
protected:
  GalleryTest() {
    ForgetWallpaperFolder();
    runner = std::make_shared<TRecordingRunner>();
    SetWallpaperSetter(std::make_unique<TDesktopWallpaperSetter>(runner));
    RegisterGalleryWindowType(wm);
    Solid("back.png", 1024, 768, kBack);
    Solid("front.png", 4, 4, kRed);
    Solid("lock.png", 100, 80, kLocked);
    Png("sel.png", 110, 90, [](int x, int y) { return x < 3 || y < 3 || x >= 107 || y >= 87 ? kYellow : 0u; });
    Solid("a.png", 120, 100, kGreen);  // larger than a slot: clipped to it
    Solid("b.png", 100, 80, kBlue);
    Solid("c.png", 100, 80, kBlue);
    for (int k = 0; k < 3; ++k)
      Png(std::string(1, char('a' + k)) + "_wallpaper.png", 6, 4, [k](int x, int y) { return WallpaperPixel(x, y, k); });
    for (const char* b : {"bb", "bw", "bl", "br"}) Solid(std::string(b) + ".png", 40, 40, 0xFF404040);
    Count(8);
    GetGameProgress().Reset();
    GetGameProgress().photos = {"a", "b", "a", "c"};
    Lua("gCalls = {} "
        "function DoModal(n) table.insert(gCalls, 'DoModal ' .. n) end "
        "function ShowMiniTutor(k) table.insert(gCalls, 'ShowMiniTutor ' .. k) end");
  }
  ~GalleryTest() override {
    SetWallpaperSetter(nullptr);
    ForgetWallpaperFolder();
    GetGameProgress().Reset();
  }
  void Count(int n, const char* more = "") {
    MainXml("<Game><Common wallpapersCount=\"" + std::to_string(n) + "\" animrate=\"16\" " + more + "/></Game>");
  }
  TGameGallery* Open(const std::string& extra = "") {
    Lua("GameGallery{ name = 'gallery', x = 0, y = 0, w = kMax, h = kMax, back = 'back', front = 'front', "
        "no_img = 'lock', selected_img = 'sel', list_time = '0.5', images_rect = '100,100;10;20;30;40', "
        "buttback = 'back;20,700,40,40;bb;bb;bb', buttwallpaper = 'wallpaper;900,700,40,40;bw;bw;bw', "
        "buttleft = 'listleft;40,200,40,40;bl;bl;bl', buttright = 'listright;440,200,40,40;br;br;br' " +
        extra + " }()");
    return WindowCast<TGameGallery>(screen->FindChild("gallery"));
  }
  std::vector<std::string> Calls() {
    return testing_support::LuaGlobalList(script->GetState(), "gCalls");
  }
  void Command(TGameGallery* g, const char* command, bool* taken = nullptr) {
    TMessage m(kButtonPress, command, g);
    bool t = g->OnMessage(&m);
    if (taken) *taken = t;
  }
  void SlideToEnd() {
    for (int i = 0; i < 40; ++i) Tick(16);
  }
  // With "userfolder" set (the fixture's), the Pictures folder is inside it.
  std::string Pictures() const { return dir.File("user") + "/Pictures/Orvelle"; }

  testing_support::TempDir home;
  testing_support::XdgEnvGuard xdg{home.Path()};
  std::shared_ptr<TRecordingRunner> runner;
  TLogCapture log_;
};

TEST_F(GalleryTest, DistinctPhotosUnlockSlotsAndAreExported) {
  TGameGallery* g = Open();
  ASSERT_NE(g, nullptr);
  EXPECT_STREQ(g->GetClassName(), "TGameGallery");
  ASSERT_EQ(g->GetSlots().size(), 8u);
  const char* names[] = {"a_wallpaper", "b_wallpaper", "c_wallpaper"};
  for (int i = 0; i < 8; ++i) {
    const GalleryThumb_t& slot = g->GetSlots()[size_t(i)];
    EXPECT_EQ(slot.index, i);
    EXPECT_EQ(slot.unlocked, i < 3) << i;
    if (i < 3) {
      EXPECT_EQ(slot.wallpaperName, names[i]);
    }
  }
  for (int k = 0; k < 3; ++k) {
    std::vector<uint32_t> px;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 6; ++x) px.push_back(WallpaperPixel(x, y, k == 0 ? 0 : k == 1 ? 1 : 2));
    std::vector<uint8_t> want = EncodeWallpaperBitmap(px.data(), 6, 6, 4);
    std::string file = testing_support::ReadFile(Pictures() + "/verdan_wallpaper" + std::to_string(k + 1) + ".bmp");
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.end()), want) << k;
  }
  EXPECT_FALSE(testing_support::FileExists(Pictures() + "/verdan_wallpaper4.bmp"));
  EXPECT_TRUE(runner->runs.empty());  // exporting sets nothing
  EXPECT_EQ(g->GetImagesRect(), TRect(100, 100, 410, 380));
  EXPECT_FLOAT_EQ(g->GetListTime(), 0.5f);
}

TEST_F(GalleryTest, SlotsLieTwoByTwoOnPagesSideBySide) {
  TGameGallery* g = Open();
  ASSERT_NE(g, nullptr);
  auto at = [g](int i) { return g->GetSlots()[size_t(i)].pos; };
  const float expect[6][2] = {{110, 120}, {240, 120}, {110, 240}, {240, 240}, {370, 120}, {500, 120}};
  for (int i = 0; i < 6; ++i) {
    EXPECT_FLOAT_EQ(at(i).x, expect[i][0]) << i;
    EXPECT_FLOAT_EQ(at(i).y, expect[i][1]) << i;
    EXPECT_EQ(g->GetSlots()[size_t(i)].onPage, i < 4) << i;
  }
  EXPECT_EQ(g->GetSlots()[1].rect, TRect(240, 120, 340, 200));
  EXPECT_EQ(g->GetLastPage(), 1);

  Click(150, 150);
  EXPECT_EQ(g->GetSelected(), 0);
  Click(460, 220);  // the right button
  EXPECT_TRUE(g->IsMoving());
  EXPECT_EQ(g->GetPage(), 1);
  EXPECT_EQ(g->GetSelected(), -1);  // a page change clears the selection
  Tick(16);
  EXPECT_GT(at(4).x, 110.0f);
  EXPECT_LT(at(4).x, 370.0f);
  SlideToEnd();
  EXPECT_FALSE(g->IsMoving());
  EXPECT_FLOAT_EQ(at(4).x, 110.0f);
  EXPECT_FLOAT_EQ(at(0).x, -150.0f);
  EXPECT_FLOAT_EQ(at(5).x, 240.0f);
  EXPECT_TRUE(g->GetSlots()[4].onPage);

  Click(60, 220);  // the left button: back to page 0
  SlideToEnd();
  EXPECT_EQ(g->GetPage(), 0);
  EXPECT_FLOAT_EQ(at(0).x, 110.0f);
}

TEST_F(GalleryTest, OnlyEarnedSlotsOfThePageCanBeChosen) {
  TGameGallery* g = Open();
  ASSERT_NE(g, nullptr);
  Click(280, 160);  // slot 1 (b)
  EXPECT_EQ(g->GetSelected(), 1);
  Click(280, 280);  // slot 3: not earned
  EXPECT_EQ(g->GetSelected(), 1);
  Click(105, 110);  // inside the images area, between slots
  EXPECT_EQ(g->GetSelected(), 1);
  Click(600, 600);  // outside it
  EXPECT_EQ(g->GetSelected(), 1);
  Click(400, 150);  // slot 4 lies there only after a slide (page 1): not on this page
  EXPECT_EQ(g->GetSelected(), 1);
}

TEST_F(GalleryTest, PageCommandsAtTheEndsAndDuringASlideAreTakenAndChangeNothing) {
  TGameGallery* g = Open();
  ASSERT_NE(g, nullptr);
  bool taken = false;
  Command(g, "listleft", &taken);
  EXPECT_TRUE(taken);
  EXPECT_EQ(g->GetPage(), 0);
  EXPECT_FALSE(g->IsMoving());
  Command(g, "listright", &taken);
  EXPECT_EQ(g->GetPage(), 1);
  Command(g, "listright", &taken);  // during the slide
  EXPECT_TRUE(taken);
  EXPECT_EQ(g->GetPage(), 1);
  Click(150, 150);  // clicks wait for the slide
  EXPECT_EQ(g->GetSelected(), -1);
  SlideToEnd();
  Command(g, "listright", &taken);  // the last page
  EXPECT_TRUE(taken);
  EXPECT_EQ(g->GetPage(), 1);
  EXPECT_FALSE(g->IsMoving());
  Command(g, "somethingelse", &taken);
  EXPECT_FALSE(taken);
}

TEST_F(GalleryTest, ThePartialLastPageCanBeReached) {
  Count(5);
  TGameGallery* g = Open();
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->GetLastPage(), 1);
  EXPECT_TRUE(g->GetButton("listright")->visible);
  EXPECT_FALSE(g->GetButton("listleft")->visible);
  Command(g, "listright");
  SlideToEnd();
  EXPECT_EQ(g->GetPage(), 1);
  EXPECT_FALSE(g->GetButton("listright")->visible);
  EXPECT_TRUE(g->GetButton("listleft")->visible);
  EXPECT_FLOAT_EQ(g->GetSlots()[4].pos.x, 110.0f);
}

// "wallpaper" without a selection shows the hint and is not taken; the
// player's click on the button shows it once all the same (the message goes
// on to the screen and its script, not back to the gallery), and Escape still
// reaches the gallery as its back button.
TEST_F(GalleryTest, WallpaperWithoutASelectionShowsTheHintOnceAndIsNotTaken) {
  TGameGallery* g = Open();
  ASSERT_NE(g, nullptr);
  bool taken = true;
  Command(g, "wallpaper", &taken);
  EXPECT_FALSE(taken);
  EXPECT_EQ(Calls(), Argv{"ShowMiniTutor infowallpaperempty"});
  Click(920, 720);
  EXPECT_EQ(Calls(), (Argv{"ShowMiniTutor infowallpaperempty", "ShowMiniTutor infowallpaperempty"}));
  Click(150, 150);
  Command(g, "wallpaper", &taken);
  EXPECT_TRUE(taken);
  EXPECT_EQ(Calls().back(), "DoModal scripts/asksetwallpaper.lua");
  Send(kEventChar, 0, 0, 27);
  EXPECT_EQ(Calls().back(), "DoModal scripts/shadow.lua");
}

TEST_F(GalleryTest, SetUserWallpaperWritesTheSelectedOneAndRunsTheSetter) {
  TGameGallery* g = Open();
  ASSERT_NE(g, nullptr);
  Lua("SetUserWallpaper()");  // nothing selected: nothing happens
  EXPECT_TRUE(runner->runs.empty());
  EXPECT_FALSE(testing_support::FileExists(Pictures() + "/wt.bmp"));
  Click(280, 160);
  Lua("SetUserWallpaper()");
  const std::string path = Pictures() + "/wt.bmp";
  std::vector<uint32_t> px;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) px.push_back(WallpaperPixel(x, y, 1));
  std::string file = testing_support::ReadFile(path);
  EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.end()), EncodeWallpaperBitmap(px.data(), 6, 6, 4));
  ASSERT_EQ(runner->runs.size(), 1u);
  EXPECT_EQ(runner->runs[0], TDesktopWallpaperSetter::PortalCommand(path));
  EXPECT_EQ(runner->runs[0][12], "'" + FileUri(path) + "'");

  // The global goes with the window.
  screen->RemoveChild(g);
  delete g;
  EXPECT_EQ(Global("SetUserWallpaper"), "nil");
}

TEST_F(GalleryTest, AFrameShowsThumbnailsClippedLockedSlotsTheFrontAndTheSelection) {
  TGameGallery* g = Open();
  ASSERT_NE(g, nullptr);
  const sdev::test::Frame& f = DrawFrame();
  EXPECT_EQ(f.At(2, 2), kRed);          // front, over everything at (0, 0)
  EXPECT_EQ(f.At(600, 400), kBack);
  EXPECT_EQ(f.At(160, 160), kGreen);    // slot 0, a's thumbnail
  EXPECT_EQ(f.At(111, 121), kGreen);
  EXPECT_EQ(f.At(108, 160), kBack);     // the larger thumbnail stays inside its box
  EXPECT_EQ(f.At(160, 202), kBack);
  EXPECT_EQ(f.At(290, 160), kBlue);     // slot 1
  EXPECT_EQ(f.At(290, 280), kLocked);   // slot 3
  EXPECT_EQ(f.At(420, 160), kBack);     // slot 4 is outside the images area
  EXPECT_EQ(f.At(60, 220), kBack);         // no left button on page 0...
  EXPECT_EQ(f.At(460, 220), 0xFF404040u);  // ...but a right one
  Click(150, 150);
  const sdev::test::Frame& s = DrawFrame();
  EXPECT_EQ(s.At(106, 116), kYellow);   // the frame centred on slot 0's box
  EXPECT_EQ(s.At(160, 160), kGreen);
}

TEST_F(GalleryTest, MoreEarnedThanSlotsAndMissingPicturesAreSurvived) {
  Count(2);
  GetGameProgress().photos = {"a", "b", "c", "d"};
  TGameGallery* g = Open();
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->GetSlots().size(), 2u);
  EXPECT_TRUE(log_.Contains("4 wallpapers are earned but only 2 slots exist"));
  EXPECT_FALSE(testing_support::FileExists(Pictures() + "/verdan_wallpaper3.bmp"));
  EXPECT_EQ(g->GetLastPage(), 0);

  Count(4);
  GetGameProgress().photos = {"d"};  // no d.png, no d_wallpaper.png
  screen->RemoveChild(g);
  delete g;
  std::remove((Pictures() + "/verdan_wallpaper1.bmp").c_str());
  g = Open();
  ASSERT_NE(g, nullptr);
  EXPECT_TRUE(g->GetSlots()[0].unlocked);
  EXPECT_FALSE(testing_support::FileExists(Pictures() + "/verdan_wallpaper1.bmp"));
  const sdev::test::Frame& f = DrawFrame();
  EXPECT_EQ(f.At(160, 160), kLocked);  // drawn as locked for want of its picture
  Click(150, 150);
  EXPECT_EQ(g->GetSelected(), 0);
  Lua("SetUserWallpaper()");
  EXPECT_TRUE(runner->runs.empty());
  EXPECT_TRUE(log_.Contains("the wallpaper picture \"d_wallpaper\" cannot be loaded"));
}

TEST_F(GalleryTest, NoSlotsNoStyleNoCrash) {
  Count(0);
  Lua("GameGallery{ name = 'gallery', x = 0, y = 0, w = kMax, h = kMax, images_rect = '1;2', title = 'x' }()");
  TGameGallery* g = WindowCast<TGameGallery>(screen->FindChild("gallery"));
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->GetLastPage(), 0);
  bool taken = false;
  Command(g, "listright", &taken);
  EXPECT_EQ(g->GetPage(), 0);
  Click(10, 10);
  DrawFrame();
  Lua("SetUserWallpaper()");
  EXPECT_TRUE(runner->runs.empty());
  EXPECT_TRUE(log_.Contains("\"images_rect\" \"1;2\" lacks pieces"));
  screen->RemoveChild(g);
  delete g;

  // Numbers out of every range, and pieces that are not numbers.
  Count(6);
  Lua("GameGallery{ name = 'gallery', x = 0, y = 0, w = kMax, h = kMax, no_img = 'lock', list_time = '-1', "
      "images_rect = '1e30,-1e30;nan;inf;x;9', title = 'k;1e9,-1e9,1e9,1e9;nofont;99999;a,b', "
      "buttleft = 'listleft;1,2', buttright = 'listright;x,y,z,w;br;br;br' }()");
  g = WindowCast<TGameGallery>(screen->FindChild("gallery"));
  ASSERT_NE(g, nullptr);
  EXPECT_FLOAT_EQ(g->GetListTime(), 0.0f);
  EXPECT_EQ(g->GetImagesRect().left, 100000);
  Command(g, "listright", &taken);
  Tick(16);
  EXPECT_EQ(g->GetPage(), 1);
  EXPECT_FALSE(g->IsMoving());  // no slide time: the page is there at once
  EXPECT_EQ(g->GetSlots()[4].pos.y, -100000.0f);
  EXPECT_EQ(g->GetSlots()[2].pos.y, -100000.0f + 80 + 9);  // the slot height and gapY
  DrawFrame();
  Click(10, 10);
}

TEST_F(GalleryTest, BackGoesToTheMenuOrBackToThePlayScreen) {
  TGameGallery* g = Open();
  ASSERT_NE(g, nullptr);
  bool taken = false;
  Command(g, "back", &taken);
  EXPECT_TRUE(taken);
  EXPECT_EQ(GetShadowTarget(), "GameGallery");
  EXPECT_EQ(GetShadowScript(), "scripts/mainmenu.lua");
  EXPECT_EQ(Calls(), Argv{"DoModal scripts/shadow.lua"});

  SetSetting("encryptionkey", "");
  RecreateUserInfo();
  GetUserInfo()->CreateNewUser("Ada");
  GetGameProgress().photos = {"a"};
  GetUserInfo()->ShowGalleryWnd(1);
  ASSERT_EQ(GetUserInfo()->NeedShowGallery(), 1);
  Command(g, "back", &taken);
  EXPECT_EQ(GetShadowScript(), "scripts/maingame.lua");
  EXPECT_EQ(GetUserInfo()->NeedShowGallery(), 0);
  DeleteUserInfo();
}

}  // namespace
