// End to end: the lantern program itself on the demo data, headless, from a
// fresh user folder, driven by input scripts: the first start asks for a
// name, options change and are remembered, the quit question, players made,
// chosen and deleted, across restarts. Checks the scripts' log lines, the
// saved preferences and the pixels of the last frame.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "game/shell/data/userinfo.h"
#include "platform/geometry.h"
#include "platform/host/host.h"
#include "platform/prefs.h"
#include "platform/settings.h"
#include "tests/game/support/gamee2e.h"
#include "tests/platform/pngread.h"

using namespace gamee2e;

namespace {

// Screen positions of the demo data's controls (dialogs are centred).
constexpr const char* kOptionsButton = "310 502";
constexpr const char* kPlayersButton = "310 432";

// The scripts' lines and the loop's end.
class GameEndToEnd : public TGameEndToEnd {
protected:
  GameEndToEnd() : TGameEndToEnd({"menu: ", "players: ", "options: ", "quit: ", "The game ends"}) {}
};

// The box of row i of the player chooser's list, from the chooser's script:
// its board centred on the screen, the list window in it, the first row's
// box ("listRect") in the list and the step from row to row.
TRect PlayerRow(int i) {
  const std::string text = testing_support::ReadFile(testing_support::SourceDir() + "/assets/scripts/chooseplayer.lua");
  std::smatch board, list, rect, step;
  EXPECT_TRUE(std::regex_search(text, board, std::regex(R"(x = kCenter, y = kCenter, w = (\d+), h = (\d+))")));
  EXPECT_TRUE(std::regex_search(text, list, std::regex(R"(ChoosePlayerWindow\{[^}]*?x = (\d+), y = (\d+))")));
  EXPECT_TRUE(std::regex_search(text, rect, std::regex(R"(listRect = '(\d+),(\d+),(\d+),(\d+)')")));
  EXPECT_TRUE(std::regex_search(text, step, std::regex(R"(shiftDy = (\d+))")));
  if (board.empty() || list.empty() || rect.empty() || step.empty()) return TRect();
  auto n = [](const std::smatch& m, int k) { return std::stoi(m[size_t(k)]); };
  const int left = (1024 - n(board, 1)) / 2 + n(list, 1) + n(rect, 1);
  const int top = (768 - n(board, 2)) / 2 + n(list, 2) + n(rect, 2) + i * n(step, 1);
  return TRect(left, top, left + n(rect, 3), top + n(rect, 4));
}
std::string Centre(const TRect& r) { return Point(r.left + r.Width() / 2, r.top + r.Height() / 2); }

// The tick in one of the options' check boxes (36 x 36, the sound-off box
// at 276, 408, the full-screen box 50 pixels below it): light pixels in the
// middle of its dark square, many when it is ticked, none when it is not.
int Tick(const TRun& options, int top) {
  return options.Pixels(286, top + 10, 302, top + 26, [](int r, int g, int b) { return std::max({r, g, b}) > 150; });
}
constexpr int kSoundOffBox = 408, kFullScreenBox = 458;

// A game point as the headless full-screen output shows it: the frame
// scaled into the 1920 x 1080 desktop, with bars.
std::string OnDesktop(int x, int y) {
  const THostRect fit = FitFrame(1024, 768, 1920, 1080);
  return Point(fit.left + (2 * x + 1) * fit.Width() / 2048, fit.top + (2 * y + 1) * fit.Height() / 1536);
}

// Pixels of row i on the dark sea-teal band behind the current player's row
// (the parchment under the other rows is warm and light, their letters brown).
int Highlight(const TRun& run, int i) {
  const TRect r = PlayerRow(i);
  return run.Pixels(r.left, r.top, r.right, r.bottom, [](int red, int, int blue) { return red < 90 && blue > red + 15; });
}

}  // namespace

