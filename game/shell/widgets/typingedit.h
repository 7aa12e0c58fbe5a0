// game/shell/widgets: the widgets and effects the game screens share, and their helpers.
// TCustomTextEdit: the game's name-entry field, registered as the Lua type
// "TextEdit" in place of the stock edit. On top of TTextEdit it
//  - plays one of four typing sounds at random for each accepted character;
//  - lets only letters, digits and (once the game allows symbols,
//    CanUseSymbol) the underscore in, from typing and from paste alike (a
//    paste holding anything else is refused whole);
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
  // Keeps the partner in step while the caret blinks (text set by a script too).
  bool Update() override;

  // Shows the partner when the text's length plus `delta` is at least 1
  // (the delta anticipates an edit about to happen), hides it otherwise.
  void UpdateEnableWindow(int delta);
  // A character the field takes.
  static bool IsAllowed(uint32_t c);

  bool IsInitialCleared() const { return initialCleared_; }
  const TString& GetEnableWindow() const { return enableWindow_; }

  // "audio/sfx/sfx_typing_%02d.ogg?group=1000", n = 1..4.
  static TString TypingSoundName(int n);

private:
  void ClearInitial();

  TAssetMap sounds_;
  TRandom random_;
  bool initialCleared_ = true;
  TString enableWindow_;
};
