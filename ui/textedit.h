// TTextEdit: the stock single-line edit field (Lua type "TextEdit"): player
// names, passwords. A TText that shows the edited text with a blinking caret,
// takes typed characters (whole UTF-8 characters), Backspace, Delete, Left,
// Right, Tab, Enter and paste, checks each character against the fonts and
// the length limit, and reports every change but a paste with a
// kTextEditChanged message.
// Every decision goes through OnEditEvent, so game classes can accept, refuse
// or react to edits.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/task.h"
#include "ui/text.h"

class TTextEdit;
using TTextEditList = std::vector<TTextEdit*>;

// True when no byte is 0 and none is a UTF-8 lead byte (0xC0 and above).
bool IsSingleByteText(const TString& text);

class TTextEdit : public TText {
  LANTERN_WINDOW_CLASS(TTextEdit, TText)

public:
  // Edit event codes (OnEditEvent, CheckEditEvent).
  enum : int {
    kEditInsert = 0,   // a character is about to be inserted
    kEditMove = 1,     // caret move or deletion (Left, Right, Backspace)
    kEditEnter = 2,
    kEditTab = 3,
    kEditPaste = 4,
    kEditRefused = 5,  // at the start or end of the text, or at the length limit
  };
  static constexpr int kDefaultLength = 10;
  static constexpr uint32_t kBlinkPeriodMs = 800;
  static constexpr uint32_t kBlinkUpdateMs = 200;

  TTextEdit();
  ~TTextEdit() override;

  // Style keys "password", "length", "ignore", "utf8", then those of TText.
  void Init(TWindowStyle& style) override;
  bool OnAdded() override;
  void Draw() override;
  bool Update() override;
  bool OnChar(unsigned char c) override;
  bool OnText(TString text) override;
  bool OnKeyDown(unsigned char key, int modifiers) override;

  // The edited text (not the shown one); setting it puts the caret at its end.
  void SetText(const TString& text) override;
  TString GetText() const override { return text_; }

  // The hook: true accepts. `c` is the character (a space for characters
  // outside ASCII) or the key code.
  virtual bool OnEditEvent(int code, uint32_t c);
  // The font and length check in front of OnEditEvent; `c` a code point.
  virtual bool CheckEditEvent(int code, uint32_t c);

  // Rebuilds the shown text: the text (or its stars), with the caret while focused.
  void Refresh();

  uint32_t GetCaret() const { return caret_; }
  int GetMaxLength() const { return maxLength_; }
  bool IsPassword() const { return password_; }
  bool IsUtf8() const { return utf8_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool IsEnabled() const { return enabled_; }
  const std::shared_ptr<TTextEditList>& GetEditList() const { return list_; }
  TClock& GetBlinkClock() { return blink_; }

protected:
  // True when the field's font, or "fonts/default.mvec", has a glyph for it.
  bool CanShow(uint32_t codePoint);

private:
  friend class TextSpider;
  void JoinList();
  void PostChanged();
  void MoveFocusOn();
  // The pasted text cut after "length" characters, without ignored characters,
  // control bytes and broken UTF-8; empty when nothing is left.
  TString FilterPaste(const TString& clip);
  bool IsIgnored(const TString& character) const;

  int maxLength_ = kDefaultLength;
  std::shared_ptr<TTextEditList> list_;
  TString text_;
  uint32_t caret_ = 0;
  bool enabled_ = true;
  bool utf8_ = false;
  bool password_ = false;
  bool caretPhase_ = false;
  TString ignore_;
  TClock blink_;
};
