// The text window: style defaults, label translation, redraws, scrolling and
// links that act as buttons.
#include <gtest/gtest.h>

#include "platform/log.h"
#include "render/text/textblock.h"
#include "stocktest.h"
#include "ui/button.h"
#include "ui/text.h"

using stocktest::TStockFixture;

namespace {

// A point inside the link `id` of the text window (window coordinates).
TPoint FindLink(TText* text, const char* id) {
  for (int y = 0; y < text->GetHeight(); y += 2)
    for (int x = 0; x < text->GetWidth(); x += 2)
      if (text->GetBlock()->GetLinkAt(TPoint(x, y), text->GetPadding()) == id) return TPoint(x, y);
  ADD_FAILURE() << "no link " << id;
  return TPoint(-1, -1);
}

TPoint OnScreen(TWindow* w, TPoint p) {
  w->ToScreen(p);
  return p;
}

// Answers every label with "T(label)".
class TTranslatingEnvironment : public uitest::TRecordingEnvironment {
public:
  TString GetString(const TString& label, const TString*, int) override { return "T(" + label + ")"; }
};

}  // namespace

TEST(TextWindow, StyleDefaultsFlagsAndEmptyWindows) {
  TStockFixture f;
  TLogCapture log;
  f.Lua("Text{name='plain', x=0, y=0, w=100, h=20, label='a'}()"
        "Text{name='sized', x=0, y=30, w=100, h=20, font={'__DEFAULT', 0}, defflags=5}()"
        "Text{name='flagged', x=0, y=60, w=100, h=20, defflags=5, flags=2}()"
        "Text{name='empty', x=0, y=90, label='lost'}()");
  auto describe = [&](const char* n) {
    TTextBlock* b = f.Find<TText>(n)->GetBlock();
    const TFloatColor& c = b->GetColor();
    return b->GetFontName().str() + " " + std::to_string(b->GetFontSize()) + " " + std::to_string(b->GetFlags()) +
           " " + std::to_string(int(c.r)) + std::to_string(int(c.g)) + std::to_string(int(c.b)) + std::to_string(int(c.a));
  };
  EXPECT_EQ(describe("plain"), "__DEFAULT 16 0 0101");
  EXPECT_EQ(describe("sized"), "__DEFAULT 12 5 0101");
  EXPECT_EQ(describe("flagged"), "__DEFAULT 16 2 0101");
  EXPECT_EQ(f.Find<TText>("empty")->GetBlock(), nullptr);
  EXPECT_TRUE(log.Contains("ERROR: Attempting to create text window of size(0,0): named 'empty', label 'lost'"));
}

TEST(TextWindow, LabelsAreTranslatedOnlyWithTheScriptFlag) {
  TStockFixture f;
  TTranslatingEnvironment env;
  f.wm->SetEnvironment(&env);
  f.Lua("Text{name='a', w=100, h=20, label='menu_title'}()");
  f.wm->ExchangeScriptFlag(true);
  f.Lua("Text{name='b', w=100, h=20, label='menu_title'}()"
        "Text{name='c', w=100, h=20, label='#Hello'}()"
        "Text{name='d', w=100, h=20, label='12.5'}()");
  f.wm->ExchangeScriptFlag(false);
  EXPECT_EQ(f.Find<TText>("a")->GetText(), "menu_title");
  EXPECT_EQ(f.Find<TText>("b")->GetText(), "T(menu_title)");
  EXPECT_EQ(f.Find<TText>("c")->GetText(), "Hello");
  EXPECT_EQ(f.Find<TText>("d")->GetText(), "12.5");
  f.wm->SetEnvironment(&f.env);
}

