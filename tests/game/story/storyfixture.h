// Harness of the comic, splash, credits and pop-up tests: the shared-widget
// window harness (temporary asset folder, software display, window manager
// with its script and the root screen) with a headless platform for the
// string table, the play clock, opened addresses and quitting; the story's
// window types and Lua globals; the player's progress emptied at both ends.
#pragma once
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <memory>
#include <string>

#include "game/shell/data/gameprogress.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/widgets/shadow.h"
#include "game/story/comics.h"
#include "game/story/infos.h"
#include "game/story/splash.h"
#include "game/story/storylayer.h"
#include "platform/host/hosts.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "platform/shell/platform.h"
#include "platform/stringtable.h"
#include "script/bind.h"
#include "tests/game/support/widgetfixture.h"
#include "ui/flashhost.h"

namespace storytest {

class TStoryTest : public widgettest::TWidgetWindowTest {
protected:
  TStoryTest() {
    platform = CreateHeadlessPlatform(TPlatformHooks(), &host);
    RegisterStoryWindowTypes(wm);
    globals = std::make_unique<TLuaBindings>(script->GetState());
    BindStoryGlobals(*globals);
    BindStoryNameGlobals(*globals);
    GetGameProgress().Reset();
    story::SetNameComicsToRun("com_1.xml");
    story::SetNameInfosToRun("");
    story::SetSplashInfo("", "", "");
  }
  ~TStoryTest() override {
    // Windows first, while the platform and the display exist.
    screen->DeleteChildren();
    Send(kEventTick);
    story::CloseSplashMovie();
    SetMoviePlayerFactory(nullptr);
    GetInfosXml().Clear();
    GetGameProgress().Reset();
    globals.reset();
    platform.reset();
  }
  // A row of the string table.
  void Text(const char* label, const char* text) { platform->GetStringTable()->Set(label, text); }
  // The first child of the root screen of that class (windows made by Lua
  // without a modal window become its children).
  template <class T>
  T* Find() {
    for (TWindow* child : screen->GetChildren())
      if (T* w = WindowCast<T>(child)) return w;
    return nullptr;
  }
  // The stock button of that name anywhere under the screen, and whether it is shown.
  bool Shown(const char* name) {
    TWindow* w = screen->FindChild(name);
    return w && w->HasFlag(kWindowVisible);
  }

  std::unique_ptr<TPlatform> platform;
  THeadlessHost* host = nullptr;
  std::unique_ptr<TLuaBindings> globals;
  TLogCapture log;
};

}  // namespace storytest
