#include "platform/gamestate.h"
#include "ui/windowscript.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/log.h"
#include "platform/settings.h"
#include "platform/time.h"
#include "ui/luamessage.h"
#include "ui/modalwindow.h"
#include "ui/widgetroles.h"
#include "ui/windowstyle.h"

namespace {

std::vector<std::pair<TString, TWindowCreator>>& StockTypes() {
  static std::vector<std::pair<TString, TWindowCreator>> types;
  return types;
}

// The Lua function of a window type, made without pasting the name into source text.
const char kTypeMaker[] =
    "local name = ...\n"
    "return function(t) Creating(name, t); t.typename = name; return function() DoWindow(t) end end\n";

TString ArgText(lua_State* L, int index) { return LuaToText(L, index); }

}  // namespace

void AddStockWindowType(const TString& name, TWindowCreator creator) {
  auto& types = StockTypes();
  for (auto& t : types) {
    if (t.first == name) {
      t.second = creator;
      return;
    }
  }
  types.emplace_back(name, creator);
}

// --- The manager's side of the script ---

void TWindowManager::SetScript(TWindowScript* script) {
  // The platform task list runs the script through a proxy it owns; the script itself is not its to delete.
  if (scriptProxy_) scriptProxy_->target = nullptr;
  scriptProxy_ = nullptr;
  script_ = script;
  port_ = script;
  if (!script) return;
  script->SetModalWindow(GetTopModal());
  script->GetBindings().Bind("SetTopModalOnly", this, &TWindowManager::SetTopModalOnly);
  auto* proxy = new TTaskProxy(script);
  scriptProxy_ = proxy;
  env_->AddTask(proxy);
}

// --- Construction ---

TWindowScript::TWindowScript() : bindings_(GetState()) {
  lua_State* L = GetState();
  RegisterNatives();
  if (luaL_loadbuffer(L, kTypeMaker, sizeof(kTypeMaker) - 1, "=WindowType") == 0) {
    typeMakerRef_ = luaL_ref(L, LUA_REGISTRYINDEX);
  } else {
    lua_pop(L, 1);
  }
  for (auto& t : StockTypes()) DefineWindowType(t.first, t.second);
  DefineWindowType("Window", TWindow::ClassCreator());
  RegisterMessageMetatable(L);
  if (LoadChunk(kScreenInitChunk, kScreenInitChunkSize, "gScreenInit") == 0) {
    StartThread(0, "gScreenInit");
  } else {
    ReportLuaError(L, "Lua Error: " + LuaErrorText(L, -1) + "\n\twhen loading gScreenInit");
    lua_pop(L, 1);
  }
}

TWindowScript::~TWindowScript() {
  TWindowManager* wm = Manager();
  if (wm && wm->GetScript() == this) wm->SetScript(nullptr);
  if (movie_) movie_->Close();
  movie_.reset();
  if (typeMakerRef_ != LUA_NOREF) luaL_unref(GetState(), LUA_REGISTRYINDEX, typeMakerRef_);
  bindings_.UnbindAll();
}

namespace {
// "_SetState" (key, value): a game-state value for the portal reporting.
void LuaSetState(TString key, TString value) { ScriptSetState(key.c_str(), value.c_str()); }
}  // namespace

