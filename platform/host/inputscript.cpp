#include "platform/host/inputscript.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>

namespace {
constexpr size_t kMaxScriptEvents = 1000000;
constexpr long kMaxCoordinate = 100000;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// A whole-word decimal integer within [lo, hi].
bool ReadInt(const std::string& word, long lo, long hi, long* out) {
  if (word.empty() || word.size() > 12) return false;
  char* end = nullptr;
  long v = std::strtol(word.c_str(), &end, 10);
  if (*end != '\0' || v < lo || v > hi) return false;
  *out = v;
  return true;
}

bool ReadPoint(const std::vector<std::string>& w, size_t i, THostEvent* e) {
  long x = 0, y = 0;
  if (w.size() != i + 2 || !ReadInt(w[i], -kMaxCoordinate, kMaxCoordinate, &x) ||
      !ReadInt(w[i + 1], -kMaxCoordinate, kMaxCoordinate, &y))
    return false;
  e->x = static_cast<int>(x);
  e->y = static_cast<int>(y);
  return true;
}

int ButtonFromName(const std::string& name) {
  static const std::map<std::string, int> kButtons = {{"left", kHostButtonLeft},   {"middle", kHostButtonMiddle},
                                                      {"right", kHostButtonRight}, {"x1", kHostButtonX1},
                                                      {"x2", kHostButtonX2}};
  auto it = kButtons.find(Lower(name));
  return it == kButtons.end() ? 0 : it->second;
}

// "ctrl+shift+s" -> key 'S' with the modifier bits.
bool ReadKey(const std::string& spec, THostEvent* e) {
  std::string rest = Lower(spec);
  uint32_t mods = 0;
  for (;;) {
    size_t plus = rest.find('+');
    if (plus == std::string::npos || plus + 1 == rest.size()) break;
    std::string mod = rest.substr(0, plus);
    if (mod == "shift") mods |= HostMod::kShift;
    else if (mod == "ctrl") mods |= HostMod::kCtrl;
    else if (mod == "alt") mods |= HostMod::kAlt;
    else return false;
    rest = rest.substr(plus + 1);
  }
  uint32_t key = HostKeyFromName(rest);
  if (!key) return false;
  e->key = key;
  e->mods = mods;
  // Keys outside the main block carry the extended bit, as a keyboard reports them.
  if ((key >= HostKey::kPageUp && key <= HostKey::kDown) || key == HostKey::kInsert || key == HostKey::kDelete ||
      key == HostKey::kDivide)
    e->mods |= HostMod::kExtended;
  return true;
}
}  // namespace

uint32_t HostKeyFromName(const std::string& rawName) {
  std::string name = Lower(rawName);
  if (name.size() == 1) {
    unsigned char c = static_cast<unsigned char>(name[0]);
    if (std::isalpha(c)) return static_cast<uint32_t>(std::toupper(c));
    if (std::isdigit(c)) return c;
  }
  if (name.size() >= 2 && name.size() <= 3 && name[0] == 'f') {
    long n = 0;
    if (ReadInt(name.substr(1), 1, 24, &n)) return HostKey::kF1 + static_cast<uint32_t>(n - 1);
  }
  static const std::map<std::string, uint32_t> kNames = {
      {"backspace", HostKey::kBackspace}, {"tab", HostKey::kTab},       {"enter", HostKey::kEnter},
      {"return", HostKey::kEnter},        {"shift", HostKey::kShift},   {"ctrl", HostKey::kControl},
      {"alt", HostKey::kAlt},             {"pause", HostKey::kPause},   {"escape", HostKey::kEscape},
      {"esc", HostKey::kEscape},          {"space", HostKey::kSpace},   {"pageup", HostKey::kPageUp},
      {"pagedown", HostKey::kPageDown},   {"end", HostKey::kEnd},       {"home", HostKey::kHome},
      {"left", HostKey::kLeft},           {"up", HostKey::kUp},         {"right", HostKey::kRight},
      {"down", HostKey::kDown},           {"insert", HostKey::kInsert}, {"delete", HostKey::kDelete},
      {"capslock", HostKey::kCapsLock},   {"minus", HostKey::kMinus},   {"equals", HostKey::kEquals},
      {"comma", HostKey::kComma},         {"period", HostKey::kPeriod}, {"slash", HostKey::kSlash}};
  auto it = kNames.find(name);
  return it == kNames.end() ? 0 : it->second;
}

