// The Lua window API driven by real scripts and real platform events:
// dialogs, keys, hit testing, deferred deletion, messages and the library.
#include <gtest/gtest.h>

#include "platform/gamestate.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "ui/luamessage.h"
#include "uitest.h"

using namespace uitest;

namespace {

class ScriptTest : public ::testing::Test, public TLuaFixture {};

const char kDialog[] = R"(
SetWindowName("t_dialog")
Window{ name = "panel", x = kCenter, y = kCenter, w = 400, h = 300,
  Text{ name = "prompt", x = 10, y = 10, w = 200, h = 20, label = "Your name:" },
  TextEdit{ name = "player", x = 10, y = 40, w = 200, h = 30 },
  Button{ name = "ok", x = 10, y = 200, w = 80, h = 30, default = true, close = true,
          command = function() gPlayerName = GetLabel("player") end },
  Button{ name = "cancel", x = 200, y = 200, w = 80, h = 30, cancel = true, close = true },
}()
SetFocus("player")
)";

TEST_F(ScriptTest, DoModalReturnsTheNameOfTheButtonThatClosedIt) {
  Script("scripts/t_dialog.lua", kDialog);
  long baseline = TWindow::LiveCount();
  Lua("r = DoModal('scripts/t_dialog.lua'); depth = GetWindowDepth()");
  ASSERT_EQ("2", std::to_string(wm->GetModalStack().size()));
  TWindow* panel = wm->GetTopModal()->FindChild("panel");
  ASSERT_NE(nullptr, panel);
  EXPECT_EQ(TRect(312, 234, 712, 534), panel->GetRect());
  EXPECT_EQ("player", wm->GetFocus()->GetName().str());
  Type("Bob");
  Click(312 + 20, 234 + 210);  // "ok"
  Send(kEventMouseMove, 0, 0);
  EXPECT_EQ("ok", Global("r"));
  EXPECT_EQ("Bob", Global("gPlayerName"));
  EXPECT_EQ("nil", Global("gReturnValue"));
  EXPECT_EQ("1", Global("depth"));
  EXPECT_EQ(baseline, TWindow::LiveCount());
  EXPECT_EQ(0u, script->GetThreadCount());
}

TEST_F(ScriptTest, EnterAndEscapeCloseThroughTheDefaultAndCancelButtons) {
  Script("scripts/t_dialog.lua", kDialog);
  Lua("r = DoModal('scripts/t_dialog.lua')");
  Type("Al");
  Char(27);
  Send(kEventMouseMove, 0, 0);
  EXPECT_EQ("cancel", Global("r"));
  Lua("r = DoModal('scripts/t_dialog.lua')");
  Char(13);
  Send(kEventMouseMove, 0, 0);
  EXPECT_EQ("ok", Global("r"));
}

TEST_F(ScriptTest, HotKeysFireOnlyWhenTheFocusDoesNotTakeTheKey) {
  Script("scripts/t_dialog.lua", std::string(kDialog) + "RegisterHotkey('@C', 'cancel')\n");
  Lua("r = DoModal('scripts/t_dialog.lua')");
  Key('C');
  Send(kEventMouseMove, 0, 0);
  EXPECT_EQ("nil", Global("r"));
  // The hot key presses its button even while the button is hidden.
  Lua("RealSetFocus('nobody'); EnableWindow('cancel', false)");
  EXPECT_EQ(nullptr, wm->GetFocus());
  Key('C');
  Send(kEventMouseMove, 0, 0);
  EXPECT_EQ("cancel", Global("r"));
}

