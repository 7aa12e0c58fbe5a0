#include "tests/game/support/gametest.h"

#include <tinyxml.h>

#include "game/shell/gamesettings.h"
#include "platform/settings.h"

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
  EmptyGameData();
}

TGameDataFixture::~TGameDataFixture() {
  EmptyGameData();
  SetSetting("userfolder", "");
}

void TGameDataFixture::MainXml(const std::string& text) {
  dir.Write("main.xml", text);
  LoadMainXml();
}

void TGameDataFixture::LevelFile(const std::string& name, const std::string& text) {
  dir.Write("levels/" + name + ".xml", text);
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
