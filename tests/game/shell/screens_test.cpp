// The menu screens' windows built from Lua on the software display: the main
// menu's style texts, updates and commands, the options' sliders and samples,
// the player list's keys, clicks and drawing, and the photo album over a fake
// journal.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "audio/soundmanager.h"
#include "game/shell/screens/chooseplayer.h"
#include "game/shell/gamemain.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/screens/mainmenu.h"
#include "game/shell/screens/options.h"
#include "game/shell/screens/photoalbum.h"
#include "game/shell/widgets/shadow.h"
#include "game/shell/upperlayers.h"
#include "game/shell/data/userinfo.h"
#include "platform/log.h"
#include "platform/prefs.h"
#include "tests/game/support/gametest.h"
#include "tests/game/support/widgetfixture.h"
#include "ui/button.h"
#include "ui/slider.h"

using namespace widgettest;

namespace {

class Screens : public TWidgetWindowTest {
protected:
  Screens() {
    RegisterGameWindowTypes(wm);
    StartSound();
    RecreateUserInfo();
    GetGameProgress().Reset();
  }
  ~Screens() override {
    DeleteUserInfo();
    GetGameProgress().Reset();
    SetNeedFirstEnterName(0);
    ResetGameMainFlags();
    ClearUpperLayers();
  }
  // Opens a screen from a script file and returns its window of that name.
  template <class T>
  T* Open(const std::string& file, const std::string& text, const char* name) {
    Write("scripts/" + file, text);
    Lua("DoModal('scripts/" + file + "')");
    TWindow* top = wm->GetTopModal();
    return top ? WindowCast<T>(top->FindChild(name)) : nullptr;
  }
  UserInfo* Users() { return GetUserInfo(); }
  TLogCapture log;
};

const char* kMenu =
    "SetWindowName('mainmenu')\n"
    "MainMenu{ name = 'mm', x = 0, y = 0, w = kMax, h = kMax,\n"
    "  usernamedef = 'fonts/default.mvec;20;10,20,30;255,255,255,255',\n"
    "  particles = 'a;1;2;b;3', z_info_anim = 'backgrounds/rose;5, 6, 0',\n"
    "  Window{ name = 'mainmenuwww', x = 0, y = 0, w = 1, h = 1 },\n"
    "  Text{ name = 'welcomea', x = 100, y = 50, w = 50, h = 20 },\n"
    "  Button{ name = 'album', x = 200, y = 60, w = 10, h = 10 } }()\n";

}  // namespace

// --- Main menu ---

TEST(MainMenuClouds, WrapOnlyPastTheRightEdge) {
  EXPECT_EQ(TMainMenu::StepCloud(1023.5f, 0.5f), 1024.0f);  // exactly 1024 stays
  EXPECT_EQ(TMainMenu::StepCloud(1024.0f, 0.5f), 0.5f);
  EXPECT_EQ(TMainMenu::StepCloud(0.0f, 0.0f), 0.0f);
  // A negative speed is never wrapped: the layer moves on to the left.
  EXPECT_EQ(TMainMenu::StepCloud(0.0f, -1.0f), -1.0f);
  EXPECT_EQ(TMainMenu::StepCloud(-2000.0f, -0.5f), -2000.5f);
}

TEST(MainMenuRotation, TurnsOncePerPeriodAndNeverDividesByZero) {
  TMainMenu::RotatingPicture p;
  p.period = 1.0f;
  p.Step(0.5f);
  EXPECT_NEAR(p.angle, 3.14159f, 1e-4);
  p.Step(0.5f);
  EXPECT_NEAR(p.angle, 6.2831855f, 1e-5);
  EXPECT_EQ(p.elapsed, 0.0f);
  TMainMenu::RotatingPicture still;
  still.Step(0.016f);
  EXPECT_EQ(still.angle, 0.0f);
}