TEST_F(ScriptTest, LaterSiblingsAreInFrontAndHiddenOnesLetClicksThrough) {
  Script("scripts/t_hit.lua", R"(
Bitmap{ name = "back", x = 100, y = 100, w = 200, h = 200, image = "bg" }()
Button{ name = "b", x = 100, y = 100, w = 100, h = 100, command = function() pressed = "b" end }()
)");
  Lua("PushModal('hit'); ReadFile('scripts/t_hit.lua'); m = WaitForMessage(); t1, n1 = m.type, m.name; "
      "m = WaitForMessage(); t2, n2 = m.type, m.name");
  TWindow* top = wm->GetTopModal();
  EXPECT_EQ("b", top->HitTest(TPoint(150, 150))->GetName().str());
  EXPECT_EQ("back", top->HitTest(TPoint(250, 150))->GetName().str());
  Click(150, 150);
  EXPECT_EQ("b", Global("pressed"));
  EXPECT_EQ("8", Global("t1"));
  EXPECT_EQ("LuaAction:b", Global("n1"));
  Lua("SetButtonToggleState('b', true); toggled = GetButtonToggleState('b'); EnableWindow('b', false)");
  EXPECT_EQ("true", Global("toggled"));
  Lua("m = WaitForMessage(); t3, n3 = m.type, m.name");
  Click(150, 150);  // the image declines the click: the release reaches the script
  EXPECT_EQ("4", Global("t3"));
  EXPECT_EQ("mouse:up", Global("n3"));
}

TEST_F(ScriptTest, DestroyWindowFromACommandTakesEffectAtTheNextEvent) {
  Script("scripts/t_destroy.lua", R"(
Button{ name = "x", x = 0, y = 0, w = 50, h = 50,
        command = function() DestroyWindow("x"); alive = GetLabel("x"); PostMessage(CreateNamedMessage(7, "late")) end }()
)");
  Lua("PushModal('d'); ReadFile('scripts/t_destroy.lua'); "
      "while true do local m = WaitForMessage(); if m.type == 7 then late = m.name break end end");
  long live = TWindow::LiveCount();
  Click(10, 10);
  EXPECT_EQ("x_is_not_found", Global("alive"));  // detached at once, deleted later
  EXPECT_EQ("late", Global("late"));
  EXPECT_EQ(live, TWindow::LiveCount());
  Send(kEventMouseMove, 300, 300);
  EXPECT_EQ(live - 1, TWindow::LiveCount());
  EXPECT_EQ(nullptr, wm->GetTopModal()->FindChild("x"));
}

TEST_F(ScriptTest, DestroyWindowRefusesTheWindowsInUse) {
  TLogCapture log;
  Lua("PushModal('d'); SetWindowName('d'); DestroyWindow('d')");
  EXPECT_TRUE(log.Contains("DestroyWindow: 'd' is in use and stays"));
  Send(kEventMouseMove, 0, 0);
  EXPECT_EQ("d", wm->GetTopModal()->GetName().str());
}

TEST_F(ScriptTest, NativeHelpers) {
  Lua("a, b = StripKeyFromLabel('&Options'); c, d = StripKeyFromLabel('Save'); e = TagHotKey('Options', '@O'); "
      "f = TagHotKey('Save', ''); g = _GetString('#x'); h = GetString('greet', 'Bob')");
  EXPECT_EQ("Options", Global("a"));
  EXPECT_EQ("@O", Global("b"));
  EXPECT_EQ("Save", Global("c"));
  EXPECT_EQ("", Global("d"));
  EXPECT_EQ("<u>O</u>ptions", Global("e"));
  EXPECT_EQ("Save", Global("f"));
  EXPECT_EQ("x", Global("g"));
  EXPECT_EQ("greet", Global("h"));
  // The library's SetState reaches the game-state reporting.
  Lua("SetState('level', 3)");
  EXPECT_EQ("3", TGameState::GetInstance()->GetState("level").str());
  // An unknown type creates nothing and leaves the window stack alone.
  Lua("PushModal('m'); Widget = nil; ok = GenericCreate({ typename = 'Nope' }); Window{ name = 'w' }()");
  EXPECT_EQ("false", Global("ok"));
  EXPECT_EQ(1u, script->GetWindowStack().size());
  EXPECT_NE(nullptr, wm->GetTopModal()->FindChild("w"));
  EXPECT_EQ(wm->GetTopModal(), script->GetCurrentWindow());
}

TEST_F(ScriptTest, HandleGetMessageTimesOutOnlyOnTicks) {
  Lua("m = 'waiting'; m = HandleGetMessage(50); done = true");
  EXPECT_EQ("waiting", Global("m"));
  time.Advance(100);
  EXPECT_EQ("nil", Global("done"));  // no tick, no resume
  time.Advance(1000);
  Idle(0);
  EXPECT_EQ("true", Global("done"));
  EXPECT_EQ("nil", Global("m"));
}

