// End to end: the play screen started headless in a child process on the
// demo data, from a fresh user folder, with a game main that sets up what
// the scene needs (display, main.xml, a player, particles, the fade and the
// scene's window type) and opens "scripts/maingame.lua". Scripted clicks find
// every object of the first location at the places its level file gives; the
// frames, the log and the saved progress are checked, and a second run from
// the same folder shows that the location is passed.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <tinyxml.h>

#include "app/app.h"
#include "game/scene/maingame.h"
#include "game/shell/gameprogress.h"
#include "game/shell/gamesettings.h"
#include "game/shell/particles.h"
#include "game/shell/shellwidgets.h"
#include "game/shell/userinfo.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "tests/platform/pngread.h"
#include "tests/support/testsupport.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

namespace {

void SceneGameMain(TPlatform* platform, const TString&) {
  platform->OpenDisplay(1024, 768, false);
  LoadMainXml();
  RecreateUserInfo();
  if (GetUserInfo()->GetNumUsers() == 0) GetUserInfo()->CreateNewUser("Ada");
  InitParticles();
  TWindowManager* wm = platform->GetWindowManager();
  RegisterShellWidgetTypes(wm);
  RegisterSceneWindowTypes(wm);
  wm->GetScript()->DoLuaString("DoModal('scripts/maingame.lua')", "the play screen");
  TPlatformEvent event;
  for (platform->GetEvent(&event); event.type != kEventQuit && !platform->IsQuitPosted(); platform->GetEvent(&event)) {
    if (event.type == kEventClose) break;
    TMainGame::UpdateGameCursor();
    if (event.type == kEventTick) wm->Invalidate();
    wm->HandleEvent(event);
  }
  const GameProgress& p = GetGameProgress();
  const LocationInfo* first = p.GetLocationInfo("loc11");
  TraceOut("scene test: at %d %d %d, loc11 passed %d, coins %d", p.levelId, p.chapterId, p.locationId,
           first ? first->passed : -1, p.numCoins);
  DeleteUserInfo();
  ShutdownParticles();
}

void PrepareFolder(const testing_support::TempDir& dir) {
  namespace fs = std::filesystem;
  fs::path from = fs::path(testing_support::SourceDir()) / "assets", to = fs::path(dir.Path()) / "assets";
  if (fs::exists(to)) return;
  fs::create_directories(to);
  for (const char* file : {"main.xml", "strings.xml"}) fs::copy_file(from / file, to / file);
  for (const char* folder : {"scripts", "backgrounds", "ui", "fonts", "cursor", "levels", "locations", "particles"})
    fs::copy(from / folder, to / folder, fs::copy_options::recursive);
}

int RunScene(const testing_support::TempDir& dir, std::string options) {
  PrepareFolder(dir);
  options += std::string(",particlelibrary=") + LANTERN_PARTICLE_LIBRARY;
  pid_t child = fork();
  if (child == 0) {
    if (chdir(dir.Path().c_str()) != 0) _exit(126);
    // Lines the test process logged before the fork are not the child's.
    OpenLogFile("/dev/null");
    CloseLogFile();
    std::string program = "lantern", arg = "options=" + options;
    char* argv[] = {program.data(), arg.data(), nullptr};
    _exit(ApplicationMain(2, argv, SceneGameMain));
  }
  int status = 0;
  waitpid(child, &status, 0);
  // LANTERN_SCENE_SHOTS=<folder> keeps the screenshots for a look.
  if (const char* keep = std::getenv("LANTERN_SCENE_SHOTS")) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path(), ignored))
      if (entry.path().extension() == ".png")
        std::filesystem::copy_file(entry.path(), std::filesystem::path(keep) / entry.path().filename(),
                                   std::filesystem::copy_options::overwrite_existing, ignored);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> SceneLines(const std::string& log) {
  std::vector<std::string> out;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);)
    for (const char* tag : {"MainGame: ", "scene test: "}) {
      size_t at = line.find(tag);
      if (at != std::string::npos) out.push_back(line.substr(at));
    }
  return out;
}

// The centre of every item of a level file, in file order.
std::vector<std::pair<int, int>> ItemCentres(const std::string& file) {
  TiXmlDocument doc;
  EXPECT_TRUE(doc.LoadFile(file.c_str()));
  std::vector<std::pair<int, int>> out;
  const TiXmlElement* pict = doc.RootElement() ? doc.RootElement()->FirstChildElement("Pict") : nullptr;
  for (const TiXmlElement* hs = pict ? pict->FirstChildElement("HotSpot") : nullptr; hs;
       hs = hs->NextSiblingElement("HotSpot"))
    for (const TiXmlElement* item = hs->FirstChildElement("Item"); item; item = item->NextSiblingElement("Item")) {
      int x = 0, y = 0, w = 0, h = 0;
      std::sscanf(item->Attribute("rect"), "%d,%d,%d,%d", &x, &y, &w, &h);
      out.emplace_back(x + w / 2, y + h / 2);
    }
  return out;
}

