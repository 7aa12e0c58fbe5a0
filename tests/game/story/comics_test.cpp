// The comic document: what the reader takes from a file, the page clock with
// its fades and captions, finishing a page, moving between pages, and the
// page timing as it shows on real frames.
#include <gtest/gtest.h>

#include "game/shell/widgets/texteffect.h"
#include "render/sprites/animsprite.h"
#include "tests/game/story/storyfixture.h"

namespace storytest {
namespace {

using widgettest::Channel;

constexpr uint32_t kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu;

// A caption effect: white text that fades out from 1.0 s to 1.5 s.
const char* kEffects =
    "<Game><Common animrate=\"16\"/><TextEffects>"
    "<Cap w=\"300\" h=\"60\" fh=\"40\" color=\"255,255,255,255\" xAlign=\"0\" yAlign=\"0\">"
    "<alpha t1=\"1.0\" t2=\"1.5\" val=\"0\"/></Cap>"
    "<NoSize fh=\"20\" color=\"255,255,255,255\"/></TextEffects></Game>";

class ComicsTest : public TStoryTest {
protected:
  ComicsTest() {
    MainXml(kEffects);
    Solid("c/red.png", 64, 64, kRed);
    Solid("c/blue.png", 32, 32, kBlue);
    Solid("c/bg.png", 1024, 768, 0xFF203040u);
    Text("cap1", "Nell");
  }
  std::unique_ptr<ComicsData> Load(const std::string& xml) {
    Write("comics/t.xml", xml);
    return story::LoadComics("t.xml");
  }
};

TEST_F(ComicsTest, ReaderTakesTheColourBeforeThePictureAndKeepsFileOrder) {
  Write("anim/a.xml", "<anm><frame image=\"c/red\"/></anm>");
  Write("anim/b.xml", "<anm><frame image=\"c/blue\"/></anm>");
  auto doc = Load(
      "<C background_color=\"255,0,0,255\" pict=\"c/bg\"><Sound name=\"s1.ogg\"/><Sound name=\"s2.ogg\"/>"
      "<Anim name=\"anim/b\" x=\"5\" y=\"6\"/><Anim name=\"anim/a\" x=\"7\" y=\"8\"/>"
      "<page background_color=\"0,0,255,255\"><fragm pict=\"c/red\" pos=\"10.5,20\" timepict=\"0.25\" "
      "fadetime=\"2\"/><fragm text=\"cap1\"/><fragm text=\"cap1\" texteffname=\"Cap\" timetext=\"0.5\" "
      "rect=\"100,200,300,60\"/></page><page/></C>");
  EXPECT_TRUE(doc->hasBackgroundColor);
  EXPECT_EQ(doc->backgroundColor, TFloatColor(1, 0, 0, 1));
  EXPECT_FALSE(doc->background);  // "pict" is not read beside a colour
  EXPECT_EQ(doc->soundName, TString("s1.ogg"));
  ASSERT_EQ(doc->animations.size(), 2u);
  EXPECT_EQ(doc->animations[0]->GetAnimation()->GetFrameCount(), 1);
  EXPECT_EQ(doc->animations[0]->GetDrawParams().transform.m[2][0], 5.0f);
  EXPECT_EQ(doc->animations[1]->GetDrawParams().transform.m[2][1], 8.0f);
  ASSERT_EQ(doc->GetPageCount(), 2);
  const ComicsPage& page = *doc->pages[0];
  EXPECT_TRUE(page.hasColor);
  ASSERT_EQ(page.fragments.size(), 3u);
  EXPECT_TRUE(page.fragments[0]->picture);
  EXPECT_EQ(page.fragments[0]->x, 10.5f);
  EXPECT_EQ(page.fragments[0]->timePict, 0.25f);
  EXPECT_EQ(page.fragments[0]->fadeTime, 2.0f);
  EXPECT_FALSE(page.fragments[1]->text);  // a text without an effect is left out
  ASSERT_TRUE(page.fragments[2]->text);
  EXPECT_EQ(page.fragments[2]->text->x, 100.0f);
  EXPECT_EQ(page.fragments[2]->text->w, 300);
  EXPECT_EQ(page.fragments[2]->text->GetText(), TString("Nell"));
  EXPECT_EQ(page.fragments[2]->timeText, 0.5f);

  auto pict = Load("<C pict=\"c/bg\"/>");
  EXPECT_TRUE(pict->background);
}

// A fade starts with its first step's dt; the page is complete once the last
// start time has passed, while fades still run.
TEST_F(ComicsTest, PageClockFadesAndCompletesWithTheLastStart) {
  auto doc = Load("<C><page><fragm pict=\"c/red\" timepict=\"0\" fadetime=\"1\"/>"
                  "<fragm pict=\"c/blue\" timepict=\"0.5\" fadetime=\"0.5\"/>"
                  "<fragm text=\"cap1\" texteffname=\"Cap\" timetext=\"0.2\" rect=\"0,0,300,60\"/></page></C>");
  ComicsPage& page = *doc->pages[0];
  doc->Update(0.016f);
  EXPECT_TRUE(page.fragments[0]->pictStarted);
  EXPECT_FLOAT_EQ(page.fragments[0]->alpha, 0.016f);
  EXPECT_FALSE(page.fragments[1]->pictStarted);
  EXPECT_FALSE(page.fragments[2]->textStarted);
  EXPECT_FALSE(doc->IsPageComplete());
  doc->Update(0.184f);  // 0.2 s: the caption starts
  EXPECT_TRUE(page.fragments[2]->textStarted);
  EXPECT_FALSE(doc->IsPageComplete());
  doc->Update(0.299f);  // 0.499 s
  EXPECT_FALSE(page.fragments[1]->pictStarted);
  EXPECT_FALSE(doc->IsPageComplete());
  doc->Update(0.001f);  // 0.5 s: the last start
  EXPECT_TRUE(page.fragments[1]->pictStarted);
  EXPECT_FLOAT_EQ(page.fragments[1]->alpha, 0.002f);
  EXPECT_TRUE(doc->IsPageComplete());
  EXPECT_LT(page.fragments[0]->alpha, 1.0f);
  doc->Update(2.0f);
  EXPECT_EQ(page.fragments[0]->alpha, 1.0f);  // held at the end of its fade
  EXPECT_EQ(page.fragments[0]->fadeElapsed, 1.0f);
  EXPECT_FLOAT_EQ(page.time, 2.5f);
}

// Missing timings read as 0 and a fade time of 0 shows the picture at once:
// no division by zero.
TEST_F(ComicsTest, MissingTimingsAreZeroAndNoFadeShowsAtOnce) {
  auto doc = Load("<C><page><fragm pict=\"c/red\"/><fragm pict=\"c/blue\" fadetime=\"-3\" timepict=\"x\"/>"
                  "<fragm pict=\"c/missing\"/></page></C>");
  ComicsPage& page = *doc->pages[0];
  EXPECT_EQ(page.fragments[0]->fadeTime, 0.0f);
  EXPECT_EQ(page.fragments[1]->fadeTime, 0.0f);
  EXPECT_FALSE(page.fragments[2]->picture);
  doc->Update(0.016f);
  EXPECT_EQ(page.fragments[0]->alpha, 1.0f);
  EXPECT_EQ(page.fragments[1]->alpha, 1.0f);
  EXPECT_TRUE(doc->IsPageComplete());  // a picture that is missing never blocks
}

TEST_F(ComicsTest, FinishingCompletesAtOnceAndFadesGoOn) {
  auto doc = Load("<C><page><fragm pict=\"c/red\" timepict=\"0\" fadetime=\"1\"/>"
                  "<fragm pict=\"c/blue\" timepict=\"5\" fadetime=\"1\"/></page></C>");
  ComicsPage& page = *doc->pages[0];
  doc->Update(0.25f);
  doc->FinishPage();
  EXPECT_TRUE(doc->IsPageComplete());
  EXPECT_TRUE(page.fragments[1]->pictStarted);
  EXPECT_EQ(page.fragments[0]->alpha, 0.25f);  // not jumped to the end
  EXPECT_EQ(page.fragments[1]->alpha, 0.0f);
  doc->Update(0.25f);
  EXPECT_EQ(page.fragments[0]->alpha, 0.5f);
  EXPECT_EQ(page.fragments[1]->alpha, 0.25f);
  EXPECT_TRUE(doc->IsPageComplete());
}

TEST_F(ComicsTest, PagesKeepTheirClocksAndTheEndsDoNotMove) {
  auto doc = Load("<C><page><fragm pict=\"c/red\" fadetime=\"1\"/></page>"
                  "<page><fragm pict=\"c/blue\" fadetime=\"1\" timepict=\"1\"/></page></C>");
  doc->GoPrev();
  EXPECT_EQ(doc->GetCurrentPage(), 0);
  doc->Update(0.5f);
  doc->GoNext();
  EXPECT_EQ(doc->GetCurrentPage(), 1);
  EXPECT_FALSE(doc->IsPageComplete());
  doc->Update(0.25f);
  doc->GoNext();
  EXPECT_EQ(doc->GetCurrentPage(), 1);
  doc->GoPrev();
  EXPECT_TRUE(doc->IsPageComplete());
  EXPECT_EQ(doc->pages[0]->fragments[0]->alpha, 0.5f);
  EXPECT_EQ(doc->pages[0]->time, 0.5f);
  EXPECT_EQ(doc->pages[1]->time, 0.25f);
  doc->GoNext();
  EXPECT_FALSE(doc->IsPageComplete());  // page 2 waits where it was left
}

// A missing file, a file without pages and a caption without a size or an
// effect are logged; nothing crashes and nothing blocks.
TEST_F(ComicsTest, EmptyComicsAndCaptionsWithoutSizeAreLogged) {
  auto missing = story::LoadComics("none.xml");
  EXPECT_EQ(missing->GetPageCount(), 0);
  EXPECT_TRUE(log.Contains("comics/none.xml is missing or unreadable"));
  auto empty = Load("<C pict=\"c/bg\"/>");
  EXPECT_EQ(empty->GetPageCount(), 0);
  EXPECT_TRUE(log.Contains("Comics t.xml: the comic has no pages"));
  empty->Update(0.016f);
  empty->FinishPage();
  empty->GoNext();
  empty->GoPrev();
  EXPECT_FALSE(empty->IsPageComplete());
  Frame([&] { empty->Draw(); });
  // Damaged: the page the parser built before the damage stands.
  auto damaged = Load("<C><page><fragm");
  EXPECT_EQ(damaged->GetPageCount(), 1);
  EXPECT_TRUE(log.Contains("comics/t.xml is damaged"));

  auto doc = Load("<C><page><fragm text=\"cap1\" texteffname=\"NoSize\" timetext=\"0\"/>"
                  "<fragm text=\"cap1\" texteffname=\"Cap\" rect=\"0,0,0,40\"/>"
                  "<fragm text=\"cap1\" texteffname=\"Unknown\" rect=\"0,0,100,40\"/></page></C>");
  EXPECT_EQ(log.Count("has no size"), 2u);
  EXPECT_TRUE(log.Contains("no text effect \"Unknown\""));
  for (auto& f : doc->pages[0]->fragments) EXPECT_FALSE(f->text);
  doc->Update(0.016f);
  EXPECT_TRUE(doc->IsPageComplete());
  Frame([&] { doc->Draw(); });
}

// On real frames: the picture fades in linearly, holds, and its caption
// fades out on its alpha track; the background lies under everything.
TEST_F(ComicsTest, PageTimingShowsOnTheFrames) {
  auto doc = Load("<C pict=\"c/bg\"><page><fragm pict=\"c/red\" pos=\"100,100\" timepict=\"0.1\" fadetime=\"0.4\"/>"
                  "<fragm text=\"cap1\" texteffname=\"Cap\" timetext=\"0\" rect=\"300,300,300,60\"/></page></C>");
  auto red = [&] { return Channel(Frame([&] { doc->Draw(); }).At(120, 120), 16); };
  auto captionInk = [&] {
    const sdev::test::Frame& f = Frame([&] { doc->Draw(); });
    int ink = 0;
    for (int y = 300; y < 360; ++y)
      for (int x = 300; x < 600; ++x) ink += Channel(f.At(x, y), 8) > 0x80 ? 1 : 0;
    return ink;
  };
  EXPECT_EQ(Frame([&] { doc->Draw(); }).At(120, 120), 0xFF203040u);  // nothing started yet
  doc->Update(0.1f);    // the picture starts: 0.1 s of 0.4
  int quarter = red();
  doc->Update(0.1f);    // 0.2 s of 0.4
  int half = red();
  doc->Update(0.2f);    // faded in
  int full = red();
  doc->Update(0.3f);    // held
  EXPECT_NEAR(quarter, 0x20 + (0xFF - 0x20) / 4, 3);
  EXPECT_NEAR(half, 0x20 + (0xFF - 0x20) / 2, 3);
  EXPECT_EQ(full, 0xFF);
  EXPECT_EQ(red(), 0xFF);
  int shown = captionInk();
  EXPECT_GT(shown, 50);
  auto run = [&](float seconds) {  // in the viewer's steps
    for (int i = 0; i < int(seconds / 0.016f + 0.5f); ++i) doc->Update(0.016f);
  };
  run(0.4f);  // 1.1 s: the caption's fade-out has begun
  int fading = captionInk();
  run(0.5f);  // 1.6 s: gone
  EXPECT_LT(fading, shown);
  EXPECT_GT(fading, 0);
  EXPECT_EQ(captionInk(), 0);
  EXPECT_EQ(red(), 0xFF);
}

}  // namespace
}  // namespace storytest
