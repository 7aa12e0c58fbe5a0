#include "platform/settings.h"

#include <cstdlib>
#include <mutex>

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

bool IsCommandLineOnly(const TString& key) { return key.str() == "browser"; }

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
    LoadSettingsFile("::assets/settings.xml", TSettingSource::kFile);
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
    } else if (StartsWith(w, "options=")) {
      std::vector<std::string> pairs;
      SplitString(w.substr(8), ',', pairs);
      for (const auto& pair : pairs) {
        size_t eq = pair.find('=');
        if (eq == std::string::npos) {
          cl.options.emplace_back(pair, "1");  // a bare key switches it on
        } else {
          std::string key = TrimString(pair.substr(0, eq));
          if (!key.empty()) cl.options.emplace_back(key, TrimString(pair.substr(eq + 1)));
        }
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
