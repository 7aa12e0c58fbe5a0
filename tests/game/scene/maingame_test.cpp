// The play screen in a window manager on the software display: a location
// of three coloured objects, clicks that find them (bookkeeping, list, play
// statistics), random clicks and the penalty, the hint and its refill, the
// completion with its save and screen change, a level that cannot be
// loaded, the game menu, the story seam and the frame it draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "game/scene/maingame.h"
#include "game/scene/sceneflow.h"
#include "game/scene/scenestory.h"
#include "game/shell/gamemain.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/data/playlog.h"
#include "game/shell/widgets/shadow.h"
#include "game/shell/data/userinfo.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "script/luaapi.h"
#include "tests/game/support/gametest.h"
#include "tests/game/support/widgetfixture.h"
#include "tests/support/luaglobal.h"

namespace {

const char kMainXml[] =
    "<Game><Common startLevelId='1' startChaptId='1' startLocationId='1' penalti_clicks_count='3' animrate='16'/>"
    "<Levels><Level id='1' mgame='mg01window' mgame_num='2'>"
    " <Chapt id='1'><Loc filename='loc1' photo='photos/first'/><Loc filename='loc2'/></Chapt>"
    " <Chapt id='2'><Loc filename='nope'/></Chapt>"
    "</Level></Levels>"
    "<MainGame panel='panel.png,0,640' list='186,668,531,90' listcolumns='3' listrows='1'"
    "  butthint='hint;874,658,104,104;hint.png;hint.png;hint.png;hint.png'"
    "  buttmenu='menu;18,674,64,64;menu.png;menu.png;menu.png;menu.png'"
    "  buttlogbook='logbook;96,674,64,64;menu.png;menu.png;menu.png;menu.png'"
    "  penalty=';0,0,1024,640;0.25;0.75' penalty_time='1' penalty_window='2'/>"
    "<Hint time='2' full='1'/><FinAnim timeShow='0.2'/>"
    "<PictEffects><EffFind time='-1'><alpha t1='0' t2='0.2' al='0'/></EffFind>"
    "<EffHint time='-1'><size t1='0' t2='0.2' kx='1.2' ky='1.2'/></EffHint></PictEffects>"
    "<TextEffects><EffGameWin x='312' y='300' w='400' h='80' text='win_text' color='255,255,255,255' lifeTime='0.3'/>"
    "</TextEffects></Game>";

const char kLevel[] =
    "<Level bkg='bg.png' music='' ambient=''><Pict><HotSpot>"
    "<Item name='red' img='red.png' rect='100,100,40,40' coin='1'/>"
    "<Item name='green' img='green.png' rect='300,100,40,40'/>"
    "<Item name='blue' img='blue.png' rect='500,100,40,40'/>"
    "</HotSpot></Pict><List allnum='3'/></Level>";

// Records what the scene tells its story, and can hold the play.
class RecordingStory : public SceneStory_t {
public:
  explicit RecordingStory(std::vector<std::string>* out) : out_(out) {}
  void OnLevelLoaded(const TiXmlElement* level, const TString& record) override {
    out_->push_back(std::string("loaded ") + record.c_str() + (level ? " with root" : ""));
  }
  void OnEvent(const TString& name) override { out_->push_back("event " + name.str()); }
  void OnObjectFound(const TString& item, const TString& picture) override {
    out_->push_back("found " + item.str() + " " + picture.str());
  }
  void OnHint(const TString& item) override { out_->push_back("hint " + item.str()); }
  void OnLocationComplete(const TString& photo) override { out_->push_back("complete " + photo.str()); }
  bool HasJournal() const override { return true; }
  void OnJournalButton() override { out_->push_back("journal"); }
  bool IsBlocking() const override { return blocking; }
  void OnMiniTutorClosed() override { out_->push_back("minitutor closed"); }
  bool OnCommand(TMessage* m) override {
    out_->push_back("command " + m->text.str());
    return true;
  }
  bool blocking = false;

private:
  std::vector<std::string>* out_;
};

class MainGameTest : public widgettest::TWidgetWindowTest {
protected:
  MainGameTest() {
    SetSetting("encryptionkey", "tosvilqeZZZZ");
    Solid("bg.png", 1024, 768, 0xFF203040u);
    Solid("panel.png", 1024, 128, 0xFFD8C8A0u);
    Solid("red.png", 40, 40, 0xFFFF0000u);
    Solid("green.png", 40, 40, 0xFF00FF00u);
    Solid("blue.png", 40, 40, 0xFF0000FFu);
    Solid("hint.png", 104, 104, 0xFF806040u);
    Solid("menu.png", 64, 64, 0xFF406080u);
    // The list's font: the demo data's.
    std::filesystem::create_directories(dir.File("assets/fonts"));
    std::filesystem::copy_file(testing_support::SourceDir() + "/assets/fonts/default.mvec",
                               dir.File("assets/fonts/default.mvec"));
    Write("levels/loc1.xml", kLevel);
    Write("levels/loc2.xml", kLevel);
    MainXml(kMainXml);
    GetGameProgress().Reset();
    PlayLog::Reset();
    ResetShadowState();
    RegisterSceneWindowTypes(wm);
    TMainGame::Random().Seed(7);
    RecreateUserInfo();
    GetUserInfo()->CreateNewUser("Ada");
    // The screens the scene opens are only recorded.
    Lua("gCalls = {} function DoModal(n) table.insert(gCalls, 'DoModal ' .. n) end");
  }
  ~MainGameTest() override {
    SetSceneStoryFactory(nullptr);
    DeleteUserInfo();
    GetGameProgress().Reset();
    PlayLog::Reset();
  }
  TMainGame* Open() {
    Lua("MainGame{ name = 'MainGame', x = 0, y = 0, w = kMax, h = kMax }()");
    TMainGame* scene = WindowCast<TMainGame>(screen->FindChild("MainGame"));
    Tick(16);
    return scene;
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) Tick(16);
  }
  std::vector<std::string> Calls() {
    return testing_support::LuaGlobalList(script->GetState(), "gCalls");
  }
  TLogCapture log;
};

}  // namespace