// The whole first evening: a name on the first start, the options changed,
// the quit question answered; the next start shows the same player with the
// same options; two players are made (with the button, then with Enter),
// one chosen, and the first deleted; the list's keys choose, between names typed.
TEST_F(GameEndToEnd, FirstStartOptionsQuitRestartAndPlayers) {
  // 1. First start: the name question, then the menu; options changed and
  //    saved; a close request asks, "No" stays; Escape asks as the Quit
  //    button does, Enter answers "Yes" and quits.
  // A new player's game starts full screen: Alt+Enter first (the window mode
  // is stored at once), so that the input's points are the game's.
  std::string input = NewPlayer() + Click(800, kOptionsButton) +
                      "1200 move 606 264\n1250 down left 606 264\n1300 move 570 264\n1400 move 536 264\n"
                      "1500 up left 536 264\n" +
                      Click(1800, "294 426") +   // sound off
                      Click(2100, "512 565") +   // Done
                      "2500 close\n" + Click(2900, kQuitNo) + "3300 key escape\n3700 key enter\n";
  TRun first = Run(input, 1500);
  EXPECT_EQ(first.exitCode, 0);
  std::vector<std::string> wanted = {"menu: shown",     "menu: asks for a name", "players: created Ada",
                                     "options: sound switched", "options: saved", "quit: asked", "quit: no",
                                     "quit: asked",     "quit: yes", "The game ends (quit requested by a script)"};
  EXPECT_EQ(first.lines, wanted);
  {
    auto prefs = Prefs();
    ASSERT_EQ(prefs->GetUserCount(), 1);
    EXPECT_EQ(prefs->GetString("name", "", 0), "Ada");
    EXPECT_EQ(prefs->GetInt("curuser", -1), 0);
    int music = prefs->GetInt("musiclevel", -1, 0);
    EXPECT_GT(music, 150);
    EXPECT_LT(music, 350);
    EXPECT_EQ(prefs->GetInt("soundlevel", -1, 0), 500);
    EXPECT_EQ(prefs->GetInt("soundoff", -1, 0), 1);
    EXPECT_EQ(prefs->GetInt("fullscreen", -1), 0);  // the mode switch was stored
  }

  // 2. The next start: no name question, the same player greeted.
  TRun again = Run("", 40);
  EXPECT_EQ(again.exitCode, 0);
  EXPECT_TRUE(again.Has("menu: shown"));
  EXPECT_FALSE(again.Has("menu: asks for a name"));
  EXPECT_GT(Greeting(again), 80);  // "Ada" under the greeting

  // The photo album of a player who has searched no place yet: once the book
  // is open, a line in brown ink on its right page says where the
  // photographs come from (the page is bare paper otherwise).
  TRun album = Run(Click(300, KitButtonAt("mainmenu.lua", "photos")), FramesFor(1700));
  EXPECT_EQ(album.exitCode, 0);
  ASSERT_EQ(album.w, 1024);
  auto ink = [](int r, int g, int b) { return r < 120 && g < 100 && b < 80 && r > b; };
  EXPECT_GT(album.Pixels(590, 310, 900, 440, ink), 400);
  EXPECT_EQ(album.Pixels(590, 150, 900, 290, ink), 0);

  // 3. The options show what was stored: the music slider's knob at a
  //    quarter (the effects slider's still in the middle), the sound-off box
  //    ticked (the full-screen box beneath it is not).
  TRun options = Run(Click(300, kOptionsButton), 60);
  auto brass = [](int r, int g, int b) { return r > 150 && g > 110 && b < 120 && r > b + 60; };
  int musicAtQuarter = options.Pixels(526, 252, 546, 276, brass), effectsAtQuarter = options.Pixels(526, 302, 546, 326, brass);
  int musicAtHalf = options.Pixels(596, 252, 616, 276, brass), effectsAtHalf = options.Pixels(596, 302, 616, 326, brass);
  EXPECT_GT(musicAtQuarter, effectsAtQuarter + 60);
  EXPECT_GT(effectsAtHalf, musicAtHalf + 60);
  EXPECT_GT(Tick(options, kSoundOffBox), 40);
  EXPECT_EQ(Tick(options, kFullScreenBox), 0);

  // 4. A second player made with the button, a third typed straight after
  //    and made with Enter (the field keeps the keys); the first chosen
  //    again and deleted (Enter answers the question yes); Escape closes
  //    the chooser on the one chosen then.
  const std::string row0 = Centre(PlayerRow(0)), row1 = Centre(PlayerRow(1));
  std::string players = Click(300, kPlayersButton) + "700 text Bea\n" + Click(900, KitButtonAt("chooseplayer.lua", "create")) +
                        "1300 text Cal\n1400 key enter\n" + Click(1700, row0) + Click(2000, row1) +
                        Click(2300, row0) + Click(2600, KitButtonAt("chooseplayer.lua", "delete")) +
                        "3000 key enter\n" + Click(3400, row1) + "3800 key escape\n";
  TRun chooser = Run(players, 420);
  EXPECT_EQ(chooser.exitCode, 0);
  std::vector<std::string> chosen = {"menu: shown",          "players: created Bea", "players: created Cal",
                                     "players: deleted Ada", "players: chosen Cal",  "The game ends (quit)"};
  EXPECT_EQ(chooser.lines, chosen);
  EXPECT_EQ(chooser.Screens().back(), "mainmenu");  // one Escape: no quit question after the chooser
  EXPECT_GT(Greeting(chooser), 80);  // "Cal" greeted
  auto prefs = Prefs();
  ASSERT_EQ(prefs->GetUserCount(), 2);
  EXPECT_EQ(prefs->GetString("name", "", 0), "Bea");
  EXPECT_EQ(prefs->GetString("name", "", 1), "Cal");
  EXPECT_EQ(prefs->GetInt("curuser", -1), 1);
  EXPECT_EQ(prefs->GetInt("musiclevel", -1, 1), 500);  // a new player's volumes

  // 5. A click on the list gives it the arrow and page keys; a name typed
  //    then goes into the field and Enter makes the player, kept without
  //    the blanks typed after it; the same name as Cal's with blanks after
  //    it is refused. The list takes the keys again after the next click.
  //    The chooser stays open, Cal's row highlighted.
  std::string keys = Click(300, kPlayersButton) + Click(700, row0) + "1000 key down\n1100 key up\n1200 key up\n" +
                     "1300 key pagedown\n1400 key pageup\n1600 text Dan   \n1800 key enter\n" +
                     "1900 text cal  \n2000 key enter\n" + Click(2200, row0) + "2500 key down\n";
  TRun list = Run(keys, FramesFor(2900));
  EXPECT_EQ(list.exitCode, 0);
  EXPECT_EQ(list.lines, (std::vector<std::string>{"menu: shown", "players: created Dan", "The game ends (quit)"}));
  ASSERT_EQ(list.w, 1024);
  EXPECT_GT(Highlight(list, 1), 5000);
  EXPECT_LT(Highlight(list, 0), 500);
  EXPECT_LT(Highlight(list, 2), 500);
  prefs = Prefs();
  ASSERT_EQ(prefs->GetUserCount(), 3);
  EXPECT_EQ(prefs->GetString("name", "", 2), "Dan");
  EXPECT_EQ(prefs->GetInt("curuser", -1), 1);

  // 6. Names of other scripts, with a space (typed as a run of them, and
  //    blanks after the name), are made and saved byte for byte as one
  //    space between the words; letters no font of the game has are refused in the field (a
  //    sound), so the next name goes in clean. The list shows five rows: a
  //    sixth player is refused and the player told, the chooser still open
  //    on the five, the last made highlighted in the last row, every name
  //    drawn.
  const std::string zoe = "Zo\xC3\xAB Ann", omega = "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1";
  std::string full = Click(300, kPlayersButton) + "700 text Zo\xC3\xAB   Ann  \n900 key enter\n" +
                     "1100 text \xE5\xB1\xB1\xE7\x94\xB0\n1300 text " + omega + "\n1500 key enter\n" +
                     "1700 text Gus\n1900 key enter\n";
  std::vector<std::string> savedNames;
  TRun listFull = RunPausing(full, FramesFor(2400), {"players: the list is full"}, [&] {
    auto onDisk = Prefs();
    for (int i = 0; i < onDisk->GetUserCount(); ++i) savedNames.push_back(onDisk->GetString("name", "", i).str());
  });
  EXPECT_EQ(listFull.exitCode, 0);
  EXPECT_EQ(listFull.lines, (std::vector<std::string>{"menu: shown", "players: created " + zoe,
                                                      "players: created " + omega, "players: the list is full",
                                                      "The game ends (quit)"}));
  EXPECT_EQ(savedNames, (std::vector<std::string>{"Bea", "Cal", "Dan", zoe, omega}));
  // The five rows fit the list window the script gives the chooser.
  {
    const std::string script = testing_support::ReadFile(testing_support::SourceDir() + "/assets/scripts/chooseplayer.lua");
    std::smatch list;
    ASSERT_TRUE(std::regex_search(script, list, std::regex(R"(ChoosePlayerWindow\{[^}]*?y = (\d+), w = \d+, h = (\d+))")));
    EXPECT_LE(PlayerRow(4).bottom, (768 - 520) / 2 + std::stoi(list[1]) + std::stoi(list[2]));
    EXPECT_GT(PlayerRow(5).bottom, (768 - 520) / 2 + std::stoi(list[1]) + std::stoi(list[2]));
  }
  ASSERT_EQ(listFull.w, 1024);
  EXPECT_GT(Highlight(listFull, 4), 5000);
  EXPECT_LT(Highlight(listFull, 3), 500);
  // Dark letters on the parchment in rows 0 to 3, light ones on the highlight in row 4.
  auto rowInk = [](int r, int g, int b) { return r < 130 && g < 110 && b < 90 && r > b; };
  auto light = [](int r, int g, int b) { return r > 200 && g > 190 && b > 130; };
  for (int i = 0; i < 4; ++i) {
    const TRect row = PlayerRow(i);
    EXPECT_GT(listFull.Pixels(row.left, row.top, row.right, row.bottom, rowInk), 120) << "row " << i;
  }
  const TRect last = PlayerRow(4);
  EXPECT_GT(listFull.Pixels(last.left, last.top, last.right, last.bottom, light), 120);
}

