#include "ui/stockwindows.h"

#include "platform/shell/platform.h"
#include "ui/button.h"
#include "ui/flashhost.h"
#include "ui/image.h"
#include "ui/slider.h"
#include "ui/text.h"
#include "ui/textedit.h"
#include "ui/windowscript.h"
#include "ui/xsell.h"

namespace {

struct TStockType {
  const char* name;
  TWindowCreator creator;
};

const TStockType kStockTypes[] = {
    {"Text", TText::ClassCreator()},         {"Button", TButton::ClassCreator()},
    {"TextEdit", TTextEdit::ClassCreator()}, {"Slider", TSlider::ClassCreator()},
    {"Bitmap", TImage::ClassCreator()},      {"XSellWindow", TXSellWindow::ClassCreator()},
};

TMovieHost* MakeFlashHost(const TString& file) { return new TFlashHost(file); }

}  // namespace

void AddStockWindows() {
  for (const TStockType& t : kStockTypes) AddStockWindowType(t.name, t.creator);
}

void RegisterStockWindows(TWindowManager* manager) {
  if (!manager) return;
  for (const TStockType& t : kStockTypes) manager->RegisterWindowType(t.name, t.creator);
  if (TWindowScript* script = manager->GetScript()) script->SetMovieHostFactory(MakeFlashHost);
}

void AddStockWindowHooks(TPlatformHooks& hooks) {
  AddStockWindows();
  auto makeScript = hooks.createWindowScript;
  hooks.createWindowScript = [makeScript](TWindowManager* manager) {
    if (makeScript) makeScript(manager);
    if (TWindowScript* script = manager ? manager->GetScript() : nullptr) script->SetMovieHostFactory(MakeFlashHost);
  };
}
