// Shared harness of the game's end-to-end tests: the lantern program run
// headless in a child process on the demo data (or a prepared working
// folder), from the test's own user folder and driven by an input script;
// what it logged, its last frame, and the progress it saved.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/geometry.h"
#include "tests/support/testsupport.h"

class GameProgress;
class TPrefs;

namespace gamee2e {

// Screen places of the demo data's controls, in the game's points (a window).
constexpr const char* kPlayButton = "310 362";
constexpr const char* kSplashSkip = "956 712";
constexpr const char* kComicPage = "500 300";  // a click completes the page and shows the skip button
constexpr const char* kComicSkip = "140 725";
constexpr const char* kTutorButton = "704 545";  // the tutorial box's next and close buttons
constexpr const char* kHintButton = "926 710";
constexpr const char* kJournalClose = "958 72";
constexpr const char* kSkipButton = "972 636";  // a mini-game's
constexpr const char* kQuitYes = "408 459";
constexpr const char* kQuitNo = "616 459";

// Input script lines: an event at t ms; a move to "x y" and a left click there 50 ms later.
std::string At(int t, const std::string& what);
std::string Point(int x, int y);
std::string Click(int t, const std::string& where);
std::string Click(int t, int x, int y);
// A new player's first start: full screen left first (Alt+Enter, so that
// the input's points are the game's), the name given by 400 ms.
std::string NewPlayer(const std::string& name = "Ada");
// Then Play at `play` ms, the splash and the level's comic skipped 2.5 to 5.3 s later.
std::string FirstGame(const std::string& name = "Ada", int play = 800);

// Runs the program in `folder` with "options=<options>" and the further
// command-line words; its exit code (128 + the signal's number when a signal
// ended it, as a shell reports it). A
// `launcher` (a command and its words) starts the program when given;
// `watch`, when given, is called with the child's id every 2 ms while it runs;
// `inChild`, when given, runs in the child before the program starts.
int RunProgram(const std::string& folder, const std::string& options, std::vector<std::string> words = {},
               const std::vector<std::string>& launcher = {}, const std::function<void(int pid)>& watch = nullptr,
               const std::function<void()>& inChild = nullptr);

// Makes `folder` read-only for the program runs that call Enter in their
// child: its mode 0555, and a program run as root gives up its right to
// write past file modes. False (nothing changed) where no read-only folder
// can be made this way; Leave (or the destructor) makes it writable again.
class TReadOnlyFolder {
public:
  explicit TReadOnlyFolder(std::string folder);
  ~TReadOnlyFolder();
  bool Made() const { return made_; }
  static void Enter();  // in the child, before the program starts
  void Leave();

private:
  std::string folder_;
  bool made_ = false;
};

// One run of the program.
struct TRun {
  int exitCode = -1;
  std::string log;                 // the run's log file
  std::vector<std::string> lines;  // the log lines carrying one of the fixture's tags, from the tag on
  std::vector<uint32_t> px;        // the last frame
  int w = 0, h = 0;

  uint32_t At(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
  // The screens that came to the top ("modal: <name> (frame <n>, <ms> ms)"
  // lines of the whole log), in order, the fades ("sShadow") left out.
  std::vector<std::string> Screens() const;
  // The time (ms) the screen came to the top the nth time; -1 when it did not.
  int ShownAt(const std::string& name, int nth = 1) const;
  bool Has(const std::string& line) const;          // a line just so
  bool Mentions(const std::string& text) const;     // a line holding the text
  size_t Count(const std::string& prefix) const;    // lines beginning with the text
  int Find(const std::string& prefix) const;        // the first such line's index; -1 when none
  size_t InLog(const std::string& text) const;      // times the text stands in the whole log
  std::string Joined() const;                       // the lines, for failure messages
  double Brightness(int x0, int y0, int x1, int y1) const;  // mean (r + g + b) / 3 of the rectangle
  // Pixels of the rectangle (every `step`th each way) whose colour passes fn(r, g, b).
  template <class Fn>
  int Pixels(int x0, int y0, int x1, int y1, Fn fn, int step = 1) const {
    int n = 0;
    for (int y = y0; y < y1; y += step)
      for (int x = x0; x < x1; x += step) {
        uint32_t c = At(x, y);
        n += fn(int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF)) ? 1 : 0;
      }
    return n;
  }
};

// The mini-games: one opens behind two fades after Play at 300 ms, by
// kGameOpen ms; its opening message (two steps) then waits, closed at *t by
// CloseOpening, which moves *t on past it.
constexpr int kGameOpen = 5000;
std::string CloseOpening(int* t);
// Frames for a run of at least `ms` virtual milliseconds: a frame comes at
// most every 12 ms, and at times a little sooner.
inline int FramesFor(int ms) { return ms / 10 + 100; }

// The main menu's greeting: pixels of warm writing where it names the player
// (more than 80 when it does).
int Greeting(const TRun& run);

// Amber title writing on the plate of a notice (the small board of
// scripts/minitutor.lua, centred): pixels of it (more than 100 for a title
// wider than "A hint").
int NoticeTitleInk(const TRun& run);

// Each colour channel within the tolerance.
bool Near(uint32_t a, uint32_t b, int tolerance);
// Pixels of the rectangle that differ (beyond a tolerance of 8) between two frames of 1024 x 768.
int Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, const TRect& r);