// The options' full-screen box shows the mode whatever changed it: Alt+Enter
// while the options are open turns the box with the mode, and a click on
// the box afterwards switches the mode and shows the new one.
TEST_F(GameEndToEnd, TheFullScreenBoxFollowsAltEnter) {
  // A window (the new player's Alt+Enter), the options opened, Alt+Enter:
  // full screen, and the box is ticked (the sound-off box beside it is not).
  TRun first = Run(NewPlayer() + Click(800, kOptionsButton) + At(1300, "key alt+enter"), FramesFor(1800));
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_EQ(Prefs()->GetInt("fullscreen", -1), 1);
  ASSERT_EQ(first.w, 1024);
  EXPECT_GT(Tick(first, kFullScreenBox), 40) << Tick(first, kFullScreenBox);
  EXPECT_EQ(Tick(first, kSoundOffBox), 0);

  // Full screen, as stored: the options opened, Alt+Enter to a window (the
  // box unticked), then a click on the box: full screen again, the box ticked.
  const std::string windowed = dir.File("windowed.png");
  TRun second = Run(Click(300, OnDesktop(310, 502)) + At(800, "key alt+enter") + At(1100, "screenshot " + windowed) +
                        Click(1300, "294 476") + At(1700, "move " + OnDesktop(512, 736)),
                    FramesFor(2000));
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(Prefs()->GetInt("fullscreen", -1), 1);
  TRun atWindow;
  ASSERT_TRUE(ReadPng(windowed, &atWindow.px, &atWindow.w, &atWindow.h));
  ASSERT_EQ(atWindow.w, 1024);
  EXPECT_EQ(Tick(atWindow, kFullScreenBox), 0);
  ASSERT_EQ(second.w, 1024);
  EXPECT_GT(Tick(second, kFullScreenBox), 40) << Tick(second, kFullScreenBox);
}

