// End to end: the lantern program, headless, opens the gallery over a saved
// profile that has earned the demo wallpapers, and an input script pages
// forward and back, tries a locked slot, chooses a wallpaper and confirms;
// then Escape leaves it for the main menu, and closes the photo album there.
// Checked: the exported bitmaps (over stale files of the same size), the
// chosen one's bytes, the command lines the wallpaper setter would start, the
// screens, and the final frames; and a finished game's pages sliding, clipped
// to the page.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game/shell/data/gameprogress.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/data/userinfo.h"
#include "game/shell/screens/wallpaper.h"
#include "platform/folders.h"
#include "platform/host/desktop.h"
#include "platform/prefs.h"
#include "platform/registry/asset.h"
#include "platform/settings.h"
#include "render/textures/imagereaders.h"
#include "tests/game/support/gamee2e.h"
#include "tests/platform/pngread.h"
#include "tests/support/envguard.h"
#include "tests/support/testsupport.h"

namespace fs = std::filesystem;
using gamee2e::Near;
using gamee2e::RunProgram;

namespace {

const char* kWallpapers[] = {"wallpapers/lighthouse", "wallpapers/kitchen", "wallpapers/study", "wallpapers/boathouse"};

// A working folder whose assets are the demo's, but whose first screen opens the gallery.
void MirrorAssets(const std::string& root) {
  const fs::path source = fs::path(testing_support::SourceDir()) / "assets";
  fs::create_directories(fs::path(root) / "assets" / "scripts");
  for (const auto& entry : fs::directory_iterator(source))
    if (entry.path().filename() != "scripts") fs::create_symlink(entry.path(), fs::path(root) / "assets" / entry.path().filename());
  for (const auto& entry : fs::directory_iterator(source / "scripts"))
    if (entry.path().filename() != "mainloop.lua")
      fs::create_symlink(entry.path(), fs::path(root) / "assets" / "scripts" / entry.path().filename());
  std::ofstream(fs::path(root) / "assets" / "scripts" / "mainloop.lua")
      << "DebugOut('screen: gallery opens')\nDoModal('scripts/gallery.lua')\n";
}

// The bitmap the program must have written for a demo picture, decoded here by the same reader.
std::vector<uint8_t> ExpectedBitmap(const std::string& picture) {
  testing_support::ScopedChdir cd(testing_support::SourceDir());
  RefreshFileLayer();
  TDecodedImage image;
  EXPECT_TRUE(LoadImageFile(TString(picture), &image)) << picture;
  RefreshFileLayer();
  return EncodeWallpaperBitmap(image.pixels, image.side, image.width, image.height);
}

// A frame of a run in the middle of the page slide the click at 400 ms starts.
constexpr int kMidSlideFrames = 70;

std::vector<uint8_t> Bytes(const std::string& path) {
  std::string text = testing_support::ReadFile(path);
  return std::vector<uint8_t>(text.begin(), text.end());
}

}  // namespace

using GalleryProgram = gamee2e::TGameEndToEnd;