TEST_F(ScriptTest, ACloseRequestWakesTheWaiterWithNil) {
  Lua("m = 'waiting'; m = WaitForMessage(); woke = true");
  Send(kEventClose);
  EXPECT_EQ("true", Global("woke"));
  EXPECT_EQ("nil", Global("m"));
  Send(kEventClose);  // nothing waits: nothing to resume, nothing breaks
}

// --- Messages ---

TEST_F(ScriptTest, MessageUserdataReadsTypeAndNameAndIsCollected) {
  long before = TMessage::LiveCount();
  Lua("m = CreateNamedMessage(3, 'ok'); t, n, o = m.type, m.name, m.other");
  EXPECT_EQ("3", Global("t"));
  EXPECT_EQ("ok", Global("n"));
  EXPECT_EQ("nil", Global("o"));
  EXPECT_EQ(before + 1, TMessage::LiveCount());
  Lua("m = nil; collectgarbage('collect')");
  EXPECT_EQ(before, TMessage::LiveCount());
  // Only message userdata are messages.
  TLogCapture log;
  lua_State* L = script->GetState();
  lua_pushuserpointer(L, nullptr);  // a userdata of the message's size, without the metatable
  lua_setglobal(L, "plain");
  lua_pushuserpointer(L, nullptr);
  luaL_newmetatable(L, "otherKind");
  lua_setmetatable(L, -2);
  lua_setglobal(L, "other");
  Lua("PostMessage(nil); PostMessage(plain); PostMessage(other); PostMessage({})");
  EXPECT_EQ(4u, log.Count("PostMessage: the argument is not a message"));
  EXPECT_EQ(0u, wm->GetPostedCount());
  EXPECT_EQ(before, TMessage::LiveCount());
}

TEST_F(ScriptTest, PostedLuaMessagesReachWindowsAndListenersAndNothingLeaks) {
  struct TListener : TMessageListener {
    bool OnMessage(TMessage* m) override {
      inner = m;
      return false;
    }
    TMessage* inner = nullptr;
  } listener;
  long before = TMessage::LiveCount();
  TModalWindow* d = PushDialog("d");
  TProbe* focus = Add(d, "focus", 0, 0, 1, 1);
  wm->SetFocus(focus);
  focus->takeMessages = true;
  wm->AddListener(&listener);
  Lua("m = CreateNamedMessage(1001, 'hello'); PostMessage(m)");
  lua_State* L = script->GetState();
  lua_getglobal(L, "m");
  TMessage* luaSide = ToMessage(L, -1);
  lua_pop(L, 1);
  wm->DeliverPostedMessages();
  wm->RemoveListener(&listener);
  EXPECT_EQ(luaSide, listener.inner);
  EXPECT_EQ((Strings{"msg 1001 hello"}), focus->events);
  Lua("m = nil; collectgarbage('collect')");
  EXPECT_EQ(before, TMessage::LiveCount());
}

TEST_F(ScriptTest, QueueToScriptQueuesRunsOrResumes) {
  long before = TMessage::LiveCount();
  // Running: queued in gMessageQueue and gCommandQueue, taken.
  script->GetBindings().Bind("QueueNow", +[](lua_State* L) -> int {
    TLuaFunction fn(L, 1);
    lua_pushboolean(L, TLuaMessageWrapper::QueueToScript(new TMessage(kGeneric, "now"), &fn));
    return 1;
  });
  Lua("taken = QueueNow(function() ran = 'queued' end); q = gMessageQueue[1].name; c = #gCommandQueue");
  EXPECT_EQ("true", Global("taken"));
  EXPECT_EQ("now", Global("q"));
  EXPECT_EQ("1", Global("c"));
  Lua("gMessageQueue = {}; gCommandQueue = {}");
  // Suspended but not waiting: the command runs, the message is not taken.
  Lua("Yield(); yielded = true");
  lua_State* L = script->GetState();
  luaL_dostring(L, "return function() ran = 'at once' end");
  TLuaFunction command(L, -1);
  lua_pop(L, 1);
  auto* m = new TMessage(kGeneric, "busy");
  EXPECT_FALSE(TLuaMessageWrapper::QueueToScript(m, &command));
  delete m;
  EXPECT_EQ("at once", Global("ran"));
  Idle(0);
  EXPECT_EQ("true", Global("yielded"));
  // Waiting: resumed with the message and the command.
  Lua("msg, cmd = HandleGetMessage(); got = msg.name; cmd()");
  EXPECT_TRUE(TLuaMessageWrapper::QueueToScript(new TMessage(kGeneric, "wake"), &command));
  EXPECT_EQ("wake", Global("got"));
  Lua("msg, cmd = nil, nil; collectgarbage('collect')");
  EXPECT_EQ(before, TMessage::LiveCount());
}