TEST_F(MainGameTest, AClickOnAnObjectFindsItAndKeepsTheBooks) {
  TMainGame* scene = Open();
  ASSERT_NE(scene, nullptr);
  ASSERT_TRUE(scene->IsLoaded());
  EXPECT_EQ(scene->GetState(), TMainGame::TState::kPlaying);
  EXPECT_EQ(scene->GetListed(), (std::vector<size_t>{0, 1, 2}));
  EXPECT_EQ(PlayLog::Get().levelName, "loc1");
  EXPECT_NE(GetGameProgress().FindLocationInfo("loc1").startDate, "01-01-01");
  Click(139, 139);  // the red one's last pixel
  EXPECT_TRUE(scene->IsFound(0));
  EXPECT_EQ(scene->GetListed(), (std::vector<size_t>{1, 2}));
  EXPECT_EQ(scene->GetLeftToFind(), 2);
  const LocationInfo& info = GetGameProgress().FindLocationInfo("loc1");
  EXPECT_EQ(info.itemIds, std::vector<int32_t>{0});
  EXPECT_EQ(info.coins, std::vector<int32_t>{0});
  EXPECT_EQ(GetGameProgress().numCoins, 1);
  EXPECT_EQ(PlayLog::Get().clicks, 1);
  EXPECT_EQ(PlayLog::Get().foundClicks, 1);
  EXPECT_TRUE(scene->GetObjects()[0]->HasEffect());
  EXPECT_TRUE(log.Contains("MainGame: found red (2 left)"));
  // The same place again: the object is gone, so this is a miss.
  Click(139, 139);
  Click(140, 120);  // just right of it
  EXPECT_EQ(PlayLog::Get().clicks, 3);
  EXPECT_EQ(PlayLog::Get().foundClicks, 1);
  EXPECT_EQ(scene->GetMisses(), 2);
  EXPECT_EQ(GetGameProgress().numCoins, 1);
  // The effect ends and the found object is no longer drawn.
  Ticks(20);
  EXPECT_FALSE(scene->GetObjects()[0]->HasEffect());
  EXPECT_FALSE(scene->GetObjects()[0]->shown);
  // The panel takes no play-field clicks.
  Click(320, 700);
  EXPECT_EQ(PlayLog::Get().clicks, 3);
}