TEST_F(Screens, MainMenuChecksItsStyleTexts) {
  TMainMenu* menu = Open<TMainMenu>("menu.lua", kMenu, "mm");
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(log.Contains("usernamedef \"fonts/default.mvec;20;10,20,30;255,255,255,255\""));
  EXPECT_EQ(menu->GetWelcomeText().GetBlock(), nullptr);
  ASSERT_EQ(menu->GetPendingEmitters().size(), 1u);  // the incomplete second group is dropped
  EXPECT_EQ(menu->GetPendingEmitters()[0].name, "a");
  EXPECT_TRUE(log.Contains("ends in an incomplete group"));
  EXPECT_EQ(menu->GetZInfoAnim().period, 0.0f);
  EXPECT_TRUE(log.Contains("the picture does not turn"));
  menu->Update();
  EXPECT_TRUE(menu->GetPendingEmitters().empty());
  EXPECT_EQ(menu->GetZInfoAnim().angle, 0.0f);
}

TEST_F(Screens, MainMenuUpdatesMoveWelcomeAndAlbumAndHandBackTheFocus) {
  TMainMenu* menu = Open<TMainMenu>("menu.lua", kMenu, "mm");
  ASSERT_NE(menu, nullptr);
  TWindow* welcome = menu->FindChild("welcomea");
  TWindow* album = menu->FindChild("album");
  TMainMenu::focusCounter = 0;
  wm->SetFocus(nullptr);
  for (int i = 0; i < 9; ++i) menu->Update();
  EXPECT_EQ(wm->GetFocus(), nullptr);
  menu->Update();  // the tenth
  ASSERT_NE(wm->GetFocus(), nullptr);
  EXPECT_EQ(wm->GetFocus()->GetName(), "mainmenuwww");
  // Nobody plays yet: the greeting and the album button are off screen.
  EXPECT_EQ(GetNeedFirstEnterName(), 1);
  EXPECT_EQ(welcome->GetRect().left, 1024);
  EXPECT_EQ(welcome->GetRect().top, 768);
  EXPECT_TRUE(menu->IsAlbumHidden());
  EXPECT_EQ(album->GetRect().left, 1024);
  Users()->CreateNewUser("Ada");
  SetNeedFirstEnterName(0);
  GetGameProgress().AddPhoto("p1");
  menu->Update();
  EXPECT_EQ(welcome->GetRect().left, 100);
  EXPECT_EQ(welcome->GetRect().top, 50);
  EXPECT_FALSE(menu->IsAlbumHidden());
  EXPECT_EQ(album->GetRect().left, 200);
  EXPECT_EQ(album->GetRect().top, 60);
}

TEST_F(Screens, MainMenuCommandsAndTheCheatKey) {
  TMainMenu* menu = Open<TMainMenu>("menu.lua", kMenu, "mm");
  ASSERT_NE(menu, nullptr);
  Write("scripts/z_info.lua", "zinfo = (zinfo or 0) + 1");
  Write("scripts/chooseplayer.lua", "chooser = (chooser or 0) + 1");
  Write("scripts/enterlevel.lua", "enterlevel = (enterlevel or 0) + 1");
  // F2 only with the cheat flag and no name question pending (and the menu on top).
  EXPECT_FALSE(menu->OnKeyDown(0x71, 0));
  EXPECT_EQ(Global("enterlevel"), "nil");
  TMainMenu::cheatFlag = 1;
  SetNeedFirstEnterName(1);
  menu->OnKeyDown(0x71, 0);
  EXPECT_EQ(Global("enterlevel"), "nil");
  SetNeedFirstEnterName(0);
  menu->OnKeyDown(0x71, 0);
  TMainMenu::cheatFlag = 0;
  EXPECT_EQ(Global("enterlevel"), "1");
  EXPECT_TRUE(CanUseSymbol());
  SetCanUseSymbol(0);
  ResetShadowState();
  TMessage swallowed(1001, "album");
  EXPECT_TRUE(menu->OnMessage(&swallowed));
  EXPECT_EQ(GetShadowScript(), "");
  TMessage album(kButtonPress, "album");
  EXPECT_TRUE(menu->OnMessage(&album));
  EXPECT_EQ(GetShadowTarget(), "mainmenu");
  EXPECT_EQ(GetShadowScript(), "scripts/gallery.lua");
  ResetShadowState();
  TMessage windrose(0, "windrose"), choose(kButtonPress, "choospl"), other(kButtonPress, "other");
  EXPECT_TRUE(menu->OnMessage(&windrose));
  EXPECT_TRUE(menu->OnMessage(&choose));
  EXPECT_FALSE(menu->OnMessage(&other));
  EXPECT_EQ(Global("zinfo"), "1");
  EXPECT_EQ(Global("chooser"), "1");
}