// The centre "x y" of the art kit's button `name` (KitButton, ui.lua) in a
// demo screen script, on its board centred on the screen (or at 0, 0).
std::string KitButtonAt(const std::string& script, const std::string& name);

// The items of a demo level file, in file order: their rectangles and picture names.
struct TLevelItem {
  int x = 0, y = 0, w = 0, h = 0;
  std::string picture;  // "img", a name under assets/ without its extension
};
std::vector<TLevelItem> LevelItems(const std::string& level);
// The centre "x y" of every item of a demo level file, in file order.
std::vector<std::string> ItemCentres(const std::string& level);

// Every file and folder under `folder` with its mode, size and modification
// time, one per line (a home compared before and after a run).
std::string TreeOf(const std::string& folder);

// Marks the places passed, on a fixed evening.
void Pass(GameProgress& progress, const std::vector<std::string>& places);

// A test with a temporary folder whose "user" folder is the program's, and
// whose "home" is the HOME of every run (XDG_RUNTIME_DIR and XDG_CACHE_HOME
// are "runtime" and "cache" there): each run checks that its home is left
// exactly as it was.
// LANTERN_E2E_SHOTS=<folder> keeps each run's last frame for a look.
class TGameEndToEnd : public ::testing::Test {
protected:
  // The log lines a run keeps in `lines`: those carrying one of the tags.
  explicit TGameEndToEnd(std::vector<std::string> tags = {}) : tags(std::move(tags)) {}

  // Runs the program for `frames` frames on the input script; `extra` is
  // appended to the options (",name=value..."). The user folder's log file
  // is emptied first (and stays, so that a read-only user folder keeps it).
  TRun Run(const std::string& input, int frames, const std::string& extra = "");
  // Run, but as soon as the log holds the marker texts, in their order, the
  // program is stopped while `atMarker` runs: it reads what lies on disk at
  // that moment, before any later save and the one at the end (a failure
  // when the run had ended).
  TRun RunPausing(const std::string& input, int frames, const std::vector<std::string>& markers,
                  const std::function<void()>& atMarker, const std::string& extra = "");
  // A moment of a long run: when the log holds its markers in their order
  // (and those of the moments before), the program stops while `look` runs.
  struct TMoment {
    std::vector<std::string> markers;
    std::function<void()> look;
  };
  // RunPausing at each of the moments in turn.
  TRun RunPausingAt(const std::string& input, int frames, const std::vector<TMoment>& moments,
                    const std::string& extra = "");
  // The same in a real window: the program started through `launcher` (an X
  // server's, say), not headless; the frame is the window's screenshot.
  TRun RunThrough(const std::vector<std::string>& launcher, const std::string& input, int frames,
                  const std::string& extra = "");
  // What the three above share: `extra` carries ",headless=1" where it applies.
  TRun RunWatched(const std::vector<std::string>& launcher, const std::string& input, int frames,
                  const std::vector<TMoment>& moments, const std::string& extra);
  // A new user folder with the player "Ada" (in a window, so that the
  // input's points are the game's), whatever `edit` makes of a new game's progress.
  void SaveAda(const std::function<void(GameProgress&)>& edit);
  // The progress saved for the user folder's current player.
  GameProgress Saved();
  // The user folder's saved preferences.
  std::unique_ptr<TPrefs> Prefs();
  // SaveAda at a level, chapter and location, past the first run and the
  // intro, with the places passed and the comics seen.
  void SaveAt(int level, int chapter, int location, const std::vector<std::string>& passed,
              const std::vector<std::string>& comics);
  // "level chapter location mLocationType" of the saved game, then
  // " name=<passed>" ("none" when absent) for each of the places.
  std::string SavedPlace(const std::vector<std::string>& places);

  testing_support::TempDir dir;
  std::string folder = testing_support::SourceDir();  // where the program runs: its assets
  int runningPid = 0;  // the program's process while a moment of it is looked at
  std::function<void()> inChild;  // given to RunProgram by Run
  std::vector<std::string> words;  // further command-line words of Run's runs
  std::vector<std::string> tags;
  int runs = 0;

private:
  // Runs `body` with the user folder's profiles loaded, as the program would.
  void WithUsers(const std::function<void()>& body);
};

}  // namespace gamee2e
