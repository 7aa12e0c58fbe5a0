// Script texts in coroutines: waiting, resuming with values, timeouts,
// yields, nesting and the refusals.
#include "platform/time.h"
#include "tests/support/testsupport.h"
#include "tests/script/scripttest.h"

namespace {

// The native half of a waiting function, as the window toolkit writes it.
struct Waiter {
  explicit Waiter(TScript& s) : script(s), lua(s.GetState()) {
    lua.Bind("WaitHere", this, &Waiter::WaitHere);
    lua.Bind("State", this, &Waiter::State);
  }
  // WaitHere([timeout]) -> the values given to Resume, or nil.
  int WaitHere(lua_State* L) {
    int timeout = lua_isnumber(L, 1) ? LuaToInt(L, 1) : -1;
    lua_pushstring(L, "yielded");
    return script.Wait(L, 1, timeout);
  }
  // What the script looks like from inside a native call.
  TString State() { return script.IsRunning() && !script.IsSuspended() && !script.IsWaiting() ? "running" : "?"; }
  TScript& script;
  TLuaBindings lua;
};

}  // namespace

class CoroutineTest : public ScriptTest {
protected:
  Waiter waiter{script};
};

TEST_F(CoroutineTest, WaitsIsResumedWithValuesFinishesAndIsRefusedAfter) {
  Run("state = State(); msg, cmd = WaitHere(); got = msg .. '/' .. cmd; WaitHere(); done = true");
  EXPECT_EQ(Text("state"), "running");
  std::shared_ptr<TLuaThread> thread = script.GetCurrentThread();
  ASSERT_TRUE(thread);
  EXPECT_TRUE(script.IsSuspended());
  EXPECT_TRUE(script.IsWaiting());
  EXPECT_EQ(thread->GetWaitState(), TLuaThread::kWaiting);
  EXPECT_EQ(lua_tostring(thread->GetState(), -1), std::string("yielded"));

  lua_pushstring(L(), "message");
  lua_pushstring(L(), "command");
  EXPECT_NE(script.Resume(2), 0);
  EXPECT_EQ(Text("got"), "message/command");
  EXPECT_TRUE(thread->IsWaiting());

  EXPECT_NE(script.Resume(0), 0);
  EXPECT_EQ(Type("done"), "boolean");
  EXPECT_EQ(thread->GetStatus(), TLuaThread::TState::kFinished);
  EXPECT_FALSE(script.IsSuspended());

  lua_pushstring(L(), "late");
  EXPECT_EQ(thread->Resume(nullptr, 1), TLuaThread::TResult::kRefused);
  EXPECT_TRUE(log.Contains("lua_resume ERROR: cannot resume dead coroutine"));
  EXPECT_EQ(script.Resume(0), 0);
  EXPECT_TRUE(log.Contains("lua_resume ERROR: no suspended coroutine to resume"));
  EXPECT_EQ(lua_gettop(L()), 0);  // refused values are popped all the same
}

TEST_F(CoroutineTest, ErrorAfterAResumeIsLoggedAndTheCoroutineDropped) {
  Run("WaitHere()\nerror('late failure')");
  EXPECT_EQ(script.Resume(0), 0);
  EXPECT_TRUE(log.Contains("lua_resume ERROR: [string \"WaitHere()...\"]:2: late failure"));
  EXPECT_TRUE(log.Contains("stack traceback:\n\t[C]: in function 'error'"));
  EXPECT_EQ(script.GetThreadCount(), 0u);
}

TEST_F(CoroutineTest, WaitWhereNothingCanYieldReturnsNilLoggedOnce) {
  Run("function Ask() return WaitHere() end");
  lua_getglobal(L(), "Ask");
  TLuaFunction ask(L(), -1);
  lua_pop(L(), 1);
  for (int i = 0; i < 2; ++i) {  // on the main thread
    ASSERT_TRUE(ask.Call(0, 1));
    EXPECT_TRUE(lua_isnil(L(), -1));
    lua_pop(L(), 1);
  }
  Run("ok, v = pcall(WaitHere); across = v == nil");  // across pcall
  Run("co = coroutine.wrap(function() return WaitHere() end); inner = co() == nil");  // not ours
  EXPECT_EQ(log.Count("TScript::Wait: nothing can yield at"), 3u);
  EXPECT_TRUE(log.Contains("TScript::Wait: nothing can yield at [string \"function Ask() return WaitHere() end\"]:1; "
                           "going on with nil"));
  EXPECT_EQ(Type("across"), "boolean");
  lua_getglobal(L(), "inner");
  EXPECT_TRUE(script.PopBool());
  EXPECT_EQ(script.GetThreadCount(), 0u);
}

