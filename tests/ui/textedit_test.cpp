// The text edit, driven by key and character events: limits, whole UTF-8
// characters, Tab between edits, paste, the caret and markup in typed text.
#include <gtest/gtest.h>

#include "render/text/textblock.h"
#include "stocktest.h"
#include "ui/textedit.h"

using stocktest::TStockFixture;

namespace {

// Records the edit events it is asked about.
class TRecordingEdit : public TTextEdit {
  LANTERN_WINDOW_CLASS(TRecordingEdit, TTextEdit)

public:
  bool OnEditEvent(int code, uint32_t c) override {
    codes.push_back(code);
    return TTextEdit::OnEditEvent(code, c);
  }
  std::vector<int> codes;
};

class TextEditTest : public ::testing::Test {
protected:
  TextEditTest() { f.wm->RegisterWindowType("Edit", TRecordingEdit::ClassCreator()); }
  // An edit built from a Lua style, with the focus.
  TRecordingEdit* Make(const std::string& style) {
    f.Lua("Edit{name='e', x=10, y=10, w=300, h=30, " + style + "}()");
    auto* e = f.Find<TRecordingEdit>("e");
    f.wm->SetFocus(e);
    return e;
  }
  int Changes() {
    int n = 0;
    for (auto& m : f.listener.seen) n += m == "7:e";
    return n;
  }
  TStockFixture f;
};

}  // namespace

TEST_F(TextEditTest, LengthLimitsInSingleByteAndUtf8Mode) {
  TRecordingEdit* e = Make("");
  f.Type("abcdefghij");
  EXPECT_EQ(e->GetText(), "abcdefghi");  // nine of ten
  EXPECT_EQ(e->codes.back(), TTextEdit::kEditRefused);
  EXPECT_EQ(Changes(), 9);
  // Characters outside ASCII need "utf8" (or "password").
  f.Char(0xE9);
  EXPECT_EQ(e->GetText(), "abcdefghi");

  f.Lua("DestroyWindow('e')");
  TRecordingEdit* u = Make("utf8=true");
  f.Type("ééééé€€€€€x");
  EXPECT_EQ(u->GetText(), "ééééé€€€€€");
  EXPECT_EQ(u->codes.back(), TTextEdit::kEditRefused);
}

TEST_F(TextEditTest, CaretMovesAndDeletesWholeCharacters) {
  TRecordingEdit* e = Make("utf8=true, label='aéb'");
  EXPECT_EQ(e->GetCaret(), 4u);
  f.Key(PlatformKey::kLeft);
  EXPECT_EQ(e->GetCaret(), 3u);
  f.Key(PlatformKey::kLeft);
  EXPECT_EQ(e->GetCaret(), 1u);
  f.Key(PlatformKey::kRight);
  EXPECT_EQ(e->GetCaret(), 3u);
  f.Send(kEventChar, 0, 0, PlatformKey::kBackspace);
  EXPECT_EQ(e->GetText(), "ab");
  EXPECT_EQ(e->GetCaret(), 1u);
  f.Type("ж");
  EXPECT_EQ(e->GetText(), "aжb");
  f.Key(PlatformKey::kLeft);
  f.Key(PlatformKey::kDelete);
  EXPECT_EQ(e->GetText(), "ab");
  EXPECT_EQ(Changes(), 2);  // Backspace and the letter; Delete posts no change message
  f.Key(PlatformKey::kRight);
  e->codes.clear();
  f.Key(PlatformKey::kDelete);
  f.Key(PlatformKey::kRight);
  EXPECT_EQ(e->codes, (std::vector<int>{TTextEdit::kEditRefused, TTextEdit::kEditRefused}));
  f.Key(PlatformKey::kLeft);
  f.Key(PlatformKey::kLeft);
  f.Send(kEventChar, 0, 0, PlatformKey::kBackspace);
  EXPECT_EQ(e->codes.back(), TTextEdit::kEditRefused);
  EXPECT_EQ(e->GetText(), "ab");
}

