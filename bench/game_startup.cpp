// Start-up: the game's start-up against one frame of its main menu, headless: the
// lantern program is run on the demo data with a player already made (so the
// menu is the first screen), once until its first presented frame and once
// for many more frames; a frame's time is the difference divided by the
// extra frames. "ratio startup/frame" is the start-up (process start to the
// first presented frame, exit included) in main-menu frames. Before it
// counts, the first frame is checked against the same frame drawn the plain
// way (setting "plaindrawing"): the whole frame, at most 0.1 % of the pixels
// more than one level apart.
//
// Main menu: the program run headless inside a child of this process on a
// folder with a player made; after its 60th frame (the clouds on their way,
// a cloud's edge in view) a task of the program draws the menu's frame
// through its window manager (its windows from the back, as a frame does),
// records it batch by batch and draws it again by SDL2's software renderer
// (bench/sdlreplay.h), both timed on the thread's CPU time, seven runs each,
// alternating: "ratio menu/sdl menu" (aim: at most 0.3). Before it counts,
// the menu's 60th frame is checked against the same frame drawn the plain
// way (the whole frame, at most 0.1 % of the pixels more than one level
// apart), and SDL's frame against the menu's (within one pixel and 48
// levels, at most 2 % of the pixels without a match, as the scene's).
//
// Journal opening: the same program run with a player made; after the
// menu's 60th frame a task of the program opens the photo album (the
// journal made anew, as at every opening, its pictures loaded), lets it open
// and shows it 60 frames more, closes it, and so five times: the main
// thread's CPU time of the frame in which the album makes its journal (its
// first step), a later opening's (the median of four), against the
// median of the open album's frames: "ratio journal-open/journal-frame"
// (aim: at most 3: opening the journal stalls no frame). The album must show
// (its frame not the menu's); the pictures decoded at each opening are
// printed.
//
// Pictures: the demo's walkthrough played as the other benchmarks play it,
// one program run a stage from a fresh user folder, and then whole in one
// run. Each run logs at its end how many pictures the texture loader decoded
// from files, from how many distinct files, and those files' pixels in
// bytes (the display's "Pictures:" line). "ratio decodes/pictures": the
// stages' decodes against their distinct files (aim: at most 1.1: a picture
// shown again is not decoded again); "ratio peak memory whole demo/all
// pictures decoded": the one run's peak resident memory against the bytes
// of every picture it decoded (aim: at most 0.7). The counts do not depend
// on time: every run plays the same frames at the same virtual times. Each
// run must end normally: its frames run out, or its script quits the game.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "bench/benchutil.h"
#include "bench/compare.h"
#include "bench/game_startup.h"
#include "bench/sdlreplay.h"
#include "game/shell/gamemain.h"
#include "game/shell/screens/photoalbum.h"
#include "game/story/story.h"
#include "platform/shell/platform.h"
#include "platform/task.h"
#include "render/sdev/fault.h"
#include "render/textures/imagereaders.h"
#include "render/textures/keptpictures.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

