// End to end: the lantern program on the demo data, headless, from a fresh
// user folder, driven by input scripts. A new player starts level 1 from the
// main menu, skips the splash and the level's comic, follows the location's tutorial and clicks every object of the
// first location at the place its level file gives; each leaves the list, the location is complete, the
// journal writes its page and is closed, and the game goes on (to the
// gallery, for the new wallpaper). The next start plays
// the second location: the first one was saved as passed; a start from the
// file as it stood just after the player was made plays the first. From saved games in
// the attic: objects found before a quit stay found, in a save that passes
// 8192 bytes, and after a signal; a user folder that cannot be written; the play
// statistics of a game closed from the play screen.
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "game/shell/data/gameprogress.h"
#include "game/shell/data/savefile.h"
#include "platform/folders.h"
#include "platform/prefs.h"
#include "platform/settings.h"
#include "render/textures/imagereaders.h"
#include "tests/game/support/gamee2e.h"
#include "tests/game/support/localhttp.h"
#include "tests/platform/pngread.h"
#include "tests/support/envguard.h"

using namespace gamee2e;

namespace {

constexpr const char* kTutorialRaisedClose = "704 360";  // the box over a pointer at the list

// The menu's and the scene's lines.
class SceneEndToEnd : public TGameEndToEnd {
protected:
  SceneEndToEnd() : TGameEndToEnd({"menu: ", "players: ", "MainGame: "}) {}
};

// A saved game in the attic, and what the scene, the saves and the information pop-ups log.
class SavedGameEndToEnd : public TGameEndToEnd {
protected:
  SavedGameEndToEnd() : TGameEndToEnd({"MainGame: ", "Profiles: ", "Hint ", "minitutor: "}) {}
  // A saved game in the attic with its first `found` objects found (and
  // whatever `edit` adds).
  void SaveInTheAttic(int found, const std::function<void(GameProgress&)>& edit = nullptr);
};

constexpr const char* kNothingThere = "150 250";  // a spot of the attic with no object

// Dark ink on the parchment of the list.
int ListInk(const TRun& r) {
  return r.Pixels(188, 668, 710, 758, [](int red, int, int) { return red < 90; });
}

// The main menu stands beside a notice: its "Credits" button (the small
// button of the art kit at 590, 700), the left end outside the caption, as
// drawn.
void ExpectTheMainMenuBeside(const TRun& r) {
  std::vector<uint32_t> button;
  int bw = 0, bh = 0;
  ASSERT_TRUE(ReadPng(testing_support::SourceDir() + "/assets/ui/button_small_normal.png", &button, &bw, &bh));
  ASSERT_EQ(r.w, 1024);
  int opaque = 0, same = 0;
  for (int y = 0; y < bh; ++y)
    for (int x = 0; x < 30 && x < bw; ++x) {
      uint32_t c = button[size_t(y) * size_t(bw) + size_t(x)];
      if ((c >> 24) != 0xFF) continue;
      ++opaque;
      same += Near(c, r.At(590 + x, 700 + y), 3);
    }
  ASSERT_GT(opaque, 500);
  EXPECT_GT(same, opaque * 95 / 100);
}

}  // namespace