// --- Options ---

namespace {
const char* kOptions =
    "SetWindowName('options')\n"
    "OptionsWindow{ name = 'ow', x = 0, y = 0, w = 600, h = 400, clickSliderSound = 'sounds/click.ogg',\n"
    "  clickSliderSoundTime = '0.25',\n"
    "  Slider{ name = 'musiclevelslider', x = 0, y = 0, w = 300, h = 20, hslider = true },\n"
    "  Slider{ name = 'sfxlevelslider', x = 0, y = 40, w = 300, h = 20, hslider = true },\n"
    "  Slider{ name = 'ambientlevelslider', x = 0, y = 80, w = 300, h = 20, hslider = true },\n"
    "  Button{ name = 'fullscreen', type = kToggle, x = 0, y = 120, w = 20, h = 20 },\n"
    "  Button{ name = 'mutebox', type = kToggle, x = 0, y = 160, w = 20, h = 20 } }()\n";
}  // namespace

TEST(OptionsVolume, SquareRootAboveATenth) {
  EXPECT_EQ(TOptions::VolumeOfPosition(0.09f), 0.0f);
  EXPECT_EQ(TOptions::VolumeOfPosition(0.25f), 0.5f);
  EXPECT_EQ(TOptions::VolumeOfPosition(1.0f), 1.0f);
  EXPECT_NEAR(TOptions::VolumeOfPosition(0.5f), 0.70710677f, 1e-6);
}

TEST_F(Screens, OptionsOpenSilentlyWithTheStoredLevels) {
  Ogg("sounds/click.ogg");
  Users()->CreateNewUser("Ada");
  TPrefs* prefs = Users()->GetPrefs();
  prefs->SetInt("musiclevel", 250, 0);
  prefs->SetInt("ambientlevel", 90, 0);
  prefs->SetInt("soundoff", 1, 0);
  TOptions* options = Open<TOptions>("options.lua", kOptions, "ow");
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(options->GetSamplesPlayed(), 0);
  TSoundManager* s = GetSoundManager();
  EXPECT_FLOAT_EQ(s->GetGroupVolume(1001), 0.5f);
  EXPECT_NEAR(s->GetGroupVolume(1000), 0.70710677f, 1e-6);
  EXPECT_NEAR(s->GetGroupVolume(0), 0.70710677f, 1e-6);
  EXPECT_EQ(s->GetGroupVolume(1002), 0.0f);
  EXPECT_TRUE(WindowCast<TButton>(options->FindChild("mutebox"))->GetToggleState());
  EXPECT_FALSE(WindowCast<TButton>(options->FindChild("fullscreen"))->GetToggleState());
  options->AdjustFSButton();  // the opposite of the (windowed) display
  EXPECT_TRUE(WindowCast<TButton>(options->FindChild("fullscreen"))->GetToggleState());
}

