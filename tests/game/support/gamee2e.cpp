#include "tests/game/support/gamee2e.h"

#include <linux/capability.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <tinyxml.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "game/shell/data/gameprogress.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/data/userinfo.h"
#include "platform/folders.h"
#include "platform/prefs.h"
#include "platform/settings.h"
#include "tests/game/support/gametest.h"
#include "tests/platform/pngread.h"

namespace gamee2e {

std::string At(int t, const std::string& what) { return std::to_string(t) + " " + what + "\n"; }
std::string Point(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }
std::string Click(int t, const std::string& where) {
  return At(t, "move " + where) + At(t + 50, "click left " + where);
}
std::string Click(int t, int x, int y) { return Click(t, Point(x, y)); }

std::string NewPlayer(const std::string& name) {
  return "100 key alt+enter\n300 text " + name + "\n400 key enter\n";
}

std::string FirstGame(const std::string& name, int play) {
  return NewPlayer(name) + Click(play, kPlayButton) +
         Click(play + 2500, kSplashSkip) + Click(play + 4900, kComicPage) + Click(play + 5300, kComicSkip);
}

int RunProgram(const std::string& folder, const std::string& options, std::vector<std::string> words,
               const std::vector<std::string>& launcher, const std::function<void(int pid)>& watch,
               const std::function<void()>& inChild) {
  pid_t child = fork();
  if (child == 0) {
    if (chdir(folder.c_str()) != 0) _exit(126);
    if (inChild) inChild();
    alarm(240);  // a run that never ends fails instead of holding the suite
    words.insert(words.begin(), "options=" + options);
    words.insert(words.begin(), LANTERN_PROGRAM);
    words.insert(words.begin(), launcher.begin(), launcher.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  if (watch) {
    while (waitpid(child, &status, WNOHANG) == 0) {
      watch(int(child));
      usleep(2000);
    }
  } else {
    waitpid(child, &status, 0);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

TReadOnlyFolder::TReadOnlyFolder(std::string folder) : folder_(std::move(folder)) {
  if (chmod(folder_.c_str(), 0555) != 0) return;
  // A program started as the game is must fail to write here.
  const std::string probe = folder_ + "/probe";
  pid_t child = fork();
  if (child == 0) {
    Enter();
    execlp("touch", "touch", probe.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  made_ = WIFEXITED(status) && WEXITSTATUS(status) == 1;
  unlink(probe.c_str());
  if (!made_) Leave();
}

TReadOnlyFolder::~TReadOnlyFolder() { Leave(); }

void TReadOnlyFolder::Enter() {
  if (geteuid() == 0) prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
}

void TReadOnlyFolder::Leave() { chmod(folder_.c_str(), 0755); }

std::string CloseOpening(int* t) {
  std::string input = Click(*t, kTutorButton) + Click(*t + 600, kTutorButton);
  *t += 1800;
  return input;
}

bool TRun::Has(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }

bool TRun::Mentions(const std::string& text) const {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

size_t TRun::Count(const std::string& prefix) const {
  return size_t(
      std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

int TRun::Find(const std::string& prefix) const {
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i].rfind(prefix, 0) == 0) return int(i);
  return -1;
}

size_t TRun::InLog(const std::string& text) const {
  size_t n = 0;
  for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
  return n;
}

std::string TRun::Joined() const {
  std::string all;
  for (const std::string& l : lines) all += l + "\n";
  return all;
}

double TRun::Brightness(int x0, int y0, int x1, int y1) const {
  double sum = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      uint32_t c = At(x, y);
      sum += double(((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF)) / 3;
    }
  return sum / double((x1 - x0) * (y1 - y0));
}

namespace {
// The "modal:" lines of a log: each screen's name and the time it came to the top.
std::vector<std::pair<std::string, int>> ModalLines(const std::string& log) {
  std::vector<std::pair<std::string, int>> out;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    size_t at = line.find("modal: ");
    char name[128] = {};
    int frame = 0, ms = 0;
    if (at != std::string::npos &&
        std::sscanf(line.c_str() + at, "modal: %127s (frame %d, %d ms)", name, &frame, &ms) == 3 &&
        std::string(name) != "sShadow")
      out.emplace_back(name, ms);
  }
  return out;
}
}  // namespace

std::vector<std::string> TRun::Screens() const {
  std::vector<std::string> out;
  for (const auto& [name, ms] : ModalLines(log)) out.push_back(name);
  return out;
}

int TRun::ShownAt(const std::string& name, int nth) const {
  for (const auto& [shown, ms] : ModalLines(log))
    if (shown == name && --nth == 0) return ms;
  return -1;
}

int Greeting(const TRun& run) {
  return run.Pixels(150, 276, 480, 316, [](int r, int g, int b) { return r > 200 && g > 170 && b < 190; });
}

int NoticeTitleInk(const TRun& run) {
  return run.Pixels(400, 266, 624, 296, [](int red, int green, int blue) {
    return std::abs(red - 0xFF) <= 24 && std::abs(green - 0xD2) <= 24 && std::abs(blue - 0x7A) <= 24;
  });
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int s = 0; s < 24; s += 8)
    if (std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)) > tolerance) return false;
  return true;
}

int Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, const TRect& r) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      const size_t at = size_t(y) * 1024 + size_t(x);
      n += !Near(a[at], b[at], 8);
    }
  return n;
}

std::string KitButtonAt(const std::string& script, const std::string& name) {
  const std::string text = testing_support::ReadFile(testing_support::SourceDir() + "/assets/scripts/" + script);
  std::smatch m;
  int left = 0, top = 0;
  if (std::regex_search(text, m, std::regex(R"(x = kCenter, y = kCenter, w = (\d+), h = (\d+))"))) {
    left = (1024 - std::stoi(m[1])) / 2;
    top = (768 - std::stoi(m[2])) / 2;
  }
  const size_t at = text.find("name = '" + name + "'");
  EXPECT_NE(at, std::string::npos) << script << " has no button " << name;
  if (at == std::string::npos) return Point(0, 0);
  // The rest of the call: "}, 'label', x, y[, true])".
  const std::string rest = text.substr(at);
  EXPECT_TRUE(std::regex_search(rest, m, std::regex(R"(\},\s*'[^']*',\s*(\d+),\s*(\d+)\s*(,\s*true)?\s*\))")))
      << script << " " << name;
  if (m.empty()) return Point(0, 0);
  const bool small = m[3].matched;
  return Point(left + std::stoi(m[1]) + (small ? 100 : 160), top + std::stoi(m[2]) + (small ? 25 : 32));
}

std::vector<TLevelItem> LevelItems(const std::string& level) {
  TiXmlDocument doc;
  std::string file = testing_support::SourceDir() + "/assets/levels/" + level + ".xml";
  EXPECT_TRUE(doc.LoadFile(file.c_str())) << file;
  std::vector<TLevelItem> out;
  const TiXmlElement* pict = doc.RootElement() ? doc.RootElement()->FirstChildElement("Pict") : nullptr;
  for (const TiXmlElement* hs = pict ? pict->FirstChildElement("HotSpot") : nullptr; hs;
       hs = hs->NextSiblingElement("HotSpot"))
    for (const TiXmlElement* e = hs->FirstChildElement("Item"); e; e = e->NextSiblingElement("Item")) {
      TLevelItem item;
      std::sscanf(e->Attribute("rect") ? e->Attribute("rect") : "", "%d,%d,%d,%d", &item.x, &item.y, &item.w, &item.h);
      item.picture = e->Attribute("img") ? e->Attribute("img") : "";
      out.push_back(item);
    }
  return out;
}

std::vector<std::string> ItemCentres(const std::string& level) {
  std::vector<std::string> out;
  for (const TLevelItem& item : LevelItems(level)) out.push_back(Point(item.x + item.w / 2, item.y + item.h / 2));
  return out;
}

void Pass(GameProgress& progress, const std::vector<std::string>& places) {
  for (const std::string& name : places) {
    LocationInfo& info = progress.FindLocationInfo(TString(name));
    info.passed = 1;
    info.SetStartDateTime("03-14-26", "20:00");
    info.SetPassDateTime("03-14-26", "20:30");
  }
}

TRun TGameEndToEnd::Run(const std::string& input, int frames, const std::string& extra) {
  TRun run = RunWatched({}, input, frames, {}, ",headless=1" + extra);
  EXPECT_EQ(run.w, 1024);
  return run;
}

TRun TGameEndToEnd::RunThrough(const std::vector<std::string>& launcher, const std::string& input, int frames,
                               const std::string& extra) {
  return RunWatched(launcher, input, frames, {}, extra);
}

TRun TGameEndToEnd::RunPausing(const std::string& input, int frames, const std::vector<std::string>& markers,
                               const std::function<void()>& atMarker, const std::string& extra) {
  return RunWatched({}, input, frames, {TMoment{markers, atMarker}}, ",headless=1" + extra);
}

TRun TGameEndToEnd::RunPausingAt(const std::string& input, int frames, const std::vector<TMoment>& moments,
                                 const std::string& extra) {
  return RunWatched({}, input, frames, moments, ",headless=1" + extra);
}

namespace {
// Whether the texts stand in the log in this order.
bool InOrder(const std::string& log, const std::vector<std::string>& texts) {
  size_t at = 0;
  for (const std::string& text : texts) {
    at = log.find(text, at);
    if (at == std::string::npos) return false;
    at += text.size();
  }
  return true;
}
}  // namespace

std::string TreeOf(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::vector<std::string> entries;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    struct stat st;
    if (lstat(it->path().c_str(), &st) != 0) continue;
    entries.push_back(fs::relative(it->path(), folder).string() + " mode " + std::to_string(st.st_mode) + " size " +
                      std::to_string(S_ISREG(st.st_mode) ? st.st_size : 0) + " time " +
                      std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec));
  }
  std::sort(entries.begin(), entries.end());
  std::string out;
  for (const std::string& e : entries) out += e + "\n";
  return out;
}