// --- The library ---

TEST_F(ScriptTest, WaitForMessageTakesQueuedMessagesNewestFirst) {
  Lua("table.insert(gMessageQueue, CreateNamedMessage(0, 'old')); "
      "table.insert(gMessageQueue, CreateNamedMessage(0, 'new')); "
      "a = WaitForMessage().name; s = WaitForMessage(nil, true).name; b = WaitForMessage().name");
  EXPECT_EQ("new", Global("a"));
  EXPECT_EQ("nil", Global("s"));
  TModalWindow* d = PushDialog("d");
  wm->SetFocus(d);
  wm->PostMessage(new TMessage(kGeneric, "posted"));
  wm->DeliverPostedMessages();
  EXPECT_EQ("posted", Global("s"));
  EXPECT_EQ("old", Global("b"));
}

TEST_F(ScriptTest, NestedDialogsAndClosedWindowsRecord) {
  Script("scripts/a.lua", R"(
Button{ name = "openb", x = 0, y = 0, w = 50, h = 50, command = function() rb = DoModal("scripts/b.lua") end }()
)");
  Script("scripts/b.lua", R"(
Button{ name = "closea", x = 100, y = 0, w = 50, h = 50,
        command = function() PostMessage(CreateNamedMessage(kModalClosed, idA)) end }()
Button{ name = "closeb", x = 200, y = 0, w = 50, h = 50, close = true }()
)");
  Lua("idA = '?'; ra = DoModal('scripts/a.lua'); doneA = true");
  Lua("idA = nil");
  lua_State* L = script->GetState();
  PushLuaString(L, wm->GetTopModal()->FormatIdHex());
  lua_setglobal(L, "idA");
  Click(10, 10);  // A's command opens B
  EXPECT_EQ(3u, wm->GetModalStack().size());
  Click(110, 10);  // B says A closed: remembered
  EXPECT_EQ("nil", Global("doneA"));
  Click(210, 10);  // B closes ...
  Send(kEventMouseMove, 0, 0);
  EXPECT_EQ("closeb", Global("rb"));
  EXPECT_EQ("true", Global("doneA"));  // ... and A's wait ends at once
  EXPECT_EQ("nil", Global("ra"));
}

TEST_F(ScriptTest, PauseEndsByTimeOrByAnyKey) {
  PushDialog("d");
  Lua("Pause(100); paused = GetTimer()");
  uint32_t start = GetPlatformTime();
  Idle(60);
  EXPECT_EQ("nil", Global("paused"));
  Idle(60);
  EXPECT_EQ(std::to_string(start + 120), Global("paused"));
  Lua("Pause(10000, true); early = true; q = WaitForMessage().name");
  wm->PostMessage(new TMessage(kGeneric, "other"));
  wm->DeliverPostedMessages();
  EXPECT_EQ("nil", Global("early"));
  Click(500, 500);
  EXPECT_EQ("true", Global("early"));
  EXPECT_EQ("other", Global("q"));
}

