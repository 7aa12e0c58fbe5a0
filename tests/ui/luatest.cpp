#include "luatest.h"

#include "platform/log.h"
#include "ui/luamessage.h"

namespace uitest {

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
  if (c == 8 && !text.IsEmpty()) {
    text = text.Substring(0, text.Length() - 1);
    return true;
  }
  return false;
}

void TLuaButton::Init(TWindowStyle& style) {
  TWindow::Init(style);
  isDefault = style.GetBool("default", false);
  isCancel = style.GetBool("cancel", false);
  close = style.GetBool("close", false);
  action.reset(style.GetFunction("command"));
}

bool TLuaButton::OnMouseDown(const TPoint& p) {
  pressed = true;
  return true;
}

bool TLuaButton::OnMouseUp(const TPoint& p) {
  TRect client;
  GetClientRect(client);
  bool inside = pressed && client.Contains(p);
  pressed = false;
  if (inside) Press();
  return true;
}

bool TLuaButton::DoCommand() {
  TWindowManager* wm = GetWindowManager();
  TWindowScript* script = wm->GetScript();
  if (close) {
    if (TModalWindow* modal = GetModalParent()) wm->PostMessage(new TMessage(kCloseWindow, modal->FormatIdHex()));
    script->SetGlobalString("gReturnValue", GetName());
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

TLuaFixture::TLuaFixture() {
  cd = std::make_unique<testing_support::ScopedChdir>(dir.Path());
  script = new TWindowScript();
  wm->SetScript(script);
  wm->RegisterWindowType("Text", TTestText::ClassCreator());
  wm->RegisterWindowType("TextEdit", TTestEdit::ClassCreator());
  wm->RegisterWindowType("Button", TLuaButton::ClassCreator());
  wm->RegisterWindowType("Bitmap", TTestImage::ClassCreator());
}

TLuaFixture::~TLuaFixture() {
  delete script;
  script = nullptr;
}

void TLuaFixture::Script(const std::string& name, const std::string& text) { dir.Write("assets/" + name, text); }

void TLuaFixture::Lua(const std::string& text) { script->DoLuaString(text, "a test"); }

std::string TLuaFixture::Global(const char* name) {
  lua_State* L = script->GetState();
  lua_getglobal(L, name);
  std::string s = lua_isnil(L, -1) ? "nil" : LuaToText(L, -1).str();
  if (lua_isboolean(L, -1)) s = lua_toboolean(L, -1) ? "true" : "false";
  lua_pop(L, 1);
  return s;
}

double TLuaFixture::Number(const char* name) {
  lua_State* L = script->GetState();
  lua_getglobal(L, name);
  double v = lua_tonumber(L, -1);
  lua_pop(L, 1);
  return v;
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
