#include "uitest.h"

#include "tests/support/luaglobal.h"
#include "ui/luamessage.h"

namespace uitest {

void TRecordingEnvironment::FillRect(const TRect& r, const TFloatColor& c) {
  TRect vp = GetCurrentViewport();
  log.push_back("fill " + std::to_string(r.left + vp.left) + "," + std::to_string(r.top + vp.top) + "," +
                std::to_string(r.Width()) + "x" + std::to_string(r.Height()));
}

bool TProbe::OnMouseDown(const TPoint& p) {
  if (deleteSelfOnDown) {
    if (GetParent()) GetParent()->RemoveChild(this);
    GetWindowManager()->QueueDelete(this);
  }
  return Note("down", p);
}

bool TProbe::OnMouseLeave() {
  if (releaseCaptureOnLeave) GetWindowManager()->RemoveCapture(this);
  return Log("leave", false);
}

void TTestText::Init(TWindowStyle& style) {
  TWindow::Init(style);
  text = style.GetString("label", TString());
}

bool TTestEdit::OnText(TString t) {
  if (t.Length() == 1 && static_cast<unsigned char>(t[0]) < 32) return false;
  text += t;
  return true;
}

bool TTestEdit::OnChar(unsigned char c) {
  if (c != 8 || text.IsEmpty()) return false;
  text = text.Substring(0, text.Length() - 1);
  return true;
}

void TTestButton::Init(TWindowStyle& style) {
  TWindow::Init(style);
  isDefault = style.GetBool("default", false);
  isCancel = style.GetBool("cancel", false);
  close = style.GetBool("close", false);
  action.reset(style.GetFunction("command"));
}

bool TTestButton::OnMouseUp(const TPoint& p) {
  TRect client;
  GetClientRect(client);
  if (pressed && client.Contains(p)) Press();
  pressed = false;
  return true;
}

bool TTestButton::DoCommand() {
  ++commands;
  TWindowManager* wm = GetWindowManager();
  if (close) {
    if (TModalWindow* modal = GetModalParent()) wm->PostMessage(new TMessage(kCloseWindow, modal->FormatIdHex()));
    if (wm->GetScript()) wm->GetScript()->SetGlobalString("gReturnValue", GetName());
  }
  if (action) {
    auto* m = new TMessage(kCommandOnly, "LuaAction:" + GetName());
    if (!TLuaMessageWrapper::QueueToScript(m, action.get())) delete m;
  }
  wm->PostMessage(new TMessage(kButtonPress, GetName()));
  return true;
}

void TTestImage::Init(TWindowStyle& style) {
  TWindow::Init(style);
  image = style.GetString("image", TString());
}

TUiFixture::TUiFixture() : windowsAtStart(TWindow::LiveCount()), messagesAtStart(TMessage::LiveCount()) {
  wm = new TWindowManager(&env);
  screen = new TScreen();
  wm->SetRootWindow(screen);
}

void TUiFixture::Send(uint32_t type, int x, int y, uint32_t a, uint32_t b) {
  TPlatformEvent e;
  e.type = type;
  e.x = x;
  e.y = y;
  e.a = a;
  e.b = b;
  wm->HandleEvent(e);
}

void TUiFixture::Click(int x, int y) {
  Send(kEventMouseMove, x, y);
  Send(kEventLeftDown, x, y);
  Send(kEventLeftUp, x, y);
}

TModalWindow* TUiFixture::PushDialog(const char* name) {
  auto* dialog = new TModalWindow();
  dialog->SetName(name);
  wm->PushModal(dialog);
  return dialog;
}

TLuaFixture::TLuaFixture() : script(new TWindowScript()) {
  wm->SetScript(script);
  wm->RegisterWindowType("Text", TTestText::ClassCreator());
  wm->RegisterWindowType("TextEdit", TTestEdit::ClassCreator());
  wm->RegisterWindowType("Button", TTestButton::ClassCreator());
  wm->RegisterWindowType("Bitmap", TTestImage::ClassCreator());
}

std::string TLuaFixture::Global(const char* name) {
  return testing_support::LuaGlobalText(script->GetState(), name);
}

double TLuaFixture::Number(const char* name) {
  return testing_support::LuaGlobalNumber(script->GetState(), name);
}

void TLuaFixture::Type(const std::string& utf8) {
  for (const char* p = utf8.c_str(); *p; p += Utf8CharLength(p)) Char(DecodeUtf8(p));
}

void TLuaFixture::Idle(uint32_t ms) {
  time.Advance(ms);
  env.RunPlatformTasks(0);
  Send(kEventTick);
}

}  // namespace uitest
