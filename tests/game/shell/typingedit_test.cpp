// The name-entry field: what typing and paste let in, the typing sounds, the
// placeholder, and the partner button that shows exactly while there is text.
#include <gtest/gtest.h>

#include "audio/sound.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/widgets/typingedit.h"
#include "render/sprites/assetmap.h"
#include "tests/game/support/widgetfixture.h"

namespace {

class TypingEdit : public widgettest::TWidgetWindowTest {
protected:
  void SetUp() override {
    StartSound();
    for (int n = 1; n <= 4; ++n) Ogg("audio/sfx/sfx_typing_0" + std::to_string(n) + ".ogg");
    Ogg("sounds/error.ogg");
    SetAssetMapSoundLoader([](const TString& name) -> boost::shared_ptr<TAsset> { return TSound::Get(name, false, 0); });
    Solid("ok.png", 40, 20, 0xFF808080u);
    SetCanUseSymbol(0);
  }
  void TearDown() override { SetCanUseSymbol(0); }
  // The field (at most 4 characters) and its partner, hidden to begin with.
  TCustomTextEdit* Make(const char* extra = "") {
    Lua(std::string("TextEdit{ name = 'name', x = 100, y = 100, w = 300, h = 40, length = 5, "
                    "enablewindow = 'ok', ") + extra + " }() "
        "Button{ name = 'ok', x = 100, y = 200, graphics = { 'ok.png', 'ok.png', 'ok.png' } }() "
        "EnableWindow('ok', false) SetFocus('name')");
    edit = WindowCast<TCustomTextEdit>(screen->FindChild("name"));
    ok = screen->FindChild("ok");
    return edit;
  }
  void Type(uint32_t c) { Send(kEventUnicode, 0, 0, c); }
  void Type(const std::string& s) {
    for (unsigned char c : s) Type(c);
  }
  void Key(uint32_t key, uint32_t mods = 0) { Send(kEventKeyDown, 0, 0, key, mods); }
  size_t Played() {
    size_t n = 0;
    for (int i = 1; i <= 4; ++i) n += TSound::Get(TCustomTextEdit::TypingSoundName(i), false, 0)->GetInstanceCount();
    return n;
  }
  size_t Refusals() { return TSound::Get(TCustomTextEdit::kRefusalSound, false, 0)->GetInstanceCount(); }
  // Types every character of a UTF-8 text, as text input delivers them.
  void TypeText(const std::string& utf8) {
    for (const char* p = utf8.c_str(); *p; p += Utf8CharLength(p)) Type(DecodeUtf8(p));
  }
  bool OkShown() { return ok->HasFlag(kWindowVisible); }

  TCustomTextEdit* edit = nullptr;
  TWindow* ok = nullptr;
};

}  // namespace

TEST_F(TypingEdit, OnlyLettersAndDigitsGetInAndEachPlaysASound) {
  ASSERT_NE(Make(), nullptr);
  EXPECT_STREQ(edit->GetClassName(), "TCustomTextEdit");
  EXPECT_TRUE(edit->IsA(TTextEdit::ClassId()));
  // Refused aloud: one refusal sound for the characters typed together, one
  // more for each refused later than the gap.
  Type(" ");
  Type(".");
  Type(0xE9);  // é, not taken by a field of single bytes
  Type("_");
  EXPECT_EQ(edit->GetText(), "");
  EXPECT_EQ(Played(), 0u);
  EXPECT_EQ(Refusals(), 1u);
  Tick(TCustomTextEdit::kRefusalGapMs);
  Type(0xE9);
  EXPECT_EQ(Refusals(), 2u);
  Tick(TCustomTextEdit::kRefusalGapMs);
  Type(" ");
  EXPECT_EQ(Refusals(), 3u);
  Type("a1");
  EXPECT_EQ(edit->GetText(), "a1");
  EXPECT_EQ(Played(), 2u);
  SetCanUseSymbol(1);
  Type("_Z");
  EXPECT_EQ(edit->GetText(), "a1_Z");
  EXPECT_EQ(Played(), 4u);
  EXPECT_EQ(Refusals(), 3u);
}