namespace {

// Seconds the program took; negative when it failed.
double RunLantern(const std::string& options) {
  auto start = std::chrono::steady_clock::now();
  if (!RunLanternUsage(options).ok) return -1;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The screenshot's pixels (width x height), empty when it cannot be read.
std::vector<uint32_t> ReadShot(const std::string& path, int* width, int* height) {
  TDecodedImage image;
  if (!LoadImageFile(TString(path), &image) || !image.pixels) return {};
  *width = int(image.width);
  *height = int(image.height);
  std::vector<uint32_t> px(size_t(image.width) * image.height);
  for (uint32_t y = 0; y < image.height; ++y)
    std::copy(image.pixels + size_t(y) * image.side, image.pixels + size_t(y) * image.side + image.width,
              px.begin() + ptrdiff_t(size_t(y) * image.width));
  return px;
}

}  // namespace

namespace {

// A folder with a player made and the window mode stored, so that every run
// in it opens on the main menu; removed with the object.
struct TMenuFolder {
  TMenuFolder(const char* what) {
    namespace fs = std::filesystem;
    dir = fs::temp_directory_path() / (std::string("lantern-bench-") + what + "-" + std::to_string(getpid()));
    fs::create_directories(dir);
    user = (dir / "user").string();
    const std::string input = (dir / "input.txt").string();
    std::ofstream(input) << "100 key alt+enter\n300 text Ada\n400 key enter\n";
    common = "headless=1,userfolder=" + user;
    made = RunLantern(common + ",frames=60,input=" + input) >= 0;
  }
  ~TMenuFolder() { std::filesystem::remove_all(dir); }
  std::filesystem::path dir;
  std::string user, common;
  bool made = false;
};

// Frame `frames` of the menu drawn the fast way and the plain way must be the same.
bool CheckMenuFrame(const TMenuFolder& folder, int frames, const char* what) {
  const std::string fastShot = (folder.dir / "fast.png").string(), plainShot = (folder.dir / "plain.png").string();
  const std::string last = ",frames=" + std::to_string(frames);
  int fw = 0, fh = 0, pw = 0, ph = 0;
  bool ran = RunLantern(folder.common + last + ",screenshot=" + fastShot) >= 0 &&
             RunLantern(folder.common + last + ",plaindrawing=1,screenshot=" + plainShot) >= 0;
  std::vector<uint32_t> fast = ReadShot(fastShot, &fw, &fh), plain = ReadShot(plainShot, &pw, &ph);
  bench::Require(ran && !fast.empty() && fw == pw && fh == ph && fw > 0,
                 "%s: the frame could not be taken both ways (%dx%d, %dx%d)", what, fw, fh, pw, ph);
  bench::TFrameDiff d = bench::CompareFrames(fast.data(), plain.data(), fw, fh, 1);
  std::printf("%s frame against the plain drawing: %zu pixels differ, %zu by more than one level\n", what, d.differ,
              d.beyond);
  bench::Require(d.beyond * 1000 <= size_t(fw) * size_t(fh),
                 "%s: the frame is not the plain drawing's (%zu pixels more than one level apart)", what, d.beyond);
  size_t lit = 0;
  for (uint32_t p : fast) lit += (p & 0xFFFFFFu) != (fast[0] & 0xFFFFFFu);
  bench::Require(lit * 4 > fast.size(), "%s: the frame is nearly blank (%zu pixels)", what, lit);
  return true;
}

}  // namespace

namespace {

// CPU seconds of the calling thread (the program's sound thread runs beside it).
double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The comparison, run as a task of the program once the menu has shown
// `frames` frames (between two frames, where nothing is being drawn): the
// menu's frame drawn by its window manager (its windows, from the back),
// recorded and drawn by SDL, both checked and timed; then the program is
// asked to end. `status` is 0 when the line was printed.
class TMenuComparison : public TTask {
public:
  TMenuComparison(TPlatform* platform, uint64_t frames, int* status)
      : platform_(platform), frames_(frames), status_(status) {}
  bool IsReady(int pass) override { return pass == 0 && sdev::test::FramesShown() >= frames_; }
  bool DoTask() override {
    *status_ = Compare();
    SetNeedQuit();
    return false;
  }

private:
  int Compare() {
    TWindowManager* wm = platform_->GetWindowManager();
    if (!wm || !wm->GetTopModal()) return 1;
    auto frame = [&] { bench::DrawFrame([&] { wm->DrawModalLayers(0); }); };
    bench::TSdlReplay sdl(1024, 768);
    std::string why;
    frame();  // the text pictures made, as every later frame draws them
    bench::Require(sdl.Record(frame, &why), "menu: the frame cannot be drawn by SDL: %s", why.c_str());
    const std::vector<uint32_t> ours = bench::BackBufferPixels(1024, 768);
    sdl.Draw();
    const std::vector<uint32_t> theirs = sdl.Pixels();
    bench::Require(!ours.empty(), "menu: the frame could not be read");
    const bench::TPixelDiff d = bench::ComparePixels(ours.data(), theirs.data(), 1024, 768, 48);
    std::printf("same work: SDL drew the menu's %zu batches (%zu triangles); %.2f %% of the pixels without a match "
                "within one pixel and 48 levels (mean difference in place %.2f per channel)\n",
                sdl.Batches(), sdl.Triangles(), d.unmatched * 100, d.meanAbs);
    bench::Require(d.unmatched <= 0.02, "menu: SDL's frame is not the menu's: %.2f %% of the pixels without a match",
                   d.unmatched * 100);
    bench::TComparison c =
        bench::Alternate([&] { return bench::TimePerCall(frame, 0.2, ThreadCpuSeconds); },
                         [&] { return bench::TimePerCall([&] { sdl.Draw(); }, 0.2, ThreadCpuSeconds); });
    bench::PrintMedians("a main-menu frame, CPU", c, "lantern", "SDL2 software renderer");
    bench::PrintRatio("menu/sdl menu", c.Ratio());
    return 0;
  }
  TPlatform* platform_;
  uint64_t frames_;
  int* status_;
};

}  // namespace

namespace {

// The photo album opened from the main menu (the journal made anew, as at
// every opening, with its pictures), closed and opened again, as a task of
// the program between its frames: the main thread's CPU time of the frame
// in which the album makes its journal (its first step) and of the frames of
// the open album. `status` is 0 when the line was printed.
class TAlbumOpenings : public TTask {
public:
  TAlbumOpenings(TPlatform* platform, uint64_t menuFrames, int* status)
      : platform_(platform), start_(menuFrames), status_(status) {}
  bool IsReady(int pass) override { return pass == 0; }
  bool DoTask() override {
    const uint64_t shown = sdev::test::FramesShown();
    const double now = ThreadCpuSeconds();
    TWindowManager* wm = platform_->GetWindowManager();
    if (shown < start_ || !wm) return true;
    if (opening_) {
      // The album makes its journal at its first step, in a frame after the
      // script made the album: that frame's CPU, from the pass before it.
      TWindow* top = wm->GetTopModal();
      auto* album = top ? WindowCast<TPhotoAlbum>(top->FindChild("photoalbumwindow")) : nullptr;
      bench::Require(album || shown < phaseAt_ + kSettle, "journal opening: the photo album did not open");
      if (!album || album->NeedsBuild()) {
        lastCpu_ = now;
        return true;
      }
      openings_.push_back(now - lastCpu_);
      decodes_.push_back(keptpictures::GetCounts().decodes - decodesBefore_);
      opening_ = false;
      phaseAt_ = shown;
      lastFrame_ = shown;
      lastCpu_ = now;
      return true;
    }
    if (open_) {
      // The album's frames once its book has opened: one a pass, alone.
      const uint64_t since = shown - phaseAt_;
      if (since > kSettle && shown == lastFrame_ + 1) steady_.push_back(now - lastCpu_);
      lastFrame_ = shown;
      lastCpu_ = now;
      if (since >= kSettle + kSteady) {
        const std::vector<uint32_t> px = bench::BackBufferPixels(1024, 768);
        albumDiffers_ = albumDiffers_ || (!menu_.empty() && px != menu_);
        wm->GetScript()->DoLuaString(TPhotoAlbum::kCloseText, "bench");
        open_ = false;
        phaseAt_ = shown;
      }
      return true;
    }
    if (shown - phaseAt_ < kSettle) return true;  // the menu shown again
    if (openings_.size() == kOpenings) {
      *status_ = Report();
      SetNeedQuit();
      return false;
    }
    menu_ = bench::BackBufferPixels(1024, 768);
    decodesBefore_ = keptpictures::GetCounts().decodes;
    wm->GetScript()->DoLuaString("DoModal('scripts/photoalbum.lua')", "bench");
    opening_ = open_ = true;
    phaseAt_ = shown;
    lastCpu_ = ThreadCpuSeconds();
    return true;
  }

private:
  static constexpr uint64_t kSettle = 90, kSteady = 60;
  static constexpr size_t kOpenings = 5;
  int Report() {
    bench::Require(albumDiffers_, "journal opening: the album did not show");
    std::printf("journal opening: the photo album opened %zu times from the main menu; CPU of the frame it opens "
                "in, the first time %.2f ms, then",
                openings_.size(), openings_[0] * 1e3);
    for (size_t i = 1; i < openings_.size(); ++i) std::printf(" %.2f", openings_[i] * 1e3);
    std::printf(" ms; pictures decoded at each opening:");
    for (uint64_t d : decodes_) std::printf(" %llu", (unsigned long long)d);
    std::printf("\n");
    const std::vector<double> later(openings_.begin() + 1, openings_.end());
    const double open = bench::Median(later), steady = bench::Median(steady_);
    std::printf("the journal, CPU: the frame it opens in (a later opening, median of %zu) %.3f ms, a frame of the "
                "open album %.3f ms (median of %zu)\n",
                later.size(), open * 1e3, steady * 1e3, steady_.size());
    bench::Require(steady > 0, "journal opening: no frame of the open album was timed");
    bench::PrintRatio("journal-open/journal-frame", open / steady);
    return 0;
  }
  TPlatform* platform_;
  uint64_t start_;
  int* status_;
  bool opening_ = false, open_ = false, albumDiffers_ = false;
  uint64_t phaseAt_ = 0, lastFrame_ = 0, decodesBefore_ = 0;
  double lastCpu_ = 0;
  std::vector<double> openings_, steady_;
  std::vector<uint64_t> decodes_;
  std::vector<uint32_t> menu_;
};

// Runs the program here on the folder's player with `task` (made for the
// platform, with the status to set) among its tasks; its status.
int RunWithTask(const TMenuFolder& folder, int frames,
                const std::function<TTask*(TPlatform*, int*)>& task) {
  if (chdir(LANTERN_BENCH_SOURCE) != 0) return 1;
  std::string options = "options=" + folder.common + ",frames=" + std::to_string(frames);
  char program[] = "lantern";
  char* argv[] = {program, options.data(), nullptr};
  int status = 1;
  SetGameSettingsDefaults();
  RegisterStoryLayer();  // the journal, which the photo album makes
  const int exitCode = ApplicationMain(2, argv, [&](TPlatform* platform, const TString& commandLine) {
    platform->AddTask(task(platform, &status));
    GameMain(platform, commandLine);
  });
  bench::Require(exitCode == 0 && status == 0, "the program run here ended with %d (its task %d)", exitCode, status);
  return 0;
}

}  // namespace

int PrintJournalOpenRatio() {
  TMenuFolder folder("album");
  bench::Require(folder.made, "journal opening: lantern did not run");
  return InChild([&] {
    return RunWithTask(folder, 5000, [](TPlatform* p, int* status) { return new TAlbumOpenings(p, 60, status); });
  });
}

int InChild(const std::function<int()>& part) {
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t child = fork();
  if (child == 0) {
    const int status = part();
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(status);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return 1;
  return WEXITSTATUS(status);
}

int PrintMenuRatio() {
  TMenuFolder folder("menu");
  bench::Require(folder.made, "menu: lantern did not run");
  CheckMenuFrame(folder, 60, "main-menu");
  return InChild([&] {
    return RunWithTask(folder, 260, [](TPlatform* p, int* status) { return new TMenuComparison(p, 60, status); });
  });
}

int PrintStartupRatio() {
  TMenuFolder folder("game");
  bench::Require(folder.made, "startup: lantern did not run");
  CheckMenuFrame(folder, 1, "start-up");
  const std::string& common = folder.common;
  const int extra = 300;
  double startup = 1e9, longer = 1e9;
  for (int i = 0; i < 5; ++i) startup = std::min(startup, RunLantern(common + ",frames=1"));
  for (int i = 0; i < 3; ++i) longer = std::min(longer, RunLantern(common + ",frames=" + std::to_string(1 + extra)));
  if (startup < 0 || longer < 0 || longer <= startup) {
    std::fprintf(stderr, "lantern runs failed or took no time\n");
    return 1;
  }
  double frame = (longer - startup) / extra;
  std::printf("startup %.1f ms, main-menu frame %.2f ms\n", startup * 1000, frame * 1000);
  std::printf("ratio startup/frame: %.3f\n", startup / frame);
  return 0;
}

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// One run of a walkthrough script from the user folder: its peak memory and
// the counts of its "Pictures:" line; the program fails the benchmark when
// the run did not end normally on its last frame.
struct TPictureRun {
  unsigned long long decodes = 0, files = 0, fileBytes = 0;
  long peakKb = 0;
};
TPictureRun RunWalkthrough(const std::string& script, const std::string& user) {
  const std::string text = ReadText(script);
  const size_t at = text.find("# frames: ");
  const int frames = at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 10);
  bench::Require(frames > 0, "pictures: %s gives no frame count", script.c_str());
  const TLanternUsage use = RunLanternUsage("headless=1,frames=" + std::to_string(frames) + ",input=" + script +
                                            ",userfolder=" + user);
  // Its end: the frames ran out, or the script quit the game.
  const std::string log = ReadText(user + "/logfile.txt");
  bench::Require(use.ok && (log.rfind("Stopping after " + std::to_string(frames) + " presented frames") !=
                                std::string::npos ||
                            log.rfind("The game ends (quit requested by a script)") != std::string::npos),
                 "pictures: %s did not run to its end", script.c_str());
  TPictureRun run;
  run.peakKb = use.peakKb;
  const size_t line = log.rfind("Pictures: ");
  bench::Require(line != std::string::npos &&
                     std::sscanf(log.c_str() + line, "Pictures: %llu decoded from %llu files of %llu bytes",
                                 &run.decodes, &run.files, &run.fileBytes) == 3 &&
                     run.files > 0 && run.decodes >= run.files && run.fileBytes > 0,
                 "pictures: %s logged no counts of its pictures", script.c_str());
  return run;
}

}  // namespace