TEST_F(ScriptTest, LibraryHelpers) {
  Lua("gDialogWidth = 400; t = DistributeX(3); d1, d2, d3 = t[1], t[2], t[3]; "
      "c = Color(255, 0, 0); r, g, b, a = c[1], c[2], c[3], c[4]");
  EXPECT_EQ(100, Number("d1"));
  EXPECT_EQ(200, Number("d2"));
  EXPECT_EQ(300, Number("d3"));
  EXPECT_EQ(1, Number("r"));
  EXPECT_EQ(0, Number("g"));
  EXPECT_EQ(1, Number("a"));
  Script("scripts/c.lua", "Button{ name = 'x', x = 0, y = 0, w = 10, h = 10, command = function() CloseWindow(42) end }()");
  Lua("v = DoModal('scripts/c.lua')");
  Click(5, 5);
  Send(kEventMouseMove, 100, 100);
  EXPECT_EQ(42, Number("v"));
}

TEST_F(ScriptTest, AMissingDialogFileLeavesNoModalWindowBehind) {
  TLogCapture log;
  Lua("v = DoModal('scripts/none.lua'); after = true");
  Send(kEventMouseMove, 0, 0);
  EXPECT_EQ("true", Global("after"));
  EXPECT_EQ(1u, wm->GetModalStack().size());
}

TEST_F(ScriptTest, StyleScopesEndWithTheirTableAndLookupsAgree) {
  Lua(R"(
base = { font = "big", sound = "click" }
gCurrentDefaultStyle = base
PushModal("s")
Window{ name = "outer",
  AppendStyle({ font = "small" }),
  Window{ name = "inner" },
}()
after = gCurrentDefaultStyle == base
tagFont = GetTag({}, "font")
AppendStyle({ colour = "red" })()
tagSound = GetTag({}, "sound")
)");
  EXPECT_EQ("true", Global("after"));
  EXPECT_EQ("big", Global("tagFont"));
  EXPECT_EQ("click", Global("tagSound"));
  lua_State* L = script->GetState();
  lua_newtable(L);
  TWindowStyle style(L, -1);
  EXPECT_EQ("click", style.GetString("sound", "").str());
  EXPECT_EQ("red", style.GetString("colour", "").str());
  lua_pop(L, 1);
}

// --- Styles ---

TEST_F(ScriptTest, StyleLookupFollowsTheDefaultStyleChainOnly) {
  lua_State* L = script->GetState();
  ASSERT_EQ(0, luaL_dostring(L, R"(
grand = { deep = 7, flag = true, box = { 1, 2, 3, 4 } }
gCurrentDefaultStyle = { parent = { parent = grand } }
own = { parent = { ownParentKey = 1 }, name = "n" }
title = "from a global"
)"));
  int top = lua_gettop(L);
  lua_getglobal(L, "own");
  TWindowStyle style(L, -1);
  EXPECT_EQ(7, style.GetNumber("deep", 0));
  EXPECT_TRUE(style.GetBool("flag", false));
  EXPECT_EQ(3.0f, style.GetRect("box", {0, 0, 0, 0})[2]);
  EXPECT_EQ(-1, style.GetNumber("ownParentKey", -1));
  std::unique_ptr<TLuaTable> box(style.GetTable("box"));
  ASSERT_TRUE(box);
  EXPECT_EQ(4, box->GetNumber(4));
  EXPECT_EQ(nullptr, style.GetFunction("box"));
  EXPECT_EQ(top + 1, lua_gettop(L));
  lua_pop(L, 1);
  luaL_dostring(L, "gCurrentDefaultStyle = nil");
  lua_getglobal(L, "own");
  TWindowStyle bare(L, -1);
  EXPECT_EQ(5, bare.GetNumber("deep", 5));
  lua_pop(L, 1);
  lua_pushnumber(L, 3);
  TWindowStyle notTable(L, -1);
  EXPECT_EQ("from a global", notTable.GetString("title", "").str());
  lua_pop(L, 1);
  EXPECT_EQ(top, lua_gettop(L));
}

TEST_F(ScriptTest, StylesHonourMetatablesAndOnesThatRaiseCannotEndTheProcess) {
  // Tables are read as Lua reads them ("__index" counts), on the window's
  // table and along the default style's chain. Lookups made from native code
  // run outside any protected call of the script, where a Lua error would end
  // the process: each read is protected.
  lua_State* L = script->GetState();
  ASSERT_EQ(0, luaL_dostring(L, "shared = { size = 21 }\n"
                                "chained = setmetatable({}, { __index = function(t, k)\n"
                                "  if k == 'colour' then return 'teal' end error('boom') end })\n"
                                "gCurrentDefaultStyle = { parent = chained }\n"
                                "inherits = setmetatable({ name = 'i' }, { __index = shared })\n"
                                "setmetatable(_G, { __index = function(t, k) error('no global ' .. k) end })"));
  lua_getglobal(L, "inherits");
  TWindowStyle style(L, -1);
  EXPECT_EQ(21, style.GetNumber("size", 0));
  EXPECT_EQ("teal", style.GetString("colour", "").str());
  TLogCapture log;
  EXPECT_EQ(4, style.GetNumber("missing", 4));
  EXPECT_TRUE(log.Contains("TWindowStyle: reading 'missing' failed"));
  lua_pop(L, 1);
  TWindow* dummy = wm->GetTopModal();
  wm->PostMessage(new TMessage(kGeneric, "ping", dummy));
  Send(kEventTick, 0, 0);
  ASSERT_EQ(0, luaL_dostring(L, "setmetatable(_G, nil)"));
}

TEST_F(ScriptTest, ACyclicStyleChainIsRefused) {
  lua_State* L = script->GetState();
  ASSERT_EQ(0, luaL_dostring(L, "a = {}; b = { parent = a }; a.parent = b; gCurrentDefaultStyle = a"));
  lua_newtable(L);
  TWindowStyle style(L, -1);
  TLogCapture log;
  EXPECT_EQ(9, style.GetNumber("missing", 9));
  EXPECT_TRUE(log.Contains("cyclic"));
  lua_pop(L, 1);
  Lua("s = {}; SetDefaultStyle(s); AppendStyle(s)(); selfParent = s.parent == s; t = GetTag({}, 'nothing')");
  EXPECT_EQ("false", Global("selfParent"));
  EXPECT_EQ("nil", Global("t"));
}

}  // namespace

