// Player profiles: through the Lua globals, across a restart, with saves that
// cannot be read, and with no current player.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/soundmanager.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/data/savefile.h"
#include "game/shell/data/userinfo.h"
#include "platform/folders.h"
#include "platform/prefs.h"
#include "platform/settings.h"
#include "tests/game/support/gametest.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

namespace {

class Profiles : public gametest::TGameLuaFixture, public ::testing::Test {
protected:
  void SetUp() override { MainXml(R"(<Game><Common NumSaveVer="1"/></Game>)"); }
  std::string PrefsFile() const { return dir.File("user/prefs.dat"); }
  GameProgress& p = GetGameProgress();
};

TEST_F(Profiles, ThreePlayersDeleteTheMiddleSwitchQuitAndStartAgain) {
  Users();
  ASSERT_TRUE(Lua(R"(
    CreateNewUser('Ann') AddTool('knifetool') SetLevelChapter('2,1') SaveGameUserInfo()
    CreateNewUser('Bob') AddArt('bobs')
    CreateNewUser('Cid') AddTool('flashlight') AddArt('cids')
    n3 = GetNumUsers()
  )"));
  EXPECT_EQ(Global("n3"), "3");
  GetUserInfo()->GetPrefs()->SetInt("musiclevel", 800, 2, 1);  // as the options screen stores it
  ASSERT_TRUE(Lua("SaveGameUserInfo() DeleteUser(1) n2 = GetNumUsers()"));
  EXPECT_EQ(Global("n2"), "2");
  EXPECT_EQ(GetUserInfo()->GetCurrentUserName(), "Cid");  // now at index 1
  EXPECT_EQ(p.playerName, "Cid");
  ASSERT_TRUE(Lua("SetCurrentUser(0, true)"));
  EXPECT_EQ(p.playerName, "Ann");
  EXPECT_EQ(p.levelId, 2);
  EXPECT_TRUE(p.HasTool("knifetool"));
  p.numCoins = 6;
  DeleteUserInfo();  // quitting saves the current player

  Users();  // the next start
  UserInfo* users = GetUserInfo();
  ASSERT_EQ(users->GetNumUsers(), 2);
  EXPECT_EQ(users->GetUserName(0), "Ann");
  EXPECT_EQ(users->GetUserName(1), "Cid");
  EXPECT_EQ(users->GetCurrentUserIndex(), 0);
  EXPECT_EQ(p.playerName, "Ann");
  EXPECT_EQ(p.numCoins, 6);
  EXPECT_EQ(p.levelId, 2);
  EXPECT_EQ(p.tools.size(), 1u);
  EXPECT_FLOAT_EQ(sound->GetGroupVolume(1001), std::sqrt(0.5f));
  ASSERT_TRUE(Lua("SetCurrentUser(1, true)"));
  EXPECT_EQ(p.playerName, "Cid");
  EXPECT_TRUE(p.HasTool("flashlight"));
  EXPECT_EQ(p.arts, std::vector<TString>{"cids"});
  EXPECT_EQ(p.levelId, 1);
  EXPECT_FLOAT_EQ(sound->GetGroupVolume(1001), std::sqrt(0.8f));
  EXPECT_FLOAT_EQ(sound->GetGroupVolume(1000), std::sqrt(0.5f));
  EXPECT_EQ(log.Count("Profiles:"), 0u);
}

TEST_F(Profiles, WritesWithoutACurrentPlayerChangeNothingAndAreLogged) {
  Users();
  Lua("CreateNewUser('Ann')");
  Lua("SetCurrentUser(-5, false)");
  EXPECT_EQ(GetUserInfo()->GetPrefs()->GetInt("curuser", 99), -1);  // never a negative index other than -1
  EXPECT_EQ(p.playerName, "");
  std::string before = testing_support::ReadFile(PrefsFile());
  log.Clear();
  ASSERT_TRUE(Lua("SaveGameUserInfo() ShowGalleryWnd(1) ToggleSoundMute() ChangeCurrentUserName('Eve') "
                  "SetgameIntroDone(1) SetgameNeedClearUserInfo(1)"));
  EXPECT_EQ(testing_support::ReadFile(PrefsFile()), before);
  EXPECT_EQ(log.Count("Profiles: no current player;"), 6u);
  EXPECT_EQ(GetUserInfo()->GetNumUsers(), 1);
  EXPECT_EQ(GetUserInfo()->GetPrefs()->GetData("LocInfoPass", nullptr, 0, -1), -1);
  DeleteUserInfo();  // the save at shut-down writes nothing either
  EXPECT_EQ(testing_support::ReadFile(PrefsFile()), before);
}

TEST_F(Profiles, StaleCurrentIndexMakesNoNamelessPlayer) {
  {
    TPrefs prefs;
    prefs.SetString("name", "Ann", 0);
    prefs.SetInt("curuser", 3, -1, 1);
  }
  UserInfo* users = Users();
  EXPECT_EQ(users->GetCurrentUserIndex(), -1);
  users->SaveProgress();
  users->ShowGalleryWnd(0);
  EXPECT_EQ(users->GetNumUsers(), 1);
  EXPECT_EQ(users->GetPrefs()->GetInt("curuser", 0), 3);  // left as stored
}

TEST_F(Profiles, NewPlayerOnAnEmptyStore) {
  UserInfo* users = Users();
  p.numCoins = 9;
  p.AddPhoto("x");
  users->CreateNewUser("Ann");
  EXPECT_EQ(users->GetCurrentUserIndex(), 0);
  EXPECT_FLOAT_EQ(sound->GetGroupVolume(1000), std::sqrt(0.5f));
  EXPECT_FLOAT_EQ(sound->GetGroupVolume(0), std::sqrt(0.5f));
  EXPECT_FLOAT_EQ(sound->GetGroupVolume(1002), std::sqrt(0.5f));
  EXPECT_FLOAT_EQ(sound->GetMasterVolume(), 1.0f);
  EXPECT_EQ(p.numCoins, 0);
  EXPECT_TRUE(p.photos.empty());
  EXPECT_EQ(p.playerName, "Ann");
  TPrefs onDisk;  // written through at once
  EXPECT_EQ(onDisk.GetInt("curuser", -1), 0);
  EXPECT_EQ(onDisk.GetString("name", "", 0), "Ann");
  for (const char* key : {"soundlevel", "musiclevel", "ambientlevel"}) EXPECT_EQ(onDisk.GetInt(key, 0, 0), 500);
  EXPECT_EQ(onDisk.GetInt("soundoff", 9, 0), 0);
  EXPECT_EQ(onDisk.GetInt("gotogallery", 9, 0), 0);
  // The progress flags' setters save at once.
  Lua("SetgameIntroDone(1)");
  EXPECT_EQ(TPrefs().GetInt("gameIntroDone", 0, 0), 1);
  Lua("SetgameNeedClearUserInfo(2)");
  EXPECT_EQ(TPrefs().GetInt("gameNeedClearUserInfo", 0, 0), 2);
  SetgameStartMsgDone(3);
  EXPECT_EQ(TPrefs().GetInt("gameStartMsgDone", 0, 0), 3);
  SetgameTutorMsgDone(4);
  EXPECT_EQ(TPrefs().GetInt("gameTutorMsgDone", 0, 0), 4);
}

TEST_F(Profiles, DeletingSelectsANeighbourAndIgnoresBadIndices) {
  UserInfo* users = Users();
  for (const char* name : {"A", "B", "C"}) users->CreateNewUser(name);
  Lua("DeleteUser(7) DeleteUser(-1)");
  EXPECT_EQ(users->GetNumUsers(), 3);
  EXPECT_EQ(log.Count("Profiles: DeleteUser("), 2u);
  users->DeleteUser(2);
  EXPECT_EQ(users->GetCurrentUserName(), "B");
  users->DeleteUser(0);
  EXPECT_EQ(users->GetCurrentUserName(), "B");
  users->DeleteUser(0);
  EXPECT_EQ(users->GetNumUsers(), 0);
  EXPECT_EQ(users->GetCurrentUserIndex(), -1);
  EXPECT_EQ(TPrefs().GetUserCount(), 0);  // the deletion reached the file
}

TEST_F(Profiles, NamesInUseAndValidNames) {
  UserInfo* users = Users();
  users->CreateNewUser("Ann");
  users->CreateNewUser("Bob");
  Lua("a = IsNameInUse('ann') b = IsNameValid('   ') c = IsNameValid(' a') d = IsNameValid('')");
  EXPECT_EQ(Global("a"), "true");
  EXPECT_EQ(Global("b"), "false");
  EXPECT_EQ(Global("c"), "true");
  EXPECT_EQ(Global("d"), "false");
  EXPECT_TRUE(users->IsNameInUseExceptCurrent("ann", true));
  EXPECT_FALSE(users->IsNameInUseExceptCurrent("BOB", true));
  EXPECT_TRUE(users->IsNameInUseExceptCurrent("BOB", false));
  EXPECT_FALSE(users->IsNameInUse("Cid"));
  // The main table's two-argument form.
  Lua("e = IsNameInUse('bob', true)");
  EXPECT_EQ(Global("e"), "true");  // the profile manager's one-argument form was bound later
  globals = std::make_unique<TLuaBindings>(script->GetState());
  BindGameDataGlobals(*globals);
  Lua("e = IsNameInUse('bob', true) f = IsNameInUse('ann', true)");
  EXPECT_EQ(Global("e"), "false");
  EXPECT_EQ(Global("f"), "true");
  // Names are kept trimmed, runs of blanks made one space, and compared so:
  // "  ann  " is Ann's name, a tab alone is no name.
  Lua("g = IsNameInUse('  ann  ') h = IsNameValid('\\t ') CreateNewUser('  Cid \\t  Lee  ')");
  EXPECT_EQ(Global("g"), "true");
  EXPECT_EQ(Global("h"), "false");
  EXPECT_EQ(users->GetUserName(2), "Cid Lee");
  EXPECT_EQ(p.playerName, "Cid Lee");
  EXPECT_EQ(TPrefs().GetString("name", "", 2), "Cid Lee");  // the file on disk
  EXPECT_TRUE(users->IsNameInUse("cid  lee "));
  EXPECT_FALSE(users->IsNameInUse("Cid Le"));
  Lua("k = IsNameInUse(' CID  LEE', true)");
  EXPECT_EQ(Global("k"), "false");  // the current player's own name
  EXPECT_EQ(UserInfo::NormalizedName("\n Ann\r\n"), "Ann");
  // So with the blanks of Unicode a name field takes: no-break, ideographic.
  users->CreateNewUser("\u00a0Dee\u3000\u2002Fox\u00a0");
  EXPECT_EQ(users->GetUserName(3), "Dee Fox");
  EXPECT_TRUE(users->IsNameInUse("dee\u00a0fox"));
  EXPECT_FALSE(users->IsNameValid("\u3000\u00a0"));
  // Letter case aside in every script the name field takes: Élodie's and
  // Жанна's names in other cases are theirs; another letter is another name.
  users->CreateNewUser("Élodie");
  users->CreateNewUser("Жанна");
  EXPECT_TRUE(users->IsNameInUse("élodie"));
  EXPECT_TRUE(users->IsNameInUse(" ÉLODIE"));
  EXPECT_TRUE(users->IsNameInUse("жАННА"));
  EXPECT_FALSE(users->IsNameInUse("Elodie"));
  EXPECT_FALSE(users->IsNameInUse("Жанн"));
}

TEST_F(Profiles, VolumesModesFullScreenMuteAndGallery) {
  EXPECT_EQ(UserInfo::VolumeOfLevel(50), 0.0f);
  EXPECT_EQ(UserInfo::VolumeOfLevel(99), 0.0f);
  EXPECT_FLOAT_EQ(UserInfo::VolumeOfLevel(100), std::sqrt(0.1f));
  EXPECT_FLOAT_EQ(UserInfo::VolumeOfLevel(1000), 1.0f);
  UserInfo* users = Users();
  users->SetCurrentGameMode(1);
  Lua("SetCurrentGameMode(2) SetCurrentGameMode(-1)");
  EXPECT_EQ(users->GetCurrentGameMode(), 1);
  Lua("r = ToggleFullScreen()");
  EXPECT_EQ(Global("r"), "false");  // no display: nothing changes
  EXPECT_EQ(users->GetPrefs()->GetInt("fullscreen", 7), 7);

  users->CreateNewUser("Ann");
  Lua("g = NeedShowGallery()");
  EXPECT_EQ(Global("g"), "0");  // no photos yet
  p.AddPhoto("ph1");
  Lua("g = NeedShowGallery()");
  EXPECT_EQ(Global("g"), "0");  // a new player's "gotogallery"
  Lua("ShowGalleryWnd(1) g = NeedShowGallery()");
  EXPECT_EQ(Global("g"), "1");
  EXPECT_EQ(TPrefs().GetInt("gotogallery", 0, 0), 1);  // on disk at once

  Lua("ToggleSoundMute()");
  EXPECT_EQ(TPrefs().GetInt("soundoff", 0, 0), 1);
  EXPECT_EQ(sound->GetMasterVolume(), 0.0f);
  users->ApplyUserVolumes();
  EXPECT_EQ(sound->GetMasterVolume(), 0.0f);
  Lua("ToggleSoundMute()");
  EXPECT_EQ(TPrefs().GetInt("soundoff", 1, 0), 0);
  EXPECT_EQ(sound->GetMasterVolume(), 1.0f);
}

TEST_F(Profiles, QuitToMainMenuLeavesTheScreen) {
  Users();
  for (const char* name : {"one", "two", "three"}) {
    auto* dialog = new TModalWindow();
    dialog->SetName(name);
    wm->PushModal(dialog);
  }
  ASSERT_EQ(wm->GetModalStack().size(), 4u);
  Lua("QuitToMainMenu()");
  wm->DeletePendingWindows();
  EXPECT_EQ(wm->GetModalStack().size(), 1u);
  EXPECT_EQ(wm->GetTopModal(), wm->GetRootWindow());
  Lua("QuitToMainMenu()");
  EXPECT_EQ(wm->GetModalStack().size(), 1u);
}

TEST_F(Profiles, SwitchingCarriesTheNewPlayersNameAndAbsentKeysReadTheirDefaults) {
  UserInfo* users = Users();
  users->CreateNewUser("Ann");
  users->CreateNewUser("Bob");
  users->SetCurrentUser(0, true);
  EXPECT_EQ(p.playerName, "Ann");
  users->SetCurrentUser(1, false);
  EXPECT_EQ(p.playerName, "Bob");
  EXPECT_EQ(IsNeedGoToMiniGame(), 0);  // Bob's progress was saved when Ann was chosen
  users->ChangeCurrentUserName("Rob");
  EXPECT_EQ(p.playerName, "Rob");
  EXPECT_EQ(users->GetUserName(1), "Rob");
  EXPECT_EQ(TPrefs().GetString("name", "", 1), "Rob");
  // A player whose progress keys were never written: "mLocationType" reads 1.
  users->GetPrefs()->SetString("name", "Cid", 2, 1);
  users->SetCurrentUser(2, false);
  EXPECT_EQ(p.playerName, "Cid");
  EXPECT_EQ(p.levelId, 1);
  EXPECT_EQ(p.firstRun, 1);
  EXPECT_EQ(p.mLocationType, 1);
  EXPECT_EQ(IsNeedGoToMiniGame(), 1);
}

// Numbers in a save beyond any game's range are read within it (and logged),
// so that finding a coin or moving on cannot overflow.
TEST_F(Profiles, CountsAndIdsOfASaveAreKeptWithinRange) {
  Users()->CreateNewUser("Ann");
  DeleteUserInfo();
  {
    TPrefs prefs;
    prefs.SetString("numCoins", "2147483647", 0);
    prefs.SetString("levelId", "-99999999999999", 0);
    prefs.SetString("locationId", "2147483647", 0);
    prefs.SetString("chapterId", "7", 0, 1);
  }
  Users();
  EXPECT_EQ(p.numCoins, kProgressIntLimit);
  EXPECT_EQ(p.levelId, -kProgressIntLimit);
  EXPECT_EQ(p.locationId, kProgressIntLimit);
  EXPECT_EQ(p.chapterId, 7);
  EXPECT_TRUE(log.Contains("Profiles: numCoins 2147483647 of the save is out of range; read as 1000000000"));
  p.AddCoin();
  EXPECT_EQ(p.numCoins, kProgressIntLimit + 1);
  GetUserInfo()->GetPrefs()->SetString("numCoins", "-5", 0);
  GetUserInfo()->SetCurrentUser(0, false);
  EXPECT_EQ(p.numCoins, 0);  // never fewer than none
  // The sound switch of a save holding the largest number.
  GetUserInfo()->GetPrefs()->SetString("soundoff", "2147483647", 0);
  GetUserInfo()->ToggleSoundMute();
  EXPECT_EQ(GetUserInfo()->GetPrefs()->GetInt("soundoff", -1, 0), 0);
}

// A save that cannot be read keeps the player, is kept aside, logged once and
// told once.
class UnreadableSave : public Profiles {
protected:
  void MakePlayer() {
    UserInfo* users = Users();
    users->CreateNewUser("Ann");
    users->GetPrefs()->SetInt("soundlevel", 300, 0, 1);
    p.AddTool("knifetool", 2);
    p.FindLocationInfo("loc11").coins = {1, 2};
    p.numCoins = 2;
    p.levelId = 2;
    users->SaveProgress();
    DeleteUserInfo();
  }
  std::string Blob() {
    TPrefs prefs;
    int length = 0;
    prefs.GetData("LocInfoPass", nullptr, 0, 0, &length);
    std::string bytes(size_t(length), '\0');
    prefs.GetData("LocInfoPass", bytes.data(), length, 0);
    return bytes;
  }
  void Store(const std::string& bytes) {
    TPrefs prefs;
    prefs.SetData("LocInfoPass", bytes.data(), int(bytes.size()), 0, 1);
  }
  // Restarts and checks what every kind of unreadable save must leave.
  void ExpectKeptAside(const std::string& stored, const char* suffix,
                       const std::string& line = "Profiles: the saved game of player \"Ann\"") {
    log.Clear();
    UserInfo* users = Users();
    EXPECT_EQ(users->GetNumUsers(), 1);
    EXPECT_EQ(users->GetCurrentUserName(), "Ann");
    EXPECT_EQ(p.playerName, "Ann");
    EXPECT_FLOAT_EQ(sound->GetGroupVolume(1000), std::sqrt(0.3f));
    EXPECT_TRUE(p.SameProgress(GameProgress()));  // a new game
    EXPECT_EQ(log.Count("Profiles: the saved game of player \"Ann\""), 1u);
    EXPECT_EQ(log.Count(line), 1u);
    // Kept aside and the new game saved at once, before the shut-down's save.
    const TPrefs onDisk;
    int length = 0;
    ASSERT_NE(onDisk.GetData(TString("LocInfoPass") + suffix, nullptr, 0, 0, &length), -1);
    std::string kept(size_t(length), '\0');
    onDisk.GetData(TString("LocInfoPass") + suffix, kept.data(), length, 0);
    EXPECT_EQ(kept, stored);
    EXPECT_EQ(onDisk.GetInt(TString("levelId") + suffix, 0, 0), 2);
    EXPECT_TRUE(gametest::SavedProgress().SameProgress(GameProgress()));
    // The player is told once a screen stands, once.
    Lua("gTold = '' function ShowMiniTutor(key) gTold = gTold .. key .. ';' end");
    TellNoticesWhenDue();
    TellNoticesWhenDue();
    EXPECT_EQ(Global("gTold"), "infosaveunreadable;");
    DeleteUserInfo();
    log.Clear();
    Users();  // nothing more to report
    TellNoticesWhenDue();
    EXPECT_EQ(Global("gTold"), "infosaveunreadable;");
    EXPECT_EQ(log.Count("Profiles:"), 0u);
    EXPECT_EQ(GetUserInfo()->GetCurrentUserName(), "Ann");
  }
};

TEST_F(UnreadableSave, Truncated) {
  MakePlayer();
  std::string cut = Blob().substr(0, 40);
  Store(cut);
  ExpectKeptAside(cut, ".damaged", "is damaged (shown infos: cut short at byte 37); it is kept as \"LocInfoPass.damaged\"");
}

TEST_F(UnreadableSave, BitFlippedCount) {
  MakePlayer();
  std::string flipped = Blob();
  flipped[7] = char(flipped[7] ^ 0x40);  // the tools count's top byte
  Store(flipped);
  ExpectKeptAside(flipped, ".damaged");
}

TEST_F(UnreadableSave, LongerThanItsContents) {
  MakePlayer();
  std::string big = Blob() + std::string(8192, 'x');
  Store(big);
  ExpectKeptAside(big, ".damaged");
}

TEST_F(UnreadableSave, AnotherVersion) {
  MakePlayer();
  std::string old = Blob();
  MainXml(R"(<Game><Common NumSaveVer="2"/></Game>)");
  ExpectKeptAside(old, ".v1",
                  "cannot be read by this version (save version 1, this game reads version 2); it is kept as "
                  "\"LocInfoPass.v1\" and the player starts a new game");
}

// The file itself cannot be read, nor its backup: the store starts empty,
// both files are kept aside, and the player, about to be asked for a name as
// at a first start, is told once why.
TEST_F(UnreadableSave, APreferencesFileThatCannotBeReadIsToldOnce) {
  MakePlayer();
  dir.Write("user/prefs.dat", "KPRF garbage");
  dir.Write("user/prefs.dat.bak", "KPRF garbage too");
  log.Clear();
  Lua("gTold = '' function ShowMiniTutor(key) gTold = gTold .. key .. ';' end");
  UserInfo* users = Users();
  EXPECT_EQ(users->GetNumUsers(), 0);
  EXPECT_EQ(testing_support::ReadFile(PrefsFile() + ".damaged"), "KPRF garbage");
  EXPECT_EQ(testing_support::ReadFile(PrefsFile() + ".bak.damaged"), "KPRF garbage too");
  TellNoticesWhenDue();
  TellNoticesWhenDue();
  EXPECT_EQ(Global("gTold"), "infoprefsunreadable;");
  DeleteUserInfo();
  Users();  // the file reads again: nothing more to tell
  TellNoticesWhenDue();
  EXPECT_EQ(Global("gTold"), "infoprefsunreadable;");
  // A player's own save that cannot be read is told with its own text, and
  // what another copy kept beside the file, at every start while it is there.
  GetUserInfo()->CreateNewUser("Ann");
  Store("cut short");
  DeleteUserInfo();
  dir.Write("user/prefs.dat.conflict", "another copy's");
  Users();
  TellNoticesWhenDue();
  EXPECT_EQ(Global("gTold"), "infoprefsunreadable;infosaveunreadable;infoprefsconflict;");
  DeleteUserInfo();
  Users();
  TellNoticesWhenDue();
  TellNoticesWhenDue();
  EXPECT_EQ(Global("gTold"), "infoprefsunreadable;infosaveunreadable;infoprefsconflict;infoprefsconflict;");
}

TEST_F(UnreadableSave, LoadProgressOfAnotherVersionKeepsTheKeysAndEmptiesTheLists) {
  MakePlayer();
  UserInfo* users = Users();
  MainXml(R"(<Game><Common NumSaveVer="5"/></Game>)");
  TString why;
  EXPECT_FALSE(users->LoadProgress(&why));
  EXPECT_EQ(p.levelId, 2);
  EXPECT_EQ(p.numCoins, 2);
  EXPECT_TRUE(p.tools.empty());
  EXPECT_TRUE(p.locationInfos.empty());
  EXPECT_EQ(why, "save version 1, this game reads version 5");
}

// A long game's save passes 8192 bytes: it is written whole at once and the
// next start reads it back.
TEST_F(UnreadableSave, ProgressOver8192BytesIsSavedWholeAndReadBack) {
  MakePlayer();
  UserInfo* users = Users();
  for (int i = 0; i < 64; ++i) {
    LocationInfo& info = p.FindLocationInfo(TString::Printf("location%02d", i));
    info.passed = 1;
    info.SetStartDateTime("03-14-2026", "20:00");
    info.SetPassDateTime("03-14-2026", "20:30");
    for (int id = 0; id < 8; ++id) info.AddItemId(id);
  }
  const GameProgress saved = p;
  EXPECT_TRUE(users->SaveProgress());
  std::string blob = Blob();  // the file on disk, read at once
  EXPECT_GT(blob.size(), 8192u);
  EXPECT_EQ(blob.size(), WriteSaveBlob(saved, 1).size());
  DeleteUserInfo();
  p.Reset();
  log.Clear();
  Users();
  EXPECT_TRUE(p.SameProgress(saved));
  EXPECT_EQ(log.Count("Profiles:"), 0u);
}

// A save that cannot be written: the file keeps the last save, the progress
// stays in memory, each failure is logged, the player is told once (when a
// screen stands), and the next save once the disk takes it writes it all.
TEST_F(Profiles, ASaveThatCannotBeWrittenIsKeptToldOnceAndWrittenLater) {
  UserInfo* users = Users();
  users->CreateNewUser("Ann");
  p.levelId = 2;
  ASSERT_TRUE(users->SaveProgress());
  const std::string before = testing_support::ReadFile(PrefsFile());
  Lua("gTold = '' function ShowMiniTutor(key) gTold = gTold .. key .. ';' end");
  {
    gametest::TFullDisk full;
    p.levelId = 3;
    p.FindLocationInfo("loc13").AddItemId(4);
    EXPECT_FALSE(users->SaveProgress());
    EXPECT_TRUE(users->IsSaveFailing());
    TellNoticesWhenDue();
    TellNoticesWhenDue();
    p.numCoins = 5;
    EXPECT_FALSE(users->SaveProgress());
    TellNoticesWhenDue();
  }
  EXPECT_EQ(testing_support::ReadFile(PrefsFile()), before);
  EXPECT_EQ(log.Count("Profiles: the progress of player \"Ann\" could not be saved; it is kept and saved at the next chance"), 2u);
  EXPECT_EQ(log.Count("Prefs: saving user:prefs.dat failed (cannot write the temporary file)"), 2u);
  EXPECT_EQ(Global("gTold"), "infosavefailed;");
  EXPECT_EQ(p.levelId, 3);  // still in memory

  // The disk takes writes again: the next save writes everything.
  const GameProgress kept = p;
  EXPECT_TRUE(users->SaveProgress());
  EXPECT_FALSE(users->IsSaveFailing());
  EXPECT_EQ(log.Count("Profiles: the progress of player \"Ann\" is saved again"), 1u);
  TPrefs fresh;
  EXPECT_EQ(fresh.GetInt("levelId", 0, 0), 3);
  EXPECT_EQ(fresh.GetInt("numCoins", 0, 0), 5);
  int length = 0;
  ASSERT_NE(fresh.GetData("LocInfoPass", nullptr, 0, 0, &length), -1);
  std::vector<uint8_t> blob(static_cast<size_t>(length));
  fresh.GetData("LocInfoPass", blob.data(), length, 0);
  GameProgress read;
  EXPECT_EQ(ReadSaveBlob(blob.data(), blob.size(), 1, read), TSaveRead::kOk);
  EXPECT_EQ(read.locationInfos, kept.locationInfos);
  // Told once in the manager's life, whatever fails later. (Progress that
  // the file holds already is no write, and cannot fail.)
  {
    gametest::TFullDisk full;
    EXPECT_TRUE(users->SaveProgress());
    p.numCoins = 6;
    EXPECT_FALSE(users->SaveProgress());
    TellNoticesWhenDue();
  }
  EXPECT_EQ(Global("gTold"), "infosavefailed;");

  // The notice as a pop-up of its own over the screen: closed with its
  // screen by a screen change, it was not seen and comes again, never over
  // the fade; closed by the player, it was.
  users = Users();
  Lua("gTold = '' function ShowMiniTutor(key) gTold = gTold .. key .. ';' PushModal('notice') end");
  Lua("PushModal('screen')");
  {
    gametest::TFullDisk full;
    p.numCoins = 7;
    EXPECT_FALSE(users->SaveProgress());
  }
  TellNoticesWhenDue();
  ASSERT_EQ(wm->GetTopModal()->GetName(), "notice");
  EXPECT_EQ(wm->GetTopModal()->GetParent()->GetName(), "screen");
  TellNoticesWhenDue();
  EXPECT_EQ(Global("gTold"), "infosavefailed;");
  Lua("PopModal('screen') PushModal('sShadow')");  // the screen change
  TellNoticesWhenDue();
  EXPECT_EQ(Global("gTold"), "infosavefailed;");
  Lua("PopModal('sShadow') PushModal('next')");
  TellNoticesWhenDue();
  EXPECT_EQ(Global("gTold"), "infosavefailed;infosavefailed;");
  EXPECT_EQ(wm->GetTopModal()->GetParent()->GetName(), "next");
  Lua("PopModal('notice')");  // the player's OK
  TellNoticesWhenDue();
  {
    gametest::TFullDisk full;
    p.numCoins = 8;
    EXPECT_FALSE(users->SaveProgress());
  }
  TellNoticesWhenDue();
  EXPECT_EQ(Global("gTold"), "infosavefailed;infosavefailed;");

  // No user folder can be made at all (a file stands in the way): told at
  // the start in words of its own, once; the saves that fail after it, the
  // new player's among them, add nothing.
  Lua("PopModal('notice') gTold = '' function ShowMiniTutor(key) gTold = gTold .. key .. ';' end");
  SetSetting("userfolder", TString(dir.Write("blocked", "a file") + "/user"));
  RefreshFileLayer();
  users = Users();
  EXPECT_TRUE(users->IsSaveFailing());
  TellNoticesWhenDue();
  users->CreateNewUser("Bea");
  p.numCoins = 9;
  EXPECT_FALSE(users->SaveProgress());
  TellNoticesWhenDue();
  EXPECT_EQ(Global("gTold"), "infonouserfolder;");
  EXPECT_EQ(testing_support::ReadFile(dir.File("blocked")), "a file");
}

}  // namespace
