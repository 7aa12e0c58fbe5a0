// The desktop integration's readers of outside data: the user-dirs.dirs file
// (first byte even) and the command line that may name a tester (odd). A
// folder found is always absolute; a tester id is always at most 99 plain
// characters and never an option.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "game/shell/data/playlog.h"
#include "platform/folders.h"
#include "platform/host/desktop.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] % 2 == 0) {
    for (const char* kind : {"PICTURES", "DOCUMENTS"}) {
      std::string folder = FindUserDirsValue(text, kind, "/home/u");
      if (!folder.empty() && folder[0] != '/') std::abort();
    }
    if (!FileUri(text).empty() && FileUri(text).find_first_of(" '\"\\") != std::string::npos) std::abort();
  } else {
    std::string id = TesterIdFromCommandLine(text);
    if (id.size() > 99 || (!id.empty() && id[0] == '-')) std::abort();
    for (unsigned char c : id)
      if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
            c == '-'))
        std::abort();
  }
  return 0;
}