TEST_F(Screens, OptionsPlayAtMostOneSamplePerSampleTime) {
  Ogg("sounds/click.ogg");
  Users()->CreateNewUser("Ada");
  TOptions* options = Open<TOptions>("options.lua", kOptions, "ow");
  ASSERT_NE(options, nullptr);
  EXPECT_FLOAT_EQ(options->GetSampleTime(), 0.25f);
  TSlider* music = WindowCast<TSlider>(options->FindChild("musiclevelslider"));
  music->SetValue(0.25f, false);
  EXPECT_EQ(options->GetSamplesPlayed(), 1);
  EXPECT_FLOAT_EQ(GetSoundManager()->GetGroupVolume(1001), 0.5f);
  for (float v : {0.3f, 0.6f, 0.09f}) music->SetValue(v, false);
  EXPECT_EQ(options->GetSamplesPlayed(), 1);
  EXPECT_EQ(GetSoundManager()->GetGroupVolume(1001), 0.0f);
  for (int i = 0; i < 15; ++i) options->Update();  // 0.24 s
  EXPECT_TRUE(options->IsSamplePlaying());
  options->Update();
  EXPECT_FALSE(options->IsSamplePlaying());
  music->SetValue(0.7004f, false);
  EXPECT_EQ(options->GetSamplesPlayed(), 2);
  options->SaveVolumes();
  const TPrefs onDisk;  // written through at once
  EXPECT_EQ(onDisk.GetInt("musiclevel", -1, 0), 700);
  EXPECT_EQ(onDisk.GetInt("soundlevel", -1, 0), 500);
}

// A press on a volume slider's rail beside the thumb pages the value a tenth
// toward the press, never past the place pressed, and acts as a move: the
// volume follows and the click sample sounds.
TEST_F(Screens, OptionsPageASliderTowardAPressOnItsRail) {
  Ogg("sounds/click.ogg");
  Solid("thumb.png", 20, 20, 0xFFC0A040u);
  Users()->CreateNewUser("Ada");
  TOptions* options = Open<TOptions>(
      "options.lua",
      "SetWindowName('options') OptionsWindow{ name = 'ow', x = 0, y = 0, w = 600, h = 400,"
      " clickSliderSound = 'sounds/click.ogg', clickSliderSoundTime = '0.25',"
      " Slider{ name = 'musiclevelslider', x = 0, y = 0, w = 300, h = 20, hslider = true, sliderimage = 'thumb.png' } }()",
      "ow");
  ASSERT_NE(options, nullptr);
  TSlider* music = WindowCast<TSlider>(options->FindChild("musiclevelslider"));
  ASSERT_NE(music, nullptr);
  ASSERT_FLOAT_EQ(music->GetValue(), 0.5f);  // the thumb at 140..160
  Click(290, 10);
  EXPECT_FLOAT_EQ(music->GetValue(), 0.6f);
  EXPECT_NEAR(GetSoundManager()->GetGroupVolume(1001), std::sqrt(0.6f), 1e-6);
  EXPECT_EQ(options->GetSamplesPlayed(), 1);
  Click(2, 10);
  EXPECT_FLOAT_EQ(music->GetValue(), 0.5f);
  // The press 120 pixels into the thumb's 280 of travel: the page stops there.
  Click(130, 10);
  EXPECT_NEAR(music->GetValue(), 120.0f / 280.0f, 1e-6);
  // At an end a page goes no further.
  for (int i = 0; i < 8; ++i) Click(298, 10);
  EXPECT_FLOAT_EQ(music->GetValue(), 1.0f);
  options->SaveVolumes();
  EXPECT_EQ(TPrefs().GetInt("musiclevel", -1, 0), 1000);
}

TEST_F(Screens, OptionsWithoutSampleTimeOrWithStrangeChildren) {
  TOptions* options = Open<TOptions>(
      "options.lua",
      "SetWindowName('options') OptionsWindow{ name = 'ow', w = 100, h = 100,"
      " Text{ name = 'fullscreen', w = 10, h = 10 }, Text{ name = 'musiclevelslider', w = 10, h = 10 } }()",
      "ow");
  ASSERT_NE(options, nullptr);
  EXPECT_FLOAT_EQ(options->GetSampleTime(), TOptions::kDefaultSampleTime);
  EXPECT_TRUE(log.Contains("clickSliderSoundTime"));
  options->AdjustFSButton();
  options->SaveVolumes();  // no player, no sliders: nothing stored, nothing broken
  TMessage moved(kSliderValChanged, "musiclevelslider");
  EXPECT_FALSE(options->OnMessage(&moved));
}

