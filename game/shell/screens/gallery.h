// game/shell/screens: the menus: main menu, options, album, gallery, wallpapers, player chooser.
// The wallpaper gallery (window type "GameGallery"): the wallpapers the
// player has earned, four to a page (two columns, two rows) on pages that
// slide sideways; its back button (or Escape) leaves it behind the fade. A
// click selects an earned one; the "wallpaper" button asks
// (scripts/asksetwallpaper.lua) and the Lua global SetUserWallpaper() then
// writes it as "wt.bmp" into the wallpaper folder and makes it the desktop's
// wallpaper (game/shell/screens/wallpaper.h). Each time the screen is set up, every
// earned wallpaper is exported there as "verdan_wallpaper<k>.bmp".
//
// Slot k is earned by the k-th distinct entry of the progress's photo list:
// its thumbnail is the picture named by the entry, its wallpaper the picture
// "<entry>_wallpaper". main.xml "Common" "wallpapersCount" gives the number of
// slots; photos beyond it are left out (logged). Every page, the last partial
// one included, can be reached.
//
// Style keys (all texts): "back", "front", "selected_img", "no_img" (pictures;
// "no_img" is a locked slot and gives every slot's size), "buttback",
// "buttwallpaper", "buttleft", "buttright" (Button_t style strings named
// "back", "wallpaper", "listleft", "listright"), "music", "ambient",
// "list_time" (slide seconds), "images_rect" ("x0,y0;offX;offY;gapX;gapY")
// and "title" ("key;x,y,w,h;font;size;r,g,b,a", the text centred on x, y).
// Missing pieces read as 0 (logged). Depends on ui/, render/, audio/ and the
// shell's widgets, progress and profiles.
#pragma once
#include <memory>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "game/shell/widgets/commonsound.h"
#include "platform/geometry.h"
#include "platform/string.h"
#include "ui/message.h"
#include "ui/window.h"

class Button_t;
class TLuaBindings;
class TTexture;
class TTextSprite;
class TWindowManager;

// One slot of the gallery.
struct GalleryThumb_t {
  TVec2 from;                             // position when the current slide began
  TVec2 to;                               // target position of the current layout
  TVec2 pos;                              // drawn position (top-left of the slot box)
  bool unlocked = false;                  // the wallpaper is earned
  TRect rect;                             // box at the target position
  bool onPage = false;                    // on the current page (only these take clicks)
  int index = 0;                          // slot number
  TString wallpaperName;                  // the full-size picture: entry + "_wallpaper"
  boost::shared_ptr<TTexture> thumbTex;   // the small picture: the entry itself
};

class TGameGallery : public TWindow, public TMessageListener, public CommonSound_t {
  LANTERN_WINDOW_CLASS(TGameGallery, TWindow)

public:
  // Binds the Lua global SetUserWallpaper to this gallery (until it goes).
  TGameGallery();
  ~TGameGallery() override;

  // Animation rate ("animrate" of main.xml "Common", 16 ms), cursor, and the
  // display's size.
  void Init(TWindowStyle& style) override;
  // Reads the style, unlocks and exports the earned wallpapers, lays out page 0.
  void PostInit(TWindowStyle& style) override;
  void Draw() override;
  bool OnMessage(TMessage* message) override;
  // One animation tick: advances a running slide.
  bool Update() override;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  // Escape: as the back button.
  bool OnChar(unsigned char c) override;

  // Lua SetUserWallpaper(): the selected earned slot's wallpaper to the
  // desktop; nothing (logged) without one.
  void SetUserWallpaper();
  // Places every slot for the current page (at once with `snap`, else as the
  // slide's target) and clears the selection.
  void Layout(bool snap);

  int GetPage() const { return page_; }
  // The last page: (slots + 3) / 4 - 1, and 0 without slots.
  int GetLastPage() const;
  int GetSelected() const { return selected_; }
  bool IsMoving() const { return moving_ != 0; }
  float GetListTime() const { return listTime_; }
  const TRect& GetImagesRect() const { return imagesRect_; }
  const std::vector<GalleryThumb_t>& GetSlots() const { return slots_; }
  Button_t* GetButton(const char* command) const;

private:
  void ReadGeometry(const TString& listTime, const TString& imagesRect, const TString& title);
  void UnlockEarned();
  void StartSlide(int newPage);
  void DrawSlots();
  void SlotSize(float* w, float* h) const;

  boost::shared_ptr<TTexture> backTex_, frontTex_, selectedTex_, lockedTex_;
  std::vector<GalleryThumb_t> slots_;
  int page_ = 0;
  float gapX_ = 0, gapY_ = 0, offsetX_ = 0, offsetY_ = 0;
  TRect imagesRect_;
  int selected_ = -1;
  std::unique_ptr<Button_t> buttBack_, buttLeft_, buttRight_, buttWallpaper_;
  float frameTime_ = 0.016f;
  int moving_ = 0;
  float slideElapsed_ = 0;
  float listTime_ = 0;
  boost::shared_ptr<TTextSprite> titleSprite_;
  TVec2 titlePos_;
  TString musicName_, ambientName_;
  std::unique_ptr<TLuaBindings> bindings_;  // last: unbound first
};

// Registers the window type "GameGallery" (the game's main calls it once the
// window manager exists).
void RegisterGalleryWindowType(TWindowManager* wm);
