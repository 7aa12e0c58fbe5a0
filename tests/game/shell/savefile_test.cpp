// The "LocInfoPass" blob: byte-exact against a fixture written by hand from
// the layout, round trips, and blobs that are cut, flipped, too large or of
// another version.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "game/shell/data/gameprogress.h"
#include "game/shell/data/savefile.h"
#include "tests/game/support/gametest.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes FromHexFile(const std::string& path) {
  std::istringstream in(testing_support::ReadFile(path));
  Bytes out;
  for (std::string line; std::getline(in, line);) {
    line = line.substr(0, line.find('#'));
    std::string digits;
    for (char c : line)
      if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    for (size_t i = 0; i + 1 < digits.size(); i += 2) out.push_back(uint8_t(std::stoi(digits.substr(i, 2), nullptr, 16)));
  }
  return out;
}

Bytes U32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }
Bytes Str(const std::string& s) {
  Bytes b = U32(uint32_t(s.size()));
  b.insert(b.end(), s.begin(), s.end());
  return b;
}
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// The progress the fixture was written from.
void KnownProgress(GameProgress& p) {
  p.tools = {{"knifetool", 0}, {"photocamera", 3}};
  p.arts = {"amulet"};
  p.secondNames = {""};
  p.shown = {"com_1.xml"};
  p.photos = {"ph1", "ph2"};
  LocationInfo& info = p.FindLocationInfo("loc11");
  info.value1 = 1.0f;
  info.value2 = -0.5f;
  info.passed = 1;
  info.SetStartDateTime("03-14-2024", "09:05");
  info.SetPassDateTime("03-15-2024", "10:30");
  info.coins = {7, 9};
  info.AddItemId(4);
  info.objectStates.push_back({1, 2, {5, 6}});
  info.objectTexts.push_back({3, 0, "note"});
}

class SaveBlob : public gametest::TGameDataFixture, public ::testing::Test {};

TEST_F(SaveBlob, KnownProgressMatchesTheFixtureByteForByteAndReadsBack) {
  Bytes golden = FromHexFile(testing_support::TestDataDir() + "/game/locinfopass.hex");
  ASSERT_EQ(golden.size(), 248u);
  GameProgress p;
  KnownProgress(p);
  EXPECT_EQ(WriteSaveBlob(p, 1), golden);
  GameProgress back;
  ASSERT_EQ(ReadSaveBlob(golden.data(), golden.size(), 1, back), TSaveRead::kOk);
  EXPECT_TRUE(back.SameProgress(p));
}

TEST_F(SaveBlob, EmptyProgressIsTheVersionAndSevenZeroCounts) {
  GameProgress p;
  Bytes blob = WriteSaveBlob(p, 0x01020304);
  ASSERT_EQ(blob.size(), 32u);
  EXPECT_EQ(Bytes(blob.begin(), blob.begin() + 4), (Bytes{4, 3, 2, 1}));
  EXPECT_EQ(Bytes(blob.begin() + 4, blob.end()), Bytes(28, 0));
}

TEST_F(SaveBlob, ToolNamesComeBeforeTheirValues) {
  GameProgress p;
  p.AddTool("knifetool", 0);
  p.AddTool("photocamera", 3);
  Bytes blob = WriteSaveBlob(p, 1);
  Bytes head = Cat({U32(1), U32(2), Str("knifetool"), Str("photocamera"), U32(0), U32(3)});
  ASSERT_GE(blob.size(), head.size());
  EXPECT_EQ(Bytes(blob.begin(), blob.begin() + long(head.size())), head);
}

TEST_F(SaveBlob, RecordWithTwoCoinsAndNoItemIds) {
  GameProgress p;
  LocationInfo& info = p.FindLocationInfo("x");
  info.coins = {11, 12};
  Bytes record = Cat({Str("x"), Str(""), U32(0), U32(0), U32(0), U32(0), Str("01-01-01"), Str("01:01"),
                      Str("01-01-01"), Str("01:01"), U32(2), U32(11), U32(12), U32(0), U32(0), U32(0)});
  EXPECT_EQ(WriteSaveBlob(p, 7), Cat({U32(7), Bytes(24, 0), U32(1), record}));
}