namespace {

TEST_F(ScriptTest, DoModalFromNativeCodeReturnsSoTheNextTextRuns) {
  Script("scripts/c.lua", "Button{ name = 'x', x = 0, y = 0, w = 10, h = 10, close = true }()");
  wm->RunScriptText(screen, "first = DoModal('scripts/c.lua')");
  wm->RunScriptText(screen, "second = DoModal('scripts/c.lua')");
  EXPECT_EQ(3u, wm->GetModalStack().size());
  Click(5, 5);  // the newest dialog closes first
  Send(kEventMouseMove, 100, 100);
  EXPECT_EQ("x", Global("second"));
  EXPECT_EQ("nil", Global("first"));
  Click(5, 5);
  Send(kEventMouseMove, 100, 100);
  EXPECT_EQ("x", Global("first"));
  EXPECT_EQ(1u, wm->GetModalStack().size());
  EXPECT_EQ(0u, script->GetThreadCount());

  // A screen change: the older text's dialog closes while a newer text
  // waits (and gets the messages). Its wait ends all the same, and so does
  // a main window's; nothing stays suspended.
  Lua("while true do WaitForMessage() end");  // the program's own loop, always the oldest waiter
  for (int round = 0; round < 3; ++round) {
    wm->RunScriptText(screen, "old = DoModal('scripts/c.lua'); oldDone = true");
    wm->RunScriptText(screen, "DoMainWindow('scripts/c.lua'); mainDone = true");
    EXPECT_EQ(3u, script->GetThreadCount());
    wm->RunScriptText(screen, "PopModal('scripts/c.lua'); PopModal('scripts/c.lua'); newer = DoModal('scripts/c.lua')");
    Send(kEventMouseMove, 100, 100);  // the closed dialogs go, their closes are delivered
    Send(kEventMouseMove, 100, 100);
    EXPECT_EQ("true", Global("oldDone"));
    EXPECT_EQ("true", Global("mainDone"));
    EXPECT_EQ(2u, script->GetThreadCount());
    Click(5, 5);  // the newer one closes too
    Send(kEventMouseMove, 100, 100);
    EXPECT_EQ("x", Global("newer"));
    EXPECT_EQ(1u, script->GetThreadCount());
    EXPECT_EQ(1u, wm->GetModalStack().size());
    Lua("oldDone, mainDone, newer, noRecord = nil, nil, nil, next(gClosedWindows) == nil");
    EXPECT_EQ("true", Global("noRecord"));
  }
}

}  // namespace