void TWindowScript::RegisterNatives() {
  bindings_.Bind("_SetState", &LuaSetState);
  bindings_.Bind("PostCreate", this, &TWindowScript::LuaPostCreate);
  bindings_.Bind("GetLabel", this, &TWindowScript::LuaGetLabel);
  bindings_.Bind("_RegisterHotkey", this, &TWindowScript::LuaRegisterHotkey);
  bindings_.Bind("SetLabel", this, &TWindowScript::LuaSetLabel);
  bindings_.Bind("TagHotKey", this, &TWindowScript::LuaTagHotKey);
  bindings_.Bind("_SetBitmap", this, &TWindowScript::LuaSetBitmap);
  bindings_.Bind("SetPosition", this, &TWindowScript::LuaSetPosition);
  bindings_.Bind("SetCommand", this, &TWindowScript::LuaSetCommand);
  bindings_.Bind("StripKeyFromLabel", this, &TWindowScript::LuaStripKeyFromLabel);
  bindings_.Bind("SetWindowName", this, &TWindowScript::LuaSetWindowName);
  bindings_.Bind("FillRect", this, &TWindowScript::LuaFillRect);
  bindings_.Bind("GetTimer", this, &TWindowScript::LuaGetTimer);
  bindings_.Bind("GetConfig", this, &TWindowScript::LuaGetConfig);
  bindings_.Bind("IsEnabled", this, &TWindowScript::LuaIsEnabled);
  bindings_.Bind("DoSelectLayer", this, &TWindowScript::LuaDoSelectLayer);
  bindings_.Bind("EnableWindow", this, &TWindowScript::LuaEnableWindow);
  bindings_.Bind("GetButtonToggleState", this, &TWindowScript::LuaGetButtonToggleState);
  bindings_.Bind("SetButtonToggleState", this, &TWindowScript::LuaSetButtonToggleState);
  bindings_.Bind("PopWindow", this, &TWindowScript::LuaPopWindow);
  bindings_.Bind("RealSetFocus", this, &TWindowScript::LuaRealSetFocus);
  bindings_.Bind("StringToClipboard", this, &TWindowScript::LuaStringToClipboard);
  bindings_.Bind("UpdateWindow", this, &TWindowScript::LuaUpdateWindow);
  bindings_.Bind("PushModal", this, &TWindowScript::LuaPushModal);
  bindings_.Bind("ClearModalChildren", this, &TWindowScript::LuaClearModalChildren);
  bindings_.Bind("GetWindowDepth", this, &TWindowScript::LuaGetWindowDepth);
  bindings_.Bind("DoPopModal", this, &TWindowScript::LuaDoPopModal);
  bindings_.Bind("HandleGetMessage", this, &TWindowScript::LuaHandleGetMessage);
  bindings_.Bind("GenericCreate", this, &TWindowScript::LuaGenericCreate);
  bindings_.Bind("CreateNamedMessage", this, &TWindowScript::LuaCreateNamedMessage);
  bindings_.Bind("CreateCloseMessage", this, &TWindowScript::LuaCreateCloseMessage);
  bindings_.Bind("PostMessage", this, &TWindowScript::LuaPostMessage);
  bindings_.Bind("PostMessageToParent", this, &TWindowScript::LuaPostMessageToParent);
  bindings_.Bind("_GetString", this, &TWindowScript::LuaGetString);
  bindings_.Bind("StartMovie", this, &TWindowScript::LuaStartMovie);
  bindings_.Bind("IsMoviePlaying", this, &TWindowScript::LuaIsMoviePlaying);
  bindings_.Bind("StopMovie", this, &TWindowScript::LuaStopMovie);
  bindings_.Bind("ImageLoaded", this, &TWindowScript::LuaImageLoaded);
  bindings_.Bind("DestroyWindow", this, &TWindowScript::LuaDestroyWindow);
  bindings_.Bind("DoFitToChildren", this, &TWindowScript::LuaDoFitToChildren);
  bindings_.Bind("SetScreenClear", this, &TWindowScript::LuaSetScreenClear);
  bindings_.Bind("_AwaitClose", this, &TWindowScript::LuaAwaitClose);
}

// --- Window stack ---

void TWindowScript::PushWindow(TWindow* window) {
  if (window) windows_.push_back(window);
}

void TWindowScript::PopWindow() {
  if (windows_.size() > 1) windows_.pop_back();
}

void TWindowScript::SetModalWindow(TWindow* window) {
  windows_.clear();
  if (window) windows_.push_back(window);
}

void TWindowScript::ForgetWindow(TWindow* window) {
  windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
  if (windows_.empty() && Manager() && Manager()->GetTopModal() && Manager()->GetTopModal() != window)
    windows_.push_back(Manager()->GetTopModal());
}

// --- Types and creation ---

void TWindowScript::DefineWindowType(const TString& name, TWindowCreator creator) {
  if (name.IsEmpty() || !creator) return;
  types_[name] = creator;
  lua_State* L = GetState();
  if (typeMakerRef_ == LUA_NOREF) return;
  lua_rawgeti(L, LUA_REGISTRYINDEX, typeMakerRef_);
  PushLuaString(L, name);
  if (lua_pcall(L, 1, 1, 0) != 0) {
    ReportLuaError(L, "Lua Error: " + LuaErrorText(L, -1) + "\n\twhen defining window type " + name);
    lua_pop(L, 1);
    return;
  }
  LuaRawSetField(L, LUA_GLOBALSINDEX, name.c_str());
}