// A coin found with the largest count a save could give does not overflow it.
TEST_F(MainGameTest, ACoinFoundAtTheLargestCountKeepsIt) {
  TMainGame* scene = Open();
  ASSERT_NE(scene, nullptr);
  GetGameProgress().numCoins = INT_MAX;
  Click(120, 120);
  ASSERT_TRUE(scene->IsFound(0));
  EXPECT_EQ(GetGameProgress().numCoins, INT_MAX);
}

TEST_F(MainGameTest, RandomClicksPastTheLimitGiveThePenalty) {
  TMainGame* scene = Open();
  ASSERT_NE(scene, nullptr);
  // Misses further apart than the window do not add up.
  Click(700, 400);
  Click(700, 420);
  Ticks(130);  // 2.08 s
  Click(700, 440);
  EXPECT_EQ(scene->GetMisses(), 1);
  EXPECT_FALSE(scene->IsPenaltyOn());
  Click(700, 460);
  Click(700, 480);  // the third within the window
  EXPECT_TRUE(scene->IsPenaltyOn());
  EXPECT_EQ(scene->GetPenalty().name, "penalty");
  EXPECT_TRUE(scene->GetPenalty().visible);
  EXPECT_TRUE(log.Contains("MainGame: penalty for random clicks (1.0 s)"));
  // While it lasts, clicks find nothing and are not counted; the hint waits.
  int clicks = PlayLog::Get().clicks;
  Click(120, 120);
  EXPECT_FALSE(scene->IsFound(0));
  EXPECT_EQ(PlayLog::Get().clicks, clicks);
  EXPECT_FALSE(scene->UseHint());
  Ticks(20);
  EXPECT_NEAR(scene->GetPenalty().value, 0.75f, 1e-6);
  Ticks(50);  // past the second
  EXPECT_FALSE(scene->IsPenaltyOn());
  EXPECT_EQ(scene->GetPenalty().name, "");
  Ticks(20);
  EXPECT_FALSE(scene->GetPenalty().visible);
  Click(120, 120);
  EXPECT_TRUE(scene->IsFound(0));
}

TEST_F(MainGameTest, TheHintShowsAnUnfoundObjectIsCountedAndRefills) {
  TMainGame* scene = Open();
  ASSERT_NE(scene, nullptr);
  Click(120, 120);
  Ticks(10);
  EXPECT_EQ(PlayLog::Get().hintsUsed, 0);
  Click(926, 710);  // the hint button
  int hinted = scene->GetHintedObject();
  ASSERT_TRUE(hinted == 1 || hinted == 2) << hinted;
  EXPECT_TRUE(scene->GetObjects()[size_t(hinted)]->HasEffect());
  EXPECT_EQ(scene->GetObjects()[size_t(hinted)]->GetEffect()->name, "EffHint");
  EXPECT_FALSE(scene->IsFound(size_t(hinted)));
  EXPECT_EQ(PlayLog::Get().hintsUsed, 1);
  EXPECT_NEAR(PlayLog::Get().timeUntilFirstHint, 0.176f, 0.02f);
  EXPECT_FLOAT_EQ(scene->GetHintCharge(), 0.0f);
  EXPECT_EQ(PlayLog::Get().clicks, 1);  // the button is not the play field
  // Empty until it has refilled (2 s).
  EXPECT_FALSE(scene->UseHint());
  Ticks(60);
  EXPECT_LT(scene->GetHintCharge(), 1.0f);
  EXPECT_FALSE(scene->UseHint());
  Ticks(70);
  EXPECT_FLOAT_EQ(scene->GetHintCharge(), 1.0f);
  // Finding the hinted object cuts its hint short.
  ASSERT_TRUE(scene->UseHint());
  int second = scene->GetHintedObject();
  TVec2 c = scene->GetObjects()[size_t(second)]->Center();
  Click(int(c.x), int(c.y));
  EXPECT_TRUE(scene->IsFound(size_t(second)));
  EXPECT_EQ(scene->GetObjects()[size_t(second)]->GetEffect()->name, "EffFind");
  EXPECT_EQ(scene->GetHintedObject(), -1);
  EXPECT_EQ(PlayLog::Get().hintsUsed, 2);
}

