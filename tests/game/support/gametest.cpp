#include "tests/game/support/gametest.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include "audio/soundmanager.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/data/savefile.h"
#include "game/shell/data/userinfo.h"
#include "platform/folders.h"
#include "platform/gamestate.h"
#include "platform/prefs.h"
#include "platform/settings.h"
#include "script/bind.h"
#include "tests/support/luaglobal.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

namespace gametest {

namespace {
void EmptyGameData() {
  GetMainXml().Clear();
  GetInfosXml().Clear();
  LoadLevelModel();
  LoadToolList();
}
}  // namespace

TGameDataFixture::TGameDataFixture() {
  SetSetting("userfolder", TString(dir.Path() + "/user"));
  SetSetting("encryptionkey", "tosvilqeZZZZ");
  RefreshFileLayer();
  EmptyGameData();
  GetGameProgress().Reset();
  GetGameProgress().playerName = TString();
}

TGameDataFixture::~TGameDataFixture() {
  EmptyGameData();
  GetGameProgress().Reset();
  GetGameProgress().playerName = TString();
  SetSetting("userfolder", "");
  SetSetting("encryptionkey", "");
  RefreshFileLayer();
}

TGameLuaFixture::TGameLuaFixture() : sound(std::make_unique<TSoundManager>(false)) {
  wm = new TWindowManager();
  wm->SetRootWindow(new TScreen());
  script = new TWindowScript();
  wm->SetScript(script);
  globals = std::make_unique<TLuaBindings>(script->GetState());
  BindGameDataGlobals(*globals);
}

TGameLuaFixture::~TGameLuaFixture() {
  DeleteUserInfo();
  globals.reset();
  delete script;
  delete wm;
  TGameState::DestroyInstance();
}

bool TGameLuaFixture::Lua(const std::string& text) { return script->DoLuaString(text, "a test"); }

std::string TGameLuaFixture::Global(const char* name) {
  return testing_support::LuaGlobalText(script->GetState(), name);
}

UserInfo* TGameLuaFixture::Users() {
  RecreateUserInfo();
  return GetUserInfo();
}

void TGameDataFixture::MainXml(const std::string& text) {
  dir.Write("main.xml", text);
  LoadMainXml();
}

void TGameDataFixture::LevelFile(const std::string& name, const std::string& text) {
  dir.Write("levels/" + name + ".xml", text);
}

GameProgress SavedProgress(int user) {
  const TPrefs prefs;
  GameProgress saved;
  const struct {
    const char* key;
    int GameProgress::*field;
  } keys[] = {{"levelId", &GameProgress::levelId},
              {"chapterId", &GameProgress::chapterId},
              {"locationId", &GameProgress::locationId},
              {"numCoins", &GameProgress::numCoins},
              {"firstRun", &GameProgress::firstRun},
              {"gameIntroDone", &GameProgress::gameIntroDone},
              {"gameStartMsgDone", &GameProgress::gameStartMsgDone},
              {"gameTutorMsgDone", &GameProgress::gameTutorMsgDone},
              {"gameFinished", &GameProgress::gameFinished},
              {"mLocationType", &GameProgress::mLocationType},
              {"gameNeedClearUserInfo", &GameProgress::gameNeedClearUserInfo}};
  for (const auto& k : keys) saved.*k.field = prefs.GetInt(k.key, -1, user);
  int length = 0;
  if (prefs.GetData("LocInfoPass", nullptr, 0, user, &length) == -1) {
    ADD_FAILURE() << "player " << user << " has no saved progress on disk";
    return saved;
  }
  std::vector<uint8_t> blob(size_t(length) + 1);
  prefs.GetData("LocInfoPass", blob.data(), length, user);
  TString why;
  if (ReadSaveBlob(blob.data(), size_t(length), uint32_t(GetSaveVersion()), saved, &why) != TSaveRead::kOk)
    ADD_FAILURE() << "the saved progress of player " << user << " cannot be read: " << why.c_str();
  return saved;
}

std::string LevelXml(const std::vector<std::vector<std::string>>& coinsPerSpot, int allnum) {
  std::string xml = "<Level bkg=\"bg\"><Pict>";
  int n = 0;
  for (const auto& spot : coinsPerSpot) {
    xml += "<HotSpot>";
    for (const std::string& coin : spot)
      xml += "<Item name=\"i" + std::to_string(++n) + "\"" + (coin.empty() ? "" : " coin=\"" + coin + "\"") + "/>";
    xml += "</HotSpot>";
  }
  return xml + "</Pict><List allnum=\"" + std::to_string(allnum) + "\"/></Level>";
}

}  // namespace gametest
