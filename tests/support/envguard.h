// Environment variables set for the lifetime of a test object and restored
// (or unset again) afterwards.
#pragma once
#include <sys/stat.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace testing_support {

class EnvGuard {
public:
  EnvGuard() = default;
  ~EnvGuard() {
    for (const auto& [name, old] : saved_) {
      if (old) setenv(name.c_str(), old->c_str(), 1);
      else unsetenv(name.c_str());
    }
  }
  EnvGuard(const EnvGuard&) = delete;
  EnvGuard& operator=(const EnvGuard&) = delete;

  void Set(const std::string& name, const std::string& value) {
    Save(name);
    setenv(name.c_str(), value.c_str(), 1);
  }
  void Unset(const std::string& name) {
    Save(name);
    unsetenv(name.c_str());
  }

private:
  void Save(const std::string& name) {
    if (saved_.count(name)) return;
    const char* old = std::getenv(name.c_str());
    saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
  }
  std::map<std::string, std::optional<std::string>> saved_;
};

// A fresh home for the desktop folders: HOME and XDG_CONFIG_HOME inside
// `root`, and no XDG_*_DIR variables from the machine running the tests. The
// home folder is made, as a user's is there (the game never makes it).
class XdgEnvGuard : public EnvGuard {
public:
  explicit XdgEnvGuard(const std::string& root) {
    mkdir((root + "/home").c_str(), 0700);
    Set("HOME", root + "/home");
    Set("XDG_CONFIG_HOME", root + "/config");
    for (const char* kind : {"PICTURES", "DOCUMENTS", "DESKTOP"}) Unset(std::string("XDG_") + kind + "_DIR");
  }
};

}  // namespace testing_support
