// End to end: the lantern program on the demo data, headless, from a fresh
// user folder, driven by input scripts. A new player plays the first
// location (through its tutorial); when it is complete the journal opens by
// itself and writes the page, and is closed. On the next start, in the second
// location, the panel's button opens the journal on the newest page, the
// previous-page button turns back to the first location's page, which the
// screenshot shows; a third start opens it and closes it with Escape; a
// fourth clicks it open and closed ten times in quick succession, then open
// once more while it fades out.
#include <string>
#include <vector>

#include "tests/game/support/gamee2e.h"
#include "tests/platform/pngread.h"

using namespace gamee2e;

namespace {

// Screen places of the demo data: the tutorial box's button above its
// pointer at the list, the panel's journal button, the journal's
// previous-page button.
constexpr const char* kTutorButtonOverList = "704 360";
constexpr const char* kJournalButton = "128 706";
constexpr const char* kJournalPrev = "136 638";

// The scene's and the journal's lines.
class JournalEndToEnd : public TGameEndToEnd {
protected:
  JournalEndToEnd() : TGameEndToEnd({"MainGame: level", "MainGame: on to ", "journal: "}) {}
};

// Dark ink in the rectangle.
int Ink(const TRun& r, int x0, int y0, int x1, int y1) {
  return r.Pixels(x0, y0, x1, y1, [](int red, int, int) { return red < 120; });
}

}  // namespace

TEST_F(JournalEndToEnd, TheFirstLocationsPageIsWrittenAndReadLater) {
  // 1. A new player plays the kitchen: the tutorial's welcome, list and hint,
  //    then every object; the journal opens on the finished page, writes it
  //    and is closed; then the play screen goes on (to the gallery for the
  //    kitchen's picture).
  const int shift = 5000;
  std::string input = FirstGame("Nell") + Click(3500 + shift, kTutorButton) + Click(4000 + shift, kTutorButton) +
                      Click(4500 + shift, kTutorButtonOverList) + Click(4800 + shift, kHintButton);
  int t = 5000 + shift;
  for (const std::string& at : ItemCentres("loc11")) {
    input += Click(t, at);
    t += 300;
  }
  input += Click(12800 + shift, kJournalClose);
  TRun first = Run(input, 1650);
  EXPECT_EQ(first.exitCode, 0);
  int complete = first.Find("MainGame: level loc11 complete");
  int written = first.Find("journal: writing page 1");
  int opened = first.Find("journal: opened on page 1");
  int closed = first.Find("journal: closed");
  int next = first.Find("MainGame: on to ");
  ASSERT_GE(complete, 0) << first.Joined();
  EXPECT_LT(complete, written);
  EXPECT_LT(written, opened);
  EXPECT_LT(opened, closed);
  EXPECT_LT(closed, next);  // the play screen waited for the journal

  // 2. The next start: the study; the journal opens on its page (2), the
  //    previous-page button turns to the kitchen's.
  TRun second = Run(Click(1000, kPlayButton) + Click(3500, kJournalButton) + Click(4500, kJournalPrev), 450);
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
      same += Near(c, second.At(px0 + x, py0 + y), 3);
    }
  ASSERT_GT(opaque, 5000);
  EXPECT_GT(same, opaque * 97 / 100);
  // Its two texts: the opening one in the upper half of the right text
  // rectangle (586, 150)-(902, 630), the closing one (the kitchen is done) below.
  EXPECT_GT(Ink(second, 586, 150, 902, 390), 1500);
  EXPECT_GT(Ink(second, 586, 390, 902, 630), 1500);

  // 3. Opened, and closed again with Escape: the study shows where the pages were.
  TRun third = Run(Click(1000, kPlayButton) + Click(3500, kJournalButton) + At(4500, "key escape"), 450);
  EXPECT_EQ(third.exitCode, 0);
  EXPECT_TRUE(third.Has("journal: opened on page 2"));
  EXPECT_TRUE(third.Has("journal: escape"));
  EXPECT_TRUE(third.Has("journal: closed"));
  EXPECT_EQ(third.Screens().back(), "MainGame");  // the Escape did not open the game menu as well
  ASSERT_EQ(third.w, 1024);
  EXPECT_GT(second.Brightness(586, 400, 902, 600), 170);
  EXPECT_LT(third.Brightness(586, 400, 902, 600), 130);

  // 4. Ten fast clicks, open and close in turn, the last ones while the book
  //    still fades in: the book closes once open, as the last click asked.
  //    An eleventh, on the journal button while the book fades out, opens
  //    it again once it is closed: the book ends open.
  std::string clicks = Click(1000, kPlayButton);
  const int at[] = {0, 200, 400, 600, 800, 1000, 1250, 1400, 1550, 1650};
  for (int i = 0; i < 10; ++i) clicks += Click(3500 + at[i], i % 2 ? kJournalClose : kJournalButton);
  clicks += Click(5550, kJournalButton);  // the fade out runs from about 5.35 s to 5.85 s
  TRun fast = Run(clicks, 750);
  EXPECT_EQ(fast.exitCode, 0);
  std::vector<std::string> shown;  // the book's openings and closings, in order
  for (const std::string& line : fast.lines)
    if (line == "journal: opened on page 2" || line == "journal: closed") shown.push_back(line);
  const std::vector<std::string> expected = {"journal: opened on page 2", "journal: closed",
                                             "journal: opened on page 2", "journal: closed",
                                             "journal: opened on page 2"};
  EXPECT_EQ(shown, expected) << fast.Joined();
  ASSERT_EQ(fast.w, 1024);
  EXPECT_GT(fast.Brightness(586, 400, 902, 600), 170);
}