TEST_F(SceneEndToEnd, ANewPlayerFindsEverythingAndTheNextStartGoesOn) {
  // A first game opens with the splash and the level's comic: both skipped.
  std::string input = FirstGame();
  std::vector<std::string> places = ItemCentres("loc11");
  ASSERT_EQ(places.size(), 13u);
  // The location's tutorial: two welcome pages and the list's, each with its
  // next button, the hint button; then it asks for the teacup, which the
  // click also finds.
  const int shift = 5000;
  input += Click(3500 + shift, kTutorButton) + Click(4000 + shift, kTutorButton) +
           Click(4500 + shift, kTutorialRaisedClose) + Click(4850 + shift, kHintButton);
  int t = 5200 + shift;
  for (const std::string& at : places) {
    input += Click(t, at);
    t += 350;
  }
  // The journal opens on the finished page and writes it; the player closes it.
  input += Click(14500 + shift, kJournalClose);
  // The preferences file as the new player leaves it, before any save.
  std::string created;
  TRun first = RunPausing(input, 2100, {"players: created Ada"},
                          [&] { created = testing_support::ReadFile(dir.File("user/prefs.dat")); });
  EXPECT_EQ(first.exitCode, 0);
  std::vector<std::string> start(first.lines.begin(), first.lines.begin() + std::min<size_t>(5, first.lines.size()));
  std::vector<std::string> wanted = {"menu: shown", "menu: asks for a name", "players: created Ada", "menu: play",
                                     "MainGame: level loc11 loaded: 13 objects, 13 to find"};
  EXPECT_EQ(start, wanted);
  // Each click found one object, which left the list.
  int left = 13;
  for (const std::string& line : first.lines)
    if (line.rfind("MainGame: found ", 0) == 0) {
      --left;
      EXPECT_NE(line.find("(" + std::to_string(left) + " left)"), std::string::npos) << line;
    }
  EXPECT_EQ(left, 0);
  EXPECT_EQ(first.Count("MainGame: level loc11 complete"), 1u);
  // The new wallpaper first, in the gallery.
  ASSERT_FALSE(first.lines.empty());
  EXPECT_EQ(first.lines.back(), "MainGame: on to scripts/gallery.lua");

  // The next start: Play opens the study; the kitchen is passed.
  TRun second = Run(Click(1000, kPlayButton), 400);
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(second.Count("MainGame: level loc12 loaded: 13 objects, 13 to find"), 1u);
  EXPECT_EQ(second.Count("MainGame: level loc11 loaded"), 0u);
  // Its frame: the study, the panel and a full list of names.
  if (second.w == 1024) {
    EXPECT_GT(ListInk(second), 1500);
  }
  // The first run's last frame: the gallery with the kitchen in its first
  // slot, brighter than the locked one beside it.
  if (first.w == 1024) {
    EXPECT_GT(first.Brightness(240, 185, 490, 345), first.Brightness(540, 185, 790, 345) + 20);
  }

  // A program that ended just after the player was made: Play from that
  // file starts the first location, as a new game does.
  dir.Write("user/prefs.dat", created);
  TRun killed = Run(Click(300, kPlayButton) + Click(2800, kSplashSkip) + Click(5200, kComicPage) +
                        Click(5600, kComicSkip),
                    FramesFor(8000));
  EXPECT_EQ(killed.exitCode, 0);
  EXPECT_EQ(killed.Count("MainGame: level loc11 loaded: 13 objects, 13 to find"), 1u) << killed.log;
  EXPECT_EQ(killed.Screens(), (std::vector<std::string>{"mainmenu", "ComicsSpl", "ComicsSpl", "MainGame"}))
      << killed.log;
}

