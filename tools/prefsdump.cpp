// prefsdump: prints a preferences file ("prefs.dat") in its plain-XML form,
// which the game also reads back.
//   prefsdump <prefs.dat> [encryption key]
// The key defaults to the framework's default key.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/prefs.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: prefsdump <prefs.dat> [encryption key]\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "prefsdump: cannot open %s\n", argv[1]);
    return 1;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  TPrefsData data;
  TString error;
  if (!ParsePrefsAny(bytes.data(), bytes.size(), argc == 3 ? argv[2] : kDefaultPrefsKey, data, &error)) {
    std::fprintf(stderr, "prefsdump: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  std::fputs(PrefsToXml(data).c_str(), stdout);
  return 0;
}