std::vector<TScriptedEvent> ParseInputScript(const std::string& text, std::vector<std::string>* errors) {
  std::vector<TScriptedEvent> out;
  auto fail = [&](int line, const std::string& why) {
    if (errors) errors->push_back("line " + std::to_string(line) + ": " + why);
  };
  size_t pos = 0;
  int lineNo = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    std::string line = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
    pos = nl == std::string::npos ? text.size() : nl + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    if (out.size() >= kMaxScriptEvents) {
      fail(lineNo, "too many events; the rest of the script is ignored");
      break;
    }
    std::istringstream in(line);
    std::string timeWord, verb;
    in >> timeWord >> verb;
    long at = 0;
    if (!ReadInt(timeWord, 0, 0x7FFFFFFF, &at)) {
      fail(lineNo, "a line must start with a time in milliseconds");
      continue;
    }
    verb = Lower(verb);
    TScriptedEvent se;
    se.at = static_cast<uint32_t>(at);
    THostEvent& e = se.event;
    bool ok = true;
    if (verb == "text" || verb == "screenshot") {
      // The rest of the line, leading blanks dropped, taken as it is.
      std::string rest;
      std::getline(in >> std::ws, rest);
      e.type = verb == "text" ? THostEventType::kText : THostEventType::kScreenshot;
      e.text = rest;
      ok = !e.text.empty();
      if (ok) out.push_back(se);
      else fail(lineNo, verb + " needs " + (verb == "text" ? "some text" : "a file name"));
      continue;
    }
    std::vector<std::string> w;
    for (std::string word; in >> word;) w.push_back(word);
    static const std::map<std::string, THostEventType> kBare = {
        {"focus", THostEventType::kFocusGained}, {"blur", THostEventType::kFocusLost},
        {"minimize", THostEventType::kMinimized}, {"restore", THostEventType::kRestored},
        {"close", THostEventType::kCloseRequest}, {"leave", THostEventType::kMouseLeave},
        {"enter", THostEventType::kMouseEnter},   {"expose", THostEventType::kExposed}};
    auto bare = kBare.find(verb);
    if (bare != kBare.end()) {
      e.type = bare->second;
      ok = w.empty();
      if (ok) out.push_back(se);
    } else if (verb == "move") {
      e.type = THostEventType::kMouseMove;
      ok = ReadPoint(w, 0, &e);
      if (ok) out.push_back(se);
    } else if (verb == "down" || verb == "up" || verb == "click") {
      ok = w.size() == 3 && (e.button = ButtonFromName(w[0])) != 0 && ReadPoint(w, 1, &e);
      if (ok) {
        e.type = verb == "up" ? THostEventType::kButtonUp : THostEventType::kButtonDown;
        out.push_back(se);
        if (verb == "click") {
          e.type = THostEventType::kButtonUp;
          out.push_back(se);
        }
      }
    } else if (verb == "wheel") {
      long n = 0;
      ok = (w.size() == 1 || w.size() == 3) && ReadInt(w[0], -100, 100, &n) && n != 0 &&
           (w.size() == 1 || ReadPoint(w, 1, &e));
      if (ok) {
        e.type = THostEventType::kWheel;
        e.wheel = static_cast<int>(n);
        if (w.size() == 1) e.x = e.y = -1;
        out.push_back(se);
      }
    } else if (verb == "key" || verb == "keydown" || verb == "keyup") {
      ok = w.size() == 1 && ReadKey(w[0], &e);
      if (ok) {
        e.type = verb == "keyup" ? THostEventType::kKeyUp : THostEventType::kKeyDown;
        out.push_back(se);
        if (verb == "key") {
          e.type = THostEventType::kKeyUp;
          out.push_back(se);
        }
      }
    } else {
      fail(lineNo, "unknown event \"" + verb + "\"");
      continue;
    }
    if (!ok) fail(lineNo, "bad arguments for \"" + verb + "\"");
  }
  return out;
}
