// End to end: the lantern program starts headless on the demo data with XML
// files in the user folder nested far past the limit: a user settings file of
// 300,000 levels and a packed one of a few hundred bytes that inflates to a
// million levels (each once ended every start until it was deleted by hand).
// The files are refused with a log line, and the game starts, runs its frames
// and leaves a picture.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/readfile.h"
#include "tests/game/support/gamee2e.h"
#include "tests/platform/pngread.h"
#include "tests/support/testsupport.h"

namespace {

std::string Nested(int levels) {
  std::string text = "<settings><setting name='showfps' value='1'/>";
  text.reserve(text.size() + size_t(levels) * 7);
  for (int i = 0; i < levels; ++i) text += "<a>";
  for (int i = 0; i < levels; ++i) text += "</a>";
  return text + "</settings>";
}

}  // namespace

TEST(DeepXmlStartup, DeepUserSettingsFilesAreRefusedAndTheGameStarts) {
  testing_support::TempDir dir;
  const std::string plain = Nested(300000);
  const std::string million = Nested(1000000);
  std::vector<uint8_t> packed = DeflateZxml(reinterpret_cast<const uint8_t*>(million.data()), million.size());
  EXPECT_LT(packed.size(), 20000u);
  dir.Write("user/settings.xml", plain);
  dir.Write("user/common/settings.xml", std::string(packed.begin(), packed.end()));
  const std::string shot = dir.File("shot.png");
  ASSERT_EQ(gamee2e::RunProgram(testing_support::SourceDir(),
                                "headless=1,frames=20,screenshot=" + shot + ",userfolder=" + dir.File("user")),
            0);
  const std::string log = testing_support::ReadFile(dir.File("user/logfile.txt"));
  EXPECT_NE(log.find("user:settings.xml is refused: elements nested deeper than 256 levels"), std::string::npos);
  EXPECT_NE(log.find("common:settings.xml is refused: elements nested deeper than 256 levels"), std::string::npos);
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  ASSERT_TRUE(ReadPng(shot, &px, &w, &h));
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 768);
}
