// Reading tutorials: attribute kinds, rectangles by piece count, initial
// states, spoken lines only with "VO" 1, the style's values, and styles that
// are missing or incomplete.
#include <gtest/gtest.h>

#include "tests/game/story/tutorfixture.h"

using namespace tutortest;

using TutorFormat = TutorTest;

TEST_F(TutorFormat, AttributeKindsRectanglesAndStates) {
  Solid("tut/obj.png", 30, 20, 0xFF808080u);
  Load("<TutorScript use_only_next=\"1\" need_restart=\" 1\" do_in_end=\" a ; ;b ;\" play_time=\"3.9\">" +
       Item("t", "need_shadow=\"0\"", "<image name=\"p\" pos=\"12.5,40\" click_rect=\"100;200;50;40\"/>") +
       Item("t", "need_shadow=\"00\"", "<image name=\"p\" click_rect=\"7;9;tut/obj\"/>") +
       Item("t", "need_shadow=\"0.5\"", "<image name=\"p\" click_rect=\" cup \"/>") +
       Item("t", "need_shadow=\"word\"", "<image click_rect=\"1;2\"/><Event evt_id=\"a\"/><Event evt_id=\"b\"/>") +
       Item("t", "", "<AllowedRects><AllowedRect rec=\"1;2;3;4\"/><AllowedRect rec=\"5;6;tut/obj\"/>"
                     "<AllowedRect rec=\"7;8\"/><AllowedRect rect=\"1;1;1;1\"/><AllowedRect rec=\"x;9;2;y\"/>"
                     "</AllowedRects><AllowedRects><AllowedRect rec=\"0;0;9;9\"/></AllowedRects>") +
       "</TutorScript><TutorScript use_only_next=\"2\" need_restart=\"yes\" id=\"3\"/>"
       "<TutorScript use_only_next=\"yes\" id=\"-99999999999999\" play_time=\"99999999999999999999\">" +
       Item("", "", "<image name=\"a\" pos=\"1e30,nan\" click_rect=\"2147483647;2147483647;2147483647;9\"/>") +
       "</TutorScript>");
  const auto& s = tutor.GetScreens();
  ASSERT_EQ(s.size(), 3u);
  EXPECT_TRUE(s[0].useOnlyNext && s[0].needRestart);
  EXPECT_FALSE(s[1].useOnlyNext || s[1].needRestart || s[2].useOnlyNext);
  EXPECT_EQ(s[0].doInEnd, (std::vector<TString>{"a", "b"}));
  EXPECT_EQ(s[0].playTime, 3.0f);
  // Numbered screens start done.
  EXPECT_EQ(s[0].state, TutorScripts_t::kWaiting);
  EXPECT_EQ(s[1].state, TutorScripts_t::kDone);
  const auto& it = s[0].items;
  ASSERT_EQ(it.size(), 5u);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(it[size_t(i)].needShadow) << i;
  EXPECT_TRUE(it[4].needShadow);
  EXPECT_EQ(it[0].clickRect, TRect(100, 200, 150, 240));
  EXPECT_EQ(it[0].pointerPos, TVec2(12.5f, 40));
  EXPECT_EQ(it[1].clickRect, TRect(7, 9, 37, 29));
  EXPECT_EQ(it[1].clickPictName, "tut/obj");
  EXPECT_TRUE(it[2].isObject);
  EXPECT_EQ(it[2].objectName, "cup");
  EXPECT_EQ(it[2].clickRect, TRect());
  EXPECT_EQ(it[3].clickRect, TRect());
  EXPECT_FALSE(it[3].HasImage());
  EXPECT_EQ(it[3].eventName, "a");
  EXPECT_EQ(it[4].allowedRects, (std::vector<TRect>{TRect(1, 2, 4, 6), TRect(5, 6, 35, 26), TRect(0, 9, 2, 9)}));
  // Numbers far out of range are clamped, never overflow.
  EXPECT_EQ(s[2].playTime, 2147483647.0f);
  EXPECT_LT(s[2].id, 0);
  const TutorItem_t& big = s[2].items.at(0);
  EXPECT_GT(big.clickRect.right, big.clickRect.left);
  EXPECT_LE(big.pointerPos.x, 1e6f);
}

TEST_F(TutorFormat, SpokenLinesOnlyWithVoiceOne) {
  StartSound();
  Ogg("voice/hello.ogg");
  for (const char* vo : {"VO=\"0\"", "VO=\"2\"", "", "VO=\"1\""}) {
    MainXml(StyleXml(vo));
    TutorScripts_t t;
    doc.Parse(("<L><TutorScripts><TutorScript>" + Item("", "", "<text name=\"a\" sound=\"voice/hello.ogg\"/>") +
               "</TutorScript></TutorScripts></L>").c_str());
    t.Load(&owner, doc.RootElement());
    EXPECT_EQ(bool(t.GetScreens().at(0).items.at(0).voice), std::string(vo) == "VO=\"1\"") << vo;
  }
}

TEST_F(TutorFormat, StyleValuesAndTheAlignmentSum) {
  MainXml(StyleXml("", {{"color", "255, 0, 51, 127.5"}, {"rect", "10.9, 20.2, 30.7, 40.1"}, {"xAlign", "1"},
                        {"yAlign", "1"}}));
  Load("<TutorScript>" + Item("a") + "</TutorScript>");
  EXPECT_EQ(tutor.GetBoxPosition(), TVec2(300, 500));
  EXPECT_EQ(tutor.GetTextRect(), TRect(10, 20, 40, 60));
  EXPECT_EQ(tutor.GetTextColor(), TFloatColor(1.0f, 0.0f, 0.2f, 0.5f));
  // Added as they stand: 1 + 1 is horizontal alignment 2 (right), not a vertical one.
  EXPECT_EQ(tutor.GetTextAlign(), 2);
  EXPECT_EQ(tutor.GetCloseButton()->hitRect, TRect(600, 560, 640, 590));
  EXPECT_EQ(tutor.GetShadow().duration, 1.0f);
  EXPECT_EQ(tutor.GetShadow().max, 0.5f);
}

TEST_F(TutorFormat, MissingOrIncompleteStyles) {
  MainXml("<Game><Common VO=\"1\"/></Game>");
  Load("<TutorScript>" + Item("a") + "</TutorScript>");
  EXPECT_TRUE(tutor.GetScreens().empty());
  EXPECT_FALSE(tutor.IsActive());
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
    tutor.StepNotice(1);
    tutor.DrawShadow();
    tutor.Draw();
  });
  EXPECT_TRUE(Click(5, 5));
}
