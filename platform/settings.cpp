#include "platform/settings.h"

#include <cstdlib>
#include <mutex>

#include "platform/folders.h"
#include "platform/log.h"
#include "platform/xml.h"

namespace {
struct Entry {
  std::string value;
  TSettingSource source = TSettingSource::kDefault;
};

struct SettingsState {
  std::mutex mutex;
  std::map<std::string, Entry> map;
  TCommandLine commandLine;
};

SettingsState& State() {
  static SettingsState* state = new SettingsState;
  return *state;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }
}  // namespace

void SetSetting(const TString& key, const TString& value) {
  SettingsState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.map.find(key.str());
  if (it == s.map.end()) {
    s.map[key.str()] = Entry{value.str(), TSettingSource::kDefault};
  } else {
    it->second.value = value.str();
  }
}

void SetSettingFrom(const TString& key, const TString& value, TSettingSource source) {
  SettingsState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.map.find(key.str());
  if (it != s.map.end() && static_cast<int>(it->second.source) > static_cast<int>(source)) return;
  s.map[key.str()] = Entry{value.str(), source};
}

TString GetSettingString(const TString& key, const TString& defaultValue) {
  SettingsState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.map.find(key.str());
  return it == s.map.end() ? defaultValue : TString(it->second.value);
}

bool GetSettingBool(const TString& key) { return GetSettingString(key).ToInt() != 0; }

int GetSettingInt(const TString& key, int defaultValue) {
  return HasSetting(key) ? GetSettingString(key).ToInt() : defaultValue;
}

float GetSettingFloat(const TString& key, float defaultValue) {
  return HasSetting(key) ? static_cast<float>(GetSettingString(key).ToDouble()) : defaultValue;
}

bool HasSetting(const TString& key) {
  SettingsState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.map.count(key.str()) != 0;
}

std::map<std::string, std::string> GetAllSettings() {
  SettingsState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::map<std::string, std::string> out;
  for (const auto& e : s.map) out[e.first] = e.second.value;
  return out;
}

void ClearSettings() {
  SettingsState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.map.clear();
  s.commandLine = TCommandLine();
}

namespace {
// The command line's own words, the options for tests and limits, and those
// that name a program or a library to run.
const char* const kCommandLineOnly[] = {
    // What the command line's words set.
    "cmdline", "hostwindow", "multiple", "cheat", "portal", "axtest", "workfolder", "browser", "pq", "com_interval",
    "tester", "startfolder",
    // A run without a window, driven, stopped and pictured by the one who starts it.
    "headless", "frames", "screenshot", "input",
    // Where the player's files go, and what runs.
    "userfolder", "desktopfolder", "programfolder", "particlelibrary", "playlogserver",
    // Limits and test switches.
    "scripttimelimit", "scriptmemorylimit", "httptimeout", "httpconnecttimeout", "playlogtimeout", "plaindrawing",
    "debugdeviceloss", "particleseed",
};

enum class TValueKind { kAny, kCount, kInteger, kSwitch, kPositive, kName };

TValueKind KindOf(const std::string& key) {
  static const std::map<std::string, TValueKind> kinds = {
      {"frames", TValueKind::kCount},           {"scripttimelimit", TValueKind::kCount},
      {"scriptmemorylimit", TValueKind::kCount}, {"debugdeviceloss", TValueKind::kCount},
      {"httptimeout", TValueKind::kCount},       {"httpconnecttimeout", TValueKind::kCount},
      {"playlogtimeout", TValueKind::kCount},    {"particleseed", TValueKind::kInteger},
      {"headless", TValueKind::kSwitch},         {"multiple", TValueKind::kSwitch},
      {"plaindrawing", TValueKind::kSwitch},     {"showfps", TValueKind::kSwitch},
      {"viewportscale", TValueKind::kPositive},  {"screenshot", TValueKind::kName},
      {"input", TValueKind::kName},              {"userfolder", TValueKind::kName},
      {"desktopfolder", TValueKind::kName},      {"programfolder", TValueKind::kName},
      {"particlelibrary", TValueKind::kName},
  };
  auto it = kinds.find(key);
  return it == kinds.end() ? TValueKind::kAny : it->second;
}

bool AllDigits(const std::string& text) {
  if (text.empty() || text.size() > 9) return false;  // up to 999999999: an int holds it
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}
}  // namespace

bool IsCommandLineOnly(const TString& key) {
  for (const char* name : kCommandLineOnly)
    if (key.str() == name) return true;
  return false;
}

std::string CheckOptionValue(const std::string& key, const std::string& value) {
  const std::string quoted = "\"" + value + "\"";
  switch (KindOf(key)) {
    case TValueKind::kCount:
      return AllDigits(value) ? "" : key + " must be a whole number of 0 or more, not " + quoted;
    case TValueKind::kInteger:
      return AllDigits(value[0] == '-' ? value.substr(1) : value) ? "" : key + " must be a whole number, not " + quoted;
    case TValueKind::kSwitch:
      return value == "0" || value == "1" ? "" : key + " must be 0 or 1, not " + quoted;
    case TValueKind::kPositive: {
      char* end = nullptr;
      double number = value.empty() ? 0.0 : std::strtod(value.c_str(), &end);
      return end && *end == 0 && number > 0.0 && number <= 16.0 ? ""
                                                                  : key + " must be a number above 0 (up to 16), not " + quoted;
    }
    case TValueKind::kName:
      return value.empty() ? key + " needs a file or folder name (" + key + "=<name>)" : "";
    case TValueKind::kAny:
      break;
  }
  return "";
}

