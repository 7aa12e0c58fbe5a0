// Saves and game data.
//
// - A save of a player with ten location records as one write of the
//   preferences file, against the same keys written one file write each:
//   "ratio save-one-write/save-write-per-key".
// - Start-up's reading of main.xml with its level model (every level file
//   read once) from the demo data, against the 12 ms frame interval:
//   "ratio level-model/frame-interval".
//
// Before anything is timed the two save sides run once each in a folder of
// their own, the write per key starting from the file the one write left and
// writing the values it wrote, and the two "prefs.dat" are compared byte for
// byte behind the cipher (each write draws a fresh initial vector, so the
// enciphered bytes always differ): their deciphered contents, as the plain
// form, must be the same bytes. Level model: main.xml must give the demo's
// levels. A wrong result fails the program with a line saying what differs.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "bench/compare.h"
#include "bench/recorder.h"
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

// The values the one write stored, once it was checked that both sides
// leave the same file.
TSaved gSaved;

void CheckSameFiles() {
  std::string one, perKey;
  TSaveSetup first;
  bench::Require(first.users->SaveProgress(), "the progress could not be saved");
  gSaved = ReadSaved(first.users->GetPrefs(), 0);
  one = PlainPrefs(first.folder);
  {
    TSaveSetup second(first.folder);
    WritePerKey(second.users->GetPrefs(), 0, gSaved);
    perKey = PlainPrefs(second.folder);
  }
  bench::Require(!one.empty() && !perKey.empty() && !gSaved.blob.empty(),
                 "a side left no readable prefs.dat, or no progress blob");
  size_t at = 0;
  while (at < one.size() && at < perKey.size() && one[at] == perKey[at]) ++at;
  bench::Require(one == perKey, "the sides' prefs.dat differ behind the cipher from byte %zu (%zu and %zu bytes)",
                 at, one.size(), perKey.size());
  std::printf("checked: both save sides left the same prefs.dat behind the cipher, byte for byte (%zu bytes in "
              "the plain form, %zu bytes of progress)\n", one.size(), gSaved.blob.size());
}

void BM_SaveOneWrite(benchmark::State& state) {
  TSaveSetup setup;
  for (auto _ : state)
    if (!setup.users->SaveProgress()) std::abort();
}

void BM_SaveWritePerKey(benchmark::State& state) {
  TSaveSetup setup;
  TPrefs* prefs = setup.users->GetPrefs();
  for (auto _ : state) WritePerKey(prefs, 0, gSaved);
}

void BM_LoadMainXml(benchmark::State& state) {
  if (chdir(LANTERN_BENCH_SOURCE) != 0) std::abort();
  RefreshFileLayer();
  for (auto _ : state) {
    LoadMainXml();
    benchmark::DoNotOptimize(GetLevels().size());
  }
}

}  // namespace

BENCHMARK(BM_SaveOneWrite)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveWritePerKey)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadMainXml)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  SetSetting("encryptionkey", "");  // the default key
  CheckSameFiles();
  {
    const std::string cwd = std::filesystem::current_path().string();
    bench::Require(chdir(LANTERN_BENCH_SOURCE) == 0, "no source folder");
    RefreshFileLayer();
    LoadMainXml();
    bench::Require(GetLevels().size() >= 2, "main.xml gave %zu levels", GetLevels().size());
    std::printf("checked: main.xml gives %zu levels\n", GetLevels().size());
    bench::Require(chdir(cwd.c_str()) == 0, "cannot return to %s", cwd.c_str());
    RefreshFileLayer();
  }
  TBenchRecorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  recorder.PrintRatio("save-one-write/save-write-per-key", "BM_SaveOneWrite", "BM_SaveWritePerKey");
  if (recorder.times["BM_LoadMainXml"] > 0)
    std::printf("ratio level-model/frame-interval: %.3f\n", recorder.times["BM_LoadMainXml"] / 12000.0);
  return 0;
}