// Right after the load, while the program is in the background and the scene
// does not step: a hint that starts empty shows its button disabled.
TEST_F(MainGameTest, AnEmptyHintShowsItsButtonDisabledFromTheFirstFrame) {
  std::string xml = kMainXml;
  xml.replace(xml.find("hint.png;hint.png;hint.png;hint.png"), 35, "hint.png;hint.png;hint.png;menu.png");
  xml.replace(xml.find("full='1'"), 8, "full='0'");
  MainXml(xml);
  SetAppActive(false);
  TMainGame* scene = Open();
  ASSERT_NE(scene, nullptr);
  EXPECT_FLOAT_EQ(scene->GetHintCharge(), 0.0f);
  EXPECT_TRUE(widgettest::Close(DrawFrame().At(926, 710), 0xFF406080u));  // the disabled picture
  SetAppActive(true);
}

TEST_F(MainGameTest, FindingEverythingSavesShowsTheCaptionAndGoesOn) {
  TMainGame* scene = Open();
  ASSERT_NE(scene, nullptr);
  for (int x : {120, 320}) Click(x, 120);
  Ticks(20);
  EXPECT_EQ(scene->GetState(), TMainGame::TState::kPlaying);  // one object left
  Click(520, 120);
  EXPECT_EQ(scene->GetState(), TMainGame::TState::kFinishing);
  EXPECT_TRUE(Calls().empty());
  Ticks(20);
  EXPECT_EQ(scene->GetState(), TMainGame::TState::kWon);
  EXPECT_TRUE(log.Contains("MainGame: level loc1 complete"));
  const GameProgress& p = GetGameProgress();
  ASSERT_NE(p.GetLocationInfo("loc1"), nullptr);
  EXPECT_EQ(p.GetLocationInfo("loc1")->passed, 1);
  EXPECT_NE(p.GetLocationInfo("loc1")->passDate, "01-01-01");
  EXPECT_EQ(p.photos, std::vector<TString>{"photos/first"});
  EXPECT_EQ(p.locationId, 2);
  // Saved at once, before the caption and the screen change.
  const GameProgress saved = gametest::SavedProgress();
  EXPECT_EQ(saved.locationId, 2);
  ASSERT_NE(saved.GetLocationInfo("loc1"), nullptr);
  EXPECT_EQ(saved.GetLocationInfo("loc1")->passed, 1);
  EXPECT_EQ(saved.numCoins, 1);
  EXPECT_EQ(saved.photos, std::vector<TString>{"photos/first"});
  // The caption runs, then the screen changes to the next location.
  Ticks(30);
  EXPECT_EQ(scene->GetState(), TMainGame::TState::kLeaving);
  EXPECT_EQ(scene->GetNextScript(), "scripts/maingame.lua");
  EXPECT_EQ(GetShadowScript(), "scripts/maingame.lua");
  EXPECT_EQ(Calls(), std::vector<std::string>{"DoModal scripts/shadow.lua"});
}

// With the gallery in the program, a new wallpaper is shown there first.
TEST_F(MainGameTest, ANewPhotographIsShownInTheGalleryOnTheWay) {
  script->DefineWindowType("GameGallery", [] { return static_cast<TWindow*>(nullptr); });
  Write("scripts/gallery.lua", "-- the gallery");
  TMainGame* scene = Open();
  ASSERT_NE(scene, nullptr);
  for (int x : {120, 320, 520}) Click(x, 120);
  Ticks(50);
  EXPECT_EQ(scene->GetNextScript(), "scripts/gallery.lua");
  EXPECT_EQ(GetUserInfo()->NeedShowGallery(), 1);  // the gallery's way back leads to the play screen
}