TWindowCreator TWindowScript::FindWindowType(const TString& name) const {
  auto it = types_.find(name);
  return it == types_.end() ? nullptr : it->second;
}

bool TWindowScript::GenericCreate(TWindowStyle& style) {
  TWindowCreator creator = FindWindowType(style.GetString("typename", TString()));
  if (!creator) return false;
  TWindow* window = creator();
  return window ? AttachNewWindow(window, style) : false;
}

bool TWindowScript::AttachNewWindow(TWindow* window, TWindowStyle& style) {
  TWindow* parent = GetCurrentWindow();
  if (!parent || !parent->AddChild(window, true)) {
    delete window;
    return false;
  }
  window->Init(style);
  PushWindow(window);
  lua_State* L = GetState();
  lua_pushnumber(L, window->GetWidth());
  LuaRawSetField(L, LUA_GLOBALSINDEX, "gDialogWidth");
  lua_pushnumber(L, window->GetHeight());
  LuaRawSetField(L, LUA_GLOBALSINDEX, "gDialogHeight");
  if (hook_) hook_->OnWindowCreated(window, style);
  return true;
}

// --- Messages ---

bool TWindowScript::QueueToScript(TMessage* message, const TLuaFunction* command) {
  lua_State* L = GetState();
  auto* wrapper = message && message->IsA(TLuaMessageWrapper::ClassId()) ? static_cast<TLuaMessageWrapper*>(message)
                                                                          : nullptr;
  // Pushes the message's Lua value; a plain message passes to Lua's ownership.
  auto pushMessage = [&](TMessage* m) {
    if (wrapper) wrapper->PushValue(L);
    else PushMessage(L, m);
  };
  if (message && !command && message->type == kModalClosed && TakeModalClosed(message, wrapper != nullptr)) return true;
  if (IsRunning()) {
    if (message) {
      LuaRawGetField(L, LUA_GLOBALSINDEX, "gMessageQueue");
      if (lua_istable(L, -1)) {
        pushMessage(message);
        lua_rawseti(L, -2, static_cast<int>(lua_objlen(L, -2)) + 1);
        if (wrapper) delete wrapper;
      } else if (!wrapper) {
        PushMessage(L, message);  // the collector deletes it
        lua_pop(L, 1);
      } else {
        delete wrapper;
      }
      lua_pop(L, 1);
    }
    if (command) {
      LuaRawGetField(L, LUA_GLOBALSINDEX, "gCommandQueue");
      if (lua_istable(L, -1)) {
        command->Push(L);
        lua_rawseti(L, -2, static_cast<int>(lua_objlen(L, -2)) + 1);
      }
      lua_pop(L, 1);
    }
    return true;
  }
  if (!IsWaiting()) {
    // Busy elsewhere (or no coroutine at all): the command runs now, the message is not taken.
    if (command) {
      command->Push(L);
      TLuaFunction(L, -1).Call(0, 0, "running a command");
      lua_pop(L, 1);
    }
    return false;
  }
  int nargs = 1;
  if (message) pushMessage(message);
  else PushMessage(L, new TMessage(kCommandOnly, TString(), nullptr));
  if (command) {
    command->Push(L);
    ++nargs;
  }
  if (wrapper) delete wrapper;
  Resume(nargs);
  return true;
}

// --- Waits for a window to close ---

std::vector<std::shared_ptr<TLuaThread>> TWindowScript::AwaitersOf(const TString& name) {
  std::vector<std::shared_ptr<TLuaThread>> found;
  // Coroutines that ended (an error, a stopped script) drop out here.
  awaiters_.erase(std::remove_if(awaiters_.begin(), awaiters_.end(),
                                 [this](const TAwaiter& a) {
                                   std::shared_ptr<TLuaThread> t = a.thread.lock();
                                   return !t || !t->GetState() || GetThread(t->GetState()) != t;
                                 }),
                  awaiters_.end());
  for (auto it = awaiters_.rbegin(); it != awaiters_.rend(); ++it)
    if (it->name == name) found.push_back(it->thread.lock());
  return found;
}

