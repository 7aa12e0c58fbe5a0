// game/shell/screens: the menus: main menu, options, album, gallery, wallpapers, player chooser.
// TChoosePlayer (Lua type "ChoosePlayerWindow"): the list of player profiles
// in the player chooser. One row of text per profile, drawn by the window
// itself; the current profile gets the highlight "backgrounds/profile_active"
// behind its row and the active colours. A click on a row, or Up, Down,
// Page Up and Page Down, makes that profile current (saving the previous
// player first); Enter and Escape close the chooser ("PopModal('chooseplayer')").
// The window expects to sit in a modal window named "chooseplayer" and hands
// the focus to the window named "chooseplayerwww" after a click on a row (the
// demo's chooser names the list so). A click gives the list the keys.
//
// Beside a name field (the dialog's focus child, game/shell/widgets/typingedit.h)
// the list keeps only its four keys: any other key, typed text, Enter and
// Escape give the field the keys back and go there, so a name typed after a
// click on the list goes in, and Enter and Escape mean what they mean in the
// field (the dialog's default and cancel buttons).
//
// Style keys: "listFontName", "fontH", "shiftDy", "shDx", "shDy", "listRect"
// ("x,y,w,h": the first row's box, relative to the window), "listTextColor",
// "listActTextColor", "listTextColorSh", "listActTextColorSh" ("r,g,b,a",
// 0..255). Unreadable texts keep defaults (a 400 x 40 box at the window's
// top-left, white text, black shadow) and are logged.
// Lua globals: FillUserDataList, GetCurrentSelectedUser, GetSelectedPlayerName.
// Depends on platform/, render/, ui/ and the shell's profiles.
#pragma once
#include <memory>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "platform/color.h"
#include "ui/text.h"
#include "ui/window.h"

class TLuaBindings;
class TTexture;

class TChoosePlayer : public TWindow {
  LANTERN_WINDOW_CLASS(TChoosePlayer, TWindow)

public:
  struct PlayerRow_t {
    std::unique_ptr<TText> text;    // never in the window tree
    std::unique_ptr<TText> shadow;  // the same text in the shadow colour (with a shadow offset)
    TRect rect;
  };

  TChoosePlayer();
  ~TChoosePlayer() override;

  void PostInit(TWindowStyle& style) override;
  void Draw() override;
  bool OnMouseDown(const TPoint& p) override;
  bool OnKeyDown(unsigned char key, int modifiers) override;
  bool OnText(TString text) override;

  // The Lua functions.
  void FillUserDataList();
  int GetCurrentSelectedUser() const;
  TString GetSelectedPlayerName() const;

  const std::vector<PlayerRow_t>& GetRows() const { return rows_; }
  const TRect& GetListRect() const { return listRect_; }
  // Text passes of the last Draw (shadow passes included).
  int GetLastTextPasses() const { return lastTextPasses_; }

  static constexpr const char* kCloseText = "PopModal('chooseplayer')";
  static constexpr const char* kFocusText = "SetFocus( 'chooseplayerwww' )";
  static constexpr const char* kAlbumText = "IsButtAlbumVisible();";
  static constexpr int kMaxRows = 256;

private:
  void Run(const char* text);
  // The dialog's name field (its focus child), or null.
  TWindow* GetNameField() const;
  void DrawRowText(TText* text, int x, int y, int height, const TFloatColor& colour);

  std::vector<PlayerRow_t> rows_;
  TString listFontName_;
  int fontH_ = 0;
  TRect listRect_{0, 0, 400, 40};
  int shiftDy_ = 0;
  int shDx_ = 0, shDy_ = 0;
  TFloatColor listTextColor_{1, 1, 1, 1};
  TFloatColor listActTextColor_{1, 1, 1, 1};
  TFloatColor listTextColorSh_{0, 0, 0, 1};
  TFloatColor listActTextColorSh_{0, 0, 0, 1};
  boost::shared_ptr<TTexture> activeBackground_;
  int lastTextPasses_ = 0;
  std::unique_ptr<TLuaBindings> bindings_;  // last: unbound first
};