// --- Player list ---

namespace {
std::string Chooser(const char* listRect, int shiftDy, int shadow) {
  return std::string("SetWindowName('chooseplayer') ChoosePlayerWindow{ name = 'cp', x = 10, y = 10, w = 500, h = 300,"
                     " listFontName = 'fonts/default.mvec', fontH = 20, shiftDy = ") +
         std::to_string(shiftDy) + ", shDx = " + std::to_string(shadow) + ", shDy = " + std::to_string(shadow) +
         ", listRect = '" + listRect +
         "', listTextColor = '255,255,255,255', listActTextColor = '255,0,0,255',"
         " listTextColorSh = '0,0,0,255', listActTextColorSh = '0,0,0,255' }()";
}
}  // namespace

TEST_F(Screens, PlayerListKeysMoveTheCurrentPlayerAndCloseIt) {
  for (const char* name : {"Ann", "Bob", "Cid"}) Users()->CreateNewUser(name);
  // Each player's own music, effects and ambient levels (as the options
  // screen stores them), all different; Cid's sound is off. The player
  // chosen is heard at their levels at once (a group's volume is what its
  // sounds play at).
  const int levels[3][3] = {{800, 300, 150}, {200, 600, 1000}, {500, 500, 500}};
  TPrefs* prefs = Users()->GetPrefs();
  for (int i = 0; i < 3; ++i) {
    prefs->SetInt("musiclevel", levels[i][0], i, 1);
    prefs->SetInt("soundlevel", levels[i][1], i, 1);
    prefs->SetInt("ambientlevel", levels[i][2], i, 1);
  }
  prefs->SetInt("soundoff", 1, 2, 1);
  TSoundManager* s = GetSoundManager();
  auto heard = [&](int player) {
    const int* level = levels[player];
    auto volume = [&](int i) { return player == 2 ? 0.0f : std::sqrt(float(level[i]) / 1000); };
    EXPECT_NEAR(s->GetGroupVolume(1001), volume(0), 1e-6) << player;  // music
    EXPECT_NEAR(s->GetGroupVolume(1000), volume(1), 1e-6) << player;  // effects
    EXPECT_NEAR(s->GetGroupVolume(0), volume(1), 1e-6) << player;
    EXPECT_NEAR(s->GetGroupVolume(1002), volume(2), 1e-6) << player;  // ambient
  };
  Users()->SetCurrentUser(1, false);
  heard(1);
  TChoosePlayer* list = Open<TChoosePlayer>("chooseplayer.lua", Chooser("0,0,400,40", 50, 0), "cp");
  ASSERT_NE(list, nullptr);
  Lua("function IsButtAlbumVisible() album = (album or 0) + 1 end");
  list->OnKeyDown(PlatformKey::kUp, 0);
  EXPECT_EQ(Users()->GetCurrentUserIndex(), 0);
  heard(0);
  list->OnKeyDown(PlatformKey::kUp, 0);
  EXPECT_EQ(Users()->GetCurrentUserIndex(), 0);
  list->OnKeyDown(PlatformKey::kPageDown, 0);
  EXPECT_EQ(Users()->GetCurrentUserIndex(), 2);
  heard(2);
  list->OnKeyDown(PlatformKey::kDown, 0);
  EXPECT_EQ(Users()->GetCurrentUserIndex(), 2);
  list->OnKeyDown(PlatformKey::kPageUp, 0);
  EXPECT_EQ(Users()->GetCurrentUserIndex(), 0);
  heard(0);
  list->OnKeyDown(PlatformKey::kDown, 0);
  EXPECT_EQ(Users()->GetCurrentUserIndex(), 1);
  heard(1);
  EXPECT_EQ(Global("album"), "6");
  TWindow* modal = wm->GetTopModal();
  list->OnKeyDown(PlatformKey::kEnter, 0);
  EXPECT_NE(wm->GetTopModal(), modal);
  EXPECT_TRUE(wm->TakeSwallowNextChar());  // the key's character does not reach the screen below
  EXPECT_EQ(Global("album"), "7");
  list = Open<TChoosePlayer>("chooseplayer.lua", Chooser("0,0,400,40", 50, 0), "cp");
  modal = wm->GetTopModal();
  list->OnKeyDown(PlatformKey::kEscape, 0);
  EXPECT_NE(wm->GetTopModal(), modal);
  EXPECT_EQ(Global("album"), "8");
}