TEST_F(SaveBlob, RecordsOfTheSmallestSizeReadBack) {
  GameProgress p;
  for (int i = 0; i < 3; ++i) {
    LocationInfo& info = p.FindLocationInfo(i ? TString::Printf("%d", i) : TString());
    info.SetStartDateTime("", "");
    info.SetPassDateTime("", "");
  }
  Bytes blob = WriteSaveBlob(p, 1);
  GameProgress back;
  ASSERT_EQ(ReadSaveBlob(blob.data(), blob.size() - 2, 1, back), TSaveRead::kDamaged);
  ASSERT_EQ(ReadSaveBlob(blob.data(), blob.size(), 1, back), TSaveRead::kOk);
  EXPECT_TRUE(back.SameProgress(p));
}

TEST_F(SaveBlob, StringsEndAtTheirFirstZeroByte) {
  GameProgress p;
  p.arts = {TString(std::string("ab\0cd", 5))};
  Bytes blob = WriteSaveBlob(p, 1);
  EXPECT_EQ(blob.size(), 32u + 4u + 2u);
  Bytes stored = Cat({U32(1), U32(0), U32(1), Str(std::string("ab\0cd", 5)), Bytes(20, 0)});
  GameProgress back;
  ASSERT_EQ(ReadSaveBlob(stored.data(), stored.size(), 1, back), TSaveRead::kOk);
  EXPECT_EQ(back.arts, std::vector<TString>{"ab"});
}

TEST_F(SaveBlob, EveryCutIsDamagedAndLeavesTheListsAlone) {
  Bytes golden = FromHexFile(testing_support::TestDataDir() + "/game/locinfopass.hex");
  for (size_t n = 0; n < golden.size(); ++n) {
    GameProgress p;
    p.arts = {"kept"};
    TString why;
    Bytes cut(golden.begin(), golden.begin() + long(n));  // its own buffer, so ASan sees any over-read
    EXPECT_EQ(ReadSaveBlob(cut.data(), cut.size(), 1, p, &why), TSaveRead::kDamaged) << n;
    EXPECT_EQ(p.arts, std::vector<TString>{"kept"});
    EXPECT_FALSE(why.IsEmpty());
  }
}

TEST_F(SaveBlob, CountsBeyondTheBufferLeftoversAndOversizeAreRefused) {
  GameProgress p;
  TString why;
  Bytes huge = Cat({U32(1), U32(0x7fffffff)});
  EXPECT_EQ(ReadSaveBlob(huge.data(), huge.size(), 1, p, &why), TSaveRead::kDamaged);
  EXPECT_EQ(why, "tools: a count beyond the end at byte 4");
  Bytes longString = Cat({U32(1), U32(0), U32(1), U32(1000), Bytes(20, 0)});
  EXPECT_EQ(ReadSaveBlob(longString.data(), longString.size(), 1, p, &why), TSaveRead::kDamaged);
  EXPECT_EQ(why, "arts: a length beyond the end at byte 12");
  Bytes extra = Cat({U32(1), Bytes(28, 0), Bytes{0}});
  EXPECT_EQ(ReadSaveBlob(extra.data(), extra.size(), 1, p, &why), TSaveRead::kDamaged);
  // One photo name long enough to make the blob `size` bytes: 8192 bytes and
  // more read like any other blob; only absurd sizes are refused.
  auto sized = [](size_t size) {
    return Cat({U32(1), Bytes(20, 0), U32(1), Str(std::string(size - 36, 'n')), U32(0)});
  };
  for (size_t size : {size_t(8191), size_t(8192), size_t(8193), kSaveBlobMaxSize}) {
    Bytes blob = sized(size);
    ASSERT_EQ(blob.size(), size);
    EXPECT_EQ(ReadSaveBlob(blob.data(), blob.size(), 1, p, &why), TSaveRead::kOk) << size << " " << why.c_str();
    EXPECT_EQ(p.photos.at(0).Length(), int(size - 36));
  }
  Bytes big = sized(kSaveBlobMaxSize + 1);
  EXPECT_EQ(ReadSaveBlob(big.data(), big.size(), 1, p, &why), TSaveRead::kDamaged);
  EXPECT_EQ(why, TString::Printf("%zu bytes, more than 16777216", big.size()));
}

TEST_F(SaveBlob, AnotherVersionIsToldApartFromDamage) {
  Bytes golden = FromHexFile(testing_support::TestDataDir() + "/game/locinfopass.hex");
  GameProgress p;
  uint32_t found = 0;
  TString why;
  EXPECT_EQ(ReadSaveBlob(golden.data(), golden.size(), 2, p, &why, &found), TSaveRead::kOtherVersion);
  EXPECT_EQ(found, 1u);
  EXPECT_EQ(why, "save version 1, this game reads version 2");
  EXPECT_TRUE(p.tools.empty());
}

}  // namespace