TEST_F(TextEditTest, TabSkipsHiddenEditsAndEnterGoesToTheDialog) {
  f.Lua("Edit{name='one', w=100, h=20}() Edit{name='two', y=30, w=100, h=20}() Edit{name='three', y=60, w=100, h=20}()"
        "Button{name='go', y=100, w=10, h=10, default=true}()");
  f.RecordLua();
  auto* one = f.Find<TTextEdit>("one");
  ASSERT_EQ(one->GetEditList()->size(), 3u);
  f.Find<TTextEdit>("two")->ShowWindow(false);
  f.wm->SetFocus(one);
  f.Send(kEventChar, 0, 0, PlatformKey::kTab);
  EXPECT_EQ(f.wm->GetFocus(), f.Find<TTextEdit>("three"));
  f.Find<TTextEdit>("three")->ShowWindow(false);
  f.wm->SetFocus(one);
  f.Send(kEventChar, 0, 0, PlatformKey::kTab);
  EXPECT_EQ(f.wm->GetFocus(), one);
  // The edit refuses Enter, so the dialog's default button takes it.
  f.Send(kEventChar, 0, 0, PlatformKey::kEnter);
  // (The button's message is posted; the dialog's default action bubbles at once.)
  EXPECT_EQ(f.LuaLog(), (std::vector<std::string>{"2:", "3:go"}));
}

TEST_F(TextEditTest, PasteTakesLengthCharactersAndPostsNoChange) {
  TRecordingEdit* e = Make("utf8=true, ignore='#'");
  f.env.clipboard = "ab#c\td\x01" "efghijklmno";
  f.Key('V', PlatformMod::kCtrl);
  EXPECT_EQ(e->GetText(), "abcdefg");  // the first ten characters, without '#' and control bytes
  EXPECT_EQ(e->GetCaret(), 7u);
  f.Send(kEventMouseMove, 0, 0);
  EXPECT_EQ(Changes(), 0);  // a paste posts no change message
  f.Char('h');
  EXPECT_EQ(Changes(), 1);  // typing does

  f.env.clipboard = "ünïcödé";
  f.Key(PlatformKey::kInsert);
  EXPECT_EQ(e->GetText(), "ünïcödé");
  // A character no font can show cannot be typed, but a paste keeps it.
  f.Type("中");
  EXPECT_EQ(e->GetText(), "ünïcödé");
  EXPECT_EQ(e->codes.back(), TTextEdit::kEditRefused);
  f.env.clipboard = "a中b";
  f.Key(PlatformKey::kInsert);
  EXPECT_EQ(e->GetText(), "a中b");

  f.Lua("DestroyWindow('e')");
  TRecordingEdit* s = Make("");
  f.env.clipboard = "ünïcödé";
  f.Key(PlatformKey::kInsert);
  EXPECT_EQ(s->GetText(), "");  // not single-byte text
  f.env.clipboard = "0123456789abcdef";
  f.Key(PlatformKey::kInsert);
  EXPECT_EQ(s->GetText(), "0123456789");  // "length" characters, one more than typing takes
  f.Char('x');
  EXPECT_EQ(s->GetText(), "0123456789");  // full for typing
  // Ctrl with another key is not the edit's.
  EXPECT_FALSE(s->OnKeyDown('S', PlatformMod::kCtrl));
  EXPECT_TRUE(s->OnKeyDown('S', 0));
}

TEST_F(TextEditTest, CaretBlinksOnlyWithFocusAndTypedMarkupStaysText) {
  TRecordingEdit* e = Make("utf8=true, length=40");
  f.Type("<a id='go'>x</a>&lt;");
  EXPECT_EQ(e->GetText(), "<a id='go'>x</a>&lt;");
  // The caret shows while t mod 800 is above 400, and only with the focus.
  auto caretAfter = [&](uint32_t ms) {
    f.time.Advance(ms);
    e->Refresh();
    return e->GetBlock()->GetText().str().find("<cursor>") != std::string::npos;
  };
  e->GetBlinkClock().Reset();
  e->GetBlinkClock().Start();
  EXPECT_FALSE(caretAfter(400));
  EXPECT_TRUE(caretAfter(1));
  EXPECT_EQ(e->GetBlock()->GetText(), "&lt;a id='go'>x&lt;/a>&amp;lt;<cursor>");
  EXPECT_TRUE(caretAfter(398));
  EXPECT_FALSE(caretAfter(1));
  f.wm->SetFocus(nullptr);
  EXPECT_FALSE(caretAfter(401));
  // No link can be clicked in typed text.
  for (int x = 0; x < e->GetWidth(); x += 2) EXPECT_EQ(e->GetBlock()->GetLinkAt(TPoint(x, 10), 0), "");

  f.Lua("DestroyWindow('e')");
  TRecordingEdit* p = Make("password=true, utf8=true, label='pé'");
  EXPECT_EQ(p->GetText(), "pé");
  f.wm->SetFocus(nullptr);
  p->Refresh();
  EXPECT_EQ(p->GetBlock()->GetText(), "***");
}