namespace {

TEST_F(ScriptTest, TheManagersGlobalDiesWithTheManager) {
  delete wm;
  wm = new TWindowManager(&env);
  TLogCapture log;
  Lua("SetTopModalOnly(true)");
  EXPECT_TRUE(log.Contains("SetTopModalOnly"));
}

}  // namespace

namespace {

TEST_F(ScriptTest, MoviesCloseTheRunningOneAndFillsGoStraightToTheDisplay) {
  struct TFakeMovie : TMovieHost {
    explicit TFakeMovie(int* closed) : closed(closed) {}
    bool Start(int, bool, bool) override { return true; }
    bool IsPlaying() override { return true; }
    void Close() override { ++*closed; }
    int* closed;
  };
  int closed = 0;
  script->SetMovieHostFactory([&](const TString& file) -> TMovieHost* {
    return file == "none" ? nullptr : new TFakeMovie(&closed);
  });
  Lua("a = StartMovie('one'); b = StartMovie('two'); playing = IsMoviePlaying(); c = StartMovie('none')");
  EXPECT_EQ("true", Global("a"));
  EXPECT_EQ("true", Global("playing"));
  EXPECT_EQ("false", Global("c"));
  EXPECT_EQ(2, closed);
  // Outside a frame too, clipped to the root window.
  Lua("FillRect({0, 0, 10, 10}, {1, 0, 0, 1}) FillRect({1000, 700, 1100, 800}, {0, 1, 0, 1})");
  EXPECT_TRUE(std::find(env.log.begin(), env.log.end(), "fill 0,0,10x10") != env.log.end());
  EXPECT_TRUE(std::find(env.log.begin(), env.log.end(), "fill 1000,700,24x68") != env.log.end());
}

}  // namespace

namespace {

// A screen whose loop records the buttons pressed; "bad" fails in its command.
const char kLoop[] = R"(
PushModal('loop')
Button{ name = 'bad', x = 0, y = 0, w = 50, h = 50, command = function() error('broken command') end }()
Button{ name = 'good', x = 100, y = 0, w = 50, h = 50, command = function() goodRuns = (goodRuns or 0) + 1 end }()
Button{ name = 'ask', x = 200, y = 0, w = 50, h = 50, command = function() answer = DoModal('scripts/t_dialog.lua') end }()
seen = ''
while true do
  local m = WaitForMessage()
  if m and m.type == kButtonPress then seen = seen .. m.name .. ';' end
end
)";

TEST_F(ScriptTest, ACommandThatFailsIsLoggedAndTheScreensLoopGoesOn) {
  Script("scripts/t_dialog.lua", kDialog);
  TLogCapture log;
  Lua(kLoop);
  Click(10, 10);
  EXPECT_TRUE(log.Contains("broken command\n\twhen running a command"));
  Click(110, 10);
  EXPECT_EQ("1", Global("goodRuns"));
  EXPECT_EQ("bad;good;", Global("seen"));
  // A command that opens a dialog: the loop waits for it, then sees the press.
  // (The press of "ask" itself reaches the dialog, which waits for its close.)
  Click(210, 10);
  ASSERT_EQ(3u, wm->GetModalStack().size());
  Char(27);
  Send(kEventMouseMove, 0, 0);
  EXPECT_EQ("cancel", Global("answer"));
  Click(10, 10);
  Click(110, 10);
  EXPECT_EQ("bad;good;bad;good;", Global("seen"));
  EXPECT_EQ("2", Global("goodRuns"));
  EXPECT_EQ(1u, script->GetThreadCount());
}