TEST_F(MainGameTest, ALevelThatCannotBeLoadedLeadsBackToTheMenu) {
  GetGameProgress().chapterId = 2;  // "nope" has no file
  TMainGame* scene = Open();
  ASSERT_NE(scene, nullptr);
  EXPECT_FALSE(scene->IsLoaded());
  EXPECT_TRUE(log.Contains("MainGame: level levels/nope.xml: the file is missing, unreadable or too large"));
  EXPECT_EQ(GetShadowScript(), "scripts/mainmenu.lua");
  EXPECT_EQ(Calls(), std::vector<std::string>{"DoModal scripts/shadow.lua"});
  // A damaged one the same way.
  Write("levels/nope.xml", "<Level bkg='bg.png'><Pict><HotSpot><Item name='a'");
  Lua("gCalls = {}");
  screen->DeleteChildren();
  ResetShadowState();
  scene = Open();
  ASSERT_NE(scene, nullptr);
  EXPECT_TRUE(log.Contains("MainGame: level levels/nope.xml: the file is damaged"));
  EXPECT_EQ(Calls(), std::vector<std::string>{"DoModal scripts/shadow.lua"});
  Click(120, 120);  // nothing to play
  EXPECT_EQ(PlayLog::Get().clicks, 0);
}

// A mini-game that is due gets the screen at once: the scene loads nothing.
TEST_F(MainGameTest, AMiniGameThatIsDueGetsTheScreen) {
  script->DefineWindowType("mg01window", [] { return static_cast<TWindow*>(nullptr); });
  Write("scripts/mg01window.lua", "-- the mini-game");
  GameProgress& p = GetGameProgress();
  p.chapterId = 2;
  p.mLocationType = 1;
  TMainGame* scene = Open();
  ASSERT_NE(scene, nullptr);
  EXPECT_FALSE(scene->IsLoaded());
  EXPECT_EQ(GetMiniGameLevel(), 2);
  EXPECT_EQ(GetShadowScript(), "scripts/mg01window.lua");
  EXPECT_EQ(Calls(), std::vector<std::string>{"DoModal scripts/shadow.lua"});
}

// Escape acts on its character, after the key-down that the scene takes
// (the menu it opens must not get the same key press).
TEST_F(MainGameTest, EscapeAndTheMenuButtonOpenTheGameMenu) {
  TMainGame* scene = Open();
  ASSERT_NE(scene, nullptr);
  Send(kEventKeyDown, 0, 0, 27);
  EXPECT_TRUE(Calls().empty());
  Send(kEventChar, 0, 0, 27);
  EXPECT_EQ(Calls(), std::vector<std::string>{"DoModal scripts/gamemenu.lua"});
  Click(50, 706);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"DoModal scripts/gamemenu.lua", "DoModal scripts/gamemenu.lua"}));
}

TEST_F(MainGameTest, TheStoryHearsTheScenesEventsAndCanHoldThePlay) {
  std::vector<std::string> heard;
  RecordingStory* story = nullptr;
  SetSceneStoryFactory([&](TMainGame*) {
    auto made = std::make_unique<RecordingStory>(&heard);
    story = made.get();
    return made;
  });
  TMainGame* scene = Open();
  ASSERT_NE(scene, nullptr);
  ASSERT_EQ(scene->GetStory(), story);
  Click(120, 120);
  Click(926, 710);
  Click(128, 706);  // the journal button, enabled with a journal
  story->blocking = true;
  Click(520, 120);  // held: nothing found
  Send(kEventKeyDown, 0, 0, 27);
  Send(kEventChar, 0, 0, 27);
  EXPECT_TRUE(Calls().empty());
  story->blocking = false;
  wm->PostMessage(new TMessage(kMiniTutorClosedMessage, ""));
  Tick(16);
  wm->Deliver(new TMessage(kButtonPress, "logbookclose", scene));
  int hinted = scene->GetHintedObject();
  std::string hintedName = hinted == 1 ? "green" : "blue";
  std::vector<std::string> wanted = {"loaded loc1 with root", "event start_level", "found red red.png",
                                     "event click_b_hint",    "hint " + hintedName, "journal",
                                     "minitutor closed",      "command logbookclose"};
  EXPECT_EQ(heard, wanted);
  for (int x : {320, 520}) Click(x, 120);
  Ticks(20);
  EXPECT_EQ(heard.back(), "complete photos/first");
}

