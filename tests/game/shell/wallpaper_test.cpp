// Desktop wallpapers: the bitmap's bytes, the folder, safe writes and the
// call of the wallpaper setter.
#include "game/shell/screens/wallpaper.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "platform/host/desktop.h"
#include "tests/render/display_fixture.h"
#include "tests/support/envguard.h"

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
uint32_t U16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

TEST(WallpaperBitmap, ThreeByTwoHasHeadersPaddingAndBottomUpRows) {
  // Rows of the picture: top (1, 2, 3), bottom (4, 5, 6); pixel n = 0xA0n0n1n2 (alpha, red, green, blue).
  const uint32_t px[] = {0xA0102030, 0xA0112131, 0xA0122232, 0xA0405060, 0xA0415161, 0xA0425262};
  std::vector<uint8_t> b = EncodeWallpaperBitmap(px, 3, 3, 2);
  ASSERT_EQ(b.size(), 78u);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(U32(b, 2), 78u);
  EXPECT_EQ(U32(b, 6), 0u);
  EXPECT_EQ(U32(b, 10), 54u);
  EXPECT_EQ(U32(b, 14), 40u);
  EXPECT_EQ(U32(b, 18), 3u);
  EXPECT_EQ(U32(b, 22), 2u);
  EXPECT_EQ(U16(b, 26), 1u);
  EXPECT_EQ(U16(b, 28), 24u);
  EXPECT_EQ(U32(b, 30), 0u);
  EXPECT_EQ(U32(b, 34), 0u);
  EXPECT_EQ(U32(b, 38), 3780u);
  EXPECT_EQ(U32(b, 42), 3780u);
  EXPECT_EQ(U32(b, 46), 0u);
  EXPECT_EQ(U32(b, 50), 0u);
  const std::vector<uint8_t> rows = {0x60, 0x50, 0x40, 0x61, 0x51, 0x41, 0x62, 0x52, 0x42, 0, 0, 0,   // bottom row first
                                     0x30, 0x20, 0x10, 0x31, 0x21, 0x11, 0x32, 0x22, 0x12, 0, 0, 0};
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 54, b.end()), rows);
}

TEST(WallpaperBitmap, FourWideHasNoPaddingAndThePitchIsHonoured) {
  std::vector<uint32_t> px(6 * 3, 0xFFFFFFFF);  // pitch 6, width 4: the last two of each row are not read
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) px[y * 6 + x] = uint32_t(y * 16 + x);
  std::vector<uint8_t> b = EncodeWallpaperBitmap(px.data(), 6, 4, 3);
  ASSERT_EQ(b.size(), 4u * 3 * 3 + 54);
  EXPECT_EQ(U32(b, 2), 90u);
  for (int row = 0; row < 3; ++row)
    for (int x = 0; x < 4; ++x) {
      size_t at = 54 + size_t(row) * 12 + size_t(x) * 3;
      EXPECT_EQ(b[at], (2 - row) * 16 + x);
      EXPECT_EQ(b[at + 1], 0);
      EXPECT_EQ(b[at + 2], 0);
    }
  // One and two pixels wide: 1 and 2 padding bytes.
  EXPECT_EQ(EncodeWallpaperBitmap(px.data(), 6, 1, 1).size(), 58u);
  EXPECT_EQ(EncodeWallpaperBitmap(px.data(), 6, 2, 1).size(), 62u);
}

TEST(WallpaperBitmap, RefusesWhatCannotBeRead) {
  uint32_t px[4] = {};
  EXPECT_TRUE(EncodeWallpaperBitmap(nullptr, 2, 2, 2).empty());
  EXPECT_TRUE(EncodeWallpaperBitmap(px, 2, 0, 2).empty());
  EXPECT_TRUE(EncodeWallpaperBitmap(px, 2, 2, 0).empty());
  EXPECT_TRUE(EncodeWallpaperBitmap(px, 1, 2, 2).empty());
  EXPECT_TRUE(EncodeWallpaperBitmap(px, 16385, 16385, 1).empty());
}

class TRecordingSetter : public IWallpaperSetter {
public:
  explicit TRecordingSetter(std::vector<std::string>* paths) : paths_(paths) {}
  bool Set(const std::string& path) override {
    paths_->push_back(path);
    return true;
  }

private:
  std::vector<std::string>* paths_;
};

class WallpaperFileTest : public DisplayTest {
protected:
  void SetUp() override {
    DisplayTest::SetUp();
    ForgetWallpaperFolder();
    SetWallpaperSetter(std::make_unique<TRecordingSetter>(&setPaths));
    SetSetting("userfolder", "");  // the XDG folders of `home`, not those of a user folder
    ASSERT_TRUE(Open());
  }
  void TearDown() override {
    SetWallpaperSetter(nullptr);
    ForgetWallpaperFolder();
    DisplayTest::TearDown();
  }
  std::string Folder() const { return home.Path() + "/home/Pictures/Orvelle"; }

  testing_support::TempDir home;
  testing_support::XdgEnvGuard env{home.Path()};
  std::vector<std::string> setPaths;
};

