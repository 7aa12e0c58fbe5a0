// game/shell/widgets: the widgets and effects the game screens share, and their helpers.
// TCustomTextEdit: the game's name-entry field, registered as the Lua type
// "TextEdit" in place of the stock edit. On top of TTextEdit it
//  - plays one of four typing sounds at random for each accepted character;
//  - lets in, from typing and from paste alike, digits, letters and (once
//    the game allows symbols, CanUseSymbol) the underscore: in a "utf8"
//    field letters of any script and the space, otherwise only a-z and A-Z;
//    a character that neither the field's font nor "fonts/default.mvec" can
//    draw is refused too, so no name is kept that the screens cannot show;
//  - tells the player of every character it refuses (and of a paste it
//    refuses whole) with the refusal sound, at most once per kRefusalGapMs;
//    the length limit refuses silently;
//  - with "clearinitial", shows the style's text as a placeholder that the
//    first edit or click inside empties;
//  - with "enablewindow" = name, shows the window of that name in the same
//    dialog (usually the OK button) exactly while the field holds text, and
//    hides it otherwise, whatever changed the text (typing, Backspace,
//    Delete, paste);
//  - once it has had the focus, keeps its dialog's keys: the dialog hands
//    the focus back to it after a click elsewhere in the dialog or a
//    question closing above it.
// Depends on platform/, render/, audio/ (through the asset map) and ui/.
#pragma once
#include "platform/random.h"
#include "render/sprites/assetmap.h"
#include "ui/textedit.h"

class TCustomTextEdit : public TTextEdit {
  LANTERN_WINDOW_CLASS(TCustomTextEdit, TTextEdit)

public:
  TCustomTextEdit();
  ~TCustomTextEdit() override;

  // Style keys "clearinitial" and "enablewindow", then those of TTextEdit.
  void Init(TWindowStyle& style) override;
  // Once focused, the field is its dialog's focus child.
  void OnSetFocus(TWindow* previous) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnText(TString text) override;
  bool OnKeyDown(unsigned char key, int modifiers) override;
  bool OnEditEvent(int code, uint32_t c) override;
  // The character rules in front of the font and length checks.
  bool CheckEditEvent(int code, uint32_t c) override;
  // Keeps the partner in step while the caret blinks (text set by a script too).
  bool Update() override;

  // Shows the partner when the text's length plus `delta` is at least 1
  // (the delta anticipates an edit about to happen), hides it otherwise.
  void UpdateEnableWindow(int delta);
  // A character the field takes: with `anyScript` (a "utf8" field) letters
  // of any script and the space as well as a-z, A-Z and 0-9.
  static bool IsAllowed(uint32_t c, bool anyScript);

  bool IsInitialCleared() const { return initialCleared_; }
  const TString& GetEnableWindow() const { return enableWindow_; }

  // "audio/sfx/sfx_typing_%02d.ogg?group=1000", n = 1..4.
  static TString TypingSoundName(int n);
  static constexpr const char* kRefusalSound = "sounds/error.ogg?group=1000";
  static constexpr uint32_t kRefusalGapMs = 400;

private:
  void ClearInitial();
  // The refusal sound, unless it sounded less than kRefusalGapMs ago.
  void Refuse();

  TAssetMap sounds_;
  TRandom random_;
  bool initialCleared_ = true;
  TString enableWindow_;
  bool pasting_ = false;  // inside an accepted paste
  bool refused_ = false;
  uint32_t refusedAt_ = 0;
};