TRun TGameEndToEnd::RunWatched(const std::vector<std::string>& launcher, const std::string& input, int frames,
                               const std::vector<TMoment>& moments, const std::string& extra) {
  // The run's home: the test's, and nothing in it may change.
  const std::string home = dir.File("home"), runtime = dir.File("runtime"), cache = dir.File("cache");
  for (const std::string& folder : {home, runtime, cache}) std::filesystem::create_directories(folder);
  chmod(runtime.c_str(), 0700);
  const std::string homeBefore = TreeOf(home);
  const std::function<void()> testsChild = inChild;
  auto child = [&] {
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("XDG_CACHE_HOME", cache.c_str(), 1);  // what libraries keep (a display's shader cache)
    if (testsChild) testsChild();
  };
  const std::string inputFile = dir.Write("input" + std::to_string(runs) + ".txt", input);
  const std::string shot = dir.File("shot" + std::to_string(runs++) + ".png");
  const std::string logFile = dir.File("user/logfile.txt");
  {
    // Each run's own lines (the file stays, so that a read-only user folder keeps it).
    std::ofstream emptied(logFile, std::ios::trunc);
  }
  size_t seen = 0;  // the moments looked at
  auto watch = [&](int pid) {
    if (seen >= moments.size() || !InOrder(testing_support::ReadFile(logFile), moments[seen].markers)) return;
    kill(pid_t(pid), SIGSTOP);
    EXPECT_EQ(testing_support::ReadFile(logFile).find("The game ends"), std::string::npos)
        << "the run ended before the test could look at moment " << seen + 1;
    runningPid = pid;
    moments[seen++].look();
    runningPid = 0;
    kill(pid_t(pid), SIGCONT);
  };
  TRun run;
  run.exitCode = RunProgram(folder,
                            "frames=" + std::to_string(frames) + ",input=" + inputFile + ",screenshot=" + shot +
                                ",userfolder=" + dir.File("user") + extra,
                            words, launcher, moments.empty() ? nullptr : std::function<void(int)>(watch),
                            child);
  EXPECT_EQ(TreeOf(home), homeBefore) << "the run changed its home " << home;
  run.log = testing_support::ReadFile(logFile);
  EXPECT_EQ(seen, moments.size()) << "the log never showed moment " << seen + 1 << " to look at:\n" << run.log;
  std::istringstream in(run.log);
  for (std::string line; std::getline(in, line);)
    for (const std::string& tag : tags) {
      size_t at = line.find(tag);
      if (at != std::string::npos) run.lines.push_back(line.substr(at));
    }
  EXPECT_TRUE(ReadPng(shot, &run.px, &run.w, &run.h));
  if (const char* keep = std::getenv("LANTERN_E2E_SHOTS")) {
    namespace fs = std::filesystem;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test ? test->name() : "run") + "_" + fs::path(shot).filename().string();
    std::error_code ignored;
    fs::copy_file(shot, fs::path(keep) / name, fs::copy_options::overwrite_existing, ignored);
  }
  return run;
}

