// The file layer: name resolution, pack archives, seeking, packed XML,
// writable folders, memory files and file maps, on real files in a temporary folder.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <map>

#include "platform/archive.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "platform/log.h"
#include "platform/readfile.h"
#include "platform/settings.h"
#include "platform/xml.h"
#include "tests/support/testsupport.h"

namespace {

using testing_support::ReadFile;
using testing_support::ScopedChdir;
using testing_support::TempDir;

std::string ReadAll(const TString& name) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(name, bytes)) return "<missing>";
  return std::string(bytes.begin(), bytes.end());
}

class Files : public ::testing::Test {
protected:
  Files() : cwd_(dir_.Path()) {}
  void SetUp() override {
    SetSetting("userfolder", TString(dir_.File("home")));
    SetSetting("desktopfolder", TString(dir_.File("desk")));
    RefreshFileLayer();
  }
  void TearDown() override {
    SetSetting("userfolder", "");
    SetSetting("desktopfolder", "");
    SetRefuseAbsolutePaths(false);
    RefreshFileLayer();
  }
  // Packs the members into the working folder's assets/<archive>.
  void Pack(const std::string& archive, const std::map<std::string, std::string>& members) {
    std::vector<TPackInput> inputs;
    for (const auto& m : members) inputs.push_back({m.first, dir_.Write("src/" + archive + "/" + m.first, m.second)});
    TString error;
    ASSERT_TRUE(WritePackArchive(dir_.File("assets/" + archive), inputs, &error)) << error.c_str();
  }
  TempDir dir_;
  ScopedChdir cwd_;
};

TEST_F(Files, NameResolutionOrderAndCaseFallback) {
  Pack("data.knp", {{"both.txt", "archive"}, {"only/packed.txt", "packed"}, {"levels/Level1.xml", "level"}});
  dir_.Write("assets/both.txt", "loose");
  dir_.Write("top.txt", "working folder");
  dir_.Write("assets/top.txt", "assets folder");
  dir_.Write("assets/Images/Logo.PNG", "logo");

  EXPECT_EQ(ReadAll("both.txt"), "loose");  // a loose file beats the archive member
  EXPECT_EQ(ReadAll("top.txt"), "working folder");
  EXPECT_EQ(ReadAll("assets/top.txt"), "assets folder");
  EXPECT_EQ(ReadAll("only/packed.txt"), "packed");
  EXPECT_EQ(ReadAll("assets/only/packed.txt"), "packed");  // "assets/" also names archive members
  EXPECT_EQ(ReadAll("ONLY\\Packed.TXT"), "packed");
  EXPECT_EQ(ReadAll("images\\logo.png"), "logo");          // case fallback and "\" separators
  EXPECT_EQ(ReadAll("./images//LOGO.png"), "logo");
  EXPECT_EQ(ReadAll("levels/level1.xml"), "level");
  EXPECT_FALSE(FileExists("nothing.txt"));

  // An archive written over in place is read again, with what its members
  // now hold (a member read as plain bytes before now holds packed XML).
  const std::string rewritten = "rewritten";
  auto packedText = DeflateZxml(reinterpret_cast<const uint8_t*>(rewritten.data()), rewritten.size());
  Pack("other.knp", {{"only/packed.txt", std::string(packedText.begin(), packedText.end())}});
  std::string bytes = ReadFile(dir_.File("assets/other.knp"));
  std::remove(dir_.File("assets/other.knp").c_str());
  EXPECT_EQ(ReadAll("only/packed.txt"), "packed");
  dir_.Write("assets/data.knp", bytes);
  EXPECT_EQ(ReadAll("only/packed.txt"), "rewritten");
}

// The file layer on a file system whose times move in ticks of 1000 s (so
// that every change the test makes falls in one tick), with a clock the test
// sets: `Now(t)` puts it t seconds after a file time.
class CoarseTimes : public Files {
protected:
  static constexpr int64_t kTick = int64_t(1000) * 1000000000;
  CoarseTimes() { SetFileLayerClock(&Clock, kTick); }
  ~CoarseTimes() override { SetFileLayerClock(nullptr, 0); }
  static int64_t Clock() { return now_; }
  // The clock `seconds` after the tick that holds the path's change time.
  void Now(const std::string& path, int64_t seconds) {
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0) << path;
    const int64_t change = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    now_ = change - change % kTick + seconds * 1000000000;
  }
  static int64_t now_;
};
int64_t CoarseTimes::now_ = 0;