TEST_F(Screens, PlayerListClicksGapsAndOverlaps) {
  for (const char* name : {"Ann", "Bob", "Cid"}) Users()->CreateNewUser(name);
  Users()->SetCurrentUser(2, false);
  // Cid's last save could not be written (a full disk); the progress in
  // hand has gone on since.
  GameProgress& progress = GetGameProgress();
  {
    gametest::TFullDisk full;
    progress.levelId = 3;
    EXPECT_FALSE(Users()->SaveProgress());
  }
  progress.numCoins = 7;
  TChoosePlayer* list = Open<TChoosePlayer>("chooseplayer.lua", Chooser("0,0,400,40", 50, 0), "cp");
  ASSERT_NE(list, nullptr);
  EXPECT_FALSE(list->OnMouseDown(TPoint(20, 45)));  // between rows 0 and 1
  EXPECT_EQ(Users()->GetCurrentUserIndex(), 2);
  EXPECT_EQ(gametest::SavedProgress(2).levelId, 1);  // nothing chosen, nothing saved
  // A click on Bob: Cid's progress is saved before the switch, on disk at once.
  Click(10 + 399, 10 + 60);
  EXPECT_EQ(Users()->GetCurrentUserIndex(), 1);
  const GameProgress cid = gametest::SavedProgress(2);
  EXPECT_EQ(cid.levelId, 3);
  EXPECT_EQ(cid.numCoins, 7);
  EXPECT_EQ(TPrefs().GetInt("curuser", -1), 1);
  EXPECT_EQ(log.Count("Profiles: the progress of player \"Cid\" is saved again"), 1u);
  EXPECT_EQ(progress.playerName, "Bob");
  EXPECT_EQ(progress.levelId, 1);  // Bob's own
  list->OnMouseDown(TPoint(400, 10));  // the right edge is outside
  EXPECT_EQ(Users()->GetCurrentUserIndex(), 1);
  // Rows 20 apart and 40 high overlap: the last row under the point wins.
  list = Open<TChoosePlayer>("chooseplayer2.lua", Chooser("0,0,400,40", 20, 0), "cp");
  list->OnMouseDown(TPoint(10, 25));
  EXPECT_EQ(Users()->GetCurrentUserIndex(), 1);
  list->OnMouseDown(TPoint(10, 45));
  EXPECT_EQ(Users()->GetCurrentUserIndex(), 2);
}

TEST_F(Screens, PlayerListDrawsShadowsOnlyWithAnOffsetAndFollowsNewPlayers) {
  for (const char* name : {"Ann", "Bob", "Cid"}) Users()->CreateNewUser(name);
  TChoosePlayer* list = Open<TChoosePlayer>("chooseplayer.lua", Chooser("0,0,400,40", 50, 0), "cp");
  ASSERT_NE(list, nullptr);
  DrawFrame();
  EXPECT_EQ(list->GetLastTextPasses(), 3);
  Users()->CreateNewUser("Dee");
  Lua("FillUserDataList()");
  ASSERT_EQ(list->GetRows().size(), 4u);
  EXPECT_EQ(list->GetRows()[3].rect.top, 150);
  EXPECT_EQ(list->GetRows()[3].rect.bottom, 190);
  EXPECT_EQ(list->GetRows()[3].rect.right, 400);
  list = Open<TChoosePlayer>("chooseplayer2.lua", Chooser("0,0,400,40", 50, 2), "cp");
  DrawFrame();
  EXPECT_EQ(list->GetLastTextPasses(), 8);
  Lua("n = GetCurrentSelectedUser() s = GetSelectedPlayerName()");
  EXPECT_EQ(Global("n"), "3");
  EXPECT_EQ(Global("s"), "Dee");
}