void TGameEndToEnd::WithUsers(const std::function<void()>& body) {
  testing_support::ScopedChdir cd(folder);
  RefreshFileLayer();
  LoadMainXml();  // the save version the program reads
  SetSetting("userfolder", TString(dir.File("user")));
  SetSetting("encryptionkey", "tosvilqeZZZZ");  // the game's own key
  RecreateUserInfo();
  body();
  DeleteUserInfo();
  GetGameProgress().Reset();
  GetMainXml().Clear();
  LoadLevelModel();
  ClearSettings();
  RefreshFileLayer();
}

void TGameEndToEnd::SaveAda(const std::function<void(GameProgress&)>& edit) {
  std::filesystem::remove_all(dir.File("user"));
  WithUsers([&] {
    GetUserInfo()->CreateNewUser("Ada");
    GetUserInfo()->GetPrefs()->SetInt("fullscreen", 0, -1, 1);
    edit(GetGameProgress());
    EXPECT_TRUE(GetUserInfo()->SaveProgress());
  });
}

std::unique_ptr<TPrefs> TGameEndToEnd::Prefs() {
  SetSetting("userfolder", dir.File("user").c_str());
  SetSetting("encryptionkey", "tosvilqeZZZZ");
  auto prefs = std::make_unique<TPrefs>();
  ClearSettings();
  return prefs;
}

