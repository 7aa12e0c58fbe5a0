// TXSellWindow: the cross-sell window (Lua type "XSellWindow"). It fills a
// script-built screen that advertises other games from "xsell/xsell.xml"
// (plain or "ZXML"): each game's description, with an underlined link, goes
// into the text window "descrip<n>", the game's address is kept, and the
// Lua function LaunchGameLink(n) opens it in the browser (TPlatform::OpenUrl).
// It draws nothing itself.
#pragma once
#include <memory>

#include "script/bind.h"
#include "ui/window.h"

class TXSellWindow : public TWindow {
  LANTERN_WINDOW_CLASS(TXSellWindow, TWindow)

public:
  static constexpr int kGameSlots = 8;  // games 1 to 7, and 8 kept as the site's address

  // Binds the Lua globals "SetupXSell" and "LaunchGameLink" to this window.
  TXSellWindow();
  ~TXSellWindow() override;

  // Style keys "config" (default "xsell/xsell.xml") and "autoexpand" only:
  // the builder names the window and PostInit places it, after its children
  // (which therefore take plain positions).
  void Init(TWindowStyle& style) override;

  // Reads the description file and fills, hides and re-centres the children
  // (each call re-centres them again from where they are).
  void SetupXSell();
  // Opens the address of game i (1 to 7), or the site for 0 and 8.
  void LaunchGameLink(int i);

  const TString& GetGameLink(int i) const { return gameLinks_[i]; }
  const TString& GetSiteLink() const { return siteLink_; }
  const TString& GetConfigPath() const { return configPath_; }

private:
  TString gameLinks_[kGameSlots];  // [1] .. [7] used; [0] unused
  TString siteLink_;
  TString configPath_ = "xsell/xsell.xml";
  bool autoExpand_ = false;
  std::unique_ptr<TLuaBindings> bindings_;
};