// From a saved game in the study: Escape before any click opens the game
// menu, which stays on screen, though the key is held down long enough to
// repeat; Escape in it returns to the game. Two objects
// found, Escape again, and the menu's "Main menu": the fade and the main
// menu, with the two objects saved by the time the main menu shows.
TEST_F(SceneEndToEnd, EscapeOpensTheGameMenuAndItsMainMenuButtonSavesAndLeaves) {
  SaveAt(1, 1, 2, {"loc11"}, {"com_1.xml"});
  // The location shows by 3.1 s. Escape is held from 3.5 s to 4.25 s: it
  // repeats after half a second, every 33 ms.
  std::string play = Click(1000, kPlayButton) + At(3500, "keydown escape");
  for (int t = 4000; t <= 4200; t += 33) play += At(t, "keydown escape");
  play += At(4250, "keyup escape");
  TRun menu = Run(play, FramesFor(4600));
  EXPECT_EQ(menu.exitCode, 0);
  EXPECT_EQ(menu.Screens(), (std::vector<std::string>{"mainmenu", "MainGame", "gamemenu"})) << menu.log;
  // The last frame: the menu's board (where its buttons leave it bare) over the study.
  std::vector<uint32_t> board;
  int bw = 0, bh = 0;
  ASSERT_TRUE(ReadPng(testing_support::SourceDir() + "/assets/backgrounds/players.png", &board, &bw, &bh));
  ASSERT_EQ(menu.w, 1024);
  int opaque = 0, same = 0;
  for (int y = 100; y < 500 && y < bh; y += 4)
    for (int x = 20; x < 140; x += 4) {
      uint32_t c = board[size_t(y) * size_t(bw) + size_t(x)];
      if ((c >> 24) != 0xFF) continue;
      ++opaque;
      same += Near(c, menu.At((1024 - bw) / 2 + x, (768 - bh) / 2 + y), 3);
    }
  ASSERT_GT(opaque, 2000);
  EXPECT_GT(same, opaque * 95 / 100);

  const std::vector<std::string> items = ItemCentres("loc12");
  ASSERT_GE(items.size(), 2u);
  const std::string input = play + At(4500, "key escape") + Click(5000, items[0]) + Click(5400, items[1]) +
                            At(6000, "key escape") + Click(6800, KitButtonAt("gamemenu.lua", "mainmenu"));
  std::vector<int32_t> saved;
  TRun leave = RunPausing(input, FramesFor(10000), {"gamemenu: to the main menu", "modal: mainmenu"}, [&] {
    const GameProgress p = Saved();
    if (const LocationInfo* info = p.GetLocationInfo("loc12")) saved = info->itemIds;
    EXPECT_EQ(p.locationId, 2);
  });
  EXPECT_EQ(leave.exitCode, 0);
  EXPECT_EQ(saved, (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(leave.Count("MainGame: found "), 2u) << leave.Joined();
  // The screens, the fades left out: each Escape acted once, at its time,
  // the menu staying between them.
  EXPECT_EQ(leave.Screens(),
            (std::vector<std::string>{"mainmenu", "MainGame", "gamemenu", "MainGame", "gamemenu", "mainmenu"}))
      << leave.log;
  EXPECT_EQ(leave.ShownAt("gamemenu"), 3500);
  EXPECT_EQ(leave.ShownAt("MainGame", 2), 4500);
  EXPECT_EQ(leave.ShownAt("gamemenu", 2), 6000);
  // The last frame: the main menu greets the player.
  ASSERT_EQ(leave.w, 1024);
  EXPECT_GT(Greeting(leave), 80);
}

void SavedGameEndToEnd::SaveInTheAttic(int found, const std::function<void(GameProgress&)>& edit) {
  SaveAda([&](GameProgress& p) {
    p.locationId = 4;
    p.firstRun = 0;
    p.gameIntroDone = 1;
    p.MarkShown("com_1.xml");
    p.MarkInfoShown("info_hint");
    Pass(p, {"loc11", "loc12", "mg_keys"});
    for (int id = 0; id < found; ++id) p.FindLocationInfo("loc13").AddItemId(id);
    if (edit) edit(p);
  });
}

// Share of a level item's opaque pixels (its picture's) that show the
// location picture in the frame: near 1 when the item is not drawn.
double ShowsBackground(const TRun& run, const TDecodedImage& bg, const TLevelItem& item) {
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  EXPECT_TRUE(ReadPng(testing_support::SourceDir() + "/assets/" + item.picture + ".png", &px, &w, &h));
  EXPECT_EQ(w, item.w);  // drawn at its own size
  int opaque = 0, same = 0;
  for (int v = 0; v < std::min(h, item.h); ++v)
    for (int u = 0; u < std::min(w, item.w); ++u) {
      if ((px[size_t(v) * size_t(w) + size_t(u)] >> 24) < 250) continue;
      int x = item.x + u, y = item.y + v;
      ++opaque;
      same += Near(run.At(x, y), bg.pixels[size_t(y) * bg.side + size_t(x)], 12);
    }
  return opaque ? double(same) / double(opaque) : 0.0;
}

// Five of the attic's twelve objects found, then the close box and "Yes": the
// save at the end holds them, whole though it passes 8192 bytes (a long game:
// the saved game read at the start was 8192 bytes exactly). The next start
// lists seven to find and draws none of the five.
TEST_F(SavedGameEndToEnd, ObjectsFoundBeforeAQuitStayFoundInASaveOver8192Bytes) {
  std::vector<TString> keepsakes;
  SaveInTheAttic(0, [&](GameProgress& p) {
    auto size = [&] { return WriteSaveBlob(p, uint32_t(GetSaveVersion())).size(); };
    while (size() + 34 + 4 < 8192) p.arts.push_back(TString::Printf("keepsake %03zu from the sea chest ", p.arts.size()));
    p.arts.push_back(TString(std::string(8192 - size() - 4, 'k')));
    ASSERT_EQ(size(), 8192u);
    keepsakes = p.arts;
  });
  std::vector<std::string> places = ItemCentres("loc13");
  ASSERT_EQ(places.size(), 12u);
  std::string input = Click(300, kPlayButton);
  for (int i = 0; i < 5; ++i) input += Click(3000 + 400 * i, places[size_t(i)]);
  TRun first = Run(input + At(5500, "close") + Click(6000, kQuitYes), 800);
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_EQ(first.Count("MainGame: level loc13 loaded: 12 objects, 12 to find"), 1u) << first.Joined();
  EXPECT_EQ(first.Count("MainGame: found "), 5u);
  EXPECT_FALSE(first.Mentions("Profiles:")) << first.Joined();  // the save of 8192 bytes read as before

  // The file on disk, as the quit left it.
  int length = 0;
  ASSERT_NE(Prefs()->GetData("LocInfoPass", nullptr, 0, 0, &length), -1);
  EXPECT_GT(length, 8192);
  const GameProgress saved = Saved();
  EXPECT_EQ(saved.arts, keepsakes);
  const LocationInfo* attic = saved.GetLocationInfo("loc13");
  ASSERT_NE(attic, nullptr);
  std::vector<int32_t> ids = attic->itemIds;
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<int32_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(attic->passed, 0);

  TRun second = Run(Click(300, kPlayButton), FramesFor(3000));
  EXPECT_EQ(second.Count("MainGame: level loc13 loaded: 12 objects, 7 to find"), 1u) << second.Joined();
  TDecodedImage bg;
  {
    testing_support::ScopedChdir cd(testing_support::SourceDir());
    RefreshFileLayer();
    ASSERT_TRUE(LoadImageFile("locations/loc13/bg", &bg));
    RefreshFileLayer();
  }
  std::vector<TLevelItem> items = LevelItems("loc13");
  ASSERT_EQ(items.size(), 12u);
  for (size_t i = 0; i < items.size(); ++i) {
    double share = ShowsBackground(second, bg, items[i]);
    if (i < 5) EXPECT_GT(share, 0.9) << items[i].picture;  // found: the location picture alone
    else EXPECT_LT(share, 0.5) << items[i].picture;        // the object over it
  }
}

// A log-out, a closed terminal and Ctrl+C (SIGTERM, SIGHUP, SIGINT) quit the
// game as its own quit does: the objects found in the attic since the last
// save, which the file does not hold when the signal comes, are in it
// afterwards, and the program then ends by the signal. A closed terminal's
// hang-up comes twice at once (from the shell and from the terminal): the
// second is the same request. Each start goes on where the last one was
// stopped.
TEST_F(SavedGameEndToEnd, ASignalQuitsWithTheSaveOfTheGamesOwnQuit) {
  SaveInTheAttic(0);
  const std::vector<std::string> places = ItemCentres("loc13");
  ASSERT_EQ(places.size(), 12u);
  struct TStop {
    int signal;
    const char* name;
    int found;   // objects found in this run
    bool twice;  // sent to the program and to its main thread: both come when it goes on
  };
  const TStop stops[] = {{SIGTERM, "SIGTERM", 3, false}, {SIGHUP, "SIGHUP", 2, true}, {SIGINT, "SIGINT", 1, false}};
  std::vector<int32_t> expected;
  for (const TStop& stop : stops) {
    const int before = int(expected.size());
    std::string input = Click(300, kPlayButton);
    std::vector<std::string> markers;
    for (int i = 0; i < stop.found; ++i) {
      input += Click(3000 + 400 * i, places[size_t(before + i)]);
      markers.push_back("MainGame: found ");
    }
    std::vector<int32_t> onDisk = {-1};
    TRun run = RunPausing(input, FramesFor(60000), markers, [&] {
      const GameProgress saved = Saved();
      const LocationInfo* attic = saved.GetLocationInfo("loc13");
      onDisk = attic ? attic->itemIds : std::vector<int32_t>();
      kill(pid_t(runningPid), stop.signal);
      // A signal for the thread waits apart from the one for the program.
      if (stop.twice) syscall(SYS_tgkill, pid_t(runningPid), pid_t(runningPid), stop.signal);
    });
    for (int i = 0; i < stop.found; ++i) expected.push_back(before + i);
    EXPECT_EQ(run.exitCode, 128 + stop.signal) << stop.name;
    EXPECT_EQ(run.Count("MainGame: level loc13 loaded: 12 objects, " + std::to_string(12 - before) + " to find"), 1u)
        << run.Joined();
    EXPECT_EQ(run.Count("MainGame: found "), size_t(stop.found)) << stop.name;
    EXPECT_EQ(run.InLog(std::string("Signal ") + stop.name + ": the game quits as its own quit does, with its save"), 1u)
        << run.log;
    EXPECT_EQ(run.InLog("The game ends (quit on a signal)"), 1u) << run.log;
    // The file held the earlier runs' objects when the signal came; the quit saved this run's too.
    std::sort(onDisk.begin(), onDisk.end());
    EXPECT_EQ(onDisk, std::vector<int32_t>(expected.begin(), expected.begin() + before)) << stop.name;
    const GameProgress saved = Saved();
    const LocationInfo* attic = saved.GetLocationInfo("loc13");
    ASSERT_NE(attic, nullptr) << stop.name;
    std::vector<int32_t> ids = attic->itemIds;
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, expected) << stop.name;
    EXPECT_EQ(attic->passed, 0);
  }
}

// A user folder that cannot be written: the attic is completed and left for
// the gallery, and each save fails and is logged; the player is told once, over
// the play screen, as soon as the first failed, by a notice with a title of
// its own; the saved game on disk stays
// as it was. Once the folder takes writes again, the next save (here the one
// at the end) writes the progress kept in memory.
TEST_F(SavedGameEndToEnd, AFolderThatCannotBeWrittenIsToldOnceAndSavedWhenItCanBe) {
  SaveInTheAttic(11);
  const std::string prefs = testing_support::ReadFile(dir.File("user/prefs.dat"));
  TReadOnlyFolder readOnly(dir.File("user"));
  if (!readOnly.Made()) GTEST_SKIP() << "no read-only folder can be made here";
  inChild = &TReadOnlyFolder::Enter;
  std::vector<std::string> places = ItemCentres("loc13");
  ASSERT_EQ(places.size(), 12u);
  const std::string toNotice = Click(300, kPlayButton) + Click(4000, places[11]);
  const std::string input = toNotice + Click(7000, KitButtonAt("minitutor.lua", "ok")) +
                            Click(11000, kJournalClose) + At(15000, "close") + Click(15500, kQuitYes);
  const std::string failed = "Profiles: the progress of player \"Ada\" could not be saved";
  // The notice over the play screen, under a title of its own: on the
  // board's plate, amber writing (ui.lua's titles) far wider than a hint's
  // "A hint".
  TRun notice = Run(toNotice, FramesFor(6500));
  ASSERT_FALSE(notice.Screens().empty());
  EXPECT_EQ(notice.Screens().back(), "minitutor") << notice.log;
  EXPECT_EQ(notice.Count("minitutor: "), 1u) << notice.Joined();
  EXPECT_TRUE(notice.Has("minitutor: Not saved")) << notice.Joined();
  ASSERT_EQ(notice.w, 1024);
  int left = 1024, right = 0;
  for (int y = 266; y < 296; ++y)
    for (int x = 400; x < 624; ++x)
      if (Near(notice.At(x, y), 0xFFD27A, 24)) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
  EXPECT_GT(right - left, 110);
  EXPECT_GT(NoticeTitleInk(notice), 100);

  // A save that fails behind the fade: the game menu's "Main menu" saves,
  // then the screen changes. The notice waits until the fade has lifted,
  // then stands over the main menu (the lighthouse beside it, and the
  // buttons below the quit button's bottom edge); the file keeps the game as it was.
  const std::string throughTheMenu = Click(300, kPlayButton) + At(3500, "key escape") +
                                     Click(4300, KitButtonAt("gamemenu.lua", "mainmenu"));
  TRun behind = Run(throughTheMenu, FramesFor(9000));
  EXPECT_EQ(testing_support::ReadFile(dir.File("user/prefs.dat")), prefs);
  EXPECT_EQ(behind.Count(failed), 2u) << behind.Joined();  // the menu's save and the one at the end
  // Nothing tries again after the one at the end: said so.
  const std::string lost = "Profiles: the game ends without the last save of player \"Ada\"";
  EXPECT_EQ(behind.InLog(lost), 1u) << behind.log;
  EXPECT_EQ(behind.Screens(), (std::vector<std::string>{"mainmenu", "MainGame", "gamemenu", "minitutor"}))
      << behind.log;
  EXPECT_EQ(behind.Count("minitutor: "), 1u);
  EXPECT_TRUE(behind.Has("minitutor: Not saved")) << behind.Joined();
  ASSERT_EQ(behind.w, 1024);
  EXPECT_GT(NoticeTitleInk(behind), 100);
  EXPECT_GT(behind.ShownAt("minitutor"), 4300 + 2000);  // two fades of a second after the click
  ExpectTheMainMenuBeside(behind);

  std::string atSecondFailure;
  std::vector<std::string> files;
  TRun run = RunPausing(input, 1800, {failed, "Hint infosavefailed", failed}, [&] {
    atSecondFailure = testing_support::ReadFile(dir.File("user/prefs.dat"));
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("user")))
      files.push_back(entry.path().filename().string());
    readOnly.Leave();
  });
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(atSecondFailure, prefs);
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"logfile.txt", "prefs.dat", "prefs.dat.bak"}));
  // Completing the attic and leaving it for the gallery: each save logged;
  // the one at the end worked.
  EXPECT_EQ(run.Count(failed), 2u) << run.Joined();
  EXPECT_EQ(run.Count("MainGame: level loc13 complete"), 1u);
  EXPECT_EQ(run.Count("MainGame: on to scripts/gallery.lua"), 1u);
  EXPECT_EQ(run.Count("Profiles: the progress of player \"Ada\" is saved again"), 1u);
  EXPECT_EQ(run.InLog(lost), 0u);
  // Told once, as soon as the save at the end of the attic failed.
  EXPECT_EQ(run.InLog("modal: minitutor"), 1u);
  EXPECT_EQ(run.Count("Hint infosavefailed: Your progress cannot be saved"), 1u);
  int told = run.Find("Hint infosavefailed"), complete = run.Find("MainGame: level loc13 complete");
  EXPECT_GT(told, complete);
  EXPECT_LT(told, run.Find("MainGame: on to "));
  // The progress made while nothing could be written: the attic passed.
  EXPECT_EQ(SavedPlace({"loc13"}), "1 2 1 0 loc13=1");
}