// An archive written over in place at the same size within the tick of its
// mount keeps its size and times: it is still read again (its directory
// compared), so no member is read at its old offset.
TEST_F(CoarseTimes, AnArchiveRewrittenInPlaceAtTheSameSizeIsReadAgain) {
  Pack("data.knp", {{"a.txt", std::string(32, 'a')}, {"bb.txt", std::string(16, 'b')}});
  const std::string path = dir_.File("assets/data.knp");
  const std::string first = ReadFile(path);
  Pack("next.knp", {{"a.txt", std::string(16, 'A')}, {"bb.txt", std::string(32, 'B')}});
  const std::string second = ReadFile(dir_.File("assets/next.knp"));
  std::remove(dir_.File("assets/next.knp").c_str());
  ASSERT_EQ(first.size(), second.size());
  RefreshFileLayer();
  Now(path, 1);  // within the margin after the archive's change time
  EXPECT_EQ(ReadAll("bb.txt"), std::string(16, 'b'));
  auto writeInPlace = [&](const std::string& bytes) {
    int fd = open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, bytes.data(), bytes.size(), 0), ssize_t(bytes.size()));
    close(fd);
  };
  writeInPlace(second);
  EXPECT_EQ(ReadAll("bb.txt"), std::string(32, 'B'));
  EXPECT_EQ(ReadAll("a.txt"), std::string(16, 'A'));
  writeInPlace(first);
  Now(path, 10);  // settled: the first look after it reads once more
  EXPECT_EQ(ReadAll("bb.txt"), std::string(16, 'b'));
  EXPECT_EQ(ReadAll("a.txt"), std::string(32, 'a'));
}

// A file made in the same tick as the folder's last change leaves the
// folder's times as they were: a listing not yet settled is read again
// before it says that a name (in another letter case) is not there, and
// before it gives a name that has gone meanwhile (renamed into another
// letter case, or removed and made again so).
TEST_F(CoarseTimes, AFileMadeInTheTickOfAFolderChangeIsFoundInAnyLetterCase) {
  dir_.Write("assets/Old.txt", "old");
  dir_.Write("assets/Maps/a.txt", "a");
  Now(dir_.File("assets"), 1);
  EXPECT_EQ(ReadAll("OLD.TXT"), "old");  // the listing of assets/ is cached now
  EXPECT_EQ(ReadAll("maps/A.TXT"), "a");
  EXPECT_FALSE(FileExists("new.txt"));
  dir_.Write("assets/New.txt", "new");
  EXPECT_EQ(ReadAll("NEW.TXT"), "new");
  EXPECT_EQ(ReadAll("new.txt"), "new");
  ASSERT_EQ(rename(dir_.File("assets/New.txt").c_str(), dir_.File("assets/nEW.txt").c_str()), 0);
  EXPECT_EQ(ReadAll("NEW.TXT"), "new");
  ASSERT_EQ(std::remove(dir_.File("assets/nEW.txt").c_str()), 0);
  dir_.Write("assets/NeW.txt", "made again");
  EXPECT_EQ(ReadAll("new.TXT"), "made again");
  ASSERT_EQ(rename(dir_.File("assets/Maps").c_str(), dir_.File("assets/MAPS").c_str()), 0);  // a folder on the way
  EXPECT_EQ(ReadAll("maps/A.TXT"), "a");
  Now(dir_.File("assets"), 10);  // settled: a name it lacks is absent
  EXPECT_FALSE(FileExists("newer.txt"));
  EXPECT_EQ(ReadAll("nEw.TxT"), "made again");
}

