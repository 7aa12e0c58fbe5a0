// The splash: its still screen (picture, skip button, the texts of main.xml
// "Spl" with the link), the way out behind the shadow, and the movie with a
// fake player: its end, a click that stops it and the delay after it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "game/shell/widgets/gamebutton.h"
#include "render/text/textblock.h"
#include "script/luaapi.h"
#include "tests/game/story/storyfixture.h"
#include "tests/support/luaglobal.h"
#include "ui/text.h"

namespace storytest {
namespace {

constexpr uint32_t kStill = 0xFF405060u, kSkip = 0xFF808080u;

// The fake player's state, shared with the test.
struct TMovie {
  bool playing = false;
  int made = 0;
};

class TFakePlayer : public IMoviePlayer {
public:
  explicit TFakePlayer(TMovie* movie) : movie_(movie) {}
  int FlashVersion() override { return 10 << 16; }
  bool SetMovie(const TString&) override { return true; }
  bool SetLoop(bool) override { return true; }
  bool GetPlaying(bool* p) override { *p = movie_->playing; return true; }
  bool Play() override { return movie_->playing = true; }
  bool Stop() override { movie_->playing = false; return true; }
  bool GetVariable(const TString&, TString* value) override { *value = TString(); return true; }
  bool SetVariable(const TString&, const TString&) override { return true; }

private:
  TMovie* movie_;
};

std::string Common(const std::string& attributes) {
  return "<Game><Common animrate=\"16\" " + attributes + "/><Spl>"
         "<Text id=\"1\" rect=\"100,600,300,30\" textId=\"spl_a\" xAlign=\"1\" yAlign=\"1\" color=\"200,200,200,255\""
         " actcolor=\"255,0,0,255\" fh=\"20\"/>"
         "<Text id=\"2\" rect=\"100,650,600,40\" textId=\"spl_link\" xAlign=\"2\" color=\"0,0,255,255\""
         " actcolor=\"255,255,0,255\" fh=\"24\"/></Spl></Game>";
}

class SplashTest : public TStoryTest {
protected:
  SplashTest() {
    Solid("still.png", 1024, 768, kStill);
    Solid("b.png", 60, 40, kSkip);
    Write("intro.swf", "movie");
    Text("spl_a", "A tale of Gullrock");
    Text("spl_link", "https://lantern.example/more");
    Lua("gCalls = {} function DoModal(n) table.insert(gCalls, n) end");
  }
  ComicsSpl_t* Open(const std::string& xml, const char* movie = "intro.swf") {
    MainXml(xml);
    Lua(std::string("SetSplashInfo('") + movie + "', 'pict', 'scripts/next.lua') "
        "ComicsSpl{ x = 0, y = 0, w = 1024, h = 768, img = 'still', buttskip = 'skip;880,700,60,40;b;b;b' }() "
        "StartSoundFade = function() table.insert(gCalls, 'fade') end");
    return Find<ComicsSpl_t>();
  }
  void UseFakePlayer() {
    SetMoviePlayerFactory([this] {
      ++movie.made;
      return std::make_unique<TFakePlayer>(&movie);
    });
  }
  std::string Calls() {
    std::string out;
    for (const std::string& call : testing_support::LuaGlobalList(script->GetState(), "gCalls"))
      out += (out.empty() ? "" : " ") + call;
    return out;
  }
  TMovie movie;
};

TEST_F(SplashTest, WithoutMovieTheStillScreenShowsItsTextsInOrder) {
  ComicsSpl_t* s = Open(Common("noFlash=\"1\""));
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(s->GetClassName(), "ComicsSpl_t");
  EXPECT_FALSE(s->IsMovieActive());
  EXPECT_FALSE(story::IsFlashMoviePlaying());
  EXPECT_TRUE(GetGameProgress().IsShown("intro.swf"));
  ASSERT_NE(s->GetSkipButton(), nullptr);
  const auto& texts = s->GetTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0]->id, 1);
  EXPECT_EQ(texts[0]->label->GetText(), TString("A tale of Gullrock"));
  EXPECT_EQ(texts[0]->rect, TRect(100, 600, 400, 630));
  EXPECT_EQ(texts[0]->label->GetBlock()->GetFlags(), 1 + 4);
  // An absent "yAlign" is 0, not the "xAlign" read before it.
  EXPECT_EQ(texts[1]->label->GetBlock()->GetFlags(), 2);
  EXPECT_EQ(texts[1]->color, TFloatColor(0, 0, 1, 1));
  // The link's rectangle is its laid-out text's.
  TRect bounds;
  texts[1]->label->GetTextBounds(bounds);
  EXPECT_GT(bounds.right, 300);
  EXPECT_EQ(texts[1]->rect, TRect(100, 650, 100 + bounds.right, 650 + bounds.bottom));

  const sdev::test::Frame& f = DrawFrame();
  EXPECT_EQ(f.At(10, 10), kStill);
  EXPECT_EQ(f.At(900, 710), kSkip);
}

