// Saves and game data.
//
// - A save of a player with ten location records as one write of the
//   preferences file, against the same keys written one file write each:
//   "ratio save-one-write/save-write-per-key".
// - Start-up's reading of main.xml with its level model (every level file
//   read once) from the demo data, against the 12 ms frame interval:
//   "ratio level-model/frame-interval".
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/recorder.h"
#include "game/shell/gameprogress.h"
#include "game/shell/gamesettings.h"
#include "game/shell/userinfo.h"
#include "platform/folders.h"
#include "platform/prefs.h"
#include "platform/settings.h"

namespace {

const char* const kKeys[] = {"levelId", "chapterId", "locationId", "numCoins", "firstRun", "gameIntroDone",
                             "gameStartMsgDone", "gameTutorMsgDone", "gameFinished", "mLocationType",
                             "gameNeedClearUserInfo"};

struct TSaveSetup {
  TSaveSetup() {
    char pattern[] = "/tmp/lantern-bench-saves-XXXXXX";
    folder = mkdtemp(pattern);
    SetSetting("userfolder", TString(folder));
    RefreshFileLayer();
    users = new UserInfo();
    users->CreateNewUser("Ann");
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

void BM_SaveOneWrite(benchmark::State& state) {
  TSaveSetup setup;
  for (auto _ : state)
    if (!setup.users->SaveProgress()) std::abort();
}

void BM_SaveWritePerKey(benchmark::State& state) {
  TSaveSetup setup;
  TPrefs* prefs = setup.users->GetPrefs();
  std::string blob(1200, 'x');
  int value = 0;
  for (auto _ : state) {
    for (const char* key : kKeys) prefs->SetInt(key, ++value, 0, 1);
    prefs->SetData("LocInfoPass", blob.data(), int(blob.size()), 0, 1);
  }
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
  TBenchRecorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  recorder.PrintRatio("save-one-write/save-write-per-key", "BM_SaveOneWrite", "BM_SaveWritePerKey");
  if (recorder.times["BM_LoadMainXml"] > 0)
    std::printf("ratio level-model/frame-interval: %.3f\n", recorder.times["BM_LoadMainXml"] / 12000.0);
  return 0;
}