// A run with what writes into the desktop's folders (the gallery's
// wallpapers, a tester's play statistics), over a home set up as a player's:
// with "userfolder" the run keeps those files inside it, and the home is
// left exactly as it was (as every run of these tests checks).
TEST_F(SavedGameEndToEnd, ARunWithAUserFolderLeavesItsHomeAsItWas) {
  testing_support::EnvGuard env;
  env.Unset("XDG_CONFIG_HOME");  // the run reads the home's own user-dirs.dirs
  const std::string home = dir.File("home");
  for (const char* folder : {"Pictures", "Documents", "Desktop", ".config", ".local/share"})
    std::filesystem::create_directories(home + "/" + folder);
  std::ofstream(home + "/.config/user-dirs.dirs") << "XDG_PICTURES_DIR=\"$HOME/Pictures\"\n"
                                                     "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n"
                                                     "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n";
  const std::string before = gamee2e::TreeOf(home);
  SaveInTheAttic(0, [](GameProgress& p) { p.photos = {"wallpapers/lighthouse"}; });
  words = {"tester7"};
  const std::vector<std::string> places = ItemCentres("loc13");
  // The gallery from the main menu and back, then the attic: two objects found, the game closed.
  const TRun run = Run(Click(300, gamee2e::KitButtonAt("mainmenu.lua", "album")) + At(3000, "key escape") +
                           Click(6000, kPlayButton) + Click(9000, places[0]) + Click(9400, places[1]) +
                           At(10000, "close") + Click(10500, kQuitYes),
                       FramesFor(11500));
  EXPECT_EQ(run.Count("MainGame: found "), 2u);
  EXPECT_EQ(gamee2e::TreeOf(home), before);
  EXPECT_TRUE(testing_support::FileExists(dir.File("user") + "/Pictures/Orvelle/verdan_wallpaper1.bmp"));
  EXPECT_TRUE(testing_support::FileExists(dir.File("user") + "/Documents/playlogtester7.txt"));
}