TEST_F(SplashTest, HoveringTheLinkSwapsItsColour) {
  ComicsSpl_t* s = Open(Common("noFlash=\"1\""));
  TTextBlock* link = s->GetTexts()[1]->label->GetBlock();
  const TRect r = s->GetTexts()[1]->rect;
  Move(r.left + 5, r.top + 5);
  EXPECT_EQ(link->GetColor(), TFloatColor(1, 1, 0, 1));
  Move(r.right, r.top + 5);  // right is outside
  EXPECT_EQ(link->GetColor(), TFloatColor(0, 0, 1, 1));
  Move(r.right - 1, r.bottom - 1);
  EXPECT_EQ(link->GetColor(), TFloatColor(1, 1, 0, 1));
  Move(10, 10);
  EXPECT_EQ(link->GetColor(), TFloatColor(0, 0, 1, 1));
}

// The link opens web and mail addresses and the game's own documents (of its
// assets folder, never a program); anything else is refused. A mail link
// keeps only a subject and a body. Following a link, or a refused one, never
// ends the game.
TEST_F(SplashTest, LinkOpensWebAddressesAndTheGamesDocumentsAndTheGameGoesOn) {
  dir.Write("assets/README.md", "# the game");
  dir.Write("assets/docs/page.html", "<p>");
  dir.Write("notes.txt", "the working folder's, not the game's");
  ASSERT_EQ(chmod(dir.Write("assets/tool.txt", "#!/bin/sh\ntouch ran\n").c_str(), 0744), 0);
  ASSERT_EQ(chmod(dir.Write("assets/docs/Group.md", "#!/bin/sh\n").c_str(), 0654), 0);
  struct TCase {
    const char* text;
    std::string opened;  // empty: refused
  };
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  const std::vector<TCase> cases = {
      {"https://lantern.example/more", "https://lantern.example/more"},
      {"mailto:keeper@lantern.example", "mailto:keeper@lantern.example"},
      {"mailto:keeper@lantern.example?attach=/home/ada/.ssh/id_rsa&Subject=Lamp.oil&cc=x@y&body=Hi&ATTACHMENT=a",
       "mailto:keeper@lantern.example?Subject=Lamp.oil&body=Hi"},
      {"MAILTO:keeper@lantern.example?%61ttach=/etc/shadow&&body=x#attach=/etc/shadow",
       "MAILTO:keeper@lantern.example?body=x"},
      {"mailto:keeper@lantern.example?attach=/etc/passwd", "mailto:keeper@lantern.example"},
      {"README.md", "file://" + std::string(cwd) + "/assets/README.md"},
      {"docs/page.html", "file://" + std::string(cwd) + "/assets/docs/page.html"},
      {"notes.txt", ""},                 {"tool.txt", ""},            {"docs/Group.md", ""},
      {"www.lantern.example", ""},       {"file:///etc/passwd", ""},  {"-x http://a", ""},
      {"http://", ""},                   {"see http://a b", ""},      {"../README.md", ""},
      {"docs/../README.md", ""},         {"/etc/issue.txt", ""},      {"javascript:alert(1)", ""},
      {"FILE:README.md", ""},            {"missing.md", ""},          {"run.sh", ""},
  };
  for (const TCase& c : cases) {
    screen->DeleteChildren();
    Send(kEventTick);
    platform.reset();  // one platform at a time
    platform = CreateHeadlessPlatform(TPlatformHooks(), &host);
    Text("spl_link", c.text);
    ComicsSpl_t* s = Open(Common("noFlash=\"1\""));
    const TRect r = s->GetTexts()[1]->rect;
    Down(r.left + 1, r.top + 1);
    if (c.opened.empty()) {
      EXPECT_TRUE(host->GetOpenedUrls().empty()) << c.text;
    } else {
      ASSERT_EQ(host->GetOpenedUrls().size(), 1u) << c.text;
      EXPECT_EQ(host->GetOpenedUrls()[0], c.opened);
    }
    EXPECT_FALSE(platform->IsQuitPosted()) << c.text;
    EXPECT_FALSE(s->HasExited()) << c.text;
  }
  EXPECT_TRUE(log.Contains("OpenUrl: refused the link \"file:///etc/passwd\""));
  EXPECT_TRUE(log.Contains("OpenUrl: the document \"missing.md\" is not in the game's assets folder; nothing is opened"));
  EXPECT_TRUE(log.Contains("OpenUrl: the document \"notes.txt\" is not in the game's assets folder; nothing is opened"));
  EXPECT_TRUE(log.Contains("OpenUrl: refused the document \"tool.txt\": it is an executable file; nothing is opened"));
  EXPECT_TRUE(log.Contains("OpenUrl: the mail link \"mailto:keeper@lantern.example?attach=/etc/passwd\" is opened "
                           "without its fields attach (only a subject and a body are kept)"));
  EXPECT_FALSE(testing_support::FileExists(std::string(cwd) + "/ran"));
}

