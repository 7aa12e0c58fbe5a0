// lantern: prints its version and the resolved start-up settings.
// (The application shell replaces this entry when it lands.)
#include <cstdio>
#include <string>
#include <vector>

#include "platform/log.h"
#include "platform/settings.h"

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  TCommandLine cl = ParseCommandLine(words);
  ApplyCommandLine(cl);
  LoadSettingsFile("assets/settings.xml");
  std::printf("lantern %s\n", LANTERN_VERSION);
  for (const auto& kv : GetAllSettings()) std::printf("  %s = %s\n", kv.first.c_str(), kv.second.c_str());
  return 0;
}
