// game/shell/screens: the menus: main menu, options, album, gallery, wallpapers, player chooser.
// TPhotoAlbum (Lua type "PhotoAlbumWindow"): the photo album, the journal in
// its photographs section filled from the game progress's photos. It builds
// the journal on its first update (through the story's factory,
// upperlayers.h), opens it at the last spread, passes the mouse and the
// journal's button commands to it and, once the journal has closed after
// "logbookclose" (its close button or Escape), closes its own modal window
// ("PopModal('photoalbum')").
// Without a journal in the program it closes on its first update.
//
// TGMenu (Lua type "GameMenu"): the in-game menu, a plain window whose
// content and behaviour come from its script ("scripts/gamemenu.lua").
// Depends on ui/ and the shell's progress and sound.
#pragma once
#include <memory>

#include "game/shell/widgets/commonsound.h"
#include "game/shell/upperlayers.h"
#include "ui/message.h"
#include "ui/window.h"

class TPhotoAlbum : public TWindow, public TMessageListener, public CommonSound_t {
  LANTERN_WINDOW_CLASS(TPhotoAlbum, TWindow)

public:
  TPhotoAlbum();
  ~TPhotoAlbum() override;

  void PostInit(TWindowStyle& style) override;
  void PostDraw() override;
  bool OnMessage(TMessage* message) override;
  bool Update() override;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  // Escape: as the journal's close button.
  bool OnChar(unsigned char c) override;

  TAlbumLogBook* GetLogBook() const { return logbook_.get(); }
  bool IsCloseRequested() const { return closeRequested_; }
  bool NeedsBuild() const { return needsBuild_; }

  static constexpr const char* kCloseText = "PopModal('photoalbum');";

private:
  void Build();
  // The journal is built, open and enabled.
  bool TakesMouse() const;
  void Close();

  std::unique_ptr<TAlbumLogBook> logbook_;
  float frameStep_ = 0.016f;
  bool closeRequested_ = false;
  bool needsBuild_ = true;
  bool closed_ = false;
};

class TGMenu : public TWindow {
  LANTERN_WINDOW_CLASS(TGMenu, TWindow)
};