// A saved game cut short on disk: the start keeps it aside beside a new game,
// both on disk by the time the main menu shows, and tells the player over the
// main menu under a title of its own. Told once: the next start says nothing.
TEST_F(SavedGameEndToEnd, ASavedGameThatCannotBeReadIsKeptAsideAndTheMainMenuSaysSo) {
  SaveInTheAttic(3);
  std::string cut;
  {
    SetSetting("userfolder", TString(dir.File("user")));
    SetSetting("encryptionkey", "tosvilqeZZZZ");  // the game's own key
    TPrefs prefs;
    int length = 0;
    ASSERT_NE(prefs.GetData("LocInfoPass", nullptr, 0, 0, &length), -1);
    std::string blob(size_t(length), '\0');
    prefs.GetData("LocInfoPass", blob.data(), length, 0);
    cut = blob.substr(0, 40);
    EXPECT_TRUE(prefs.SetData("LocInfoPass", cut.data(), int(cut.size()), 0, 1));
    ClearSettings();
  }
  std::string kept;
  std::string place;
  TRun run = RunPausing("", FramesFor(1500), {"Profiles: the saved game of player \"Ada\" is damaged", "minitutor: Save unreadable"},
                        [&] {
                          auto prefs = Prefs();
                          int length = 0;
                          if (prefs->GetData("LocInfoPass.damaged", nullptr, 0, 0, &length) == -1) return;
                          kept.assign(size_t(length), '\0');
                          prefs->GetData("LocInfoPass.damaged", kept.data(), length, 0);
                          place = SavedPlace({"loc11"});
                        });
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(kept, cut);
  EXPECT_EQ(place, "1 1 1 0 loc11=none");  // a new game
  EXPECT_EQ(run.Screens(), (std::vector<std::string>{"minitutor"})) << run.log;
  EXPECT_EQ(run.Count("minitutor: "), 1u) << run.Joined();
  EXPECT_TRUE(run.Has("minitutor: Save unreadable")) << run.Joined();
  EXPECT_EQ(run.Count("Hint infosaveunreadable: Your saved game could not be read"), 1u) << run.Joined();
  // Where the old one is kept: in the user folder, not the game's.
  EXPECT_EQ(run.InLog("beside it in prefs.dat in your user folder."), 1u) << run.log;
  EXPECT_GT(NoticeTitleInk(run), 100);
  ExpectTheMainMenuBeside(run);
  TRun next = Run("", 300);
  EXPECT_EQ(next.Count("minitutor: "), 0u) << next.Joined();
  EXPECT_EQ(next.Count("Profiles: "), 0u) << next.Joined();
}