// Sets a folder's modification time `ago` seconds back (as an unpacker does).
void AgeFolder(const std::string& path, int ago) {
  struct timespec times[2] = {{time(nullptr) - ago, 0}, {time(nullptr) - ago, 0}};
  times[0].tv_nsec = times[1].tv_nsec = 5000;
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

TEST_F(Files, FolderListingsThatRuleANameOutStillSeeNewFiles) {
  // A member name the folders' listings lack is looked up without a stat of
  // the name itself; a file that appears afterwards still wins at once.
  Pack("data.knp", {{"maps/a.txt", "packed a"}, {"b.txt", "packed b"}, {"c.txt", "packed c"}, {"d.txt", "packed d"}});
  dir_.Write("assets/other/x.txt", "x");
  AgeFolder(dir_.Path(), 10);
  AgeFolder(dir_.File("assets"), 10);
  usleep(150 * 1000);  // a listing counts as settled once its folder has been still for 100 ms
  EXPECT_EQ(ReadAll("maps/a.txt"), "packed a");
  EXPECT_EQ(ReadAll("b.txt"), "packed b");
  EXPECT_EQ(ReadAll("d.txt"), "packed d");
  EXPECT_FALSE(FileExists("maps/none.txt"));
  // A tool that adds a file and then puts the folder's times back (an
  // unpacker, "cp -a") still changes its status change time: a new loose
  // file or archive is seen.
  auto keepingAssetsTimes = [&](const std::function<void()>& change) {
    struct stat before;
    ASSERT_EQ(stat(dir_.File("assets").c_str(), &before), 0);
    change();
    struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, dir_.File("assets").c_str(), times, 0), 0);
  };
  keepingAssetsTimes([&] { dir_.Write("assets/d.txt", "loose d"); });
  EXPECT_EQ(ReadAll("d.txt"), "loose d");
  keepingAssetsTimes([&] { Pack("more.knp", {{"e.txt", "packed e"}}); });
  EXPECT_EQ(ReadAll("e.txt"), "packed e");
  dir_.Write("maps/a.txt", "loose a");    // in the working folder
  dir_.Write("assets/B.TXT", "loose b");  // in assets/, another letter case
  EXPECT_EQ(ReadAll("maps/a.txt"), "loose a");
  EXPECT_EQ(ReadAll("b.txt"), "loose b");
  EXPECT_EQ(ReadAll("c.txt"), "packed c");

  // Another working folder with the very same modification time has its own listing.
  TempDir second;
  second.Write("c.txt", "second c");
  AgeFolder(dir_.Path(), 20);
  AgeFolder(second.Path(), 20);
  EXPECT_EQ(ReadAll("c.txt"), "packed c");
  ScopedChdir into(second.Path());
  EXPECT_EQ(ReadAll("c.txt"), "second c");
}

TEST_F(Files, UnsafeNamesAreRefusedWithALogLine) {
  dir_.Write("secret.txt", "secret");
  dir_.Write("assets/x.txt", "x");
  TLogCapture log;
  EXPECT_FALSE(FileExists("assets/../secret.txt"));
  EXPECT_FALSE(FileExists("..\\..\\etc\\passwd"));
  EXPECT_FALSE(FileExists("user:../secret.txt"));
  EXPECT_EQ(log.Count("refused the name"), 3u);

  std::string absolute = dir_.File("secret.txt");
  EXPECT_TRUE(FileExists(TString(absolute)));  // the program's own absolute paths
  SetRefuseAbsolutePaths(true);
  log.Clear();
  EXPECT_FALSE(FileExists(TString(absolute)));
  EXPECT_TRUE(log.Contains("absolute paths are not allowed"));
  EXPECT_TRUE(FileExists("x.txt"));
}

