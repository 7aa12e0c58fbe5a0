#include "ui/xsell.h"

#include "platform/log.h"
#include "platform/shell/platform.h"
#include "platform/xml.h"
#include "ui/text.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"
#include "ui/windowstyle.h"

namespace {

void Hide(TWindow* window) {
  if (window) window->SetStateFlags(window->GetFlags() & ~kWindowVisible);
}

}  // namespace

TXSellWindow::TXSellWindow() {
  TWindowManager* wm = GetWindowManager();
  if (TWindowScript* script = wm ? wm->GetScript() : nullptr) {
    bindings_ = std::make_unique<TLuaBindings>(script->GetState());
    bindings_->Bind("SetupXSell", this, &TXSellWindow::SetupXSell);
    bindings_->Bind("LaunchGameLink", this, &TXSellWindow::LaunchGameLink);
  }
}

// The bindings go with the window; a newer cross-sell window keeps its own.
TXSellWindow::~TXSellWindow() = default;

// Only the window's own keys: its name and place come later (the script's
// builder names it, PostInit places it once its children exist).
void TXSellWindow::Init(TWindowStyle& style) {
  configPath_ = style.GetString("config", "xsell/xsell.xml");
  autoExpand_ = style.GetBool("autoexpand", false);
}

void TXSellWindow::SetupXSell() {
  TXmlNode xml;
  int n = 0;
  bool hasSite = false;
  if (xml.LoadFile(configPath_) && xml.GetName() == "xsell") {
    TString name;
    TXmlNode* node = nullptr;
    for (xml.BeginChildren(); xml.NextChild(name, node);) {
      if (name != "gameinfo") continue;
      ++n;
      if (auto* text = WindowCast<TText>(FindChild(TString::Printf("descrip%d", n), -1))) {
        TString description = node->GetAttribute("description");
        TString linkText = node->GetAttribute("linktext");
        if (!linkText.IsEmpty()) {
          description += " <u><font color=\"003cff\"><a id='" + TString::Printf("xsellbutton%d", n) + "'>" +
                         linkText + "</a></font></u>";
        }
        text->SetText(description);
      }
      // Eight addresses are kept; further games only get their text.
      TString link = node->GetAttribute("link");
      if (n >= 1 && n <= 7) gameLinks_[n] = link;
      else if (n == kGameSlots) siteLink_ = link;
    }
    if (TXmlNode* site = xml.FindChild("sitelink")) {
      siteLink_ = site->GetAttribute("link");
      hasSite = true;
    }
    if (TXmlNode* centre = xml.FindChild("centertext")) {
      if (auto* t = WindowCast<TText>(FindChild("centertext1", -1))) t->SetText(centre->GetAttribute("text1"));
      if (auto* t = WindowCast<TText>(FindChild("centertext2", -1))) t->SetText(centre->GetAttribute("text2"));
    }
  }
  if (!hasSite) Hide(FindChild("gamesite", -1));
  for (int j = n + 1; j <= kGameSlots; ++j) {
    Hide(FindChild(TString::Printf("descrip%d", j), -1));
    Hide(FindChild(TString::Printf("xsellbutton%d", j), -1));
  }

  // The designed positions are the windows' centres, in parent coordinates.
  // Every call moves them by half their size: a second call shifts them again.
  auto centre = [](TWindow* w) {
    if (!w) return;
    const TRect& r = w->GetRect();
    w->MoveTo(r.left - r.Width() / 2, r.top - r.Height() / 2);
  };
  for (int i = 1; i <= 7; ++i) centre(FindChild(TString::Printf("xsellbutton%d", i), -1));
  centre(FindChild("sitelogo", -1));
  centre(FindChild("korvanestlogo", -1));
  centre(FindChild("gamesite", -1));
}

void TXSellWindow::LaunchGameLink(int i) {
  if (i < 0 || i > kGameSlots) {
    TraceOut("LaunchGameLink: no game %d", i);
    return;
  }
  const TString& url = (i == 0 || i == kGameSlots) ? siteLink_ : gameLinks_[i];
  if (url.IsEmpty()) return;
  if (TPlatform* platform = TPlatform::GetInstance()) platform->OpenUrl(url);
}
