#include "app/app.h"

#include <string>
#include <vector>

TPlatformHooks MakeFrameworkHooks() {
  TPlatformHooks hooks;
  // Each layer adds its objects here as it joins the framework.
  return hooks;
}

int ApplicationMain(int argc, char** argv, const TGameMain& game) {
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) words.emplace_back(argv[i]);
  return RunApplication(words, game, MakeFrameworkHooks());
}