struct TShot {
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  uint32_t At(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
  static double Grey(uint32_t c) { return double(((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF)) / 3; }
  double Brightness(const TRect& r) const {
    double sum = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) sum += Grey(At(x, y));
    return sum / double(r.Width() * r.Height());
  }
  double MeanDifference(const TShot& o, const TRect& r) const {
    double sum = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) sum += std::abs(Grey(At(x, y)) - Grey(o.At(x, y)));
    return sum / double(r.Width() * r.Height());
  }
};

TShot ReadShot(const std::string& path) {
  TShot s;
  EXPECT_TRUE(ReadPng(path, &s.px, &s.w, &s.h));
  return s;
}

}  // namespace

TEST(SceneEndToEnd, EveryObjectFoundCompletesTheLocationAndTheNextRunGoesOn) {
  testing_support::TempDir dir;
  std::string shot = dir.File("first.png");
  std::string input;
  int t = 1500;
  for (auto [x, y] : ItemCentres(testing_support::SourceDir() + "/assets/levels/loc11.xml")) {
    input += std::to_string(t) + " move " + std::to_string(x) + " " + std::to_string(y) + "\n";
    input += std::to_string(t + 50) + " click left " + std::to_string(x) + " " + std::to_string(y) + "\n";
    t += 400;
  }
  std::string script = dir.Write("input.txt", input);
  ASSERT_EQ(RunScene(dir, "headless=1,frames=1400,input=" + script + ",screenshot=" + shot + ",userfolder=" +
                              dir.File("user")),
            0);
  std::string log = testing_support::ReadFile(dir.File("user/logfile.txt"));
  std::vector<std::string> lines = SceneLines(log);
  ASSERT_FALSE(lines.empty()) << log;
  EXPECT_NE(std::find(lines.begin(), lines.end(), "MainGame: level loc11 loaded: 13 objects, 13 to find"), lines.end())
      << log;
  EXPECT_NE(std::find(lines.begin(), lines.end(), "MainGame: level loc11 complete"), lines.end()) << log;
  EXPECT_EQ(lines.back(), "scene test: at 1 1 2, loc11 passed 1, coins 2") << log;
  // Each find took one object off the list.
  int left = 13;
  for (const std::string& line : lines)
    if (line.rfind("MainGame: found ", 0) == 0) {
      --left;
      EXPECT_NE(line.find("(" + std::to_string(left) + " left)"), std::string::npos) << line;
    }
  EXPECT_EQ(left, 0) << log;

  // The same player again: the kitchen is passed, the study opens.
  std::string again = dir.File("second.png");
  ASSERT_EQ(RunScene(dir, "headless=1,frames=160,screenshot=" + again + ",userfolder=" + dir.File("user")), 0);
  std::string log2 = testing_support::ReadFile(dir.File("user/logfile.txt"));
  std::vector<std::string> lines2 = SceneLines(log2);
  EXPECT_NE(std::find(lines2.begin(), lines2.end(), "MainGame: level loc12 loaded: 13 objects, 13 to find"),
            lines2.end())
      << log2;
  EXPECT_EQ(std::count(lines2.begin(), lines2.end(), "MainGame: level loc11 loaded: 13 objects, 13 to find"), 0)
      << log2;
  ASSERT_FALSE(lines2.empty());
  EXPECT_EQ(lines2.back(), "scene test: at 1 1 2, loc11 passed 1, coins 2") << log2;
  // The first run had gone on to the study behind the fade: both last frames
  // show it with its full list (the pointer and the particles aside).
  TShot a = ReadShot(shot), b = ReadShot(again);
  if (a.w != 1024 || b.w != 1024) return;
  EXPECT_LT(a.MeanDifference(b, TRect(0, 0, 1024, 768)), 3.0);
  EXPECT_GT(a.Brightness(TRect(0, 0, 1024, 640)), 40.0);  // no fade left
  int ink = 0;  // the names in dark ink on the parchment
  for (int y = 668; y < 758; ++y)
    for (int x = 186; x < 717; ++x) ink += ((a.At(x, y) >> 16) & 0xFF) < 90;
  EXPECT_GT(ink, 1500);
}