// Skip: the introduction is done, the screen change is stored, the music
// fades and the shadow opens, in that order; a second skip does nothing.
TEST_F(SplashTest, SkipLeavesThroughTheShadow) {
  ComicsSpl_t* s = Open(Common("noFlash=\"1\""));
  EXPECT_EQ(GetGameProgress().gameIntroDone, 0);
  Click(900, 710);
  EXPECT_TRUE(s->HasExited());
  EXPECT_EQ(GetGameProgress().gameIntroDone, 1);
  EXPECT_EQ(GetShadowTarget(), "ComicsSpl");
  EXPECT_EQ(GetShadowScript(), "scripts/next.lua");
  EXPECT_EQ(Calls(), "fade scripts/shadow.lua");
  Click(900, 710);
  EXPECT_EQ(Calls(), "fade scripts/shadow.lua");
}

// "Spl" without texts, and texts without a size: nothing to fit or link.
TEST_F(SplashTest, MissingTextsAndSizesAreHarmless) {
  ComicsSpl_t* s = Open("<Game><Common noFlash=\"1\"/><Spl/></Game>");
  EXPECT_TRUE(s->GetTexts().empty());
  Move(120, 660);
  Down(120, 660);
  Up(120, 660);
  DrawFrame();
  screen->DeleteChildren();
  Send(kEventTick);
  s = Open("<Game><Common noFlash=\"1\"/><Spl><Text textId=\"spl_link\"/></Spl></Game>");
  ASSERT_EQ(s->GetTexts().size(), 1u);
  EXPECT_EQ(s->GetTexts()[0]->label->GetBlock(), nullptr);
  EXPECT_TRUE(log.Contains("has no size"));
  Move(100, 650);
  Down(100, 650);
  EXPECT_TRUE(host->GetOpenedUrls().empty());
  DrawFrame();
}

TEST_F(SplashTest, MovieThatEndsLeavesAtOnceAndAClickIsIgnoredWithoutClickInFlash) {
  UseFakePlayer();
  ComicsSpl_t* s = Open(Common("noFlash=\"0\" clickinflash=\"0\" flashStopDelay=\"0.5\""));
  EXPECT_TRUE(s->IsMovieActive());
  EXPECT_TRUE(story::IsFlashMoviePlaying());
  EXPECT_TRUE(s->GetTexts().empty());  // the still screen is not made
  EXPECT_EQ(DrawFrame().At(10, 10), 0xFF000000u);
  story::StopFlashMovieOnClick();
  EXPECT_TRUE(story::IsFlashMoviePlaying());
  Tick(16);
  Tick(16);
  EXPECT_EQ(Calls(), "");
  movie.playing = false;
  Tick(16);
  EXPECT_FALSE(story::IsFlashMoviePlaying());
  EXPECT_EQ(GetGameProgress().gameIntroDone, 1);
  EXPECT_EQ(Calls(), "fade scripts/shadow.lua");
  Tick(16);
  EXPECT_EQ(Calls(), "fade scripts/shadow.lua");
}

// A click stops the movie; the exit follows on the first update at which the
// stop clock reaches the delay: 0.5 s at 16 ms is the 32nd.
TEST_F(SplashTest, ClickStopsTheMovieAndTheExitFollowsTheDelay) {
  UseFakePlayer();
  Open(Common("noFlash=\"0\" clickinflash=\"1\" flashStopDelay=\"0.5\""));
  ASSERT_TRUE(story::IsFlashMoviePlaying());
  story::StopFlashMovieOnClick();
  EXPECT_FALSE(story::IsFlashMoviePlaying());
  int updates = 0;
  while (Calls().empty() && updates < 100) {
    Tick(16);
    ++updates;
  }
  EXPECT_EQ(updates, 32);
  EXPECT_EQ(GetGameProgress().gameIntroDone, 1);
  EXPECT_EQ(Calls(), "fade scripts/shadow.lua");
}

// A delay of 0.01 s or less still leaves: on the next update.
TEST_F(SplashTest, ClickWithoutDelayLeavesOnTheNextUpdate) {
  for (const char* delay : {"0", "0.01", "-2"}) {
    UseFakePlayer();
    Lua("gCalls = {}");
    Open(Common(std::string("noFlash=\"0\" clickinflash=\"1\" flashStopDelay=\"") + delay + "\""));
    story::StopFlashMovieOnClick();
    Tick(16);
    EXPECT_EQ(Calls(), "fade scripts/shadow.lua") << delay;
    screen->DeleteChildren();
    Send(kEventTick);
  }
}

// A movie that cannot start shows the still screen.
TEST_F(SplashTest, MovieThatCannotStartShowsTheStillScreen) {
  ComicsSpl_t* s = Open(Common("noFlash=\"0\""));  // no player in this program
  EXPECT_FALSE(s->IsMovieActive());
  EXPECT_FALSE(story::IsFlashMoviePlaying());
  EXPECT_EQ(s->GetTexts().size(), 2u);
  UseFakePlayer();
  screen->DeleteChildren();
  Send(kEventTick);
  s = Open(Common("noFlash=\"0\""), "missing.swf");
  EXPECT_FALSE(s->IsMovieActive());
  EXPECT_EQ(DrawFrame().At(10, 10), kStill);
}

}  // namespace
}  // namespace storytest
