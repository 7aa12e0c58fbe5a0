// Script texts in coroutines: waiting, resuming with values, timeouts,
// yields, nesting and the refusals.
#include "platform/time.h"
#include "tests/script/scripttest.h"
#include "tests/support/testsupport.h"

class CoroutineTest : public ScriptTest {
protected:
  CoroutineTest() {
    lua.Bind("WaitHere", this, &CoroutineTest::WaitHere);
    lua.Bind("ResumeSelf", this, &CoroutineTest::ResumeSelf);
    lua.Bind("ResumeOlder", this, &CoroutineTest::ResumeOlder);
  }
  // WaitHere([timeout]) -> the values given to Resume, or nil; as the toolkit's
  // "HandleGetMessage" does it.
  int WaitHere(lua_State* L) {
    running = script.IsRunning() && !script.IsSuspended() && !script.IsWaiting();
    int timeout = lua_isnumber(L, 1) ? LuaToInt(L, 1) : -1;
    lua_pushstring(L, "yielded");
    return script.Wait(L, 1, timeout);
  }
  bool ResumeSelf() { return self->Resume(nullptr, 0) == TLuaThread::TResult::kRefused; }
  // ResumeOlder(n): resumes chain[n - 1] from inside the running coroutine and
  // names the outcome ("none" for n = 0).
  int ResumeOlder(lua_State* L) {
    size_t n = size_t(LuaToInt(L, 1));
    const char* names[] = {"yielded", "finished", "error", "refused"};
    lua_pushstring(L, n == 0 || n > chain.size() ? "none" : names[int(chain[n - 1]->Resume(L, 0))]);
    return 1;
  }

  bool running = false;
  std::shared_ptr<TLuaThread> self;
  std::vector<std::shared_ptr<TLuaThread>> chain;
  TLuaBindings lua{script.GetState()};
};