void TWindowScript::RecordClosed(const TString& name, bool closed) {
  lua_State* L = GetState();
  LuaRawGetField(L, LUA_GLOBALSINDEX, "gClosedWindows");
  if (lua_istable(L, -1)) {
    PushLuaString(L, name);
    if (closed) lua_pushboolean(L, 1);
    else lua_pushnil(L);
    lua_rawset(L, -3);
  }
  lua_pop(L, 1);
}

bool TWindowScript::IsRecordedClosed(const TString& name) {
  lua_State* L = GetState();
  LuaRawGetField(L, LUA_GLOBALSINDEX, "gClosedWindows");
  bool closed = false;
  if (lua_istable(L, -1)) {
    PushLuaString(L, name);
    lua_rawget(L, -2);
    closed = lua_toboolean(L, -1) != 0;
    lua_pop(L, 1);
  }
  lua_pop(L, 1);
  return closed;
}

bool TWindowScript::TakeModalClosed(TMessage* message, bool isWrapper) {
  const TString name = message->text;
  std::vector<std::shared_ptr<TLuaThread>> awaiters = AwaitersOf(name);
  if (name.IsEmpty() || awaiters.empty()) return false;
  lua_State* L = GetState();
  // The message's Lua value, held on the main stack while the waiters take it.
  if (isWrapper) static_cast<TLuaMessageWrapper*>(message)->PushValue(L);
  else PushMessage(L, message);
  const int value = lua_gettop(L);
  bool record = false;
  for (const std::shared_ptr<TLuaThread>& thread : awaiters) {
    if (IsRunning() || !thread->IsWaiting() || GetThread(thread->GetState()) != thread) {
      record = true;  // it looks at gClosedWindows when it next goes on (Step wakes a waiting one)
      continue;
    }
    lua_pushvalue(L, value);
    thread->Resume(L, 1);
  }
  if (record) RecordClosed(name, true);
  lua_settop(L, value - 1);
  if (isWrapper) delete message;
  return true;
}

bool TWindowScript::Step() {
  TScript::Step();
  if (IsRunning() || awaiters_.empty()) return true;
  std::vector<TAwaiter> snapshot = awaiters_;
  for (const TAwaiter& a : snapshot) {
    std::shared_ptr<TLuaThread> thread = a.thread.lock();
    if (!thread || !thread->IsWaiting() || GetThread(thread->GetState()) != thread || !IsRecordedClosed(a.name))
      continue;
    // WaitForMessage returns nil; the wait then finds its window closed.
    lua_pushnil(GetState());
    thread->Resume(GetState(), 1);
  }
  return true;
}

// "_AwaitClose"([name]): the calling coroutine waits for the modal window of
// that name or id text to close, until it calls "_AwaitClose"() again.
int TWindowScript::LuaAwaitClose(lua_State* L) {
  std::shared_ptr<TLuaThread> thread = GetThread(L);
  if (!thread) return 0;  // the main thread cannot wait
  awaiters_.erase(std::remove_if(awaiters_.begin(), awaiters_.end(),
                                 [&](const TAwaiter& a) { return a.thread.lock() == thread; }),
                  awaiters_.end());
  if (lua_isstring(L, 1)) awaiters_.push_back(TAwaiter{thread, ArgText(L, 1)});
  return 0;
}

void TWindowScript::QueueMessage(TMessage* message) {
  if (!QueueToScript(message, nullptr)) delete message;
}

void TWindowScript::OnCloseRequest() {
  // Only a waiting coroutine is woken; WaitForMessage then returns nil.
  if (IsWaiting()) Resume(0);
}

void TWindowScript::RunText(TWindow* window, const TString& text) {
  PushWindow(window);
  DoLuaString(text, "running a window's script text");
  if (window && GetCurrentWindow() == window && windows_.size() > 1) windows_.pop_back();
}

bool TWindowScript::ExchangeLabelFlag(bool value) {
  bool old = labelFlag_;
  labelFlag_ = value;
  return old;
}

// --- Lookup ---

TWindow* TWindowScript::Find(const TString& name) const {
  TWindowManager* wm = Manager();
  TWindow* top = wm ? wm->GetTopModal() : nullptr;
  return top ? top->FindChild(name, -1) : nullptr;
}

// --- The natives ---