TEST_F(Screens, PlayerListRefusesBrokenStyleTexts) {
  Users()->CreateNewUser("Ann");
  TChoosePlayer* list = Open<TChoosePlayer>("chooseplayer.lua", Chooser("0,0,0,40", 50, 0), "cp");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetListRect().Width(), 400);
  EXPECT_TRUE(log.Contains("listRect \"0,0,0,40\""));
  list = Open<TChoosePlayer>("chooseplayer2.lua", Chooser("1,2,3", 50, 0), "cp");
  EXPECT_EQ(list->GetListRect().Height(), 40);
  DrawFrame();
  EXPECT_EQ(list->GetLastTextPasses(), 1);
}

// --- Photo album ---

namespace {
struct TFakeLog {
  std::vector<std::string> calls;
};

class TFakeLogBook : public TAlbumLogBook {
public:
  explicit TFakeLogBook(TFakeLog* log) : log_(log) {}
  int GetSection() const override { return section; }
  bool IsIdle() const override { return idle; }
  int GetOpenState() const override { return openState; }
  bool IsEnabled() const override { return enabled; }
  void SetLastSpreadLimit(int s) override { Note("limit " + std::to_string(s)); }
  void SetAlbumMode(bool on) override { Note(on ? "album mode" : "journal mode"); }
  void SetPageStates(int a, int b) override { Note("pages " + std::to_string(a) + " " + std::to_string(b)); }
  void AddEntry(const TString& name) override { Note("add " + name.str()); }
  void Rebuild() override { Note("rebuild"); }
  int GetLastSpread() const override { return 7; }
  void Open(int s, int spread) override { Note("open " + std::to_string(s) + " " + std::to_string(spread)); }
  void StartOpening() override { Note("opening"); }
  void StartClosing() override {
    Note("closing");
    openState = 2;
  }
  void TurnPageBack() override { Note("back"); }
  void TurnPageForward() override { Note("forward"); }
  void ShowJournal() override { Note("journal"); }
  void ShowPhotographs() override { Note("photographs"); }
  void OnMouseDown(const TPoint&) override { Note("down"); }
  void OnMouseMove(const TPoint&) override { Note("move"); }
  void OnMouseUp(const TPoint&) override { Note("up"); }
  void Draw() override {}
  void Update(float) override { ++updates; }

  int section = 1, openState = 1, updates = 0;
  bool idle = true, enabled = true;

private:
  void Note(const std::string& s) { log_->calls.push_back(s); }
  TFakeLog* log_;
};

const char* kAlbum = "SetWindowName('photoalbum') PhotoAlbumWindow{ name = 'pa', x = 0, y = 0, w = kMax, h = kMax }()";
}  // namespace

