// game/shell/screens: the menus: main menu, options, album, gallery, wallpapers, player chooser.
// TMainMenu (Lua type "MainMenu"): the title screen. It paints a layered,
// living backdrop (background, two endlessly scrolling cloud layers, a
// foreground, a logo that opens its link, a frame animation, particle
// effects and a slowly turning picture), greets the current player by name,
// plays the menu music and ambience, and turns the commands "album",
// "windrose" and "choospl" of its buttons into the screens they open.
//
// Style keys (docs/gameshell.md): "usernamedef" "font;size;x,y,w,h;r,g,b,a",
// "pane1", "panecloud1", "panecloud2", "pane3", "logo" ("texture,x,y[,url]"),
// "cloudSpeed1", "cloudSpeed2" (pixels per update), "buttZ" (a game button),
// "buttphotoalbum" (the picture in the album button's place while it is
// hidden), "music", "ambient", "particles" ("name;x;y;..."), "z_info_anim"
// ("texture;x, y, period"). Children it looks for: "welcomea", "album",
// "mainmenuwww". Lua globals: SetWelcomeName, ReloadAll, IsButtAlbumVisible,
// IsNeedWelcome.
// Depends on platform/, render/, audio/, ui/ and the shell's game data,
// widgets and particles.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "game/shell/widgets/commonsound.h"
#include "game/shell/widgets/frameanim.h"
#include "game/shell/widgets/pane.h"
#include "ui/message.h"
#include "ui/text.h"
#include "ui/window.h"

class Button_t;
class TLuaBindings;

class TMainMenu : public TWindow, public TMessageListener, public CommonSound_t {
  LANTERN_WINDOW_CLASS(TMainMenu, TWindow)

public:
  // A picture turning once per period about its centre.
  struct RotatingPicture {
    boost::shared_ptr<TTexture> texture;
    float x = 0, y = 0;
    float period = 0;  // seconds; 0 or less: it does not turn
    float angle = 0;   // radians
    float elapsed = 0;
    void Step(float dt);
  };
  struct PendingEmitter {
    std::string name;
    int x = 0, y = 0;
  };

  TMainMenu();
  ~TMainMenu() override;

  void PostInit(TWindowStyle& style) override;
  void Draw() override;
  void PostDraw() override;
  bool OnMessage(TMessage* message) override;
  bool Update() override;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  bool OnKeyDown(unsigned char key, int modifiers) override;

  // The Lua functions.
  void SetWelcomeName();
  void ReloadAll();
  // True when the game progress holds a photo.
  bool IsButtAlbumVisible() const;
  int IsNeedWelcome() const { return 0; }

  // One cloud layer's offset after an update at `speed` (pixels per update):
  // past 1024 it goes back by 1024; a layer moving left is never wrapped.
  static float StepCloud(float offset, float speed);

  // Kept between menus (clouds go on where they stopped), and the cheat flag
  // (main.xml Common "Cheet") read by every menu built.
  static float cloudOffset1, cloudOffset2;
  static int focusCounter;
  static int cheatFlag;

  // What PostInit read (tests and drawing).
  const TRect& GetWelcomeRect() const { return welcomeRect_; }
  const TText& GetWelcomeText() const { return welcomeText_; }
  const std::vector<PendingEmitter>& GetPendingEmitters() const { return pendingEmitters_; }
  const RotatingPicture& GetZInfoAnim() const { return zInfoAnim_; }
  const PaneDescr_t* GetLogo() const { return logo_.get(); }
  float GetCloudSpeed1() const { return cloudSpeed1_; }
  float GetCloudSpeed2() const { return cloudSpeed2_; }
  bool IsAlbumHidden() const { return albumHidden_; }
  TPoint GetWelcomePos() const { return welcomePos_; }
  TPoint GetAlbumPos() const { return albumPos_; }

  // The text run every tenth update, and the texts of the three commands.
  static constexpr const char* kFocusText = "SetFocus( 'mainmenuwww' )";
  static constexpr const char* kAlbumText1 = "CSWithSh('mainmenu', 'scripts/gallery.lua');";
  static constexpr const char* kAlbumText2 = "DoModal('scripts/shadow.lua');";
  static constexpr const char* kWindroseText = "DoModal('scripts/z_info.lua');";
  static constexpr const char* kChooseText = "DoModal('scripts/chooseplayer.lua');";
  static constexpr const char* kEnterLevelText = "DoModal('scripts/enterlevel.lua')";
  static constexpr const int kMaxEmitters = 64;

private:
  void Run(const char* text);
  // Reloads main.xml and infos.xml when nothing above the menu may hold on
  // to their data (the menu is the top screen); false (logged) otherwise.
  bool ReloadGameData();
  void ReadWelcome(const TString& text);
  void ReadParticles(const TString& text);
  void ReadZInfo(const TString& text);
  void MoveChild(const char* name, const TPoint& home, bool away);

  Anim_t waterfall_;
  RotatingPicture zInfoAnim_;
  TText welcomeText_;
  TRect welcomeRect_;
  std::unique_ptr<PaneDescr_t> pane1_, paneCloud1_, paneCloud2_, pane3_, logo_;
  float cloudSpeed1_ = 0, cloudSpeed2_ = 0;
  std::unique_ptr<Button_t> buttZ_;
  boost::shared_ptr<TTexture> albumOffImage_;
  TPoint albumPos_;
  bool albumHidden_ = false;
  TPoint welcomePos_;
  float frameStep_ = 0.016f;
  std::vector<PendingEmitter> pendingEmitters_;
  std::unique_ptr<TLuaBindings> bindings_;  // last: unbound first
};