int TWindowScript::LuaPostCreate(lua_State* L) {
  TWindow* current = GetCurrentWindow();
  if (current && lua_istable(L, 1)) {
    TWindowStyle style(L, 1);
    current->PostInit(style);
  }
  return 0;
}

int TWindowScript::LuaGetLabel(lua_State* L) {
  TString name = ArgText(L, 1);
  TWindowManager* wm = Manager();
  if (!wm || !wm->GetTopModal()) {
    lua_pushstring(L, "");
    return 1;
  }
  TWindow* w = Find(name);
  if (!w) {
    PushLuaString(L, name + "_is_not_found");
  } else if (auto* text = dynamic_cast<TTextRole*>(w)) {
    PushLuaString(L, text->GetText());
  } else if (auto* button = dynamic_cast<TButtonRole*>(w)) {
    PushLuaString(L, button->GetLabel());
  } else {
    PushLuaString(L, name + "_is_not_a_TText_window_or_TButton");
  }
  return 1;
}

int TWindowScript::LuaRegisterHotkey(lua_State* L) {
  TString key = ArgText(L, 1);
  TWindowManager* wm = Manager();
  auto* modal = wm ? WindowCast<TModalWindow>(wm->GetTopModal()) : nullptr;
  if (modal && !key.IsEmpty()) modal->RegisterHotKey(key, ArgText(L, 2));
  return 0;
}

int TWindowScript::LuaSetLabel(lua_State* L) {
  TWindow* w = Find(ArgText(L, 1));
  TString text = ArgText(L, 2);
  if (auto* t = dynamic_cast<TTextRole*>(w)) t->SetText(text);
  else if (auto* b = dynamic_cast<TButtonRole*>(w)) b->SetLabel(text);
  return 0;
}

int TWindowScript::LuaTagHotKey(lua_State* L) {
  TString label = ArgText(L, 1);
  TString key = ArgText(L, 2);
  if (key.IsEmpty()) {
    PushLuaString(L, label);
    return 1;
  }
  char c = static_cast<char>(std::tolower(static_cast<unsigned char>(key[key.Length() - 1])));
  for (int i = 0; i < label.Length(); ++i) {
    if (std::tolower(static_cast<unsigned char>(label[i])) == static_cast<unsigned char>(c)) {
      TString out = label.Substring(0, i) + "<u>" + label.Substring(i, 1) + "</u>" + label.Substring(i + 1);
      PushLuaString(L, out);
      return 1;
    }
  }
  PushLuaString(L, label);
  return 1;
}

int TWindowScript::LuaSetBitmap(lua_State* L) {
  TWindow* w = Find(ArgText(L, 1));
  if (auto* image = dynamic_cast<TImageRole*>(w)) {
    double scale = lua_isnumber(L, 3) ? lua_tonumber(L, 3) : 1.0;
    image->SetImage(ArgText(L, 2), ClampScale(scale, w->GetName()));
  }
  return 0;
}

int TWindowScript::LuaSetPosition(lua_State* L) {
  TWindow* w = Find(ArgText(L, 1));
  if (!w) return 0;
  int x = ClampPlacement(LuaToInt(L, 2)), y = ClampPlacement(LuaToInt(L, 3));
  int width = ClampPlacement(w->GetWidth()), height = ClampPlacement(w->GetHeight());
  TWindow* parent = w->GetParent();
  ResolvePlacement(x, width, parent != nullptr, parent ? ClampPlacement(parent->GetWidth()) : 0, false, false, false);
  ResolvePlacement(y, height, parent != nullptr, parent ? ClampPlacement(parent->GetHeight()) : 0, false, false, false);
  w->MoveTo(ClampPlacement(x), ClampPlacement(y));
  return 0;
}

int TWindowScript::LuaSetCommand(lua_State* L) {
  TWindow* w = Find(ArgText(L, 1));
  auto* button = dynamic_cast<TButtonRole*>(w);
  if (button && lua_isfunction(L, 2)) button->SetAction(new TLuaFunction(L, 2));
  return 0;
}