TEST(TextWindow, ChangedTextIsRedrawnAndScrollShowsTheLastLines) {
  TStockFixture f;
  f.Lua("Text{name='t', w=120, h=40}()");
  TText* t = f.Find<TText>("t");
  f.Tick(50);
  ASSERT_FALSE(f.wm->IsInvalidated());
  t->SetText("");
  EXPECT_FALSE(f.wm->IsInvalidated());
  t->SetText("first");  // from empty text: redrawn too
  EXPECT_TRUE(f.wm->IsInvalidated());
  f.Tick(50);
  t->SetText("first");
  EXPECT_FALSE(f.wm->IsInvalidated());

  t->SetText("one<br>two<br>three<br>four<br>five<br>six");
  int m = t->GetBlock()->GetLinesFittingFromEnd(1.0f, 0);
  ASSERT_GT(m, 0);
  t->SetScroll(1);
  EXPECT_FLOAT_EQ(t->GetBlock()->GetScroll(), m + 0.5f);
  t->SetScroll(0);
  EXPECT_FLOAT_EQ(t->GetBlock()->GetScroll(), 0.0f);
  t->SetScroll(std::numeric_limits<float>::quiet_NaN());
  EXPECT_FLOAT_EQ(t->GetBlock()->GetScroll(), 0.0f);
}

TEST(TextWindow, AlignmentPlacesTheTextInItsBox) {
  TStockFixture f;
  f.Lua("Text{name='l', w=300, h=100, label='Lantern'}()"
        "Text{name='c', w=300, h=100, flags=kHAlignCenter + kVAlignCenter, label='Lantern'}()"
        "Text{name='r', w=300, h=100, flags=kHAlignRight + kVAlignBottom, label='Lantern'}()");
  TRect l, c, r;
  f.Find<TText>("l")->GetTextBounds(l);
  f.Find<TText>("c")->GetTextBounds(c);
  f.Find<TText>("r")->GetTextBounds(r);
  ASSERT_GT(l.Width(), 20);
  EXPECT_LE(l.left, 2);
  EXPECT_LE(l.top, 4);
  EXPECT_NEAR((c.left + c.right) / 2.0, 150, 2);
  EXPECT_NEAR((c.top + c.bottom) / 2.0, 50, 6);
  EXPECT_NEAR(r.right, 300, 2);
  EXPECT_GT(r.bottom, 90);
  EXPECT_EQ(r.Width(), l.Width());
}

TEST(TextWindow, LinksRunTheCommandOfTheButtonTheyName) {
  TStockFixture f;
  f.RecordLua();
  f.Lua("Button{name='ok', x=500, y=500, w=10, h=10}()"
        "Text{name='t', x=20, y=30, w=300, h=40, label=\"<a id='ok'>Go</a> and <a id='gone'>lost</a> <a id='t'>self</a>\"}()");
  TText* t = f.Find<TText>("t");
  f.Find<TButton>("ok")->ShowWindow(false);  // hidden buttons still answer their links
  TPoint go = OnScreen(t, FindLink(t, "ok")), gone = OnScreen(t, FindLink(t, "gone"));
  TPoint self = OnScreen(t, FindLink(t, "t"));

  f.Click(go.x, go.y);
  EXPECT_EQ(f.LuaLog(), std::vector<std::string>{"3:ok"});

  // Pressed on one link, released on another or on plain text: nothing runs.
  f.Down(go.x, go.y);
  f.Up(gone.x, gone.y);
  f.Down(go.x, go.y);
  f.Up(t->GetScreenRect().right - 2, t->GetScreenRect().bottom - 2);
  EXPECT_EQ(f.LuaLog().size(), 1u);

  TLogCapture log;
  f.Click(gone.x, gone.y);
  f.Click(self.x, self.y);
  EXPECT_TRUE(log.Contains("ERROR: Command window gone not found"));
  EXPECT_TRUE(log.Contains("ERROR: Command window t not a derived class of TButton"));
  // Plain text is not a link: the press is not taken.
  EXPECT_FALSE(t->OnMouseDown(TPoint(t->GetWidth() - 2, t->GetHeight() - 2)));
}