TEST_F(WallpaperFileTest, WritesIntoTheUserDirsPicturesFolderAndOverwrites) {
  home.Write("config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/My Pictures\"\n");
  TTextureRef tex = MakeTexture(3, 2, [](int x, int y) { return 0xFF000000u | uint32_t(y * 3 + x + 1); });
  const std::string folder = home.Path() + "/home/My Pictures/Orvelle";
  std::string path = SaveWallpaperBitmap(tex, "verdan_wallpaper1");
  EXPECT_EQ(path, folder + "/verdan_wallpaper1.bmp");
  struct stat st;
  ASSERT_EQ(stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);  // the user's alone
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  uint32_t px[] = {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004, 0xFF000005, 0xFF000006};
  EXPECT_EQ(Bytes(testing_support::ReadFile(path)), EncodeWallpaperBitmap(px, 3, 3, 2));

  // The folder is kept for the process: a changed user-dirs file is not read again.
  home.Write("config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Other\"\n");
  TTextureRef wide = MakeTexture(4, 1, [](int, int) { return 0xFF0000FFu; });
  EXPECT_EQ(SaveWallpaperBitmap(wide, "verdan_wallpaper1"), path);
  EXPECT_EQ(testing_support::ReadFile(path).size(), 66u);
  EXPECT_FALSE(testing_support::FileExists(path + ".tmp"));
  EXPECT_TRUE(setPaths.empty());  // saving alone sets nothing
}

TEST_F(WallpaperFileTest, SettingWritesThenCallsTheSetterWithThePath) {
  TTextureRef tex = MakeTexture(5, 4, [](int x, int y) { return 0xFF808080u + uint32_t(x + y); });
  EXPECT_TRUE(SetWallpaperFromTexture(tex, "wt"));
  ASSERT_EQ(setPaths.size(), 1u);
  EXPECT_EQ(setPaths[0], Folder() + "/wt.bmp");
  EXPECT_EQ(testing_support::ReadFile(setPaths[0]).size(), 16u * 4 + 54);
}

// Every wallpaper has one size: a file of that size that holds another
// picture (another player's, or damaged) is replaced by the picture asked
// for; one that holds it already is left unwritten.
TEST_F(WallpaperFileTest, ExportAlwaysLeavesThePictureAskedFor) {
  TTextureRef tex = MakeTexture(4, 2, [](int, int) { return 0xFF112233u; });
  std::string path = SaveWallpaperBitmap(tex, "w");
  ASSERT_FALSE(path.empty());
  const std::string wanted = testing_support::ReadFile(path);
  for (std::string stale : {std::string(wanted.size(), 'x'), wanted.substr(0, wanted.size() - 1) + "\x01",
                            std::string("short")}) {
    home.Write("home/Pictures/Orvelle/w.bmp", stale);
    EXPECT_EQ(ExportWallpaperBitmap(tex, "w"), path);
    EXPECT_EQ(testing_support::ReadFile(path), wanted);
    EXPECT_FALSE(testing_support::FileExists(path + ".tmp"));
  }
  struct stat before, after;
  ASSERT_EQ(stat(path.c_str(), &before), 0);
  EXPECT_EQ(ExportWallpaperBitmap(tex, "w"), path);
  ASSERT_EQ(stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);  // not written again
}

TEST_F(WallpaperFileTest, AReadOnlyFolderGivesNoPathAndSetsNothing) {
  env.Set("XDG_PICTURES_DIR", "/proc");  // no folder can be made there, not even by root
  TTextureRef tex = MakeTexture(3, 2, [](int, int) { return 0xFF000000u; });
  EXPECT_EQ(SaveWallpaperBitmap(tex, "wt"), "");
  EXPECT_FALSE(SetWallpaperFromTexture(tex, "wt"));
  EXPECT_TRUE(setPaths.empty());
  EXPECT_FALSE(testing_support::FileExists("/proc/Orvelle"));
}

TEST_F(WallpaperFileTest, AWriteCutShortLeavesNoHalfFileAndKeepsTheOldOne) {
  TTextureRef small = MakeTexture(2, 2, [](int, int) { return 0xFF010203u; });
  std::string path = SaveWallpaperBitmap(small, "wt");
  ASSERT_FALSE(path.empty());
  const std::string before = testing_support::ReadFile(path);
  TTextureRef big = MakeTexture(64, 64, [](int, int) { return 0xFF040506u; });
  // The disk fills after 1000 bytes (a file size limit fails the write as root too).
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit limit = old;
  limit.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  bool set = SetWallpaperFromTexture(big, "wt");
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(set);
  EXPECT_TRUE(setPaths.empty());
  EXPECT_EQ(testing_support::ReadFile(path), before);
  EXPECT_FALSE(testing_support::FileExists(path + ".tmp"));
}

TEST_F(WallpaperFileTest, NoPixelsOrABadNameWriteNothing) {
  EXPECT_EQ(SaveWallpaperBitmap(TTextureRef(), "wt"), "");
  TTextureRef unloaded(new TTexture);  // no surface: the lock fails
  EXPECT_EQ(SaveWallpaperBitmap(unloaded, "wt"), "");
  EXPECT_FALSE(SetWallpaperFromTexture(unloaded, "wt"));
  TTextureRef tex = MakeTexture(2, 2, [](int, int) { return 0xFF000000u; });
  for (const char* name : {"", ".", "..", "../x", "a/b", "a\nb"}) EXPECT_EQ(SaveWallpaperBitmap(tex, name), "") << name;
  EXPECT_EQ(SaveWallpaperBitmap(tex, nullptr), "");
  EXPECT_FALSE(testing_support::FileExists(Folder() + "/wt.bmp"));
  EXPECT_TRUE(setPaths.empty());
}

}  // namespace