int TWindowScript::LuaStripKeyFromLabel(lua_State* L) {
  TString label = ArgText(L, 1);
  int at = label.FindChar('&');
  if (at < 0) {
    PushLuaString(L, label);
    lua_pushstring(L, "");
    return 2;
  }
  PushLuaString(L, label.Substring(0, at) + label.Substring(at + 1));
  unsigned char next = static_cast<unsigned char>(label[at + 1]);
  if (next != 0 && next < 0x80) {
    TString key = "@";
    key += static_cast<char>(next);
    PushLuaString(L, key);
  } else {
    lua_pushstring(L, "");
  }
  return 2;
}

int TWindowScript::LuaSetWindowName(lua_State* L) {
  if (TWindow* w = GetCurrentWindow()) w->SetName(ArgText(L, 1));
  return 0;
}

int TWindowScript::LuaFillRect(lua_State* L) {
  // Straight through the renderer: outside a frame the fill goes into the
  // display's back buffer at once.
  TWindowManager* wm = Manager();
  if (!wm) return 0;
  lua_pushvalue(L, 1);
  TRect r = LuaPopRect(L);
  if (TWindow* root = wm->GetRootWindow()) r = r.Intersect(root->GetScreenRect());
  float c[4] = {1, 1, 1, 1};
  if (lua_istable(L, 2)) {
    for (int i = 0; i < 4; ++i) {
      lua_rawgeti(L, 2, i + 1);
      if (lua_isnumber(L, -1)) c[i] = static_cast<float>(lua_tonumber(L, -1));
      lua_pop(L, 1);
    }
  }
  if (!r.IsEmpty()) wm->GetEnvironment()->FillRect(r, TFloatColor(c[0], c[1], c[2], c[3]));
  return 0;
}

int TWindowScript::LuaGetTimer(lua_State* L) {
  TWindowManager* wm = Manager();
  lua_pushnumber(L, wm ? wm->GetEnvironment()->GetTime() : GetPlatformTime());
  return 1;
}

int TWindowScript::LuaGetConfig(lua_State* L) {
  PushLuaString(L, GetSettingString(ArgText(L, 1)));
  return 1;
}

int TWindowScript::LuaIsEnabled(lua_State* L) {
  lua_pushboolean(L, GetSettingBool(ArgText(L, 1)));
  return 1;
}

int TWindowScript::LuaDoSelectLayer(lua_State* L) {
  if (auto* layered = WindowCast<TLayeredWindow>(GetCurrentWindow())) layered->SelectLayer(LuaToInt(L, 1));
  return 0;
}

// Walking up: the window of that name under the top modal window, then under
// its parent, and so on; one entry per level where one was found.
static std::vector<TWindow*> FindWalkingUp(const TString& name) {
  std::vector<TWindow*> found;
  TWindowManager* wm = GetWindowManager();
  for (TWindow* level = wm ? wm->GetTopModal() : nullptr; level; level = level->GetParent()) {
    if (TWindow* w = level->FindChild(name, -1)) found.push_back(w);
  }
  return found;
}

int TWindowScript::LuaEnableWindow(lua_State* L) {
  std::vector<TWindow*> found = FindWalkingUp(ArgText(L, 1));
  bool show = lua_toboolean(L, 2) != 0;
  if (!found.empty()) {
    TWindow* w = found.front();
    uint32_t flags = w->GetFlags();
    w->SetStateFlags(show ? (flags | kWindowVisible) : (flags & ~kWindowVisible));
    if (!show && dynamic_cast<TButtonRole*>(w)) w->OnMouseLeave();
    Manager()->Invalidate();
  }
  lua_pushboolean(L, !found.empty());
  return 1;
}

int TWindowScript::LuaGetButtonToggleState(lua_State* L) {
  for (TWindow* w : FindWalkingUp(ArgText(L, 1))) {
    if (auto* b = dynamic_cast<TButtonRole*>(w)) {
      lua_pushboolean(L, b->GetToggleState());
      return 1;
    }
  }
  lua_pushboolean(L, 0);
  return 1;
}

int TWindowScript::LuaSetButtonToggleState(lua_State* L) {
  bool on = lua_toboolean(L, 2) != 0;
  for (TWindow* w : FindWalkingUp(ArgText(L, 1))) {
    if (auto* b = dynamic_cast<TButtonRole*>(w)) b->SetToggleState(on);
  }
  return 0;
}

int TWindowScript::LuaPopWindow(lua_State* L) {
  PopWindow();
  return 0;
}