// A machine without a sound device (SDL finds none): the main menu tells
// the new player, once its name is given, under a title of its own. A
// headless run, whose silence was asked for, is not told.
TEST_F(GameEndToEnd, WithoutASoundDeviceThePlayerIsTold) {
  TRun silent = RunThrough({"env", "SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=nosuchdevice"}, NewPlayer(),
                           FramesFor(1500));
  EXPECT_EQ(silent.exitCode, 0);
  EXPECT_EQ(silent.InLog("minitutor: No sound"), 1u) << silent.log;
  ASSERT_FALSE(silent.Screens().empty());
  EXPECT_EQ(silent.Screens().back(), "minitutor") << silent.log;
  ASSERT_EQ(silent.w, 1024);
  EXPECT_GT(NoticeTitleInk(silent), 100);
  // Its text on the parchment: dark ink across the board's middle.
  EXPECT_GT(silent.Pixels(320, 340, 704, 400, [](int r, int g, int b) { return r < 90 && g < 80 && b < 70; }), 300);

  std::filesystem::remove_all(dir.File("user"));
  TRun headless = Run(NewPlayer(), FramesFor(1500));
  EXPECT_EQ(headless.InLog("minitutor:"), 0u) << headless.log;
  EXPECT_EQ(headless.Screens().back(), "mainmenu");
}

