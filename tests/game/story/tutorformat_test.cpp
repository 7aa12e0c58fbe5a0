// Reading tutorials: attribute kinds, rectangles by piece count, initial
// states, spoken lines only with "VO" 1, and styles that are missing or
// incomplete.
#include <gtest/gtest.h>

#include "audio/sound.h"
#include "game/shell/gamesettings.h"
#include "tests/game/story/tutorfixture.h"

using namespace tutortest;

using TutorFormat = TutorTest;

TEST_F(TutorFormat, AttributeKinds) {
  Load("<TutorScript use_only_next=\"1\" need_restart=\" 1\" do_in_end=\" a ; ;b ;\" need_find=\"key;cup\">" +
       Item("t", "need_shadow=\"0\" do_in_start=\"x=1\"") + Item("t", "need_shadow=\"00\"") +
       Item("t", "need_shadow=\"0.5\"") + Item("t", "need_shadow=\"word\"") + Item("t") +
       Item("t", "need_shadow=\"7\"") +
       "</TutorScript>"
       "<TutorScript use_only_next=\"2\" need_restart=\"yes\" play_time=\"3.9\" screen_num=\"-2\"/>"
       "<TutorScript use_only_next=\"yes\" need_restart=\"01\"/>");
  const auto& s = tutor.GetScreens();
  ASSERT_EQ(s.size(), 3u);
  EXPECT_TRUE(s[0].useOnlyNext);
  EXPECT_TRUE(s[0].needRestart);
  EXPECT_EQ(s[0].doInEnd, (std::vector<TString>{"a", "b"}));
  EXPECT_EQ(s[0].needFind, (std::vector<TString>{"key", "cup"}));
  ASSERT_EQ(s[0].items.size(), 6u);
  EXPECT_FALSE(s[0].items[0].needShadow);
  EXPECT_FALSE(s[0].items[1].needShadow);
  EXPECT_FALSE(s[0].items[2].needShadow);
  EXPECT_FALSE(s[0].items[3].needShadow);
  EXPECT_TRUE(s[0].items[4].needShadow);
  EXPECT_TRUE(s[0].items[5].needShadow);
  EXPECT_EQ(s[0].items[0].doInStart, std::vector<TString>{"x=1"});
  EXPECT_EQ(s[0].items[0].text, "t");
  EXPECT_FALSE(s[1].useOnlyNext);
  EXPECT_FALSE(s[1].needRestart);
  EXPECT_EQ(s[1].playTime, 3.0f);
  EXPECT_EQ(s[1].timeLeft, 3.0f);
  EXPECT_EQ(s[1].screenNum, -2);
  EXPECT_TRUE(s[1].items.empty());
  EXPECT_FALSE(s[2].useOnlyNext);
  EXPECT_TRUE(s[2].needRestart);
}

TEST_F(TutorFormat, ClickAreasAndAllowedRectanglesByPieceCount) {
  Solid("tut/obj.png", 30, 20, 0xFF808080u);
  Load("<TutorScript>" +
       Item("", "", "<image name=\"arrow\" pos=\"12.5,40\" click_rect=\"100;200;50;40\"/>"
                    "<AllowedRects><AllowedRect rec=\"1;2;3;4\"/><AllowedRect rec=\"5;6;tut/obj\"/>"
                    "<AllowedRect rec=\"7;8\"/><AllowedRect rect=\"1;1;1;1\"/><AllowedRect rec=\"x;9;2;y\"/>"
                    "</AllowedRects><AllowedRects><AllowedRect rec=\"0;0;9;9\"/></AllowedRects>") +
       Item("", "", "<image name=\"arrow\" click_rect=\"7;9;tut/obj\"/>") +
       Item("", "", "<image name=\"arrow\" click_rect=\" cup \"/>") +
       Item("", "", "<image click_rect=\"1;2\"/><Event evt_id=\"use_tool\"/><Event evt_id=\"no_tool\"/>") +
       "</TutorScript>");
  const auto& items = tutor.GetScreens().at(0).items;
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].clickRect, TRect(100, 200, 150, 240));
  EXPECT_TRUE(items[0].clickRect.Contains(149, 239));
  EXPECT_FALSE(items[0].clickRect.Contains(150, 220));
  EXPECT_EQ(items[0].pointerPos, TVec2(12.5f, 40));
  EXPECT_TRUE(items[0].clickPictName.IsEmpty());
  EXPECT_EQ(items[0].allowedRects,
            (std::vector<TRect>{TRect(1, 2, 4, 6), TRect(5, 6, 35, 26), TRect(0, 9, 2, 9)}));
  EXPECT_EQ(items[1].clickRect, TRect(7, 9, 37, 29));
  EXPECT_EQ(items[1].clickPictName, "tut/obj");
  EXPECT_TRUE(items[2].isObject);
  EXPECT_EQ(items[2].objectName, "cup");
  EXPECT_EQ(items[2].clickRect, TRect());
  EXPECT_FALSE(items[3].isObject);
  EXPECT_EQ(items[3].clickRect, TRect());
  EXPECT_FALSE(items[3].HasImage());
  EXPECT_EQ(items[3].eventName, "use_tool");
}

