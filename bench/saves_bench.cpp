// Saves and game data, each pair timed side by side, seven runs each with the
// sides alternating, each figure the median.
//
// - A save of a player with ten location records as one write of the
//   preferences file, against the same keys written one file write each:
//   "ratio save-one-write/save-write-per-key".
// - Start-up's reading of main.xml with its level model (every level file
//   read once) from the demo data, against parsing the same files alone
//   (main.xml and each level file read into an XML document, nothing taken
//   from them): "ratio level-model/xml-parse" is what the model adds.
//
// The timed work is checked: the two save sides write into folders of their
// own, the write per key starting from the file the one write left and
// writing the values it wrote; after the timing the two "prefs.dat" are
// compared byte for byte behind the cipher (each write draws a fresh initial
// vector, so the enciphered bytes always differ): their deciphered contents,
// as the plain form, must be the same bytes. Level model: every timed load
// must give the demo's levels, and the XML side parse main.xml and each level
// file the model names, every one with a root element. A wrong result fails
// the program with a line saying what differs.
#include <tinyxml.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "bench/compare.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/data/userinfo.h"
#include "platform/folders.h"
#include "platform/prefs.h"
#include "platform/settings.h"

namespace {

const char* const kKeys[] = {"levelId", "chapterId", "locationId", "numCoins", "firstRun", "gameIntroDone",
                             "gameStartMsgDone", "gameTutorMsgDone", "gameFinished", "mLocationType",
                             "gameNeedClearUserInfo"};

struct TSaveSetup {
  // A new player "Ann", or (`from`) the players of that folder's files.
  explicit TSaveSetup(const std::string& from = std::string()) {
    char pattern[] = "/tmp/lantern-bench-saves-XXXXXX";
    folder = mkdtemp(pattern);
    if (!from.empty())
      std::filesystem::copy(from, folder, std::filesystem::copy_options::recursive |
                                              std::filesystem::copy_options::overwrite_existing);
    SetSetting("userfolder", TString(folder));
    RefreshFileLayer();
    users = new UserInfo();
    if (from.empty()) users->CreateNewUser("Ann");
    GameProgress& p = GetGameProgress();
    for (int i = 0; i < 10; ++i) {
      LocationInfo& info = p.FindLocationInfo(TString::Printf("loc%d", i));
      info.coins = {1, 2};
      info.passed = 1;
      for (int j = 0; j < 8; ++j) info.AddItemId(j);
    }
    for (const char* tool : {"knifetool", "flashlight", "photocamera"}) p.AddTool(tool, 0);
  }
  // Makes the folder the user folder again (the other side may have taken it).
  void Enter() const {
    SetSetting("userfolder", TString(folder));
    RefreshFileLayer();
  }
  ~TSaveSetup() {
    delete users;
    std::filesystem::remove_all(folder);
    SetSetting("userfolder", "");
    RefreshFileLayer();
  }
  std::string folder;
  UserInfo* users;
};

// What the one write stores: the progress keys' values and the blob.
struct TSaved {
  std::map<std::string, int> ints;
  std::string blob;
};

TSaved ReadSaved(TPrefs* prefs, int user) {
  TSaved saved;
  for (const char* key : kKeys) saved.ints[key] = prefs->GetInt(key, 0, user);
  int length = 0;
  prefs->GetData("LocInfoPass", nullptr, 0, user, &length);
  saved.blob.resize(size_t(std::max(length, 0)));
  if (length > 0) prefs->GetData("LocInfoPass", &saved.blob[0], length, user);
  return saved;
}

// The same keys and values stored one file write each.
void WritePerKey(TPrefs* prefs, int user, const TSaved& saved) {
  for (const char* key : kKeys) prefs->SetInt(key, saved.ints.at(key), user, 1);
  prefs->SetData("LocInfoPass", saved.blob.data(), int(saved.blob.size()), user, 1);
}

// The deciphered content of the folder's prefs.dat in the plain form; empty
// when there is none or it does not read.
std::string PlainPrefs(const std::string& folder) {
  std::ifstream in(folder + "/prefs.dat", std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  const std::string file = bytes.str();
  TPrefsData data;
  if (file.empty() || !ParsePrefs(reinterpret_cast<const uint8_t*>(file.data()), file.size(), kDefaultPrefsKey, data))
    return std::string();
  return PrefsToXml(data);
}

// Both save sides, made once and timed as they are; the per-key side starts
// from the file the one write left.
struct TSaveSides {
  TSaveSides() {
    bench::Require(one.users->SaveProgress(), "the progress could not be saved");
    saved = ReadSaved(one.users->GetPrefs(), 0);
    perKey = std::make_unique<TSaveSetup>(one.folder);
    bench::Require(!saved.blob.empty(), "the save holds no progress blob");
  }
  // Seconds per save of each side (its folder the user folder meanwhile).
  double TimeOne() {
    one.Enter();
    return bench::TimePerCall([&] { bench::Require(one.users->SaveProgress(), "the progress could not be saved"); },
                              0.1);
  }
  double TimePerKey() {
    perKey->Enter();
    return bench::TimePerCall([&] { WritePerKey(perKey->users->GetPrefs(), 0, saved); }, 0.1);
  }
  // The two files must hold the same bytes behind the cipher.
  void Check() {
    const std::string a = PlainPrefs(one.folder), b = PlainPrefs(perKey->folder);
    bench::Require(!a.empty() && !b.empty(), "a side left no readable prefs.dat");
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
    bench::Require(a == b, "the sides' prefs.dat differ behind the cipher from byte %zu (%zu and %zu bytes)", at,
                   a.size(), b.size());
    std::printf("checked: after the timing both save sides hold the same prefs.dat behind the cipher, byte for byte "
                "(%zu bytes in the plain form, %zu bytes of progress)\n",
                a.size(), saved.blob.size());
  }
  TSaveSetup one;
  TSaved saved;
  std::unique_ptr<TSaveSetup> perKey;
};

void CompareSaves() {
  TSaveSides sides;
  bench::TComparison c = bench::Alternate([&] { return sides.TimeOne(); }, [&] { return sides.TimePerKey(); });
  sides.Check();
  bench::PrintMedians("a save", c, "one write", "a write per key", 1e6, "us");
  bench::PrintRatio("save-one-write/save-write-per-key", c.Ratio());
}

// The level files the model names, each once.
std::vector<TString> LevelFiles() {
  std::set<std::string> seen;
  std::vector<TString> files;
  for (const GameLevel& level : GetLevels())
    for (const GameChapter& chapter : level.chapters)
      for (const GameLocation& loc : chapter.locations)
        if (seen.insert(loc.fileName.str()).second) files.push_back("levels/" + loc.fileName + ".xml");
  return files;
}

void CompareLevelModel() {
  bench::Require(chdir(LANTERN_BENCH_SOURCE) == 0, "no source folder");
  RefreshFileLayer();
  LoadMainXml();
  const std::vector<TString> files = LevelFiles();
  const size_t levels = GetLevels().size();
  bench::Require(levels >= 2 && !files.empty(), "main.xml gave %zu levels and %zu level files", levels, files.size());
  // Files the model names but the demo lacks (a mini-game's place) are tried on both sides.
  size_t present = 0;
  for (const TString& file : files) {
    TiXmlDocument doc;
    LoadXmlFile(doc, file);
    present += doc.RootElement() != nullptr;
  }
  bench::Require(present > 0, "none of the %zu level files reads", files.size());
  size_t loads = 0, wrongLoads = 0, passes = 0, wrongPasses = 0;
  auto model = [&] {
    LoadMainXml();
    ++loads;
    wrongLoads += GetLevels().size() != levels;
  };
  auto xml = [&] {
    TiXmlDocument main;
    LoadXmlFile(main, "main.xml");
    size_t rooted = main.RootElement() != nullptr;
    for (const TString& file : files) {
      TiXmlDocument doc;
      LoadXmlFile(doc, file);
      rooted += doc.RootElement() != nullptr;
    }
    ++passes;
    wrongPasses += rooted != present + 1;
  };
  bench::TComparison c = bench::Alternate([&] { return bench::TimePerCall(model, 0.1); },
                                          [&] { return bench::TimePerCall(xml, 0.1); });
  bench::Require(wrongLoads == 0, "%zu of %zu timed loads of main.xml gave other levels", wrongLoads, loads);
  bench::Require(wrongPasses == 0, "%zu of %zu timed XML passes did not read main.xml and the %zu level files",
                 wrongPasses, passes, present);
  std::printf("checked: %zu timed loads each gave the demo's %zu levels; %zu timed XML passes each read main.xml and "
              "the %zu level files there are (of %zu named)\n",
              loads, levels, passes, present, files.size());
  bench::PrintMedians("main.xml and its level files", c, "level model", "XML parsed alone", 1e6, "us");
  bench::PrintRatio("level-model/xml-parse", c.Ratio());
}

}  // namespace

int main() {
  SetSetting("encryptionkey", "");  // the default key
  CompareSaves();
  CompareLevelModel();
  return 0;
}