int TWindowScript::LuaRealSetFocus(lua_State* L) {
  TWindowManager* wm = Manager();
  if (!wm) return 0;
  TWindow* current = GetCurrentWindow();
  wm->SetFocus(current ? current->FindChild(ArgText(L, 1), -1) : nullptr);
  return 0;
}

int TWindowScript::LuaStringToClipboard(lua_State* L) {
  if (TWindowManager* wm = Manager()) wm->GetEnvironment()->SetClipboardText(ArgText(L, 1));
  return 0;
}

int TWindowScript::LuaUpdateWindow(lua_State* L) {
  if (TWindowManager* wm = Manager()) wm->Invalidate();
  return 0;
}

int TWindowScript::LuaPushModal(lua_State* L) {
  TWindowManager* wm = Manager();
  if (!wm || !wm->GetTopModal()) {
    lua_pushstring(L, "");
    return 1;
  }
  auto* modal = new TModalWindow();
  modal->SetName(ArgText(L, 1));
  if (!wm->PushModal(modal)) {
    delete modal;
    return luaL_error(L, "PushModal: windows nest at most %d deep", kMaxWindowDepth);
  }
  PushLuaString(L, modal->FormatIdHex());
  return 1;
}

int TWindowScript::LuaClearModalChildren(lua_State* L) {
  TWindowManager* wm = Manager();
  auto* modal = wm ? WindowCast<TModalWindow>(wm->GetTopModal()) : nullptr;
  if (!modal) return 0;
  modal->ClearTasks();
  modal->DeleteChildren();
  modal->SetSize(0, 0);
  modal->MoveTo(0, 0);
  SetModalWindow(modal);
  return 0;
}

int TWindowScript::LuaGetWindowDepth(lua_State* L) {
  TWindowManager* wm = Manager();
  int depth = 0;
  for (TWindow* w = wm ? wm->GetTopModal() : nullptr; w; w = w->GetParent()) ++depth;
  lua_pushnumber(L, depth);
  return 1;
}

int TWindowScript::LuaDoPopModal(lua_State* L) {
  if (TWindowManager* wm = Manager()) wm->PopModalUntil(ArgText(L, 1));
  return 0;
}

int TWindowScript::LuaHandleGetMessage(lua_State* L) {
  int timeout = lua_isnumber(L, 1) ? std::max(0, LuaToInt(L, 1)) : -1;
  lua_getfield(L, LUA_GLOBALSINDEX, "gYieldResult");
  return Wait(L, 1, timeout);
}

int TWindowScript::LuaGenericCreate(lua_State* L) {
  if (!lua_istable(L, 1) || windows_.empty()) {
    lua_pushboolean(L, 0);
    return 1;
  }
  TWindow* parent = GetCurrentWindow();
  if (parent->GetDepth() >= kMaxWindowDepth)
    return luaL_error(L, "GenericCreate: windows nest at most %d deep", kMaxWindowDepth);
  TWindowStyle style(L, 1);
  lua_pushboolean(L, GenericCreate(style));
  return 1;
}

int TWindowScript::LuaCreateNamedMessage(lua_State* L) {
  double type = lua_tonumber(L, 1);
  uint32_t t = (type >= 0 && type <= 4294967295.0) ? static_cast<uint32_t>(type) : 0;
  PushMessage(L, new TMessage(t, ArgText(L, 2), nullptr));
  return 1;
}

int TWindowScript::LuaCreateCloseMessage(lua_State* L) {
  TWindow* current = GetCurrentWindow();
  PushMessage(L, new TMessage(kCloseWindow, current ? current->FormatIdHex() : TString(), nullptr));
  return 1;
}

// Posts the Lua message at index 1 as a wrapper (addressed to the top modal
// window's parent when asked); anything but a message is refused.
static int PostLuaMessage(lua_State* L, const char* what, bool toParent) {
  TWindowManager* wm = GetWindowManager();
  if (!ToMessage(L, 1)) {
    TraceOut("%s: the argument is not a message (%s)", what, LuaWhere(L, 1).c_str());
    return 0;
  }
  if (!wm) return 0;
  auto* wrapper = new TLuaMessageWrapper(L, 1);
  if (toParent) {
    TWindow* top = wm->GetTopModal();
    wrapper->target = top ? top->GetParent() : nullptr;
  }
  wm->PostMessage(wrapper);
  return 0;
}