TEST_F(ScriptTest, AWaitInACommandRunOutsideTheScreensCoroutineFailsInsteadOfSpinning) {
  // The screen is built without a waiting loop, so the command runs at once, on no coroutine.
  Lua("PushModal('nowait')"
      "Button{ name = 'b', x = 0, y = 0, w = 50, h = 50,"
      "        command = function() WaitForCloseMessage('x'); reached = true end }()");
  EXPECT_EQ(0u, script->GetThreadCount());
  TLogCapture log;
  Click(10, 10);
  EXPECT_EQ("nil", Global("reached"));
  EXPECT_TRUE(log.Contains("attempt to yield from outside a coroutine\n\twhen running a command"));
  EXPECT_TRUE(log.Contains("TScript::Wait: attempt to yield from outside a coroutine at [string \"gScreenInit\"]:"));
  EXPECT_TRUE(log.Contains("in function 'WaitForCloseMessage'"));
  Click(10, 10);  // again: the same error, the program goes on
  EXPECT_EQ(2u, log.Count("attempt to yield from outside a coroutine\n\twhen running a command"));
}

TEST_F(ScriptTest, WaitsInsidePcallFailWithTheYieldErrorInsteadOfSpinning) {
  Script("scripts/t_main.lua", "Button{ name = 'b', x = 0, y = 0, w = 50, h = 50 }()");
  Lua("r = ''"
      "for _, f in ipairs{ function() return WaitForMessage() end,"
      "                    function() return WaitForCloseMessage('x') end,"
      "                    function() return Pause(100) end,"
      "                    function() return FlushMessages() end,"
      "                    function() return DoMainWindow('scripts/t_main.lua') end } do"
      "  local ok, e = pcall(f)"
      "  r = r .. tostring(ok) .. ':' .. tostring(string.find(e or '', 'attempt to yield across', 1, true) ~= nil) .. ' '"
      "end");
  EXPECT_EQ("false:true false:true false:true false:true false:true ", Global("r"));
}

}  // namespace

namespace {

TEST_F(ScriptTest, ScriptsNestWindowsAndModalWindowsUpToTheDepthLimitWithAClearError) {
  Lua("n = 0 "
      "ok, e = pcall(function() for i = 1, 20000 do GenericCreate{ typename = 'Window', w = 10, h = 10 }; n = n + 1 end end) "
      "m = 0 "
      "ok2, e2 = pcall(function() for i = 1, 25000 do PushModal('m' .. i); m = m + 1 end end)");
  EXPECT_EQ("256", Global("n"));  // below the screen, at depths 1 to 256
  EXPECT_EQ("[string \"n = 0 ok, e = pcall(function() for i = 1, 2...\"]:1: "
            "GenericCreate: windows nest at most 256 deep", Global("e"));
  EXPECT_EQ("256", Global("m"));
  EXPECT_NE(std::string::npos, Global("e2").find("PushModal: windows nest at most 256 deep"));
  Tick(20);
  Click(5, 5);
  Lua("DoPopModal('m1')");
  EXPECT_EQ(1u, wm->GetModalStack().size());
}

}  // namespace

namespace {

TEST_F(ScriptTest, AScreenThatNeedsClearingAsksForItInItsScript) {
  TLogCapture log;
  Lua("PushModal('dialog'); SetScreenClear('always', {0.5, 0, 0, 2})");
  EXPECT_TRUE(screen->alwaysClear);
  EXPECT_EQ(TFloatColor(0.5f, 0, 0, 1), screen->clearColor);  // clamped to 0..1
  env.log.clear();
  Tick(20);
  EXPECT_EQ((Strings{"begin", "fill 0,0,1024x768", "end"}), env.log);
  Lua("SetScreenClear('never')");
  EXPECT_TRUE(screen->noClear);
  Lua("DoPopModal('dialog')");
  env.log.clear();
  Tick(20);
  EXPECT_EQ((Strings{"begin", "end"}), env.log);
  Lua("SetScreenClear('top'); SetScreenClear('sometimes')");
  EXPECT_FALSE(screen->alwaysClear);
  EXPECT_FALSE(screen->noClear);
  EXPECT_TRUE(log.Contains("SetScreenClear: unknown mode 'sometimes' (always, top or never)"));
}

}  // namespace