GameProgress TGameEndToEnd::Saved() {
  // Read only: a store the test opened and saved again would be another copy
  // of the game writing the file, and the paused run's next save would keep
  // its progress beside the file instead of in it.
  testing_support::ScopedChdir cd(folder);
  LoadMainXml();  // the save version the program reads
  int user = -1;
  {
    const std::unique_ptr<TPrefs> prefs = Prefs();
    user = prefs->GetInt("curuser", -1);
    if (user < 0 || prefs->GetData("LocInfoPass", nullptr, 0, user) == -1) user = -1;
  }
  GameProgress saved;
  if (user >= 0) {
    SetSetting("userfolder", TString(dir.File("user")));
    SetSetting("encryptionkey", "tosvilqeZZZZ");  // the game's own key
    saved = gametest::SavedProgress(user);
  }
  GetMainXml().Clear();
  LoadLevelModel();
  ClearSettings();
  return saved;
}

void TGameEndToEnd::SaveAt(int level, int chapter, int location, const std::vector<std::string>& passed,
                            const std::vector<std::string>& comics) {
  SaveAda([&](GameProgress& p) {
    p.levelId = level;
    p.chapterId = chapter;
    p.locationId = location;
    p.firstRun = 0;
    p.gameIntroDone = 1;
    for (const std::string& comic : comics) p.MarkShown(TString(comic));
    Pass(p, passed);
  });
}

std::string TGameEndToEnd::SavedPlace(const std::vector<std::string>& places) {
  const GameProgress p = Saved();
  std::string out = std::to_string(p.levelId) + " " + std::to_string(p.chapterId) + " " +
                    std::to_string(p.locationId) + " " + std::to_string(p.mLocationType);
  for (const std::string& name : places) {
    const LocationInfo* info = p.GetLocationInfo(TString(name));
    out += " " + name + "=" + (info ? std::to_string(info->passed) : "none");
  }
  return out;
}

}  // namespace gamee2e