TEST_F(CoroutineTest, TimeoutResumesWithNilOnTheTaskClock) {
  TManualTimeScope time;
  TClock clock;
  clock.Start();
  script.SetClock(&clock);
  Run("msg = WaitHere(100); timedOut = msg == nil");
  script.DoTask();
  time.Advance(99);
  script.DoTask();
  EXPECT_EQ(Type("timedOut"), "nil");
  clock.Pause();  // a paused clock holds the wait
  time.Advance(50);
  script.DoTask();
  EXPECT_EQ(Type("timedOut"), "nil");
  clock.Start();
  time.Advance(1);
  script.DoTask();
  EXPECT_EQ(Type("timedOut"), "boolean");
  EXPECT_EQ(script.GetThreadCount(), 0u);
  script.SetClock(nullptr);
}

TEST_F(CoroutineTest, YieldFromLuaIsResumedByTheNextPass) {
  Run("steps = 0; for i = 1, 3 do steps = i; coroutine.yield() end");
  EXPECT_TRUE(script.IsSuspended());
  EXPECT_FALSE(script.IsWaiting());
  TTaskList tasks;  // the list does not own a stack object: remove it before the end
  tasks.Add(&script);
  tasks.Run(0);
  EXPECT_EQ(Number("steps"), 2);
  tasks.Run(1);
  tasks.Run(0);
  EXPECT_EQ(script.GetThreadCount(), 0u);
  tasks.Remove(&script);
}

TEST_F(CoroutineTest, NewestWaiterGetsTheMessagesThenTheOlderOne) {
  Run("a = WaitHere()");
  Run("b = WaitHere(); c = WaitHere()");
  Run("coroutine.yield()");  // suspended, not waiting: not chosen while a waiter exists
  lua_pushstring(L(), "first");
  script.Resume(1);
  EXPECT_EQ(Text("b"), "first");
  lua_pushstring(L(), "second");
  script.Resume(1);
  EXPECT_EQ(Text("c"), "second");
  lua_pushstring(L(), "third");
  script.Resume(1);
  EXPECT_EQ(Text("a"), "third");
  EXPECT_EQ(script.GetThreadCount(), 1u);
}

TEST_F(CoroutineTest, ACoroutineCannotResumeItselfAndTooManyAreRefused) {
  std::shared_ptr<TLuaThread> self;
  struct Self {
    std::shared_ptr<TLuaThread>* t;
    int Go(lua_State* L) {
      lua_pushboolean(L, (*t)->Resume(L, 0) == TLuaThread::TResult::kRefused);
      return 1;
    }
  } resumer{&self};
  TLuaBindings lua(L());
  lua.Bind("ResumeSelf", &resumer, &Self::Go);
  Run("WaitHere(); refused = ResumeSelf()");
  self = script.GetCurrentThread();
  script.Resume(0);
  lua_getglobal(L(), "refused");
  EXPECT_TRUE(script.PopBool());
  EXPECT_TRUE(log.Contains("lua_resume ERROR: cannot resume non-suspended coroutine"));

  for (size_t i = 0; i < TScript::kMaxThreads; ++i) Run("WaitHere()");
  EXPECT_FALSE(script.DoLuaString("x = 1", "one too many"));
  EXPECT_TRUE(log.Contains("Lua Error: 64 coroutines are suspended already\n\twhen one too many"));
  EXPECT_EQ(Type("x"), "nil");
}

TEST_F(CoroutineTest, FilesRunByDofileMayWait) {
  testing_support::TempDir dir;
  dir.Write("dialog.lua", "opened = true\nreply = WaitHere()\n");
  testing_support::ScopedChdir cd(dir.Path());
  Run("dofile('dialog.lua'); after = reply");
  EXPECT_EQ(Type("opened"), "boolean");
  lua_pushstring(L(), "ok");
  script.Resume(1);
  EXPECT_EQ(Text("after"), "ok");
}