TEST_F(Screens, PhotoAlbumBuildsTheJournalOnItsFirstUpdate) {
  TFakeLog calls;
  TFakeLogBook* book = nullptr;
  GetUpperLayerHooks().createLogBook = [&](TWindow*) {
    auto b = std::make_unique<TFakeLogBook>(&calls);
    book = b.get();
    return std::unique_ptr<TAlbumLogBook>(std::move(b));
  };
  GetGameProgress().AddPhoto("p1");
  GetGameProgress().AddPhoto("p2");
  TPhotoAlbum* album = Open<TPhotoAlbum>("photoalbum.lua", kAlbum, "pa");
  ASSERT_NE(album, nullptr);
  EXPECT_FALSE(album->OnMouseDown(TPoint(10, 10)));  // nothing built yet
  album->Update();
  ASSERT_NE(book, nullptr);
  std::vector<std::string> wanted = {"add p1", "add p2", "limit 0", "rebuild", "album mode", "pages 0 2", "open 1 7",
                                     "opening"};
  EXPECT_EQ(calls.calls, wanted);
  EXPECT_EQ(book->updates, 1);
  EXPECT_TRUE(album->OnMouseDown(TPoint(10, 10)));
  book->enabled = false;
  EXPECT_FALSE(album->OnMouseMove(TPoint(10, 10)));
}

TEST_F(Screens, PhotoAlbumCommandsWaitForAnIdleJournalAndCloseIt) {
  TFakeLog calls;
  TFakeLogBook* book = nullptr;
  GetUpperLayerHooks().createLogBook = [&](TWindow*) {
    auto b = std::make_unique<TFakeLogBook>(&calls);
    book = b.get();
    return std::unique_ptr<TAlbumLogBook>(std::move(b));
  };
  for (int i = 0; i < 3; ++i) GetGameProgress().FindLocationInfo(TString::Printf("loc%d", i));
  TPhotoAlbum* album = Open<TPhotoAlbum>("photoalbum.lua", kAlbum, "pa");
  ASSERT_NE(album, nullptr);
  album->Update();
  calls.calls.clear();
  EXPECT_EQ(book->section, 1);
  book->idle = false;
  for (const char* text : {"logbookclose", "logbookprev", "logbooknext", "logbookjournal"}) {
    TMessage m(kButtonPress, text);
    EXPECT_TRUE(album->OnMessage(&m)) << text;
  }
  EXPECT_TRUE(calls.calls.empty());
  EXPECT_FALSE(album->IsCloseRequested());
  book->idle = true;
  TMessage photographs(kButtonPress, "logbookphotographs"), swallowed(1001, "logbooknext"), other(0, "x");
  EXPECT_TRUE(album->OnMessage(&photographs));  // the photographs show already
  EXPECT_TRUE(album->OnMessage(&swallowed));
  EXPECT_FALSE(album->OnMessage(&other));
  EXPECT_TRUE(calls.calls.empty());
  TMessage close(kButtonPress, "logbookclose");
  EXPECT_TRUE(album->OnMessage(&close));
  EXPECT_EQ(calls.calls, (std::vector<std::string>{"closing"}));
  TWindow* modal = wm->GetTopModal();
  album->Update();
  EXPECT_EQ(wm->GetTopModal(), modal);  // still closing
  book->openState = 3;
  album->Update();
  EXPECT_NE(wm->GetTopModal(), modal);  // popped 'photoalbum'
}

TEST_F(Screens, PhotoAlbumWithoutAJournalClosesAtOnce) {
  TPhotoAlbum* album = Open<TPhotoAlbum>("photoalbum.lua", kAlbum, "pa");
  ASSERT_NE(album, nullptr);
  TWindow* modal = wm->GetTopModal();
  album->Update();
  EXPECT_NE(wm->GetTopModal(), modal);
  EXPECT_TRUE(log.Contains("there is no journal in this program"));
  album->Update();  // a second update before the deletion does nothing more
  EXPECT_FALSE(album->OnMouseDown(TPoint(1, 1)));
}

TEST(GameMenu, IsAPlainWindowOfItsOwnClass) {
  std::unique_ptr<TWindow> menu(TGMenu::ClassCreator()());
  EXPECT_STREQ(menu->GetClassName(), "TGMenu");
  EXPECT_TRUE(menu->IsA(TGMenu::ClassId()));
  EXPECT_TRUE(menu->IsA(TWindow::ClassId()));
  EXPECT_FALSE(menu->IsA(TPhotoAlbum::ClassId()));
}