// A user folder that cannot be written: making the first player, choosing
// another one and deleting one each try a save that fails, and each time
// the player is told by the "Not saved" notice, at once, over the screen
// where it happened; the file on disk, read at that moment, is as it was.
TEST_F(GameEndToEnd, PlayersMadeChosenOrDeletedInAFolderThatCannotBeWrittenAreTold) {
  std::filesystem::create_directories(dir.File("user"));
  auto expectNotice = [](const TRun& run, const std::string& failed, const std::string& over) {
    EXPECT_EQ(run.InLog("Profiles: " + failed + " could not be saved"), 1u) << run.log;
    EXPECT_EQ(run.InLog("minitutor: Not saved"), 1u) << run.log;
    const std::vector<std::string> screens = run.Screens();
    ASSERT_GE(screens.size(), 2u) << run.log;
    EXPECT_EQ(screens.back(), "minitutor") << run.log;
    // The screen logged before it (on the first start the name dialog: the
    // main menu came to the top with the notice, as the dialog closed).
    EXPECT_EQ(screens[screens.size() - 2], over) << run.log;
    ASSERT_EQ(run.w, 1024);
    EXPECT_GT(NoticeTitleInk(run), 100);
  };
  {
    // The first start: the name given, the new player cannot be saved.
    TReadOnlyFolder readOnly(dir.File("user"));
    if (!readOnly.Made()) GTEST_SKIP() << "no read-only folder can be made here";
    inChild = &TReadOnlyFolder::Enter;
    std::vector<std::string> files;
    TRun made = RunPausing(NewPlayer("Ada"), FramesFor(1500), {"minitutor: Not saved"}, [&] {
      for (const auto& entry : std::filesystem::directory_iterator(dir.File("user")))
        files.push_back(entry.path().filename().string());
    });
    EXPECT_EQ(made.exitCode, 0);
    EXPECT_EQ(files, std::vector<std::string>{"logfile.txt"});
    expectNotice(made, "the new player \"Ada\"", "entername");
    EXPECT_GT(made.Pixels(160, 620, 460, 664, [](int r, int g, int b) { return r > 200 && g > 190 && b > 150; }), 100)
        << "the main menu's Quit button beside the notice";
  }
  inChild = nullptr;

  // Ada and Bea, Bea chosen last.
  SaveAda([](GameProgress&) { GetUserInfo()->CreateNewUser("Bea"); });
  const std::string saved = testing_support::ReadFile(dir.File("user/prefs.dat"));
  ASSERT_EQ(Prefs()->GetUserCount(), 2);
  TReadOnlyFolder readOnly(dir.File("user"));
  ASSERT_TRUE(readOnly.Made());
  inChild = &TReadOnlyFolder::Enter;
  std::string atNotice;
  auto readFile = [&] { atNotice = testing_support::ReadFile(dir.File("user/prefs.dat")); };
  TRun chosen = RunPausing(Click(300, kPlayersButton) + Click(800, Centre(PlayerRow(0))), FramesFor(1500),
                           {"minitutor: Not saved"}, readFile);
  EXPECT_EQ(chosen.exitCode, 0);
  EXPECT_TRUE(atNotice == saved) << "prefs.dat is not the one the run began with";
  expectNotice(chosen, "the choice of player \"Ada\"", "chooseplayer");

  atNotice.clear();
  TRun deleted = RunPausing(Click(300, kPlayersButton) + Click(800, KitButtonAt("chooseplayer.lua", "delete")) +
                                "1300 key enter\n",
                            FramesFor(1800), {"minitutor: Not saved"}, readFile);
  EXPECT_EQ(deleted.exitCode, 0);
  EXPECT_TRUE(atNotice == saved) << "prefs.dat is not the one the run began with";
  EXPECT_TRUE(deleted.Has("players: deleted Bea")) << deleted.Joined();
  expectNotice(deleted, "the deletion of player \"Bea\"", "chooseplayer");
}

