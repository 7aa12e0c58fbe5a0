// Linked into every test program: the program runs with a home of its own.
// Before main, HOME and the XDG folders (config, data, cache, state, runtime)
// are pointed into a temporary folder, and the XDG_<kind>_DIR variables of
// the machine running the suite are removed, so that no test, and no program
// a test starts, can touch the real home, Pictures, Documents or Desktop of
// whoever runs the suite. The folder goes when the program ends.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class TIsolatedHome {
public:
  TIsolatedHome() : owner_(::getpid()) {
    namespace fs = std::filesystem;
    std::error_code ec;
    std::string tmpl = (fs::temp_directory_path(ec) / "lantern-home-XXXXXX").string();
    if (ec || !::mkdtemp(&tmpl[0])) {
      std::fprintf(stderr, "tests: no temporary home can be made; the tests do not run\n");
      std::_Exit(1);
    }
    root_ = tmpl;
    struct {
      const char* variable;
      const char* folder;
    } const kFolders[] = {{"HOME", "home"},         {"XDG_CONFIG_HOME", "config"}, {"XDG_DATA_HOME", "data"},
                          {"XDG_CACHE_HOME", "cache"}, {"XDG_STATE_HOME", "state"}, {"XDG_RUNTIME_DIR", "runtime"}};
    for (const auto& f : kFolders) {
      const std::string path = root_ + "/" + f.folder;
      ::mkdir(path.c_str(), 0700);
      ::setenv(f.variable, path.c_str(), 1);
    }
    for (const char* kind : {"DESKTOP", "DOCUMENTS", "DOWNLOAD", "MUSIC", "PICTURES", "PUBLICSHARE", "TEMPLATES",
                             "VIDEOS"})
      ::unsetenv((std::string("XDG_") + kind + "_DIR").c_str());
  }
  ~TIsolatedHome() {
    // A forked child that ends through exit() leaves the folder to its parent.
    if (::getpid() != owner_) return;
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

private:
  pid_t owner_;
  std::string root_;
};

TIsolatedHome gIsolatedHome;

}  // namespace
