// The information pop-ups: what a page of infos.xml gives, the windows that
// draw it, the mini tutorial's closing message, and pop-ups shown once per
// player with the player's real saved progress.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include "game/shell/storyservices.h"
#include "game/shell/upperlayers.h"
#include "game/shell/data/userinfo.h"
#include "game/story/credits.h"
#include "render/text/textblock.h"
#include "tests/game/story/storyfixture.h"
#include "tests/game/support/gametest.h"
#include "ui/modalwindow.h"
#include "ui/text.h"

namespace storytest {
namespace {

constexpr uint32_t kPicture = 0xFF30A050u;

const char* kInfos =
    "<Infos>"
    "<Info id=\"knife\"><fragm img=\"i/knife\" pos=\"412,220\"/>"
    "<fragm img=\"i/knife\" pos=\"0,0\" text=\"info_text\" rect=\"0,0,100,40\" fh=\"20\"/>"
    "<fragm text=\"info_text\" rect=\"300,420,424,120\" font=\"\" fh=\"20\" color=\"255,0,0,255\" xAlign=\"5\""
    " yAlign=\"2\"/><fragm text=\"info_text\" rect=\"300,560,424,40\" fh=\"0\" color=\"0,255,0,255\"/>"
    "<fragm/><fragm text=\"info_text\" fh=\"20\"/></Info>"
    "<Info id=\"knife\"><fragm img=\"i/other\" pos=\"1,1\"/></Info>"
    "<Info id=\"Knife\"/></Infos>";

class InfosTest : public TStoryTest {
protected:
  InfosTest() {
    MainXml("<Game><Common animrate=\"16\"/></Game>");
    Solid("i/knife.png", 40, 30, kPicture);
    Solid("i/other.png", 40, 30, 0xFFFF00FFu);
    Text("info_text", "A knife cuts ropes and cloth.");
    LoadInfos(kInfos);
    Write("scripts/infos.lua", "Infos{ x = 0, y = 0, w = 1024, h = 768 }()");
    Write("scripts/minitutor.lua", "MiniTutor{ x = 0, y = 0, w = 1024, h = 768 }()");
  }
  void LoadInfos(const std::string& xml) {
    Write("infos.xml", xml);
    LoadInfosXml();
  }
  // Closes every pop-up and delivers what they posted.
  void CloseAll() {
    screen->DeleteChildren();
    while (wm->GetTopModal() && wm->GetTopModal() != screen) wm->PopModal();
    Send(kEventTick);
  }
  int Posted(uint32_t type) {
    int n = 0;
    for (const std::string& m : recorder.seen) n += m == std::to_string(type) + ":" ? 1 : 0;
    return n;
  }
};

TEST_F(InfosTest, FirstMatchingPageGivesPicturesOrTexts) {
  auto list = story::LoadInfo("knife");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->size(), 6u);
  const InfoList& l = *list;
  EXPECT_TRUE(l[0]->picture);
  EXPECT_EQ(l[0]->x, 412.0f);
  EXPECT_EQ(l[0]->y, 220.0f);
  EXPECT_FALSE(l[0]->label);
  EXPECT_TRUE(l[1]->picture);  // a picture and a text: the picture only
  EXPECT_FALSE(l[1]->label);
  ASSERT_TRUE(l[2]->label);
  EXPECT_EQ(l[2]->rect, TRect(300, 420, 724, 540));
  EXPECT_EQ(l[2]->fontHeight, 20);
  EXPECT_EQ(l[2]->label->GetText(), TString("A knife cuts ropes and cloth."));
  EXPECT_EQ(l[2]->label->GetBlock()->GetFlags(), 0 + 4 * 2);  // xAlign 5 counts as 0
  EXPECT_EQ(l[2]->label->GetBlock()->GetColor(), TFloatColor(1, 0, 0, 1));
  EXPECT_EQ(l[3]->fontHeight, 0);
  EXPECT_FALSE(l[4]->picture);
  EXPECT_FALSE(l[4]->label);
  ASSERT_TRUE(l[5]->label);  // a text without a size has no text block
  EXPECT_EQ(l[5]->label->GetBlock(), nullptr);
  EXPECT_TRUE(log.Contains("Info knife: fragment 6 (\"info_text\") has no size"));

  EXPECT_EQ(story::LoadInfo("knif"), nullptr);  // ids match whole and exactly
  EXPECT_EQ(story::LoadInfo("Knife")->size(), 0u);
  EXPECT_EQ(story::LoadInfo("nothing"), nullptr);
  EXPECT_TRUE(log.Contains("Info nothing: infos.xml has no \"Info\" with that id"));
}

TEST_F(InfosTest, WindowDrawsItsPageAndNothingForAnUnknownOne) {
  story::ShowInfos(screen, "knife");
  Infos_t* w = WindowCast<Infos_t>(wm->GetTopModal()->GetChildren().front());
  ASSERT_NE(w, nullptr);
  EXPECT_STREQ(w->GetClassName(), "Infos_t");
  EXPECT_EQ(story::GetNameInfosToRun(), TString("knife"));
  const sdev::test::Frame& f = DrawFrame();
  EXPECT_EQ(f.At(412, 220), kPicture);
  EXPECT_EQ(f.At(451, 249), kPicture);
  EXPECT_EQ(f.At(1, 1), kPicture);  // the second fragment's picture
  int red = 0, green = 0;
  for (int y = 420; y < 600; ++y)
    for (int x = 300; x < 724; ++x) {
      uint32_t p = f.At(x, y);
      red += (p & 0xFFFFFF) == 0xFF0000 ? 1 : 0;
      green += (p & 0xFFFFFF) == 0x00FF00 ? 1 : 0;
    }
  EXPECT_GT(red, 20);
  EXPECT_EQ(green, 0);  // font height 0: not drawn
  CloseAll();

  story::ShowInfos(screen, "unknown");
  Infos_t* empty = WindowCast<Infos_t>(wm->GetTopModal()->GetChildren().front());
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->GetList(), nullptr);
  const sdev::test::Frame& blank = Frame([&] { empty->Draw(); });
  EXPECT_EQ(blank.At(412, 220), 0xFF000000u);
}

