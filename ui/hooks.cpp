#include "ui/hooks.h"

#include "platform/settings.h"
#include "platform/shell/platform.h"
#include "platform/stringtable.h"
#include "render/device/displayhandler.h"
#include "ui/drawenvironment.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

namespace {

// The toolkit's services, taken from the platform object.
class TPlatformWindowEnvironment : public TRendererWindowEnvironment {
public:
  uint32_t GetTime() override {
    TPlatform* p = TPlatform::GetInstance();
    return p ? p->GetTime() : TWindowEnvironment::GetTime();
  }
  bool IsFlipDone() override {
    TPlatform* p = TPlatform::GetInstance();
    return p ? p->IsFlipDone() : true;
  }
  bool IsForeground() override {
    TPlatform* p = TPlatform::GetInstance();
    return p ? p->IsForeground() : true;
  }
  bool IsHostedOrPq() override {
    TPlatform* p = TPlatform::GetInstance();
    return HasPqArgument() || (p && !p->GetApplication()->hostWindow.empty());
  }
  void PostQuit(int exitCode) override {
    if (TPlatform* p = TPlatform::GetInstance()) p->PostQuit(exitCode);
  }
  void RunPlatformTasks(int pass) override {
    if (TPlatform* p = TPlatform::GetInstance()) p->GetTaskList()->Run(pass);
  }
  void AddTask(TTask* task) override {
    if (TPlatform* p = TPlatform::GetInstance()) p->AddTask(task);
    else TWindowEnvironment::AddTask(task);
  }
  TString GetClipboardText() override {
    TPlatform* p = TPlatform::GetInstance();
    return p ? p->GetClipboardText() : TString();
  }
  void SetClipboardText(const TString& text) override {
    if (TPlatform* p = TPlatform::GetInstance()) p->SetClipboardText(text);
  }
  // Without the display of render/ (the platform's plain stand-in), frames
  // are only presented.
  bool HasDisplay() override {
    if (GetDisplayHandler()) return TRendererWindowEnvironment::HasDisplay();
    TPlatform* p = TPlatform::GetInstance();
    return p && p->GetDisplay() && p->GetDisplay()->IsUsable();
  }
  bool BeginDraw() override {
    return GetDisplayHandler() ? TRendererWindowEnvironment::BeginDraw() : HasDisplay();
  }
  void EndDraw() override {
    if (GetDisplayHandler()) TRendererWindowEnvironment::EndDraw();
    else if (TPlatform* p = TPlatform::GetInstance()) p->EndDraw(true);
  }
  TString GetString(const TString& label, const TString* args, int count) override {
    TPlatform* p = TPlatform::GetInstance();
    TStringTable* table = p ? p->GetStringTable() : nullptr;
    if (!table) return TWindowEnvironment::GetString(label, args, count);
    TString a[5];
    for (int i = 0; i < count && i < 5; ++i) a[i] = args[i];
    return table->GetString(label, a[0], a[1], a[2], a[3], a[4]);
  }
};

// One window manager per process, with its environment and script.
struct TWindowLayer {
  TPlatformWindowEnvironment env;
  TWindowManager* manager = nullptr;
  TWindowScript* script = nullptr;
};

TWindowLayer* gLayer = nullptr;

}  // namespace

void AddWindowHooks(TPlatformHooks& hooks) {
  hooks.createWindowManager = []() -> TWindowManager* {
    delete gLayer;
    gLayer = new TWindowLayer();
    gLayer->manager = new TWindowManager(&gLayer->env);
    return gLayer->manager;
  };
  hooks.createWindowScript = [](TWindowManager* manager) {
    if (!gLayer || gLayer->manager != manager || gLayer->script) return;
    gLayer->script = new TWindowScript();
    manager->SetScript(gLayer->script);
  };
  hooks.isDrawingSuspended = [](TWindowManager* manager) { return manager->IsDrawingSuspended(); };
  hooks.invalidateWindows = [](TWindowManager* manager) { manager->Invalidate(); };
  hooks.createRootScreen = [](TWindowManager* manager, int width, int height) {
    if (!manager->GetRootWindow()) manager->SetRootWindow(new TScreen());
  };
  hooks.destroyWindowManager = [](TWindowManager* manager) {
    // The manager goes first (its windows may still call into Lua), then the script.
    delete manager;
    if (gLayer && gLayer->manager == manager) {
      delete gLayer->script;
      delete gLayer;
      gLayer = nullptr;
    }
  };
}