int PrintPicturesRatios() {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("lantern-bench-pictures-" + std::to_string(getpid()));
  const std::string scripts = std::string(LANTERN_BENCH_SOURCE) + "/tests/game/playthrough/walkthrough";
  unsigned long long decodes = 0, files = 0;
  std::printf("pictures decoded / distinct files, each stage in a run of its own:");
  int stages = 0;
  for (int n = 1; fs::exists(scripts + std::to_string(n) + ".txt"); ++n, ++stages) {
    const TPictureRun run = RunWalkthrough(scripts + std::to_string(n) + ".txt", (dir / "stages").string());
    std::printf(" %llu/%llu", run.decodes, run.files);
    decodes += run.decodes;
    files += run.files;
  }
  std::printf("\n");
  const TPictureRun whole = RunWalkthrough(scripts + ".txt", (dir / "whole").string());
  fs::remove_all(dir);
  bench::Require(stages > 0, "pictures: no walkthrough stage was found");
  std::printf("the whole demo in one run: %llu pictures decoded from %llu files of %.1f MB of pixels; peak "
              "memory %.1f MB\n",
              whole.decodes, whole.files, double(whole.fileBytes) / 1e6, double(whole.peakKb) * 1024 / 1e6);
  bench::PrintRatio("decodes/pictures", double(decodes) / double(files));
  bench::PrintRatio("peak memory whole demo/all pictures decoded", double(whole.peakKb) * 1024 / double(whole.fileBytes));
  return 0;
}