TEST_F(Files, ArchiveRangesReadExactlyAndAreChecked) {
  Pack("a.knp", {{"one.bin", "0123456789"}});
  // The writer copies in pieces of several megabytes: "big.bin" spans two
  // piece boundaries and the members after it start inside a piece.
  std::string big(9 << 20 | 7, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = char(i * 131 + (i >> 12));
  Pack("b.knp", {{"big.bin", big}, {"two.bin", "abcdef"}, {"one.bin", "replaced"}});
  EXPECT_EQ(ReadAll("one.bin"), "replaced");  // the later archive wins
  EXPECT_TRUE(ReadAll("big.bin") == big);
  TString range = GetArchiveMemberName("two.bin");
  int n = -1;
  int64_t offset = 0, size = 0;
  ASSERT_TRUE(ParseArchiveRangeName(range, n, offset, size)) << range.c_str();
  EXPECT_EQ(n, 1);
  EXPECT_EQ(size, 6);
  EXPECT_EQ(ReadAll(range), "abcdef");
  EXPECT_EQ(ReadAll(TString::Printf("@1:%lld,3", (long long)offset + 2)), "cde");

  int64_t archiveSize = int64_t(ReadFile(dir_.File("assets/b.knp")).size());
  TLogCapture log;
  EXPECT_EQ(ReadAll(TString::Printf("@1:%lld,0", (long long)archiveSize)), "");  // empty range at the very end
  EXPECT_FALSE(FileExists(TString::Printf("@1:%lld,1", (long long)archiveSize)));
  EXPECT_FALSE(FileExists(TString::Printf("@1:0,%lld", (long long)archiveSize + 1)));
  EXPECT_FALSE(FileExists("@1:9223372036854775807,9223372036854775807"));
  EXPECT_TRUE(log.Contains("past the end"));
  for (const char* bad : {"@2:0,1", "@1:0,", "@1:-1,2", "@x:0,1", "@1:0,1 ", "@99999999999:0,1"})
    EXPECT_FALSE(FileExists(bad)) << bad;
}

// An archive laid out by hand: the directory (each entry's offset counted from
// the end of the directory, so it may point into it), then `data`.
struct THandEntry {
  std::string name;
  int64_t offset;
  uint64_t size;
};
std::string HandMadeArchive(const std::vector<THandEntry>& entries, const std::string& data) {
  uint64_t dirSize = 0;
  for (const THandEntry& e : entries) dirSize += 18 + e.name.size();
  std::string out = "KNPK";
  auto put = [&](uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += char(v >> (8 * i));
  };
  put(1, 4);
  put(entries.size(), 4);
  put(dirSize, 4);
  for (const THandEntry& e : entries) {
    put(e.name.size(), 2);
    out += e.name;
    put(uint64_t(int64_t(16 + dirSize) + e.offset), 8);
    put(e.size, 8);
  }
  return out + data;
}

TEST_F(Files, ArchiveMemberEndingAtTheArchivesEndIsReadOneByteLaterIsRefused) {
  const std::string data = "headTAIL";
  // "head" starts right after the directory, "tail" ends on the archive's last byte.
  dir_.Write("assets/hand.knp", HandMadeArchive({{"head.txt", 0, 4}, {"tail.txt", 4, 4}, {"empty.txt", 8, 0}}, data));
  RefreshFileLayer();
  TLogCapture log;
  EXPECT_EQ(GetPackArchiveMembers(0), (std::vector<std::string>{"head.txt", "tail.txt", "empty.txt"}));
  EXPECT_FALSE(log.Contains("skipped"));
  EXPECT_EQ(ReadAll("head.txt"), "head");
  EXPECT_EQ(ReadAll("tail.txt"), "TAIL");
  EXPECT_EQ(ReadAll("empty.txt"), "");  // empty, at the very end

  // One byte further on each side: ends past the archive, starts inside the directory,
  // an empty member starting past the end.
  dir_.Write("assets/hand.knp", HandMadeArchive({{"head.txt", -1, 4}, {"tail.txt", 4, 5}, {"empty.txt", 9, 0},
                                                 {"ok.txt", 0, 8}},
                                                data));
  RefreshFileLayer();
  log.Clear();
  EXPECT_EQ(GetPackArchiveMembers(0), std::vector<std::string>{"ok.txt"});
  EXPECT_EQ(log.Count("range outside the archive"), 3u);
  EXPECT_TRUE(log.Contains("skipped the entry \"tail.txt\": range outside the archive"));
  EXPECT_FALSE(FileExists("tail.txt"));
  EXPECT_FALSE(FileExists("head.txt"));
  EXPECT_EQ(ReadAll("ok.txt"), data);
}

TEST_F(Files, DamagedArchivesAreRefusedOrTrimmed) {
  Pack("good.knp", {{"a.txt", "A"}, {"b.txt", "B"}});
  std::string bytes = ReadFile(dir_.File("assets/good.knp"));
  dir_.Write("assets/cut.knp", bytes.substr(0, 30));  // directory cut short
  std::string badEntry = bytes;
  badEntry[16 + 2 + 5 + 8] = 0x7F;  // b... first entry's size now runs past the end
  dir_.Write("assets/entry.knp", badEntry);
  dir_.Write("assets/junk.knp", std::string("this is not an archive"));
  TLogCapture log;
  EXPECT_EQ(GetPackArchiveCount(), 2);  // entry.knp (trimmed) and good.knp
  EXPECT_TRUE(log.Contains("cut.knp: refused (directory runs past the end of the archive)"));
  EXPECT_TRUE(log.Contains("junk.knp: refused (not a pack archive)"));
  EXPECT_TRUE(log.Contains("skipped the entry \"a.txt\": range outside the archive"));
  EXPECT_EQ(GetPackArchiveMembers(0), std::vector<std::string>{"b.txt"});
  EXPECT_EQ(ReadAll("a.txt"), "A");

  // Each check of the directory with the damage only it sees. The entries:
  // name length at 16 and 39, names "a.txt" at 18 and "b.txt" at 41.
  auto parse = [](const std::string& b) {
    std::vector<TPackEntry> entries;
    std::vector<std::string> skipped;
    TString why;
    if (!ParsePackDirectory(reinterpret_cast<const uint8_t*>(b.data()), b.size(), b.size(), entries, &why, &skipped))
      return "refused: " + why.str();
    std::string out;
    for (const TPackEntry& e : entries) out += e.name + " ";
    for (const std::string& line : skipped) out += "skipped " + line;
    return out;
  };
  EXPECT_EQ(parse(bytes), "a.txt b.txt ");
  std::string damaged = bytes;
  damaged[4] = 2;
  EXPECT_EQ(parse(damaged), "refused: version 2 is not supported");
  damaged = bytes;
  damaged.replace(8, 4, "\xFF\xFF\xFF\x7F");  // a count the directory cannot hold, never reserved
  EXPECT_EQ(parse(damaged), "refused: entry count does not fit the directory");
  damaged = bytes;
  damaged.replace(18, 5, "../ab");
  EXPECT_EQ(parse(damaged), "b.txt skipped \"../ab\": unsafe or empty name");
  damaged = bytes;
  damaged.replace(41, 5, "A.TXT");
  EXPECT_EQ(parse(damaged), "a.txt skipped \"a.txt\": listed twice");

  TString error;
  std::string src = dir_.Write("x", "x");
  EXPECT_FALSE(WritePackArchive(dir_.File("bad.knp"), {{"../x", src}}, &error));
  EXPECT_FALSE(WritePackArchive(dir_.File("bad.knp"), {{"A.txt", src}, {"a.txt", src}}, &error));
  EXPECT_TRUE(error.Find("twice") >= 0);
}

TEST_F(Files, SeekUsesCurrentBeginEndNumbering) {
  static_assert(kSeekCurrent == 0 && kSeekBegin == 1 && kSeekEnd == 2, "the file layer's own order");
  Pack("s.knp", {{"member.txt", "0123456789"}});
  dir_.Write("loose.txt", "0123456789");
  for (const char* name : {"loose.txt", "member.txt"}) {
    TFile f;
    ASSERT_TRUE(f.Open(name, 0)) << name;
    EXPECT_EQ(f.GetSize(), 10);
    char buf[4] = {};
    EXPECT_EQ(f.Read(buf, 3), 3u);
    EXPECT_TRUE(f.Seek(2, kSeekCurrent));
    EXPECT_EQ(f.Tell(), 5);
    EXPECT_TRUE(f.Seek(1, kSeekBegin));
    EXPECT_EQ(f.Read(buf, 2), 2u);
    EXPECT_EQ(std::string(buf, 2), "12");
    EXPECT_TRUE(f.Seek(-3, kSeekEnd));
    EXPECT_EQ(f.Read(buf, 4), 3u);  // never past the member's end
    EXPECT_EQ(std::string(buf, 3), "789");
    EXPECT_FALSE(f.Seek(1, kSeekEnd));
    EXPECT_FALSE(f.Seek(-11, kSeekCurrent));
    EXPECT_FALSE(f.Seek(0, 3));
    EXPECT_EQ(f.Tell(), 10);
  }
  TFile missing;
  EXPECT_FALSE(missing.Open("missing.txt"));
  EXPECT_EQ(missing.GetSize(), 0);
  EXPECT_EQ(missing.Tell(), -1);
  char c;
  EXPECT_EQ(missing.Read(&c, 1), 0u);
  EXPECT_EQ(FileOpen("missing.txt"), nullptr);
  TFile* h = FileOpen("loose.txt");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(FileRead(h, &c, 1), 1u);
  FileClose(h);
}

TEST_F(Files, PackedXmlIsInflatedForEveryReaderAndLiesRefused) {
  std::string text = "<root><child/></root>";
  auto packed = DeflateZxml(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  dir_.Write("assets/p.xml", packed);
  Pack("x.knp", {{"inner.xml", std::string(packed.begin(), packed.end())}});
  EXPECT_EQ(ReadAll("p.xml"), text);
  TFile f;
  ASSERT_TRUE(f.Open("inner.xml"));
  EXPECT_EQ(f.GetSize(), int64_t(text.size()));
  TXmlNode node;
  EXPECT_TRUE(node.LoadFile("inner.xml"));
  EXPECT_NE(node.FindChild("child"), nullptr);

  auto lying = packed;
  lying[4] = uint8_t(lying[4] - 1);  // claims one byte less than the stream holds
  dir_.Write("lie.xml", lying);
  std::vector<uint8_t> bomb(64u << 20, ' ');
  auto bombPacked = DeflateZxml(bomb.data(), bomb.size());
  bombPacked[7] = 0;  // claims a small size
  bombPacked[6] = 0;
  dir_.Write("bomb.xml", bombPacked);
  auto huge = packed;
  huge[7] = 0x7F;  // claims about 2 GB
  dir_.Write("huge.xml", huge);
  TLogCapture log;
  EXPECT_FALSE(f.Open("lie.xml"));
  EXPECT_FALSE(f.Open("bomb.xml"));
  EXPECT_FALSE(f.Open("huge.xml"));
  EXPECT_EQ(log.Count("packed file"), 3u);
}

TEST_F(Files, WritesGoToTheWritableFoldersOnly) {
  TFile f;
  ASSERT_TRUE(f.Open("user:saves/one.txt", "wb"));
  EXPECT_EQ(f.Write("hello", 5), 5u);
  EXPECT_TRUE(f.Sync());
  f.Close();
  ASSERT_TRUE(f.Open("user:saves/one.txt", "ab"));
  f.Write(" world", 6);
  f.Close();
  EXPECT_EQ(ReadFile(dir_.File("home/saves/one.txt")), "hello world");
  EXPECT_EQ(ReadAll("user:SAVES/One.txt"), "hello world");
  ASSERT_TRUE(f.Open("common:display.xml", "w"));
  f.Close();
  EXPECT_TRUE(testing_support::FileExists(dir_.File("home/common/display.xml")));
  ASSERT_TRUE(f.Open("desktop:wall.bmp", "wb"));
  f.Close();
  EXPECT_TRUE(testing_support::FileExists(dir_.File("desk/wall.bmp")));
  EXPECT_EQ(GetUserFolder(), TString(dir_.File("home/")));
  EXPECT_EQ(GetDiskPath("user:logfile.txt"), TString(dir_.File("home/logfile.txt")));

  EXPECT_TRUE(RenameFile("user:saves/one.txt", "user:two.txt"));
  EXPECT_EQ(ReadAll("user:two.txt"), "hello world");
  EXPECT_TRUE(RemoveFile("user:two.txt"));
  EXPECT_FALSE(FileExists("user:two.txt"));

  TLogCapture log;
  EXPECT_FALSE(f.Open("assets/new.txt", "wb"));
  EXPECT_FALSE(f.Open("::x.txt", "wb"));
  EXPECT_FALSE(f.Open("user:x.txt", "r+"));
  EXPECT_EQ(log.Lines().size(), 3u);
}

// Writes never reach a file through a symbolic link, and never leave the
// writable folder through a folder link; a folder link inside it is fine.
TEST_F(Files, WritesNeverFollowALinkOutOfTheirFolder) {
  const std::string target = dir_.Write("outside/target.txt", "precious");
  dir_.Write("home/real/keep.txt", "x");
  ASSERT_EQ(symlink(target.c_str(), dir_.File("home/link.txt").c_str()), 0);
  ASSERT_EQ(symlink(dir_.File("outside").c_str(), dir_.File("home/away").c_str()), 0);
  ASSERT_EQ(symlink(dir_.File("outside/nothing.txt").c_str(), dir_.File("home/dangle").c_str()), 0);
  ASSERT_EQ(symlink("real", dir_.File("home/inner").c_str()), 0);
  ASSERT_EQ(symlink("../../outside", dir_.File("home/real/up").c_str()), 0);

  TLogCapture log;
  TFile f;
  EXPECT_FALSE(f.Open("user:link.txt", "wb"));
  EXPECT_FALSE(f.Open("user:link.txt", "ab"));
  EXPECT_FALSE(f.Open("user:dangle", "wb"));
  EXPECT_EQ(log.Count("it is a symbolic link"), 3u);
  EXPECT_FALSE(f.Open("user:away/new.txt", "wb"));
  EXPECT_FALSE(f.Open("user:away/deeper/new.txt", "wb"));
  EXPECT_FALSE(f.Open("user:inner/up/new.txt", "wb"));
  EXPECT_EQ(log.Count("outside " + dir_.File("home")), 3u);
  EXPECT_TRUE(GetDiskPath("user:away/x.txt", true).IsEmpty());
  EXPECT_FALSE(RemoveFile("user:away/target.txt"));
  dir_.Write("home/mine.txt", "mine");
  EXPECT_FALSE(RenameFile("user:mine.txt", "user:away/target.txt"));
  EXPECT_FALSE(LinkFile("user:mine.txt", "user:away/second.txt"));

  EXPECT_EQ(ReadFile(target), "precious");
  EXPECT_FALSE(testing_support::FileExists(dir_.File("outside/nothing.txt")));
  EXPECT_FALSE(testing_support::FileExists(dir_.File("outside/new.txt")));
  EXPECT_FALSE(testing_support::FileExists(dir_.File("outside/deeper")));
  EXPECT_FALSE(testing_support::FileExists(dir_.File("outside/second.txt")));

  // A link is removed or renamed itself; the file it points to stays.
  EXPECT_TRUE(RenameFile("user:link.txt", "user:moved.txt"));
  EXPECT_TRUE(RemoveFile("user:moved.txt"));
  EXPECT_EQ(ReadFile(target), "precious");

  // A folder link that stays inside the folder is followed.
  ASSERT_TRUE(f.Open("user:inner/new.txt", "wb"));
  EXPECT_EQ(f.Write("in", 2), 2u);
  f.Close();
  EXPECT_EQ(ReadFile(dir_.File("home/real/new.txt")), "in");
  // "wbx" creates only a new file.
  EXPECT_FALSE(f.Open("user:inner/new.txt", "wbx"));
  EXPECT_TRUE(f.Open("user:inner/other.txt", "wbx"));
}

TEST_F(Files, MemoryFilesAndFileMaps) {
  RegisterMemoryFile("fonts/Builtin.mvec", {1, 2, 3});
  EXPECT_TRUE(FileExists("FONTS\\builtin.mvec"));
  EXPECT_EQ(ReadAll("fonts/builtin.mvec"), std::string("\1\2\3"));
  Pack("m.knp", {{"big.bin", std::string(5000, 'z')}});
  dir_.Write("loose.bin", "loose bytes");

  auto memory = MapFile("fonts/builtin.mvec");
  ASSERT_TRUE(memory);
  EXPECT_EQ(memory->GetSize(), 3u);
  EXPECT_TRUE(UnregisterMemoryFile("fonts/builtin.mvec"));
  EXPECT_EQ(memory->GetData()[2], 3);  // the map keeps the bytes alive
  EXPECT_FALSE(FileExists("fonts/builtin.mvec"));

  auto member = MapFile("big.bin");
  ASSERT_TRUE(member);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(member->GetData()), member->GetSize()), std::string(5000, 'z'));
  auto loose = MapFile("loose.bin");
  ASSERT_TRUE(loose);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(loose->GetData()), loose->GetSize()), "loose bytes");
  EXPECT_FALSE(MapFile("absent.bin"));
}

