#include "uitest.h"

#include <lua.hpp>

namespace uitest {

bool TRecordingEnvironment::BeginDraw() {
  ++begins;
  log.push_back("begin");
  return display;
}

void TRecordingEnvironment::PushViewport(const TRect& r) {
  TWindowEnvironment::PushViewport(r);
  ++depth;
}

void TRecordingEnvironment::PopViewport() {
  TWindowEnvironment::PopViewport();
  --depth;
}

void TRecordingEnvironment::PushClipRect(const TRect& r) { TWindowEnvironment::PushClipRect(r); }

void TRecordingEnvironment::PopClipRect() { TWindowEnvironment::PopClipRect(); }

void TRecordingEnvironment::FillRect(const TRect& r, const TFloatColor& c) {
  TRect vp = GetCurrentViewport();
  log.push_back("fill " + std::to_string(r.left + vp.left) + "," + std::to_string(r.top + vp.top) + "," +
                std::to_string(r.Width()) + "x" + std::to_string(r.Height()));
}

bool TProbe::Note(const char* what, const TPoint& p, bool take) {
  events.push_back(std::string(what) + " " + std::to_string(p.x) + "," + std::to_string(p.y));
  if (deleteSelfOnDown && std::string(what) == "down") {
    if (GetParent()) GetParent()->RemoveChild(this);
    GetWindowManager()->QueueDelete(this);
  }
  return take;
}

bool TProbe::OnMouseLeave() {
  events.push_back("leave");
  if (releaseCaptureOnLeave) GetWindowManager()->RemoveCapture(this);
  return false;
}

bool TProbe::OnKeyDown(unsigned char key, int mods) {
  events.push_back("key " + std::to_string(key));
  return takeKeys;
}

bool TProbe::OnChar(unsigned char c) {
  events.push_back(std::string("char ") + static_cast<char>(c));
  return takeChars;
}

bool TProbe::OnMessage(TMessage* m) {
  events.push_back("msg " + std::to_string(m->type) + " " + m->text.str());
  return takeMessages;
}

void TProbe::Draw() {
  if (drawLog) drawLog->push_back(GetName().str());
}

void TTestButton::SetAction(TLuaFunction* action) {}

TUiFixture::TUiFixture() {
  windowsAtStart = TWindow::LiveCount();
  messagesAtStart = TMessage::LiveCount();
  wm = new TWindowManager(&env);
  screen = new TScreen();
  wm->SetRootWindow(screen);
}

TUiFixture::~TUiFixture() { delete wm; }

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

void TUiFixture::Tick(uint32_t ms) {
  time.Advance(ms);
  Send(kEventTick);
}

TModalWindow* TUiFixture::PushDialog(const char* name) {
  auto* dialog = new TModalWindow();
  dialog->SetName(name);
  wm->PushModal(dialog);
  return dialog;
}

}  // namespace uitest
