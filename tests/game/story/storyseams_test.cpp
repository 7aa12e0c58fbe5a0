// The journal behind the shell's and the scene's seams: the photo album's
// journal made through the story's registration, and the play screen's story
// object running the owner sequences of a location (load, journal button,
// completion with the writing, commands, the held play).
#include <gtest/gtest.h>

#include <tinyxml.h>

#include "game/scene/scenestory.h"
#include "game/shell/widgets/gamebutton.h"
#include "game/shell/screens/photoalbum.h"
#include "game/shell/upperlayers.h"
#include "game/story/story.h"
#include "game/story/storyscene.h"
#include "render/textures/texture.h"
#include "tests/game/story/journalfixture.h"
#include "ui/message.h"

namespace journaltest {
namespace {

using L = LogBook_t;

class TStorySeamTest : public TJournalTest {
protected:
  TStorySeamTest() { RegisterStoryLayer(); }
  ~TStorySeamTest() override {
    ClearUpperLayers();
    SetSceneStoryFactory(nullptr);
  }
  static void Command(SceneStory_t& story, const char* text) {
    TMessage m(kButtonPress, text, nullptr);
    EXPECT_TRUE(story.OnCommand(&m)) << text;
  }
};

// The album opens the journal on its last photographs, without tabs and
// without the pen (there is nothing to write in the photographs section).
TEST_F(TStorySeamTest, PhotoAlbumOpensThePhotographs) {
  MainXml(BookXml());
  Enter("a", "01-01-2010", "10:00", "01-01-2010", "11:00");
  Solid("ph/1.png", 100, 80, 0xFF0000C0u);
  Solid("ph/2.png", 100, 80, 0xFF00C000u);
  Solid("ph/3.png", 100, 80, 0xFFC00000u);
  for (const char* p : {"ph/1", "ph/2", "ph/3"}) GetGameProgress().AddPhoto(p);
  TPhotoAlbum album;
  album.Update();
  TAlbumLogBook* book = album.GetLogBook();
  ASSERT_TRUE(book);
  for (int i = 0; i < 40; ++i) album.Update();
  EXPECT_EQ(book->GetOpenState(), L::kOpen);
  EXPECT_EQ(book->GetSection(), L::kPhotographs);
  EXPECT_TRUE(book->IsIdle());
  const auto& f = Frame([&] { album.PostDraw(); });
  EXPECT_TRUE(widgettest::Close(f.At(250, 120), 0xFFC00000u, 8));    // photograph 3 on the left
  EXPECT_EQ(f.At(715, 190), 0xFF000000u);  // no photographs tab
  TMessage prev(kButtonPress, "logbookprev", nullptr);
  EXPECT_TRUE(album.OnMessage(&prev));
  album.Update();
  EXPECT_FALSE(book->IsIdle());
  for (int i = 0; i < 60; ++i) album.Update();
  const auto& g = Frame([&] { album.PostDraw(); });
  EXPECT_TRUE(widgettest::Close(g.At(250, 120), 0xFF0000C0u, 8));
  EXPECT_TRUE(widgettest::Close(g.At(540, 120), 0xFF00C000u, 8));
  TMessage close(kButtonPress, "logbookclose", nullptr);
  album.OnMessage(&close);
  for (int i = 0; i < 60; ++i) album.Update();
  EXPECT_EQ(book->GetOpenState(), L::kClosed);
}

TEST_F(TStorySeamTest, NoStyleNoAlbumJournal) {
  MainXml("<Game/>");
  EXPECT_FALSE(GetUpperLayerHooks().createLogBook(nullptr));
  std::unique_ptr<SceneStory_t> story = MakeSceneStory(nullptr);
  ASSERT_TRUE(story);
  EXPECT_FALSE(story->HasJournal());
  story->OnJournalButton();
  EXPECT_FALSE(story->IsBlocking());
  EXPECT_FALSE(story->OnMouseDown(TPoint(300, 300)));
}

// A location's load, the journal button, commands and the held play.
TEST_F(TStorySeamTest, PlayScreenJournal) {
  MainXml(BookXml());
  Enter("a", "01-01-2010", "10:00", "01-01-2010", "11:00");
  Enter("b", "01-02-2010", "10:00");
  GetGameProgress().AddPhoto("ph/1");
  std::unique_ptr<SceneStory_t> story = MakeSceneStory(nullptr);
  auto* scene = dynamic_cast<TStoryScene*>(story.get());
  ASSERT_TRUE(scene && scene->GetJournal());
  L& b = *scene->GetJournal();
  EXPECT_TRUE(story->HasJournal());
  story->OnLevelLoaded(nullptr, "b");
  EXPECT_EQ(b.lastLocation, 1);
  EXPECT_EQ(b.GetPhotoNames().size(), 1u);
  EXPECT_FALSE(b.locationCompleted);
  EXPECT_FALSE(story->IsBlocking());
  EXPECT_FALSE(story->OnMouseDown(TPoint(300, 300)));

  story->OnJournalButton();
  EXPECT_TRUE(story->IsBlocking());
  story->Update(1.0f);
  EXPECT_TRUE(b.IsOpen());
  EXPECT_EQ(b.GetSpread(), 1);
  EXPECT_TRUE(story->OnMouseDown(TPoint(5, 5)));  // the shown book holds the mouse
  Command(*story, "logbookprev");
  RunTurn(b);
  EXPECT_EQ(b.GetSpread(), 0);
  Command(*story, "logbookphotographs");
  RunTurn(b);
  EXPECT_EQ(b.GetSection(), L::kPhotographs);
  TMessage other(kButtonPress, "hint", nullptr);
  EXPECT_FALSE(story->OnCommand(&other));
  Command(*story, "logbookclose");
  story->Update(1.0f);
  EXPECT_FALSE(story->IsBlocking());
  EXPECT_EQ(b.GetSpread(), 1);

  // A close asked while the book fades in (Escape here) or turns a page is
  // kept and done as soon as the book can close.
  story->OnJournalButton();
  EXPECT_EQ(b.GetState(), L::kOpening);
  EXPECT_TRUE(story->OnKey(27));
  story->Update(1.0f);
  EXPECT_EQ(b.GetState(), L::kClosing);
  story->Update(1.0f);
  EXPECT_FALSE(story->IsBlocking());
  EXPECT_FALSE(story->OnKey(27));  // nothing shown: the key is the scene's
  story->OnJournalButton();
  story->Update(1.0f);
  Command(*story, "logbookprev");
  Command(*story, "logbookclose");
  story->Update(0.016f);
  EXPECT_EQ(b.GetState(), L::kOpen);  // the page turns first
  for (int i = 0; i < 60 && story->IsBlocking(); ++i) story->Update(0.05f);
  EXPECT_FALSE(story->IsBlocking());
}

// Completing the location writes its page: the journal opens on it with the
// pen and the closing text fades in; the photograph earned joins the book.
TEST_F(TStorySeamTest, CompletionWritesTheNewestPage) {
  StartSound();
  Ogg("audio/sfx/writing.ogg", 44100);
  MainXml(BookXml());
  Enter("a", "01-01-2010", "10:00");
  std::unique_ptr<SceneStory_t> story = MakeSceneStory(nullptr);
  L& b = *dynamic_cast<TStoryScene*>(story.get())->GetJournal();
  story->OnLevelLoaded(nullptr, "a");
  EXPECT_FALSE(b.locationCompleted);
  story->OnLocationComplete("ph/9");
  EXPECT_TRUE(b.locationCompleted);
  EXPECT_EQ(b.GetPhotoNames().back(), TString("ph/9"));
  EXPECT_EQ(b.GetState(), L::kOpening);
  EXPECT_TRUE(story->IsBlocking());
  story->Update(0.5f);
  EXPECT_TRUE(b.IsWriting());
  story->Update(1.0f);
  EXPECT_NEAR(b.GetWritingAlpha(), 0.5f, 1e-6f);
  story->Update(1.0f);
  EXPECT_FALSE(b.IsWriting());
  // A level that hides the journal: no button, nothing opens.
  TiXmlElement level("Level");
  level.SetAttribute("show_logbook", "0");
  story->OnLevelLoaded(&level, "a");
  story->OnJournalButton();
  EXPECT_FALSE(story->IsBlocking());
}

}  // namespace
}  // namespace journaltest