TEST_F(Files, AnArchiveCutShortUnderOpenMembersGivesReadErrorsNotACrash) {
  Pack("cut.knp", {{"a.bin", std::string(200000, 'a')}, {"b.bin", std::string(200000, 'b')}});
  TFile a, b;
  ASSERT_TRUE(a.Open("a.bin"));
  ASSERT_TRUE(b.Open("b.bin"));
  auto map = MapFile("a.bin");
  ASSERT_TRUE(map);
  std::vector<char> buffer(300000);
  ASSERT_EQ(a.Read(buffer.data(), 1000), 1000u);
  // Cut in place (same file) in the middle of a.bin: all of b.bin and the
  // end of a.bin are gone while both are open and a.bin is mapped.
  ASSERT_EQ(::truncate(dir_.File("assets/cut.knp").c_str(), 100000), 0);
  TLogCapture log;
  size_t got = a.Read(buffer.data(), buffer.size());
  EXPECT_GT(got, 0u);
  EXPECT_LT(got, 199000u);
  EXPECT_EQ(std::string(buffer.data(), got), std::string(got, 'a'));
  EXPECT_EQ(a.Read(buffer.data(), 10), 0u);
  EXPECT_EQ(b.Read(buffer.data(), 10), 0u);
  EXPECT_TRUE(b.Seek(150000, kSeekBegin));
  EXPECT_EQ(b.Read(buffer.data(), 10), 0u);
  EXPECT_EQ(log.Count("File layer: reading a.bin failed: the file ends before"), 1u);  // once per open file
  EXPECT_EQ(log.Count("File layer: reading b.bin failed: the file ends before"), 1u);
  // A map holds its own bytes: nothing of it went away.
  EXPECT_EQ(map->GetSize(), 200000u);
  EXPECT_EQ(map->GetData()[199999], 'a');
  // Opened again, the archive is read as it is now: b.bin lies past its end.
  EXPECT_FALSE(FileExists("b.bin"));
  EXPECT_FALSE(MapFile("b.bin"));
}