// A mini tutorial posts 1099 once when asked, and clears the request; an
// information page never posts.
TEST_F(InfosTest, MiniTutorTellsOfItsClosingOnlyWhenAsked) {
  story::ShowMiniTutor(screen, "knife");
  ASSERT_NE(WindowCast<MiniTutor_t>(wm->GetTopModal()->GetChildren().front()), nullptr);
  CloseAll();
  EXPECT_EQ(Posted(MiniTutor_t::kClosedMessage), 0);

  story::SetMiniTutorCloseNotify();
  story::ShowMiniTutor(screen, "knife");
  CloseAll();
  Send(kEventTick);
  EXPECT_EQ(Posted(1099), 1);
  EXPECT_FALSE(story::GetMiniTutorCloseNotify());
  story::ShowMiniTutor(screen, "knife");
  CloseAll();
  Send(kEventTick);
  EXPECT_EQ(Posted(1099), 1);

  story::SetMiniTutorCloseNotify();
  story::ShowInfos(screen, "knife");
  CloseAll();
  Send(kEventTick);
  EXPECT_EQ(Posted(1099), 0 + 1);
  EXPECT_TRUE(story::GetMiniTutorCloseNotify());  // still waiting for a mini tutorial
}

// Once per player: the pop-up goes into the player's saved progress; another
// player sees it again, and the first one never again, even after a restart.
TEST_F(InfosTest, PopUpShownOnceIsNotShownAgainForThatPlayerOnly) {
  RecreateUserInfo();
  UserInfo* users = GetUserInfo();
  users->CreateNewUser("Ann");
  users->CreateNewUser("Bob");
  users->SetCurrentUser(0, true);
  ASSERT_EQ(users->GetCurrentUserName(), TString("Ann"));
  int modals = int(wm->GetModalStack().size());
  EXPECT_TRUE(story::ShowInfosOnce(screen, "knife"));
  EXPECT_EQ(int(wm->GetModalStack().size()), modals + 1);
  EXPECT_EQ(gametest::SavedProgress(0).shownInfos, std::vector<TString>{"knife"});  // on disk at once
  CloseAll();
  EXPECT_FALSE(story::ShowInfosOnce(screen, "knife"));
  EXPECT_EQ(int(wm->GetModalStack().size()), modals);

  users->SetCurrentUser(1, true);
  EXPECT_TRUE(story::ShowInfosOnce(screen, "knife"));
  CloseAll();
  EXPECT_TRUE(story::ShowMiniTutorOnce(screen, "hint"));
  EXPECT_EQ(gametest::SavedProgress(1).shownInfos, (std::vector<TString>{"knife", "hint"}));
  CloseAll();

  RecreateUserInfo();  // a restart
  users = GetUserInfo();
  users->SetCurrentUser(0, false);
  EXPECT_FALSE(story::ShowInfosOnce(screen, "knife"));
  EXPECT_TRUE(story::ShowMiniTutorOnce(screen, "hint"));
  CloseAll();
  users->SetCurrentUser(1, false);
  EXPECT_FALSE(story::ShowInfosOnce(screen, "knife"));
  EXPECT_FALSE(story::ShowMiniTutorOnce(screen, "hint"));
  DeleteUserInfo();
}

// The shell's screens ask through RequestMiniTutor: the hint's text is
// logged, and the page shows only when infos.xml has it.
TEST_F(InfosTest, ShellRequestsShowAMiniTutorOnlyForAPage) {
  AddStoryPopUps();
  EXPECT_EQ(FindUpperWindowType("MiniTutor"), MiniTutor_t::ClassCreator());
  EXPECT_EQ(FindUpperWindowType("CreditsWindow"), TCredits::ClassCreator());
  Text("nopage", "Nothing to see.");
  size_t modals = wm->GetModalStack().size();
  RequestMiniTutor(screen, "nopage");
  EXPECT_TRUE(log.Contains("Hint nopage: Nothing to see."));
  EXPECT_EQ(wm->GetModalStack().size(), modals);
  ::SetNameInfosToRun("knife");  // the shell's service reaches the story
  EXPECT_EQ(story::GetNameInfosToRun(), TString("knife"));
  RequestMiniTutor(screen, "knife");
  EXPECT_EQ(wm->GetModalStack().size(), modals + 1);
  EXPECT_NE(WindowCast<MiniTutor_t>(wm->GetTopModal()->GetChildren().front()), nullptr);
  ClearUpperLayers();
  SetMiniTutorHandler(nullptr);
}

}  // namespace
}  // namespace storytest