TEST_F(GalleryProgram, PagesChoosesAndSetsAWallpaperFromScriptedInput) {
  testing_support::XdgEnvGuard xdg(dir.Path());  // the child inherits HOME and XDG_CONFIG_HOME
  folder = dir.File("work");
  MirrorAssets(folder);
  // A profile "Ada" whose photo list earns the four demo wallpapers (one twice).
  SaveAda([](GameProgress& p) {
    p.photos = {kWallpapers[0], kWallpapers[1], kWallpapers[0], kWallpapers[2], kWallpapers[3]};
  });
  // Files of the wallpapers' one size left by another player and by damage:
  // each export, and the wallpaper set, writes the picture asked for over them.
  const std::string pictures = dir.File("user") + "/Pictures/Orvelle";  // "userfolder" holds them
  fs::create_directories(pictures);
  auto leave = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(pictures + "/" + name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                                  std::streamsize(bytes.size()));
  };
  const std::vector<uint8_t> another = ExpectedBitmap(std::string(kWallpapers[3]) + "_wallpaper");
  leave("verdan_wallpaper1.bmp", another);
  leave("verdan_wallpaper2.bmp", std::vector<uint8_t>(another.size(), 0));
  leave("wt.bmp", another);

  const gamee2e::TRun run = Run("# page forward, try a locked slot and the button, page back\n"
                                "380 move 896 380\n400 click left 896 380\n"
                                "1380 move 362 265\n1400 click left 362 265\n"
                                "1480 move 512 664\n1500 click left 512 664\n"
                                "# the hint's pop-up and its OK button\n"
                                "1580 move 512 455\n1600 click left 512 455\n"
                                "1680 move 128 380\n1700 click left 128 380\n"
                                "# choose the kitchen, set it, confirm\n"
                                "2680 move 662 265\n2700 click left 662 265\n"
                                "2780 move 512 664\n2800 click left 512 664\n"
                                "3280 move 404 471\n3300 click left 404 471\n"
                                "3400 move 700 700\n",
                                400);
  ASSERT_EQ(run.exitCode, 0);
  const std::string& log = run.log;
  EXPECT_NE(log.find("screen: gallery opens"), std::string::npos) << log;

  // Every earned wallpaper was exported, in the order first earned.
  for (int k = 0; k < 4; ++k)
    EXPECT_EQ(Bytes(pictures + "/verdan_wallpaper" + std::to_string(k + 1) + ".bmp"),
              ExpectedBitmap(std::string(kWallpapers[k]) + "_wallpaper"))
        << k;
  EXPECT_FALSE(testing_support::FileExists(pictures + "/verdan_wallpaper5.bmp"));

  // The locked slot on page 1 could not be chosen: the button only gave the hint.
  EXPECT_NE(log.find("Hint infowallpaperempty: Choose one of the pictures you have earned first."), std::string::npos);
  // The kitchen, chosen on page 0, became "wt.bmp" and went to the setter.
  const std::string wt = pictures + "/wt.bmp";
  const std::vector<uint8_t> written = Bytes(wt);
  ASSERT_EQ(written.size(), 1024u * 3 * 768 + 54);
  EXPECT_EQ(written, ExpectedBitmap("wallpapers/kitchen_wallpaper"));
  std::string portal;
  for (const std::string& word : TDesktopWallpaperSetter::PortalCommand(wt)) portal += (portal.empty() ? "" : " ") + word;
  EXPECT_NE(log.find("Wallpaper: a headless run does not start: " + portal), std::string::npos) << portal;
  EXPECT_NE(log.find("Wallpaper saved to " + wt + "; setting it is not supported on this desktop"),
            std::string::npos);
  EXPECT_EQ(log.find("SetUserWallpaper without"), std::string::npos);

  // The final frame: page 0 with its four thumbnails, the kitchen framed, the dialog gone.
  const std::vector<uint32_t>& px = run.px;
  std::vector<uint32_t> thumb;
  int tw = 0, th = 0;
  ASSERT_EQ(run.w, 1024);
  const int slotX[] = {232, 532, 232, 532}, slotY[] = {180, 180, 380, 380};
  for (int k = 0; k < 4; ++k) {
    ASSERT_TRUE(ReadPng(testing_support::SourceDir() + "/assets/" + kWallpapers[k] + ".png", &thumb, &tw, &th));
    int matching = 0;
    for (int y = 20; y < 150; y += 13)
      for (int x = 20; x < 240; x += 17)
        matching += Near(px[size_t(slotY[k] + y) * 1024 + size_t(slotX[k] + x)], thumb[size_t(y) * tw + size_t(x)], 3);
    EXPECT_GE(matching, 100) << "thumbnail " << k;  // of 130 samples
  }
  // The amber frame of the selection around the kitchen (slot 1), none around the lighthouse.
  uint32_t frame = px[size_t(265) * 1024 + 530], plain = px[size_t(265) * 1024 + 230];
  EXPECT_GT(int((frame >> 16) & 0xFF), 200);
  EXPECT_GT(int((frame >> 8) & 0xFF), 150);
  EXPECT_LT(int((plain >> 16) & 0xFF), 200);

  // Escape leaves the gallery behind the fade for the main menu; there the
  // photo album opens and Escape closes it again.
  const gamee2e::TRun back = Run("500 key escape\n" + gamee2e::Click(3000, gamee2e::KitButtonAt("mainmenu.lua", "photos")) +
                                 "4000 key escape\n",
                                 gamee2e::FramesFor(5000));
  EXPECT_EQ(back.exitCode, 0);
  EXPECT_EQ(back.Screens(), (std::vector<std::string>{"GameGallery", "mainmenu", "photoalbum", "mainmenu"})) << back.log;
  // The last frame: the main menu greets the player, no journal over it.
  ASSERT_EQ(back.w, 1024);
  EXPECT_GT(gamee2e::Greeting(back), 80);
}