TEST_F(Files, ALooseFileCutShortIsAReadErrorForReadersAndMaps) {
  std::string path = dir_.Write("assets/long.bin", std::string(100000, 'x'));
  TFile f;
  ASSERT_TRUE(f.Open("long.bin"));
  ASSERT_EQ(::truncate(path.c_str(), 10), 0);
  TLogCapture log;
  std::vector<char> buffer(100000);
  EXPECT_EQ(f.Read(buffer.data(), buffer.size()), 10u);
  EXPECT_TRUE(log.Contains("File layer: reading long.bin failed: the file ends before byte 100000"));
  auto map = MapFile("long.bin");
  ASSERT_TRUE(map);
  EXPECT_EQ(map->GetSize(), 10u);
}

TEST_F(Files, FullPathsAndProgramFolder) {
  EXPECT_EQ(GetFullPath("assets/movie.swf"), TString(dir_.File("assets/movie.swf")));
  EXPECT_EQ(GetFullPath("a/./b/../c"), TString(dir_.File("a/c")));
  EXPECT_EQ(GetFullPath("user:prefs.dat"), TString(dir_.File("home/prefs.dat")));
  SetSetting("programfolder", TString(dir_.File("prog")));
  dir_.Write("prog/assets/settings.xml", "<settings/>");
  EXPECT_EQ(ReadAll("::assets/settings.xml"), "<settings/>");
  SetSetting("programfolder", "");
  EXPECT_FALSE(GetProgramFolder().IsEmpty());
}

}  // namespace