// A "utf8" field (the game's name fields) takes letters of any script and
// spaces, byte for byte; a letter no font can draw and a symbol are refused
// aloud, from typing and paste alike.
TEST_F(TypingEdit, AUtf8FieldTakesLettersOfAnyScriptAndSpaces) {
  ASSERT_NE(Make("utf8 = true, length = 16"), nullptr);
  TypeText("Zo\xC3\xAB Ann");
  EXPECT_EQ(edit->GetText().str(), "Zo\xC3\xAB Ann");
  EXPECT_EQ(Played(), 7u);
  EXPECT_TRUE(OkShown());
  TypeText("\xCE\xA9\xD0\xBC");  // Greek omega, Cyrillic em
  EXPECT_EQ(edit->GetText().str(), "Zo\xC3\xAB Ann\xCE\xA9\xD0\xBC");
  EXPECT_EQ(Refusals(), 0u);
  TypeText("\xE5\xB1\xB1");  // a Han letter: no font of the game draws it
  EXPECT_EQ(Refusals(), 1u);
  Tick(TCustomTextEdit::kRefusalGapMs);
  TypeText("\xE2\x98\x83");  // a snowman: a symbol, not a letter
  EXPECT_EQ(Refusals(), 2u);
  EXPECT_EQ(edit->GetText().str(), "Zo\xC3\xAB Ann\xCE\xA9\xD0\xBC");
  EXPECT_EQ(Played(), 9u);
  // Paste: a name of another script goes in whole; one holding a letter
  // that cannot be drawn is refused whole, aloud.
  env.clipboard = "\xD0\x90\xD0\xBD\xD0\xBD\xD0\xB0 Li";
  Key('V', PlatformMod::kCtrl);
  EXPECT_EQ(edit->GetText().str(), "\xD0\x90\xD0\xBD\xD0\xBD\xD0\xB0 Li");
  EXPECT_EQ(Played(), 9u);  // a paste is not typing
  EXPECT_EQ(Refusals(), 2u);
  Tick(TCustomTextEdit::kRefusalGapMs);
  env.clipboard = "Kai \xE5\xB1\xB1";
  Key('V', PlatformMod::kCtrl);
  EXPECT_EQ(edit->GetText().str(), "\xD0\x90\xD0\xBD\xD0\xBD\xD0\xB0 Li");
  EXPECT_EQ(Refusals(), 3u);
  // Backspace takes a whole letter of two bytes.
  for (int i = 0; i < 4; ++i) Type(PlatformKey::kBackspace);
  EXPECT_EQ(edit->GetText().str(), "\xD0\x90\xD0\xBD\xD0\xBD");
}

TEST_F(TypingEdit, PartnerShowsExactlyWhileThereIsText) {
  Make();
  EXPECT_FALSE(OkShown());
  Type("x");
  EXPECT_TRUE(OkShown());
  Type("y");
  Type(PlatformKey::kBackspace);
  EXPECT_TRUE(OkShown());
  Type(PlatformKey::kBackspace);
  EXPECT_EQ(edit->GetText(), "");
  EXPECT_FALSE(OkShown());
  Type(PlatformKey::kBackspace);  // nothing left to delete
  EXPECT_FALSE(OkShown());
  // Delete removes the character after the caret, and the partner follows.
  Type("q");
  Key(PlatformKey::kLeft);
  Key(PlatformKey::kDelete);
  EXPECT_EQ(edit->GetText(), "");
  EXPECT_FALSE(OkShown());
}

TEST_F(TypingEdit, RefusedAtTheLimitWithoutSoundOrPartnerChange) {
  Make();
  Type("abcd");
  EXPECT_EQ(Played(), 4u);
  EXPECT_TRUE(OkShown());
  Type("e");
  EXPECT_EQ(edit->GetText(), "abcd");
  EXPECT_EQ(Played(), 4u);
  EXPECT_EQ(Refusals(), 0u);  // the limit refuses silently
  EXPECT_TRUE(OkShown());
}

TEST_F(TypingEdit, PasteWithBlanksOrSymbolsIsRefusedWhole) {
  Make();
  env.clipboard = "Ada Lovelace";
  Key('V', PlatformMod::kCtrl);
  env.clipboard = "a.b";
  Key(PlatformKey::kInsert);
  EXPECT_EQ(edit->GetText(), "");
  EXPECT_FALSE(OkShown());
  env.clipboard = "Ada9";
  Key('V', PlatformMod::kCtrl);
  EXPECT_EQ(edit->GetText(), "Ada9");
  EXPECT_TRUE(OkShown());
  EXPECT_EQ(Played(), 0u);  // a paste is not typing
  EXPECT_EQ(Refusals(), 1u);  // the refused pastes, told once within the gap
  Tick(TCustomTextEdit::kRefusalGapMs);
  env.clipboard = "ok_go";
  Key('V', PlatformMod::kCtrl);
  EXPECT_EQ(edit->GetText(), "Ada9");
  EXPECT_EQ(Refusals(), 2u);
}

TEST_F(TypingEdit, PlaceholderGoesAtTheFirstClickOrEdit) {
  Make("label = 'Your name', clearinitial = true");
  EXPECT_EQ(edit->GetText(), "Your name");
  EXPECT_FALSE(edit->IsInitialCleared());
  Tick(250);  // the blink keeps the partner in step: a placeholder is no text
  EXPECT_FALSE(OkShown());
  Click(150, 110);
  EXPECT_EQ(edit->GetText(), "");
  EXPECT_TRUE(edit->IsInitialCleared());
  Type("b");
  EXPECT_EQ(edit->GetText(), "b");
}

TEST_F(TypingEdit, PlaceholderGoesBeforeTheFirstTypedCharacter) {
  Make("label = 'Name', clearinitial = true");
  Type("Z");
  EXPECT_EQ(edit->GetText(), "Z");
  EXPECT_TRUE(OkShown());
}

TEST_F(TypingEdit, WithoutClearInitialTheStyleTextIsEdited) {
  Make("label = 'Al'");
  Type("x");
  EXPECT_EQ(edit->GetText(), "Alx");
  edit->SetText(TString());
  Tick(250);
  EXPECT_FALSE(OkShown());
}