bool LoadSettingsFile(const TString& fileName, TSettingSource source) {
  TXmlNode root;
  if (!root.LoadFile(fileName, /*quietWhenMissing=*/true)) return false;
  if (root.GetName() != "settings") {
    TraceOut("Settings file %s: the root element is <%s>, expected <settings>", fileName.c_str(),
             root.GetName().c_str());
    return false;
  }
  TString name;
  TXmlNode* child = nullptr;
  int count = 0;
  root.BeginChildren();
  while (root.NextChild(name, child)) {
    if (name != "setting") continue;
    TString key = child->GetAttribute("name");
    if (key.IsEmpty()) {
      TraceOut("Settings file %s: a <setting> without a name is ignored", fileName.c_str());
      continue;
    }
    if (IsCommandLineOnly(key)) {
      TraceOut("Settings file %s: \"%s\" is taken from the command line only; ignored", fileName.c_str(),
               key.c_str());
      continue;
    }
    SetSettingFrom(key, child->GetAttribute("value"), source);
    ++count;
  }
  TraceOut("Loaded %d settings from %s", count, fileName.c_str());
  return true;
}

void LoadStartupSettingsFiles(TStartupSettingsFiles which) {
  if (which == TStartupSettingsFiles::kProgramFolder) {
    // The file that comes with the data: the data folder is the working folder.
    LoadSettingsFile(GetWorkingFolder() + "assets/settings.xml", TSettingSource::kFile);
    return;
  }
  for (const char* name : {"common:settings.xml", "user:settings.xml"}) LoadSettingsFile(name, TSettingSource::kFile);
}

TCommandLine ParseCommandLine(const std::vector<std::string>& words) {
  TCommandLine cl;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i) cl.text += ' ';
    cl.text += words[i];
  }
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    bool last = i + 1 == words.size();
    if (StartsWith(w, "-wnd=")) {
      cl.hostWindow = w.substr(5);
    } else if (w == "--multiple") {
      cl.multiple = true;
    } else if (StartsWith(w, "--cheat=")) {
      cl.cheat = w.substr(8);
    } else if (w == "--cheat") {
      if (!last) cl.cheat = words[++i];
      else cl.cheat = "1";
    } else if (w == "-msn" || w == "-zylom" || w == "-aol") {
      cl.portal = w.substr(1);
    } else if (w == "--axtest") {
      cl.axTest = true;
    } else if (StartsWith(w, "-wd=")) {
      cl.workFolder = w.substr(4);
    } else if (StartsWith(w, "-host=")) {
      cl.browser = w.substr(6);
    } else if (StartsWith(w, "-pq=")) {
      cl.hasPq = true;
      cl.pq = w.substr(4);
    } else if (StartsWith(w, "-com_interval=")) {
      cl.comInterval = w.substr(14);
    } else if (w == "-com_interval") {
      if (!last) cl.comInterval = words[++i];
    } else if (w == "--help" || w == "-h") {
      cl.help = true;
    } else if (w == "--version") {
      cl.version = true;
    } else if (StartsWith(w, "--data=")) {
      cl.dataFolder = w.substr(7);
      if (cl.dataFolder.empty()) cl.errors.push_back("--data needs a folder (--data=<folder>)");
    } else if (w == "--data") {
      cl.errors.push_back("--data needs its folder in the same word (--data=<folder>)");
    } else if (StartsWith(w, "options=")) {
      std::vector<std::string> pairs;
      SplitString(w.substr(8), ',', pairs);
      for (const auto& pair : pairs) {
        size_t eq = pair.find('=');
        // A bare key switches it on.
        std::string key = TrimString(eq == std::string::npos ? pair : pair.substr(0, eq));
        std::string value = eq == std::string::npos ? "1" : TrimString(pair.substr(eq + 1));
        if (key.empty()) continue;
        std::string why = CheckOptionValue(key, eq == std::string::npos && KindOf(key) == TValueKind::kName ? "" : value);
        if (!why.empty()) cl.errors.push_back("options=: " + why);
        else cl.options.emplace_back(key, value);
      }
    } else if (!w.empty() && w[0] == '-') {
      cl.unknown.push_back(w);
    } else if (last) {
      cl.tester = w;  // the last word names the tester, unless it is an option
    } else {
      cl.unknown.push_back(w);
    }
  }
  return cl;
}

void ApplyCommandLine(const TCommandLine& cl) {
  const TSettingSource src = TSettingSource::kCommandLine;
  SetSettingFrom("cmdline", cl.text, src);
  if (!cl.hostWindow.empty()) SetSettingFrom("hostwindow", cl.hostWindow, src);
  if (cl.multiple) SetSettingFrom("multiple", "1", src);
  if (!cl.cheat.empty()) SetSettingFrom("cheat", cl.cheat, src);
  if (!cl.portal.empty()) SetSettingFrom("portal", cl.portal, src);
  if (cl.axTest) SetSettingFrom("axtest", "1", src);
  if (!cl.workFolder.empty()) SetSettingFrom("workfolder", cl.workFolder, src);
  if (!cl.browser.empty()) SetSettingFrom("browser", cl.browser, src);
  if (cl.hasPq) SetSettingFrom("pq", cl.pq, src);
  if (!cl.comInterval.empty()) SetSettingFrom("com_interval", cl.comInterval, src);
  if (!cl.tester.empty()) SetSettingFrom("tester", cl.tester, src);
  for (const auto& kv : cl.options) SetSettingFrom(kv.first, kv.second, src);
  for (const auto& w : cl.unknown) TraceOut("Command line: ignoring unknown argument \"%s\"", w.c_str());
  SettingsState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.commandLine = cl;
}

const TCommandLine& GetCommandLine() {
  // The command line is applied once at start-up, before other threads run.
  return State().commandLine;
}

bool HasPqArgument() { return GetCommandLine().hasPq; }
