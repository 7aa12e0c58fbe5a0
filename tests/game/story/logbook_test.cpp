// The journal driven directly with the player's real progress: its style,
// the pages of the locations entered with their dates, the photographs, the
// requests and their gating, the fades, the writing, and page turns to both
// ends.
#include <gtest/gtest.h>

#include "audio/sound.h"
#include "audio/soundmanager.h"
#include "game/shell/widgets/gamebutton.h"
#include "render/textures/texture.h"
#include "tests/game/story/journalfixture.h"

namespace journaltest {
namespace {

using L = LogBook_t;

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST_F(TJournalTest, StyleGeometryIsRelativeToTheBook) {
  Solid("book/left.png", 300, 400, kPageColor);
  MainXml(BookXml("", "", 3, "rect_left=\"40;40;340;480\" rect_right=\"420; 40 ;340;480\""));
  L& b = Make();
  EXPECT_TRUE(b.HasStyle());
  EXPECT_EQ(b.GetPos(), TVec2(100, 50));
  EXPECT_EQ(b.GetLeftPageRect(), TRect(110, 70, 410, 470));
  EXPECT_EQ(b.GetRightPageRect(), TRect(400, 70, 680, 450));
  EXPECT_EQ(b.GetLeftTextRect(), TRect(140, 90, 480, 570));
  EXPECT_EQ(b.GetRightTextRect(), TRect(520, 90, 860, 570));
  EXPECT_EQ(b.GetLeftPhotoRect(), b.GetLeftTextRect());
  EXPECT_EQ(b.GetTextColor(), TFloatColor(0.2f, 0.1f, 0, 1));
  EXPECT_EQ(b.GetPageImage(2), TString("pages/p2"));
  EXPECT_EQ(b.GetPhotographsTab()->name, TString("logbookphotographs"));
}

// A style without durations and font heights gets defaults; an effect time
// of 0 ends the fade in the first update.
TEST_F(TJournalTest, MissingValuesHaveDefaultsAndZeroTimesEndAtOnce) {
  MainXml(Replace(Replace(BookXml(), " efftime=\"0.4\" effAlphaTime=\"2\"", ""),
                  " fh_journal=\"18\" fh_photo=\"16\"", ""));
  L& b = Make();
  EXPECT_EQ(b.GetEffTime(), 0.5f);
  EXPECT_EQ(b.GetEffAlphaTime(), 2.0f);
  EXPECT_EQ(b.GetJournalFontHeight(), 18);
  EXPECT_EQ(b.GetPhotoFontHeight(), 16);
  EXPECT_TRUE(logLines.Contains("\"efftime\" is missing"));

  MainXml(Replace(BookXml(), "efftime=\"0.4\"", "efftime=\"0\""));
  L& z = Make();
  z.Open(L::kJournal, 0);
  z.StartOpening();
  z.Update(0.0f);
  EXPECT_EQ(z.GetState(), L::kOpen);
  EXPECT_EQ(z.GetAlpha(), 1.0f);
}

// Without a "LogBook" element the journal is absent: requests do nothing,
// the mouse passes through, nothing is drawn.
TEST_F(TJournalTest, MissingStyleLeavesAnAbsentJournal) {
  MainXml("<Game><Common/></Game>");
  L& b = Make();
  EXPECT_FALSE(b.HasStyle());
  EXPECT_TRUE(logLines.Contains("no \"LogBook\" element"));
  b.Open(L::kJournal, 0);
  b.StartOpening();
  b.Update(1.0f);
  EXPECT_FALSE(b.IsOpen());
  EXPECT_FALSE(b.OnMouseDown(TPoint(300, 300)));
  EXPECT_FALSE(b.OnMouseMove(TPoint(300, 300)));
  const auto& f = Frame([&] { b.Draw(); }, 0xFF102030u);
  EXPECT_EQ(f.At(300, 300), 0xFF102030u);
}

// Page i belongs to the i-th location record, by position only: a record
// without dates (a location never entered, as a save may hold) has its page
// too, with the default dates.
TEST_F(TJournalTest, PageIBelongsToTheIthLocationRecordWithItsDates) {
  env.strings["in0"] = "In %s at %s";
  env.strings["out0"] = "Done %s, %s";
  env.strings["in1"] = "No dates here";
  env.strings["out1"] = "Left on %s";
  env.strings["in2"] = "Came %s";
  MainXml(BookXml());
  Enter("loc11", "03-05-2009", "09:07", "03-05-2009", "10:15");
  GetGameProgress().FindLocationInfo("loc13");  // never entered
  Enter("loc12", "03-06-2009", "18:40");
  L& b = Make();
  EXPECT_EQ(b.CountJournalPages(), 3);
  EXPECT_EQ(b.lastLocation, 2);
  EXPECT_EQ(b.GetOpeningText(0), TString("In 03-05-2009 at 09:07"));
  EXPECT_EQ(b.GetClosingText(0), TString("Done 03-05-2009, 10:15"));
  EXPECT_EQ(b.GetOpeningText(1), TString("No dates here"));
  EXPECT_EQ(b.GetClosingText(1), TString("Left on 01-01-01"));
  EXPECT_EQ(b.GetOpeningText(2), TString("Came 03-06-2009"));
  EXPECT_EQ(b.GetSpread(), 2);
  EXPECT_EQ(b.GetCurrentOpeningText(), TString("Came 03-06-2009"));
  EXPECT_EQ(b.GetCurrentPicture(), TTexture::Get("pages/p2"));
}

// More locations than pages: the later ones get no page, and a newest
// page set past the list is brought back to the last page that exists.
TEST_F(TJournalTest, LocationsBeyondThePagesGetNone) {
  MainXml(BookXml("", "", 2));
  for (const char* name : {"a", "b", "c", "d"}) Enter(name, "01-02-2010", "08:00");
  L& b = Make();
  EXPECT_EQ(b.CountJournalPages(), 2);
  b.lastLocation = 3;
  b.Rebuild();
  EXPECT_EQ(b.lastLocation, 1);
  EXPECT_EQ(b.GetSpread(), 1);
  EXPECT_TRUE(logLines.Contains("only 2 journal pages"));
  // No location record: no page, nothing to show.
  GetGameProgress().Reset();
  L& none = Make();
  EXPECT_EQ(none.lastLocation, -1);
  EXPECT_EQ(none.GetSpread(), -1);
  EXPECT_FALSE(none.GetCurrentPicture());
}

// A translation is never used as a format: conversions other than the
// first two "%s" show as written.
TEST_F(TJournalTest, TranslatedTemplatesShowOtherConversionsLiterally) {
  env.strings["in0"] = "%s %s %s %d %n %x 100%% %";
  MainXml(BookXml());
  Enter("loc11", "03-05-2009", "09:07");
  L& b = Make();
  EXPECT_EQ(b.GetOpeningText(0), TString("03-05-2009 09:07 %s %d %n %x 100% %"));
  EXPECT_EQ(L::FormatTemplate("%s", "a", "b"), TString("a"));
  EXPECT_EQ(L::FormatTemplate("x%", "a", "b"), TString("x%"));
}

TEST_F(TJournalTest, PhotographsAreKeptOnceWithTheirCaptions) {
  env.strings["photos/a_info"] = "The lamp";
  MainXml(BookXml());
  Enter("loc11", "03-05-2009", "09:07");
  L& b = Make();
  EXPECT_EQ(b.GetLastSpread(), -1);
  b.AddEntry("photos/a");
  b.AddEntry("photos/a");
  EXPECT_EQ(b.GetPhotoNames().size(), 1u);
  ASSERT_EQ(b.GetCaptions().size(), 1u);
  EXPECT_EQ(b.GetCaptions()[0], TString("The lamp"));
  EXPECT_EQ(b.GetLastSpread(), 0);
  b.AddEntry("photos/b");
  EXPECT_EQ(b.GetLastSpread(), 0);
  b.AddEntry("photos/c");
  EXPECT_EQ(b.GetLastSpread(), 1);
  EXPECT_TRUE(b.HasRightPhoto(0));
  EXPECT_FALSE(b.HasRightPhoto(1));
  EXPECT_EQ(b.GetCaptions()[2], TString("photos/c_info"));

  // Added before the rebuild (as the photo album does): the last spread is loaded.
  Solid("photos/a.png", 60, 40, 0xFF202020u);
  Solid("photos/c.png", 101, 80, 0xFF404040u);
  b.Rebuild();
  EXPECT_EQ(b.GetCurrentLeftPhoto()->GetWidth(), 101u);
  EXPECT_FALSE(b.GetCurrentRightPhoto());
  // Centred in the text rectangle (120..380), hanging from its top.
  EXPECT_EQ(b.GetLeftPhotoRect(), TRect(199, 80, 300, 160));
  EXPECT_EQ(L::FitPhotoRect(TTextureRef(), TRect(100, 50, 400, 300)), TRect(250, 50, 250, 50));
}

// The photographs section with no photographs: nothing to show, both page
// buttons off, and nothing read from a photograph that does not exist.
TEST_F(TJournalTest, PhotographsSectionWithNone) {
  MainXml(BookXml());
  Enter("loc11", "03-05-2009", "09:07");
  L& b = Make();
  OpenFully(L::kJournal, 0);
  b.ShowPhotographs();
  EXPECT_TRUE(b.GetPhotographsTab()->IsDisabled());
  RunTurn();
  EXPECT_EQ(b.GetSection(), L::kPhotographs);
  EXPECT_EQ(b.GetSpread(), -1);
  EXPECT_TRUE(b.GetPrevButton()->IsDisabled());
  EXPECT_TRUE(b.GetNextButton()->IsDisabled());
  EXPECT_FALSE(b.GetCurrentLeftPhoto());
  b.TurnPageForward();
  b.TurnPageBack();
  EXPECT_EQ(b.GetTransition(), L::kIdle);
  const auto& f = Frame([&] { b.Draw(); });
  EXPECT_TRUE(widgettest::Close(f.At(450, 300), kPhotoPageColor));
  b.ShowJournal();
  RunTurn();
  EXPECT_EQ(b.GetSection(), L::kJournal);
  EXPECT_EQ(b.GetSpread(), 0);
  // Opened straight on the photographs, on any spread: still nothing there.
  b.StartClosing();
  b.Update(1.0f);
  b.Open(L::kPhotographs, 3);
  EXPECT_EQ(b.GetSpread(), -1);
}

TEST_F(TJournalTest, OpeningFadesThenWritesTheNewestPage) {
  StartSound();
  Ogg("audio/sfx/writing.ogg", 44100);
  MainXml(BookXml());
  Enter("loc11", "03-05-2009", "09:07", "03-05-2009", "10:00");
  L& b = Make(true);
  b.StartWriting();
  b.Open(L::kJournal, b.lastLocation);
  b.StartOpening();
  boost::shared_ptr<TSound> pen = TSound::Get("audio/sfx/writing.ogg", true, 1000);
  ASSERT_TRUE(pen);
  EXPECT_EQ(pen->GetInstanceCount(), 1u);
  int steps = 0;
  while (b.GetState() == L::kOpening) {
    b.Update(0.016f);
    ++steps;
    if (b.GetState() == L::kOpening) {
      EXPECT_NEAR(b.GetAlpha(), 0.016f * float(steps) / 0.4f, 1e-4f);
    }
  }
  EXPECT_EQ(steps, 25);
  EXPECT_EQ(b.GetAlpha(), 1.0f);
  EXPECT_TRUE(b.IsWriting());
  EXPECT_EQ(b.GetTimer(), 0.0f);
  // While writing, nothing else can start.
  b.StartClosing();
  b.ShowPhotographs();
  EXPECT_EQ(b.GetState(), L::kOpen);
  EXPECT_EQ(b.GetTransition(), L::kIdle);
  b.Update(0.5f);
  EXPECT_NEAR(b.GetWritingAlpha(), 0.25f, 1e-6f);
  b.Update(1.5f);
  EXPECT_FALSE(b.IsWriting());
  EXPECT_EQ(b.GetWritingAlpha(), 1.0f);
  sound->Update();
  EXPECT_EQ(pen->GetInstanceCount(), 0u);
}

TEST_F(TJournalTest, OpenWhileOpenKeepsTheSpread) {
  MainXml(BookXml());
  Enter("a", "01-01-2010", "10:00");
  Enter("b", "01-02-2010", "10:00");
  L& b = Make();
  OpenFully(L::kJournal, 1);
  EXPECT_TRUE(b.GetJournalTab()->IsDisabled());
  b.TurnPageBack();
  RunTurn();
  EXPECT_EQ(b.GetSpread(), 0);
  b.Open(L::kJournal, 1);
  EXPECT_EQ(b.GetSpread(), 0);
  // A spread past the newest page is brought back to it.
  b.StartClosing();
  b.Update(1.0f);
  b.Open(L::kJournal, 7);
  EXPECT_EQ(b.GetSpread(), 1);
}

// Turning forward and back to both ends, with the turn's timeline: the
// request starts on the next update, each half ends on the first update at
// or past 0.3 s.
TEST_F(TJournalTest, TurnsReachBothEndsAndStopThere) {
  MainXml(BookXml());
  Enter("a", "01-01-2010", "10:00");
  Enter("b", "01-02-2010", "10:00");
  Enter("c", "01-03-2010", "10:00");
  L& b = Make();
  OpenFully(L::kJournal, 2);
  EXPECT_TRUE(b.GetNextButton()->IsDisabled());
  b.TurnPageForward();  // nothing after the newest page
  EXPECT_EQ(b.GetTransition(), L::kIdle);

  b.TurnPageBack();
  EXPECT_EQ(b.GetTransition(), L::kBackRequested);
  EXPECT_FALSE(b.GetNextButton()->IsDisabled());
  b.Update(0.125f);
  EXPECT_EQ(b.GetTransition(), L::kBackRunning);
  EXPECT_EQ(b.GetSpread(), 1);
  EXPECT_EQ(b.GetPreviousSpread(), 2);
  EXPECT_TRUE(b.IsFirstHalf());
  EXPECT_EQ(b.GetLeftLayers().size(), 2u);  // page and old picture (no heading text)
  EXPECT_GE(b.GetRightLayers().size(), 1u);
  b.TurnPageBack();  // ignored while turning
  b.StartClosing();
  EXPECT_EQ(b.GetState(), L::kOpen);
  // The first update began the turn and ran 0.125 s of it.
  int updates = 0;
  while (b.IsFirstHalf()) {
    b.Update(0.125f);
    ++updates;
  }
  EXPECT_EQ(updates, 2);
  EXPECT_EQ(b.GetTimer(), 0.0f);
  updates = 0;
  while (b.GetTransition() != L::kIdle) {
    b.Update(0.125f);
    ++updates;
  }
  EXPECT_EQ(updates, 3);
  EXPECT_EQ(b.GetTimer(), L::kHalfTurnTime);
  EXPECT_EQ(b.GetSpread(), 1);

  b.TurnPageBack();
  RunTurn();
  EXPECT_EQ(b.GetSpread(), 0);
  EXPECT_TRUE(b.GetPrevButton()->IsDisabled());
  EXPECT_EQ(b.GetCurrentPicture(), TTexture::Get("pages/p0"));
  b.TurnPageBack();  // nothing before the first page
  EXPECT_EQ(b.GetTransition(), L::kIdle);

  for (int i = 0; i < 2; ++i) {
    b.TurnPageForward();
    b.Update(0.016f);
    EXPECT_EQ(b.GetTransition(), L::kForwardRunning);
    RunTurn();
  }
  EXPECT_EQ(b.GetSpread(), 2);
  EXPECT_TRUE(b.GetNextButton()->IsDisabled());
  EXPECT_FALSE(b.GetPrevButton()->IsDisabled());
  EXPECT_EQ(b.GetCurrentPicture(), TTexture::Get("pages/p2"));
}

TEST_F(TJournalTest, PhotographTurnsAndSwitches) {
  MainXml(BookXml());
  Enter("a", "01-01-2010", "10:00");
  L& b = Make();
  for (const char* p : {"ph/1", "ph/2", "ph/3"}) {
    Solid(std::string(p) + ".png", 50, 40, 0xFF000000u);
    b.AddEntry(p);
  }
  OpenFully(L::kJournal, 0);
  b.ShowPhotographs();
  b.ShowPhotographs();
  b.Update(0.016f);
  EXPECT_EQ(b.GetTransition(), L::kToPhotographsRunning);
  EXPECT_EQ(b.GetSection(), L::kJournal);  // until the switch ends
  RunTurn();
  EXPECT_EQ(b.GetSection(), L::kPhotographs);
  EXPECT_EQ(b.GetSpread(), 1);
  EXPECT_EQ(b.GetCurrentLeftPhoto(), TTexture::Get("ph/3"));
  EXPECT_FALSE(b.GetCurrentRightPhoto());
  EXPECT_TRUE(b.GetNextButton()->IsDisabled());
  b.ShowPhotographs();  // already there
  EXPECT_EQ(b.GetTransition(), L::kIdle);
  b.TurnPageBack();
  RunTurn();
  EXPECT_EQ(b.GetSpread(), 0);
  EXPECT_EQ(b.GetCurrentRightPhoto(), TTexture::Get("ph/2"));
  EXPECT_TRUE(b.GetPrevButton()->IsDisabled());
  b.ShowJournal();
  RunTurn();
  EXPECT_EQ(b.GetSection(), L::kJournal);
  EXPECT_EQ(b.GetSpread(), 0);
}

// Closing always comes back to the newest page.
TEST_F(TJournalTest, ClosingReturnsToTheNewestPage) {
  MainXml(BookXml());
  Enter("a", "01-01-2010", "10:00");
  Enter("b", "01-02-2010", "10:00");
  Enter("c", "01-03-2010", "10:00");
  L& b = Make();
  OpenFully(L::kJournal, 0);
  b.StartClosing();
  b.Update(0.2f);
  EXPECT_NEAR(b.GetAlpha(), 0.5f, 1e-6f);
  b.Update(0.2f);
  EXPECT_TRUE(b.IsClosed());
  EXPECT_EQ(b.GetSpread(), 2);
  EXPECT_EQ(b.GetPreviousSpread(), 2);
  EXPECT_EQ(b.GetCurrentPicture(), TTexture::Get("pages/p2"));
  EXPECT_EQ(b.GetOtherPicture(), TTexture::Get("pages/p2"));
}

}  // namespace
}  // namespace journaltest