// Two copies of the game once saved at the same time, and the one that saved
// second kept its preferences beside the file: the next start goes on from
// the file and tells the player over the main menu, under a title of its
// own, where the other copy's are; the file beside stays as it is.
TEST_F(SavedGameEndToEnd, WhatAnotherCopyKeptBesideTheFileIsToldAtTheNextStart) {
  SaveInTheAttic(3);
  {
    SetSetting("userfolder", TString(dir.File("user")));
    SetSetting("encryptionkey", "tosvilqeZZZZ");  // the game's own key
    TPrefs first, second;
    ASSERT_TRUE(first.SetInt("numCoins", 7, 0, 1));
    ASSERT_TRUE(second.SetInt("numCoins", 9, 0, 1));
    ClearSettings();
  }
  const std::string kept = testing_support::ReadFile(dir.File("user/prefs.dat.conflict"));
  ASSERT_FALSE(kept.empty());
  TRun run = Run("", FramesFor(1500));
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.Screens(), (std::vector<std::string>{"minitutor"})) << run.log;
  EXPECT_TRUE(run.Has("minitutor: Saved twice")) << run.Joined();
  EXPECT_EQ(run.Count("Hint infoprefsconflict: Two copies of the game once saved at the same time"), 1u)
      << run.Joined();
  EXPECT_EQ(run.InLog("Prefs: user:prefs.dat.conflict holds the preferences a copy of the game kept aside"), 1u);
  EXPECT_GT(NoticeTitleInk(run), 100);
  ExpectTheMainMenuBeside(run);
  EXPECT_EQ(testing_support::ReadFile(dir.File("user/prefs.dat.conflict")), kept);
  EXPECT_EQ(Saved().numCoins, 7);
}