// From the load on, before the first update and while the program is
// inactive (no update steps the scene), an object found on an earlier visit
// is neither listed nor drawn.
TEST_F(MainGameTest, ObjectsFoundOnAnEarlierVisitStayFound) {
  LocationInfo& info = GetGameProgress().FindLocationInfo("loc1");
  info.AddItemId(1);
  info.AddItemId(99);  // not an object of the level: ignored
  SetAppActive(false);
  Lua("MainGame{ name = 'MainGame', x = 0, y = 0, w = kMax, h = kMax }()");
  TMainGame* scene = WindowCast<TMainGame>(screen->FindChild("MainGame"));
  ASSERT_NE(scene, nullptr);
  EXPECT_TRUE(scene->IsFound(1));
  EXPECT_EQ(scene->GetListed(), (std::vector<size_t>{0, 2}));
  EXPECT_EQ(scene->GetLeftToFind(), 2);
  EXPECT_TRUE(log.Contains("MainGame: level loc1 loaded: 3 objects, 2 to find"));
  for (int frame = 0; frame < 3; ++frame) {
    const sdev::test::Frame& shown = DrawFrame();
    EXPECT_TRUE(widgettest::Close(shown.At(320, 120), 0xFF203040u)) << frame;  // the background where green was
    EXPECT_TRUE(widgettest::Close(shown.At(120, 120), 0xFFFF0000u)) << frame;
    EXPECT_TRUE(widgettest::Close(shown.At(520, 120), 0xFF0000FFu)) << frame;
    Tick(16);
  }
  SetAppActive(true);
}

// The first location's start message opens once in a game, and again in
// the new game that follows the last level; the photographs stay.
TEST_F(MainGameTest, TheStartMessageOpensAgainInTheNewGameAfterTheLastLevel) {
  std::string xml = kMainXml;
  const std::string first = "<Loc filename='loc1' photo='photos/first'/>";
  xml.replace(xml.find(first), first.size(), "<Loc filename='loc1' photo='photos/first' startmsg='loc1_start'/>");
  MainXml(xml.c_str());
  GetGameProgress().Reset();
  script->DefineWindowType("Infos", [] { return static_cast<TWindow*>(nullptr); });
  Write("scripts/infos.lua", "-- the pop-ups");
  const std::vector<std::string> opened = {"DoModal scripts/infos.lua"};
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(Calls(), opened);
  // Seen: the next visit in the same game opens nothing.
  screen->DeleteChildren();
  Lua("gCalls = {}");
  ASSERT_NE(Open(), nullptr);
  EXPECT_TRUE(Calls().empty());
  // The level's mini-game after the last level is won: a new game.
  GameProgress& p = GetGameProgress();
  p.AddPhoto("photos/first");
  p.chapterId = 2;
  p.mLocationType = 1;
  EXPECT_EQ(FinishLevelMiniGame(), TNextStep::kGameEnd);
  EXPECT_EQ(p.photos, std::vector<TString>{"photos/first"});
  screen->DeleteChildren();
  Lua("gCalls = {}");
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(Calls(), opened);
  SetGo2MainMenuFlag(false);
}

TEST_F(MainGameTest, DrawsTheLocationItsObjectsAndThePanel) {
  TMainGame* scene = Open();
  ASSERT_NE(scene, nullptr);
  const sdev::test::Frame& before = DrawFrame();
  EXPECT_TRUE(widgettest::Close(before.At(10, 10), 0xFF203040u));
  EXPECT_TRUE(widgettest::Close(before.At(120, 120), 0xFFFF0000u));
  EXPECT_TRUE(widgettest::Close(before.At(320, 120), 0xFF00FF00u));
  EXPECT_TRUE(widgettest::Close(before.At(700, 650), 0xFFD8C8A0u));  // the panel
  // The list writes the three names in dark ink into its cells.
  int ink = 0;
  for (int y = 668; y < 758; ++y)
    for (int x = 186; x < 717; ++x) ink += widgettest::Channel(before.At(x, y), 16) < 120;
  EXPECT_GT(ink, 100);
  Click(120, 120);
  Ticks(20);
  const sdev::test::Frame& after = DrawFrame();
  EXPECT_TRUE(widgettest::Close(after.At(120, 120), 0xFF203040u));
  EXPECT_TRUE(widgettest::Close(after.At(320, 120), 0xFF00FF00u));
  int inkAfter = 0;
  for (int y = 668; y < 758; ++y)
    for (int x = 186; x < 717; ++x) inkAfter += widgettest::Channel(after.At(x, y), 16) < 120;
  EXPECT_LT(inkAfter, ink);  // one name fewer
}