// A finished game has earned every slot: while the pages slide, the
// thumbnails of both pages are cut to the page; outside it the frame is that
// of a player who earned none (every slot locked, drawn in the page alone).
TEST_F(GalleryProgram, ThumbnailsStayInsideThePageWhileThePagesSlide) {
  testing_support::XdgEnvGuard xdg(dir.Path());
  folder = dir.File("work");
  MirrorAssets(folder);
  std::vector<TString> all;
  for (const auto& entry : fs::directory_iterator(testing_support::SourceDir() + "/assets/wallpapers"))
    if (entry.path().extension() == ".png") all.push_back(TString("wallpapers/" + entry.path().stem().string()));
  std::sort(all.begin(), all.end());
  all.resize(8);  // main.xml's "wallpapersCount"
  auto slideWith = [&](const std::vector<TString>& photos) {
    SaveAda([&](GameProgress& p) { p.photos = photos; });
    // The right page button, then a frame in the middle of the slide.
    return Run("380 move 896 380\n400 click left 896 380\n", kMidSlideFrames);
  };
  const gamee2e::TRun earned = slideWith(all), none = slideWith({});
  ASSERT_EQ(earned.w, 1024);
  ASSERT_EQ(none.w, 1024);
  const TRect page(172, 150, 872, 610);  // "images_rect" less its offset, as gallery.lua gives it
  int outside = 0, inside = 0;
  for (int y = 0; y < 768; ++y)
    for (int x = 0; x < 1024; ++x) {
      bool same = Near(earned.At(x, y), none.At(x, y), 2);
      if (page.Contains(TPoint(x, y))) inside += same ? 0 : 1;
      else outside += same ? 0 : 1;
    }
  EXPECT_EQ(outside, 0);
  EXPECT_GT(inside, 100000);  // the thumbnails of two pages, half of each
}

TEST(PlayLogProgram, TheGameOverPageOpensAtQuitOnlyForARealTesterWord) {
  testing_support::TempDir dir;
  testing_support::XdgEnvGuard xdg(dir.Path());
  struct Case {
    std::vector<std::string> words;
    bool opens;
  };
  const Case cases[] = {{{"tester7"}, true}, {{"-msn"}, false}, {{"--cheat", "code7"}, false}, {{}, false}};
  int n = 0;
  for (const Case& c : cases) {
    std::string user = dir.File("user" + std::to_string(n++));
    ASSERT_EQ(RunProgram(testing_support::SourceDir(),
                         "headless=1,frames=5,playlogserver=http://127.0.0.1:9/t/,userfolder=" + user, c.words),
              0);
    const std::string log = testing_support::ReadFile(user + "/logfile.txt");
    bool opened = log.find("OpenUrl: http://127.0.0.1:9/t/gameOver.php?license=tester7 (headless: no browser started)") !=
                  std::string::npos;
    EXPECT_EQ(opened, c.opens) << (c.words.empty() ? "" : c.words.back());
    EXPECT_EQ(log.find("OpenUrl") != std::string::npos, c.opens);
    EXPECT_EQ(log.find("Play statistics on for tester \"tester7\" (server: http://127.0.0.1:9/t)") != std::string::npos,
              c.opens);
  }
  EXPECT_FALSE(testing_support::FileExists(dir.Path() + "/home/Documents"));  // no level was played
}