TEST_F(TutorFormat, NumberedScreensStartDoneAndTheFirstStepIsReady) {
  Load("<TutorScript id=\"3\">" + Item("a") + "</TutorScript><TutorScript id=\"0\">" + Item("b") +
       "</TutorScript><TutorScript id=\"-1\"/>");
  const auto& s = tutor.GetScreens();
  EXPECT_EQ(s[0].state, TutorScripts_t::kDone);
  EXPECT_EQ(s[1].state, TutorScripts_t::kWaiting);
  EXPECT_EQ(s[2].state, TutorScripts_t::kDone);
  EXPECT_EQ(tutor.GetCurrentScreen(), 0);
  EXPECT_EQ(tutor.GetCurrentItem(), 0);
  EXPECT_FALSE(tutor.IsBoxUp());
  EXPECT_FALSE(tutor.IsActive());
}

TEST_F(TutorFormat, SpokenLinesOnlyWithVoiceOne) {
  StartSound();
  Ogg("voice/hello.ogg");
  const std::string screens = "<TutorScript>" + Item("", "", "<text name=\"a\" sound=\"voice/hello.ogg\"/>") +
                              "</TutorScript>";
  for (const char* vo : {"VO=\"0\"", "VO=\"2\"", "", "VO=\"1\""}) {
    MainXml(StyleXml(vo));
    TutorScripts_t t;
    doc.Parse(("<L><TutorScripts>" + screens + "</TutorScripts></L>").c_str());
    t.Load(&owner, doc.RootElement());
    bool voiced = std::string(vo) == "VO=\"1\"";
    EXPECT_EQ(bool(t.GetScreens().at(0).items.at(0).voice), voiced) << vo;
    EXPECT_EQ(TutorScripts_t::VoiceEnabled(), voiced);
  }
}

TEST_F(TutorFormat, StyleValues) {
  MainXml(StyleXml("", {{"color", "255, 0, 51, 127.5"}, {"rect", "10.9, 20.2, 30.7, 40.1"}, {"xAlign", "1"},
                         {"yAlign", "1"}}));
  Load("<TutorScript>" + Item("a") + "</TutorScript>");
  EXPECT_EQ(tutor.GetBoxPosition(), TVec2(300, 500));
  EXPECT_EQ(tutor.GetTextRect(), TRect(10, 20, 40, 60));
  EXPECT_EQ(tutor.GetTextColor(), TFloatColor(1.0f, 0.0f, 0.2f, 0.5f));
  // The two alignment values are added as they stand.
  EXPECT_EQ(tutor.GetTextAlign(), 2);
  ASSERT_TRUE(tutor.GetNextButton());
  EXPECT_EQ(tutor.GetNextButton()->name, "next");
  EXPECT_EQ(tutor.GetCloseButton()->hitRect, TRect(600, 560, 640, 590));
  EXPECT_EQ(tutor.GetShadow().duration, 1.0f);
  EXPECT_EQ(tutor.GetShadow().max, 0.5f);
  EXPECT_TRUE(tutor.GetShadow().texture);
}

TEST_F(TutorFormat, WithoutATutorialStyleNothingIsRead) {
  MainXml("<Game><Common VO=\"1\"/></Game>");
  Load("<TutorScript>" + Item("a") + "</TutorScript>");
  EXPECT_TRUE(tutor.GetScreens().empty());
  EXPECT_FALSE(tutor.GetNextButton());
  EXPECT_FALSE(tutor.IsActive());
  EXPECT_FALSE(tutor.IsWaiting());
}

TEST_F(TutorFormat, IncompleteStylesFallBackWithALogLine) {
  // A shadow of three pieces, no colour, no text area, a broken button.
  MainXml("<Game><Tutorial pos=\"x\" back=\"tut/box\" shadow=\"tut/shadow;0,0,1,1;2\" buttnext=\"next;1,2\"/></Game>");
  Load("<TutorScript>" + Item("a") + "</TutorScript>");
  EXPECT_EQ(tutor.GetScreens().size(), 1u);
  EXPECT_FALSE(tutor.GetShadow().texture);
  EXPECT_EQ(tutor.GetShadow().duration, 0.0f);
  EXPECT_FALSE(tutor.GetNextButton());
  EXPECT_EQ(tutor.GetTextColor(), TFloatColor(0, 0, 0, 1));
  EXPECT_EQ(tutor.GetTextRect(), TRect(0, 0, 400, 100));
  EXPECT_EQ(log.Count("Tutorial: \"color\""), 1u);
  EXPECT_EQ(log.Count("Tutorial: \"rect\""), 1u);
  // Opening, drawing and clicking such a box is safe.
  Open();
  EXPECT_TRUE(tutor.IsBoxShown());
  Frame([&] {
    tutor.DrawShadow();
    tutor.Draw();
  });
  EXPECT_TRUE(Click(5, 5));
}

TEST_F(TutorFormat, HugeAndHostileNumbersStayInRange) {
  Load("<TutorScript play_time=\"99999999999999999999\" id=\"-99999999999999\">" +
       Item("", "", "<image name=\"a\" pos=\"1e30,nan\" click_rect=\"2147483647;2147483647;2147483647;2147483647\"/>") +
       "</TutorScript>");
  const TutorScreen_t& s = tutor.GetScreens().at(0);
  EXPECT_EQ(s.playTime, 2147483647.0f);
  EXPECT_LT(s.id, 0);
  const TutorItem_t& item = s.items.at(0);
  EXPECT_GT(item.clickRect.right, item.clickRect.left);
  EXPECT_LE(item.pointerPos.x, 1e6f);
}