TEST_F(CoroutineTest, WaitsIsResumedWithValuesFinishesAndIsRefusedAfter) {
  Run("msg, cmd = WaitHere(); got = msg .. '/' .. cmd; WaitHere(); done = true");
  EXPECT_TRUE(running);
  std::shared_ptr<TLuaThread> thread = script.GetCurrentThread();
  ASSERT_TRUE(thread);
  EXPECT_TRUE(script.IsWaiting());
  EXPECT_EQ(thread->GetWaitState(), TLuaThread::kWaiting);
  EXPECT_EQ(lua_tostring(thread->GetState(), -1), std::string("yielded"));

  lua_pushstring(L(), "message");
  lua_pushstring(L(), "command");
  EXPECT_NE(script.Resume(2), 0);
  EXPECT_EQ(Text("got"), "message/command");
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

TEST_F(CoroutineTest, ErrorsAfterAResumeAreLoggedAndARunningOneIsRefused) {
  Run("WaitHere(); refused = ResumeSelf()\nerror('late failure')");
  self = script.GetCurrentThread();
  EXPECT_EQ(script.Resume(0), 0);
  lua_getglobal(L(), "refused");
  EXPECT_TRUE(script.PopBool());
  EXPECT_TRUE(log.Contains("lua_resume ERROR: cannot resume non-suspended coroutine"));
  EXPECT_TRUE(log.Contains("lua_resume ERROR: [string \"WaitHere(); refused = ResumeSelf()...\"]:2: late failure"));
  EXPECT_TRUE(log.Contains("stack traceback:\n\t[C]: in function 'error'"));
  EXPECT_EQ(script.GetThreadCount(), 0u);
}

TEST_F(CoroutineTest, WaitWhereNothingCanYieldRaisesTheErrorAtTheScriptsPlace) {
  Run("function Ask() return WaitHere() end");
  lua_getglobal(L(), "Ask");
  TLuaFunction ask(L(), -1);
  lua_pop(L(), 1);
  for (int i = 0; i < 2; ++i) EXPECT_FALSE(ask.Call(0, 1));  // on the main thread: an error, never nil
  EXPECT_TRUE(log.Contains("Lua Error: [string \"function Ask() return WaitHere() end\"]:1: "
                           "attempt to yield from outside a coroutine"));
  Run("ok, v = pcall(WaitHere); r = tostring(ok) .. ' ' .. v");  // across pcall
  EXPECT_EQ(Text("r"), "false attempt to yield across metamethod/C-call boundary");
  Run("co = coroutine.wrap(function() return WaitHere() end); ok2, v2 = pcall(co)");  // not ours
  EXPECT_EQ(Text("v2"), "[string \"co = coroutine.wrap(function() return WaitH...\"]:1: "
                        "attempt to yield from outside a coroutine");
  // A loop around a wait that cannot yield ends instead of spinning.
  Run("n = 0; ok3 = pcall(function() while true do n = n + 1; pcall(error); WaitHere() end end)");
  EXPECT_EQ(Number("n"), 1);
  // Each place is logged once.
  EXPECT_EQ(log.Count("TScript::Wait: attempt to yield"), 4u);
  EXPECT_EQ(log.Count("TScript::Wait: attempt to yield from outside a coroutine at "
                      "[string \"function Ask() return WaitHere() end\"]:1"), 1u);
  EXPECT_EQ(script.GetThreadCount(), 0u);
}

TEST_F(CoroutineTest, ACommandRunsInItsOwnCoroutineItsErrorStaysThereAndItsCallerWaitsForIt) {
  // A command that fails: logged, the caller goes on.
  Run("r = _RunCommand(function() error('broken command') end); after = 'went on'");
  EXPECT_EQ(Text("after"), "went on");
  EXPECT_TRUE(log.Contains("]:1: broken command\n\twhen running a command"));
  // A command that waits: its caller waits until it is done, then goes on.
  Run("order = 'a'; _RunCommand(function() order = order .. 'b'; x = WaitHere(); order = order .. 'c' .. x end); "
      "order = order .. 'd'; y = WaitHere(); order = order .. 'e' .. y");
  EXPECT_EQ(Text("order"), "ab");
  EXPECT_EQ(script.GetThreadCount(), 2u);
  EXPECT_FALSE(script.IsRunning());
  EXPECT_TRUE(script.IsWaiting());
  for (int i = 0; i < 3; ++i) script.DoTask();  // the task step does not wake the waiting caller
  EXPECT_EQ(Text("order"), "ab");
  lua_pushstring(L(), "1");
  EXPECT_EQ(script.Resume(1), 1);  // the command gets the first message
  EXPECT_EQ(Text("order"), "abc1d");
  lua_pushstring(L(), "2");
  EXPECT_EQ(script.Resume(1), 1);  // then the caller
  EXPECT_EQ(Text("order"), "abc1de2");
  EXPECT_EQ(script.GetThreadCount(), 0u);
  // A waiting command that fails later wakes its caller too.
  Run("_RunCommand(function() WaitHere(); error('late') end); done = true");
  EXPECT_EQ(Type("done"), "nil");
  script.Resume(0);
  EXPECT_EQ(Type("done"), "boolean");
  EXPECT_EQ(script.GetThreadCount(), 0u);
  // Where the caller cannot wait, it goes on at once and the command waits alone.
  Run("pcall(_RunCommand, function() WaitHere(); late = true end); early = true");
  EXPECT_EQ(Type("early"), "boolean");
  EXPECT_EQ(script.GetThreadCount(), 1u);
  EXPECT_EQ(script.Resume(0), 1);
  EXPECT_EQ(Type("late"), "boolean");
}

TEST_F(CoroutineTest, TimeoutResumesWithNilOnTheTaskClock) {
  TManualTimeScope time;
  TClock clock;
  clock.Start();
  script.SetClock(&clock);
  Run("msg = WaitHere(100); timedOut = msg == nil");
  time.Advance(99);
  script.DoTask();
  clock.Pause();  // a paused clock holds the wait
  time.Advance(50);
  script.DoTask();
  EXPECT_EQ(Type("timedOut"), "nil");
  clock.Start();
  time.Advance(1);
  script.DoTask();
  EXPECT_EQ(Type("timedOut"), "boolean");
  script.SetClock(nullptr);
}

TEST_F(CoroutineTest, YieldFromLuaIsResumedByTheNextPass) {
  Run("steps = 0; for i = 1, 3 do steps = i; coroutine.yield() end");
  EXPECT_TRUE(script.IsSuspended());
  EXPECT_FALSE(script.IsWaiting());
  TTaskList tasks;
  tasks.Add(&script);
  tasks.Run(0);
  EXPECT_EQ(Number("steps"), 2);
  tasks.Run(1);
  tasks.Run(0);
  EXPECT_EQ(script.GetThreadCount(), 0u);
  tasks.Remove(&script);  // the list must not delete an object on the stack
}

TEST_F(CoroutineTest, NewestWaiterGetsTheMessagesThenTheOlderOne) {
  Run("a = WaitHere()");
  Run("b = WaitHere(); c = WaitHere()");
  Run("coroutine.yield()");  // suspended, not waiting: not chosen while a waiter exists
  for (const char* value : {"first", "second", "third"}) {
    lua_pushstring(L(), value);
    script.Resume(1);
  }
  EXPECT_EQ(Text("b") + Text("c") + Text("a"), "firstsecondthird");
  EXPECT_EQ(script.GetThreadCount(), 1u);

  for (size_t i = 1; i < TScript::kMaxThreads; ++i) Run("WaitHere()");
  EXPECT_FALSE(script.DoLuaString("x = 1", "one too many"));
  EXPECT_TRUE(log.Contains("Lua Error: 64 coroutines are suspended already\n\twhen one too many"));
}

// Text i waits; resumed, it resumes text i - 1 from inside its own run, so n
// texts resumed from the newest nest n resumes.
TEST_F(CoroutineTest, NestedResumesWorkUpToTheLimitAndOneMoreIsACStackOverflow) {
  for (int depth : {TScript::kMaxDepth, TScript::kMaxDepth + 1}) {
    SCOPED_TRACE(depth);
    log.Clear();
    chain.clear();
    Run("result = {}");
    for (int i = 1; i <= depth; ++i) {
      Run("local i = " + std::to_string(i) + "; WaitHere(); result[i] = ResumeOlder(i - 1)");
      chain.push_back(script.GetCurrentThread());
    }
    EXPECT_NE(script.Resume(0), 0);  // the newest, nesting down to the oldest
    Run("local t = {} for i = 1, " + std::to_string(depth) + " do t[i] = tostring(result[i]) end "
        "text = table.concat(t, ',')");
    std::string finished;
    for (int i = 3; i <= depth; ++i) finished += ",finished";
    if (depth == TScript::kMaxDepth) {
      EXPECT_EQ(Text("text"), "none,finished" + finished);  // the oldest ran 32 deep
      EXPECT_FALSE(log.Contains("C stack overflow"));
      EXPECT_EQ(script.GetThreadCount(), 0u);
    } else {
      // One more: the oldest is refused and stays waiting; resumed alone later, it runs.
      EXPECT_EQ(Text("text"), "nil,refused" + finished);
      EXPECT_EQ(log.Count("lua_resume ERROR: C stack overflow"), 1u);
      EXPECT_EQ(script.GetThreadCount(), 1u);
      EXPECT_TRUE(chain[0]->IsWaiting());
      EXPECT_NE(script.Resume(0), 0);
      EXPECT_EQ(chain[0]->GetStatus(), TLuaThread::TState::kFinished);
      Run("count = #result");
      EXPECT_EQ(Number("count"), depth);
    }
    EXPECT_EQ(lua_gettop(L()), 0);
  }
}

TEST_F(CoroutineTest, FilesRunByDofileMayWait) {
  testing_support::TempDir dir;
  testing_support::ScopedChdir cd(dir.Path());
  dir.Write("dialog.lua", "reply = WaitHere()\n");
  Run("dofile('dialog.lua'); after = reply");
  lua_pushstring(L(), "ok");
  script.Resume(1);
  EXPECT_EQ(Text("after"), "ok");
}