int TWindowScript::LuaPostMessage(lua_State* L) { return PostLuaMessage(L, "PostMessage", false); }

int TWindowScript::LuaPostMessageToParent(lua_State* L) { return PostLuaMessage(L, "PostMessageToParent", true); }

int TWindowScript::LuaGetString(lua_State* L) {
  TString id = ArgText(L, 1);
  if (id.StartsWith("#")) {
    PushLuaString(L, id.Substring(1));
    return 1;
  }
  TString args[5];
  for (int i = 0; i < 5; ++i) args[i] = ArgText(L, i + 2);
  TWindowManager* wm = Manager();
  PushLuaString(L, wm ? wm->GetEnvironment()->GetString(id, args, 5) : id);
  return 1;
}

int TWindowScript::LuaStartMovie(lua_State* L) {
  // A movie already running is closed first.
  if (movie_) movie_->Close();
  movie_.reset();
  TMovieHost* host = movieFactory_ ? movieFactory_(ArgText(L, 1)) : nullptr;
  if (host && host->Start(0, lua_toboolean(L, 2) != 0, lua_toboolean(L, 3) != 0)) {
    movie_.reset(host);
    lua_pushboolean(L, 1);
    return 1;
  }
  delete host;
  lua_pushboolean(L, 0);
  return 1;
}

int TWindowScript::LuaIsMoviePlaying(lua_State* L) {
  lua_pushboolean(L, movie_ && movie_->IsPlaying());
  return 1;
}

int TWindowScript::LuaStopMovie(lua_State* L) {
  if (movie_) movie_->Close();
  movie_.reset();
  return 0;
}

int TWindowScript::LuaImageLoaded(lua_State* L) {
  auto* image = dynamic_cast<TImageRole*>(Find(ArgText(L, 1)));
  lua_pushboolean(L, image && image->HasImage());
  return 1;
}

int TWindowScript::LuaDestroyWindow(lua_State* L) {
  TWindowManager* wm = Manager();
  TWindow* current = GetCurrentWindow();
  TString name = ArgText(L, 1);
  TWindow* w = current ? current->FindChild(name, -1) : nullptr;
  if (!w || !wm) return 0;
  // The current window, the windows being built and the modal stack stay.
  bool busy = std::find(windows_.begin(), windows_.end(), w) != windows_.end() || w->IsModal();
  for (TWindow* m : wm->GetModalStack()) busy = busy || w->IsAncestorOf(m);
  if (busy) {
    TraceOut("DestroyWindow: '%s' is in use and stays", name.c_str());
    return 0;
  }
  if (w->GetParent()) w->GetParent()->RemoveChild(w);
  wm->QueueDelete(w);
  return 0;
}

int TWindowScript::LuaDoFitToChildren(lua_State* L) {
  if (TWindow* w = GetCurrentWindow()) w->FitToChildren();
  return 0;
}

// "SetScreenClear"(mode [, colour]): when the root screen clears the display:
// "always" (every frame), "top" (only while it is the top modal window, the
// default) or "never"; the colour is a table of four numbers (r, g, b, a).
int TWindowScript::LuaSetScreenClear(lua_State* L) {
  TWindowManager* wm = Manager();
  auto* screen = wm ? WindowCast<TScreen>(wm->GetRootWindow()) : nullptr;
  if (!screen) return 0;
  TString mode = ArgText(L, 1);
  if (mode == "always" || mode == "top" || mode == "never") {
    screen->alwaysClear = mode == "always";
    screen->noClear = mode == "never";
  } else {
    TraceOut("SetScreenClear: unknown mode '%s' (always, top or never)", mode.c_str());
  }
  if (lua_istable(L, 2)) {
    float c[4] = {screen->clearColor.r, screen->clearColor.g, screen->clearColor.b, screen->clearColor.a};
    for (int i = 0; i < 4; ++i) {
      lua_rawgeti(L, 2, i + 1);
      double v = lua_isnumber(L, -1) ? lua_tonumber(L, -1) : c[i];
      if (std::isfinite(v)) c[i] = static_cast<float>(std::clamp(v, 0.0, 1.0));
      lua_pop(L, 1);
    }
    screen->clearColor = TFloatColor(c[0], c[1], c[2], c[3]);
  }
  wm->Invalidate();
  return 0;
}
