// The walkthrough of the demo game: the input scripts in
// tests/game/playthrough/ that play the demo from a fresh user folder to the
// credits. "walkthrough.txt" plays it all in one run of the program; the
// same play is also cut into stages, one file each ("walkthrough<n>.txt"),
// where each stage starts the program again on the user folder the stage
// before left (the benchmark and the screenshot tool play those). The scripts
// are made from the demo data by MakeWalkthrough(): the objects' places come
// from the level files, the mini-games' pieces from their files, laid out by
// the games' own code.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace walkthrough {

constexpr int kStages = 4;

struct TStage {
  std::string name;  // file name: "walkthrough<n>.txt", or "walkthrough.txt" for the whole run
  int frames = 0;    // frames the run takes
  std::string text;  // the input script, with its header comment
  // The whole run's moments where a stage ends (a mini-game's opening
  // message shows): "# moment <ms>: <what>" lines.
  std::vector<std::pair<int, std::string>> moments;
};

// The stages as the demo data under `sourceDir` asks for them, then the
// whole run.
std::vector<TStage> MakeWalkthrough(const std::string& sourceDir);

// The stages of the files in `folder` ("walkthrough1.txt" ...
// "walkthrough4.txt"), then "walkthrough.txt"; the frame count comes from
// each file's "# frames: N" line.
std::vector<TStage> ReadWalkthrough(const std::string& folder);

}  // namespace walkthrough