// With a tester's id, the game closed from the play screen (the close box and
// "Yes") sends the level's statistics and writes their line before it ends;
// without one nothing is sent or written.
TEST_F(SavedGameEndToEnd, ClosingFromThePlayScreenSendsTheLevelsStatistics) {
  gametest::TLocalHttpServer server({gametest::TLocalHttpServer::kSuccess});
  SaveInTheAttic(0);
  std::vector<std::string> places = ItemCentres("loc13");
  const std::string input = Click(300, kPlayButton) + Click(3000, places[0]) + Click(3400, places[1]) +
                            Click(3800, kNothingThere) + At(4500, "close") + Click(5000, kQuitYes);
  const std::string file = dir.File("user") + "/Documents/playlogtester7.txt";  // "userfolder" holds it
  TRun plain = Run(input, 700, ",playlogserver=" + server.BaseUrl());
  EXPECT_EQ(plain.Count("MainGame: found "), 2u);
  EXPECT_EQ(server.Connections(), 0);
  EXPECT_FALSE(testing_support::FileExists(file));

  SaveInTheAttic(0);
  words = {"tester7"};
  TRun tester = Run(input, 700, ",playlogserver=" + server.BaseUrl());
  EXPECT_EQ(tester.Count("MainGame: found "), 2u);
  ASSERT_EQ(server.Requests().size(), 1u);
  const std::string body = gametest::TLocalHttpServer::Body(server.Requests()[0]);
  for (const char* field : {"license=tester7&", "LevelName=loc13&", "NumberOfClicksGameField=3&", "TotalHintsUsed=0&"})
    EXPECT_NE(body.find(field), std::string::npos) << field << " in " << body;
  const std::string lines = testing_support::ReadFile(file);
  EXPECT_EQ(lines.rfind("LevelName=loc13\t", 0), 0u) << lines;
  EXPECT_NE(lines.find("\tNumberOfClicksGameField3\t"), std::string::npos) << lines;
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1);
}