// Close requests while a dialog is open behave the same each time: the
// question comes, "No" leaves the dialog as it was; a second close request
// while the question is on screen opens no second one; the third question's
// "Yes" quits.
TEST_F(GameEndToEnd, CloseRequestsOverADialogAskEachTime) {
  std::string input = NewPlayer() + Click(800, kOptionsButton) + "1200 close\n1300 close\n" +
                      Click(1700, kQuitNo) + "2100 close\n" + Click(2500, kQuitNo) +
                      Click(2900, "512 565") +  // the options are still open: Done
                      "3300 close\n" + Click(3700, kQuitYes);
  TRun run = Run(input, 1500);
  EXPECT_EQ(run.exitCode, 0);
  std::vector<std::string> wanted = {"menu: shown", "menu: asks for a name", "players: created Ada", "quit: asked",
                                     "quit: no",    "quit: asked",           "quit: no",             "options: saved",
                                     "quit: asked", "quit: yes", "The game ends (quit requested by a script)"};
  EXPECT_EQ(run.lines, wanted);
}

// The first start shows the menu under the name question, and without
// input the game only stops at its frame limit.
TEST_F(GameEndToEnd, FirstStartAsksForAName) {
  TRun run = Run("", 30);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.lines, (std::vector<std::string>{"menu: shown", "menu: asks for a name", "The game ends (quit)"}));
  // The question's parchment in the middle, the menu's night sky at the top right.
  uint32_t parchment = run.At(512, 420), sky = run.At(1000, 20);
  EXPECT_GT(int((parchment >> 16) & 0xFF), 180);
  EXPECT_LT(int((sky >> 16) & 0xFF), 90);
}

// The game's own Lua functions (the 28 of the main function) are bound once
// "scripts/mainloop.lua" has run to its first wait: its code at load time
// does not see them, what it runs later from its loop does.
class MainLoopScript : public TGameEndToEnd {
protected:
  MainLoopScript() : TGameEndToEnd({"mainloop: ", "The game ends"}) {}
};

TEST_F(MainLoopScript, TheGamesFunctionsAreBoundAfterItsFirstRun) {
  folder = dir.File("work");
  dir.Write("work/assets/scripts/mainloop.lua",
            "DebugOut('mainloop: loading ' .. type(SetNeedQuit) .. ' ' .. type(CSWithSh) .. ' ' .. type(DoModal))\n"
            "WaitForMessage(1)\n"
            "DebugOut('mainloop: running ' .. type(SetNeedQuit) .. ' ' .. type(CSWithSh))\n"
            "SetNeedQuit()\n");
  TRun run = Run("", 60);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.lines, (std::vector<std::string>{"mainloop: loading nil nil function", "mainloop: running function function",
                                                 "The game ends (quit requested by a script)"}))
      << run.Joined();
}
