// End to end: the lantern program on the demo data, headless, from a fresh
// user folder, driven by input scripts. A new player plays the first
// location (through its tutorial); when it is complete the journal opens by
// itself and writes the page, and is closed. On the next start, in the second
// location, the panel's button opens the journal on the newest page, the
// previous-page button turns back to the first location's page, which the
// screenshot shows; a third start opens and closes it again.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <tinyxml.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/platform/pngread.h"
#include "tests/support/testsupport.h"

namespace {

// Screen places of the demo data: the main menu's Play, the tutorial box's
// button (its own place, and above its pointer at the list), the panel's journal
// button, the journal's close and previous-page buttons.
constexpr const char* kPlay = "310 362";
constexpr const char* kSplashSkip = "956 712";
constexpr const char* kComicPage = "500 300";
constexpr const char* kComicSkip = "140 725";
constexpr const char* kTutorButton = "704 545";
constexpr const char* kTutorButtonOverList = "704 360";
constexpr const char* kHintButton = "926 710";
constexpr const char* kJournalButton = "128 706";
constexpr const char* kJournalClose = "958 72";
constexpr const char* kJournalPrev = "136 638";

struct TRun {
  int exitCode = -1;
  std::vector<std::string> lines;  // the scene's and the journal's lines, in order
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  uint32_t At(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
  bool Has(const std::string& line) const {
    for (const std::string& l : lines)
      if (l == line) return true;
    return false;
  }
  // Index of the first line starting with the text (lines.size() when none).
  size_t Find(const std::string& prefix) const {
    for (size_t i = 0; i < lines.size(); ++i)
      if (lines[i].rfind(prefix, 0) == 0) return i;
    return lines.size();
  }
  double Brightness(int x0, int y0, int x1, int y1) const {
    double sum = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        uint32_t c = At(x, y);
        sum += double(((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF)) / 3;
      }
    return sum / double((x1 - x0) * (y1 - y0));
  }
  int Ink(int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += ((At(x, y) >> 16) & 0xFF) < 120;
    return n;
  }
};

class JournalEndToEnd : public ::testing::Test {
protected:
  TRun Run(const std::string& input, int frames) {
    std::string inputFile = dir.Write("input" + std::to_string(runs) + ".txt", input);
    std::string shot = dir.File("journal" + std::to_string(runs++) + ".png");
    std::string options = "headless=1,frames=" + std::to_string(frames) + ",input=" + inputFile +
                          ",screenshot=" + shot + ",userfolder=" + dir.File("user");
    unlink(dir.File("user/logfile.txt").c_str());
    TRun run;
    pid_t child = fork();
    if (child == 0) {
      if (chdir(testing_support::SourceDir().c_str()) != 0) _exit(126);
      alarm(240);
      std::string arg = "options=" + options;
      execl(LANTERN_PROGRAM, LANTERN_PROGRAM, arg.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream in(testing_support::ReadFile(dir.File("user/logfile.txt")));
    for (std::string line; std::getline(in, line);)
      for (const char* tag : {"MainGame: level", "MainGame: on to ", "journal: "}) {
        size_t at = line.find(tag);
        if (at != std::string::npos) run.lines.push_back(line.substr(at));
      }
    EXPECT_TRUE(ReadPng(shot, &run.px, &run.w, &run.h));
    // LANTERN_JOURNAL_SHOTS=<folder> keeps the last frames for a look.
    if (const char* keep = std::getenv("LANTERN_JOURNAL_SHOTS")) {
      std::error_code ignored;
      std::filesystem::copy_file(shot, std::filesystem::path(keep) / std::filesystem::path(shot).filename(),
                                 std::filesystem::copy_options::overwrite_existing, ignored);
    }
    return run;
  }
  static std::string Click(int t, const std::string& where) {
    return std::to_string(t) + " move " + where + "\n" + std::to_string(t + 50) + " click left " + where + "\n";
  }

  testing_support::TempDir dir;
  int runs = 0;
};

// The centre of every object of a level file of the demo data, in file order.
std::vector<std::string> ObjectCentres(const std::string& name) {
  TiXmlDocument doc;
  std::string file = testing_support::SourceDir() + "/assets/levels/" + name + ".xml";
  EXPECT_TRUE(doc.LoadFile(file.c_str())) << file;
  std::vector<std::string> out;
  const TiXmlElement* pict = doc.RootElement() ? doc.RootElement()->FirstChildElement("Pict") : nullptr;
  for (const TiXmlElement* hs = pict ? pict->FirstChildElement("HotSpot") : nullptr; hs;
       hs = hs->NextSiblingElement("HotSpot"))
    for (const TiXmlElement* item = hs->FirstChildElement("Item"); item; item = item->NextSiblingElement("Item")) {
      int x = 0, y = 0, w = 0, h = 0;
      std::sscanf(item->Attribute("rect"), "%d,%d,%d,%d", &x, &y, &w, &h);
      out.push_back(std::to_string(x + w / 2) + " " + std::to_string(y + h / 2));
    }
  return out;
}

}  // namespace

TEST_F(JournalEndToEnd, TheFirstLocationsPageIsWrittenAndReadLater) {
  // 1. A new player (full screen first, so the points are the game's) plays
  //    the kitchen: the tutorial's welcome, list and hint, then every object; the
  //    journal opens on the finished page, writes it and is closed; then
  //    the play screen goes on (to the gallery for the kitchen's picture).
  //    A first game opens with the splash and the level's comic: both are
  //    skipped (a click on the comic's page shows its skip button).
  const int shift = 5000;
  std::string input = "100 key alt+enter\n300 text Nell\n400 key enter\n" + Click(800, kPlay) +
                      Click(3300, kSplashSkip) + Click(5700, kComicPage) + Click(6100, kComicSkip) +
                      Click(3500 + shift, kTutorButton) + Click(4000 + shift, kTutorButton) +
                      Click(4500 + shift, kTutorButtonOverList) + Click(4800 + shift, kHintButton);
  int t = 5000 + shift;
  for (const std::string& at : ObjectCentres("loc11")) {
    input += Click(t, at);
    t += 300;
  }
  input += Click(12800 + shift, kJournalClose);
  TRun first = Run(input, 1650);
  EXPECT_EQ(first.exitCode, 0);
  size_t complete = first.Find("MainGame: level loc11 complete");
  size_t written = first.Find("journal: writing page 1");
  size_t opened = first.Find("journal: opened on page 1");
  size_t closed = first.Find("journal: closed");
  size_t next = first.Find("MainGame: on to ");
  EXPECT_LT(complete, written);
  EXPECT_LT(written, opened);
  EXPECT_LT(opened, closed);
  EXPECT_LT(closed, next);  // the play screen waited for the journal
  ASSERT_LT(next, first.lines.size());

  // 2. The next start: the study; the journal opens on its page (2), the
  //    previous-page button turns to the kitchen's.
  TRun second = Run(Click(1000, kPlay) + Click(3500, kJournalButton) + Click(4500, kJournalPrev), 450);
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_TRUE(second.Has("journal: opened on page 2"));
  EXPECT_TRUE(second.Has("journal: logbookprev"));
  EXPECT_FALSE(second.Has("journal: closed"));
  ASSERT_EQ(second.w, 1024);
  // The kitchen's picture lies centred in the left text rectangle
  // (168, 150)-(488, 630) at its own size, pixel for pixel where it is opaque.
  std::vector<uint32_t> picture;
  int pw = 0, ph = 0;
  ASSERT_TRUE(ReadPng(testing_support::SourceDir() + "/assets/journal/loc11.png", &picture, &pw, &ph));
  const int px0 = 168 + (160 - pw / 2), py0 = 150 + (240 - ph / 2);
  int opaque = 0, same = 0;
  for (int y = 0; y < ph; y += 2)
    for (int x = 0; x < pw; x += 2) {
      uint32_t c = picture[size_t(y) * size_t(pw) + size_t(x)];
      if ((c >> 24) != 0xFF) continue;
      ++opaque;
      uint32_t s = second.At(px0 + x, py0 + y);
      bool near = true;
      for (int shift : {0, 8, 16}) near = near && std::abs(int((c >> shift) & 0xFF) - int((s >> shift) & 0xFF)) <= 3;
      same += near;
    }
  ASSERT_GT(opaque, 5000);
  EXPECT_GT(same, opaque * 97 / 100);
  // Its two texts: the opening one in the upper half of the right text
  // rectangle (586, 150)-(902, 630), the closing one (the kitchen is done) below.
  EXPECT_GT(second.Ink(586, 150, 902, 390), 1500);
  EXPECT_GT(second.Ink(586, 390, 902, 630), 1500);

  // 3. Opened and closed again: the study shows where the pages were.
  TRun third = Run(Click(1000, kPlay) + Click(3500, kJournalButton) + Click(4500, kJournalClose), 450);
  EXPECT_EQ(third.exitCode, 0);
  EXPECT_TRUE(third.Has("journal: opened on page 2"));
  EXPECT_TRUE(third.Has("journal: closed"));
  ASSERT_EQ(third.w, 1024);
  EXPECT_GT(second.Brightness(586, 400, 902, 600), 170);
  EXPECT_LT(third.Brightness(586, 400, 902, 600), 130);
}
