// The walkthrough of the demo game: the input scripts in
// tests/game/playthrough/ that play the demo from a fresh user folder to the
// credits, one file per stage (each stage starts the program again on the
// user folder the stage before left). The scripts are made from the demo
// data by MakeWalkthrough(): the objects' places come from the level files,
// the mini-games' pieces from their files, laid out by the games' own code.
#pragma once
#include <string>
#include <vector>

namespace walkthrough {

struct TStage {
  std::string name;  // file name: "walkthrough<n>.txt"
  int frames = 0;    // frames the stage runs
  std::string text;  // the input script, with its header comment
};

// The stages as the demo data under `sourceDir` asks for them.
std::vector<TStage> MakeWalkthrough(const std::string& sourceDir);

// The stages of the files in `folder` ("walkthrough1.txt", "walkthrough2.txt",
// ...); the frame count comes from each file's "# frames: N" line.
std::vector<TStage> ReadWalkthrough(const std::string& folder);

}  // namespace walkthrough
